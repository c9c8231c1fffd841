#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <stdexcept>

#include "app/AboutUnit.h"
#include "app/UserGuideWindow.h"
#include "hexedit/widget/HexEditor.h"
#include "tests/app/MainFormHarness.h"

namespace {

bool TabShown(TMainForm& f, QWidget* page) {
  auto* pages = Named<QTabWidget>(f, "pgcMain");
  return pages->isTabVisible(pages->indexOf(page));
}

// An image as a load leaves it: not modified.
void Fill(THexEditor* editor, int size, uint8_t first) {
  editor->ResetData();
  editor->SetDataSize(size);
  for (int i = 0; i < size; ++i) editor->PokeByte(i, static_cast<uint8_t>(first + i));
  editor->SetModified(false);
}

QStringList Items(QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

bool HourglassShown() {
  return QGuiApplication::overrideCursor() &&
         QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

std::vector<QAction*> LockedActions(TMainForm& f) {
  return AllNamed<QAction>(
      f, {"actLoadFlash", "actLoadIntEE", "actLoadExtEE", "actSaveFlash", "actSaveIntEE",
          "actSaveExtEE", "actReadFlash", "actReadIntEE", "actReadExtEE", "actVerifyFlash",
          "actVerifyIntEE", "actVerifyExtEE", "actProgAll", "actErase", "actVerify"});
}

TEST(MainFormStartUp, WithoutAnyPortTheDriverMessageComesOnceBeforeTheWindow) {
  TFormHarness h;
  TMainForm& f = h.Start({});
  ASSERT_EQ(h.Dialogs->Messages.size(), 1u);
  const auto& m = h.Dialogs->Messages[0];
  EXPECT_EQ(m.Text,
            "Cannot initialize Port Driver.\nPlease select System|Install when logged\n"
            "in as Administrator, then reboot.");
  EXPECT_EQ(m.Kind, mkError);
  EXPECT_EQ(m.Buttons, mbOK);
  EXPECT_FALSE(m.ParentVisible);
  EXPECT_EQ(Named<QComboBox>(f, "cbPort")->count(), 0);
  EXPECT_EQ(f.CardHost().StatusText(), "Cannot find any LPT ports.");

  f.show();
  RunUntilIdle();
  EXPECT_EQ(h.Dialogs->Messages.size(), 1u);

  // Images still work: an image filled by hand shows its page.
  Fill(f.Editor(ikIntEE), 512, 0);
  RunUntilIdle();
  EXPECT_TRUE(TabShown(f, f.Page(ikIntEE)));

  // Every card command refuses, through the one error display.
  Named<QAction>(f, "actErase")->trigger();
  Named<QAction>(f, "actReadFlash")->trigger();
  ASSERT_EQ(h.Dialogs->Errors.size(), 2u);
  EXPECT_EQ(h.Dialogs->Errors[0].Text, "Cannot initialize Port-driver!");
  EXPECT_EQ(h.Dialogs->Errors[0].Title, QString("Pellar Remake"));
  EXPECT_FALSE(f.UiLocked());
  EXPECT_TRUE(h.Log->Writes.empty());
}

TEST(MainFormStartUp, PortsAreListedSortedAndTheShownOneIsInUse) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378, 0x278});
  EXPECT_TRUE(h.Dialogs->Messages.empty());
  EXPECT_EQ(Items(Named<QComboBox>(f, "cbPort")), QStringList({"0x0278", "0x0378"}));
  EXPECT_EQ(Named<QComboBox>(f, "cbPort")->currentText(), "0x0278");
  EXPECT_EQ(f.CardContext().Port.SelectedAddress, 0x278);
  EXPECT_EQ(f.CardContext().Port.SelectedIndex, 1);
  // Every programmer line starts low on the port in use.
  ASSERT_FALSE(h.Log->Writes.empty());
  EXPECT_EQ(h.Log->Writes.back(), (TPortWrite{0x278, 0}));
  EXPECT_EQ(f.CardContext().Link.DataLatch, 0);

