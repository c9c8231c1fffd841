// The card's own flash and internal EEPROM, read before a command erased
// the chip, that could not be written back (a write that failed, an abort,
// a card that stopped answering). They exist nowhere else, so they are
// kept: in the empty image of their page, as a modified image the user is
// asked about before it can be lost, or, where that page holds an image
// already, in a file of the program's data folder. The user is told where.
#include <QDir>
#include <QLineEdit>

#include "app/MainUnit.h"
#include "hexedit/widget/HexEditor.h"
#include "images/BackupFile.h"

void TMainForm::KeepUnrestoredBackups(const TCardBackups& backups) {
  if (!backups.Any()) return;
  // A test's folder when set; else the data folder, then the temp folder.
  const QStringList folders =
      BackupFolder.isEmpty() ? BackupFolders() : QStringList{BackupFolder, QDir::tempPath()};

  QStringList lines;
  const auto keep = [&](TImageKind kind, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return;
    THexEditor* editor = ImageEditor(kind);
    const QString memory = ImageTitle(kind);
    TCardBackupFile file;
    // An image of the user's is never replaced: a file takes the backup.
    if (editor->DataSize() > 0)
      file = SaveCardBackup(folders, static_cast<TImageMemory>(kind), bytes);
    if (editor->DataSize() == 0 || (file.File.isEmpty() && !ImageModified(kind))) {
      ImageFileBox(kind)->clear();
      SetImageBytes(kind, bytes, true);
      lines << QStringLiteral(
                   "The card's %1 could not be written back. What it held before the chip "
                   "was erased is in the %2 page now, not yet saved: save it, and write it "
                   "to the card later.")
                   .arg(memory, ImagePageTitle(kind));
    } else if (!file.File.isEmpty()) {
      lines << file.Message;
    } else {
      lines << file.Message +
                   QStringLiteral(
                       " Save your %1 image, then read the card's memories again before you "
                       "erase it.")
                       .arg(memory);
    }
  };
  keep(ikFlash, backups.Flash);
  keep(ikIntEE, backups.Eeprom);
  UpdateModifiedMarks();
  // The page shows at once, not at the next idle moment.
  UpdateActions();
  Beep();
  ShowMessageDialog(lines.join(QStringLiteral("\n\n")).toStdString(), mkError, mbOK);
}
