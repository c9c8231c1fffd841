// The card's own flash and internal EEPROM, read before a command erased
// the chip, that could not be written back (a write that failed, an abort,
// a card that stopped answering, an error of the port). They exist nowhere
// else, so they are kept, and the user is told where:
// - in the empty image of their page, as a modified image the user is
//   asked about before it can be lost;
// - where that page holds an image already, in a file of the program's
//   data folder (else the temp folder);
// - where no such file can be written, in a file the user picks with the
//   save dialog;
// - failing that, in the page after all: at once when the page's image is
//   the file it came from (it can be loaded again), otherwise only when
//   the user says so, since that image is in no file.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include "app/MainUnit.h"
#include "hexedit/widget/HexEditor.h"
#include "images/BackupFile.h"
#include "images/ImageFormats.h"

void TMainForm::KeepUnrestoredBackups(const TCardBackups& backups) {
  if (!backups.Any()) return;
  // A test's folder when set; else the data folder, then the temp folder.
  const QStringList folders =
      FBackupFolder.isEmpty() ? BackupFolders() : QStringList{FBackupFolder, QDir::tempPath()};

  QStringList lines;
  const auto keep = [&](TImageKind kind, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return;
    THexEditor* editor = Editor(kind);
    const QString memory = ImageTitle(kind);
    const QString page = ImagePageTitle(kind);
    const auto intoPage = [&](const QString& note) {
      FileBox(kind)->clear();
      SetImageBytes(kind, bytes, true);
      lines << QStringLiteral(
                   "The card's %1 could not be written back. What it held before the chip "
                   "was erased is in the %2 page now, not yet saved: save it, and write it "
                   "to the card later.%3")
                   .arg(memory, page, note);
    };
    if (editor->DataSize() == 0) return intoPage(QString());

    // An image of the user's is never replaced without a word: a file
    // takes the backup.
    const TCardBackupFile file =
        SaveCardBackup(folders, static_cast<TImageMemory>(kind), bytes);
    if (!file.File.isEmpty()) {
      lines << file.Message;
      return;
    }
    // The page's image is the file it came from, unchanged: it can be
    // loaded again.
    const QString source = FileBox(kind)->text();
    if (Images[kind].SavesInPlace && !ImageModified(kind))
      return intoPage(QStringLiteral(" The image it replaced is still in\n%1")
                          .arg(QDir::toNativeSeparators(source)));

    // No folder took it: the user picks a place.
    ShowMessageDialog((file.Message + QStringLiteral(" Choose a file for it.")).toStdString(),
                      mkError, mbOK);
    QString saveError;
    const QString chosen = AskSaveFileName(
        {QStringLiteral("Save the card's %1 As").arg(memory), ImageSaveFilter(),
         QStringLiteral("hex"),
         kind == ikFlash ? QStringLiteral("flash-backup.hex") : QStringLiteral("eeprom-backup.hex")});
    if (!chosen.isEmpty()) {
      try {
        ::SaveImageFile(chosen, bytes.data(), static_cast<int32_t>(bytes.size()));
        lines << QStringLiteral(
                     "The card's %1 could not be written back. What it held before the chip "
                     "was erased is saved in\n%2\nLoad it and write it to the card later.")
                     .arg(memory, QDir::toNativeSeparators(chosen));
        return;
      } catch (const std::exception& e) {
        saveError = QStringLiteral("\n\n%1").arg(QString::fromLocal8Bit(e.what()));
      }
    }
    // Nowhere else: the page, if the user will give up the image in it.
    if (ShowMessageDialog(QStringLiteral("The card's %1 could not be written back, and it could "
                                         "not be saved in a file.%2\n\nThe %3 page holds an "
                                         "image that is in no file. Put the card's %1 into the "
                                         "page in its place?\n\nNo: your image stays and the "
                                         "card's %1 is lost.")
                              .arg(memory, saveError, page)
                              .toStdString(),
                          mkConfirmation, mbYesNo) == mrYes)
      return intoPage(QString());
    lines << file.Message + QStringLiteral(" Your %1 image stays; the card's %1 is lost.")
                                .arg(memory);
  };
  keep(ikFlash, backups.Flash);
  keep(ikIntEE, backups.Eeprom);
  UpdateModifiedMarks();
  // The page shows at once, not at the next idle moment.
  UpdateActions();
  Beep();
  ShowMessageDialog(lines.join(QStringLiteral("\n\n")).toStdString(), mkError, mbOK);
}