  // Choosing an entry switches to the port it names.
  Named<QComboBox>(f, "cbPort")->setCurrentIndex(1);
  EXPECT_EQ(f.CardContext().Port.SelectedAddress, 0x378);
  EXPECT_EQ(f.CardContext().Port.SelectedIndex, 0);
  EXPECT_EQ(h.Log->Writes.back(), (TPortWrite{0x378, 0}));
  Named<QComboBox>(f, "cbPort")->setCurrentIndex(0);
  EXPECT_EQ(f.CardContext().Port.SelectedAddress, 0x278);
}

TEST(MainFormStartUp, CatalogueFilledAndNoImageSized) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  EXPECT_EQ(Items(Named<QComboBox>(f, "cbProcessor")),
            QStringList({"AT90S8515", "AT90S4433", "AT90S4414", "AT90S2343", "AT90S2323"}));
  EXPECT_EQ(Items(Named<QComboBox>(f, "cbEeprom")),
            QStringList({"2464/2465", "24128", "24256", "24512", "241024", "242048"}));
  EXPECT_EQ(Named<QComboBox>(f, "cbProcessor")->currentIndex(), 0);
  EXPECT_EQ(Named<QComboBox>(f, "cbEeprom")->currentIndex(), 0);
  for (THexEditor* e : {f.Editor(ikFlash), f.Editor(ikIntEE), f.Editor(ikExtEE)}) {
    EXPECT_EQ(e->DataSize(), 0);
    EXPECT_EQ(e->FillByte(), 0xFF);
    EXPECT_EQ(e->font().pointSize(), 8);
  }
  EXPECT_EQ(f.Editor(ikFlash)->BytesPerColumn(), 2);
  EXPECT_EQ(f.Editor(ikFlash)->BytesPerUnit(), 2);
  EXPECT_EQ(f.Editor(ikIntEE)->BytesPerColumn(), 1);
  EXPECT_EQ(f.Editor(ikExtEE)->BytesPerColumn(), 1);
  EXPECT_EQ(f.Editor(ikIntEE)->BytesPerUnit(), 1);
  EXPECT_EQ(Named<QTabWidget>(f, "pgcMain")->currentWidget(), Named<QWidget>(f, "TabSheet2"));
  EXPECT_FALSE(Named<QProgressBar>(f, "initBar")->isVisibleTo(&f));
  EXPECT_TRUE(f.CardContext().Avr.PowerCycleAllowed);
  EXPECT_TRUE(Named<QAction>(f, "actInstallNTPortDrivers")->isEnabled());
}

TEST(MainFormActions, TabsAndRulesFollowTheImagesAtTheNextIdleMoment) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.show();
  RunUntilIdle();
  EXPECT_FALSE(TabShown(f, f.Page(ikFlash)));
  EXPECT_FALSE(TabShown(f, f.Page(ikIntEE)));
  EXPECT_FALSE(TabShown(f, f.Page(ikExtEE)));
  // All images empty: nothing to program, verify or save.
  for (QAction* a :
       AllNamed<QAction>(f, {"actProgAll", "actVerify", "actVerifyFlash", "actVerifyIntEE",
                             "actSaveFlash", "actSaveIntEE", "actSaveExtEE"}))
    EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  for (QAction* a :
       AllNamed<QAction>(f, {"actErase", "actReadFlash", "actReadIntEE", "actReadExtEE",
                             "actLoadFlash", "actLoadIntEE", "actLoadExtEE", "actImportXML"}))
    EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
  // Buttons follow their actions.
  EXPECT_FALSE(Named<QPushButton>(f, "btnProgAll")->isEnabled());
  EXPECT_FALSE(Named<QPushButton>(f, "btnVerify")->isEnabled());
  EXPECT_TRUE(Named<QPushButton>(f, "btnErase")->isEnabled());
  EXPECT_TRUE(Named<QToolButton>(f, "btnReadExtEE")->isEnabled());

  Fill(f.Editor(ikFlash), 8192, 0);
  EXPECT_FALSE(TabShown(f, f.Page(ikFlash)));  // not before the loop goes idle
  RunUntilIdle();
  EXPECT_TRUE(TabShown(f, f.Page(ikFlash)));
  EXPECT_FALSE(TabShown(f, f.Page(ikIntEE)));
  EXPECT_TRUE(Named<QAction>(f, "actSaveFlash")->isEnabled());
  EXPECT_TRUE(Named<QAction>(f, "actVerifyFlash")->isEnabled());
  EXPECT_FALSE(Named<QAction>(f, "actVerifyIntEE")->isEnabled());
  EXPECT_TRUE(Named<QAction>(f, "actProgAll")->isEnabled());
  EXPECT_TRUE(Named<QPushButton>(f, "btnVerify")->isEnabled());

  f.Editor(ikFlash)->ResetData();
  RunUntilIdle();
  EXPECT_FALSE(TabShown(f, f.Page(ikFlash)));
  EXPECT_FALSE(Named<QAction>(f, "actProgAll")->isEnabled());

  // Only an external image: Program All and Verify are offered.
  Fill(f.Editor(ikExtEE), 8192, 0);
  RunUntilIdle();
  EXPECT_TRUE(TabShown(f, f.Page(ikExtEE)));
  EXPECT_TRUE(Named<QAction>(f, "actProgAll")->isEnabled());
  EXPECT_TRUE(Named<QAction>(f, "actVerify")->isEnabled());
  EXPECT_FALSE(Named<QAction>(f, "actVerifyFlash")->isEnabled());
}

