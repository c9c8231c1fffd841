// On the virtual card: a card read asks before it replaces an edited
// image; a closed "...Abort?" box aborts and nothing more is asked or done;
// the card's own flash and internal EEPROM, saved before an erase, are
// written back whatever fails, and what cannot go back is kept in its page
// or, beside an image of the user's, in a file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QTest>

#include <algorithm>

#include "images/HexFileUnit.h"
#include "link/loader/ELoader.h"
#include "tests/app/CardCommandsRig.h"

namespace {

using Texts = std::vector<std::string>;

struct TBackupRig : TLoadedCardRig {
  TBackupRig() : TLoadedCardRig(300) {
    F().SetBackupFolder(Dir.filePath(QStringLiteral("backups")));
  }
};

TEST(CardReadPrompt, AReadAsksBeforeItReplacesAnEditedImage) {
  TBackupRig rig;
  TRecordingForm& f = rig.F();
  rig.SetImage(f.Editor(ikFlash), std::vector<uint8_t>(2048, 0x33));
  f.Editor(ikFlash)->PokeByte(0, 0x44);
  f.Editor(ikFlash)->SetModified(true);

  rig.Dialogs->SaveChoices = {scCancel};
  const uint64_t accesses = rig.Card().PortAccesses();
  rig.Trigger(Named<QAction>(f, "actReadFlash"));
  EXPECT_EQ(rig.Card().PortAccesses(), accesses) << "Cancel: the card is not touched";
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(0), 0x44);

  rig.Dialogs->SaveChoices = {scDiscard};
  rig.Trigger(Named<QAction>(f, "actReadFlash"));
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), rig.CardFlash);
  EXPECT_FALSE(f.ImageModified(ikFlash));
  EXPECT_EQ(rig.Dialogs->SaveQuestions.size(), 2);
  rig.ExpectIdle();
}

// Closing "No device found at selected LPT port! Abort?" with its close
// button aborts, once: no power cycle and no second question.
TEST(AbortQuestions, AClosedBoxAbortsAndNothingMoreIsAsked) {
  TVirtualCardConfig config = CardConfig(4, 0);
  config.Faults.Miso = TMisoFault::StuckLow;
  TCardCommandsRig rig(config);
  TRecordingForm& f = rig.F();
  rig.SetImage(f.Editor(ikExtEE), RandomBytes(64, 5));
  rig.Dialogs->Answers = {mrCancel};
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_EQ(rig.MessageTexts(), Texts({"No device found at selected LPT port! Abort?"}));
  EXPECT_EQ(f.Statuses.back(), "Programming...");
  rig.ExpectIdle();
}

// Program All with restore (an external image only), where the card
// fails after the erase:
// - the flash backup will not program (a byte of the card that sticks):
//   the internal EEPROM backup still goes back, the flash backup is kept
//   in the Flash page as an unsaved image;
// - the card answers with another signature after the external write (the
//   second signature read) and the user aborts: asked once, the card is
//   not touched again (the loader is still in its flash), and both
//   backups wait in their pages, marked as not saved.
TEST(KeptBackups, WhatCannotGoBackWaitsInItsPage) {
  for (const bool abort : {false, true}) {
    SCOPED_TRACE(abort ? "abort at the second signature" : "flash will not program");
    TBackupRig rig;
    TRecordingForm& f = rig.F();
    rig.SetImage(f.Editor(ikExtEE), RandomBytes(64, 6));
    if (abort)
      f.OnStatus = [&rig](const std::string& text) {
        if (text == "Writing and page verifying external eeprom...")
          rig.Card().Faults().Signature = 0x1E9302;
      };
    else
      rig.Card().Faults().StuckFlashByte = 3;
    rig.Dialogs->Answers = {mrYes};
    rig.Trigger(Named<QAction>(f, "actProgAll"));
    const Texts texts = rig.MessageTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], abort ? "Unknown processor ID! Abort?" : "Error programming Flash.");
    EXPECT_EQ(texts[1].rfind("The card's flash could not be written back.", 0), 0u) << texts[1];
    EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), rig.CardFlash);
    EXPECT_TRUE(f.ImageModified(ikFlash));
    if (abort) {
      const auto flash = FlashBytes(rig.Card());
      EXPECT_TRUE(std::equal(LoaderImage.begin(), LoaderImage.end(), flash.begin()));
      EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), rig.CardEeprom);
      EXPECT_TRUE(f.ImageModified(ikIntEE));
      f.UpdateActions();
      EXPECT_TRUE(Named<QTabWidget>(f, "pgcMain")
                      ->isTabVisible(Named<QTabWidget>(f, "pgcMain")->indexOf(f.Page(ikIntEE))));
    } else {
      EXPECT_EQ(rig.Card().InternalEeprom(), rig.CardEeprom);
      EXPECT_EQ(f.Editor(ikIntEE)->DataSize(), 0) << "the EEPROM went back: nothing to keep";
    }
    EXPECT_EQ(f.Statuses.back(), "Programming error.");
    rig.ExpectIdle();
  }
}

