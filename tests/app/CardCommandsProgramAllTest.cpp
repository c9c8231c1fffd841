// Program All of the main window on the virtual card: the confirm dialog,
// backups and restore, the order of the memories, verification, and the
// card's flash and internal EEPROM kept safe when a step fails after the
// chip was erased.
#include <gtest/gtest.h>

#include <algorithm>

#include <QProgressBar>

#include "link/LoaderLink.h"
#include "tests/app/CardCommandsRig.h"

namespace {

using Texts = std::vector<std::string>;

struct TProgramAllRig : TLoadedCardRig {
  TProgramAllRig() : TLoadedCardRig(100) {}
  // Program All with `bytes` as the one image, of `kind`.
  TRecordingForm& ProgramOnly(TImageKind kind, const std::vector<uint8_t>& bytes) {
    SetImage(F().Editor(kind), bytes);
    Trigger(Named<QAction>(F(), "actProgAll"));
    return F();
  }
  // A run that failed after the erase and wrote the backups back: the
  // card holds its own memories again, the external image is untouched.
  void ExpectFailedWithTheCardKept(const std::vector<uint8_t>& ext) {
    EXPECT_EQ(F().Statuses.back(), "Programming error.");
    EXPECT_TRUE(CardKeptItsMemories());
    ExpectIdle();
    EXPECT_EQ(TCardCommandsRig::Bytes(F().Editor(ikExtEE)), ext);
  }
  std::vector<uint8_t> ExternalPrefix(size_t n) {
    const auto& m = Card().ExternalEeprom().Memory;
    return {m.begin(), m.begin() + static_cast<std::ptrdiff_t>(n)};
  }
};

bool Contains(const Texts& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

size_t IndexOf(const Texts& texts, const std::string& text) {
  return static_cast<size_t>(std::find(texts.begin(), texts.end(), text) - texts.begin());
}

TEST(ProgramAllDialog, RestoreOnlyForAnExternalImageWithoutFlashOrEeprom) {
  TProgramAllRig rig;
  TRecordingForm& f = rig.F();
  rig.ConfirmAnswer = QDialog::Rejected;
  const uint64_t accesses = rig.Card().PortAccesses();
  struct TCase {
    bool Flash, IntEE, ExtEE, Offered;
  };
  for (const TCase& c : {TCase{true, false, false, false}, TCase{false, true, false, false},
                         TCase{true, true, true, false}, TCase{false, false, true, true},
                         TCase{true, false, true, true}, TCase{false, true, true, true}}) {
    SCOPED_TRACE(testing::Message() << c.Flash << c.IntEE << c.ExtEE);
    f.Editor(ikFlash)->ResetData();
    f.Editor(ikIntEE)->ResetData();
    f.Editor(ikExtEE)->ResetData();
    if (c.Flash) rig.SetImage(f.Editor(ikFlash), {1, 2});
    if (c.IntEE) rig.SetImage(f.Editor(ikIntEE), {3});
    if (c.ExtEE) rig.SetImage(f.Editor(ikExtEE), {4});
    rig.Confirm.reset();
    rig.Trigger(Named<QAction>(f, "actProgAll"));
    ASSERT_TRUE(rig.Confirm);
    EXPECT_EQ(rig.Confirm->RestoreEnabled, c.Offered);
    EXPECT_EQ(rig.Confirm->RestoreChecked, c.Offered);
    EXPECT_TRUE(rig.Confirm->VerifyEnabled);
    EXPECT_TRUE(rig.Confirm->VerifyChecked);
  }
  // Cancelled every time: the card was not touched.
  EXPECT_EQ(rig.Card().PortAccesses(), accesses);
  EXPECT_TRUE(f.Statuses.empty());
  EXPECT_FALSE(f.UiLocked());
}

TEST(ProgramAll, OnlyAnExternalImageWithRestoreKeepsFlashAndEeprom) {
  TProgramAllRig rig;
  // Shorter than the chip: written and verified over its own length.
  const auto ext = RandomBytes(256, 102);
  TRecordingForm& f = rig.ProgramOnly(ikExtEE, ext);
  EXPECT_EQ(f.Statuses, Texts({"Programming...", "Reading flash...", "Reading internal eeprom...",
                               "writing loader...", "Writing and page verifying external eeprom...",
                               "", "Verifying external eeprom...", "Restoring flash...",
                               "Verifying flash...", "Restoring internal eeprom...",
                               "Verifying internal eeprom...", "Device programmed."}));
  EXPECT_TRUE(rig.MessageTexts().empty());
  EXPECT_EQ(rig.ExternalPrefix(256), ext);
  EXPECT_EQ(rig.Card().ExternalEeprom().Memory[256], 0xFF);
  EXPECT_TRUE(rig.CardKeptItsMemories());
  rig.ExpectIdle();
  EXPECT_EQ(Named<QProgressBar>(f, "flashBar")->value(), 0);
  EXPECT_EQ(Named<QProgressBar>(f, "intBar")->value(), 0);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), ext);
  EXPECT_EQ(f.Editor(ikFlash)->DataSize(), 0);
}

