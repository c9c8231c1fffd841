#pragma once
// Every modal question the main window asks goes through TUserDialogs, so
// that tests can answer it: the open and save file dialogs, the message
// box of ShowMessageDialog, the stop-icon error box, modal dialogs such as
// TdlgExtCmd and TAboutForm, and handing a web address or file to the
// desktop. TQtUserDialogs is the real one.

#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

#include "link/CardHost.h"

class QDialog;
class QWidget;

// One use of the open or save dialog. Filter is written as pairs of
// description and pattern separated by "|", for example
// "Intel hex files (*.hex)|*.hex|All files (*.*)|*.*".
struct TFileDialogRequest {
  QString Title;
  QString Filter;
  QString DefaultSuffix;  // added to a typed name without one (save only)
  QString InitialName;
};

// One question for a line of text (go to, the fill value).
struct TTextQuery {
  QString Title;
  QString Label;
  QString Note;  // shown under the field; may be empty
  QString Text;  // the field's text at the start
  // Checks a text before the dialog closes: empty accepts it; anything
  // else is the message shown while the dialog stays open.
  std::function<QString(const QString&)> Check;
};

// The answer to "The <image> image has unsaved changes. Save them?".
enum TSaveChoice { scSave, scDiscard, scCancel };

class TUserDialogs {
public:
  virtual ~TUserDialogs() = default;

  // The chosen file's full path; empty when the user cancelled. The open
  // dialog does not insist that the file exist; the save dialog asks
  // before replacing one.
  virtual QString OpenFileName(QWidget* parent, const TFileDialogRequest& request) = 0;
  virtual QString SaveFileName(QWidget* parent, const TFileDialogRequest& request) = 0;

  // The message box of ShowMessageDialog.
  virtual TMessageResult MessageDialog(QWidget* parent, const QString& text, TMessageKind kind,
                                       TMessageButtons buttons) = 0;

  // The unsaved-changes question with Save, Discard and Cancel; Escape and
  // the close button answer Cancel.
  virtual TSaveChoice AskSaveChanges(QWidget* parent, const QString& title,
                                     const QString& text) = 0;

  // The box with a stop icon and an OK button that shows a command's error.
  virtual void ErrorBox(QWidget* parent, const QString& title, const QString& text) = 0;

  // Shows a prepared dialog modally; returns its result (QDialog::Accepted
  // or QDialog::Rejected). The caller reads the dialog's state afterwards.
  virtual int ExecDialog(QDialog& dialog) = 0;

  // Hands a web address or a local file to the desktop's default handler.
  virtual bool OpenUrl(const QUrl& url) = 0;

  // Asks for a line of text; the text the check accepted, or nothing when
  // the user cancelled.
  virtual std::optional<QString> AskText(QWidget* parent, const TTextQuery& query) = 0;
};

class TQtUserDialogs : public TUserDialogs {
public:
  QString OpenFileName(QWidget* parent, const TFileDialogRequest& request) override;
  QString SaveFileName(QWidget* parent, const TFileDialogRequest& request) override;
  TMessageResult MessageDialog(QWidget* parent, const QString& text, TMessageKind kind,
                               TMessageButtons buttons) override;
  TSaveChoice AskSaveChanges(QWidget* parent, const QString& title, const QString& text) override;
  void ErrorBox(QWidget* parent, const QString& title, const QString& text) override;
  int ExecDialog(QDialog& dialog) override;
  bool OpenUrl(const QUrl& url) override;
  std::optional<QString> AskText(QWidget* parent, const TTextQuery& query) override;
};

// "Name (*.a)|*.a|All files (*.*)|*.*" as the file dialog's name filters:
// "Name (*.a)", "All files (*)". "*.*" becomes "*", which on Linux also
// matches names without a dot.
QStringList FileDialogFilters(const QString& filter);
