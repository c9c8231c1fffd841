// Read Ext. EEprom of the main window on the virtual card: the loader, the
// read into the image, and the optional save and write-back of flash and
// internal EEPROM around it.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProgressBar>

#include "link/LoaderLink.h"
#include "link/loader/ELoader.h"
#include "tests/app/CardCommandsRig.h"

namespace {

using Texts = std::vector<std::string>;

struct TReadExtRig : TLoadedCardRig {
  TReadExtRig() : TLoadedCardRig(200) {
    Card().ExternalEeprom().Memory = CardExt;
    F().FileBox(ikExtEE)->setText("/cards/old-ext.hex");
    SetImage(F().Editor(ikExtEE), OldImage);
  }
  const std::vector<uint8_t> CardExt = RandomBytes(8192, 202);
  const std::vector<uint8_t> OldImage = RandomBytes(100, 203);
};

TEST(ReadExtEeprom, WithoutRestoreTheLoaderStaysInFlash) {
  TReadExtRig rig;
  TRecordingForm& f = rig.F();
  rig.SetRestore = false;
  rig.Trigger(Named<QAction>(f, "actReadExtEE"));
  ASSERT_TRUE(rig.Confirm);
  EXPECT_TRUE(rig.Confirm->RestoreEnabled);
  EXPECT_TRUE(rig.Confirm->RestoreChecked);
  EXPECT_FALSE(rig.Confirm->VerifyEnabled);
  EXPECT_FALSE(rig.Confirm->VerifyChecked);

  EXPECT_EQ(f.Statuses, Texts({"writing loader...", "Reading external eeprom...", ""}));
  EXPECT_TRUE(rig.MessageTexts().empty());
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), rig.CardExt);
  EXPECT_EQ(f.FileBox(ikExtEE)->text(), "");
  const auto flash = FlashBytes(rig.Card());
  EXPECT_TRUE(std::equal(LoaderImage.begin(), LoaderImage.end(), flash.begin()));
  EXPECT_EQ(rig.Card().InternalEeprom(), std::vector<uint8_t>(128, 0xFF));
  EXPECT_EQ(Named<QProgressBar>(f, "extBar")->value(), 0);
  rig.ExpectIdle();
}

TEST(ReadExtEeprom, WithRestoreFlashAndEepromAreWrittenBackUnverified) {
  TReadExtRig rig;
  TRecordingForm& f = rig.F();
  rig.Trigger(Named<QAction>(f, "actReadExtEE"));
  EXPECT_EQ(f.Statuses, Texts({"Reading flash", "Reading internal eeprom", "writing loader...",
                               "Reading external eeprom...", "Restoring flash",
                               "Restoring internal eeprom", ""}));
  EXPECT_TRUE(rig.MessageTexts().empty());
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), rig.CardExt);
  EXPECT_EQ(FlashBytes(rig.Card()), rig.CardFlash);
  EXPECT_EQ(rig.Card().InternalEeprom(), rig.CardEeprom);
  rig.ExpectIdle();
}

TEST(ReadExtEeprom, CancelDoesNothing) {
  TReadExtRig rig;
  TRecordingForm& f = rig.F();
  rig.ConfirmAnswer = QDialog::Rejected;
  const uint64_t accesses = rig.Card().PortAccesses();
  rig.Trigger(Named<QAction>(f, "actReadExtEE"));
  EXPECT_EQ(rig.Card().PortAccesses(), accesses);
  EXPECT_TRUE(f.Statuses.empty());
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), rig.OldImage);
}

// MISO sticks while the bytes come in: the handshake wait runs out, the
// image and its file name stay as they were, the write-back finds no card.
TEST(ReadExtEeprom, ACardThatStopsAnsweringLeavesTheImage) {
  TReadExtRig rig;
  TRecordingForm& f = rig.F();
  f.OnStatus = [&rig](const std::string& text) {
    if (text == "Reading external eeprom...") rig.Card().Faults().Miso = TMisoFault::StuckHigh;
  };
  rig.Trigger(Named<QAction>(f, "actReadExtEE"));
  // The backups could not go back: they are kept in their (empty) pages.
  ExpectStoppedAndKept(rig, rig.CardFlash, rig.CardEeprom);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), rig.OldImage);
  EXPECT_EQ(f.FileBox(ikExtEE)->text(), "/cards/old-ext.hex");
  EXPECT_EQ(f.CardHost().StatusText(), "");
  EXPECT_EQ(Named<QProgressBar>(f, "extBar")->value(), 0);
  rig.ExpectIdle();
}

// The loader's first word never programs: the status shows the loader's
// failure, the image and its file name are not touched.
TEST(ReadExtEeprom, ALoaderThatCannotBeWrittenLeavesTheImage) {
  TReadExtRig rig;
  TRecordingForm& f = rig.F();
  rig.Card().Faults().StuckFlashByte = 0;
  rig.SetRestore = false;
  rig.Trigger(Named<QAction>(f, "actReadExtEE"));
  EXPECT_EQ(rig.MessageTexts(), Texts({"Error programming Flash."}));
  EXPECT_EQ(f.Statuses, Texts({"writing loader...", "Error writing loader!", ""}));
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), rig.OldImage);
  EXPECT_EQ(f.FileBox(ikExtEE)->text(), "/cards/old-ext.hex");
  rig.ExpectIdle();
}

// An external EEPROM that never acknowledges reads as erased memory (its
// data line stays pulled up); the command ends normally.
TEST(ReadExtEeprom, AnEepromThatNeverAnswersReadsErased) {
  TReadExtRig rig;
  TRecordingForm& f = rig.F();
  rig.Card().Faults().EepromAbsent = true;
  rig.Trigger(Named<QAction>(f, "actReadExtEE"));
  EXPECT_TRUE(rig.MessageTexts().empty());
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), std::vector<uint8_t>(8192, 0xFF));
  EXPECT_EQ(FlashBytes(rig.Card()), rig.CardFlash);
  rig.ExpectIdle();
}

}  // namespace
