// Caret and selection: the cell-acceptance hook every caret move goes
// through, the selection model and the operations on both.

#include <algorithm>

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/core/HexScopedFlag.h"

int THexEditorCore::CaretPosition() const {
  return std::clamp(FCaret.Position, 0, std::max(0, DataSize() - 1));
}

// ---- The cell-acceptance hook ---------------------------------------------

// Asked before the caret moves to a cell (every caret move goes through
// it): with no data only the first cell of either field is accepted; a
// cell past the data only as the append position in insert mode
// (otherwise the caret goes to the data end and the cell is refused); the
// separator never (a mouse-held move goes to the row's last digit
// instead). An accepted move clears the selection unless Shift or the
// left button is down, extends it from ExtendOrigin while Selecting,
// repaints the caret's cells, places the caret and posts a selection
// notice.
bool THexEditorCore::SelectCell(int col, int row) {
  const THexCaret old = FCaret;
  FTypedByte.reset();  // a caret move parts a byte's two typed digits
  const int size = DataSize();
  if (size == 0) {
    // Only the first cell of either field exists.
    return col == 2 || (col == std::max(2, FLayout.TwinColumn(2).Position) && row == 2);
  }
  // The checks move the caret themselves; those moves come back here and
  // are accepted without checking.
  if (!FInCellCheck) {
    const THexScopedFlag checking(FInCellCheck);
    if (!FShiftDown && !FLeftButtonDown) ClearSelection(true);
    const THexCellPosition p = FLayout.CellToPosition(col, row);
    if (p.Position >= size && !IsAppendPlace(col, p)) {
      MoveCaretToEnd();
      return false;
    }
    if (col == FLayout.SeparatorColumn()) {
      if (FLeftButtonDown) MoveToCell(std::max(2, col - 1), row);
      return false;
    }
  }
  const THexCaret now = FLayout.CellToCaret(col, row);
  RepaintCaretMove(old, now);
  if (FSelection.Selecting) {
    // The old caret's place is where a fresh extension starts from.
    if (FSelection.ExtendOrigin == -1) FSelection.ExtendOrigin = old.Position;
    ExtendSelectionTo(now.Position);
  }
  if (!FSelection.Selecting) ClearSelection(true);
  PlaceCaretOnCell(col, row);
  NotifySelectionChange();
  return true;
}

// Whether the cell at col showing p is the append position (insert mode
// only: the first digit or the character right after the data).
bool THexEditorCore::IsAppendPlace(int col, const THexCellPosition& p) const {
  return InsertMode() && p.Position == DataSize() && (p.InCharField || col % 2 == 0);
}

// The selection part of an accepted move to position n.
void THexEditorCore::ExtendSelectionTo(int n) {
  const int u = std::max(1, FLayout.BytesPerUnit());
  int& origin = FSelection.ExtendOrigin;
  if (!InsertMode()) {
    // The origin's unit stays selected whichever way the selection grows.
    RoundOutToUnits(origin, n);
    SelectRange(origin, n);
    return;
  }
  // Insert mode: caret places are gaps before bytes; the bytes between
  // the two gaps are selected.
  if (origin != n) {
    origin = FLayout.AlignToUnit(origin);
    n = FLayout.AlignToUnit(n);
  }
  if (origin == n) {
    ClearSelection(true);
    FSelection.ExtendOrigin = n;
    FSelection.Selecting = true;
  } else if (origin > n) {
    SelectRange(origin - u, n);
  } else {
    SelectRange(origin, n - u);
  }
}

// A cell below the last row counts as a place past the data.
bool THexEditorCore::MoveToCell(int col, int row) {
  const int cols = FLayout.ColCount(), rows = FLayout.RowCount();
  if (col >= 0 && col < cols && row >= 0 && row < rows)
    return FLayout.Grid().MoveCurrentCell(col, row);
  // Below the grid lies only what is past the data: the hook sends the
  // caret to the end.
  if (row >= rows && DataSize() > 0 && col >= 2 && col < cols) SelectCell(col, row);
  return false;
}

// A negative position: the first hex cell.
bool THexEditorCore::MoveCaret(THexCaret target) {
  if (target.Position < 0) target = THexCaret{};
  return MoveToCell(FLayout.CaretToCell(target));
}

