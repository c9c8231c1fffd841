#pragma once
// Where the card's own memories go when a command could not write them
// back and no image page can take them: a HEX file named by what it holds
// and the time, in the first folder that takes it (the program's data
// folder, then the temp folder).

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// ~/.local/share/pellar-remake/pellar/backups (the application's data
// folder), then the temp folder; `preferred` first when given.
QStringList BackupFolders(const QString& preferred = QString());

// Writes `bytes` as "<stem>-<yyyyMMdd-HHmmss>.hex" in the first of
// `folders` that takes it, with "-2", "-3", ... added when that name is
// taken; the file's path, or empty when none did.
QString SaveBackupFile(const QStringList& folders, const QString& stem,
                       const std::vector<uint8_t>& bytes);