// Beside an image of the user's, a backup that cannot go back is saved as
// a file, named in the message; the user's image stays.
TEST(KeptBackups, BesideAUsersImageTheBackupGoesToAFile) {
  TBackupRig rig;
  TRecordingForm& f = rig.F();
  const std::vector<uint8_t> mine(2048, 0x21);
  rig.SetImage(f.Editor(ikFlash), mine);
  f.OnStatus = [&rig](const std::string& text) {
    if (text == "Reading external eeprom...") rig.Card().Faults().Miso = TMisoFault::StuckHigh;
  };
  rig.Dialogs->Answers = {mrYes};  // abort at the write-back
  rig.Trigger(Named<QAction>(f, "actReadExtEE"));
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), mine);
  const QStringList files = QDir(f.BackupFolder()).entryList({"flash-backup-*.hex"});
  ASSERT_EQ(files.size(), 1);
  std::vector<uint8_t> kept(2048, 0);
  ReadHexFile(QDir(f.BackupFolder()).filePath(files[0]), kept.data(), 2048);
  EXPECT_EQ(kept, rig.CardFlash);
  const Texts texts = rig.MessageTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_NE(texts.back().find(files[0].toStdString()), std::string::npos) << texts.back();
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), rig.CardEeprom) << "its page was empty";
  rig.ExpectIdle();
}

// No backup file can be written anywhere (the data folder and the temp
// folder both refuse), and the Flash page holds an image that is in no file
// (a card read, never saved): it is not replaced without a word. The user
// picks a file for the backup, or says Yes to the page, or No (the backup
// is given up, the image stays). An image that is its file, unchanged, is
// replaced: it can be loaded again.
TEST(KeptBackups, NoFolderTakesTheBackupAndThePageIsAskedFor) {
  struct TCase {
    const char* Name;
    QString SaveAs;  // the save dialog's answer
    TMessageResult Replace;
    bool MineInAFile;
  };
  const QByteArray tmp = qgetenv("TMPDIR");
  for (const TCase& c : {TCase{"a file chosen", "chosen", mrNo, false},
                         TCase{"the page given up", "", mrYes, false},
                         TCase{"the backup given up", "", mrNo, false},
                         TCase{"the image is its file", "", mrNo, true}}) {
    SCOPED_TRACE(c.Name);
    TBackupRig rig;
    TRecordingForm& f = rig.F();
    f.SetBackupFolder(QStringLiteral("/dev/null/backups"));
    const std::vector<uint8_t> mine = SparseBytes(2048, 301, 40);
    if (c.MineInAFile) {
      const QString file = rig.Dir.filePath(QStringLiteral("mine.hex"));
      WriteHexFile(file, mine.data(), 2048);
      f.LoadImageFile(ikFlash, file);
    } else {
      rig.SetImage(f.Editor(ikFlash), mine);
    }
    f.OnStatus = [&rig](const std::string& text) {
      if (text == "Reading external eeprom...") rig.Card().Faults().Miso = TMisoFault::StuckHigh;
    };
    // Abort at the write-back, then the answer about the page.
    rig.Dialogs->Answers = {mrYes, c.Replace};
    const QString chosen = c.SaveAs.isEmpty() ? QString() : rig.Dir.filePath(c.SaveAs);
    rig.Dialogs->SaveAnswers = {chosen};
    // No temp folder either, while the command runs.
    qputenv("TMPDIR", "/dev/null/tmp");
    rig.Trigger(Named<QAction>(f, "actReadExtEE"));
    if (tmp.isNull())
      qunsetenv("TMPDIR");
    else
      qputenv("TMPDIR", tmp);

    const Texts texts = rig.MessageTexts();
    ASSERT_FALSE(texts.empty());
    const std::string& last = texts.back();
    EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), rig.CardEeprom) << "its page was empty";
    if (c.MineInAFile) {
      EXPECT_TRUE(rig.Dialogs->SaveRequests.empty());
      EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), rig.CardFlash);
      EXPECT_NE(last.find("The image it replaced is still in"), std::string::npos) << last;
      EXPECT_NE(last.find("mine.hex"), std::string::npos) << last;
      continue;
    }
    ASSERT_EQ(rig.Dialogs->SaveRequests.size(), 1u);
    EXPECT_EQ(rig.Dialogs->SaveRequests[0].Title, "Save the card's flash As");
    if (!chosen.isEmpty()) {
      std::vector<uint8_t> kept(2048, 0);
      ReadHexFile(chosen + ".hex", kept.data(), 2048);
      EXPECT_EQ(kept, rig.CardFlash);
      EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), mine);
      EXPECT_NE(last.find((chosen + ".hex").toStdString()), std::string::npos) << last;
      continue;
    }
    // The question names the page and what a No costs.
    const auto question = std::find_if(texts.begin(), texts.end(), [](const std::string& t) {
      return t.find("Put the card's flash into the page in its place?") != std::string::npos;
    });
    ASSERT_NE(question, texts.end());
    EXPECT_NE(question->find("The Flash page holds an image that is in no file."),
              std::string::npos)
        << *question;
    if (c.Replace == mrYes) {
      EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), rig.CardFlash);
      EXPECT_TRUE(f.ImageModified(ikFlash));
    } else {
      EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), mine);
      EXPECT_NE(last.find("the card's flash is lost"), std::string::npos) << last;
    }
    rig.ExpectIdle();
  }
}

// A 24256 chosen for a card with a 2464: the first page never reads back,
// and the message says where to look.
TEST(EepromType, TheFirstPageFailingPointsAtTheSetting) {
  TBackupRig rig;
  TRecordingForm& f = rig.F();
  f.SelectEeprom(2);  // 24256: pages of 64 on a chip with 32
  rig.SetImage(f.Editor(ikExtEE), RandomBytes(128, 8));
  rig.SetVerify = false;
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  const Texts texts = rig.MessageTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0],
            std::string("Page verify error at: 0x0\n\n") + TLoaderLink::FirstPageHintText);
  rig.ExpectIdle();
}

}  // namespace
