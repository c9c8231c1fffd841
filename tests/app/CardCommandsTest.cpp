// Verify, Erase and the single-memory reads and verifies of the main
// window, on the virtual card through the real port object.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>

#include "card/MemoryCommands.h"
#include "tests/app/CardCommandsRig.h"
#include "tests/app/MainFormHarness.h"

namespace {

using Texts = std::vector<std::string>;

TEST(CardCommandsVerify, ComparesFlashThenInternalEepromAndNeverTheExternalImage) {
  TCardCommandsRig rig(CardConfig(4));  // AT90S2323: 2048 / 128 bytes
  TRecordingForm& f = rig.F();
  const auto flash = SparseBytes(2048, 1, 200);
  const auto eeprom = RandomBytes(128, 2);
  rig.Card().LoadFlash(flash);
  rig.Card().InternalEeprom() = eeprom;

  // Only an external image: nothing to compare, and the status line says
  // so instead of claiming the device verified; the card is not asked.
  rig.SetImage(f.Editor(ikExtEE), RandomBytes(64, 3));
  const uint64_t accesses = rig.Card().PortAccesses();
  rig.Trigger(Named<QAction>(f, "actVerify"));
  EXPECT_EQ(f.Statuses, Texts({NothingToVerifyText}));
  EXPECT_EQ(rig.Card().PortAccesses(), accesses);
  EXPECT_TRUE(rig.MessageTexts().empty());
  rig.ExpectIdle();

  // The result names what was compared: the flash alone, then both images
  // as on the card.
  rig.SetImage(f.Editor(ikFlash), flash);
  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actVerify"));
  EXPECT_EQ(f.Statuses, Texts({"Verifying...", "Flash verified."}));
  EXPECT_EQ(Named<QComboBox>(f, "cbProcessor")->currentText(), "AT90S2323");
  EXPECT_EQ(Named<QLabel>(f, "chipidLabel")->text(), "AT90S2323");
  rig.SetImage(f.Editor(ikIntEE), eeprom);
  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actVerify"));
  EXPECT_EQ(f.Statuses, Texts({"Verifying...", "Flash and internal EEPROM verified."}));
  EXPECT_TRUE(rig.MessageTexts().empty());

  // A flash difference in image byte 0x0101 (word 0x0080) stops before the
  // internal EEPROM is compared.
  auto differing = flash;
  differing[0x100] = 0x34;
  differing[0x101] = 0x12;
  rig.SetImage(f.Editor(ikFlash), differing);
  f.Statuses.clear();
  const size_t intPositions = f.Positions[pbIntEE].size();
  rig.Trigger(Named<QAction>(f, "actVerify"));
  EXPECT_EQ(f.Statuses, Texts({"Verifying...", "Verification error."}));
  ASSERT_EQ(rig.MessageTexts().size(), 1u);
  EXPECT_EQ(rig.MessageTexts()[0],
            "Flash verification error!\n\nvalue differ at address 0x0080\nBuffer value: 0x1234"
            "\nFlash value: 0xFFFF");
  EXPECT_EQ(rig.Dialogs->Messages[0].Kind, mkError);
  EXPECT_EQ(rig.Dialogs->Messages[0].Buttons, mbOK);
  EXPECT_EQ(f.Positions[pbIntEE].size(), intPositions);
  EXPECT_EQ(Named<QProgressBar>(f, "flashBar")->value(), 0);
  rig.ExpectIdle();
  // Nothing was written and no image changed.
  EXPECT_EQ(FlashBytes(rig.Card()), flash);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), differing);
}

