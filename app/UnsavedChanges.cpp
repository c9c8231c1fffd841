// Nothing the user typed is lost without a question: an image edited since
// it was loaded, read or saved is modified (a "*" on its page tab and in
// the window title), and whatever would replace or cut it asks first
// whether to save it. The catalogue choices that would cut bytes other
// than 0xFF off an image ask too, and are taken back when the user says
// no.
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>

#include <cstring>

#include "app/MainUnit.h"
#include "app/PellarApplication.h"
#include "card/CardCommandSupport.h"
#include "hexedit/widget/HexEditor.h"
#include "images/DeviceCatalogue.h"

#ifndef PELLAR_PRODUCT_NAME
#define PELLAR_PRODUCT_NAME "Pellar Remake"
#endif
#ifndef PELLAR_TITLE_VERSION
#define PELLAR_TITLE_VERSION ""
#endif

bool TMainForm::ImageModified(TImageKind kind) const {
  const THexEditor* editor = Editor(kind);
  return editor->DataSize() > 0 && editor->Modified();
}

bool TMainForm::ConfirmDiscard(TImageKind kind) {
  if (!ImageModified(kind)) return true;
  const QString text =
      QStringLiteral("The %1 image has unsaved changes. Save them?").arg(ImageTitle(kind));
  switch (Dialogs->AskSaveChanges(this, ApplicationTitle(), text)) {
    case scDiscard: return true;
    case scCancel: return false;
    case scSave: break;
  }
  try {
    return SaveImage(kind, false);
  } catch (...) {
    // The save failed: the action does not happen, the image stays.
    ShowCommandError(TPellarApplication::CurrentErrorText());
    return false;
  }
}

bool TMainForm::ConfirmDiscardAll() {
  for (TImageKind kind : AllImageKinds)
    if (!ConfirmDiscard(kind)) return false;
  return true;
}

void TMainForm::MarkImageClean(TImageKind kind) {
  THexEditor* editor = Editor(kind);
  editor->ClearUndo();
  editor->SetModified(false);
  UpdateModifiedMarks();
}

void TMainForm::SetImageBytes(TImageKind kind, const std::vector<uint8_t>& bytes, bool modified) {
  THexEditor* editor = Editor(kind);
  // The change is the command's own, not an edit: its status line stays.
  const QString status = StatusText();
  editor->ResetData();
  editor->SetDataSize(static_cast<int>(bytes.size()));
  if (!bytes.empty()) std::memcpy(editor->DataPointer(), bytes.data(), bytes.size());
  editor->viewport()->update();
  Images[kind].SavesInPlace = false;
  editor->ClearUndo();
  editor->SetModified(modified);
  UpdateModifiedMarks();
  SetStatusText(status);
}

// "Pellar Remake 3.0 ": the product and the major and minor numbers of the
// project's version.
QString TMainForm::BaseTitle() {
  return QStringLiteral(PELLAR_PRODUCT_NAME " " PELLAR_TITLE_VERSION " ");
}

void TMainForm::UpdateModifiedMarks() {
  bool any = false;
  for (TImageKind kind : AllImageKinds) {
    const bool modified = ImageModified(kind);
    any |= modified;
    const int tab = pgcMain->indexOf(Page(kind));
    pgcMain->setTabText(
        tab, modified ? ImagePageTitle(kind) + QStringLiteral(" *") : ImagePageTitle(kind));
  }
  setWindowTitle(any ? BaseTitle() + QLatin1Char('*') : BaseTitle());
}

bool TMainForm::ConfirmResize(TImageKind kind, int newSize) {
  THexEditor* editor = Editor(kind);
  if (newSize >= editor->DataSize()) return true;
  const int offset = FirstDataBeyond(editor->DataPointer(), editor->DataSize(), newSize);
  // Only 0xFF past the new end: an erased chip gives the same.
  if (offset < 0) return true;
  if (ImageModified(kind)) return ConfirmDiscard(kind);
  const QString text = QStringLiteral(
                           "The %1 image holds data at 0x%2, beyond the %3 bytes of the new "
                           "choice.\nCut it off the image?")
                           .arg(ImageTitle(kind))
                           .arg(QString::number(offset, 16).toUpper())
                           .arg(newSize);
  return ShowMessageDialog(text.toStdString(), mkConfirmation, mbYesNo) == mrYes;
}

void TMainForm::ResizeImage(TImageKind kind, int newSize) {
  THexEditor* editor = Editor(kind);
  const int old = editor->DataSize();
  if (newSize == old) return;
  const bool wasModified = ImageModified(kind);
  const bool cut = newSize < old && FirstDataBeyond(editor->DataPointer(), old, newSize) >= 0;
  editor->SetDataSize(newSize);
  editor->ClearUndo();
  // A save straight over the file would drop the data cut off: it asks.
  if (cut) Images[kind].SavesInPlace = false;
  editor->SetModified(old > 0 && (wasModified || cut));
  editor->viewport()->update();
  UpdateModifiedMarks();
}

// ===========================================================================
// Catalogue choices

void TMainForm::cbProcessorChange() {
  const ProcessorInfo* chip = ProcessorAt(cbProcessor->currentIndex());
  if (!chip) return;
  // The flash image always takes the new size (an empty one becomes a full
  // image of 0xFF); the internal EEPROM image only when it holds data.
  const bool intEE = hexIntEE->DataSize() > 0;
  if (!ConfirmResize(ikFlash, chip->FlashSize) ||
      (intEE && !ConfirmResize(ikIntEE, chip->EepromSize))) {
    const QSignalBlocker block(cbProcessor);
    cbProcessor->setCurrentIndex(FProcessorRow);
    return;
  }
  FProcessorRow = cbProcessor->currentIndex();
  ResizeImage(ikFlash, chip->FlashSize);
  if (intEE) ResizeImage(ikIntEE, chip->EepromSize);
}

void TMainForm::cbEepromChange() {
  const EepromInfo* chip = EepromAt(cbEeprom->currentIndex());
  if (!chip) return;
  if (hexExtEE->DataSize() > 0 && !ConfirmResize(ikExtEE, chip->Size)) {
    const QSignalBlocker block(cbEeprom);
    cbEeprom->setCurrentIndex(FEepromRow);
    return;
  }
  FEepromRow = cbEeprom->currentIndex();
  if (hexExtEE->DataSize() > 0) ResizeImage(ikExtEE, chip->Size);
}
