// Nothing lost, nothing left unanswered: the modified marks, the Save /
// Discard / Cancel question before a load, a catalogue cut and closing,
// the question before cutting an unmodified image, page switching keys,
// and the chips the window starts with.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

#include "hexedit/widget/HexEditor.h"
#include "images/CardImageFile.h"
#include "images/HexFileUnit.h"
#include "images/ImageFormats.h"
#include "tests/app/MainFormHarness.h"

namespace {

std::vector<uint8_t> Counting(int n, uint8_t first) {
  std::vector<uint8_t> v(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) v[static_cast<size_t>(i)] = static_cast<uint8_t>(first + i);
  return v;
}

std::vector<uint8_t> FileBytes(const QString& path, int n) {
  std::vector<uint8_t> v(static_cast<size_t>(n), 0xFF);
  ReadHexFile(path, v.data(), n);
  return v;
}

std::vector<uint8_t> Image(const THexEditor* e) {
  return {e->DataPointer(), e->DataPointer() + e->DataSize()};
}

struct TUnsavedRig {
  TUnsavedRig() { Harness.Start({0x378}); }
  TMainForm& F() { return *Harness.Form; }
  TScriptedDialogs& D() { return *Harness.Dialogs; }
  QString Path(const char* name) { return Harness.Dir.filePath(QString::fromLatin1(name)); }

  // The flash image loaded from a file of 8192 counting bytes, then one
  // digit typed over its first byte.
  void LoadAndEdit() {
    const auto bytes = Counting(8192, 0x10);
    WriteHexFile(Path("a.hex"), bytes.data(), 8192);
    F().LoadImageFile(ikFlash, Path("a.hex"));
    ASSERT_FALSE(F().ImageModified(ikFlash));
    F().Editor(ikFlash)->setFocus();
    QTest::keyClicks(F().Editor(ikFlash), "7");
    ASSERT_TRUE(F().ImageModified(ikFlash));
  }
  QString FlashTab() {
    return Named<QTabWidget>(F(), "pgcMain")
        ->tabText(Named<QTabWidget>(F(), "pgcMain")->indexOf(F().Page(ikFlash)));
  }