// DataSize (insert mode) or DataSize - 1, in the caret's field.
void THexEditorCore::MoveCaretToEnd() {
  MoveCaret(FLayout.CellOf(InsertMode() ? DataSize() : DataSize() - 1, CaretInCharField()));
}

// ---- Selection ------------------------------------------------------------

int THexEditorCore::SelStart() const {
  return HasSelection() ? FSelection.Anchor : CaretPosition();
}

void THexEditorCore::SetSelStart(int pos) {
  if (pos < 0 || pos >= DataSize()) throw EHexEditor(HexMsg::InvalidSelStart);
  ClearSelection(true);
  MoveCaret(FLayout.CellOf(pos, CaretInCharField()));
}

int THexEditorCore::SelEnd() const {
  return HasSelection() ? FSelection.FarEnd() : CaretPosition();
}

void THexEditorCore::SetSelEnd(int pos) {
  if (pos < -1 || pos >= DataSize()) throw EHexEditor(HexMsg::InvalidSelEnd);
  ClearSelection(true);
  if (pos >= 0) {
    SelectRange(CaretPosition(), FLayout.CellOf(pos, CaretInCharField()).Position);
    NotifySelectionChange();
  }
}

void THexEditorCore::SetSelectionDirect(int anchor, int low, int high) {
  FSelection.SetEnds(anchor, low, high, DataSize() - 1);
  if (HasSelection()) InvalidateRows(FSelection.Low, FSelection.High);
}

// Widens a..b to whole units (the lower end down to its unit's start, the
// upper end up to its unit's end, at most the last byte).
void THexEditorCore::RoundOutToUnits(int& a, int& b) const {
  const int u = std::max(1, FLayout.BytesPerUnit());
  const int last = DataSize() - 1;
  int& low = a <= b ? a : b;
  int& high = a <= b ? b : a;
  low = FLayout.AlignToUnit(low);
  high = std::min(FLayout.AlignToUnit(high) + u - 1, last);
}

// Selects a..b rounded out to whole units (a stays the anchor end).
void THexEditorCore::SelectRange(int a, int b) {
  RoundOutToUnits(a, b);
  const THexSelection old = FSelection;
  // A range that does not reach into the data selects nothing.
  FSelection.SetEnds(a, std::min(a, b), std::max(a, b), DataSize() - 1);
  if (!old.Active()) {
    if (HasSelection()) InvalidateRows(FSelection.Low, FSelection.High);
  } else {
    InvalidateRows(old.Low, FSelection.Low);
    InvalidateRows(old.High, FSelection.High);
  }
  NotifySelectionChange();
}

void THexEditorCore::ClearSelection(bool repaint) {
  const THexSelection old = FSelection;
  FSelection.Clear();
  if (repaint && old.Active()) InvalidateRows(old.Low, old.High);
}

// origin 0: from the start, 1: from the caret, 2: from the last byte.
// Returns the position moved to, or -1 when no data is held.
int THexEditorCore::Seek(int offset, int origin) {
  const int size = DataSize();
  if (size == 0) return -1;
  int64_t target;
  switch (origin) {
    case 0: target = offset; break;
    case 1: target = int64_t(offset) + CaretPosition(); break;
    case 2: target = int64_t(offset) + size - 1; break;
    default: target = CaretPosition(); break;
  }
  const int pos = static_cast<int>(std::clamp<int64_t>(target, 0, size - 1));
  SetSelStart(pos);
  return pos;
}

// ---- Bookmarks ------------------------------------------------------------

void THexEditorCore::ToggleBookmark(int index, int pos, bool inCharField) {
  FDocument.Bookmark(index);  // "Invalid bookmark index" before the repaint
  Invalidate();
  FDocument.ToggleBookmark(index, pos, inCharField);
}

// False for an unset slot, or one past the data (which is cleared).
bool THexEditorCore::GotoBookmark(int index) {
  const THexBookmark b = FDocument.Bookmark(index);
  if (b.Position < 0) return false;
  ClearSelection(true);
  const int size = DataSize();
  if (b.Position > size || (b.Position == size && !InsertMode())) {
    ToggleBookmark(index, -1, false);
    return false;
  }
  MoveCaret(FLayout.CellOf(b.Position, b.InCharField));
  return true;
}
