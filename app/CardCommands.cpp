// The card commands of the "Programmer" page: Program All, Verify, Erase,
// and reading and verifying single memories.
//
// Every command checks the port first (an error the window's error
// display shows, nothing locked yet), then locks the interface, powers the
// card, finds and identifies the processor, does its transfers, and on
// every path after the lock powers the card off and unlocks. A card
// routine that returns false has shown its message already.
//
// Images and chips: transfers cover the length the image and the detected
// chip have in common. An image that holds data (bytes other than 0xFF)
// beyond the detected chip is refused before anything is written or
// compared, with a message naming the image and the chip.
#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <cstring>
#include <vector>

#include "app/CardCommandSupport.h"
#include "app/ExtCmdUnit.h"
#include "app/MainUnit.h"
#include "app/ProgramAllCommand.h"
#include "app/ReadExtEepromCommand.h"
#include "hexedit/widget/HexEditor.h"

namespace {

// Status texts go through the host interface, as the card routines' do.
void Status(TCardHost& host, const char* text) { host.SetStatusText(std::string(text)); }

TImageRef ImageOf(THexEditor* editor) { return {editor->DataPointer(), editor->DataSize()}; }

constexpr const char* NothingWritten = "Nothing has been written to the card.";
constexpr const char* NothingCompared = "Nothing has been compared.";

// StrobeTicks of the Verify Flash check of the millisecond clock.
constexpr int ClockCheckTicks = 1000001;

}  // namespace

// ===========================================================================
// Program All, Verify, Erase

void TMainForm::actProgAllExecute() {
  CheckPortActive();
  TCardImages images{ImageOf(hexFlash), ImageOf(hexIntEE), ImageOf(hexExtEE)};

  bool restore = false;
  bool verify = false;
  {
    TdlgExtCmd dialog(this);
    dialog.cbVerify->setEnabled(true);
    dialog.cbVerify->setChecked(true);
    const bool offerRestore = TProgramAllCommand::RestoreOffered(images);
    dialog.cbRestore->setEnabled(offerRestore);
    dialog.cbRestore->setChecked(offerRestore);
    if (Dialogs->ExecDialog(dialog) != QDialog::Accepted) return;
    restore = dialog.cbRestore->isChecked();
    verify = dialog.cbVerify->isChecked();
  }

  SetUiEnabled(false);
  TProgramAllCommand command(*Link, *Avr, *Loader, *this);
  command.Run(images, restore, verify);
  SetUiEnabled(true);
  KeepUnrestoredBackups(command.Unrestored());
}

void TMainForm::actVerifyExecute() {
  CheckPortActive();
  Avr->BeginCommand();
  SetUiEnabled(false);
  Status(*this, "Verifying...");
  Link->PowerOn();
  if (Avr->EnterProgrammingMode() && Avr->ReadSignature()) {
    // The external image is not compared here.
    const TImageRef flash = ImageOf(hexFlash);
    const TImageRef intEE = ImageOf(hexIntEE);
    bool ok = CheckImagesFit(*this, {flash, intEE, {}}, NothingCompared);
    if (ok && flash.HasData()) ok = Avr->VerifyFlash(flash.Data, flash.Size);
    if (ok && intEE.HasData()) ok = Avr->VerifyInternalEeprom(intEE.Data, intEE.Size);
    Status(*this, ok ? "Device verified." : "Verification error.");
  }
  Link->PowerOff();
  SetUiEnabled(true);
}

void TMainForm::actEraseExecute() {
  CheckPortActive();
  if (ShowMessageDialog("Do you really want to erase\nflash and internal eeprom memory?",
                        mkConfirmation, mbYesNo) != mrYes)
    return;
  Avr->BeginCommand();
  SetUiEnabled(false);
  Status(*this, "Erasing chip...");
  Link->PowerOn();
  // No signature is read: the erase works on whatever answers.
  if (Avr->EnterProgrammingMode() && Avr->ChipErase()) Status(*this, "Chip erased...");
  Link->PowerOff();
  SetUiEnabled(true);
}

// ===========================================================================
// Reading and verifying single memories

