#pragma once
// The find bar under a hex editor: what to find (hex bytes, or text
// through the editor's translation with or without case), next and
// previous (Enter and Shift+Enter in the bar, or its buttons), and in
// replace mode a second row with the replacement, Replace and Replace
// All. The note at the right says what happened: a wrap round the data's
// ends, nothing found, how many were replaced, or what is wrong with the
// text; where the find row has no room for it, it takes a line under the
// rows. Escape closes the bar and gives the focus back to the editor.

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QCheckBox;
class QHBoxLayout;
class QKeyEvent;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;
class TCustomHexEditor;
class THexPattern;

class THexFindBar : public QWidget {
  Q_OBJECT
public:
  explicit THexFindBar(TCustomHexEditor* editor, QWidget* parent = nullptr);

  TCustomHexEditor* Editor() const { return FEditor; }

  // Shows the bar (with the replace row or without) and puts the focus
  // into the find field, its text selected. Opening a closed bar makes a
  // short selection of the editor the text to find, in the mode of the
  // caret's field (as hex bytes when the characters shown would not find
  // the selected bytes, as masked ones would not).
  void OpenFind();
  void OpenReplace();
  void Close();
  bool ReplaceMode() const;

  // The bar's commands; each leaves its outcome in the note.
  void FindNext();
  void FindPrevious();
  void ReplaceOne();
  void ReplaceAll();

  // Hex bytes (true) or text.
  bool HexMode() const;
  void SetHexMode(bool hex);
  QString Note() const;

  QLineEdit* edFind = nullptr;
  QComboBox* cbMode = nullptr;
  QCheckBox* cbMatchCase = nullptr;
  QToolButton* btnPrevious = nullptr;
  QToolButton* btnNext = nullptr;
  QLabel* lblNote = nullptr;
  QToolButton* btnClose = nullptr;
  QWidget* ReplaceRow = nullptr;
  QLineEdit* edReplace = nullptr;
  QToolButton* btnReplace = nullptr;
  QToolButton* btnReplaceAll = nullptr;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  TCustomHexEditor* FEditor;
  void Open(bool replace);
  void Search(bool forward);
  // The pattern of the find field; false (with the note set) when the
  // text makes none.
  bool Pattern(THexPattern& pattern);
  bool Replacement(std::vector<uint8_t>& bytes);
  // Both fields' bytes, and whether the data can take a replacement now;
  // false with the note set when anything is missing.
  bool ReplaceInputs(THexPattern& pattern, std::vector<uint8_t>& replacement);
  // Runs a replace command and shows the note it returns, or the error
  // it raises.
  void RunReplace(const std::function<QString()>& replace);
  void SetNote(const QString& text, bool error = false);
  // The note's colour for the bar's palette.
  void ColourNote();
  bool FNoteIsError = false;
  // The note stands at the right of the find row while its text fits in
  // the room that row leaves at its least, else on a line of its own
  // under the bar's rows, so that it never widens the window.
  void PlaceNote();
  QHBoxLayout* FFindRow = nullptr;
  QHBoxLayout* FNoteRow = nullptr;
  void UpdateControls();
};
