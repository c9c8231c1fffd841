#include "cli/KeptBackups.h"

#include "images/BackupFile.h"

void KeepUnrestoredBackups(const TCardBackups& backups, TConsole& console) {
  if (!backups.Any()) return;
  const QStringList folders = BackupFolders();
  const auto keep = [&](TImageMemory memory, const std::vector<uint8_t>& bytes) {
    if (!bytes.empty()) console.Error(SaveCardBackup(folders, memory, bytes).Message.toStdString());
  };
  keep(imFlash, backups.Flash);
  keep(imIntEE, backups.Eeprom);
}