  TFormHarness Harness;
};

struct UnsavedChanges : ::testing::Test, TUnsavedRig {};

// Typing marks the image; a save and a load clear the mark.
TEST_F(UnsavedChanges, TheMarkFollowsEditsSavesAndLoads) {
  LoadAndEdit();
  EXPECT_EQ(FlashTab(), "Flash *");
  EXPECT_EQ(F().windowTitle(), "Pellar Remake 3.0 *");
  EXPECT_EQ(F().Editor(ikFlash)->PeekByte(0), 0x70);

  D().SaveAnswers.push_back(Path("b.hex"));
  F().UpdateActions();  // as when the event loop goes idle
  Named<QAction>(F(), "actSaveFlash")->trigger();
  EXPECT_FALSE(F().ImageModified(ikFlash));
  EXPECT_EQ(FlashTab(), "Flash");
  EXPECT_EQ(F().windowTitle(), "Pellar Remake 3.0 ");

  QTest::keyClicks(F().Editor(ikFlash), "1");
  EXPECT_EQ(FlashTab(), "Flash *");
  F().LoadImageFile(ikFlash, Path("b.hex"));
  EXPECT_EQ(FlashTab(), "Flash");
  EXPECT_TRUE(D().SaveQuestions.isEmpty());
}

// Every place that replaces or cuts a modified image, with every answer:
// Save writes the image's file and goes on, Discard goes on, Cancel
// leaves everything as it was (the processor choice included).
TEST_F(UnsavedChanges, EveryPromptWithEveryAnswer) {
  enum TAction { Load, Cut, Close };
  for (TAction action : {Load, Cut, Close}) {
    for (TSaveChoice answer : {scSave, scDiscard, scCancel}) {
      SCOPED_TRACE(testing::Message() << "action " << action << " answer " << answer);
      TUnsavedRig rig;
      const auto F = [&rig]() -> TMainForm& { return rig.F(); };
      const auto D = [&rig]() -> TScriptedDialogs& { return rig.D(); };
      const auto Path = [&rig](const char* name) { return rig.Path(name); };
      rig.LoadAndEdit();
      const auto edited = Image(F().Editor(ikFlash));
      const auto b = Counting(8192, 0x80);
      WriteHexFile(Path("b.hex"), b.data(), 8192);
      D().SaveChoices = {answer};
      F().show();

      bool closed = false;
      switch (action) {
        case Load:
          D().OpenAnswers.push_back(Path("b.hex"));
          Named<QAction>(F(), "actLoadFlash")->trigger();
          break;
        case Cut: F().SelectProcessor(4); break;  // AT90S2323: 2 KiB
        case Close: closed = F().close(); break;
      }
      ASSERT_EQ(D().SaveQuestions, QStringList{"The flash image has unsaved changes. Save them?"});
      EXPECT_TRUE(D().Errors.empty());
      // Save wrote the edited image to its own file, without a dialog.
      EXPECT_TRUE(D().SaveRequests.empty());
      EXPECT_EQ(FileBytes(Path("a.hex"), 8192), answer == scSave ? edited : Counting(8192, 0x10));

      const bool goOn = answer != scCancel;
      switch (action) {
        case Load:
          EXPECT_EQ(Image(F().Editor(ikFlash)), goOn ? b : edited);
          EXPECT_EQ(F().ImageModified(ikFlash), !goOn);
          EXPECT_EQ(D().OpenRequests.size(), goOn ? 1u : 0u);
          break;
        case Cut:
          EXPECT_EQ(F().Editor(ikFlash)->DataSize(), goOn ? 2048 : 8192);
          EXPECT_EQ(Named<QComboBox>(F(), "cbProcessor")->currentIndex(), goOn ? 4 : 0);
          // Cut data makes the image differ from any file.
          EXPECT_TRUE(F().ImageModified(ikFlash));
          break;
        case Close: EXPECT_EQ(closed, goOn); break;
      }
    }
  }
}

// Save on an image that has no file goes through the save dialog; a
// cancelled dialog cancels the action, a failed save too (with its error).
TEST_F(UnsavedChanges, ASaveThatDoesNotHappenCancelsTheAction) {
  F().Editor(ikIntEE)->SetDataSize(512);
  QTest::keyClicks(F().Editor(ikIntEE), "5");
  ASSERT_TRUE(F().ImageModified(ikIntEE));
  D().SaveChoices = {scSave};
  D().OpenAnswers.push_back(Path("never-asked.hex"));
  Named<QAction>(F(), "actLoadIntEE")->trigger();
  EXPECT_EQ(D().SaveRequests.size(), 1u);
  EXPECT_TRUE(D().OpenRequests.empty());
  EXPECT_TRUE(F().ImageModified(ikIntEE));

  D().SaveAnswers.push_back(Path("no-such-dir/x.hex"));
  D().SaveChoices = {scSave};
  F().show();
  EXPECT_FALSE(F().close());
  ASSERT_EQ(D().Errors.size(), 1u);
  EXPECT_TRUE(D().Errors[0].Text.contains("no-such-dir"));
  EXPECT_TRUE(F().ImageModified(ikIntEE));
}

// An image as loaded (not modified) is cut only after a Yes; No and a
// closed box take the choice back. Cutting only 0xFF asks nothing.
// Save at the question goes straight to the image's file only when that
// file takes the image back whole: a HEX file of the flash alone does; a
// raw file without an extension (a save would write Intel HEX over it) and
// a whole-card file (a save would drop its EEPROM images) go through the
// save dialog, and stay as they were when it is cancelled.
TEST_F(UnsavedChanges, ASaveGoesStraightOnlyToAFileThatTakesTheImageBack) {
  const auto bytes = Counting(8192, 0x10);
  const auto eeprom = Counting(512, 0x80);
  SaveImageFileAs(Path("flash.hex"), ifIntelHex, bytes.data(), 8192);
  SaveImageFileAs(Path("dump"), ifBinary, bytes.data(), 8192);
  WriteCardImageFile(Path("card.hex"), {{{bytes.data(), 8192}, {eeprom.data(), 512}, {}}});
  SaveImageFileAs(Path("other.hex"), ifIntelHex, eeprom.data(), 512);
  for (const char* name : {"flash.hex", "dump", "card.hex"}) {
    SCOPED_TRACE(name);
    const bool straight = QLatin1String(name) == QLatin1String("flash.hex");
    const QByteArray before = [&] {
      QFile file(Path(name));
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    F().OpenImageFile(ikFlash, Path(name));
    F().Editor(ikFlash)->setFocus();
    QTest::keyClicks(F().Editor(ikFlash), "7");
    D().SaveRequests.clear();
    D().SaveChoices = {scSave};
    D().SaveAnswers = {QString()};  // the dialog, if any, is cancelled
    F().OpenImageFile(ikFlash, Path("other.hex"));

    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    if (straight) {
      EXPECT_TRUE(D().SaveRequests.empty());
      EXPECT_EQ(FileBytes(Path(name), 8192)[0], 0x70);
      EXPECT_EQ(F().Editor(ikFlash)->PeekByte(0), 0x80) << "the other file loaded";
    } else {
      ASSERT_EQ(D().SaveRequests.size(), 1u);
      EXPECT_EQ(D().SaveRequests[0].InitialName, QFileInfo(Path(name)).absoluteFilePath())
          << "the dialog proposes the file";
      EXPECT_EQ(file.readAll(), before);
      EXPECT_TRUE(F().ImageModified(ikFlash)) << "cancelled: the edit is still there";
      EXPECT_EQ(F().Editor(ikFlash)->PeekByte(0), 0x70);
    }
    D().SaveChoices = {scDiscard};
    F().OpenImageFile(ikFlash, Path("other.hex"));
  }
}

TEST_F(UnsavedChanges, CuttingDataOfAnUnmodifiedImageAsksFirst) {
  const auto bytes = Counting(8192, 0x10);
  WriteHexFile(Path("a.hex"), bytes.data(), 8192);
  F().LoadImageFile(ikFlash, Path("a.hex"));
  for (TMessageResult answer : {mrNo, mrCancel}) {
    D().Answers = {answer};
    F().SelectProcessor(4);
    EXPECT_EQ(Named<QComboBox>(F(), "cbProcessor")->currentIndex(), 0);
    EXPECT_EQ(F().Editor(ikFlash)->DataSize(), 8192);
  }
  ASSERT_EQ(D().Messages.size(), 2u);
  EXPECT_EQ(D().Messages[0].Text.toStdString(),
            "The flash image holds data at 0x800, beyond the 2048 bytes of the new choice.\n"
            "Cut it off the image?");
  D().Answers = {mrYes};
  F().SelectProcessor(4);
  EXPECT_EQ(F().Editor(ikFlash)->DataSize(), 2048);
  EXPECT_TRUE(F().ImageModified(ikFlash));
  EXPECT_TRUE(D().SaveQuestions.isEmpty());

  // Growing, or cutting erased bytes only, asks nothing and keeps the mark.
  WriteHexFile(Path("c.hex"), bytes.data(), 2048);
  F().LoadImageFile(ikFlash, Path("c.hex"));
  F().SelectProcessor(0);
  EXPECT_EQ(F().Editor(ikFlash)->DataSize(), 8192);
  EXPECT_FALSE(F().ImageModified(ikFlash));
  F().SelectProcessor(4);
  EXPECT_EQ(F().Editor(ikFlash)->DataSize(), 2048);
  EXPECT_EQ(D().Messages.size(), 3u);
}

// Ctrl+Tab and Ctrl+Shift+Tab switch between the visible pages, also
// while an editor has the focus (Ctrl+PgDown and Ctrl+PgUp are the
// editor's own there: WindowKeysTest.cpp).
TEST_F(UnsavedChanges, PageKeysWorkFromInsideAnEditor) {
  F().Editor(ikFlash)->SetDataSize(64);
  F().Editor(ikExtEE)->SetDataSize(64);
  F().UpdateActions();
  F().show();
  Named<QTabWidget>(F(), "pgcMain")->setCurrentWidget(F().Page(ikFlash));
  F().Editor(ikFlash)->setFocus();
  QTest::keyClick(F().Editor(ikFlash), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Named<QTabWidget>(F(), "pgcMain")->currentWidget(),
            F().Page(ikExtEE));  // Int. EE. is hidden
  QTest::keyClick(F().Editor(ikExtEE), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(Named<QTabWidget>(F(), "pgcMain")->currentWidget(),
            Named<QWidget>(F(), "TabSheet2"));  // wraps around
  QTest::keyClick(F().Editor(ikExtEE), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Named<QTabWidget>(F(), "pgcMain")->currentWidget(), F().Page(ikExtEE));
  QTest::keyClick(F().Editor(ikExtEE), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Named<QTabWidget>(F(), "pgcMain")->currentWidget(), F().Page(ikFlash));
  EXPECT_EQ(F().Editor(ikFlash)->PeekByte(0), 0xFF) << "the editor saw none of the keys";
}

TEST(StartingChips, TheWindowStartsWithTheChipsItIsGiven) {
  TestApp();
  TScriptedDialogs dialogs;
  TMainFormOptions options;
  options.Dialogs = std::make_shared<TScriptedDialogs>();
  options.ProcessorRow = 3;
  options.EepromRow = 2;
  QTemporaryDir dir;
  options.SettingsFile = dir.filePath("s.ini");
  TMainForm form(std::move(options));
  EXPECT_EQ(Named<QComboBox>(form, "cbProcessor")->currentIndex(), 3);
  EXPECT_EQ(Named<QComboBox>(form, "cbEeprom")->currentIndex(), 2);
  EXPECT_EQ(form.Editor(ikFlash)->DataSize(), 0) << "no image is sized by it";
}

}  // namespace
