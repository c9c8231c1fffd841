// Verify Ext. EEprom of the main window on the virtual card: one question
// that says the flash will be rewritten and how long that takes, the
// comparison through the loader, and the card's flash and internal EEPROM
// written back around it.
#include <gtest/gtest.h>

#include <QMenu>
#include <QRegularExpression>
#include <QToolButton>

#include "card/VerifyExtEepromCommand.h"
#include "link/LoaderLink.h"
#include "tests/app/CardCommandsRig.h"

namespace {

using Texts = std::vector<std::string>;

struct TVerifyExtRig : TLoadedCardRig {
  TVerifyExtRig() : TLoadedCardRig(400) {}
};

// The road of the fault that was reported: only an external image, Program
// All, two bytes of the image changed. Verify said "Device verified." in a
// blink; Verify Ext. EEprom finds the first changed byte, and the card
// keeps its own flash and internal EEPROM.
TEST(VerifyExtEeprom, FindsTheChangedBytesAndKeepsTheCard) {
  TVerifyExtRig rig;
  TRecordingForm& f = rig.F();
  const auto ext = RandomBytes(300, 401);
  rig.SetImage(f.Editor(ikExtEE), ext);
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  ASSERT_EQ(f.Statuses.back(), "Device programmed.");
  ASSERT_TRUE(rig.CardKeptItsMemories());

  // The button beside Read Ext. EEprom, and the menu item beside it.
  EXPECT_EQ(Named<QToolButton>(f, "btnVerifyExtEE")->objectName(), "btnVerifyExtEE");
  EXPECT_TRUE(Named<QToolButton>(f, "btnVerifyExtEE")->isEnabled());
  const QList<QAction*> file = Named<QMenu>(f, "miFile")->actions();
  const qsizetype read = file.indexOf(Named<QAction>(f, "actReadExtEE"));
  ASSERT_GE(read, 0);
  EXPECT_EQ(file.value(read + 1), Named<QAction>(f, "actVerifyExtEE"));

  f.Editor(ikExtEE)->PokeByte(0x21, static_cast<uint8_t>(ext[0x21] ^ 0x40));
  f.Editor(ikExtEE)->PokeByte(0x102, static_cast<uint8_t>(ext[0x102] ^ 0x01));

  // Verify itself no longer claims the device verified.
  f.Statuses.clear();
  rig.Dialogs->Messages.clear();
  rig.Trigger(Named<QAction>(f, "actVerify"));
  EXPECT_EQ(f.Statuses, Texts({NothingToVerifyText}));

  // No: nothing is done at all.
  const uint64_t accesses = rig.Card().PortAccesses();
  rig.Dialogs->Answers = {mrNo};
  rig.Trigger(Named<QAction>(f, "actVerifyExtEE"));
  EXPECT_EQ(rig.Card().PortAccesses(), accesses);
  ASSERT_EQ(rig.Dialogs->Messages.size(), 1u);
  const auto& question = rig.Dialogs->Messages[0];
  EXPECT_EQ(question.Kind, mkConfirmation);
  EXPECT_EQ(question.Buttons, mbYesNo);
  EXPECT_TRUE(question.Text.contains("the flash will be rewritten")) << question.Text.toStdString();
  // The AT90S2323 of the rig: 2048 + 128 bytes written back at about
  // 4.5 ms each, the loader, the reads: about 17 s (ExternalReadTimeTest
  // holds that against the virtual time a full card takes).
  const auto about = QRegularExpression("about (\\d+) s").match(question.Text);
  ASSERT_TRUE(about.hasMatch()) << question.Text.toStdString();
  EXPECT_GE(about.captured(1).toInt(), 12);
  EXPECT_LE(about.captured(1).toInt(), 22);

  // Yes: asked once, then the first difference.
  rig.Dialogs->Messages.clear();
  f.Statuses.clear();
  rig.Dialogs->Answers = {mrYes};
  rig.Trigger(Named<QAction>(f, "actVerifyExtEE"));
  const Texts texts = rig.MessageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], TLoaderLink::VerifyErrorText(0x21, ext[0x21] ^ 0x40, ext[0x21]));
  EXPECT_EQ(f.Statuses,
            Texts({"Reading flash", "Reading internal eeprom", "writing loader...",
                   "Verifying external eeprom...", "Restoring flash", "Restoring internal eeprom",
                   "", TVerifyExtEepromCommand::DifferentText}));
  EXPECT_TRUE(rig.CardKeptItsMemories());
  rig.ExpectIdle();

  // The image as it was programmed: verified.
  rig.SetImage(f.Editor(ikExtEE), ext);
  rig.Dialogs->Messages.clear();
  rig.Trigger(Named<QAction>(f, "actVerifyExtEE"));
  EXPECT_EQ(rig.MessageTexts().size(), 1u);
  EXPECT_EQ(f.Statuses.back(), TVerifyExtEepromCommand::VerifiedText);
  EXPECT_TRUE(rig.CardKeptItsMemories());
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), ext);
  rig.ExpectIdle();
}

// Without an external image there is nothing to verify; with one that does
// not fit the chosen EEPROM, the card is not touched.
TEST(VerifyExtEeprom, AnImageBeyondTheChosenEepromIsRefusedBeforeTheLoader) {
  TVerifyExtRig rig;
  TRecordingForm& f = rig.F();
  f.UpdateActions();
  EXPECT_FALSE(Named<QAction>(f, "actVerifyExtEE")->isEnabled());
  auto big = std::vector<uint8_t>(8193, 0xFF);
  big.back() = 0x00;
  rig.SetImage(f.Editor(ikExtEE), big);
  const uint64_t accesses = rig.Card().PortAccesses();
  rig.Trigger(Named<QAction>(f, "actVerifyExtEE"));
  EXPECT_EQ(rig.Card().PortAccesses(), accesses);
  const Texts texts = rig.MessageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1].rfind("The external eeprom image does not fit the 2464/2465!", 0), 0u)
      << texts[1];
  EXPECT_EQ(f.Statuses, Texts({"Verification error."}));
  EXPECT_TRUE(rig.CardKeptItsMemories());
  rig.ExpectIdle();
}

}  // namespace
