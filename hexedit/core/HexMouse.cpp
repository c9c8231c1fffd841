// The mouse: press, drag selection, release, auto-scroll, wheel and the
// cursor shape, in client pixels and grid cells. The grid's drag state
// does the part a grid does for any cell; the editor adds the pending
// click inside a selection and the hit adjustment at row ends.

#include <algorithm>
#include <cstdlib>

#include "hexedit/core/HexEditorCore.h"

namespace {
bool InScrolledCells(const TGridCoord& c) { return c.Col >= 2 && c.Row >= 2; }
}  // namespace

// With the insert flag set, a point in the gap after a row's last digit
// or last character is taken as the next row's first cell of that field
// (so a click can put the caret after a row's last byte).
void THexEditorCore::AdjustHit(int& x, int& y) const {
  if (!FDocument.Modes().InsertFlag) return;
  const TGridCoord c = FLayout.Grid().CalcCoordFromPoint(x, y);
  int target = -1;
  if (c.Col == FLayout.ColCount() - 1)
    target = FLayout.FirstCharColumn();
  else if (c.Col == FLayout.HexColumnCount() + 1)
    target = 2;
  if (target < 0 || c.Row < 0) return;
  const int left = FLayout.Grid().ColumnLeft(c.Col);
  const int targetLeft = FLayout.Grid().ColumnLeft(target);
  if (left < 0 || targetLeft < 0 || x - left <= std::max(0, FLayout.CharWidth())) return;
  x = targetLeft;
  y += FLayout.Grid().DefaultRowHeight();
}

// A selection exists, data is held and the point's scrolled cell shows a
// selected byte.
bool THexEditorCore::OverSelectedByte(int x, int y) const {
  if (!HasSelection() || DataSize() == 0) return false;
  const TGridCoord c = FLayout.Grid().MouseCoord(x, y);
  if (!InScrolledCells(c)) return false;
  const int p = FLayout.CellToPosition(c.Col, c.Row).Position;
  return p < DataSize() && FSelection.Contains(p);
}

// While dragging: the caret to the cell under the point, unless the
// acceptance hook would only send it back where it stands.
void THexEditorCore::DragTo(int x, int y) {
  if (!FLayout.Grid().Dragging()) return;
  TGridCoord c = FLayout.Grid().CalcCoordFromPoint(x, y);
  if (!InScrolledCells(c) || c.Col >= FLayout.ColCount() || c.Row >= FLayout.RowCount()) return;
  // Where the hook would take the caret: past the data to the end, from
  // the separator to the row's last digit. Moving there again would only
  // restart the selection from the caret.
  const int size = DataSize();
  const THexCellPosition p = FLayout.CellToPosition(c.Col, c.Row);
  if (size > 0 && p.Position >= size && !IsAppendPlace(c.Col, p)) {
    c = FLayout.PositionToCell(InsertMode() ? size : size - 1, CaretInCharField());
  } else if (c.Col == FLayout.SeparatorColumn()) {
    c.Col = std::max(2, c.Col - 1);
  }
  if (c == CaretCell()) return;
  MoveToCell(c);
}

