// Undo and redo: undo steps, the two journals and the saved state.
//
// Each journal entry is a recipe for going back: at its position, take
// away the bytes the edit put there (its new length) and put back the
// saved ones, then restore the change marks and bookmarks it saved. A
// step is undone entry by entry from the end; before each entry is
// applied, its opposite (the bytes it takes away, the marks and
// bookmarks as they are now) goes into the other journal, so that redo
// is an undo from the redo journal. The caret, selection and insert mode
// of the step's first entry are restored last.

#include <algorithm>
#include <vector>

#include "hexedit/core/HexEditorCore.h"

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

void THexEditorCore::BeginUndoStep() {
  if (FStepDepth++ == 0) {
    FStepState = UndoStateNow();
    FStepRecorded = false;
  }
}

void THexEditorCore::EndUndoStep() {
  if (FStepDepth > 0) --FStepDepth;
}

void THexEditorCore::ContinueLastStep() {
  if (FStepDepth > 0 && FUndo.StepCount() > 0) FStepRecorded = true;
}

void THexEditorCore::SetModifiedFlag(bool value) {
  if (FModified == value) return;
  FModified = value;
  if (OnModifiedChanged) OnModifiedChanged();
}

void THexEditorCore::SetModified(bool value) {
  FSavePoint = value ? NoSavePoint : 0;
  SetModifiedFlag(value);
}

void THexEditorCore::StepAdded() {
  FRedo.ResetUndo();
  if (FSavePoint >= 0 && FSavePoint < FUndo.StepCount())
    ++FSavePoint;
  else
    FSavePoint = NoSavePoint;  // ahead in the redo just dropped, or trimmed away
  SetModifiedFlag(FSavePoint != 0);
}

void THexEditorCore::ClearUndo() {
  FUndo.ResetUndo();
  FRedo.ResetUndo();
  if (FSavePoint != 0) FSavePoint = NoSavePoint;
}

// ---- Undo and redo --------------------------------------------------------

bool THexEditorCore::CanReplay(const THexUndoStorage& from) const {
  return from.StepCount() > 0 && !FReadOnlyView && FUndo.UpdateCount() == 0;
}

bool THexEditorCore::CanUndo() const { return CanReplay(FUndo); }
bool THexEditorCore::CanRedo() const { return CanReplay(FRedo); }
bool THexEditorCore::Undo() { return ReplayStep(FUndo, FRedo, true); }
bool THexEditorCore::Redo() { return ReplayStep(FRedo, FUndo, false); }

bool THexEditorCore::ReplayStep(THexUndoStorage& from, THexUndoStorage& to, bool undoing) {
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

  const THexUndoState now = UndoStateNow();
  THexUndoState restore = now;
  bool bookmarksChanged = false;
  for (int i = 0; i < entries; ++i) {
    THexUndoEntryView e;
    from.ReadLastEntry(e);
    const TOpposite op = OppositeOf(e);
    THexEntryExtras extras;
    extras.State = &now;
    extras.Joined = i > 0;
    for (const THexSavedBookmark& b : e.Bookmarks) {
      if (b.Slot < 0 || b.Slot >= HexBookmarkCount) continue;
      const THexBookmark& cur = FBookmarks[size_t(b.Slot)];
      extras.Bookmarks.push_back({b.Slot, cur.Position, cur.InCharField});
    }
    SaveMarks(extras, op.Kind, e.Position, op.Kind == ukChangeBytes ? op.Count : 0);
    to.AddUndoEntry(op.Kind, e.Position, op.Count, op.Count2, {}, &extras);

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
    restore = e.State;
    from.DropLastEntry(e);
  }

  RestoreUndoState(restore);

  // The saved state is one step nearer or farther.
  if (FSavePoint != NoSavePoint) {
    FSavePoint += undoing ? -1 : 1;
    if (FSavePoint > FUndo.StepCount() || -FSavePoint > FRedo.StepCount()) FSavePoint = NoSavePoint;
  }
  SetModifiedFlag(FSavePoint != 0);
  if (bookmarksChanged) BookmarkChanged();
  NotifyChange();
  return true;
}

void THexEditorCore::Splice(int pos, int remove, const uint8_t* insert, int count) {
  const int64_t size = DataSize();
  const int64_t tail = size - pos - remove;
  if (count > remove) {
    FData.SetSize(size - remove + count);
    FData.MoveBytes(pos + remove, pos + count, tail);
  } else if (count < remove) {
    FData.MoveBytes(pos + remove, pos + count, tail);
    FData.SetSize(size - remove + count);
  }
  CopyDataIn(insert, pos, count);
}

void THexEditorCore::RestoreUndoState(const THexUndoState& s) {
  // The insert flag as it was, unless it may not be on now.
  FInsertFlag = s.InsertFlag && !FNoSizeChange && FAllowInsertMode;
  UpdateRowCount();
  const int size = DataSize();
  FSelection.Clear();
  if (s.SelAnchor >= 0 && s.SelLow >= 0 && s.SelLow <= s.SelHigh && s.SelHigh < size) {
    FSelection.Anchor = s.SelAnchor;
    FSelection.Low = s.SelLow;
    FSelection.High = s.SelHigh;
  }
  THexCaret caret;
  caret.InCharField = s.CaretInCharField;
  caret.Position = std::clamp(s.CaretPosition, 0, InsertMode() ? size : std::max(0, size - 1));
  if (caret.InCharField && FUnicodeChars) caret.Position &= ~1;
  caret.SecondDigit = !caret.InCharField && s.CaretOnSecondDigit && caret.Position < size;
  FCaret = caret;
  const TGridCoord cell = CaretCell();
  FGrid.ScrollInView(cell.Col, cell.Row);
  UpdateCaretPosition();
  Invalidate();
}
