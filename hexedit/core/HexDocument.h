#pragma once
// THexDocument: the bytes a hex editor holds and what belongs to them:
// the change marks, the edit journal with undo and redo, the saved state,
// the bookmarks, and the rules of what may change (a fixed size, insert
// mode, the main window's lock).
//
// The document knows no caret, grid or paint. The editor core
// (HexEditorCore.h) owns one; with every edit it records it tells the
// document the state undo is to put back and the settings the journal
// notes (THexEditContext), and it does what the edit means for the view.
//
// Implemented in HexDataStore.cpp (data, marks, modes), HexJournal.cpp
// (recording), HexUndo.cpp (steps, undo and redo, the saved state) and
// HexBookmarks.cpp.
//
// Positions are 0-based byte offsets (32-bit, as the journal stores them).
// Direct-access operations do not check their ranges: that is the
// caller's duty. Everything else rejects bad values with EHexEditor and
// keeps its old state.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/EHexEditor.h"
#include "hexedit/core/HexMemoryStream.h"
#include "hexedit/core/HexUndoStorage.h"

// One of the ten bookmark slots; Position -1 = unset.
struct THexBookmark {
  int Position = -1;
  bool InCharField = false;

  bool operator==(const THexBookmark&) const = default;
};

inline constexpr int HexBookmarkCount = 10;
using THexBookmarks = std::array<THexBookmark, HexBookmarkCount>;
inline constexpr int DefaultMaxUndo = 1048576;
inline constexpr const char* NeverResetTitle = "---";
inline constexpr const char* UntitledTitle = "Untitled";

// The switches that decide what an edit may do. The editor core's
// setters change them and do what a switch means for rows and caret.
struct THexEditModes {
  bool NoSizeChange = false;
  bool AllowInsertMode = true;
  // The main window's lock: no typing, no undo, insert mode reads as off.
  bool ReadOnlyView = false;
  // The user's insert flag; in force only while the document can insert.
  bool InsertFlag = false;
};

// What an edit tells the document about the editor: the state undo puts
// back, and the settings the journal entry notes.
struct THexEditContext {
  THexUndoState State;
  THexEntrySettings Settings;
};

class THexDocument {
public:
  THexDocument() = default;
  ~THexDocument();
  THexDocument(const THexDocument&) = delete;
  THexDocument& operator=(const THexDocument&) = delete;

  // Host events; each is called only when set. Modified flipped (an edit
  // after a clean state, a reset, SetModified); a bookmark was set,
  // cleared or moved.
  std::function<void()> OnModifiedChanged;
  std::function<void()> OnBookmarkChanged;

  // ==== Data ===============================================================
  int DataSize() const { return static_cast<int>(FData.Size()); }
  // First held byte; valid until the next size change (nullptr when empty).
  uint8_t* DataPointer() { return FData.Memory(); }
  const uint8_t* DataPointer() const { return FData.Memory(); }
  uint8_t PeekByte(int pos) const { return *FData.PointerAt(pos); }
  void PokeByte(int pos, uint8_t value) { *FData.PointerAt(pos) = value; }
  void CopyDataOut(void* dest, int pos, int count) const;
  void CopyDataIn(const void* src, int pos, int count);
  // Largest data size accepted; growing beyond it (or beyond what memory
  // allows) raises EHexStreamError and changes nothing.
  int64_t MaxDataSize() const { return FData.MaxSize; }
  void SetMaxDataSize(int64_t size) { FData.MaxSize = size; }
  // Makes sure the data can grow to size without failing later.
  void Reserve(int64_t size) { FData.Reserve(size); }

  // Raw changes of the bytes: no journal, no change marks.
  void InsertBytes(const void* buffer, int count, int pos);
  void RemoveBytes(int start, int end);  // [start, end)
  // At pos, remove bytes and put count bytes from insert in their place.
  void Splice(int pos, int remove, const uint8_t* insert, int count);

