#pragma once
// The status readout of the current hex editor: permanent fields at the
// right of the main window's status bar, beside the status text (which
// keeps its own role). They show the caret's offset (and byte address on
// the word-counted flash page), the selection, the byte under the caret,
// the 16-bit little-endian value there, INS or OVR, and the modified
// mark; with no editor on screen, or one without data, they are hidden.

class QLabel;
class QStatusBar;
class TCustomHexEditor;

class TEditorStatusFields {
public:
  explicit TEditorStatusFields(QStatusBar* bar);

  // Shows the readout of editor; null hides the fields.
  void Show(const TCustomHexEditor* editor);

  QLabel* lblOffset;
  QLabel* lblSelection;
  QLabel* lblValue;
  QLabel* lblWord;
  QLabel* lblMode;
  QLabel* lblModified;
};
