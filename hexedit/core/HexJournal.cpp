// Recording edits: the one gate every change of the data passes.

#include <algorithm>

#include "hexedit/core/HexDocument.h"

bool THexDocument::CanRecordChange(UndoKind kind, int count, int count2) const {
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
bool THexDocument::RangeRecordable(UndoKind kind, int pos, int count, int count2) const {
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

THexEntryExtras THexDocument::EntryExtras(UndoKind kind, int pos, int count, int count2,
                                          const THexEditContext& now) const {
  THexEntryExtras extras;
  extras.State = now.State;
  extras.Settings = now.Settings;
  extras.Modified = FModified;
  extras.Budget = MaxUndo;
  if (UndoEntry::SavedCountOf(kind, count, count2) > 0) extras.Saved = FData.PointerAt(pos);
  if (kind == ukChangeBytes) {
    extras.FirstByteChanged = ByteChanged(pos);
    extras.SecondByteChanged = count == 2 && ByteChanged(pos + 1);
  }
  return extras;
}

// Kind 0 touches the marks of its own bytes, which the entry's flags
// already carry for one or two bytes; the other kinds cut the marks at
// their position, so all marks from there on are saved.
void THexDocument::SaveMarks(THexEntryExtras& extras, UndoKind kind, int pos, int count) const {
  const int marks = ChangeMarksSize();
  auto raw = [&](int p) { return p >= 0 && p < marks && FChangeMarks[size_t(p)]; };
  int saved = 0;
  if (kind == ukChangeBytes) {
    bool differs = false;
    for (int i = 0; i < count && !differs; ++i) {
      const bool byFlags =
          i == 0 ? ByteChanged(pos) : (i == 1 && count == 2 && ByteChanged(pos + 1));
      differs = raw(pos + i) != byFlags;
    }
    if (differs || !extras.Bookmarks.empty()) saved = count;
  } else {
    for (int p = marks - 1; p >= pos && saved == 0; --p)
      if (FChangeMarks[size_t(p)]) saved = p - pos + 1;
  }
  if (saved == 0) return;
  extras.MarkCount = saved;
  extras.MarkBits.assign(size_t(saved + 7) / 8, 0);
  for (int i = 0; i < saved; ++i)
    if (raw(pos + i)) extras.MarkBits[size_t(i / 8)] |= uint8_t(1u << (i % 8));
}

THexBookmarks THexDocument::MovedBookmarks(UndoKind kind, int pos, int count, int count2) const {
  int from = -1, delta = 0;
  switch (kind) {
    case ukRemoveData: from = pos + count, delta = -count; break;
    case ukInsertBuffer: from = pos, delta = count; break;
    case ukReplace: from = pos + count2, delta = count - count2; break;
    default: break;
  }
  return ShiftedBookmarks(from, delta);
}

void THexDocument::RecordChange(UndoKind kind, int pos, int count, int count2,
                                std::string_view description, const THexEditContext& now) {
  if (!CanRecordChange(kind, count, count2) || !RangeRecordable(kind, pos, count, count2))
    throw EHexEditor(HexMsg::CannotUpdateUndo);
  // Bookmarks follow the data that moves; the entry keeps where they were.
  const THexBookmarks moved = MovedBookmarks(kind, pos, count, count2);
  const auto moveBookmarks = [&] {
    if (moved == FBookmarks) return;
    FBookmarks = moved;
    BookmarkChanged();
  };
  if (FUndo.UpdateCount() > 0) {
    // Nothing before an edit the journal does not know can be undone.
    FUndo.DropAllEntries();
    FRedo.DropAllEntries();
    FSavePoint = NoSavePoint;
    moveBookmarks();
    SetModifiedFlag(true);
    return;
  }
  const bool joined = FStepDepth > 0 && FStepRecorded;
  THexEntryExtras extras = EntryExtras(kind, pos, count, count2, now);
  if (FStepDepth > 0) extras.State = FStepState;
  extras.Joined = joined;
  for (int i = 0; i < HexBookmarkCount; ++i)
    if (moved[size_t(i)] != FBookmarks[size_t(i)])
      extras.Bookmarks.push_back(
          {i, FBookmarks[size_t(i)].Position, FBookmarks[size_t(i)].InCharField});
  SaveMarks(extras, kind, pos, count);
  FUndo.AddUndoEntry(kind, pos, count, count2, description, extras);
  moveBookmarks();
  if (FStepDepth > 0) FStepRecorded = true;
  if (!joined) StepAdded();
}
