#pragma once
// Where the card's own memories go when a command could not write them
// back and no image page can take them: a HEX file named by what it holds
// and the time, in the first folder that takes it (the program's data
// folder, then the temp folder).

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

#include "images/ImageMemory.h"

// ~/.local/share/pellar-remake/pellar/backups (the application's data
// folder), then the temp folder.
QStringList BackupFolders();

// Writes `bytes` as "<stem>-<yyyyMMdd-HHmmss>.hex" in the first of
// `folders` that takes it, with "-2", "-3", ... added when that name is
// taken; the file's path, or empty when none did.
QString SaveBackupFile(const QStringList& folders, const QString& stem,
                       const std::vector<uint8_t>& bytes);

// A backup of the card's own flash or internal EEPROM: what it held before
// the chip was erased, which could not be written back.
struct TCardBackupFile {
  QString File;     // its path; empty when no folder took it
  QString Message;  // what the user is told
};

// Saves the backup of `memory` (imFlash or imIntEE) with SaveBackupFile,
// as "flash-backup-..." or "eeprom-backup-...", and says where:
//   "The card's flash could not be written back. What it held before the
//   chip was erased is saved in\n<file>\nLoad it and write it to the card
//   later."
// or, when no folder took it:
//   "The card's flash could not be written back, and no file could be
//   written to keep it."
TCardBackupFile SaveCardBackup(const QStringList& folders, TImageMemory memory,
                               const std::vector<uint8_t>& bytes);