// Client points; shift holds the modifiers and the buttons down (during a
// press or release: before it), plus hsDouble for a double-click. A left
// press inside the selection waits for its release: without a move it
// clears the selection and puts the caret there.
void THexEditorCore::MouseDown(THexMouseButton button, THexShiftState shift, int x, int y) {
  FShiftDown = (shift & hsShift) != 0;
  if (button == mbLeft) {
    FLeftButtonDown = true;
    AdjustHit(x, y);
  }
  const bool doubleClick = (shift & hsDouble) != 0;
  // Shift+click extends the selection (or starts one at the caret).
  const bool extend = button == mbLeft && FShiftDown && !doubleClick && DataSize() > 0;
  const bool hadOrigin = FSelection.ExtendOrigin != -1;
  FSelection.Selecting = false;
  FPendingClick = false;
  const bool overSelection = OverSelectedByte(x, y);
  const bool scrolled = InScrolledCells(FLayout.Grid().MouseCoord(x, y));
  if (button != mbLeft) return;
  if (doubleClick && scrolled) {
    // A double click selects the unit under the pointer.
    const TGridCoord c = FLayout.Grid().MouseCoord(x, y);
    ClearSelection(true);
    MoveToCell(c.Col, c.Row);
    const int p = FLayout.CellToPosition(c.Col, c.Row).Position;
    if (p < DataSize()) SelectRange(FLayout.AlignToUnit(p), FLayout.AlignToUnit(p));
    return;
  }
  if (overSelection && !extend) {
    // Wait for the release: a click clears the selection, a drag keeps it.
    FPendingClick = true;
    FPressX = x;
    FPressY = y;
    return;
  }
  if (!scrolled) return;
  const TGridCoord c = FLayout.Grid().MouseCoord(x, y);
  if (extend) {
    // From the selection's anchor end, or from the caret.
    if (HasSelection() && !hadOrigin)
      FSelection.ExtendOrigin = FSelection.Anchor == FSelection.Low
                                    ? FSelection.Low
                                    : (InsertMode() ? FSelection.High + 1 : FSelection.High);
    else if (!HasSelection())
      FSelection.ExtendOrigin = -1;
    FSelection.Selecting = true;
    FLayout.Grid().BeginDrag();
    MoveToCell(c.Col, c.Row);
    return;
  }
  // The grid's part: the caret to the cell under the mouse, and the drag
  // state that lets later moves extend from there.
  FLayout.Grid().BeginDrag();
  MoveToCell(c.Col, c.Row);
  ClearSelection(true);
  FSelection.Selecting = true;
}

void THexEditorCore::MouseMove(THexShiftState shift, int x, int y) {
  FShiftDown = (shift & hsShift) != 0;
  FLeftButtonDown = (shift & hsLeft) != 0;
  if ((shift & hsButtons) == hsLeft) AdjustHit(x, y);
  DragTo(x, y);
  if (FPendingClick && (std::abs(x - FPressX) > ClickSlop || std::abs(y - FPressY) > ClickSlop))
    FPendingClick = false;
}

void THexEditorCore::MouseUp(THexMouseButton button, THexShiftState shift, int x, int y) {
  FShiftDown = (shift & hsShift) != 0;
  if (button != mbLeft) return;
  AdjustHit(x, y);
  if (FLayout.Grid().Dragging()) {
    // The last stretch of the drag still extends the selection.
    FLeftButtonDown = true;
    DragTo(x, y);
    FLayout.Grid().EndDrag();
  }
  FLeftButtonDown = false;
  if (FPendingClick) {
    FPendingClick = false;
    ClearSelection(true);
    const TGridCoord c = FLayout.Grid().MouseCoord(x, y);
    MoveToCell(c.Col, c.Row);
  }
}

// One tick of the auto-scroll timer, with the mouse's client point; the
// widget runs the timer while Dragging().
void THexEditorCore::AutoScrollTick(int x, int y) {
  if (!FLayout.Grid().Dragging()) return;
  AdjustHit(x, y);
  const TGridCoord c = FLayout.Grid().CalcCoordFromPoint(x, y);
  if (c.Col < 0 || c.Row < 0) return;
  FLeftButtonDown = true;
  FLayout.Grid().TimedScroll(x, y);
}

// The caret one row down (negative notches) or up per notch.
void THexEditorCore::MouseWheel(int notches) {
  notches = std::clamp(notches, -FLayout.RowCount(), FLayout.RowCount());
  for (; notches != 0; notches += notches > 0 ? -1 : 1) {
    const TGridCoord cur = CaretCell();
    if (notches < 0 && cur.Row < FLayout.RowCount() - 1)
      MoveToCell(cur.Col, cur.Row + 1);
    else if (notches > 0 && cur.Row > 2)
      MoveToCell(cur.Col, cur.Row - 1);
  }
}

// The arrow over a selected byte or the fixed cells while no button or
// modifier is held, else the I-beam.
THexCursorKind THexEditorCore::CursorAt(THexShiftState shift, int x, int y) const {
  if ((shift & (hsKeys | hsButtons)) != 0) return hcIBeam;
  if (OverSelectedByte(x, y) || !InScrolledCells(FLayout.Grid().MouseCoord(x, y))) return hcArrow;
  return hcIBeam;
}
