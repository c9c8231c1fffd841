// The data store: held bytes, change marks, size rules and mode switches.

#include <algorithm>
#include <cstring>

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/core/HexRadix.h"

void THexEditorCore::CopyDataOut(void* dest, int pos, int count) const {
  if (count > 0) std::memcpy(dest, FData.PointerAt(pos), static_cast<size_t>(count));
}

void THexEditorCore::CopyDataIn(const void* src, int pos, int count) {
  if (count > 0) std::memcpy(FData.PointerAt(pos), src, static_cast<size_t>(count));
}

bool THexEditorCore::ByteChanged(int pos) const {
  if (InsertMode()) return false;
  return pos >= 0 && pos < ChangeMarksSize() && FChangeMarks[static_cast<size_t>(pos)];
}

void THexEditorCore::SetChangeMark(int pos, bool value) {
  if (pos < 0) return;
  const auto i = static_cast<size_t>(pos);
  if (i >= FChangeMarks.size()) {
    if (!value) return;  // beyond the marks every byte reads unchanged
    FChangeMarks.resize(i + 1, false);
  }
  FChangeMarks[i] = value;
}

void THexEditorCore::CutChangeMarks(int size) {
  if (size < 0) size = 0;
  if (static_cast<size_t>(size) < FChangeMarks.size())
    FChangeMarks.resize(static_cast<size_t>(size));
}

// The grid follows the data: one row per BytesPerRow bytes (one empty row
// without data), plus the row of the append position when insert mode is
// on and the data fills its last row.
void THexEditorCore::UpdateRowCount() {
  const int64_t n = DataSize();
  int64_t rows = 3;
  if (n > 0) {
    rows = (n + FBytesPerRow - 1) / FBytesPerRow + 2;
    if (n % FBytesPerRow == 0 && InsertMode()) ++rows;
  }
  FGrid.SetRowCount(static_cast<int>(rows));
  FGrid.SetColCount(ExpectedColCount());
  FGrid.SetFixedCols(2);
  FGrid.SetFixedRows(2);
  CutChangeMarks(DataSize());
  UpdateLayout();
}

void THexEditorCore::ReserveData(int64_t size) { FData.Reserve(size); }

void THexEditorCore::ResetData(std::string_view title) {
  FData.SetSize(0);
  FFileTitle = title.empty() ? std::string(UntitledTitle) : std::string(title);
  FUndo.ResetUndo();
  FRedo.ResetUndo();
  ClearSelection(false);
  FChangeMarks.clear();
  UpdateRowCount();
  SetModified(false);
  FReadOnlyFile = true;
  FDataInitialised = true;
  // Bookmarks of the old data mean nothing in the new.
  bool hadBookmarks = false;
  for (THexBookmark& b : FBookmarks) {
    hadBookmarks |= b.Position != -1;
    b = THexBookmark{};
  }
  FCaret = THexCaret{};
  Invalidate();
  if (hadBookmarks) BookmarkChanged();
  NotifyChange();
}

void THexEditorCore::SetDataSize(int newSize) {
  if (newSize < 0)
    throw EHexEditor(FillPlaceholders(HexMsg::InvalidDataSize, {std::to_string(newSize)}));
  const int old = DataSize();
  if (newSize == old) {
    FDataInitialised = true;
    return;
  }
  const int remembered = std::clamp(FCaret.Position, 0, std::max(0, old - 1));
  if (newSize != 0 && old != 0 && SizeFixed()) throw EHexEditor(HexMsg::FixedFileSize);
  // Room first: a growth that fails must not leave a journal entry behind.
  if (newSize > old) ReserveData(newSize);

  TFlagGuard inProgress(FSizeChangeInProgress);
  TUndoStep step(*this);
  if (newSize < old)
    RecordChange(ukRemoveData, newSize, old - newSize, 0);
  else
    RecordChange(ukAppendBuffer, old, newSize - old, 0);
  FData.SetSize(newSize);
  if (newSize > old)
    std::memset(FData.PointerAt(old), FFillByte, static_cast<size_t>(newSize - old));
  FDataInitialised = true;
  UpdateRowCount();

  if (remembered >= DataSize()) {
    ClearSelection(true);
    if (DataSize() > 0 || InsertMode())
      MoveCaretToEnd();
    else
      MoveCaret(THexCaret{});
  } else if (FSelection.High >= DataSize()) {
    // A selection reaching into the cut-off bytes does not survive.
    ClearSelection(true);
  }
  Invalidate();
}

void THexEditorCore::AppendRaw(const void* buffer, int count) {
  if (DataSize() == 0) FChangeMarks.clear();
  const int old = DataSize();
  FData.SetSize(int64_t(old) + count);
  CopyDataIn(buffer, old, count);
  UpdateRowCount();
}

void THexEditorCore::InsertRaw(const void* buffer, int count, int pos) {
  if (DataSize() == 0) FChangeMarks.clear();
  const int old = DataSize();
  FData.SetSize(int64_t(old) + count);
  if (pos < old) FData.MoveBytes(pos, int64_t(pos) + count, old - pos);
  CopyDataIn(buffer, pos, count);
  UpdateRowCount();
}

void THexEditorCore::DeleteRaw(int start, int end, std::optional<THexCaret> caretCell) {
  const int size = DataSize();
  if (end <= size - 1) FData.MoveBytes(end, start, size - end);
  FData.SetSize(size - (end - start));

  const int p = caretCell ? caretCell->Position : FCaret.Position;
  const bool field = caretCell ? caretCell->InCharField : FCaret.InCharField;
  if (DataSize() == 0) {
    MoveCaret(THexCaret{0, field, false});
  } else if (p >= DataSize()) {
    FCaret.InCharField = field;
    MoveCaretToEnd();
  } else if (caretCell) {
    MoveCaret(*caretCell);
  }
  UpdateRowCount();
  ClearSelection(false);
  Invalidate();
}

void THexEditorCore::SetInsertMode(bool value) {
  if (value == FInsertFlag || !CanInsert()) return;
  ApplyInsertFlag(value);
}

void THexEditorCore::ApplyInsertFlag(bool value) {
  const bool was = InsertMode();
  FInsertFlag = value;
  FTypedByte.reset();
  // The widget refreshes the caret shape on the repaint below.
  if (DataSize() < 1) {
    Invalidate();
    return;
  }
  // The row of the append position comes or goes.
  EffectiveInsertModeChanged(was);
  FChangeMarks.clear();
  Invalidate();
}

// Both switch the user's insert flag off even while ReadOnlyView hides
// it, so that it cannot come back into force under a fixed size or a
// forbidden insert mode.
void THexEditorCore::SetNoSizeChange(bool value) {
  if (value && FInsertFlag) ApplyInsertFlag(false);
  FNoSizeChange = value;
}

void THexEditorCore::SetAllowInsertMode(bool value) {
  if (!value && FInsertFlag) ApplyInsertFlag(false);
  FAllowInsertMode = value;
}
