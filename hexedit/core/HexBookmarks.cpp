// The document's ten bookmark slots.

#include "hexedit/core/HexDocument.h"

namespace {
void CheckIndex(int index) {
  if (index < 0 || index >= HexBookmarkCount) throw EHexEditor(HexMsg::InvalidBookmark);
}
}  // namespace

const THexBookmark& THexDocument::Bookmark(int index) const {
  CheckIndex(index);
  return FBookmarks[static_cast<size_t>(index)];
}

void THexDocument::ToggleBookmark(int index, int pos, bool inCharField) {
  CheckIndex(index);
  THexBookmark& b = FBookmarks[static_cast<size_t>(index)];
  if (b.Position == pos && b.InCharField == inCharField)
    b.Position = -1;
  else
    b.Position = pos < 0 ? -1 : pos;
  b.InCharField = inCharField;
  BookmarkChanged();
}

THexBookmarks THexDocument::ShiftedBookmarks(int from, int delta) const {
  THexBookmarks moved = FBookmarks;
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

void THexDocument::BookmarkChanged() {
  if (OnBookmarkChanged) OnBookmarkChanged();
}
