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
  if (FSelecting) {
    // The old caret's place is where a fresh extension starts from.
    if (FExtendOrigin == -1) FExtendOrigin = old.Position;
    ExtendSelectionTo(now.Position);
  }
  if (!FSelecting) ClearSelection(true);
  PlaceCaretOnCell(col, row);
  NotifySelectionChange();
  return true;
}

void THexEditorCore::ExtendSelectionTo(int n) {
  const int u = std::max(1, FBytesPerUnit);
  if (!InsertMode()) {
    // The origin's unit stays selected whichever way the selection grows.
    const int last = DataSize() - 1;
    if (FExtendOrigin <= n) {
      FExtendOrigin = AlignToUnit(FExtendOrigin);
      n = std::min(AlignToUnit(n) + u - 1, last);
    } else {
      n = AlignToUnit(n);
      FExtendOrigin = std::min(AlignToUnit(FExtendOrigin) + u - 1, last);
    }
    SelectRange(FExtendOrigin, n);
    return;
  }
  // Insert mode: caret places are gaps before bytes; the bytes between
  // the two gaps are selected.
  if (FExtendOrigin != n) {
    FExtendOrigin = AlignToUnit(FExtendOrigin);
    n = AlignToUnit(n);
  }
  if (FExtendOrigin == n) {
    ClearSelection(true);
    FExtendOrigin = n;
    FSelecting = true;
  } else if (FExtendOrigin > n) {
    SelectRange(FExtendOrigin - u, n);
  } else {
    SelectRange(FExtendOrigin, n - u);
  }
}

bool THexEditorCore::MoveToCell(int col, int row) {
  if (col >= 0 && col < ColCount() && row >= 0 && row < RowCount()) return FGrid.MoveCurrentCell(col, row);
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

int THexEditorCore::SelStart() const { return HasSelection() ? FSelAnchor : CaretPosition(); }

void THexEditorCore::SetSelStart(int pos) {
  if (pos < 0 || pos >= DataSize()) throw EHexEditor(HexMsg::InvalidSelStart);
  ClearSelection(true);
  MoveCaret(CellOf(pos, CaretInCharField()));
}

int THexEditorCore::SelEnd() const {
  if (!HasSelection()) return CaretPosition();
  return FSelAnchor == FSelHigh ? FSelLow : FSelHigh;
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
  const int last = DataSize() - 1;
  FSelAnchor = std::clamp(anchor, -1, last);
  FSelLow = std::clamp(low, -1, last);
  FSelHigh = std::clamp(high, -1, last);
  if (FSelAnchor == -1 || FSelLow == -1 || FSelHigh == -1) FSelAnchor = FSelLow = FSelHigh = -1;
  if (HasSelection()) InvalidateRows(FSelLow, FSelHigh);
}

void THexEditorCore::SelectRange(int a, int b) {
  const int u = std::max(1, FBytesPerUnit);
  const int last = DataSize() - 1;
  if (a <= b) {
    a = AlignToUnit(a);
    b = std::min(AlignToUnit(b) + u - 1, last);
  } else {
    b = AlignToUnit(b);
    a = std::min(AlignToUnit(a) + u - 1, last);
  }
  const bool had = HasSelection();
  const int oldLow = FSelLow, oldHigh = FSelHigh;
  FSelAnchor = std::clamp(a, -1, last);
  FSelLow = std::clamp(std::min(a, b), -1, last);
  FSelHigh = std::clamp(std::max(a, b), -1, last);
  // A range that does not reach into the data selects nothing.
  if (FSelAnchor == -1 || FSelLow == -1 || FSelHigh == -1) FSelAnchor = FSelLow = FSelHigh = -1;
  if (!had) {
    if (HasSelection()) InvalidateRows(FSelLow, FSelHigh);
  } else {
    InvalidateRows(oldLow, FSelLow);
    InvalidateRows(oldHigh, FSelHigh);
  }
  NotifySelectionChange();
}

void THexEditorCore::ClearSelection(bool repaint) {
  FSelecting = false;
  const bool had = HasSelection();
  const int oldLow = FSelLow, oldHigh = FSelHigh;
  FSelAnchor = FSelLow = FSelHigh = -1;
  FExtendOrigin = -1;
  if (repaint && had) InvalidateRows(oldLow, oldHigh);
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
