// Buffer editing operations: every change the user makes to the data.
//
// Each operation asks RecordChange first (which refuses with nothing
// changed), then changes the data, the change marks, caret and selection,
// and ends with NotifyChange. A count of 0 or less, or a missing buffer,
// is no edit at all.

#include <algorithm>

#include "hexedit/core/HexBufferCopy.h"
#include "hexedit/core/HexEditorCore.h"

namespace {

struct TDeletionRange {
  int Start;
  int End;  // exclusive
  THexCaret Cell;
};

// The bytes a deletion takes and where the caret goes: the selection and
// the cell of its first byte, or the caret's byte without a selection.
TDeletionRange DeletionRange(const THexSelection& selection, const THexCaret& caret,
                             const THexLayout& layout, bool inCharField) {
  if (!selection.Active()) return {caret.Position, caret.Position + 1, caret};
  return {selection.Low, selection.High + 1, layout.CellOf(selection.Low, inCharField)};
}

}  // namespace

void THexEditorCore::ChangeByte(uint8_t oldValue, uint8_t newValue, int pos,
                                std::string_view description) {
  const auto step = UndoStep();
  if (oldValue == newValue) return;
  RecordChange(ukChangeBytes, pos, 1, 0, description);
  FDocument.PokeByte(pos, newValue);
  if (!InsertMode()) FDocument.SetChangeMark(pos, true);
  InvalidateRows(pos, pos);
  NotifyChange();
}

void THexEditorCore::ChangeWord(uint16_t oldValue, uint16_t newValue, int pos,
                                std::string_view description) {
  const auto step = UndoStep();
  if (oldValue == newValue) return;
  RecordChange(ukChangeBytes, pos, 2, 0, description);
  const uint8_t bytes[2] = {static_cast<uint8_t>(newValue), static_cast<uint8_t>(newValue >> 8)};
  FDocument.CopyDataIn(bytes, pos, 2);
  if (!InsertMode()) {
    FDocument.SetChangeMark(pos, (oldValue & 0xFF) != (newValue & 0xFF));
    FDocument.SetChangeMark(pos + 1, (oldValue >> 8) != (newValue >> 8));
  }
  InvalidateRows(pos, pos + 1);
  NotifyChange();
}

void THexEditorCore::DeleteSelection(std::string_view description) {
  const auto step = UndoStep();
  const TDeletionRange r = DeletionRange(FSelection, FCaret, FLayout, CaretInCharField());
  RecordChange(ukRemoveData, r.Start, r.End - r.Start, 0, description);
  // Marks behind the removed bytes no longer stand over their bytes.
  FDocument.CutChangeMarks(r.Start);
  DeleteRaw(r.Start, r.End, r.Cell);
  NotifyChange();
}

void THexEditorCore::DeleteUnit(bool backwards, std::string_view description) {
  const auto step = UndoStep();
  const int u = std::max(1, FLayout.BytesPerUnit());
  const int size = DataSize();
  const int a = FLayout.AlignToUnit(CaretPosition());
  if (backwards) {
    int c = a;
    int n = u;
    if (InsertMode() && !HasSelection()) {
      c = FCaret.Position;
      if (c == size && size % u != 0)
        n = 1;  // the partial unit at the end goes byte by byte
      else
        c = FLayout.AlignToUnit(c);
    }
    if (c <= 0 || c - n < 0) return;
    RecordChange(ukRemoveData, c - n, n, 0, description);
    FDocument.CutChangeMarks(c - n);
    DeleteRaw(c - n, c, FCaret);
    if (c == a) {
      Seek(c - n, 0);
    } else {
      // From the append position: one grid column on, which the
      // acceptance hook pulls back to the new append position.
      const TGridCoord cell = CaretCell();
      if (cell.Col + 1 < FLayout.ColCount()) MoveToCell(cell.Col + 1, cell.Row);
    }
    NotifyChange();
  } else {
    // At the append position no byte lies under the caret; the clamped
    // position would name the last byte, which is Backspace's to remove.
    if (a >= size || FCaret.Position >= size) return;
    const int n = std::min(u, size - a);
    RecordChange(ukRemoveData, a, n, 0, description);
    FDocument.CutChangeMarks(a);
    DeleteRaw(a, a + n, FCaret);
    NotifyChange();
  }
}

// A disabled editor does not select what it inserted.
void THexEditorCore::InsertBuffer(const void* buffer, int count, int pos,
                                  std::string_view description, bool moveCaret) {
  const auto step = UndoStep();
  if (!buffer || count <= 0) return;
  const TBufferCopy src(buffer, count, FDocument.DataPointer(), DataSize());
  FDocument.Reserve(int64_t(DataSize()) + count);
  RecordChange(ukInsertBuffer, pos, count, 0, description);
  InsertRaw(src.Buffer, count, pos);
  FDocument.CutChangeMarks(pos);
  if (ControlEnabled) {
    SetSelectionDirect(pos, pos, pos + count - 1);
    if (moveCaret) {
      MoveCaret(FLayout.CellOf(FSelection.High, CaretInCharField()));
      SetSelectionDirect(pos, pos, pos + count - 1);
    }
    Invalidate();
  }
  NotifyChange();
}

void THexEditorCore::AppendBuffer(const void* buffer, int count, std::string_view description,
                                  bool moveCaret) {
  const auto step = UndoStep();
  if (!buffer || count <= 0) return;
  const TBufferCopy src(buffer, count, FDocument.DataPointer(), DataSize());
  const int old = DataSize();
  FDocument.Reserve(int64_t(old) + count);
  RecordChange(ukAppendBuffer, old, count, 0, description);
  FDocument.CutChangeMarks(old);
  AppendRaw(src.Buffer, count);
  if (moveCaret) MoveCaret(FLayout.CellOf(old, CaretInCharField()));
  SetSelectionDirect(old, old, old + count - 1);
  Invalidate();
  NotifyChange();
}

void THexEditorCore::ReplaceSelection(const void* buffer, int count, std::string_view description,
                                      bool moveCaret) {
  const auto step = UndoStep();
  if (!buffer || count <= 0) return;
  const bool inChar = CaretInCharField();
  if (!HasSelection()) {
    InsertBuffer(buffer, count, FCaret.Position, description, moveCaret);
    return;
  }
  if (FDocument.SizeFixed()) {
    // The length may not change: use as many bytes as are selected, or
    // select only as many as are given, from the lower end.
    if (count > SelCount()) {
      count = SelCount();
    } else if (count < SelCount()) {
      const int low = FSelection.Low;
      SetSelStart(low);
      SetSelectionDirect(low, low, low + count - 1);
      NotifySelectionChange();
    }
  }
  const TBufferCopy src(buffer, count, FDocument.DataPointer(), DataSize());
  FDocument.Reserve(int64_t(DataSize()) - SelCount() + count);
  RecordChange(ukReplace, FSelection.Low, count, SelCount(), description);
  const TDeletionRange r = DeletionRange(FSelection, FCaret, FLayout, CaretInCharField());
  FDocument.CutChangeMarks(r.Start);
  DeleteRaw(r.Start, r.End, r.Cell);
  InsertRaw(src.Buffer, count, r.Start);
  if (moveCaret) {
    const int last = r.Start + count - 1;
    MoveCaret(FLayout.CellOf(last, inChar));
    SetSelectionDirect(last, r.Start, last);
  }
  Invalidate();
  NotifyChange();
}
