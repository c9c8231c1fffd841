// Every file a user has, in the window: Read Card on the virtual card,
// whole-card images, the File menu's entries, recent files and dropped
// files.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTabWidget>
#include <QToolButton>
#include <QUrl>

#include "images/BinaryFile.h"
#include "images/CardImageFile.h"
#include "images/HexFileUnit.h"
#include "tests/app/CardCommandsRig.h"

namespace {

using Texts = std::vector<std::string>;

// Read Card on every processor with the default EEPROM: the three images
// are the card's memories, and the card's flash and internal EEPROM are
// as they were before.
TEST(ReadCard, EveryProcessorReadsAllThreeAndKeepsTheCard) {
  for (int processor = 0; processor < static_cast<int>(ProcessorTable.size()); ++processor) {
    SCOPED_TRACE(ProcessorTable[processor].Name);
    TCardCommandsRig rig(CardConfig(processor, 0));
    TRecordingForm& f = rig.F();
    const ProcessorInfo& chip = ProcessorTable[processor];
    const auto flash = SparseBytes(static_cast<size_t>(chip.FlashSize), 400 + processor, 40);
    const auto eeprom = RandomBytes(static_cast<size_t>(chip.EepromSize), 410 + processor);
    const auto ext = RandomBytes(8192, 420 + processor);
    rig.Card().LoadFlash(flash);
    rig.Card().InternalEeprom() = eeprom;
    rig.Card().ExternalEeprom().Memory = ext;
    f.FileBox(ikFlash)->setText("/cards/old.hex");

    rig.Trigger(Named<QAction>(f, "actReadCard"));
    EXPECT_TRUE(rig.MessageTexts().empty()) << rig.MessageTexts().front();
    EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), flash);
    EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), eeprom);
    EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), ext);
    EXPECT_EQ(Named<QComboBox>(f, "cbProcessor")->currentIndex(), processor);
    EXPECT_EQ(f.FileBox(ikFlash)->text(), "") << "the image no longer is the file's";
    for (TImageKind kind : {ikFlash, ikIntEE, ikExtEE}) EXPECT_FALSE(f.ImageModified(kind));
    std::vector<uint8_t> cardFlash = FlashBytes(rig.Card());
    cardFlash.resize(flash.size());
    EXPECT_EQ(cardFlash, flash);
    EXPECT_EQ(rig.Card().InternalEeprom(), eeprom);
    EXPECT_EQ(f.CardHost().StatusText(), "Card read: flash, internal eeprom, external eeprom.");
    rig.ExpectIdle();
  }
}

// A card that stops answering while the external EEPROM streams: every
// image stays as it was. The card's flash and internal EEPROM cannot go
// back either: they are kept, the flash beside the user's image in a file,
// the internal EEPROM in its empty page.
TEST(ReadCard, AFailureLeavesTheImagesAndKeepsTheCardsMemories) {
  TCardCommandsRig rig(CardConfig(4, 0));
  TRecordingForm& f = rig.F();
  const auto cardFlash = SparseBytes(2048, 430, 30);
  rig.Card().LoadFlash(cardFlash);
  const auto cardEeprom = RandomBytes(128, 431);
  rig.Card().InternalEeprom() = cardEeprom;
  f.SetBackupFolder(rig.Dir.filePath("backups"));
  const std::vector<uint8_t> mine(2048, 0x42);
  rig.SetImage(f.Editor(ikFlash), mine);
  f.OnStatus = [&rig](const std::string& text) {
    if (text == "Reading external eeprom...")
      rig.Card().Faults().MisoStuckAfterAccesses = rig.Card().PortAccesses() + 20000;
  };
  rig.Dialogs->Answers = {mrNo};  // go on at the write-back's question
  rig.Trigger(Named<QAction>(f, "actReadCard"));
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), mine);
  EXPECT_EQ(f.Editor(ikExtEE)->DataSize(), 0);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), cardEeprom);
  EXPECT_TRUE(f.ImageModified(ikIntEE));
  const Texts texts = rig.MessageTexts();
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], TLoaderLink::HandshakeLostText);
  EXPECT_NE(texts.back().find("flash-backup-"), std::string::npos) << texts.back();
  rig.ExpectIdle();
}

struct TFilesRig : TCardCommandsRig {
  TFilesRig() : TCardCommandsRig(CardConfig(0, 0)) {}
  QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }
  void Drop(const QString& file, QWidget* on) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at = on->mapTo(Form.get(), on->rect().center());
    // As a drag comes in: entering first (the toolkit sends the drop only
    // to the widget that accepted the drag), then the drop.
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(Form.get(), &drop);
    // The file is loaded once the drop has ended.
    QCoreApplication::processEvents();
  }
};