TEST(CardCommandsErase, AsksFirstAndTouchesNothingOnNo) {
  TCardCommandsRig rig(CardConfig(4));
  TRecordingForm& f = rig.F();
  rig.Card().LoadFlash(SparseBytes(2048, 4));
  rig.Card().InternalEeprom() = RandomBytes(128, 5);
  const auto flashBefore = FlashBytes(rig.Card());
  const uint64_t accesses = rig.Card().PortAccesses();

  rig.Dialogs->Answers = {mrNo};
  rig.Trigger(Named<QAction>(f, "actErase"));
  ASSERT_EQ(rig.Dialogs->Messages.size(), 1u);
  EXPECT_EQ(rig.MessageTexts()[0],
            "Do you really want to erase\nflash and internal eeprom memory?");
  EXPECT_EQ(rig.Dialogs->Messages[0].Kind, mkConfirmation);
  EXPECT_EQ(rig.Dialogs->Messages[0].Buttons, mbYesNo);
  EXPECT_EQ(rig.Card().PortAccesses(), accesses);
  EXPECT_TRUE(f.Statuses.empty());
  EXPECT_EQ(FlashBytes(rig.Card()), flashBefore);

  rig.Dialogs->Answers = {mrYes};
  rig.Trigger(Named<QAction>(f, "actErase"));
  EXPECT_EQ(f.Statuses, Texts({"Erasing chip...", "Chip erased..."}));
  EXPECT_EQ(FlashBytes(rig.Card()), std::vector<uint8_t>(2048, 0xFF));
  EXPECT_EQ(rig.Card().InternalEeprom(), std::vector<uint8_t>(128, 0xFF));
  // No signature is read: the selection and the chip id stay.
  EXPECT_EQ(Named<QComboBox>(f, "cbProcessor")->currentIndex(), 0);
  EXPECT_EQ(Named<QLabel>(f, "chipidLabel")->text(), "");
  rig.ExpectIdle();
}

TEST(CardCommandsRead, ReadsTakeTheDetectedProcessorsSizes) {
  TCardCommandsRig rig(CardConfig(0));  // AT90S8515: 8192 / 512 bytes
  TRecordingForm& f = rig.F();
  const auto flash = RandomBytes(8192, 6);
  const auto eeprom = RandomBytes(512, 7);
  rig.Card().LoadFlash(flash);
  rig.Card().InternalEeprom() = eeprom;

  f.SelectProcessor(4);  // AT90S2323 chosen by hand
  rig.SetImage(f.Editor(ikIntEE), RandomBytes(128, 8));
  f.FileBox(ikFlash)->setText("/cards/old-flash.hex");
  f.FileBox(ikIntEE)->setText("/cards/old-eeprom.hex");

  rig.Trigger(Named<QAction>(f, "actReadFlash"));
  EXPECT_EQ(Named<QComboBox>(f, "cbProcessor")->currentText(), "AT90S8515");
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), flash);
  EXPECT_EQ(f.Editor(ikIntEE)->DataSize(), 128);  // only the memory read follows the chip
  EXPECT_EQ(f.FileBox(ikFlash)->text(), "");
  EXPECT_EQ(f.Statuses, Texts({"Reading flash...", ""}));
  EXPECT_EQ(f.CardHost().StatusText(), "Flash image read from the card.");
  EXPECT_EQ(Named<QProgressBar>(f, "flashBar")->value(), 0);
  rig.ExpectIdle();

  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actReadIntEE"));
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), eeprom);
  EXPECT_EQ(f.FileBox(ikIntEE)->text(), "/cards/old-eeprom.hex");
  EXPECT_EQ(f.Statuses, Texts({"Reading internal eeprom...", ""}));
  EXPECT_EQ(f.CardHost().StatusText(), "Internal eeprom image read from the card.");
  EXPECT_TRUE(rig.MessageTexts().empty());
  rig.ExpectIdle();

  // The page shows up once the event loop goes idle.
  RunUntilIdle();
  EXPECT_TRUE(Named<QTabWidget>(f, "pgcMain")
                  ->isTabVisible(Named<QTabWidget>(f, "pgcMain")->indexOf(f.Page(ikFlash))));
}