  // Empties data, journals, change marks and bookmarks; FileTitle :=
  // title ("Untitled" when empty); not modified, saving refused, data
  // initialised.
  void Reset(std::string_view title);
  // The document's part of a size change (the editor core's SetDataSize
  // moves the caret): grows with FillByte or cuts at the end, recorded;
  // refuses "Invalid data size %d" and, while the size is fixed, n -> m
  // (both non-zero) with "Cannot change fixed filesize". False when the
  // size was already newSize.
  bool Resize(int newSize, const THexEditContext& now);

  // ==== Change marks =======================================================
  // Bit i set = byte i was changed by an overwrite edit.
  const std::vector<bool>& ChangeMarks() const { return FChangeMarks; }
  int ChangeMarksSize() const { return static_cast<int>(FChangeMarks.size()); }
  // False in insert mode; else the mark of pos (false beyond the marks).
  bool ByteChanged(int pos) const;
  void SetChangeMark(int pos, bool value);
  // Drops the marks from size on (all of them for 0).
  void CutChangeMarks(int size);

  // ==== Settings and modes =================================================
  const std::string& FileTitle() const { return FFileTitle; }
  // True once Reset or Resize has run.
  bool DataInitialised() const { return FDataInitialised; }
  // Raises EFileOpenError when the held data came from a read-only file.
  // Construction and Reset set that flag; nothing here saves files.
  void CheckSaveAllowed() const;
  uint8_t FillByte() const { return FFillByte; }
  void SetFillByte(uint8_t value) { FFillByte = value; }
  // Byte budget of each journal; <= 0 disables trimming.
  int MaxUndo = DefaultMaxUndo;

  const THexEditModes& Modes() const { return FModes; }
  // Raw: the editor core's mode setters call this.
  void SetModes(const THexEditModes& modes) { FModes = modes; }
  bool SizeFixed() const { return FModes.NoSizeChange && !FSizeChangeInProgress; }
  bool CanInsert() const { return !SizeFixed() && FModes.AllowInsertMode && !FModes.ReadOnlyView; }
  // The effective mode: the user's flag while CanInsert holds.
  bool InsertMode() const { return FModes.InsertFlag && CanInsert(); }

  // ==== The saved state ====================================================
  // Whether the data differs from the last saved state as far as the
  // journal knows. SetModified(false) makes the current state the saved
  // one (undoing or redoing back to it clears Modified again);
  // SetModified(true) forgets the saved state.
  bool Modified() const { return FModified; }
  void SetModified(bool value);

  // ==== Edit journal (HexJournal.cpp) ======================================
  // The gate of every edit, called before the data changes: refuses with
  // "Cannot update undo storage" (nothing changed) when CanRecordChange
  // says no or the range lies outside the data; else adds the entry
  // (unless recording is suspended), moves the bookmarks the edit moves
  // and sets Modified. An edit made while recording is suspended cannot
  // be undone, and neither can anything before it: both journals are
  // emptied.
  void RecordChange(UndoKind kind, int pos, int count, int count2, std::string_view description,
                    const THexEditContext& now);
  bool CanRecordChange(UndoKind kind, int count, int count2) const;
  int BeginUndoUpdate() { return FUndo.BeginUndoUpdate(); }
  int EndUndoUpdate() { return FUndo.EndUndoUpdate(); }
  const THexUndoStorage& UndoStorage() const { return FUndo; }
  THexUndoStorage& UndoStorage() { return FUndo; }