TEST(ProgramAll, OnlyAnInternalEepromImageLeavesTheFlashErased) {
  TProgramAllRig rig;
  const auto eeprom = RandomBytes(128, 103);
  TRecordingForm& f = rig.ProgramOnly(ikIntEE, eeprom);
  EXPECT_FALSE(rig.Confirm->RestoreEnabled);
  EXPECT_EQ(f.Statuses, Texts({"Programming...", "Programming internal eeprom...",
                               "Verifying internal eeprom...", "Device programmed."}));
  EXPECT_EQ(FlashBytes(rig.Card()), std::vector<uint8_t>(2048, 0xFF));
  EXPECT_EQ(rig.Card().InternalEeprom(), eeprom);
  rig.ExpectIdle();
}

TEST(ProgramAll, AllThreeImagesExternalFirstThenFlashThenEeprom) {
  TProgramAllRig rig;
  TRecordingForm& f = rig.F();
  const auto flash = SparseBytes(2048, 104, 40);
  const auto eeprom = SparseBytes(128, 105, 40);
  const auto ext = RandomBytes(8192, 106);
  rig.SetImage(f.Editor(ikFlash), flash);
  rig.SetImage(f.Editor(ikIntEE), eeprom);
  rig.SetImage(f.Editor(ikExtEE), ext);
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_FALSE(rig.Confirm->RestoreEnabled);
  const Texts& s = f.Statuses;
  EXPECT_EQ(s.front(), "Programming...");
  EXPECT_EQ(s.back(), "Device programmed.");
  EXPECT_FALSE(Contains(s, "Reading flash..."));
  EXPECT_LT(IndexOf(s, "Writing and page verifying external eeprom..."),
            IndexOf(s, "Verifying external eeprom..."));
  EXPECT_LT(IndexOf(s, "Verifying external eeprom..."), IndexOf(s, "Programming flash..."));
  EXPECT_LT(IndexOf(s, "Verifying flash..."), IndexOf(s, "Programming internal eeprom..."));
  EXPECT_LT(IndexOf(s, "Programming internal eeprom..."), s.size());
  EXPECT_TRUE(rig.MessageTexts().empty());
  EXPECT_EQ(rig.Card().ExternalEeprom().Memory, ext);
  EXPECT_EQ(FlashBytes(rig.Card()), flash);  // the loader is gone
  EXPECT_EQ(rig.Card().InternalEeprom(), eeprom);
  rig.ExpectIdle();
}

// A flash byte that never programs, written as 0x7F (a fixed wait, no
// polling): programming passes, the comparison fails. The internal
// EEPROM is still written but not compared.
TEST(ProgramAll, AFailedFlashComparisonStillWritesTheEeprom) {
  TVirtualCardConfig config = CardConfig(4);
  config.Faults.StuckFlashByte = 3;
  TCardCommandsRig rig(config);
  TRecordingForm& f = rig.F();
  auto flash = SparseBytes(2048, 107);
  flash[3] = 0x7F;
  const auto eeprom = SparseBytes(128, 108);
  rig.SetImage(f.Editor(ikFlash), flash);
  rig.SetImage(f.Editor(ikIntEE), eeprom);
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_EQ(f.Statuses, Texts({"Programming...", "Programming flash...", "Verifying flash...",
                               "Programming internal eeprom...", "Verifying internal eeprom...",
                               "Programming error."}));
  ASSERT_EQ(rig.MessageTexts().size(), 1u);
  EXPECT_EQ(rig.MessageTexts()[0].rfind("Flash verification error!", 0), 0u);
  EXPECT_EQ(rig.Card().InternalEeprom(), eeprom);
  rig.ExpectIdle();
}

