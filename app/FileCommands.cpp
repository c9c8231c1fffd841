// Loading and saving the three images as Intel HEX files, and the XML
// import.
//
// A load reads the whole file into a scratch image first; only a file that
// reads without an error replaces the image and its file name box, so a
// mistyped name or a corrupt file never costs the user the image (and its
// edits) they had. Errors leave the command by exception and are shown by
// the window's one error display.
#include <QFileInfo>
#include <QLineEdit>

#include <cstring>
#include <vector>

#include "app/MainUnit.h"
#include "hexedit/widget/HexEditor.h"
#include "images/HexFileUnit.h"
#include "images/XmlImport.h"

namespace {

const QString HexFilter = QStringLiteral("Intel hex files (*.hex)|*.hex|All files (*.*)|*.*");
const QString XmlFilter = QStringLiteral("XML files (*.xml)|*.xml|All files (*.*)|*.*");
const QString HexSuffix = QStringLiteral("hex");

QString OpenTitle(TImageKind kind) {
  switch (kind) {
    case ikFlash: return QStringLiteral("Open Flash file");
    case ikIntEE: return QStringLiteral("Open Internal EEprom file");
    case ikExtEE: return QStringLiteral("Open External EEprom file");
  }
  return {};
}

QString SaveTitle(TImageKind kind) {
  switch (kind) {
    case ikFlash: return QStringLiteral("Save Flash file As");
    case ikIntEE: return QStringLiteral("Save Internal EEprom file As");
    case ikExtEE: return QStringLiteral("Save External EEprom file As");
  }
  return {};
}

// A name typed without any dot gets the default suffix, as the file dialog
// does; applied here too, so that a dialog that leaves it out (a desktop
// portal, a test) saves the same file.
QString WithDefaultSuffix(const QString& name, const QString& suffix) {
  const QFileInfo info(name);
  if (info.isDir() || info.fileName().contains(QLatin1Char('.'))) return name;
  return name + QLatin1Char('.') + suffix;
}

void LoadCommand(TMainForm& form, TImageKind kind) {
  const QString name = form.Dialogs->OpenFileName(&form, {OpenTitle(kind), HexFilter, QString(), QString()});
  if (name.isEmpty()) return;
  form.LoadImageFile(kind, name);
}

void SaveCommand(TMainForm& form, TImageKind kind) {
  QLineEdit* box = form.ImageFileBox(kind);
  // Proposes the image's last file, or nothing.
  const QString chosen = form.Dialogs->SaveFileName(&form, {SaveTitle(kind), HexFilter, HexSuffix, box->text()});
  if (chosen.isEmpty()) return;
  const QString name = QFileInfo(WithDefaultSuffix(chosen, HexSuffix)).absoluteFilePath();
  const THexEditor* editor = form.ImageEditor(kind);
  WriteHexFile(name, editor->DataPointer(), editor->DataSize());
  box->setText(name);
}

}  // namespace

void TMainForm::LoadImageFile(TImageKind kind, const QString& fileName) {
  THexEditor* editor = ImageEditor(kind);
  const int size = CatalogueSize(kind);
  // Bytes the file does not cover read as erased memory.
  std::vector<uint8_t> scratch(static_cast<size_t>(size), editor->FillByte());
  ReadHexFile(fileName, scratch.data(), size);

  editor->ResetData();
  editor->SetDataSize(size);
  if (size > 0) std::memcpy(editor->DataPointer(), scratch.data(), scratch.size());
  // A loaded image starts a fresh edit history.
  editor->ClearUndo();
  editor->viewport()->update();
  ImageFileBox(kind)->setText(QFileInfo(fileName).absoluteFilePath());
}

void TMainForm::actLoadFlashExecute() { LoadCommand(*this, ikFlash); }
void TMainForm::actLoadIntEEExecute() { LoadCommand(*this, ikIntEE); }
void TMainForm::actLoadExtEEExecute() { LoadCommand(*this, ikExtEE); }
void TMainForm::actSaveFlashExecute() { SaveCommand(*this, ikFlash); }
void TMainForm::actSaveIntEEExecute() { SaveCommand(*this, ikIntEE); }
void TMainForm::actSaveExtEEExecute() { SaveCommand(*this, ikExtEE); }

void TMainForm::actImportXMLExecute() {
  const QString name = Dialogs->OpenFileName(this, {QStringLiteral("Open XML file"), XmlFilter, QString(), QString()});
  if (name.isEmpty()) return;
  // Parses and walks the file; no image, selection or setting changes.
  ImportXmlFile(xmlFile, name);
}
