#include "images/XmlImport.h"

#include <QDomElement>
#include <QDomNodeList>
#include <QFile>

void LoadXmlDocument(QDomDocument& Document, const QString& FileName) {
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly))
    throw EXmlImportError(
        QStringLiteral("Cannot read the XML file \"%1\": %2").arg(FileName, file.errorString()).toStdString());
  // A document that fails to parse keeps a partial tree; parse into a fresh
  // one so that the previous document stays as it was.
  QDomDocument parsed;
  QString message;
  int line = 0;
  int column = 0;
  if (!parsed.setContent(&file, false, &message, &line, &column)) {
    if (file.error() != QFileDevice::NoError)
      throw EXmlImportError(
          QStringLiteral("Cannot read the XML file \"%1\": %2").arg(FileName, file.errorString()).toStdString());
    throw EXmlImportError(QStringLiteral("The file \"%1\" is not well-formed XML (line %2, column %3): %4")
                              .arg(FileName)
                              .arg(line)
                              .arg(column)
                              .arg(message)
                              .toStdString());
  }
  Document = parsed;
}

int WalkXmlDocument(const QDomDocument& Document) {
  const QDomElement root = Document.documentElement();
  const QString rootName = root.nodeName();
  (void)rootName;
  const int count = root.childNodes().count();
  int walked = 0;
  for (int i = 0; i < count; ++i) {
    // The list is taken again from the document element at every step.
    const QString name = root.childNodes().item(i).nodeName();
    if (name.isEmpty()) break;
    ++walked;
  }
  return walked;
}

void ImportXmlFile(QDomDocument& Document, const QString& FileName) {
  LoadXmlDocument(Document, FileName);
  WalkXmlDocument(Document);
}
