#include "images/XmlImport.h"

#include <QDomElement>
#include <QFile>
#include <QXmlStreamReader>

namespace {

[[noreturn]] void CannotRead(const QString& fileName, const QFile& file) {
  throw EXmlImportError(QStringLiteral("Cannot read the XML file \"%1\": %2")
                            .arg(fileName, file.errorString())
                            .toStdString());
}

// One pass over the text as a stream: the number of elements, or -1 when
// the text is not well-formed (the tree parser then says why). A document
// nested deeper than MaxXmlDepth is refused here.
int CountElements(const QByteArray& text, const QString& fileName) {
  QXmlStreamReader reader(text);
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
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly)) CannotRead(FileName, file);
  const QByteArray text = file.readAll();
  if (file.error() != QFileDevice::NoError) CannotRead(FileName, file);
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
