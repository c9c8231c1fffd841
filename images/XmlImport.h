#pragma once
// "Import XML": load an XML file into a document and walk the names of the
// document element's children. No XML vocabulary is defined, so nothing read
// is kept; the walk only proves the file can be read as XML.
//
// Both steps take time in proportion to the file, and the file is small:
// a file larger than MaxXmlFileSize is refused before it is read. The text
// is decoded and checked (images/XmlPrecheck.h: elements with more than
// MaxXmlAttributes attributes, document type declarations) before a parser
// sees it; it is then read once as a stream, which counts its elements and
// refuses a document nested deeper than MaxXmlDepth before any tree is
// built (a tree that deep would cost the parser and the walk far more than
// the file's size), and the walk steps from sibling to sibling instead of
// indexing a child list.

#include <QDomDocument>
#include <QString>

#include <cstddef>
#include <stdexcept>

// The file could not be read, is not well-formed XML, or is refused by a
// limit above. what() is a sentence for the user with the parser's own message
// and its line and column.
class EXmlImportError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The deepest nesting of elements an import takes.
inline constexpr int MaxXmlDepth = 256;

// The largest file an import reads (refused by its size before reading),
// the most attributes, namespace declarations among them, that one element
// may have, and the most nodes the tree parser may make for a document
// (elements, two for an attribute and its value, text, comments...: it
// takes microseconds for each). images/XmlPrecheck.h checks the last two.
// 40 000 elements with an attribute each are 120 001 nodes.
inline constexpr qint64 MaxXmlFileSize = 1024 * 1024;
inline constexpr int MaxXmlAttributes = 1000;
inline constexpr int MaxXmlNodes = 125000;

// What an import read.
struct TXmlImportSummary {
  int Elements = 0;  // elements in the whole document
  int Children = 0;  // children of the document element walked
};

// Parses FileName into Document and returns its number of elements. On an
// error Document keeps what it held.
int LoadXmlDocument(QDomDocument& Document, const QString& FileName);

// The same for the Length bytes of a file's contents at Data (FileName is
// named in errors); the size limit is the reader's, so not checked here.
int LoadXmlData(QDomDocument& Document, const char* Data, size_t Length, const QString& FileName);

// Reads the document element's name, then the name of each of its child
// nodes in order, stopping early at a child without a name. Returns the
// number of children whose names were read.
int WalkXmlDocument(const QDomDocument& Document);

// LoadXmlDocument, then WalkXmlDocument.
TXmlImportSummary ImportXmlFile(QDomDocument& Document, const QString& FileName);
