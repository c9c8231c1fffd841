// The load, save and import commands of the main window, with the file
// dialogs answered from a script.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>

#include <algorithm>

#include "hexedit/widget/HexEditor.h"
#include "images/HexFileUnit.h"
#include "images/ImageFormats.h"
#include "tests/app/MainFormHarness.h"

namespace {

// Every format the images library reads and writes, then all files.
const QString OpenFilter = ImageOpenFilter();
const QString SaveFilter = ImageSaveFilter();

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

class FileCommandsTest : public ::testing::Test {
protected:
  void SetUp() override { Harness.Start({}); }
  TMainForm& Form() { return *Harness.Form; }
  TScriptedDialogs& Dialogs() { return *Harness.Dialogs; }
  QString Path(const QString& name) const { return Harness.Dir.filePath(name); }

  // A HEX file covering the first `count` bytes with value+i.
  QString HexFile(const QString& name, int count, uint8_t value = 0x10) {
    std::vector<uint8_t> bytes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(value + i);
    WriteHexFile(Path(name), bytes.data(), count);
    return Path(name);
  }
  std::vector<uint8_t> Image(THexEditor* editor) const {
    return {editor->DataPointer(), editor->DataPointer() + editor->DataSize()};
  }
  QStringList ErrorTexts() const {
    QStringList texts;
    for (const auto& e : Harness.Dialogs->Errors) texts << e.Text;
    return texts;
  }
  void Load(QAction* action, const QString& answer) {
    Dialogs().OpenAnswers.push_back(answer);
    action->trigger();
  }
  void Save(QAction* action, const QString& answer) {
    Form().UpdateActions();  // as when the event loop goes idle: save needs an image
    Dialogs().SaveAnswers.push_back(answer);
    action->trigger();
  }

