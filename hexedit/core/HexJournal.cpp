// Recording edits: the one gate every change of the data passes.

#include "hexedit/core/HexEditorCore.h"

bool THexEditorCore::CanRecordChange(UndoKind kind, int count, int count2) const {
  switch (kind) {
    case ukChangeBytes: return DataSize() > 0;
    case ukRemoveData: return DataSize() > 0 && !SizeFixed();
    case ukInsertBuffer: return !SizeFixed();
    case ukReplace: return DataSize() > 0 && (!SizeFixed() || count == count2);
    case ukAppendBuffer: return !SizeFixed();
    default: return false;  // kinds no edit of this editor makes
  }
}

// An entry copies the bytes it touches from the data, so an edit outside
// the data is refused before anything is read or moved.
bool THexEditorCore::RangeRecordable(UndoKind kind, int pos, int count, int count2) const {
  const int64_t size = DataSize();
  const int64_t p = pos;
  switch (kind) {
    case ukChangeBytes:
    case ukRemoveData: return count >= 1 && p >= 0 && p + count <= size;
    case ukInsertBuffer: return count >= 0 && p >= 0 && p <= size;
    case ukReplace: return count >= 0 && count2 >= 1 && p >= 0 && p + count2 <= size;
    case ukAppendBuffer: return count >= 0 && p == size;
    default: return false;
  }
}

void THexEditorCore::RecordChange(UndoKind kind, int pos, int count, int count2,
                                  std::string_view description) {
  if (!CanRecordChange(kind, count, count2) || !RangeRecordable(kind, pos, count, count2))
    throw EHexEditor(HexMsg::CannotUpdateUndo);
  if (FUndo.UpdateCount() == 0) FUndo.AddUndoEntry(kind, pos, count, count2, description);
  SetModified(true);
}
