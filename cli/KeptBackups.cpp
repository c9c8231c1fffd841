#include "cli/KeptBackups.h"

#include <QDateTime>
#include <QDir>
#include <QStandardPaths>

#include "images/HexFileUnit.h"

namespace {

// Writes the backup as a HEX file in the first folder that takes it; the
// file's path, or empty.
QString SaveBackupFile(const QStringList& folders, const QString& stem,
                       const std::vector<uint8_t>& bytes) {
  const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
  for (const QString& folder : folders) {
    if (folder.isEmpty() || !QDir().mkpath(folder)) continue;
    const QString file = QDir(folder).filePath(QStringLiteral("%1-%2.hex").arg(stem, stamp));
    try {
      WriteHexFile(file, bytes.data(), static_cast<int32_t>(bytes.size()));
      return QDir::toNativeSeparators(file);
    } catch (const std::exception&) {
      // The next folder, then.
    }
  }
  return {};
}

}  // namespace

void KeepUnrestoredBackups(const TCardBackups& backups, TConsole& console) {
  if (!backups.Any()) return;
  const QStringList folders = {
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/backups"),
      QDir::tempPath()};
  const auto keep = [&](const std::vector<uint8_t>& bytes, const QString& memory,
                        const QString& stem) {
    if (bytes.empty()) return;
    const QString file = SaveBackupFile(folders, stem, bytes);
    console.Error(
        (file.isEmpty()
             ? QStringLiteral("The card's %1 could not be written back, and no file could be "
                              "written to keep it.")
                   .arg(memory)
             : QStringLiteral("The card's %1 could not be written back. What it held before the "
                              "chip was erased is saved in\n%2\nLoad it and write it to the card "
                              "later.")
                   .arg(memory, file))
            .toStdString());
  };
  keep(backups.Flash, QStringLiteral("flash"), QStringLiteral("flash-backup"));
  keep(backups.Eeprom, QStringLiteral("internal eeprom"), QStringLiteral("eeprom-backup"));
}
