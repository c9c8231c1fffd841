// The card commands of the "Programmer" page: Program All, Verify, Erase,
// reading and verifying single memories (the external EEPROM too, through
// the loader), and Read Card. The commands themselves (card/) run in one
// card session each and need no widgets; this file asks the window's
// questions first (unsaved images, the confirm dialog, Erase's and Verify
// Ext. EEprom's questions), runs them, and takes what they read into the
// images. Every command checks the port first: an error the window's error
// display shows, with nothing locked yet.
//
// Images and chips: transfers cover the length the image and the detected
// chip have in common. An image that holds data (bytes other than 0xFF)
// beyond the detected chip is refused before anything is written or
// compared, with a message naming the image and the chip.
#include <QComboBox>
#include <QLineEdit>
#include <utility>
#include <vector>

#include "app/ExtCmdUnit.h"
#include "app/MainUnit.h"
#include "app/StatusTexts.h"
#include "card/CardSession.h"
#include "card/ExternalRead.h"
#include "card/MemoryCommands.h"
#include "card/ProgramAllCommand.h"
#include "card/ReadCardCommand.h"
#include "card/ReadExtEepromCommand.h"
#include "card/TimeLeft.h"
#include "card/VerifyExtEepromCommand.h"
#include "hexedit/widget/HexEditor.h"
#include "images/DeviceCatalogue.h"

namespace {

TImageRef ImageOf(THexEditor* editor) { return {editor->DataPointer(), editor->DataSize()}; }

}  // namespace

template <typename TRun>
auto TMainForm::KeepingBackups(const TCardCommand& command, TRun run) {
  return RunKeepingBackups(command, run,
                           [this](const TCardBackups& backups) { KeepUnrestoredBackups(backups); });
}

// ===========================================================================
// Program All, Verify, Erase

void TMainForm::PrepareCard() {
  TCardSession::CheckPort(*Card);
  // The operation's chips are the ones chosen now; the card's signature
  // then names its processor.
  Avr->Chips = {cbProcessor->currentIndex(), cbEeprom->currentIndex(), -1};
}

void TMainForm::actProgAllExecute() {
  PrepareCard();
  TCardImages images{ImageOf(hexFlash), ImageOf(hexIntEE), ImageOf(hexExtEE)};

  bool restore = false;
  bool verify = false;
  {
    TdlgExtCmd dialog({.Restore = TProgramAllCommand::RestoreOffered(images), .Verify = true},
                      this);
    if (Dialogs->ExecDialog(dialog) != QDialog::Accepted) return;
    restore = dialog.RestoreChecked();
    verify = dialog.VerifyChecked();
  }

  TProgramAllCommand command(*Card);
  KeepingBackups(command, [&] { return command.Run(images, restore, verify); });
}

void TMainForm::actVerifyExecute() {
  PrepareCard();
  VerifyCard(*Card, ImageOf(hexFlash), ImageOf(hexIntEE));
}

void TMainForm::actEraseExecute() {
  PrepareCard();
  if (ShowMessageDialog("Do you really want to erase\nflash and internal eeprom memory?",
                        mkConfirmation, mbYesNo) != mrYes)
    return;
  EraseCard(*Card);
}

// ===========================================================================
// Reading and verifying single memories

void TMainForm::actReadFlashExecute() {
  PrepareCard();
  if (!ConfirmDiscard(ikFlash)) return;
  std::vector<uint8_t> bytes;
  if (!ReadCardMemory(*Card, AvrFlash, bytes)) return;
  // The image takes the size of the detected processor's flash.
  ebFlash->clear();
  SetImageBytes(ikFlash, bytes, false);
  SetStatusText(ImageReadText(ikFlash));
}

void TMainForm::actReadIntEEExecute() {
  PrepareCard();
  if (!ConfirmDiscard(ikIntEE)) return;
  std::vector<uint8_t> bytes;
  // The file name box keeps the last file's name.
  if (!ReadCardMemory(*Card, AvrEeprom, bytes)) return;
  SetImageBytes(ikIntEE, bytes, false);
  SetStatusText(ImageReadText(ikIntEE));
}

void TMainForm::actVerifyFlashExecute() {
  PrepareCard();
  VerifyCardMemory(*Card, AvrFlash, ImageOf(hexFlash));
}

void TMainForm::actVerifyIntEEExecute() {
  PrepareCard();
  VerifyCardMemory(*Card, AvrEeprom, ImageOf(hexIntEE));
}

void TMainForm::actReadExtEEExecute() {
  PrepareCard();
  if (!ConfirmDiscard(ikExtEE)) return;
  bool restore = false;
  {
    TdlgExtCmd dialog({.Restore = true}, this);
    if (Dialogs->ExecDialog(dialog) != QDialog::Accepted) return;
    restore = dialog.RestoreChecked();
  }

  TReadExtEepromCommand command(*Card);
  if (KeepingBackups(command, [&] { return command.Run(restore); })) {
    // Every byte came: only now the image and its file name are replaced;
    // a card that stops answering leaves both as they were.
    ebExtEE->clear();
    SetImageBytes(ikExtEE, command.Bytes(), false);
    SetStatusText(ImageReadText(ikExtEE));
  }
}

void TMainForm::actVerifyExtEEExecute() {
  PrepareCard();
  // Asked once, before the card is touched: the flash is rewritten, and
  // that takes its time. The duration is for the selected processor with
  // every byte holding data.
  const ProcessorInfo* processor = ProcessorAt(cbProcessor->currentIndex());
  const int64_t seconds =
      processor ? ExternalReadSeconds(*processor, CatalogueSize(ikExtEE), true) : -1;
  const QString duration =
      seconds < 0 ? QString()
                  : QStringLiteral(" This takes up to about %1.")
                        .arg(QString::fromStdString(TTimeLeft::DurationText(seconds)));
  if (ShowMessageDialog(QStringLiteral("The external eeprom is reached through the loader, which "
                                       "is written into the card's flash. The card's flash and "
                                       "internal eeprom are read first and written back "
                                       "afterwards: the flash will be rewritten.%1\n\n"
                                       "Verify the external eeprom?")
                            .arg(duration)
                            .toStdString(),
                        mkConfirmation, mbYesNo) != mrYes)
    return;
  TVerifyExtEepromCommand command(*Card);
  KeepingBackups(command, [&] { return command.Run(ImageOf(hexExtEE)); });
}

// ===========================================================================
// Reading the whole card

void TMainForm::actReadCardExecute() {
  PrepareCard();
  // The three images are replaced: every edited one is answered for first.
  if (!ConfirmDiscardAll()) return;
  TReadCardCommand command(*Card);
  if (KeepingBackups(command, [&] { return command.Run(); })) {
    // Every memory came and the card is as it was: only now the images are
    // replaced; a failure at any step leaves all three as they were.
    const std::pair<TImageKind, const std::vector<uint8_t>*> memories[] = {
        {ikFlash, &command.Flash}, {ikIntEE, &command.Eeprom}, {ikExtEE, &command.External}};
    for (const auto& [kind, bytes] : memories) {
      FileBox(kind)->clear();
      SetImageBytes(kind, *bytes, false);
    }
    SetStatusText(CardReadText());
  }
}
