#pragma once
// "Import XML": load an XML file into a document and walk the names of the
// document element's children. No XML vocabulary is defined, so nothing read
// is kept; the walk only proves the file can be read as XML.

#include <QDomDocument>
#include <QString>

#include <stdexcept>

// The file could not be read or is not well-formed XML. what() is a sentence
// for the user with the parser's own message and its line and column.
class EXmlImportError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Parses FileName into Document. On an error Document keeps what it held.
void LoadXmlDocument(QDomDocument& Document, const QString& FileName);

// Reads the document element's name, then the name of each of its child
// nodes by index, stopping early at a child without a name. Returns the
// number of children whose names were read.
int WalkXmlDocument(const QDomDocument& Document);

// LoadXmlDocument, then WalkXmlDocument.
void ImportXmlFile(QDomDocument& Document, const QString& FileName);
