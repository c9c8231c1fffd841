// The card's own flash and internal EEPROM, read before a command erased
// the chip, that could not be written back (a write that failed, an abort,
// a card that stopped answering). They exist nowhere else, so they are
// kept: in the empty image of their page, as a modified image the user is
// asked about before it can be lost, or, where that page holds an image
// already, in a file of the program's data folder. The user is told where.
#include <QDateTime>
#include <QDir>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <cstring>

#include "app/MainUnit.h"
#include "hexedit/widget/HexEditor.h"
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

void TMainForm::KeepUnrestoredBackups(const TCardBackups& backups) {
  if (!backups.Any()) return;
  QString folder = BackupFolder;
  if (folder.isEmpty())
    folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
             QStringLiteral("/backups");

  QStringList lines;
  const auto keep = [&](TImageKind kind, const std::vector<uint8_t>& bytes, const QString& stem) {
    if (bytes.empty()) return;
    THexEditor* editor = ImageEditor(kind);
    const QString memory = ImageTitle(kind);
    QString file;
    // An image of the user's is never replaced: a file takes the backup.
    if (editor->DataSize() > 0) file = SaveBackupFile({folder, QDir::tempPath()}, stem, bytes);
    if (editor->DataSize() == 0 || (file.isEmpty() && !ImageModified(kind))) {
      editor->ResetData();
      editor->SetDataSize(static_cast<int>(bytes.size()));
      std::memcpy(editor->DataPointer(), bytes.data(), bytes.size());
      editor->ClearUndo();
      editor->SetModified(true);
      editor->viewport()->update();
      {
        const QSignalBlocker block(ImageFileBox(kind));
        ImageFileBox(kind)->clear();
      }
      lines << QStringLiteral(
                   "The card's %1 could not be written back. What it held before the chip "
                   "was erased is in the %2 page now, not yet saved: save it, and write it "
                   "to the card later.")
                   .arg(memory, ImagePageTitle(kind));
    } else if (!file.isEmpty()) {
      lines << QStringLiteral(
                   "The card's %1 could not be written back. What it held before the chip "
                   "was erased is saved in\n%2\nLoad it and write it to the card later.")
                   .arg(memory, file);
    } else {
      lines << QStringLiteral(
                   "The card's %1 could not be written back, and no file could be written "
                   "to keep it. Save your %1 image, then read the card's memories again "
                   "before you erase it.")
                   .arg(memory);
    }
  };
  keep(ikFlash, backups.Flash, QStringLiteral("flash-backup"));
  keep(ikIntEE, backups.Eeprom, QStringLiteral("eeprom-backup"));
  UpdateModifiedMarks();
  // The page shows at once, not at the next idle moment.
  UpdateActions();
  Beep();
  ShowMessageDialog(lines.join(QStringLiteral("\n\n")).toStdString(), mkError, mbOK);
}
