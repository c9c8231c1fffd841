// Undo and redo: undo steps, the two journals and the saved state.
//
// Each journal entry is a recipe for going back: at its position, take
// away the bytes the edit put there (its new length) and put back the
// saved ones, then restore the change marks and bookmarks it saved. A
// step is undone entry by entry from the end; before each entry is
// applied, its opposite (the bytes it takes away, the marks and
// bookmarks as they are now) goes into the other journal, so that redo
// is an undo from the redo journal. The insert flag, caret and selection
// of the step's first entry are restored last (the caret and selection by
// the editor core).

#include <algorithm>
#include <vector>

#include "hexedit/core/HexDocument.h"

using namespace UndoEntry;

namespace {

// The entry that takes back what undoing e does.
struct TOpposite {
  UndoKind Kind;
  int Count;
  int Count2;
};

TOpposite OppositeOf(const THexUndoEntryView& e) {
  if (e.Kind == ukChangeBytes) return {ukChangeBytes, e.Count, 0};
  const int putBack = e.SavedCount;  // bytes the undo puts back
  const int takes = e.NewCount();    // bytes the undo takes away
  if (takes == 0) return {ukInsertBuffer, putBack, 0};
  if (putBack == 0) return {ukRemoveData, takes, 0};
  return {ukReplace, putBack, takes};
}

}  // namespace

// ---- Steps and the saved state --------------------------------------------

void THexDocument::BeginUndoStep(const THexUndoState& now) {
  if (FStepDepth++ == 0) {
    FStepState = now;
    FStepRecorded = false;
  }
}

void THexDocument::EndUndoStep() {
  if (FStepDepth > 0) --FStepDepth;
}

void THexDocument::ContinueLastStep() {
  if (FStepDepth > 0 && FUndo.StepCount() > 0) FStepRecorded = true;
}

void THexDocument::SetModifiedFlag(bool value) {
  if (FModified == value) return;
  FModified = value;
  if (OnModifiedChanged) OnModifiedChanged();
}

void THexDocument::SetModified(bool value) {
  FSavePoint = value ? NoSavePoint : 0;
  SetModifiedFlag(value);
}

void THexDocument::StepAdded() {
  FRedo.ResetUndo();
  if (FSavePoint >= 0 && FSavePoint < FUndo.StepCount())
    ++FSavePoint;
  else
    FSavePoint = NoSavePoint;  // ahead in the redo just dropped, or trimmed away
  SetModifiedFlag(FSavePoint != 0);
}

void THexDocument::ClearUndo() {
  FUndo.ResetUndo();
  FRedo.ResetUndo();
  if (FSavePoint != 0) FSavePoint = NoSavePoint;
}

// ---- Undo and redo --------------------------------------------------------

bool THexDocument::CanReplay(const THexUndoStorage& from) const {
  return from.StepCount() > 0 && !FModes.ReadOnlyView && FUndo.UpdateCount() == 0;
}

bool THexDocument::CanUndo() const { return CanReplay(FUndo); }
bool THexDocument::CanRedo() const { return CanReplay(FRedo); }

bool THexDocument::Undo(const THexEditContext& now, const TRestoreState& restore) {
  return ReplayStep(FUndo, FRedo, true, now, restore);
}

bool THexDocument::Redo(const THexEditContext& now, const TRestoreState& restore) {
  return ReplayStep(FRedo, FUndo, false, now, restore);
}

bool THexDocument::ReplayStep(THexUndoStorage& from, THexUndoStorage& to, bool undoing,
                              const THexEditContext& now, const TRestoreState& restore) {
  if (!CanReplay(from)) return false;

  // Check the whole step first: every entry must fit the data as it will
  // be when its turn comes, and a step that changes the size must be
  // allowed to.
  std::vector<int> takes;  // bytes each entry takes away, which its opposite saves
  int64_t size = DataSize(), largest = size;
  bool resizes = false;
  for (int64_t end = from.Size();;) {
    THexUndoEntryView e;
    if (!from.ReadEntryEndingAt(end, e) || e.Position < 0 ||
        e.Position + int64_t(e.NewCount()) > size) {
      FUndo.DropAllEntries();
      FRedo.DropAllEntries();
      FSavePoint = FModified ? NoSavePoint : 0;
      throw EHexEditor(HexMsg::CannotUpdateUndo);
    }
    takes.push_back(e.NewCount());
    resizes |= e.SavedCount != e.NewCount();
    size += e.SavedCount - e.NewCount();
    largest = std::max(largest, size);
    if (!e.Joined()) break;
    end = e.Offset;
  }
  // An opposite entry is at most: the bytes taken away, a selection, every
  // bookmark, and no more marks than the data or the marks ever hold.
  const int64_t marks = std::max<int64_t>(ChangeMarksSize(), largest);
  int64_t room = 0;
  for (int n : takes) room += EntryLength(n, 0, true, marks, HexBookmarkCount);
  const int entries = static_cast<int>(takes.size());
  if (resizes && SizeFixed()) throw EHexEditor(HexMsg::FixedFileSize);
  // Room first, so that nothing below can fail half-way.
  FData.Reserve(largest);
  to.Reserve(room);

  THexUndoState state = now.State;
  bool bookmarksChanged = false;
  for (int i = 0; i < entries; ++i) {
    THexUndoEntryView e;
    from.ReadLastEntry(e);
    const TOpposite op = OppositeOf(e);
    THexEntryExtras extras = EntryExtras(op.Kind, e.Position, op.Count, op.Count2, now);
    extras.Joined = i > 0;
    for (const THexSavedBookmark& b : e.Bookmarks) {
      if (b.Slot < 0 || b.Slot >= HexBookmarkCount) continue;
      const THexBookmark& cur = FBookmarks[size_t(b.Slot)];
      extras.Bookmarks.push_back({b.Slot, cur.Position, cur.InCharField});
    }
    SaveMarks(extras, op.Kind, e.Position, op.Kind == ukChangeBytes ? op.Count : 0);
    to.AddUndoEntry(op.Kind, e.Position, op.Count, op.Count2, {}, extras);

    Splice(e.Position, e.NewCount(), e.Saved, e.SavedCount);
    if (e.Kind == ukChangeBytes) {
      for (int k = 0; k < e.Count; ++k) SetChangeMark(e.Position + k, e.MarkSaved(k));
    } else {
      CutChangeMarks(e.Position);
      for (int k = 0; k < e.MarkCount; ++k)
        if (e.MarkSaved(k)) SetChangeMark(e.Position + k, true);
    }
    for (const THexSavedBookmark& b : e.Bookmarks) {
      if (b.Slot < 0 || b.Slot >= HexBookmarkCount) continue;
      THexBookmark& cur = FBookmarks[size_t(b.Slot)];
      const THexBookmark was{b.Position < 0 ? -1 : b.Position, b.InCharField};
      bookmarksChanged |= cur != was;
      cur = was;
    }
    state = e.State;
    from.DropLastEntry(e);
  }

  // The insert flag as it was, unless it may not be on now; then the
  // editor's caret and selection.
  FModes.InsertFlag = state.InsertFlag && !FModes.NoSizeChange && FModes.AllowInsertMode;
  if (restore) restore(state);

  // The saved state is one step nearer or farther.
  if (FSavePoint != NoSavePoint) {
    FSavePoint += undoing ? -1 : 1;
    if (FSavePoint > FUndo.StepCount() || -FSavePoint > FRedo.StepCount()) FSavePoint = NoSavePoint;
  }
  SetModifiedFlag(FSavePoint != 0);
  if (bookmarksChanged) BookmarkChanged();
  return true;
}
