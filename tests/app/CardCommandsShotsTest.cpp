// The card commands as a user meets them: files loaded, Program All and
// Read Ext. EEprom run on the virtual card, and the window grabbed to PNG
// while they run and when they end. Runs only when PELLAR_SCREENSHOT_DIR
// names the directory to write the pictures to.
#include <gtest/gtest.h>

#include <QDir>
#include <QPixmap>
#include <QProgressBar>
#include <QTabWidget>

#include "images/HexFileUnit.h"
#include "tests/app/CardCommandsRig.h"

namespace {

QString ShotDir() { return qEnvironmentVariable("PELLAR_SCREENSHOT_DIR"); }

void Save(QWidget& w, const QString& name) {
  const QPixmap shot = w.grab();
  ASSERT_FALSE(shot.isNull());
  EXPECT_TRUE(shot.save(QDir(ShotDir()).filePath(name)));
}

TEST(CardCommandsShots, ProgramAllAndReadExtEeprom) {
  if (ShotDir().isEmpty()) GTEST_SKIP() << "PELLAR_SCREENSHOT_DIR not set";
  TCardCommandsRig rig(CardConfig(0, 0));  // AT90S8515 with a 2464/2465
  TRecordingForm& f = rig.F();
  f.show();
  RunUntilIdle(50);

  // Three files, loaded as the load commands do.
  const QString flashFile = rig.Dir.filePath(QStringLiteral("demo-flash.hex"));
  const QString eepromFile = rig.Dir.filePath(QStringLiteral("demo-eeprom.hex"));
  const QString extFile = rig.Dir.filePath(QStringLiteral("demo-ext.hex"));
  const auto flash = SparseBytes(8192, 1, 600);
  const auto eeprom = SparseBytes(512, 2, 64);
  const auto ext = RandomBytes(8192, 3);
  WriteHexFile(flashFile, flash.data(), 8192);
  WriteHexFile(eepromFile, eeprom.data(), 512);
  WriteHexFile(extFile, ext.data(), 8192);
  f.LoadImageFile(ikFlash, flashFile);
  f.LoadImageFile(ikIntEE, eepromFile);
  f.LoadImageFile(ikExtEE, extFile);
  RunUntilIdle(50);

  // Mid-run pictures, taken when the status line changes.
  int shots = 0;
  f.OnStatus = [&](const std::string& text) {
    if (text == "Writing and page verifying external eeprom..." || text == "Programming flash..." ||
        text == "Reading external eeprom...")
      Save(f, QStringLiteral("card-running-%1.png").arg(++shots));
  };
  // And one with the flash bar half way.
  bool halfWay = false;
  QObject::connect(Named<QProgressBar>(f, "flashBar"), &QProgressBar::valueChanged, &f,
                   [&](int value) {
                     if (halfWay || value < Named<QProgressBar>(f, "flashBar")->maximum() / 2 ||
                         Named<QProgressBar>(f, "flashBar")->maximum() < 8192)
                       return;
                     halfWay = true;
                     Save(f, QStringLiteral("card-running-flash-half.png"));
                   });
  rig.Trigger(Named<QAction>(f, "actProgAll"));
  EXPECT_TRUE(halfWay);
  EXPECT_EQ(f.Statuses.back(), "Device programmed.");
  EXPECT_TRUE(rig.MessageTexts().empty());
  RunUntilIdle(50);
  Save(f, QStringLiteral("card-program-all-done.png"));

  rig.Card().ExternalEeprom().Memory = RandomBytes(8192, 4);
  rig.Trigger(Named<QAction>(f, "actReadExtEE"));
  RunUntilIdle(50);
  Save(f, QStringLiteral("card-read-ext-done.png"));
  Named<QTabWidget>(f, "pgcMain")->setCurrentWidget(f.Page(ikExtEE));
  RunUntilIdle(50);
  Save(f, QStringLiteral("card-read-ext-page.png"));
  EXPECT_EQ(TCardCommandsRig::Bytes(f.Editor(ikExtEE)), rig.Card().ExternalEeprom().Memory);
}

}  // namespace
