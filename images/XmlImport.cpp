#include "images/XmlImport.h"

#include <QDomElement>
#include <QXmlStreamReader>

#include <cstring>
#include <optional>
#include <vector>

#include "images/ImageFileErrors.h"
#include "images/ImageFileIo.h"
#include "images/XmlPrecheck.h"

namespace {

// The file's bytes, refused above MaxXmlFileSize before anything is read.
std::vector<char> ReadXmlFileBytes(const QString& fileName) {
  std::optional<std::vector<char>> bytes;
  try {
    bytes = ReadFileBytesWithin(fileName, MaxXmlFileSize);
  } catch (const EOSError& e) {
    throw EXmlImportError(QStringLiteral("Cannot read the XML file \"%1\": %2")
                              .arg(fileName, QString::fromLocal8Bit(std::strerror(e.Code())))
                              .toStdString());
  }
  if (!bytes)
    throw EXmlImportError(
        QStringLiteral("The file \"%1\" is larger than %2 MiB; it is not imported.")
            .arg(fileName)
            .arg(MaxXmlFileSize >> 20)
            .toStdString());
  return std::move(*bytes);
}

// One pass over the text as a stream: the number of elements, or -1 when
// the text is not well-formed (the tree parser then says why). A document
// nested deeper than MaxXmlDepth is refused here. Without namespace
// processing, as the tree parser reads it: a prefix no declaration binds
// is no fault of either.
int CountElements(const QString& text, const QString& fileName) {
  QXmlStreamReader reader(text);
  reader.setNamespaceProcessing(false);
  int depth = 0;
  int elements = 0;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement:
        ++elements;
        if (++depth > MaxXmlDepth)
          throw EXmlImportError(QStringLiteral("The file \"%1\" nests elements more than %2 deep "
                                               "(line %3); it is not imported.")
                                    .arg(fileName)
                                    .arg(MaxXmlDepth)
                                    .arg(reader.lineNumber())
                                    .toStdString());
        break;
      case QXmlStreamReader::EndElement: --depth; break;
      default: break;
    }
  }
  return reader.hasError() ? -1 : elements;
}

}  // namespace

int LoadXmlDocument(QDomDocument& Document, const QString& FileName) {
  const std::vector<char> bytes = ReadXmlFileBytes(FileName);
  return LoadXmlData(Document, bytes.data(), bytes.size(), FileName);
}

int LoadXmlData(QDomDocument& Document, const char* Data, size_t Length, const QString& FileName) {
  // The parsers get the decoded text, which the check has seen: a text
  // ignores its XML declaration's encoding.
  const QString text = DecodeXmlText(Data, Length, FileName);
  CheckXmlMarkup(text, FileName);
  const int elements = CountElements(text, FileName);

  // A document that fails to parse keeps a partial tree; parse into a fresh
  // one so that the previous document stays as it was.
  QDomDocument parsed;
  QString message;
  int line = 0;
  int column = 0;
  if (!parsed.setContent(text, false, &message, &line, &column))
    throw EXmlImportError(
        QStringLiteral("The file \"%1\" is not well-formed XML (line %2, column %3): %4")
            .arg(FileName)
            .arg(line)
            .arg(column)
            .arg(message)
            .toStdString());
  Document = parsed;
  return elements;
}

int WalkXmlDocument(const QDomDocument& Document) {
  const QDomElement root = Document.documentElement();
  const QString rootName = root.nodeName();
  (void)rootName;
  int walked = 0;
  for (QDomNode child = root.firstChild(); !child.isNull(); child = child.nextSibling()) {
    if (child.nodeName().isEmpty()) break;
    ++walked;
  }
  return walked;
}

TXmlImportSummary ImportXmlFile(QDomDocument& Document, const QString& FileName) {
  TXmlImportSummary summary;
  summary.Elements = LoadXmlDocument(Document, FileName);
  summary.Children = WalkXmlDocument(Document);
  return summary;
}
