// Caret and selection, in data terms (byte, field, digit).

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

bool THexEditorCore::MoveCaret(THexCaret target) {
  if (target.Position < 0) target = THexCaret{};
  if (target.InCharField) {
    target.SecondDigit = false;
    if (FUnicodeChars) target.Position &= ~1;
  }
  const int size = DataSize();
  if (size == 0) {
    // Only the first cell of either field exists.
    if (target.Position != 0 || target.SecondDigit) return false;
    FCaret = target;
    Invalidate();
    return true;
  }
  if (target.Position >= size) {
    const bool appendPlace =
        InsertMode() && target.Position == size && (target.InCharField || !target.SecondDigit);
    if (!appendPlace) {
      MoveCaret(CellOf(InsertMode() ? size : size - 1, CaretInCharField()));
      return false;
    }
  }
  if (!FSelecting) ClearSelection(true);
  const THexCaret old = FCaret;
  FCaret = target;
  RepaintCaretMove(old, target);
  NotifySelectionChange();
  return true;
}

void THexEditorCore::MoveCaretToEnd() {
  MoveCaret(CellOf(InsertMode() ? DataSize() : DataSize() - 1, CaretInCharField()));
}

void THexEditorCore::MoveCaretOneColumnRight() {
  THexCaret t = FCaret;
  if (t.InCharField) {
    t.Position += FUnicodeChars ? 2 : 1;
  } else if (!t.SecondDigit) {
    t.SecondDigit = true;
  } else {
    t.Position += 1;
    t.SecondDigit = false;
  }
  MoveCaret(t);
}

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
  if (FSelAnchor == -1) FSelLow = FSelHigh = -1;
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
  if (FSelAnchor == -1) FSelLow = FSelHigh = -1;
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