TEST(CardCommandsVerifyFlash, EndsSilentlyWhenTheMillisecondClockStands) {
  // The fake port's clock moves only with waits: a million clock pulses
  // leave it where it was.
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.Editor(ikFlash)->ResetData();
  f.Editor(ikFlash)->SetDataSize(8192);
  f.UpdateActions();
  h.Log->Writes.clear();
  Named<QAction>(f, "actVerifyFlash")->trigger();
  EXPECT_EQ(h.Log->Writes.size(), 2u * 1000001u);
  for (const TPortWrite& w : h.Log->Writes)
    if ((w.Value & ~Lines::Clk) != 0) {
      ADD_FAILURE() << "a line other than the clock moved: " << int(w.Value);
      break;
    }
  EXPECT_EQ(f.CardHost().StatusText(), "");
  EXPECT_TRUE(h.Dialogs->Messages.empty());
  EXPECT_TRUE(h.Dialogs->Errors.empty());
  EXPECT_FALSE(f.UiLocked());
}

TEST(CardCommandsVerifyFlash, ComparesTheFlashImageOnly) {
  TCardCommandsRig rig(CardConfig(4));
  TRecordingForm& f = rig.F();
  const auto flash = SparseBytes(2048, 9, 64);
  rig.Card().LoadFlash(flash);
  rig.SetImage(f.Editor(ikFlash), flash);
  rig.SetImage(f.Editor(ikIntEE), RandomBytes(128, 10));  // differs, never compared

  rig.Trigger(Named<QAction>(f, "actVerifyFlash"));
  EXPECT_EQ(f.Statuses, Texts({"Verifying flash...", "Flash verified."}));
  EXPECT_TRUE(rig.MessageTexts().empty());
  rig.ExpectIdle();

  auto differing = flash;
  differing[7] ^= 0x01;
  rig.SetImage(f.Editor(ikFlash), differing);
  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actVerifyFlash"));
  EXPECT_EQ(f.Statuses, Texts({"Verifying flash...", "Flash verification error."}));
  ASSERT_EQ(rig.MessageTexts().size(), 1u);
  EXPECT_NE(rig.MessageTexts()[0].find("value differ at address 0x0003\n"), std::string::npos);
  rig.ExpectIdle();
}

TEST(CardCommandsVerifyIntEE, ReportsTheByteAddressWithFewDigits) {
  TCardCommandsRig rig(CardConfig(4));
  TRecordingForm& f = rig.F();
  const auto eeprom = RandomBytes(128, 11);
  rig.Card().InternalEeprom() = eeprom;
  rig.SetImage(f.Editor(ikIntEE), eeprom);
  rig.Trigger(Named<QAction>(f, "actVerifyIntEE"));
  EXPECT_EQ(f.Statuses, Texts({"Verifying internal eeprom...", "Internal eeprom verified."}));

  auto differing = eeprom;
  differing[5] = 0xAB;
  rig.Card().InternalEeprom()[5] = 0x0C;
  rig.SetImage(f.Editor(ikIntEE), differing);
  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actVerifyIntEE"));
  EXPECT_EQ(f.Statuses,
            Texts({"Verifying internal eeprom...", "Internal eeprom verification error."}));
  ASSERT_EQ(rig.MessageTexts().size(), 1u);
  EXPECT_EQ(rig.MessageTexts()[0],
            "Internal eeprom verification error!\n\nvalue differ at address 0x5\nBuffer value: "
            "0xAB\ninternal eeprom value: 0x0C");
  rig.ExpectIdle();
}

