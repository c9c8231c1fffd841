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

std::array<THexBookmark, HexBookmarkCount> THexEditorCore::ShiftedBookmarks(int from,
                                                                            int delta) const {
  std::array<THexBookmark, HexBookmarkCount> moved = FBookmarks;
  if (from < 0) return moved;
  // Called before the edit: the size it leaves is the limit.
  const int64_t sizeAfter = int64_t(DataSize()) + delta;
  for (THexBookmark& b : moved) {
    if (b.Position < 0) continue;
    int64_t p = b.Position;
    if (p >= from) p += delta;
    if (p > sizeAfter) p = -1;  // its byte went with the edit
    b.Position = static_cast<int>(p);
  }
  return moved;
}

void THexEditorCore::BookmarkChanged() {
  if (OnBookmarkChanged) OnBookmarkChanged();
}
