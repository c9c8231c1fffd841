// The ten bookmark slots.

#include "hexedit/core/HexEditorCore.h"

namespace {
void CheckIndex(int index) {
  if (index < 0 || index >= HexBookmarkCount) throw EHexEditor(HexMsg::InvalidBookmark);
}
}  // namespace

const THexBookmark& THexEditorCore::Bookmark(int index) const {
  CheckIndex(index);
  return FBookmarks[static_cast<size_t>(index)];
}

void THexEditorCore::ToggleBookmark(int index, int pos, bool inCharField) {
  CheckIndex(index);
  THexBookmark& b = FBookmarks[static_cast<size_t>(index)];
  if (b.Position == pos && b.InCharField == inCharField)
    b.Position = -1;
  else
    b.Position = pos < 0 ? -1 : pos;
  b.InCharField = inCharField;
  Invalidate();
  BookmarkChanged();
}

bool THexEditorCore::GotoBookmark(int index) {
  CheckIndex(index);
  const THexBookmark b = FBookmarks[static_cast<size_t>(index)];
  if (b.Position < 0) return false;
  ClearSelection(true);
  const int size = DataSize();
  if (b.Position > size || (b.Position == size && !InsertMode())) {
    ToggleBookmark(index, -1, false);
    return false;
  }
  MoveCaret(CellOf(b.Position, b.InCharField));
  return true;
}

void THexEditorCore::AdjustBookmarks(int from, int delta) {
  if (from < 0) return;
  // Called before the edit: the size it leaves is the limit.
  const int64_t sizeAfter = int64_t(DataSize()) + delta;
  bool touched = false;
  for (THexBookmark& b : FBookmarks) {
    if (b.Position < 0) continue;
    int64_t p = b.Position;
    if (p >= from) p += delta;
    if (p > sizeAfter) p = -1;  // its byte went with the edit
    if (p != b.Position) {
      b.Position = static_cast<int>(p);
      touched = true;
    }
  }
  if (touched) BookmarkChanged();
}

void THexEditorCore::BookmarkChanged() {
  if (OnBookmarkChanged) OnBookmarkChanged();
}