// Every command, without a card, answered Yes at "No device found": the
// card is off, the interface unlocked, the images and names unchanged,
// and the status line keeps the command's first text (reads: cleared).
TEST(CardCommandsNoCard, EveryCommandEndsCleanlyOnAbort) {
  TVirtualCardConfig config;
  config.Faults.Miso = TMisoFault::StuckLow;
  TCardCommandsRig rig(config);
  TRecordingForm& f = rig.F();
  const auto flash = SparseBytes(8192, 12);
  const auto eeprom = RandomBytes(512, 13);
  const auto ext = RandomBytes(8192, 14);
  rig.SetImage(f.Editor(ikFlash), flash);
  rig.SetImage(f.Editor(ikIntEE), eeprom);
  rig.SetImage(f.Editor(ikExtEE), ext);
  f.FileBox(ikFlash)->setText("flash.hex");
  f.FileBox(ikExtEE)->setText("ext.hex");
  f.CardHost().SetChipIdText("AT90S8515");
  rig.Dialogs->DefaultAnswer = mrYes;

  const std::vector<std::pair<QAction*, std::string>> commands = {
      {Named<QAction>(f, "actVerify"), "Verifying..."},
      {Named<QAction>(f, "actErase"), "Erasing chip..."},
      {Named<QAction>(f, "actReadFlash"), ""},
      {Named<QAction>(f, "actReadIntEE"), ""},
      {Named<QAction>(f, "actVerifyFlash"), "Verifying flash..."},
      {Named<QAction>(f, "actVerifyIntEE"), "Verifying internal eeprom..."},
      {Named<QAction>(f, "actProgAll"), "Programming..."},
      {Named<QAction>(f, "actReadExtEE"), ""},
      {Named<QAction>(f, "actVerifyExtEE"), "Verification error."},
  };
  bool first = true;
  for (const auto& [action, status] : commands) {
    SCOPED_TRACE(action->objectName().toStdString());
    rig.Dialogs->Messages.clear();
    rig.Trigger(action);
    const auto texts = rig.MessageTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "No device found at selected LPT port! Abort?");
    EXPECT_EQ(rig.Dialogs->Messages.back().Kind, mkError);
    EXPECT_EQ(f.CardHost().StatusText().toStdString(), status);
    EXPECT_EQ(Named<QLabel>(f, "chipidLabel")->text(), "");
    // The power cycle is tried once per run of the program.
    EXPECT_FALSE(f.CardContext().Avr.PowerCycleAllowed);
    if (first) {
      EXPECT_GT(f.Beeps, 0);
    }
    first = false;
    rig.ExpectIdle();
    EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), flash);
    EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), eeprom);
    EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), ext);
    EXPECT_EQ(f.FileBox(ikFlash)->text(), "flash.hex");
    EXPECT_EQ(f.FileBox(ikExtEE)->text(), "ext.hex");
  }
}

TEST(CardCommandsSignature, AnUnknownProcessorStopsOnYesAndGoesOnWithTheChoiceOnNo) {
  TVirtualCardConfig config;
  config.Faults.Signature = 0x1E9302;
  TCardCommandsRig rig(config);  // an AT90S8515 that answers 1E 93 02
  TRecordingForm& f = rig.F();
  const auto eeprom = RandomBytes(512, 15);
  rig.Card().InternalEeprom() = eeprom;
  rig.SetImage(f.Editor(ikIntEE), eeprom);

  rig.Dialogs->Answers = {mrYes};
  rig.Trigger(Named<QAction>(f, "actVerify"));
  EXPECT_EQ(rig.MessageTexts(), Texts({"Unknown processor ID! Abort?"}));
  EXPECT_EQ(f.Statuses, Texts({"Verifying..."}));
  rig.ExpectIdle();

  // No: the selected AT90S8515 is taken as the card's processor.
  rig.Dialogs->Answers = {mrNo};
  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actVerify"));
  EXPECT_EQ(f.Statuses, Texts({"Verifying...", "Internal eeprom verified."}));
  EXPECT_EQ(Named<QComboBox>(f, "cbProcessor")->currentText(), "AT90S8515");
  rig.ExpectIdle();
}

