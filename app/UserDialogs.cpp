#include "app/UserDialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include "app/MessageDialog.h"
#include "app/TextQueryDialog.h"

QStringList FileDialogFilters(const QString& filter) {
  QStringList result;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString name = parts[i].trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    // The dialog reads the patterns from the parentheses of the name.
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    name.remove(trailingPatterns);
    result << QStringLiteral("%1 (%2)").arg(name, patterns.join(QLatin1Char(' ')));
  }
  return result;
}

namespace {

void Prepare(QFileDialog& dialog, const TFileDialogRequest& request) {
  dialog.setWindowTitle(request.Title);
  dialog.setNameFilters(FileDialogFilters(request.Filter));
  if (!request.InitialName.isEmpty()) dialog.selectFile(request.InitialName);
}

QString Chosen(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? QString() : files.front();
}

}  // namespace

QString TQtUserDialogs::OpenFileName(QWidget* parent, const TFileDialogRequest& request) {
  QFileDialog dialog(parent);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  return Chosen(dialog);
}

QString TQtUserDialogs::SaveFileName(QWidget* parent, const TFileDialogRequest& request) {
  QFileDialog dialog(parent);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(request.DefaultSuffix);
  return Chosen(dialog);
}

TMessageResult TQtUserDialogs::MessageDialog(QWidget* parent, const QString& text,
                                             TMessageKind kind, TMessageButtons buttons) {
  return ShowMessageDialog(parent, text, kind, buttons);
}

TSaveChoice TQtUserDialogs::AskSaveChanges(QWidget* parent, const QString& title,
                                           const QString& text) {
  QMessageBox box(QMessageBox::Warning, title, text,
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Save);
  // Escape, and with it the close button, answers Cancel.
  box.setEscapeButton(QMessageBox::Cancel);
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Save: return scSave;
    case QMessageBox::Discard: return scDiscard;
    default: return scCancel;
  }
}

void TQtUserDialogs::ErrorBox(QWidget* parent, const QString& title, const QString& text) {
  CreateErrorBox(parent, title, text)->exec();
}

int TQtUserDialogs::ExecDialog(QDialog& dialog) { return dialog.exec(); }

bool TQtUserDialogs::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

std::optional<QString> TQtUserDialogs::AskText(QWidget* parent, const TTextQuery& query) {
  TTextQueryDialog dialog(query, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Text();
}
