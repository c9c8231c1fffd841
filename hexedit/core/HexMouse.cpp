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

void THexEditorCore::AdjustHit(int& x, int& y) const {
  if (!FInsertFlag) return;
  const TGridCoord c = FGrid.CalcCoordFromPoint(x, y);
  int target = -1;
  if (c.Col == ColCount() - 1)
    target = FirstCharColumn();
  else if (c.Col == HexColumnCount() + 1)
    target = 2;
  if (target < 0 || c.Row < 0) return;
  const int left = FGrid.ColumnLeft(c.Col);
  const int targetLeft = FGrid.ColumnLeft(target);
  if (left < 0 || targetLeft < 0 || x - left <= std::max(0, FCharWidth)) return;
  x = targetLeft;
  y += FGrid.DefaultRowHeight();
}

bool THexEditorCore::OverSelectedByte(int x, int y) const {
  if (!HasSelection() || DataSize() == 0) return false;
  const TGridCoord c = FGrid.MouseCoord(x, y);
  if (!InScrolledCells(c)) return false;
  const int p = CellToPosition(c.Col, c.Row).Position;
  return p < DataSize() && IsSelected(p);
}

void THexEditorCore::DragTo(int x, int y) {
  if (!FGrid.Dragging()) return;
  TGridCoord c = FGrid.CalcCoordFromPoint(x, y);
  if (!InScrolledCells(c) || c.Col >= ColCount() || c.Row >= RowCount()) return;
  // Where the hook would take the caret: past the data to the end, from
  // the separator to the row's last digit. Moving there again would only
  // restart the selection from the caret.
  const int size = DataSize();
  const TCellPosition p = CellToPosition(c.Col, c.Row);
  if (size > 0 && p.Position >= size && !IsAppendPlace(c.Col, p)) {
    c = PositionToCell(InsertMode() ? size : size - 1, CaretInCharField());
  } else if (c.Col == SeparatorColumn()) {
    c.Col = std::max(2, c.Col - 1);
  }
  if (c == CaretCell()) return;
  MoveToCell(c);
}

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
  const bool scrolled = InScrolledCells(FGrid.MouseCoord(x, y));
  if (button != mbLeft) return;
  if (doubleClick && scrolled) {
    // A double click selects the unit under the pointer.
    const TGridCoord c = FGrid.MouseCoord(x, y);
    ClearSelection(true);
    MoveToCell(c.Col, c.Row);
    const int p = CellToPosition(c.Col, c.Row).Position;
    if (p < DataSize()) SelectRange(AlignToUnit(p), AlignToUnit(p));
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
  const TGridCoord c = FGrid.MouseCoord(x, y);
  if (extend) {
    // From the selection's anchor end, or from the caret.
    if (HasSelection() && !hadOrigin)
      FSelection.ExtendOrigin = FSelection.Anchor == FSelection.Low
                                    ? FSelection.Low
                                    : (InsertMode() ? FSelection.High + 1 : FSelection.High);
    else if (!HasSelection())
      FSelection.ExtendOrigin = -1;
    FSelection.Selecting = true;
    FGrid.BeginDrag();
    MoveToCell(c.Col, c.Row);
    return;
  }
  // The grid's part: the caret to the cell under the mouse, and the drag
  // state that lets later moves extend from there.
  FGrid.BeginDrag();
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
  if (FGrid.Dragging()) {
    // The last stretch of the drag still extends the selection.
    FLeftButtonDown = true;
    DragTo(x, y);
    FGrid.EndDrag();
  }
  FLeftButtonDown = false;
  if (FPendingClick) {
    FPendingClick = false;
    ClearSelection(true);
    const TGridCoord c = FGrid.MouseCoord(x, y);
    MoveToCell(c.Col, c.Row);
  }
}

void THexEditorCore::AutoScrollTick(int x, int y) {
  if (!FGrid.Dragging()) return;
  AdjustHit(x, y);
  const TGridCoord c = FGrid.CalcCoordFromPoint(x, y);
  if (c.Col < 0 || c.Row < 0) return;
  FLeftButtonDown = true;
  FGrid.TimedScroll(x, y);
}

void THexEditorCore::MouseWheel(int notches) {
  notches = std::clamp(notches, -RowCount(), RowCount());
  for (; notches != 0; notches += notches > 0 ? -1 : 1) {
    const TGridCoord cur = CaretCell();
    if (notches < 0 && cur.Row < RowCount() - 1)
      MoveToCell(cur.Col, cur.Row + 1);
    else if (notches > 0 && cur.Row > 2)
      MoveToCell(cur.Col, cur.Row - 1);
  }
}

THexCursorKind THexEditorCore::CursorAt(THexShiftState shift, int x, int y) const {
  if ((shift & (hsKeys | hsButtons)) != 0) return hcIBeam;
  if (OverSelectedByte(x, y) || !InScrolledCells(FGrid.MouseCoord(x, y))) return hcArrow;
  return hcIBeam;
}
