// Renders the main window, the About box, the confirm dialog, the Go to
// dialog and the user guide to PNG files for a look by eye. Runs only when PELLAR_SCREENSHOT_DIR
// names the directory to write them to.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QTabWidget>

#include "app/AboutUnit.h"
#include "app/EditCommands.h"
#include "app/ExtCmdUnit.h"
#include "app/GuideFindBar.h"
#include "app/TextQueryDialog.h"
#include "app/UserGuideWindow.h"
#include "hexedit/widget/HexEditor.h"
#include "hexedit/widget/HexFindBar.h"
#include "sim/VirtualCardPortSource.h"
#include "tests/app/MainFormHarness.h"

namespace {

QString ShotDir() { return qEnvironmentVariable("PELLAR_SCREENSHOT_DIR"); }

void Save(QWidget& w, const QString& name) {
  RunUntilIdle(50);
  const QPixmap shot = w.grab();
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(shot.save(QDir(ShotDir()).filePath(name)));
}

TEST(Screenshots, MainWindowAndDialogs) {
  if (ShotDir().isEmpty()) GTEST_SKIP() << "PELLAR_SCREENSHOT_DIR not set";
  TFormHarness h;
  std::vector<std::unique_ptr<TPortSource>> extra;
  extra.push_back(std::make_unique<TVirtualCardPortSource>());
  TMainForm& f = h.Start({}, std::move(extra));
  f.show();
  f.FileBox(ikFlash)->setText("/home/user/cards/demo-flash.hex");
  f.FileBox(ikIntEE)->setText("/home/user/cards/demo-eeprom.hex");
  Named<QCheckBox>(f, "cbFlash")->setChecked(true);
  f.Editor(ikFlash)->ResetData();
  f.Editor(ikFlash)->SetDataSize(8192);
  f.Editor(ikIntEE)->ResetData();
  f.Editor(ikIntEE)->SetDataSize(512);
  // As loaded from the files the boxes name.
  f.MarkImageClean(ikFlash);
  f.MarkImageClean(ikIntEE);
  f.CardHost().SetChipIdText("AT90S8515");
  f.CardHost().SetProgressMax(pbFlash, 8192);
  f.CardHost().SetProgressPosition(pbFlash, 8192);
  f.CardHost().SetProgressMax(pbIntEE, 512);
  f.CardHost().SetProgressPosition(pbIntEE, 512);
  f.CardHost().SetStatusText("Device programmed.");
  Save(f, "main-window.png");

  f.SetUiEnabled(false);
  f.CardHost().SetProgressVisible(pbInit, true);
  f.CardHost().SetProgressPosition(pbFlash, 3000);
  f.CardHost().SetStatusText("Programming flash...");
  Save(f, "main-window-locked.png");
  f.SetUiEnabled(true);

  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikFlash));
  Save(f, "main-window-flash.png");

  // Editing: the find bar open on a match, the status fields showing it.
  const char* text = "Pellar card v3";
  for (int i = 0; text[i]; ++i) f.Editor(ikFlash)->PokeByte(0x120 + i, uint8_t(text[i]));
  f.Editor(ikFlash)->setFocus();
  Named<QAction>(f, "actReplace")->trigger();
  THexFindBar* bar = Named<TEditCommands>(f, "EditCommands")->FindBar(ikFlash);
  bar->SetHexMode(false);
  bar->edFind->setText("card");
  bar->edReplace->setText("CARD");
  bar->FindNext();
  f.CardHost().SetStatusText("Device verified.");
  Save(f, "main-window-find.png");
  bar->Close();

  // The same page on a dark palette.
  QPalette dark;
  dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::WindowText, Qt::white);
  dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
  dark.setColor(QPalette::Text, Qt::white);
  dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  dark.setColor(QPalette::ButtonText, Qt::white);
  dark.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x18));
  dark.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
  const QPalette light = f.palette();
  f.setPalette(dark);
  f.Editor(ikFlash)->SelectRange(0x120, 0x123);
  f.Editor(ikFlash)->PokeByte(0x130, 0x55);
  f.Editor(ikFlash)->Core().ChangeByte(0x55, 0xAA, 0x130);
  f.CardHost().SetStatusText("Device verified.");  // after the edits, which clear it
  Save(f, "main-window-dark.png");
  f.setPalette(light);

  TAboutForm about(CompiledVersionRecord(), nullptr, &f);
  about.show();
  Save(about, "about.png");

  TdlgExtCmd dlg({.Verify = true}, &f);
  dlg.show();
  Save(dlg, "confirm-program-all.png");

  TdlgExtCmd read({.Restore = true}, &f);
  read.show();
  Save(read, "confirm-read-ext.png");

  // The Go to dialog with a refused offset.
  TTextQuery query;
  query.Title = QStringLiteral("Go to Offset");
  query.Label = QStringLiteral("&Offset:");
  query.Note = QStringLiteral(
      "Hex as 0x1F0 or 1F0h, decimal as 496, relative to the caret as +0x20 or -16.");
  query.Text = QStringLiteral("zz");
  query.Check = [](const QString&) {
    return QStringLiteral(
        "\"zz\" is not an offset: write hex as 0x1F0 or 1F0h, decimal as 496, "
        "or relative as +0x20 or -16");
  };
  TTextQueryDialog go(query, &f);
  go.show();
  go.accept();
  Save(go, "goto-refused.png");

  // The guide with its contents list and find bar.
  Named<QAction>(f, "miContents")->trigger();
  auto* guide = Named<TUserGuideWindow>(f, "UserGuideWindow");
  auto* findBar = Named<TGuideFindBar>(*guide, "GuideFindBar");
  findBar->Open();
  Named<QLineEdit>(*findBar, "edGuideFind")->setText(QStringLiteral("virtual card"));
  findBar->FindNext();
  Save(*guide, "user-guide.png");
}

}  // namespace