  TFormHarness Harness;
};

TEST_F(FileCommandsTest, LoadGivesAnImageOfTheSelectedSizeWithUncoveredBytesErased) {
  Form().SelectProcessor(0);  // AT90S8515
  const QString file = HexFile("flash.hex", 100);
  Load(Named<QAction>(Form(), "actLoadFlash"), file);

  ASSERT_TRUE(ErrorTexts().isEmpty()) << ErrorTexts().join('\n').toStdString();
  const auto image = Image(Form().Editor(ikFlash));
  ASSERT_EQ(image.size(), 8192u);
  EXPECT_EQ(image[99], 0x10 + 99);
  EXPECT_EQ(std::count(image.begin() + 100, image.end(), 0xFF), 8192 - 100);
  EXPECT_EQ(Form().FileBox(ikFlash)->text(), file);

  const auto& request = Dialogs().OpenRequests.at(0);
  EXPECT_EQ(request.Title, "Open Flash file");
  EXPECT_EQ(request.Filter, OpenFilter);
  EXPECT_TRUE(request.InitialName.isEmpty());

  Load(Named<QAction>(Form(), "actLoadIntEE"), HexFile("int.hex", 16));
  Load(Named<QAction>(Form(), "actLoadExtEE"), HexFile("ext.hex", 16));
  EXPECT_EQ(Dialogs().OpenRequests.at(1).Title, "Open Internal EEprom file");
  EXPECT_EQ(Dialogs().OpenRequests.at(2).Title, "Open External EEprom file");
  EXPECT_EQ(Form().Editor(ikIntEE)->DataSize(), 512);
  EXPECT_EQ(Form().Editor(ikExtEE)->DataSize(), 8192);
  EXPECT_EQ(Form().FileBox(ikExtEE)->text(), Path("ext.hex"));
}

TEST_F(FileCommandsTest, AFailedLoadLeavesTheImageItsEditsAndItsBoxAsTheyWere) {
  const QString first = HexFile("first.hex", 16, 0x40);
  Load(Named<QAction>(Form(), "actLoadIntEE"), first);
  Form().Editor(ikIntEE)->PokeByte(300, 0x77);  // an edit of the user's
  const auto before = Image(Form().Editor(ikIntEE));

  // 600 bytes do not fit the 512 bytes of the AT90S8515's EEPROM; the
  // records before the one that does not fit are not taken either.
  Load(Named<QAction>(Form(), "actLoadIntEE"), HexFile("big.hex", 600));
  Load(Named<QAction>(Form(), "actLoadIntEE"), Path("missing.hex"));
  WriteBytes(Path("bad.hex"), ":02000000ZZ01FD\r\n:00000001FF\r\n");
  Load(Named<QAction>(Form(), "actLoadIntEE"), Path("bad.hex"));

  // Each message names its file (and the record's line), on a line of its own.
  EXPECT_EQ(ErrorTexts(), (QStringList{"Out of address!\n" + Path("big.hex") + ", line 33.",
                                       "System Error.  Code: 2.\r\nNo such file or directory\n" +
                                           Path("missing.hex") + ".",
                                       "Format Error\n" + Path("bad.hex") + ", line 1."}));
  EXPECT_EQ(Image(Form().Editor(ikIntEE)), before);
  EXPECT_EQ(Form().FileBox(ikIntEE)->text(), first);
}

TEST_F(FileCommandsTest, SaveProposesTheLoadedFileAndWritesTheWholeImage) {
  const QString file = HexFile("flash.hex", 100);
  Load(Named<QAction>(Form(), "actLoadFlash"), file);
  const size_t questions = Dialogs().Messages.size();
  Save(Named<QAction>(Form(), "actSaveFlash"), file);

  const auto& request = Dialogs().SaveRequests.at(0);
  EXPECT_EQ(request.Title, "Save Flash file As");
  EXPECT_EQ(request.Filter, SaveFilter);
  EXPECT_EQ(request.DefaultSuffix, "hex");
  EXPECT_EQ(request.InitialName, file);
  EXPECT_EQ(Dialogs().Messages.size(), questions) << "no question before replacing the file";

  std::vector<uint8_t> saved(8192, 0);
  ReadHexFile(file, saved.data(), 8192);
  EXPECT_EQ(saved, Image(Form().Editor(ikFlash))) << "the erased bytes are written too";

  Load(Named<QAction>(Form(), "actLoadIntEE"), HexFile("int.hex", 4));
  Save(Named<QAction>(Form(), "actSaveIntEE"), Path("int-copy.hex"));
  EXPECT_EQ(Dialogs().SaveRequests.at(1).Title, "Save Internal EEprom file As");
  EXPECT_EQ(Form().FileBox(ikIntEE)->text(), Path("int-copy.hex"));
  EXPECT_TRUE(ErrorTexts().isEmpty()) << ErrorTexts().join('\n').toStdString();
}

TEST_F(FileCommandsTest, ANameWithoutSuffixGetsHex) {
  Load(Named<QAction>(Form(), "actLoadExtEE"), HexFile("ext.hex", 32));
  Save(Named<QAction>(Form(), "actSaveExtEE"), Path("dump"));
  EXPECT_EQ(Dialogs().SaveRequests.at(0).Title, "Save External EEprom file As");
  EXPECT_EQ(Form().FileBox(ikExtEE)->text(), Path("dump.hex"));
  EXPECT_TRUE(QFileInfo(Path("dump.hex")).isFile());
  EXPECT_FALSE(QFileInfo(Path("dump")).exists());
}

// "dump" becomes "dump.hex" after the dialog, which asked (if at all)
// about "dump": an existing dump.hex is asked about before it is replaced,
// and No shows the dialog again with that name. The whole-card save alike.
TEST_F(FileCommandsTest, TheSuffixedNameIsAskedAboutBeforeItIsReplaced) {
  const auto contents = [](const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  };
  Load(Named<QAction>(Form(), "actLoadExtEE"), HexFile("ext.hex", 32));
  Dialogs().Messages.clear();  // the start-up's, without a port
  const QByteArray old = ":00000001FF\n";
  WriteBytes(Path("dump.hex"), old);
  const QString question = Path("dump.hex") + " already exists.\nDo you want to replace it?";

  // No, then Cancel in the dialog shown again.
  Dialogs().Answers = {mrNo};
  Dialogs().SaveAnswers = {Path("dump"), QString()};
  Form().UpdateActions();
  Named<QAction>(Form(), "actSaveExtEE")->trigger();
  ASSERT_EQ(Dialogs().MessageTexts(), QStringList{question});
  EXPECT_EQ(Dialogs().Messages[0].Buttons, mbYesNo);
  ASSERT_EQ(Dialogs().SaveRequests.size(), 2u);
  EXPECT_EQ(Dialogs().SaveRequests[1].InitialName, Path("dump.hex"));
  EXPECT_EQ(contents(Path("dump.hex")), old);
  EXPECT_EQ(Form().FileBox(ikExtEE)->text(), Path("ext.hex"));

  // Yes: replaced.
  Dialogs().Messages.clear();
  Dialogs().Answers = {mrYes};
  Save(Named<QAction>(Form(), "actSaveExtEE"), Path("dump"));
  EXPECT_EQ(Dialogs().MessageTexts(), QStringList{question});
  EXPECT_EQ(Form().FileBox(ikExtEE)->text(), Path("dump.hex"));
  EXPECT_NE(contents(Path("dump.hex")), old);
  // A name the dialog gave whole is the dialog's to ask about.
  Dialogs().Messages.clear();
  Save(Named<QAction>(Form(), "actSaveExtEE"), Path("dump.hex"));
  EXPECT_TRUE(Dialogs().Messages.empty());

  // Save Card Image: the same question for card.hex.
  WriteBytes(Path("card.hex"), old);
  Dialogs().Answers = {mrNo};
  Dialogs().SaveAnswers = {Path("card"), QString()};
  Form().UpdateActions();
  Named<QAction>(Form(), "actSaveCardImage")->trigger();
  EXPECT_EQ(Dialogs().MessageTexts(),
            QStringList{Path("card.hex") + " already exists.\nDo you want to replace it?"});
  EXPECT_EQ(contents(Path("card.hex")), old);
  EXPECT_TRUE(ErrorTexts().isEmpty()) << ErrorTexts().join('\n').toStdString();
}

TEST_F(FileCommandsTest, AFailedSaveKeepsTheBoxAndCancelChangesNothing) {
  const QString file = HexFile("ext.hex", 32);
  Load(Named<QAction>(Form(), "actLoadExtEE"), file);
  const auto image = Image(Form().Editor(ikExtEE));

  Save(Named<QAction>(Form(), "actSaveExtEE"), Path("no/such/dir/x.hex"));
  EXPECT_EQ(ErrorTexts(), QStringList{"System Error.  Code: 2.\r\nNo such file or directory\n" +
                                      Path("no/such/dir/x.hex") + "."});
  Save(Named<QAction>(Form(), "actSaveExtEE"), QString());
  Load(Named<QAction>(Form(), "actLoadExtEE"), QString());
  Load(Named<QAction>(Form(), "actLoadFlash"), QString());

  EXPECT_EQ(ErrorTexts().size(), 1);
  EXPECT_EQ(Form().FileBox(ikExtEE)->text(), file);
  EXPECT_EQ(Image(Form().Editor(ikExtEE)), image);
  EXPECT_EQ(Form().Editor(ikFlash)->DataSize(), 0);
  EXPECT_TRUE(Form().FileBox(ikFlash)->text().isEmpty());
}

TEST_F(FileCommandsTest, ImportXmlReadsTheFileAndChangesNothing) {
  Load(Named<QAction>(Form(), "actLoadFlash"), HexFile("flash.hex", 10));
  const auto image = Image(Form().Editor(ikFlash));

  WriteBytes(Path("card.xml"), "<?xml version=\"1.0\"?><card><flash/><eeprom/></card>");
  Load(Named<QAction>(Form(), "actImportXML"), Path("card.xml"));
  EXPECT_EQ(Dialogs().OpenRequests.back().Title, "Open XML file");
  EXPECT_EQ(Dialogs().OpenRequests.back().Filter, "XML files (*.xml)|*.xml|All files (*.*)|*.*");
  EXPECT_TRUE(ErrorTexts().isEmpty());
  EXPECT_EQ(Form().ImportedXml().documentElement().nodeName(), "card");
  // The status line says what was read; a failed import leaves it so.
  EXPECT_EQ(Form().CardHost().StatusText(), "XML file card.xml read: 3 elements.");
  const QString status = Form().CardHost().StatusText();

  WriteBytes(Path("bad.xml"), "<card><flash></card>");
  Load(Named<QAction>(Form(), "actImportXML"), Path("bad.xml"));
  Load(Named<QAction>(Form(), "actImportXML"), QString());
  ASSERT_EQ(ErrorTexts().size(), 1);
  EXPECT_EQ(ErrorTexts()[0],
            "The file \"" + Path("bad.xml") +
                "\" is not well-formed XML (line 1, column 20): Opening and ending tag mismatch.");

  EXPECT_EQ(Image(Form().Editor(ikFlash)), image);
  EXPECT_EQ(Form().FileBox(ikFlash)->text(), Path("flash.hex"));
  EXPECT_EQ(Form().Editor(ikIntEE)->DataSize(), 0);
  EXPECT_EQ(Form().Editor(ikExtEE)->DataSize(), 0);
  EXPECT_EQ(Named<QComboBox>(Form(), "cbProcessor")->currentIndex(), 0);
  EXPECT_EQ(Named<QComboBox>(Form(), "cbEeprom")->currentIndex(), 0);
  EXPECT_EQ(Form().CardHost().StatusText(), status);
}

}  // namespace

namespace {

TEST(FileCommandsAutoload, StartUpLoadsTheLastFileThroughTheLoadPath) {
  TFormHarness harness;
  const QString file = harness.Dir.filePath("last.hex");
  const std::vector<uint8_t> bytes = {1, 2, 3};
  WriteHexFile(file, bytes.data(), 3);
  {
    QSettings settings(harness.SettingsFile(), QSettings::IniFormat);
    settings.setValue("Flash/Autoload", true);
    settings.setValue("Flash/LastFile", file);
  }
  TMainForm& form = harness.Start({});
  ASSERT_EQ(form.Editor(ikFlash)->DataSize(), 8192);
  EXPECT_EQ(form.Editor(ikFlash)->DataPointer()[2], 3);
  EXPECT_EQ(form.Editor(ikFlash)->DataPointer()[3], 0xFF);
  EXPECT_EQ(form.FileBox(ikFlash)->text(), file);
}

}  // namespace
