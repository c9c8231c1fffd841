#pragma once
// The user guide inside the program: the guide's Markdown, compiled into
// the program as a resource, rendered in a window of its own beside the
// main window (Help -> Contents, F1). A contents list of the guide's
// headings stands at the left (a click shows that section, and the list
// follows the reading place); Ctrl+F opens a find bar under the guide.
// Links within the guide stay in the window; links to the web go to the
// desktop's browser.

#include <QDialog>

class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class TGuideFindBar;

class TUserGuideWindow : public QDialog {
  Q_OBJECT
public:
  explicit TUserGuideWindow(QWidget* parent = nullptr);

  // The resource the guide is read from.
  static QString GuideResource();

  // Shows the section of a contents entry, its heading at the top.
  void ShowSection(QTreeWidgetItem* item);

private:
  QTextBrowser* Browser = nullptr;
  // One entry per heading, nested by level; each holds its heading's
  // position in the document (Qt::UserRole).
  QTreeWidget* Contents = nullptr;
  TGuideFindBar* FindBar = nullptr;
  void FillContents();
  // Marks the entry of the section at the top of the view.
  void FollowReadingPlace();
};
