#pragma once
// The user guide inside the program: the guide's Markdown, compiled into
// the program as a resource, rendered in a window of its own beside the
// main window (Help -> Contents, F1). Links within the guide stay in the
// window; links to the web go to the desktop's browser.

#include <QDialog>

class QTextBrowser;

class TUserGuideWindow : public QDialog {
  Q_OBJECT
public:
  explicit TUserGuideWindow(QWidget* parent = nullptr);

  // The resource the guide is read from.
  static QString GuideResource();

  QTextBrowser* Browser = nullptr;
};
