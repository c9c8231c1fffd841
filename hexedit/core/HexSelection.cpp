// Caret and selection: the cell-acceptance hook every caret move goes
// through, the selection model and the operations on both.

#include <algorithm>

#include "hexedit/core/HexEditorCore.h"

int THexEditorCore::CaretPosition() const {
  return std::clamp(FCaret.Position, 0, std::max(0, DataSize() - 1));
}

THexCaret THexEditorCore::CellOf(int pos, bool inCharField) const {
  if (pos < 0) return THexCaret{};
  if (inCharField && FUnicodeChars) pos &= ~1;
  return THexCaret{pos, inCharField, false};
}

// ---- The cell-acceptance hook ---------------------------------------------

bool THexEditorCore::SelectCell(int col, int row) {
  const THexCaret old = FCaret;
  FTypedByte.reset();  // a caret move parts a byte's two typed digits
  const int size = DataSize();
  if (size == 0) {
    // Only the first cell of either field exists.
    return col == 2 || (col == std::max(2, TwinColumn(2).Position) && row == 2);
  }
  // The checks move the caret themselves; those moves come back here and
  // are accepted without checking.
  if (!FInCellCheck) {
    TFlagGuard checking(FInCellCheck);
    if (!FShiftDown && !FLeftButtonDown) ClearSelection(true);
    const TCellPosition p = CellToPosition(col, row);
    if (p.Position >= size && !IsAppendPlace(col, p)) {
      MoveCaretToEnd();
      return false;
    }
    if (col == SeparatorColumn()) {
      if (FLeftButtonDown) MoveToCell(std::max(2, col - 1), row);
      return false;
    }
  }
  const THexCaret now = CellToCaret(col, row);
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

void THexEditorCore::ExtendSelectionTo(int n) {
  const int u = std::max(1, FBytesPerUnit);
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
    origin = AlignToUnit(origin);
    n = AlignToUnit(n);
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

bool THexEditorCore::MoveToCell(int col, int row) {
  if (col >= 0 && col < ColCount() && row >= 0 && row < RowCount())
    return FGrid.MoveCurrentCell(col, row);
  // Below the grid lies only what is past the data: the hook sends the
  // caret to the end.
  if (row >= RowCount() && DataSize() > 0 && col >= 2 && col < ColCount()) SelectCell(col, row);
  return false;
}

bool THexEditorCore::MoveCaret(THexCaret target) {
  if (target.Position < 0) target = THexCaret{};
  return MoveToCell(CaretToCell(target));
}

void THexEditorCore::MoveCaretToEnd() {
  MoveCaret(CellOf(InsertMode() ? DataSize() : DataSize() - 1, CaretInCharField()));
}

void THexEditorCore::TopLeftChanged() {
  UpdateCaretPosition();
  if (OnTopLeftChanged) OnTopLeftChanged();
}

// ---- Selection ------------------------------------------------------------

int THexEditorCore::SelStart() const {
  return HasSelection() ? FSelection.Anchor : CaretPosition();
}

void THexEditorCore::SetSelStart(int pos) {
  if (pos < 0 || pos >= DataSize()) throw EHexEditor(HexMsg::InvalidSelStart);
  ClearSelection(true);
  MoveCaret(CellOf(pos, CaretInCharField()));
}

int THexEditorCore::SelEnd() const {
  return HasSelection() ? FSelection.FarEnd() : CaretPosition();
}

void THexEditorCore::SetSelEnd(int pos) {
  if (pos < -1 || pos >= DataSize()) throw EHexEditor(HexMsg::InvalidSelEnd);
  ClearSelection(true);
  if (pos >= 0) {
    SelectRange(CaretPosition(), CellOf(pos, CaretInCharField()).Position);
    NotifySelectionChange();
  }
}

int THexEditorCore::AlignToUnit(int pos) const {
  const int u = std::max(1, FBytesPerUnit);
  const int r = pos % u;
  return r < 0 ? pos - r - u : pos - r;
}

void THexEditorCore::SetSelectionDirect(int anchor, int low, int high) {
  FSelection.SetEnds(anchor, low, high, DataSize() - 1);
  if (HasSelection()) InvalidateRows(FSelection.Low, FSelection.High);
}

void THexEditorCore::RoundOutToUnits(int& a, int& b) const {
  const int u = std::max(1, FBytesPerUnit);
  const int last = DataSize() - 1;
  int& low = a <= b ? a : b;
  int& high = a <= b ? b : a;
  low = AlignToUnit(low);
  high = std::min(AlignToUnit(high) + u - 1, last);
}

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

// ---- Insert mode as the user sees it --------------------------------------

void THexEditorCore::SetReadOnlyView(bool value) {
  if (value == FReadOnlyView) return;
  const bool was = InsertMode();
  FReadOnlyView = value;
  EffectiveInsertModeChanged(was);
  Invalidate();
}

void THexEditorCore::EffectiveInsertModeChanged(bool was) {
  if (InsertMode() == was || DataSize() == 0) return;
  // The row of the append position comes or goes with the mode; a caret
  // standing there moves back onto the data.
  UpdateRowCount();
  if (!InsertMode() && FCaret.Position >= DataSize()) SetSelStart(DataSize() - 1);
}
