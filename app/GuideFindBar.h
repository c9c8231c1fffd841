#pragma once
// The find bar of the user guide window: a field, Previous and Next, a
// note, and Close. Typing looks for the text from where the last match
// began; Enter finds the next match, Shift+Enter the previous one, passing
// the guide's end or start continues at the other end (the note says so);
// Escape closes the bar and leaves the guide window open. Matching ignores
// case.

#include <QWidget>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QToolButton;

class TGuideFindBar : public QWidget {
  Q_OBJECT
public:
  TGuideFindBar(QTextBrowser* browser, QWidget* parent = nullptr);

  // Shows the bar and puts the focus into its field, the text selected.
  void Open();
  void Close();
  void FindNext();
  void FindPrevious();
  QString Note() const;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QLineEdit* edFind = nullptr;
  QToolButton* btnPrevious = nullptr;
  QToolButton* btnNext = nullptr;
  QLabel* lblNote = nullptr;
  QToolButton* btnClose = nullptr;
  QTextBrowser* FBrowser;
  // Looks for the field's text forward or backward from `from`, round the
  // ends; selects and shows the match.
  void Search(bool forward, int from);
};