// Images larger than the detected chip: data past the chip is refused
// before anything is written; 0xFF past the chip is what an erased chip
// holds, so such an image is written and compared over the chip's size.
TEST(CardCommandsImageSize, DataBeyondTheDetectedChipIsRefusedUpFront) {
  TCardCommandsRig rig(CardConfig(4));  // AT90S2323, 8515 selected
  TRecordingForm& f = rig.F();
  const auto cardFlash = SparseBytes(2048, 16);
  const auto cardEeprom = RandomBytes(128, 17);
  rig.Card().LoadFlash(cardFlash);
  rig.Card().InternalEeprom() = cardEeprom;

  std::vector<uint8_t> flash(8192, 0xFF);
  flash[0] = 0x11;
  flash[0x1000] = 0x22;
  rig.SetImage(f.Editor(ikFlash), flash);
  rig.SetVerify = true;
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  const std::string tooLarge =
      "The flash image does not fit the AT90S2323!\n\nIt holds data at 0x1000, beyond the "
      "chip's 2048 bytes of flash.\n";
  EXPECT_EQ(rig.MessageTexts(), Texts({tooLarge + "Nothing has been written to the card."}));
  EXPECT_EQ(f.Statuses, Texts({"Programming...", "Programming error."}));
  EXPECT_EQ(FlashBytes(rig.Card()), cardFlash);
  EXPECT_EQ(rig.Card().InternalEeprom(), cardEeprom);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), flash);
  rig.ExpectIdle();

  // The verifies refuse it as well, rather than pass on half the image.
  rig.Dialogs->Messages.clear();
  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actVerifyFlash"));
  EXPECT_EQ(rig.MessageTexts(), Texts({tooLarge + "Nothing has been compared."}));
  EXPECT_EQ(f.Statuses, Texts({"Verifying flash...", "Flash verification error."}));

  std::vector<uint8_t> eeprom(512, 0xFF);
  eeprom[0x1FF] = 0;
  rig.SetImage(f.Editor(ikIntEE), eeprom);
  rig.Dialogs->Messages.clear();
  rig.Trigger(Named<QAction>(f, "actVerifyIntEE"));
  EXPECT_EQ(rig.MessageTexts(),
            Texts({"The internal eeprom image does not fit the AT90S2323!\n\nIt holds data at "
                   "0x1FF, beyond the chip's 128 bytes of internal eeprom.\nNothing has been "
                   "compared."}));
  rig.ExpectIdle();

  // Only erased bytes past the chip: written and compared over 2048 bytes.
  flash[0x1000] = 0xFF;
  rig.SetImage(f.Editor(ikFlash), flash);
  f.Editor(ikIntEE)->ResetData();
  rig.Dialogs->Messages.clear();
  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_TRUE(rig.MessageTexts().empty());
  EXPECT_EQ(f.Statuses.back(), "Device programmed.");
  EXPECT_EQ(rig.Card().Flash()[0], 0xFF11);
  EXPECT_EQ(rig.Card().Flash().size(), 1024u);
  rig.ExpectIdle();
}

TEST(CardCommandsImageSize, AnOddLengthFlashImageEndsWithAnErasedHighByte) {
  TCardCommandsRig rig(CardConfig(4));
  TRecordingForm& f = rig.F();
  rig.Card().LoadFlash(SparseBytes(2048, 18));
  rig.SetImage(f.Editor(ikFlash), {0x12, 0x34, 0x56});
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_EQ(f.Statuses.back(), "Device programmed.");
  EXPECT_EQ(rig.Card().Flash()[0], 0x3412);
  EXPECT_EQ(rig.Card().Flash()[1], 0xFF56);
  EXPECT_EQ(rig.Card().Flash()[2], 0xFFFF);
  f.Statuses.clear();
  rig.Trigger(Named<QAction>(f, "actVerifyFlash"));
  EXPECT_EQ(f.Statuses.back(), "Flash verified.");
  EXPECT_TRUE(rig.MessageTexts().empty());
}

// A card pulled out while the flash is written: its MISO stays high, so
// the first byte never reads back.
TEST(CardCommandsBadCard, PulledMidWrite) {
  TCardCommandsRig rig(CardConfig(4));
  TRecordingForm& f = rig.F();
  const auto flash = SparseBytes(2048, 19);
  const auto eeprom = RandomBytes(128, 20);
  rig.SetImage(f.Editor(ikFlash), flash);
  rig.SetImage(f.Editor(ikIntEE), eeprom);
  f.OnStatus = [&rig](const std::string& text) {
    if (text == "Programming flash...") rig.Card().Faults().Miso = TMisoFault::StuckHigh;
  };
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_EQ(rig.MessageTexts(), Texts({"Error programming Flash."}));
  EXPECT_EQ(f.Statuses, Texts({"Programming...", "Programming flash...", "Programming error."}));
  EXPECT_GT(f.Beeps, 0);
  rig.ExpectIdle();
  EXPECT_EQ(Named<QProgressBar>(f, "flashBar")->value(), 0);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), flash);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), eeprom);
}

}  // namespace