// Every read-back of the first page differs: the external write ends at
// 0x0 with the chip already erased. The backups go back into the card.
TEST(ProgramAllRestore, APageThatNeverVerifiesStillGetsTheBackupsWrittenBack) {
  TProgramAllRig rig;
  TRecordingForm& f = rig.F();
  rig.Card().Faults().CorruptPageWrites = 1000;
  const auto ext = RandomBytes(256, 109);
  rig.SetImage(f.Editor(ikExtEE), ext);
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  // The first page failing points at the Eeprom type setting.
  EXPECT_EQ(rig.MessageTexts(),
            Texts({std::string("Page verify error at: 0x0\n\n") + TLoaderLink::FirstPageHintText}));
  const Texts& s = f.Statuses;
  ASSERT_GE(s.size(), 3u);
  EXPECT_EQ(Texts(s.end() - 3, s.end() - 1),
            Texts({"Restoring flash...", "Restoring internal eeprom..."}));
  rig.ExpectFailedWithTheCardKept(ext);
}

// The flash image fails to program after the erase; the internal EEPROM,
// for which there is no image, is written back from its backup.
TEST(ProgramAllRestore, AFailedFlashWriteStillGetsTheEepromBackupWrittenBack) {
  TProgramAllRig rig;
  TRecordingForm& f = rig.F();
  auto flash = SparseBytes(2048, 110);
  flash[2] = 0x42;
  rig.Card().Faults().StuckFlashByte = 2;
  rig.SetImage(f.Editor(ikFlash), flash);
  rig.SetImage(f.Editor(ikExtEE), RandomBytes(64, 111));
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_TRUE(rig.Confirm->RestoreEnabled);
  EXPECT_EQ(rig.MessageTexts(), Texts({"Error programming Flash."}));
  const Texts& s = f.Statuses;
  EXPECT_FALSE(Contains(s, "Reading flash..."));
  EXPECT_EQ(Texts(s.end() - 2, s.end()),
            Texts({"Restoring internal eeprom...", "Programming error."}));
  EXPECT_EQ(rig.Card().InternalEeprom(), rig.CardEeprom);
  rig.ExpectIdle();
}

// An external EEPROM that never acknowledges: the loader polls it for
// ever, the PC's handshake wait runs out, and the run ends in bounded time
// with the backups written back.
TEST(ProgramAllBadCard, AnEepromThatNeverAnswers) {
  TProgramAllRig rig;
  TRecordingForm& f = rig.F();
  rig.Card().Faults().EepromAbsent = true;
  const auto ext = RandomBytes(64, 112);
  rig.SetImage(f.Editor(ikExtEE), ext);
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_EQ(rig.MessageTexts(), Texts({TLoaderLink::HandshakeLostText}));
  EXPECT_TRUE(Contains(f.Statuses, "Restoring internal eeprom..."));
  rig.ExpectFailedWithTheCardKept(ext);
}

// MISO sticks low while the pages go out (a card pulled mid-write): the
// handshake wait runs out, the write-back finds no card, the user aborts.
// The card's own flash and internal EEPROM, read before the erase, are
// kept in their pages as unsaved images.
TEST(ProgramAllBadCard, MisoSticksMidWrite) {
  TProgramAllRig rig;
  TRecordingForm& f = rig.F();
  const auto ext = RandomBytes(64, 113);
  rig.SetImage(f.Editor(ikExtEE), ext);
  f.OnStatus = [&rig](const std::string& text) {
    if (text == "Writing and page verifying external eeprom...")
      rig.Card().Faults().Miso = TMisoFault::StuckLow;
  };
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  ExpectStoppedAndKept(rig, rig.CardFlash, rig.CardEeprom);
  EXPECT_EQ(f.Statuses.back(), "Programming error.");
  rig.ExpectIdle();
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), ext);
}

}  // namespace