TEST(MainFormLock, SetUiEnabledLocksAndRestoresEverything) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.show();
  Fill(f.Editor(ikFlash), 8192, 0);
  RunUntilIdle();
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);

  f.SetUiEnabled(false);
  EXPECT_TRUE(f.UiLocked());
  for (QMenu* m : AllNamed<QMenu>(f, {"miFile", "miSystem", "miHelp"}))
    EXPECT_FALSE(m->menuAction()->isEnabled());
  for (QAction* a : LockedActions(f)) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
  for (QWidget* w : {static_cast<QWidget*>(Named<QComboBox>(f, "cbProcessor")),
                     static_cast<QWidget*>(Named<QComboBox>(f, "cbEeprom")),
                     static_cast<QWidget*>(Named<QComboBox>(f, "cbPort")),
                     static_cast<QWidget*>(Named<QToolButton>(f, "btnLoadFlash")),
                     static_cast<QWidget*>(Named<QPushButton>(f, "btnProgAll"))})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  for (THexEditor* e : {f.Editor(ikFlash), f.Editor(ikIntEE), f.Editor(ikExtEE)})
    EXPECT_TRUE(e->ReadOnlyView());
  EXPECT_TRUE(HourglassShown());

  // Idle moments while locked leave the lock alone.
  RunUntilIdle();
  EXPECT_FALSE(Named<QAction>(f, "actSaveFlash")->isEnabled());
  EXPECT_FALSE(Named<QAction>(f, "actProgAll")->isEnabled());
  // Locking twice keeps one hourglass.
  f.SetUiEnabled(false);

  f.SetUiEnabled(true);
  EXPECT_FALSE(f.UiLocked());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  for (QMenu* m : AllNamed<QMenu>(f, {"miFile", "miSystem", "miHelp"}))
    EXPECT_TRUE(m->menuAction()->isEnabled());
  for (THexEditor* e : {f.Editor(ikFlash), f.Editor(ikIntEE), f.Editor(ikExtEE)})
    EXPECT_FALSE(e->ReadOnlyView());
  EXPECT_TRUE(Named<QComboBox>(f, "cbProcessor")->isEnabled());
  EXPECT_TRUE(Named<QComboBox>(f, "cbPort")->isEnabled());
  RunUntilIdle();
  EXPECT_TRUE(Named<QAction>(f, "actSaveFlash")->isEnabled());
  EXPECT_FALSE(Named<QAction>(f, "actSaveIntEE")->isEnabled());  // the update rules are back
  EXPECT_TRUE(Named<QAction>(f, "actErase")->isEnabled());
}

