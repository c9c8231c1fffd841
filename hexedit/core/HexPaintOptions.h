#pragma once
// THexPaintOptions: the switches that change how a hex editor draws and
// nothing else, as one value. The editor core keeps one; its setters
// repaint what a change affects.

struct THexPaintOptions {
  // The caret's cell in a dotted focus frame, else a solid one.
  bool FocusFrame = true;
  bool DrawGridLines = false;
  // The gutter and ruler with raised edges.
  bool DrawGutter3D = true;
  // The caret's cell framed while the editor has no focus.
  bool ShowPositionIfNotFocused = false;
  // The selection hidden while the editor has no focus.
  bool HideSelection = false;
  // The selection greyed while the editor has no focus.
  bool GraySelectionIfNotFocused = false;

  // Whether selected bytes show as selected.
  bool SelectionShown(bool focused) const { return focused || !HideSelection; }

  bool operator==(const THexPaintOptions&) const = default;
};
