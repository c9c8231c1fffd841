// Loading and saving the three images, and the XML import. A load takes
// any format the images library reads (Intel HEX, S-record, ELF, raw
// binary; found from the contents); a save writes the format its
// extension names (Intel HEX when it names none).
//
// A load reads the whole file into a scratch image first; only a file that
// reads without an error replaces the image and its file name box, so a
// mistyped name or a corrupt file never costs the user the image (and its
// edits) they had. Errors leave the command by exception and are shown by
// the window's one error display.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include <vector>

#include "app/MainUnit.h"
#include "app/StatusTexts.h"
#include "hexedit/widget/HexEditor.h"
#include "images/ImageFormats.h"
#include "images/XmlImport.h"

static_assert(int(ikFlash) == int(imFlash) && int(ikIntEE) == int(imIntEE) &&
              int(ikExtEE) == int(imExtEE));

namespace {

const QString XmlFilter = QStringLiteral("XML files (*.xml)|*.xml|All files (*.*)|*.*");
const QString HexSuffix = QStringLiteral("hex");

}  // namespace

void TMainForm::LoadCommand(TImageKind kind) {
  // An edited image is saved or given up before anything else.
  if (!ConfirmDiscard(kind)) return;
  const QString title = QString::fromLatin1(Images[kind].OpenTitle);
  const QString name =
      Dialogs->OpenFileName(this, {title, ImageOpenFilter(), QString(), QString()});
  if (name.isEmpty()) return;
  LoadImageFile(kind, name);
  SetStatusText(ImageLoadedText(kind, name));
}

QString TMainForm::WithDefaultSuffix(const QString& name, const QString& suffix) {
  const QFileInfo info(name);
  if (info.isDir() || info.fileName().contains(QLatin1Char('.'))) return name;
  return name + QLatin1Char('.') + suffix;
}

QString TMainForm::AskSaveFileName(const TFileDialogRequest& request) {
  TFileDialogRequest ask = request;
  for (;;) {
    const QString chosen = Dialogs->SaveFileName(this, ask);
    if (chosen.isEmpty()) return {};
    const QString name =
        QFileInfo(WithDefaultSuffix(chosen, request.DefaultSuffix)).absoluteFilePath();
    // The dialog asked about the name it returned; the suffix may have
    // made it another file, which is asked about here.
    if (name == QFileInfo(chosen).absoluteFilePath() || !QFileInfo::exists(name)) return name;
    if (ShowMessageDialog(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                              .arg(QDir::toNativeSeparators(name))
                              .toStdString(),
                          mkConfirmation, mbYesNo) == mrYes)
      return name;
    // No: the dialog again, with the name it would have replaced.
    ask.InitialName = name;
  }
}

bool TMainForm::SaveImage(TImageKind kind, bool askName) {
  QLineEdit* box = FileBox(kind);
  QString name = box->text();
  if (askName || name.isEmpty() || !Images[kind].SavesInPlace) {
    // Proposes the image's last file, or nothing.
    const QString title = QString::fromLatin1(Images[kind].SaveTitle);
    name = AskSaveFileName({title, ImageSaveFilter(), HexSuffix, box->text()});
    if (name.isEmpty()) return false;
  }
  const THexEditor* editor = Editor(kind);
  ::SaveImageFile(name, editor->DataPointer(), editor->DataSize());
  box->setText(name);
  Images[kind].SavesInPlace = true;
  Editor(kind)->SetModified(false);
  UpdateModifiedMarks();
  SetStatusText(ImageSavedText(kind, name));
  return true;
}

void TMainForm::LoadImageFile(TImageKind kind, const QString& fileName) {
  const int size = CatalogueSize(kind);
  // Bytes the file does not cover read as erased memory.
  std::vector<uint8_t> scratch(static_cast<size_t>(size), Editor(kind)->FillByte());
  bool wholeCard = false;
  const TImageFormat format =
      ::LoadImageFile(fileName, static_cast<TImageMemory>(kind), scratch.data(), size, &wholeCard);
  SetImageBytes(kind, scratch, false);
  FileBox(kind)->setText(QFileInfo(fileName).absoluteFilePath());
  // An ELF file, a whole-card file or one named for another format would
  // lose what it holds to a save straight over it.
  Images[kind].SavesInPlace = !wholeCard && format == SaveFormatOf(fileName);
}

void TMainForm::OpenImageFile(TImageKind kind, const QString& fileName) {
  if (!ConfirmDiscard(kind)) return;
  LoadImageFile(kind, fileName);
  SetStatusText(ImageLoadedText(kind, fileName));
  UpdateActions();
}

void TMainForm::actLoadFlashExecute() { LoadCommand(ikFlash); }
void TMainForm::actLoadIntEEExecute() { LoadCommand(ikIntEE); }
void TMainForm::actLoadExtEEExecute() { LoadCommand(ikExtEE); }
void TMainForm::actSaveFlashExecute() { SaveImage(ikFlash, true); }
void TMainForm::actSaveIntEEExecute() { SaveImage(ikIntEE, true); }
void TMainForm::actSaveExtEEExecute() { SaveImage(ikExtEE, true); }

void TMainForm::actImportXMLExecute() {
  const QString name = Dialogs->OpenFileName(
      this, {QStringLiteral("Open XML file"), XmlFilter, QString(), QString()});
  if (name.isEmpty()) return;
  // Parses and walks the file; no image, selection or setting changes. The
  // status line tells what was read.
  const TXmlImportSummary read = ImportXmlFile(xmlFile, name);
  SetStatusText(QStringLiteral("XML file %1 read: %2 elements.")
                    .arg(QFileInfo(name).fileName())
                    .arg(read.Elements));
}
