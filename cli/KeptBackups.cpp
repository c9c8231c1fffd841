#include "cli/KeptBackups.h"

#include <QDir>

#include "images/BackupFile.h"

void KeepUnrestoredBackups(const TCardBackups& backups, TConsole& console) {
  if (!backups.Any()) return;
  const QStringList folders = BackupFolders();
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