  // ==== Undo and redo (HexUndo.cpp) ========================================
  // The edits between BeginUndoStep and the matching EndUndoStep (pairs
  // nest) make one undo step, which puts back the state of its beginning.
  void BeginUndoStep(const THexUndoState& now);
  void EndUndoStep();
  // An undo step for the span of a scope.
  struct TUndoStep {
    THexDocument& Document;
    TUndoStep(THexDocument& document, const THexUndoState& now) : Document(document) {
      Document.BeginUndoStep(now);
    }
    ~TUndoStep() { Document.EndUndoStep(); }
    TUndoStep(const TUndoStep&) = delete;
    TUndoStep& operator=(const TUndoStep&) = delete;
  };
  // The entries of the step under way join the step recorded last.
  void ContinueLastStep();
  // A step can be undone (redone) while one is held, ReadOnlyView is off
  // and recording is not suspended.
  bool CanUndo() const;
  bool CanRedo() const;
  // Takes back the last step, or makes the last undone one again: the
  // bytes, the size, the change marks, the bookmarks and the insert flag;
  // then restore gets the caret and selection to put back, before the
  // saved state is updated and the events fire. False when there is
  // nothing to do. A step that changes the size while it is fixed raises
  // "Cannot change fixed filesize", and a journal that no longer fits the
  // data "Cannot update undo storage" (both journals are then emptied);
  // nothing changes then.
  using TRestoreState = std::function<void(const THexUndoState&)>;
  bool Undo(const THexEditContext& now, const TRestoreState& restore);
  bool Redo(const THexEditContext& now, const TRestoreState& restore);
  // Empties both journals (a load, a card read, a resize by the chip
  // catalogue). The current state stays the saved one if it was.
  void ClearUndo();

  // ==== Bookmarks (HexBookmarks.cpp) =======================================
  const THexBookmark& Bookmark(int index) const;
  const THexBookmarks& Bookmarks() const { return FBookmarks; }
  // Sets slot index to pos, or clears it when it already holds pos in the
  // same field. "Invalid bookmark index" beyond 0..9.
  void ToggleBookmark(int index, int pos, bool inCharField);
  // The bookmarks as an edit that changes the data by delta bytes at from
  // leaves them, asked before the edit: every set bookmark at or after
  // from moves by delta, and those that then lie beyond the data (past
  // the append position) are cleared. A negative from moves none.
  THexBookmarks ShiftedBookmarks(int from, int delta) const;

private:
  THexMemoryStream FData;
  std::vector<bool> FChangeMarks;
  std::string FFileTitle = NeverResetTitle;
  bool FDataInitialised = false;
  bool FReadOnlyFile = true;
  uint8_t FFillByte = 0;
  THexEditModes FModes;
  bool FSizeChangeInProgress = false;
  bool FModified = false;
  THexBookmarks FBookmarks;

  // Journals, steps and the saved state.
  THexUndoStorage FUndo;
  THexUndoStorage FRedo;
  int FStepDepth = 0;
  bool FStepRecorded = false;
  THexUndoState FStepState;
  // Undo steps between the current state and the last saved one:
  // positive behind (undo), negative ahead (redo); NoSavePoint when no
  // sequence of undos or redos leads there.
  static constexpr int NoSavePoint = -0x7FFFFFFF - 1;
  int FSavePoint = 0;
  void SetModifiedFlag(bool value);
  // A new step was recorded: redo is gone, the save point one step further back.
  void StepAdded();
  bool RangeRecordable(UndoKind kind, int pos, int count, int count2) const;
  // What an entry at pos notes beside its state and settings.
  THexEntryExtras EntryExtras(UndoKind kind, int pos, int count, int count2,
                              const THexEditContext& now) const;
  // The change marks and bookmarks an entry at pos must save.
  void SaveMarks(THexEntryExtras& extras, UndoKind kind, int pos, int count) const;
  // The bookmarks as they are after an edit of kind moves them.
  THexBookmarks MovedBookmarks(UndoKind kind, int pos, int count, int count2) const;
  // Undo (from = undo journal) or redo (from = redo journal) of one step.
  bool ReplayStep(THexUndoStorage& from, THexUndoStorage& to, bool undoing,
                  const THexEditContext& now, const TRestoreState& restore);
  bool CanReplay(const THexUndoStorage& from) const;
  void BookmarkChanged();
};