TEST(MainFormErrors, OneDisplayForEveryCommandAndTheLockIsGivenBack) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.RunCommand([] { throw std::runtime_error("Format Error"); });
  ASSERT_EQ(h.Dialogs->Errors.size(), 1u);
  EXPECT_EQ(h.Dialogs->Errors[0].Text, "Format Error.");
  EXPECT_EQ(h.Dialogs->Errors[0].Title, "Pellar Remake");

  // A command that fails while it holds the card: card off, lock released.
  h.Log->Writes.clear();
  f.RunCommand([&f] {
    f.SetUiEnabled(false);
    f.CardContext().Link.PowerOn();
    throw std::runtime_error("Checksum Error!");
  });
  EXPECT_FALSE(f.UiLocked());
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(f.CardContext().Link.DataLatch, 0);
  EXPECT_EQ(h.Log->Writes.back().Value, 0);
  EXPECT_EQ(h.Dialogs->Errors.back().Text, "Checksum Error!");

  // Editor errors from a catalogue choice go the same way.
  f.Editor(ikFlash)->Core().SetNoSizeChange(true);
  Fill(f.Editor(ikFlash), 8192, 0);
  f.SelectProcessor(1);
  EXPECT_EQ(h.Dialogs->Errors.back().Text, "Cannot change fixed filesize.");
  EXPECT_EQ(f.Editor(ikFlash)->DataSize(), 8192);

  // So do edits the editor refuses at the keyboard: a deletion with a fixed
  // size (Ctrl+Delete in overwrite mode) is shown in the same box, and
  // the image stays as it was.
  const size_t before = h.Dialogs->Errors.size();
  QTest::keyClick(f.Editor(ikFlash), Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(h.Dialogs->Errors.size(), before + 1);
  EXPECT_EQ(h.Dialogs->Errors.back().Text, "Cannot update undo storage.");
  EXPECT_EQ(f.Editor(ikFlash)->DataSize(), 8192);
}

TEST(MainFormCatalogue, ProcessorChoiceSizesTheImages) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  Fill(f.Editor(ikFlash), 8192, 1);
  Fill(f.Editor(ikIntEE), 512, 7);
  f.SelectProcessor(4);  // AT90S2323
  EXPECT_EQ(f.Editor(ikFlash)->DataSize(), 2048);
  EXPECT_EQ(f.Editor(ikIntEE)->DataSize(), 128);
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(2047), static_cast<uint8_t>(1 + 2047));
  f.SelectProcessor(0);  // AT90S8515 again
  ASSERT_EQ(f.Editor(ikFlash)->DataSize(), 8192);
  ASSERT_EQ(f.Editor(ikIntEE)->DataSize(), 512);
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(2047), static_cast<uint8_t>(1 + 2047));
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(2048), 0xFF);  // the cut bytes do not come back
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(8191), 0xFF);
  EXPECT_EQ(f.Editor(ikIntEE)->PeekByte(127), static_cast<uint8_t>(7 + 127));
  EXPECT_EQ(f.Editor(ikIntEE)->PeekByte(128), 0xFF);
  EXPECT_TRUE(h.Dialogs->Errors.empty());
}

TEST(MainFormCatalogue, EmptyImagesAndTheSignatureLookUp) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  // An empty flash image becomes a full erased one; the others stay empty.
  f.SelectProcessor(1);
  ASSERT_EQ(f.Editor(ikFlash)->DataSize(), 4096);
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(0), 0xFF);
  EXPECT_EQ(f.Editor(ikIntEE)->DataSize(), 0);
  f.SelectEeprom(3);
  EXPECT_EQ(f.Editor(ikExtEE)->DataSize(), 0);
  Fill(f.Editor(ikExtEE), 65536, 0);
  f.SelectEeprom(1);
  EXPECT_EQ(f.Editor(ikExtEE)->DataSize(), 16384);

  // A detected processor is selected without resizing anything.
  f.CardHost().ProcessorDetected(2);
  EXPECT_EQ(Named<QComboBox>(f, "cbProcessor")->currentIndex(), 2);
  EXPECT_EQ(f.Editor(ikFlash)->DataSize(), 4096);
  f.CardHost().ProcessorDetected(0);
  EXPECT_EQ(f.Editor(ikFlash)->DataSize(), 4096);
  f.CardHost().ProcessorDetected(9);  // no such row: nothing changes
  EXPECT_EQ(Named<QComboBox>(f, "cbProcessor")->currentIndex(), 0);
  EXPECT_EQ(Named<QComboBox>(f, "cbEeprom")->currentIndex(), 1);
}

