#pragma once
// What "Import XML" checks before an XML parser sees a file: the parsers'
// cost grows with the square of an element's attributes (and namespace
// declarations), and a document type's entity and attribute-default
// declarations let a small file expand without bound. Both are found here
// by one linear pass over the text, which is decoded first so that the
// pass and the parsers read the same characters whatever the encoding (a
// pass over raw bytes would see no markup at all in UTF-7 or EBCDIC).

#include <QString>

#include <cstddef>

// The text of an XML file's bytes: the encoding of its byte order mark,
// else the one its first characters show (UTF-16 or UTF-32 without a mark),
// else the one its XML declaration names, else UTF-8. Raises
// EXmlImportError for an encoding that is not known, or bytes that are not
// text in the encoding.
QString DecodeXmlText(const char* Data, size_t Length, const QString& FileName);

// Raises EXmlImportError, naming the file and the line, for an element with
// more than MaxXmlAttributes attributes (namespace declarations counted
// among them), for a document type with an internal subset (the place of
// entity and attribute-list declarations) and for a text that would make
// more than MaxXmlNodes nodes. Returns the nodes counted: never fewer than
// the tree parser makes (elements, attributes and their values, text that
// is not only white space, comments, character data, processing
// instructions, the document type). Malformed markup is left to the
// parser, which says what is wrong with it.
qsizetype CheckXmlMarkup(const QString& Text, const QString& FileName);