void TMainForm::actReadFlashExecute() {
  CheckPortActive();
  if (!ConfirmDiscard(ikFlash)) return;
  Avr->BeginCommand();
  Status(*this, "Reading flash...");
  SetUiEnabled(false);
  Link->PowerOn();
  if (Avr->EnterProgrammingMode() && Avr->ReadSignature()) {
    // The image takes the size of the detected processor's flash.
    ebFlash->clear();
    hexFlash->ResetData();
    hexFlash->SetDataSize(Avr->FlashSize());
    Avr->ReadFlash(hexFlash->DataPointer(), hexFlash->DataSize());
    hexFlash->viewport()->update();
    MarkImageClean(ikFlash);
  }
  Link->PowerOff();
  SetUiEnabled(true);
  Status(*this, "");
}

void TMainForm::actReadIntEEExecute() {
  CheckPortActive();
  if (!ConfirmDiscard(ikIntEE)) return;
  Avr->BeginCommand();
  Status(*this, "Reading internal eeprom...");
  SetUiEnabled(false);
  Link->PowerOn();
  if (Avr->EnterProgrammingMode() && Avr->ReadSignature()) {
    // The file name box keeps the last file's name.
    hexIntEE->ResetData();
    hexIntEE->SetDataSize(Avr->EepromSize());
    Avr->ReadInternalEeprom(hexIntEE->DataPointer(), hexIntEE->DataSize());
    hexIntEE->viewport()->update();
    MarkImageClean(ikIntEE);
  }
  Link->PowerOff();
  SetUiEnabled(true);
  Status(*this, "");
}

void TMainForm::actVerifyFlashExecute() {
  CheckPortActive();
  // The millisecond clock must move over a million card clock pulses
  // (the card is unpowered); where it does not, the command ends silently.
  const uint32_t before = Link->TickCount();
  for (int i = 0; i < ClockCheckTicks; ++i) Link->StrobeTick();
  if (Link->TickCount() == before) return;

  Avr->BeginCommand();
  SetUiEnabled(false);
  Status(*this, "Verifying flash...");
  Link->PowerOn();
  if (Avr->EnterProgrammingMode() && Avr->ReadSignature()) {
    const TImageRef flash = ImageOf(hexFlash);
    const bool ok = CheckImagesFit(*this, {flash, {}, {}}, NothingCompared) &&
                    Avr->VerifyFlash(flash.Data, flash.Size);
    Status(*this, ok ? "Flash verified." : "Flash verification error.");
  }
  Link->PowerOff();
  SetUiEnabled(true);
}

void TMainForm::actVerifyIntEEExecute() {
  CheckPortActive();
  Avr->BeginCommand();
  SetUiEnabled(false);
  Status(*this, "Verifying internal eeprom...");
  Link->PowerOn();
  if (Avr->EnterProgrammingMode() && Avr->ReadSignature()) {
    const TImageRef intEE = ImageOf(hexIntEE);
    const bool ok = CheckImagesFit(*this, {{}, intEE, {}}, NothingCompared) &&
                    Avr->VerifyInternalEeprom(intEE.Data, intEE.Size);
    Status(*this, ok ? "Internal eeprom verified." : "Internal eeprom verification error.");
  }
  Link->PowerOff();
  SetUiEnabled(true);
}

void TMainForm::actReadExtEEExecute() {
  CheckPortActive();
  if (!ConfirmDiscard(ikExtEE)) return;
  bool restore = false;
  {
    TdlgExtCmd dialog(this);
    dialog.cbRestore->setEnabled(true);
    dialog.cbRestore->setChecked(true);
    if (Dialogs->ExecDialog(dialog) != QDialog::Accepted) return;
    restore = dialog.cbRestore->isChecked();
  }

  SetUiEnabled(false);
  TReadExtEepromCommand command(*Link, *Avr, *Loader, *this);
  if (command.Run(restore)) {
    // Every byte came: only now the image and its file name are replaced;
    // a card that stops answering leaves both as they were.
    const std::vector<uint8_t>& bytes = command.Bytes();
    hexExtEE->ResetData();
    hexExtEE->SetDataSize(static_cast<int>(bytes.size()));
    if (!bytes.empty()) std::memcpy(hexExtEE->DataPointer(), bytes.data(), bytes.size());
    hexExtEE->viewport()->update();
    ebExtEE->clear();
    MarkImageClean(ikExtEE);
  }
  SetUiEnabled(true);
  Status(*this, "");
  KeepUnrestoredBackups(command.Unrestored());
}