TEST(MainFormCatalogue, ImageSizedBeforeItsPageWasShownKeepsItsData) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.show();
  RunUntilIdle();
  f.SelectProcessor(3);  // sizes the flash image; its page was never shown
  f.Editor(ikFlash)->PokeByte(5, 0x42);
  RunUntilIdle();
  ASSERT_TRUE(TabShown(f, f.Page(ikFlash)));
  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikFlash));
  RunUntilIdle();
  EXPECT_TRUE(f.Editor(ikFlash)->isVisible());
  EXPECT_EQ(f.Editor(ikFlash)->DataSize(), 2048);
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(5), 0x42);
}

TEST(MainFormClose, CloseDuringALockedCommandWaitsForTheCardToBeOff) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.show();
  RunUntilIdle();
  bool visibleAfterClose = false;
  f.RunCommand([&] {
    f.SetUiEnabled(false);
    f.CardContext().Link.PowerOn();
    // The user closes the window while the command processes events.
    QTimer::singleShot(0, &f, &QWidget::close);
    f.CardHost().ProcessPendingEvents();
    f.CardHost().ProcessPendingEvents();
    visibleAfterClose = f.isVisible();
    f.CardContext().Link.PowerOff();
    f.SetUiEnabled(true);
  });
  EXPECT_TRUE(visibleAfterClose);
  EXPECT_TRUE(f.CloseDeferred());
  RunUntilIdle();
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(h.Log->Writes.back().Value, 0);

  // Unlocked, a close happens at once.
  TFormHarness h2;
  TMainForm& g = h2.Start({0x378});
  g.show();
  EXPECT_TRUE(g.close());
  EXPECT_FALSE(g.isVisible());
}

TEST(MainFormMenus, ContentsAboutAndDriverSetUp) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});

  // The guide shows inside the program, from the copy compiled in; no
  // desktop launcher is needed.
  Named<QAction>(f, "miContents")->trigger();
  EXPECT_TRUE(h.Dialogs->OpenedUrls.empty());
  auto* guide = f.findChild<TUserGuideWindow*>();
  ASSERT_NE(guide, nullptr);
  EXPECT_TRUE(guide->isVisible());
  EXPECT_TRUE(
      Named<QTextBrowser>(*guide, "UserGuideBrowser")->toPlainText().contains("Pellar Remake"));
  EXPECT_EQ(Named<QAction>(f, "miContents")->shortcut(), QKeySequence(Qt::Key_F1));
  Named<QAction>(f, "miContents")->trigger();  // the same window again
  EXPECT_EQ(f.findChildren<TUserGuideWindow*>().size(), 1);

  QString version;
  h.Dialogs->OnDialog = [&version](QDialog& d) {
    if (auto* about = qobject_cast<TAboutForm*>(&d))
      version = Named<QLabel>(*about, "versionLabel")->text();
    return int(QDialog::Accepted);
  };
  Named<QAction>(f, "miAbout")->trigger();
  EXPECT_EQ(version, "3.0.0 (Build 358)");
  // The title carries the same version, set once in the build.
  EXPECT_EQ(TMainForm::BaseTitle(), "Pellar Remake 3.0 ");

  QTemporaryDir root;
  f.DriverSetup().RootPrefix = root.path().toStdString();
  f.DriverSetup().IsPrivileged = [] { return true; };
  f.DriverSetup().LoadModule = [] { return true; };
  Named<QAction>(f, "actInstallNTPortDrivers")->trigger();
  EXPECT_TRUE(QFile::exists(root.filePath("etc/modules-load.d/pellar-ppdev.conf")));
  EXPECT_TRUE(QFile::exists(root.filePath("etc/udev/rules.d/60-pellar-parport.rules")));
  ASSERT_FALSE(h.Dialogs->Messages.empty());
  EXPECT_EQ(h.Dialogs->Messages.back().Text,
            "Installation complete.\n\nYou need to reboot before using driver.");
  EXPECT_EQ(h.Dialogs->Messages.back().Kind, mkInformation);
  EXPECT_EQ(f.CardHost().StatusText(), "");

  // Without root: the failure message and nothing written.
  QTemporaryDir other;
  f.DriverSetup().RootPrefix = other.path().toStdString();
  f.DriverSetup().IsPrivileged = [] { return false; };
  Named<QAction>(f, "actInstallNTPortDrivers")->trigger();
  EXPECT_FALSE(QFile::exists(other.filePath("etc")));
  EXPECT_EQ(h.Dialogs->Messages.back().Kind, mkError);
}