// Save Card Image writes the images that hold data; Load Card Image fills
// the images whose range the file holds (asking for an edited one) and
// leaves the others.
TEST(CardImages, SaveAndLoadTheThreeImagesInOneFile) {
  TFilesRig rig;
  TRecordingForm& f = rig.F();
  const auto flash = RandomBytes(8192, 440);
  const auto ext = RandomBytes(8192, 441);
  rig.SetImage(f.Editor(ikFlash), flash);
  rig.SetImage(f.Editor(ikExtEE), ext);
  rig.Dialogs->SaveAnswers = {rig.Path("card")};
  rig.Trigger(Named<QAction>(f, "actSaveCardImage"));
  ASSERT_TRUE(rig.Dialogs->Errors.empty()) << rig.Dialogs->Errors[0].Text.toStdString();
  EXPECT_EQ(f.CardHost().StatusText(), "Card image card.hex written: flash, external eeprom.");

  // Back again over an edited flash image and an internal EEPROM image
  // that the file does not hold.
  f.Editor(ikFlash)->PokeByte(0, 0);
  f.Editor(ikFlash)->SetModified(true);
  rig.SetImage(f.Editor(ikIntEE), std::vector<uint8_t>(512, 0x12));
  rig.SetImage(f.Editor(ikExtEE), std::vector<uint8_t>(8192, 0x34));
  rig.Dialogs->SaveChoices = {scDiscard};
  rig.Dialogs->OpenAnswers = {rig.Path("card.hex")};
  rig.Trigger(Named<QAction>(f, "actLoadCardImage"));
  EXPECT_EQ(rig.Dialogs->SaveQuestions.size(), 1);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikFlash)), flash);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), ext);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), std::vector<uint8_t>(512, 0x12));
  EXPECT_FALSE(f.ImageModified(ikFlash));

  // Dropped on the Int. EE. row, the card image still loads as one.
  rig.SetImage(f.Editor(ikExtEE), std::vector<uint8_t>(8192, 0x56));
  rig.Drop(rig.Path("card.hex"), f.FileBox(ikIntEE));
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), ext);
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikIntEE)), std::vector<uint8_t>(512, 0x12));
}

// Files dropped on a memory's row or an image's page load into that image.
TEST(DroppedFiles, ARowOrAPageTakesTheFile) {
  TFilesRig rig;
  TRecordingForm& f = rig.F();
  f.show();
  const auto bytes = RandomBytes(300, 450);
  WriteBinaryFile(rig.Path("dump.bin"), bytes.data(), 300);
  rig.Drop(rig.Path("dump.bin"), Named<QToolButton>(f, "btnLoadIntEE"));
  ASSERT_EQ(f.Editor(ikIntEE)->DataSize(), 512);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), f.Editor(ikIntEE)->DataPointer()));
  EXPECT_EQ(f.FileBox(ikIntEE)->text(), rig.Path("dump.bin"));

  rig.SetImage(f.Editor(ikFlash), std::vector<uint8_t>(8192, 0xFF));
  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikFlash));
  rig.Drop(rig.Path("dump.bin"), f.Editor(ikFlash));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), f.Editor(ikFlash)->DataPointer()));
  EXPECT_TRUE(rig.Dialogs->Errors.empty());
}

// File -> Recent lists each image's last files, newest first; a missing
// one is greyed with its path as the tool tip; choosing one loads it.
TEST(RecentFiles, TheLastFilesOfEachImage) {
  TFilesRig rig;
  TRecordingForm& f = rig.F();
  std::vector<uint8_t> bytes(16, 0x21);
  for (int i = 0; i < 10; ++i) {
    const QString name = rig.Path(qPrintable(QStringLiteral("f%1.hex").arg(i)));
    bytes[0] = static_cast<uint8_t>(i);
    WriteHexFile(name, bytes.data(), 16);
    f.LoadImageFile(ikFlash, name);
  }
  QFile::remove(rig.Path("f8.hex"));
  EXPECT_EQ(f.RecentFiles("Flash").size(), TMainForm::RecentFileCount);
  EXPECT_EQ(f.RecentFiles("Flash").front(), rig.Path("f9.hex"));
  EXPECT_TRUE(f.RecentFiles("ExtEE").isEmpty());

  f.RebuildRecentMenu();
  QList<QAction*> entries;
  for (QAction* a : Named<QMenu>(f, "miRecent")->actions())
    if (!a->isSeparator() && a->data().isValid()) entries << a;
  ASSERT_EQ(entries.size(), TMainForm::RecentFileCount);
  EXPECT_EQ(entries[0]->text(), "f9.hex");
  EXPECT_FALSE(entries[1]->isEnabled());
  EXPECT_EQ(entries[1]->toolTip(), rig.Path("f8.hex"));
  entries[3]->trigger();  // f6.hex
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(0), 6);
  EXPECT_EQ(f.FileBox(ikFlash)->text(), rig.Path("f6.hex"));

  // Kept in the settings beside the autoload entries.
  QSettings settings(rig.Dir.filePath("settings.ini"), QSettings::IniFormat);
  EXPECT_EQ(settings.value("Flash/Recent").toStringList().front(), rig.Path("f6.hex"));
}

TEST(FileMenu, SavesBesideTheLoads) {
  TFilesRig rig;
  QStringList texts;
  for (QAction* a : Named<QMenu>(rig.F(), "miFile")->actions()) texts << a->text();
  EXPECT_TRUE(texts.contains("Save Flash file"));
  EXPECT_TRUE(texts.contains("Save Internal eeprom"));
  EXPECT_TRUE(texts.contains("Load Card Image..."));
  EXPECT_TRUE(texts.contains("Save Card Image..."));
  EXPECT_TRUE(texts.contains("Read Card"));
}

}  // namespace
