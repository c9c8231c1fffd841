#pragma once
// The About box: product name, version, operating system, comments, the
// project's web address (opened by the desktop on a click) and the legal
// text, from the version record compiled into the program.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;
class TUserDialogs;

// What the build compiles in about the program (CMake gives the values).
struct TVersionRecord {
  bool Present = false;  // false: the labels fed from the record stay empty
  bool Debug = false;    // a debug build: the box is captioned "DebugBuild"
  QString ProductName;
  int Major = 0, Minor = 0, Release = 0, Build = 0;
  QString Comments;
  QString LegalCopyright;
};

// The record of this build.
TVersionRecord CompiledVersionRecord();

// "a.b.c.d" into the four numbers; false (and the record untouched) when
// the text is not four decimal numbers.
bool ParseVersionText(const QString& text, TVersionRecord& record);

// The operating-system line: the distribution's name and the kernel, for
// example "Debian GNU/Linux 12 (bookworm), Linux kernel 6.1.0-18-amd64".
QString OsVersionText();

// The project's web address shown in the box.
QString ProjectUrl();

class TAboutForm : public QDialog {
  Q_OBJECT
public:
  // `dialogs` opens the web address; null: the desktop directly.
  explicit TAboutForm(const TVersionRecord& record, TUserDialogs* dialogs = nullptr,
                      QWidget* parent = nullptr);

  // What a click on the web address does.
  void URLLabelClick();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QLabel* productLabel;
  QLabel* versionLabel;
  QLabel* winverLabel;
  QLabel* commentsLabel;
  QLabel* URLLabel;
  QLabel* copyLabel;
  QPushButton* BitBtn1;
  TUserDialogs* Dialogs;
};