TEST(MainFormStatus, FocusEnteringTheProgrammerPageClearsTheStatusLine) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  Fill(f.Editor(ikFlash), 8192, 0);
  RunUntilIdle();
  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikFlash));
  f.Editor(ikFlash)->setFocus();
  RunUntilIdle();
  f.CardHost().SetStatusText("Flash verified.");
  // Moving within the page keeps it; entering the page clears it.
  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(Named<QWidget>(f, "TabSheet2"));
  Named<QComboBox>(f, "cbProcessor")->setFocus();
  RunUntilIdle();
  EXPECT_EQ(f.CardHost().StatusText(), "");
  f.CardHost().SetStatusText("Device verified.");
  Named<QComboBox>(f, "cbEeprom")->setFocus();
  RunUntilIdle();
  EXPECT_EQ(f.CardHost().StatusText(), "Device verified.");
}

TEST(MainFormProgress, BarsKeepTheirRangeAndStep) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.CardHost().SetProgressMax(pbFlash, 8192);
  f.CardHost().SetProgressStep(pbFlash, 128);
  f.CardHost().SetProgressPosition(pbFlash, 0);
  f.CardHost().StepProgress(pbFlash);
  f.CardHost().StepProgress(pbFlash);
  EXPECT_EQ(f.CardHost().ProgressPosition(pbFlash), 256);
  f.CardHost().SetProgressPosition(pbFlash, 9000);
  EXPECT_EQ(f.CardHost().ProgressPosition(pbFlash), 8192);
  f.CardHost().SetProgressMax(pbExtEE, 0);  // not a busy indicator
  EXPECT_GT(Named<QProgressBar>(f, "extBar")->maximum(), 0);
  f.CardHost().SetProgressVisible(pbInit, true);
  EXPECT_TRUE(Named<QProgressBar>(f, "initBar")->isVisibleTo(&f));
  f.CardHost().SetChipIdText("AT90S8515");
  EXPECT_EQ(Named<QLabel>(f, "chipidLabel")->text(), "AT90S8515");
}

TEST(MainFormProgrammerPage, TabGoesAlongTheRowsThenTheChoicesThenTheCommands) {
  TFormHarness h;
  TMainForm& f = h.Start({0x378});
  f.show();
  RunUntilIdle();
  QStringList order;
  QWidget* programmer = Named<QWidget>(f, "TabSheet2");
  QWidget* w = programmer;
  do {
    w = w->nextInFocusChain();
    if (programmer->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus)) order << w->objectName();
  } while (w != programmer);
  const QStringList expected = {
      "btnLoadFlash", "btnSaveFlash", "cbFlash",    "ebFlash",  "btnReadFlash", "btnVerifyFlash",
      "btnLoadIntEE", "btnSaveIntEE", "cbIntEE",    "ebIntEE",  "btnReadIntEE", "btnVerifyIntEE",
      "btnLoadExtEE", "btnSaveExtEE", "cbExtEE",    "ebExtEE",  "btnReadExtEE", "btnVerifyExtEE",
      "cbProcessor",  "cbEeprom",     "cbPort",     "btnProgAll", "btnErase",   "btnVerify",
      "btnReadCard"};
  EXPECT_EQ(order, expected);
  // Each row's controls stand on the line of its file name box.
  for (QWidget* row : {f.FileBox(ikFlash), f.FileBox(ikIntEE), f.FileBox(ikExtEE)}) {
    const QString image = row->objectName().mid(2);
    for (const char* prefix : {"btnLoad", "btnSave", "cb", "btnRead"}) {
      auto* c = programmer->findChild<QWidget*>(QString::fromLatin1(prefix) + image);
      ASSERT_NE(c, nullptr) << prefix << image.toStdString();
      EXPECT_LE(std::abs(c->geometry().center().y() - row->geometry().center().y()), 1)
          << prefix << image.toStdString();
    }
  }
}

