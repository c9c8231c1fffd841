#include "images/BackupFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "images/HexFileUnit.h"

QStringList BackupFolders() {
  return {QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
              QStringLiteral("/backups"),
          QDir::tempPath()};
}

QString SaveBackupFile(const QStringList& folders, const QString& stem,
                       const std::vector<uint8_t>& bytes) {
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  for (const QString& folder : folders) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) continue;
    // Never over an earlier backup: two failures in one second (a batch of
    // cards) each keep their own file.
    QString file = QDir(folder).filePath(QStringLiteral("%1-%2.hex").arg(stem, stamp));
    for (int n = 2; QFileInfo::exists(file); ++n)
      file = QDir(folder).filePath(QStringLiteral("%1-%2-%3.hex").arg(stem, stamp).arg(n));
    try {
      WriteHexFile(file, bytes.data(), static_cast<int32_t>(bytes.size()));
      return QDir::toNativeSeparators(file);
    } catch (const std::exception&) {
      // The next folder, then.
    }
  }
  return {};
}

TCardBackupFile SaveCardBackup(const QStringList& folders, TImageMemory memory,
                               const std::vector<uint8_t>& bytes) {
  const bool flash = memory == imFlash;
  const QString name = flash ? QStringLiteral("flash") : QStringLiteral("internal eeprom");
  TCardBackupFile backup;
  backup.File = SaveBackupFile(
      folders, flash ? QStringLiteral("flash-backup") : QStringLiteral("eeprom-backup"), bytes);
  backup.Message =
      backup.File.isEmpty()
          ? QStringLiteral(
                "The card's %1 could not be written back, and no file could be written "
                "to keep it.")
                .arg(name)
          : QStringLiteral(
                "The card's %1 could not be written back. What it held before the chip "
                "was erased is saved in\n%2\nLoad it and write it to the card later.")
                .arg(name, backup.File);
  return backup;
}
