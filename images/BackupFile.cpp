#include "images/BackupFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "images/HexFileUnit.h"

QStringList BackupFolders(const QString& preferred) {
  QStringList folders;
  if (!preferred.isEmpty()) folders << preferred;
  folders << QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                 QStringLiteral("/backups")
          << QDir::tempPath();
  return folders;
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