TEST(MainFormAutoload, BoxesAndLastFilesAreRemembered) {
  TFormHarness h;
  {
    TMainForm& f = h.Start({0x378});
    Named<QCheckBox>(f, "cbExtEE")->setChecked(true);
    f.FileBox(ikExtEE)->setText("/tmp/card.hex");
    f.FileBox(ikExtEE)->clear();  // a read from the card: the last file stays
    h.Form.reset();
  }
  QSettings s(h.SettingsFile(), QSettings::IniFormat);
  EXPECT_TRUE(s.value("ExtEE/Autoload").toBool());
  EXPECT_EQ(s.value("ExtEE/LastFile").toString(), "/tmp/card.hex");
  EXPECT_FALSE(s.value("Flash/Autoload").toBool());
}

TEST(MainFormAutoload, CheckedImagesLoadAtStartUpEvenWithoutAPort) {
  TFormHarness h;
  const QString hex = h.Dir.filePath("flash.hex");
  {
    QFile file(hex);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(":10000000000102030405060708090A0B0C0D0E0F78\n:00000001FF\n");
  }
  {
    QSettings s(h.SettingsFile(), QSettings::IniFormat);
    s.setValue("Flash/Autoload", true);
    s.setValue("Flash/LastFile", hex);
    s.setValue("ExtEE/Autoload", false);
    s.setValue("ExtEE/LastFile", hex);
  }
  TMainForm& f = h.Start({});
  EXPECT_EQ(h.Dialogs->Messages.size(), 1u);  // the port-driver message
  ASSERT_EQ(f.Editor(ikFlash)->DataSize(), 8192);
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(15), 0x0F);
  EXPECT_EQ(f.Editor(ikFlash)->PeekByte(16), 0xFF);
  EXPECT_EQ(f.FileBox(ikFlash)->text(), QFileInfo(hex).absoluteFilePath());
  EXPECT_EQ(f.Editor(ikExtEE)->DataSize(), 0);  // its box is not checked
  EXPECT_TRUE(TabShown(f, f.Page(ikFlash)));
  EXPECT_TRUE(h.Dialogs->Errors.empty());
}

TEST(MainFormAutoload, JunkAndMissingFilesAreSkippedWithANote) {
  TFormHarness h;
  const QString junk = h.Dir.filePath("junk.hex");
  {
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is no hex file\n");
  }
  {
    QSettings s(h.SettingsFile(), QSettings::IniFormat);
    s.setValue("Flash/Autoload", true);
    s.setValue("Flash/LastFile", h.Dir.filePath("gone.hex"));
    s.setValue("IntEE/Autoload", "true");
    s.setValue("IntEE/LastFile", junk);
    s.setValue("ExtEE/Autoload", "banana");
    s.setValue("ExtEE/LastFile", QStringList({"a", "b"}));
  }
  TMainForm& f = h.Start({0x378});
  EXPECT_TRUE(Named<QCheckBox>(f, "cbFlash")->isChecked());
  EXPECT_TRUE(Named<QCheckBox>(f, "cbIntEE")->isChecked());
  EXPECT_FALSE(Named<QCheckBox>(f, "cbExtEE")->isChecked());
  EXPECT_TRUE(f.CardHost().StatusText().startsWith("Autoload: "));
  EXPECT_TRUE(f.CardHost().StatusText().contains("Flash file not found"));
  EXPECT_TRUE(f.CardHost().StatusText().contains("IntEE file " + junk + " skipped"));
  for (THexEditor* e : {f.Editor(ikFlash), f.Editor(ikIntEE), f.Editor(ikExtEE)})
    EXPECT_EQ(e->DataSize(), 0);
  EXPECT_EQ(f.FileBox(ikIntEE)->text(), "");
  EXPECT_TRUE(h.Dialogs->Errors.empty());
  // The remembered file is kept for next time.
  QSettings s(h.SettingsFile(), QSettings::IniFormat);
  EXPECT_EQ(s.value("IntEE/LastFile").toString(), junk);
}

}  // namespace
