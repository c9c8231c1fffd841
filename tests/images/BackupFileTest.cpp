// Kept backups: each failure keeps its own file, even several in one
// second, and a folder that cannot be made passes on to the next; the
// user is told where the card's memories went.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "images/BackupFile.h"
#include "images/HexFileUnit.h"

namespace {

TEST(BackupFile, EveryBackupKeepsItsOwnFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QFile blocker(dir.filePath(QStringLiteral("not-a-folder")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QStringList folders = {blocker.fileName() + QStringLiteral("/backups"),
                               dir.filePath(QStringLiteral("backups"))};

  QStringList files;
  for (uint8_t fill = 1; fill <= 3; ++fill) {
    files << SaveBackupFile(folders, QStringLiteral("flash-backup"),
                            std::vector<uint8_t>(64, fill));
    ASSERT_TRUE(files.back().startsWith(dir.filePath(QStringLiteral("backups/flash-backup-"))))
        << files.back().toStdString();
  }
  EXPECT_EQ(QDir(folders[1]).entryList(QDir::Files).size(), 3);
  for (uint8_t fill = 1; fill <= 3; ++fill) {
    std::vector<uint8_t> bytes(64, 0);
    ReadHexFile(files[fill - 1], bytes.data(), 64);
    EXPECT_EQ(bytes, std::vector<uint8_t>(64, fill)) << files[fill - 1].toStdString();
  }

  // The card's memories, and what the user is told: where, or that
  // nowhere.
  const TCardBackupFile eeprom = SaveCardBackup(folders, imIntEE, std::vector<uint8_t>(8, 0));
  EXPECT_TRUE(eeprom.File.startsWith(dir.filePath(QStringLiteral("backups/eeprom-backup-"))));
  EXPECT_EQ(eeprom.Message,
            QStringLiteral("The card's internal eeprom could not be written back. What it held "
                           "before the chip was erased is saved in\n%1\nLoad it and write it to "
                           "the card later.")
                .arg(eeprom.File));
  const TCardBackupFile lost = SaveCardBackup({folders[0]}, imFlash, std::vector<uint8_t>(8, 0));
  EXPECT_TRUE(lost.File.isEmpty());
  EXPECT_EQ(lost.Message, QStringLiteral("The card's flash could not be written back, and no file "
                                         "could be written to keep it."));
}

}  // namespace
