#pragma once
// THexPaintOptions: the switches that change how a hex editor draws and
// nothing else, as one value. The editor core keeps one; its setters
// repaint what a change affects.

#include "hexedit/core/HexPaint.h"

struct THexPaintOptions {
  // The caret's frame (and its twin's in the other field): dotted or solid;
  // shown on the caret's own cell too while the editor has no focus.
  bool FocusFrame = true;
  bool ShowPositionIfNotFocused = false;
  THexFrameKind CaretFrame() const { return FocusFrame ? hfkFocus : hfkSolid; }

  // Grid lines between the cells; the gutter and ruler with raised edges.
  bool DrawGridLines = false;
  bool DrawGutter3D = true;

  // While the editor has no focus the selection is hidden, or greyed.
  bool HideSelection = false;
  bool GraySelectionIfNotFocused = false;
  bool SelectionShown(bool focused) const { return focused || !HideSelection; }
};
