#pragma once
// The status readout of the current hex editor: fields at the right of the
// main window's status bar, beside the status text (which keeps its own
// role). They show the caret's offset (and byte address on the
// word-counted flash page), the selection, the byte under the caret, the
// 16-bit little-endian value there, INS or OVR, and the modified mark;
// with no editor on screen, or one without data, they are hidden.
//
// The fields stand in one strip that never widens the window: it asks for
// room for all of them but makes do with the room of the offset alone.
// Where the status bar has less room than all need, the fields that fit
// show whole, most important first (offset, mode, selection, byte value,
// modified mark, 16-bit value); the others wait for a wider window. No
// field is ever cut.

class QLabel;
class QStatusBar;
class QWidget;
class TCustomHexEditor;

class TEditorStatusFields {
public:
  explicit TEditorStatusFields(QStatusBar* bar);

  // Shows the readout of editor; null hides the fields.
  void Show(const TCustomHexEditor* editor);

private:
  QWidget* Strip;  // the fields' strip, a permanent widget of the bar
  QLabel* lblOffset;
  QLabel* lblSelection;
  QLabel* lblValue;
  QLabel* lblWord;
  QLabel* lblMode;
  QLabel* lblModified;
};
