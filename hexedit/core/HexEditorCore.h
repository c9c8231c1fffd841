#pragma once
// THexEditorCore: everything a hex editor decides, in plain C++.
//
// One object per editor holds the data, the change marks, the edit
// journal, the settings, the caret and the selection, and performs every
// edit. The Qt widget (hexedit/widget) owns one, feeds it events and turns
// its requests (repaint, post a selection notice) into Qt calls.
//
// The class is implemented across several files, one per topic:
//   HexEditorCore.cpp  construction, life cycle, notifications
//   HexDataStore.cpp   data store, size rules, change marks, mode switches
//   HexJournal.cpp     recording edits into the journal
//   HexUndo.cpp        undo and redo, undo steps, the saved state
//   HexSelection.cpp   caret and selection
//   HexBookmarks.cpp   bookmarks
//   HexEditing.cpp     buffer editing operations
//   HexKeyboard.cpp    key-down handling (the key table)
//   HexTyping.cpp      character entry
//   HexMouse.cpp       mouse press, drag, release, auto-scroll, wheel
//   HexTools.cpp       paste, cut, fill, select all, edit keys, go to, readout
//   HexFindReplace.cpp find and replace
//
// Positions are 0-based byte offsets (32-bit, as the journal stores them).
// Direct-access operations do not check their ranges: that is the caller's
// duty. Everything else rejects bad values with EHexEditor and keeps its
// old state.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/EHexEditor.h"
#include "hexedit/core/HexColors.h"
#include "hexedit/core/HexFind.h"
#include "hexedit/core/HexGrid.h"
#include "hexedit/core/HexInput.h"
#include "hexedit/core/HexMemoryStream.h"
#include "hexedit/core/HexOffsetFormat.h"
#include "hexedit/core/HexPaint.h"
#include "hexedit/core/HexPaintOptions.h"
#include "hexedit/core/HexReadout.h"
#include "hexedit/core/HexSelectionRange.h"
#include "hexedit/core/HexTranslation.h"
#include "hexedit/core/HexUndoStorage.h"

// Where the caret stands, in data terms: the byte, the field, and in the
// hex field which of the byte's two digit columns. The grid cell of a
// caret follows from this and the layout (a position past the data end is
// the append position, valid only in insert mode).
struct THexCaret {
  int Position = 0;
  bool InCharField = false;
  bool SecondDigit = false;  // hex field only

  bool operator==(const THexCaret&) const = default;
};

// One of the ten bookmark slots; Position -1 = unset.
struct THexBookmark {
  int Position = -1;
  bool InCharField = false;

  bool operator==(const THexBookmark&) const = default;
};

inline constexpr int HexBookmarkCount = 10;
inline constexpr int DefaultMaxUndo = 1048576;
inline constexpr const char* NeverResetTitle = "---";
inline constexpr const char* UntitledTitle = "Untitled";

class THexEditorCore {
public:
  THexEditorCore();
  virtual ~THexEditorCore();
  THexEditorCore(const THexEditorCore&) = delete;
  THexEditorCore& operator=(const THexEditorCore&) = delete;

  // ==== Life cycle =========================================================
  // The widget calls this once its window exists. An editor that nobody
  // has reset or sized yet is emptied and titled "Untitled"; one that a
  // host filled earlier (even without ResetData) keeps its data.
  void WindowCreated();
  // True once ResetData or SetDataSize has run.
  bool DataInitialised() const { return FDataInitialised; }

  // ==== Host events and view hooks =========================================
  // Host events; each is called only when set.
  std::function<void()> OnChange;
  std::function<void()> OnSelectionChanged;
  std::function<void()> OnBookmarkChanged;
  // Modified flipped (an edit after a clean state, a reset, SetModified).
  std::function<void()> OnModifiedChanged;
  // A typed character means nothing where the caret is.
  std::function<void()> OnInvalidKey;
  // The view scrolled.
  std::function<void()> OnTopLeftChanged;
  // Called first for every key-down / typed character; may change it.
  THexKeyDownEvent OnKeyDown;
  THexKeyPressEvent OnKeyPress;
  // Stored only: no operation of this editor reports progress.
  THexProgressEvent OnProgress;
  bool FindProgress = false;

  // Set by the widget: queue one later call of DeliverSelectionNotice on
  // the UI thread (a queued invocation). Tests call it by hand.
  std::function<void()> PostSelectionNotice;
  // Set by the widget: repaint everything / the rows holding the bytes
  // first..last. When the range hook is missing the whole control repaints.
  std::function<void()> RequestRepaint;
  std::function<void(int first, int last)> RequestRepaintRange;

  // Fires OnChange, then NotifySelectionChange.
  virtual void NotifyChange();
  // Posts one selection notice per event-loop turn: the first call after a
  // delivery posts, later ones only count.
  virtual void NotifySelectionChange();
  // The posted call coming back: fires OnSelectionChanged once when any
  // notice is pending. The count is cleared before the handler runs, so a
  // handler that raises does not leave it set, and a change the handler
  // makes posts a fresh notice.
  void DeliverSelectionNotice();
  int PendingSelectionNotices() const { return FPendingSelectionNotices; }

  // Raises EFileOpenError when the held data came from a read-only file.
  // Construction and ResetData set that flag; nothing here saves files.
  virtual void CheckSaveAllowed() const;

  void Invalidate();
  void InvalidateRows(int firstPos, int lastPos);

  // The widget keeps this in step with its enabled state; a disabled
  // editor does not select what InsertBuffer inserted.
  bool ControlEnabled = true;

  // ==== Data store =========================================================
  int DataSize() const { return static_cast<int>(FData.Size()); }
  // First held byte; valid until the next size change (nullptr when empty).
  uint8_t* DataPointer() { return FData.Memory(); }
  const uint8_t* DataPointer() const { return FData.Memory(); }
  uint8_t PeekByte(int pos) const { return *FData.PointerAt(pos); }
  void PokeByte(int pos, uint8_t value) { *FData.PointerAt(pos) = value; }
  void CopyDataOut(void* dest, int pos, int count) const;
  virtual void CopyDataIn(const void* src, int pos, int count);

  // Empties data, undo and redo, change marks and selection; FileTitle := title
  // ("Untitled" when empty); caret to the first hex cell; OnChange.
  void ResetData(std::string_view title = {});
  // Grows (new bytes = FillByte) or cuts the data at its end, recording
  // the change. Raises "Cannot change fixed filesize" for n -> m (both
  // non-zero) while NoSizeChange is on, "Invalid data size %d" for a
  // negative size, EHexStreamError when memory runs out; nothing changes
  // then. No OnChange.
  void SetDataSize(int newSize);

  // Raw primitives of the edits: no recording, no change marks.
  void AppendRaw(const void* buffer, int count);
  void InsertRaw(const void* buffer, int count, int pos);
  // Removes [start, end) and places the caret: on the first cell of its
  // field when the data is now empty, at the end when caretCell lies past
  // it, else on caretCell (kept as it is when none is given).
  void DeleteRaw(int start, int end, std::optional<THexCaret> caretCell);

  // Largest data size accepted; growing beyond it (or beyond what memory
  // allows) raises EHexStreamError and changes nothing.
  int64_t MaxDataSize() const { return FData.MaxSize; }
  void SetMaxDataSize(int64_t size) { FData.MaxSize = size; }

  // Called after every size change: the grid's row and column counts
  // follow the data (and the insert mode), the change marks are cut to the
  // data, and the layout is redone.
  void UpdateRowCount();

  // Change marks: bit i set = byte i was changed by an overwrite edit.
  const std::vector<bool>& ChangeMarks() const { return FChangeMarks; }
  int ChangeMarksSize() const { return static_cast<int>(FChangeMarks.size()); }
  // False in insert mode; else the mark of pos (false beyond the marks).
  bool ByteChanged(int pos) const;

  // ==== Data-side settings =================================================
  const std::string& FileTitle() const { return FFileTitle; }
  // Whether the data differs from the last saved state as far as the
  // journal knows. SetModified(false) makes the current state the saved
  // one (undoing or redoing back to it clears Modified again);
  // SetModified(true) forgets the saved state.
  bool Modified() const { return FModified; }
  void SetModified(bool value);
  uint8_t FillByte() const { return FFillByte; }
  void SetFillByte(uint8_t value) { FFillByte = value; }

  bool NoSizeChange() const { return FNoSizeChange; }
  void SetNoSizeChange(bool value);  // on: switches insert mode off first
  bool AllowInsertMode() const { return FAllowInsertMode; }
  void SetAllowInsertMode(bool value);
  bool ReadOnlyView() const { return FReadOnlyView; }
  // While on, typing, Backspace and Delete change nothing and insert mode
  // reads as off; the user's insert flag applies again afterwards. The
  // row of the append position follows the effective mode, and a caret
  // standing there goes back to the last byte.
  void SetReadOnlyView(bool value);
  // The effective mode: the user's flag while CanInsert holds.
  bool InsertMode() const { return FInsertFlag && CanInsert(); }
  bool InsertFlag() const { return FInsertFlag; }
  // Ignored while CanInsert is false. Drops every change mark.
  void SetInsertMode(bool value);

  bool SizeFixed() const { return FNoSizeChange && !FSizeChangeInProgress; }
  bool CanInsert() const { return !SizeFixed() && FAllowInsertMode && !FReadOnlyView; }

  // Byte budget of the journal; <= 0 disables trimming.
  int MaxUndo = DefaultMaxUndo;

  // ==== Edit journal =======================================================
  // The gate of every edit, called before the data changes: refuses with
  // "Cannot update undo storage" (nothing changed) when CanRecordChange
  // says no or the range lies outside the data; else adds the entry
  // (unless recording is suspended), moves the bookmarks the edit moves
  // and sets Modified. An edit made while recording is suspended cannot
  // be undone, and neither can anything before it: both journals are
  // emptied.
  void RecordChange(UndoKind kind, int pos, int count, int count2,
                    std::string_view description = {});
  virtual bool CanRecordChange(UndoKind kind, int count, int count2) const;
  virtual int BeginUndoUpdate() { return FUndo.BeginUndoUpdate(); }
  virtual int EndUndoUpdate() { return FUndo.EndUndoUpdate(); }
  const THexUndoStorage& UndoStorage() const { return FUndo; }
  THexUndoStorage& UndoStorage() { return FUndo; }
  // The state an entry records now: caret, selection, insert flag.
  THexUndoState UndoStateNow() const;

  // ==== Undo and redo (HexUndo.cpp) ========================================
  // Every edit operation is one undo step; the edits between
  // BeginUndoStep and the matching EndUndoStep (pairs nest) make one step
  // together, which puts back the caret, selection and insert mode of its
  // beginning.
  void BeginUndoStep();
  void EndUndoStep();
  struct TUndoStep {
    THexEditorCore& Editor;
    explicit TUndoStep(THexEditorCore& editor) : Editor(editor) { Editor.BeginUndoStep(); }
    ~TUndoStep() { Editor.EndUndoStep(); }
    TUndoStep(const TUndoStep&) = delete;
    TUndoStep& operator=(const TUndoStep&) = delete;
  };
  // A step can be undone (redone) while one is held, ReadOnlyView is off
  // and recording is not suspended.
  bool CanUndo() const;
  bool CanRedo() const;
  // Takes back the last step, or makes the last undone one again: the
  // bytes, the size, the change marks and the bookmarks the step changed,
  // then the caret (scrolled into view), selection and insert mode as
  // they were. False when there is nothing to do. A step that changes
  // the size while it is fixed raises "Cannot change fixed filesize", and
  // a journal that no longer fits the data "Cannot update undo storage"
  // (both journals are then emptied); nothing changes then.
  bool Undo();
  bool Redo();
  // Empties both journals (a load, a card read, a resize by the chip
  // catalogue). The current state stays the saved one if it was.
  void ClearUndo();

  // ==== Caret and selection ================================================
  const THexCaret& Caret() const { return FCaret; }
  // The caret's byte, clamped to 0 .. max(0, DataSize - 1).
  int CaretPosition() const;
  // False while no data is held, else the caret's field.
  bool CaretInCharField() const { return DataSize() > 0 && FCaret.InCharField; }
  // The cell-acceptance hook, asked before the caret moves to a cell
  // (every caret move goes through it): with no data only the first cell
  // of either field is accepted; a cell past the data only as the append
  // position in insert mode (otherwise the caret goes to the data end and
  // the cell is refused); the separator never (a mouse-held move goes to
  // the row's last digit instead). An accepted move clears the selection
  // unless Shift or the left button is down, extends it from ExtendOrigin
  // while Selecting, repaints the caret's cells, places the caret and
  // posts a selection notice.
  bool SelectCell(int col, int row);
  // Makes a cell the caret through the grid (and so through SelectCell);
  // a cell below the last row counts as a place past the data.
  bool MoveToCell(int col, int row);
  bool MoveToCell(TGridCoord cell) { return MoveToCell(cell.Col, cell.Row); }
  // MoveToCell of a caret place (a negative position: the first hex cell).
  bool MoveCaret(THexCaret target);
  // Caret to DataSize (insert mode) or DataSize - 1, in the caret's field.
  void MoveCaretToEnd();
  // The cell of pos in a field, as a caret place (unicode characters start
  // at even positions in the character field).
  THexCaret CellOf(int pos, bool inCharField) const;

  int SelectionAnchor() const { return FSelection.Anchor; }  // -1: no selection
  int SelectionLow() const { return FSelection.Low; }
  int SelectionHigh() const { return FSelection.High; }
  bool HasSelection() const { return FSelection.Active(); }
  bool IsSelected(int pos) const { return FSelection.Contains(pos); }
  bool Selecting() const { return FSelection.Selecting; }
  void SetSelecting(bool value) { FSelection.Selecting = value; }
  int ExtendOrigin() const { return FSelection.ExtendOrigin; }

  // Whether Shift and the left mouse button are down, as the latest input
  // event told (SelectCell keeps a selection only while one of them is).
  bool ShiftDown() const { return FShiftDown; }
  bool LeftButtonDown() const { return FLeftButtonDown; }
  void SetInputState(bool shiftDown, bool leftButtonDown) {
    FShiftDown = shiftDown;
    FLeftButtonDown = leftButtonDown;
  }

  int SelCount() const { return FSelection.Count(); }
  int SelStart() const;
  void SetSelStart(int pos);
  int SelEnd() const;
  void SetSelEnd(int pos);
  // Selects a..b rounded out to whole units (a stays the anchor end).
  void SelectRange(int a, int b);
  void ClearSelection(bool repaint);
  // origin 0: from the start, 1: from the caret, 2: from the last byte.
  // Returns the position moved to, or -1 when no data is held.
  int Seek(int offset, int origin);
  // The largest multiple of BytesPerUnit not above pos.
  int AlignToUnit(int pos) const;

  // ==== Bookmarks ==========================================================
  const THexBookmark& Bookmark(int index) const;
  // Sets slot index to pos, or clears it when it already holds pos in the
  // same field. "Invalid bookmark index" beyond 0..9.
  void ToggleBookmark(int index, int pos, bool inCharField);
  // Moves the caret to the bookmark; false for an unset slot or one past
  // the data (which is cleared).
  bool GotoBookmark(int index);
  // The bookmarks as an edit that changes the data by delta bytes at from
  // leaves them, asked before the edit: every set bookmark at or after
  // from moves by delta, and those that then lie beyond the data (past
  // the append position) are cleared. A negative from moves none.
  std::array<THexBookmark, HexBookmarkCount> ShiftedBookmarks(int from, int delta) const;
  virtual void BookmarkChanged();

  // ==== Keyboard (HexKeyboard.cpp, HexTyping.cpp) ==========================
  // A key went down with the modifiers of shift (buttons are ignored).
  // OnKeyDown sees it first; then, in overwrite mode, a key without
  // modifiers (Shift itself aside) drops the selection; then the key
  // table: navigation, field switch, insert mode, Backspace and Delete,
  // bookmarks, and Shift starting a selection. Edits may raise the data
  // side's errors; the key is then lost and the data stays as it was.
  void KeyDown(int key, THexShiftState shift);
  // A key went up: only the Shift state is kept.
  void KeyUp(int key, THexShiftState shift);
  // A typed character: OnKeyPress sees it first. A hex digit in the hex
  // field or a character the translation takes in the character field
  // overwrites (or in insert mode inserts a unit) and the caret advances
  // as with Right; anything else calls OnInvalidKey. Characters below
  // 0x20 and anything while ReadOnlyView is on are ignored.
  void KeyPress(char32_t ch);
  // The keyboard contract: the widget lets Tab reach the editor only
  // while this is on.
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool value) { FWantTabs = value; }

  // ==== Mouse (HexMouse.cpp) ===============================================
  // Client points; shift holds the modifiers and the buttons down (during
  // a press or release: before it), plus hsDouble for a double-click.
  void MouseDown(THexMouseButton button, THexShiftState shift, int x, int y);
  void MouseMove(THexShiftState shift, int x, int y);
  void MouseUp(THexMouseButton button, THexShiftState shift, int x, int y);
  // One tick of the auto-scroll timer, with the mouse's client point; the
  // widget runs the timer while Dragging().
  void AutoScrollTick(int x, int y);
  bool Dragging() const { return FGrid.Dragging(); }
  // The caret one row down (negative notches) or up per notch.
  void MouseWheel(int notches);
  // The cursor over a point: the arrow over a selected byte or the fixed
  // cells while no button or modifier is held, else the I-beam.
  THexCursorKind CursorAt(THexShiftState shift, int x, int y) const;
  // A left press inside the selection waits for its release: without a
  // move it clears the selection and puts the caret there.
  bool PendingClick() const { return FPendingClick; }
  // A selection exists, data is held and the point's scrolled cell shows
  // a selected byte.
  bool OverSelectedByte(int x, int y) const;
  // With the insert flag set, a point in the gap after a row's last digit
  // or last character is taken as the next row's first cell of that field
  // (so a click can put the caret after a row's last byte).
  void AdjustHit(int& x, int& y) const;
  // Moves farther than this (pixels, either axis) cancel a pending click.
  static constexpr int ClickSlop = 2;

  // ==== Buffer editing operations ==========================================
  // Each records itself through RecordChange before the data changes and
  // ends with NotifyChange. A refused edit raises and changes nothing. An
  // empty description counts as none.
  void ChangeByte(uint8_t oldValue, uint8_t newValue, int pos, std::string_view description = {});
  void ChangeWord(uint16_t oldValue, uint16_t newValue, int pos, std::string_view description = {});
  void DeleteSelection(std::string_view description = {});
  void DeleteUnit(bool backwards, std::string_view description = {});
  void InsertBuffer(const void* buffer, int count, int pos, std::string_view description = {},
                    bool moveCaret = false);
  void ReplaceSelection(const void* buffer, int count, std::string_view description = {},
                        bool moveCaret = false);
  void AppendBuffer(const void* buffer, int count, std::string_view description = {},
                    bool moveCaret = false);

  // ==== Editing tools (HexTools.cpp, HexFindReplace.cpp) ===================
  // Overwrites count bytes from pos as one kind 0 entry; in overwrite
  // mode the bytes whose value changes get their change marks.
  void OverwriteBytes(int pos, const void* buffer, int count, std::string_view description = {});

  // Which tools apply now.
  bool CanCopy() const { return HasSelection(); }
  bool CanCut() const { return HasSelection() && !FReadOnlyView && !SizeFixed(); }
  bool CanPaste() const { return !FReadOnlyView; }
  bool CanFill() const { return HasSelection() && !FReadOnlyView; }
  bool CanReplace() const { return DataSize() > 0 && !FReadOnlyView; }

  // The selected bytes (none without a selection), and the text a copy
  // puts beside them (UTF-8): from the hex field the bytes as hex digits
  // separated by spaces, from the character field the characters the
  // field shows. The second form takes the field as given.
  std::vector<uint8_t> SelectedBytes() const;
  std::string SelectionText() const;
  std::string SelectionText(bool hex) const;
  // The bytes a pasted text stands for in the caret's field: hex digits
  // in the hex field (ParseHexBytes), characters through the translation
  // (or as 16-bit characters in unicode mode) in the character field.
  // Raises EHexEditor with what is wrong; nothing changes.
  std::vector<uint8_t> BytesFromText(std::u32string_view text) const;
  std::vector<uint8_t> BytesFromText(std::u32string_view text, bool hex) const;

  // One undo step each. Paste: in insert mode the bytes replace the
  // selection or go in at the caret; in overwrite mode they overwrite
  // from the selection's start (or the caret), growing the data at its
  // end unless the size is fixed ("Cannot paste ..." then, nothing
  // changed). The caret ends after the pasted bytes, nothing selected.
  void Paste(const uint8_t* bytes, int count);
  // Removes the selection (the copy is the host's part).
  void CutSelection();
  // Every selected byte becomes value; the selection stays.
  void FillSelection(uint8_t value);
  void SelectAll();

  // The key commands the editor takes before its key table (Ctrl+Z,
  // Ctrl+Shift+Z, Ctrl+Y, Ctrl+X, Ctrl+C, Ctrl+V, Ctrl+A); none of these
  // keys means anything else to it.
  static THexEditCommand EditCommandForKey(int key, THexShiftState shift);
  // Runs one: undo, redo and select all here, the clipboard commands
  // through OnClipboardCommand (the host's clipboard).
  void RunEditCommand(THexEditCommand command);
  std::function<void(THexEditCommand)> OnClipboardCommand;

  // Find and replace. A pattern from the find bar's text: hex bytes, or
  // characters through the translation (16-bit characters in unicode
  // mode), optionally without case. Raises EHexEditor for text that makes
  // no pattern.
  THexPattern MakePattern(std::u32string_view text, bool hex, bool matchCase) const;
  enum class TFindOutcome { Found, Wrapped, NotFound };
  // Selects the next match after the selection's start (or from the
  // caret), or the previous one before it, wrapping round the data's
  // ends; the caret goes to the match, scrolled into view.
  TFindOutcome Find(const THexPattern& pattern, bool forward);
  // Whether the selection is exactly a match.
  bool SelectionMatches(const THexPattern& pattern) const;
  // Replaces the selected match (when the selection is one) as one undo
  // step, then finds the next match. Raises "Cannot replace ..." when the
  // lengths differ and the size is fixed.
  TFindOutcome ReplaceAndFind(const THexPattern& pattern, const std::vector<uint8_t>& replacement);
  // Replaces every match, front to back without overlaps, as one undo
  // step; returns how many.
  int ReplaceAll(const THexPattern& pattern, const std::vector<uint8_t>& replacement);

  // Go to. Offsets count in the unit of the offset texts (the divisor of
  // the offset format: words where units are 2 bytes).
  int OffsetUnit() const;
  // The byte position a go-to text names: absolute, or relative (+/-) to
  // the caret's unit. Raises EHexEditor with what is wrong.
  int GotoTarget(std::string_view text) const;
  // GotoTarget, then the caret there (its field kept), nothing selected.
  void GotoOffset(std::string_view text);
  // The fill value a text names ("0xFF", "FFh", "255"); raises EHexEditor.
  static uint8_t ParseFillValue(std::string_view text);

  // The status readout.
  THexReadout Readout() const;

  // ==== Character translation and units ====================================
  // The values the data side and the edits read; their checked setters
  // are in the character field section below.
  THexTranslationKind Translation() const { return FTranslation; }
  bool UnicodeChars() const { return FUnicodeChars; }
  bool UnicodeBigEndian() const { return FUnicodeBigEndian; }
  int BytesPerUnit() const { return FBytesPerUnit; }

  // ==== Grid geometry (HexGeometry.cpp) ====================================
  // The grid: column 0 the offset gutter, column 1 a 6 px spacer, then one
  // column per hex digit (byte b of a row in 2 + 2b and 3 + 2b), the empty
  // SeparatorColumn, and one column per character (per 16-bit character
  // in unicode mode). Row 0 is the ruler, row 1 an empty row of height 0,
  // data row r shows the bytes from (r - 2) * BytesPerRow on. Columns 0-1
  // and rows 0-1 are fixed. SetBytesPerRow and SetBytesPerColumn are with
  // the unit setters below; a BytesPerRow change keeps the caret on its
  // byte, field and digit and the selection as it was.
  int BytesPerRow() const { return FBytesPerRow; }
  int BytesPerColumn() const { return FBytesPerColumn; }
  int NibblesPerColumn() const { return 2 * FBytesPerColumn; }
  // Extra gaps after every BytesPerBlock bytes; 1 or less: no blocks.
  int BytesPerBlock() const { return FBytesPerBlock; }
  void SetBytesPerBlock(int value);
  bool SeparateBlocksInCharField() const { return FSeparateBlocksInCharField; }
  void SetSeparateBlocksInCharField(bool value);
  // Width of column 0; -1 = as wide as the last row's offset text needs.
  int GutterWidth() const { return FGutterWidth; }
  void SetGutterWidth(int value);
  bool ShowRuler() const { return FShowRuler; }
  void SetShowRuler(bool value);

  // The widget measures the editor font: the width of "w" and the height
  // of "yY". Storing them relayouts.
  void SetFontMetrics(int charWidth, int textHeight);
  // -1 until the first UpdateLayout.
  int CharWidth() const { return FCharWidth; }
  // Text height of "yY" + 2.
  int RowHeight() const { return FRowHeight; }
  int HexColumnCount() const { return 2 * FBytesPerRow; }
  int SeparatorColumn() const { return HexColumnCount() + 2; }
  int FirstCharColumn() const { return HexColumnCount() + 3; }
  int CharColumnCount() const { return FUnicodeChars ? FBytesPerRow / 2 : FBytesPerRow; }
  int ColCount() const { return FGrid.ColCount(); }
  int RowCount() const { return FGrid.RowCount(); }
  // The text over the hex field: hex column c shows character c - 2.
  const std::string& RulerText() const { return FRulerText; }
  THexEditorGrid& Grid() { return FGrid; }
  const THexEditorGrid& Grid() const { return FGrid; }

  struct TCellPosition {
    int Position = 0;
    bool InCharField = false;
    bool operator==(const TCellPosition&) const = default;
  };
  // The byte a cell shows (the separator maps to the next row's first
  // byte; never negative).
  TCellPosition CellToPosition(int col, int row) const;
  // The cell of a byte: its first digit, or its character; (2, 2) for a
  // negative position.
  TGridCoord PositionToCell(int pos, bool inCharField) const;
  int RowOfPosition(int pos) const;
  // The column of the other field showing the same byte (the first digit
  // of a byte or of a character's first byte); InCharField tells whether
  // col itself is in the character field. Callers use max(2, Col).
  TCellPosition TwinColumn(int col) const;
  // The cell of a caret place, the caret's cell, and the caret a cell
  // stands for.
  TGridCoord CaretToCell(const THexCaret& caret) const;
  TGridCoord CaretCell() const { return CaretToCell(FCaret); }
  THexCaret CellToCaret(int col, int row) const;
  // The rectangle over columns 2 .. ColCount - 1 of the rows holding two
  // positions (what InvalidateRows repaints).
  TRect RowsRect(int firstPos, int lastPos) const;

  // ==== Painting (HexPaint.cpp) ============================================
  // The editor's colour set; SetColors copies another set's colours in.
  THexColors& Colors() { return FColors; }
  const THexColors& Colors() const { return FColors; }
  void SetColors(const THexColors& value) { FColors.Assign(&value); }
  // RGB values of the system colours (the widget's palette) and of the
  // font; both repaint when they change.
  const THexSystemColors& SystemColors() const { return FSystemColors; }
  void SetSystemColors(const THexSystemColors& value);
  TColor ToRGB(TColor c) const { return FSystemColors.ToRGB(c); }
  TColor FontColor() const { return FFontColor; }
  void SetFontColor(TColor value);

  // The widget keeps this in step with its keyboard focus.
  bool Focused() const { return FFocused; }
  void SetFocused(bool value);
  THexCaretKind CaretKind() const { return FCaretKind; }
  void SetCaretKind(THexCaretKind value);
  // The paint switches (THexPaintOptions); each setter repaints what the
  // change affects.
  bool FocusFrame() const { return FPaintOptions.FocusFrame; }
  bool DrawGridLines() const { return FPaintOptions.DrawGridLines; }
  bool DrawGutter3D() const { return FPaintOptions.DrawGutter3D; }
  bool ShowPositionIfNotFocused() const { return FPaintOptions.ShowPositionIfNotFocused; }
  bool HideSelection() const { return FPaintOptions.HideSelection; }
  bool GraySelectionIfNotFocused() const { return FPaintOptions.GraySelectionIfNotFocused; }
  void SetFocusFrame(bool value);
  void SetDrawGridLines(bool value);
  void SetDrawGutter3D(bool value);
  void SetShowPositionIfNotFocused(bool value);
  void SetHideSelection(bool value);
  void SetGraySelectionIfNotFocused(bool value);

  // The bookmark icons: twenty 10 x 10 images cut from a 200 x 10 bitmap,
  // drawn without the pixels of the top-left pixel's colour. No bitmap
  // restores the built-in one; another size raises "Invalid bookmark
  // bitmap (must be 10 x 200 px)" and keeps the old one.
  const THexBitmap& BookmarkBitmap() const { return FBookmarkBitmap; }
  void SetBookmarkBitmap(const THexBitmap* value);
  bool OwnBookmarkBitmap() const { return FOwnBookmarkBitmap; }
  // Counts the bitmap's changes, so a painter knows when to refresh.
  int BookmarkImagesVersion() const { return FBookmarkImagesVersion; }
  // Pixel (x, y) of image 0..19; false where it is transparent.
  bool BookmarkImagePixel(int image, int x, int y, TColor& color) const;

  // The host's hook into every cell's text step (see THexDrawCellHook).
  THexDrawCellHook OnDrawCell;
  // Set by the widget: repaint a rectangle of the view (falls back to
  // RequestRepaint when missing).
  std::function<void(const TRect&)> RequestRepaintRect;

  // Paints the view's cells that meet clip, in order, through painter.
  void Paint(THexPainter& painter, const TRect& clip);
  // What cell (col, row) draws when its rectangle is rect / where it is
  // now (an empty rectangle when it is scrolled away).
  THexCellPaint DecideCell(int col, int row, const TRect& rect) const;
  THexCellPaint DecideCell(int col, int row) const;

  // The caret shape: a CharWidth x (RowHeight - 2) box whose white part,
  // relative to the caret's origin, inverts the screen.
  int CaretShapeWidth() const;
  int CaretShapeHeight() const;
  TRect CaretShapeWhite() const;
  // Where the caret is shown (client pixels; -50, -50 = out of sight).
  // PlaceCaret moves it only while the editor has the focus.
  int CaretX() const { return FCaretX; }
  int CaretY() const { return FCaretY; }
  void PlaceCaret(int x, int y);
  // Puts the caret on its cell, or out of sight when that is scrolled away.
  void UpdateCaretPosition();

  // Small repaints: one cell; the gutter cells of the visible rows; what a
  // caret move changes (both carets' cells, their twins and gutter cells,
  // and the ruler).
  void InvalidateCell(int col, int row);
  void InvalidateGutter();
  void RepaintCaretMove(const THexCaret& from, const THexCaret& to);

  // ==== Character field, units and offset texts (HexEditorText.cpp) =======
  // Setters check first and raise EHexEditor with nothing changed; setting
  // the value in force does nothing (the bytes-per-row and -column checks
  // come before that test).
  void SetTranslation(THexTranslationKind value);
  // On: needs an even BytesPerRow, BytesPerColumn and DataSize, and puts
  // Translation back to tkAsIs. On or off, BytesPerUnit becomes 2.
  void SetUnicodeChars(bool value);
  void SetUnicodeBigEndian(bool value);
  // 1, 2, 4 or 8; only 2 in unicode mode.
  void SetBytesPerUnit(int value);
  // -1 (follow BytesPerUnit), 1, 2, 4 or 8.
  int RulerBytesPerUnit() const { return FRulerBytesPerUnit; }
  void SetRulerBytesPerUnit(int value);
  int RulerUnit() const { return FRulerBytesPerUnit != -1 ? FRulerBytesPerUnit : FBytesPerUnit; }
  // 1..256, even in unicode mode. The offset divisor follows them when the
  // format names them, and the layout is redone.
  void SetBytesPerRow(int value);
  void SetBytesPerColumn(int value);

  // Shown for unprintable characters; 0 turns masking off.
  char16_t MaskChar() const { return FMaskChar; }
  void SetMaskChar(char16_t value);
  // Hex field: a byte's left digit shows its low nibble.
  bool SwapNibbles() const { return FSwapNibbles; }
  void SetSwapNibbles(bool value);
  // Lower-case digits in hex cells, the ruler and offset texts.
  bool HexLowerCase() const { return FHexLowerCase; }
  void SetHexLowerCase(bool value);
  // The 16 digits hex cells and the ruler are drawn with.
  std::string_view HexDigits() const { return FHexDigits; }

  // The character the byte / the unicode character at pos (even, within
  // the data) shows in the character field, by the settings in force.
  char16_t ByteToDisplayChar(uint8_t b) const;
  char16_t UnicodeCharAt(int pos) const;
  // What typing c in the character field stores: one byte (0 = refused),
  // or in unicode mode two bytes in storage order (false = refused).
  uint8_t TypedCharToByte(char32_t c) const;
  bool TypedCharToUnicodeBytes(char32_t c, std::array<uint8_t, 2>& bytes) const;

  // The offset format text; setting it parses it (see HexOffsetFormat.h)
  // and keeps the previous format in force when that fails.
  const std::string& OffsetFormat() const { return FOffsetFormat.Format; }
  void SetOffsetFormat(std::string_view value);
  const THexOffsetFormat& OffsetFormatRecord() const { return FOffsetFormat; }
  // Host hook: when set, it produces every offset text instead.
  THexGetOffsetTextEvent OnGetOffsetText;
  // Gutter text of the row starting at offset.
  virtual std::string GetOffsetText(uint32_t offset) const;
  // GetOffsetText, or plain hex digits while the format is empty.
  virtual std::string FormatOffset(uint32_t offset) const;
  // Offset of the last data row, (RowCount - 3) * BytesPerRow: the row of
  // the append position counts in insert mode.
  int64_t LastRowOffset() const;
  // Characters of the last data row's gutter text + 1, as measured by the
  // latest UpdateGutterWidth; -1 before the first.
  int OffsetTextLength() const { return FOffsetTextLength; }

  // Layout steps the settings trigger (HexGeometry.cpp): UpdateLayout
  // recomputes CharWidth, every column width and the row heights (the
  // gutter's included); UpdateGutterWidth measures the last row's offset
  // text (recomputing an automatic digit count) and sizes column 0;
  // BuildRulerText rebuilds RulerText.
  void UpdateLayout();
  void UpdateGutterWidth();
  void BuildRulerText();

private:
  // Sets a flag for the span of a scope (the size change in progress, the
  // acceptance check under way).
  struct TFlagGuard {
    bool& Flag;
    explicit TFlagGuard(bool& flag) : Flag(flag) { Flag = true; }
    ~TFlagGuard() { Flag = false; }
  };

  // Life cycle and notifications.
  bool FDataInitialised = false;
  int FPendingSelectionNotices = 0;
  bool FReadOnlyFile = true;

  // Data store.
  THexMemoryStream FData;
  std::vector<bool> FChangeMarks;
  void SetChangeMark(int pos, bool value);
  void CutChangeMarks(int size);
  // Makes sure the data can grow to size without failing later.
  void ReserveData(int64_t size);
  bool RangeRecordable(UndoKind kind, int pos, int count, int count2) const;

  // Data-side settings.
  std::string FFileTitle = NeverResetTitle;
  bool FModified = false;
  uint8_t FFillByte = 0;
  bool FSizeChangeInProgress = false;
  bool FNoSizeChange = false;
  bool FAllowInsertMode = true;
  bool FReadOnlyView = false;
  bool FInsertFlag = false;

  // Edit journal, undo and redo.
  THexUndoStorage FUndo{*this};
  THexUndoStorage FRedo{*this};
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
  // The entries of the step under way join the step recorded last.
  void ContinueLastStep();
  // The change marks and bookmarks an entry at pos must save.
  void SaveMarks(THexEntryExtras& extras, UndoKind kind, int pos, int count) const;
  // The bookmarks as they are after an edit of kind moves them.
  std::array<THexBookmark, HexBookmarkCount> MovedBookmarks(UndoKind kind, int pos, int count,
                                                            int count2) const;
  // Undo (from = undo journal) or redo (from = redo journal) of one step.
  bool ReplayStep(THexUndoStorage& from, THexUndoStorage& to, bool undoing);
  bool CanReplay(const THexUndoStorage& from) const;
  void Splice(int pos, int remove, const uint8_t* insert, int count);
  void RestoreUndoState(const THexUndoState& state);
  // Selects count bytes from pos exactly (no unit rounding), caret on pos.
  void SelectMatch(int pos, int count);

  // Caret and selection.
  THexCaret FCaret;
  THexSelection FSelection;
  bool FInCellCheck = false;
  bool FShiftDown = false;
  bool FLeftButtonDown = false;
  void SetSelectionDirect(int anchor, int low, int high);
  // Widens a..b to whole units (the lower end down to its unit's start,
  // the upper end up to its unit's end, at most the last byte).
  void RoundOutToUnits(int& a, int& b) const;
  // The selection part of an accepted move to position n.
  void ExtendSelectionTo(int n);
  // Whether the cell at col showing p is the append position (insert mode
  // only: the first digit or the character right after the data).
  bool IsAppendPlace(int col, const TCellPosition& p) const {
    return InsertMode() && p.Position == DataSize() && (p.InCharField || col % 2 == 0);
  }
  // The effective insert mode may have changed: rows and caret follow.
  void EffectiveInsertModeChanged(bool was);
  // Stores the insert flag with what switching brings (rows, caret,
  // change marks dropped), whether or not the mode may change now.
  void ApplyInsertFlag(bool value);

  // Keyboard.
  bool FWantTabs = true;
  void KeyLeft(bool ctrl);
  void KeyRight(bool ctrl);
  void TypeHexDigit(int digit, int pos);
  // The byte whose first digit was typed last as an undo step of its
  // own: its second digit, typed next with nothing in between (no caret
  // move, edit, undo, save or switch of mode), joins that step.
  struct TTypedByte {
    THexCaret CaretAfter;
    uint64_t JournalVersion = 0;
  };
  std::optional<TTypedByte> FTypedByte;
  bool ContinuesTypedByte() const;
  bool TypeCharacter(char32_t ch, int pos);

  // Mouse.
  bool FPendingClick = false;
  int FPressX = 0;
  int FPressY = 0;
  // While dragging: the caret to the cell under the point, unless the
  // acceptance hook would only send it back where it stands.
  void DragTo(int x, int y);

  // Bookmarks.
  std::array<THexBookmark, HexBookmarkCount> FBookmarks;

  // Buffer editing operations.
  struct TDeletionRange {
    int Start;
    int End;  // exclusive
    THexCaret Cell;
  };
  TDeletionRange SelectionDeletionRange() const;

  // Character translation and units.
  THexTranslationKind FTranslation = tkAsIs;
  bool FUnicodeChars = false;
  bool FUnicodeBigEndian = false;
  int FBytesPerUnit = 1;

  // Grid geometry.
  int FBytesPerRow = 16;
  int FBytesPerColumn = 2;
  int FBytesPerBlock = -1;
  bool FSeparateBlocksInCharField = true;
  int FGutterWidth = -1;
  bool FShowRuler = false;
  int FFontCharWidth = -1;
  int FFontTextHeight = 0;
  int FCharWidth = -1;
  int FRowHeight = 0;
  static std::string RulerTextFor(int bytesPerRow, int bytesPerUnit, int rulerUnit, bool lowerCase);
  std::string FRulerText = RulerTextFor(16, 1, 1, false);
  THexEditorGrid FGrid{*this};
  friend class THexEditorGrid;
  void TopLeftChanged();
  int ExpectedColCount() const;

  // Painting.
  THexColors FColors{this};
  THexSystemColors FSystemColors;
  TColor FFontColor = clWindowText;
  bool FFocused = false;
  THexCaretKind FCaretKind = ckAuto;
  THexPaintOptions FPaintOptions;
  THexBitmap FBookmarkBitmap = BuiltInBookmarkBitmap();
  bool FOwnBookmarkBitmap = false;
  int FBookmarkImagesVersion = 0;
  int FCaretX = -50;
  int FCaretY = -50;
  void BookmarkBitmapChanged();
  // Stores a setting that changes only what the view shows, and repaints
  // when the value is new.
  template <class T>
  void SetViewSetting(T& setting, const T& value) {
    if (setting == value) return;
    setting = value;
    Invalidate();
  }
  // Repaints a rectangle of the view (nothing when it is empty).
  void RepaintRect(const TRect& rect);
  // PlaceCaret on a cell's top-left corner, or out of sight when the cell
  // is scrolled away.
  void PlaceCaretOnCell(int col, int row);
  // The cell walk of a paint: the cells from (col, x) and (row, y) up to
  // (stopX, stopY) that meet clip.
  void PaintCells(THexPainter& painter, const TRect& clip, int col, int row, int x, int y,
                  int stopX, int stopY);
  void TextStep(THexPainter& painter, THexCellPaint& cell);
  void DecideData(THexCellPaint& cell) const;
  void DecideGutter(THexCellPaint& cell) const;
  void DecideRuler(THexCellPaint& cell) const;

  // Character field, units and offset texts.
  int FRulerBytesPerUnit = -1;
  char16_t FMaskChar = DefaultMaskChar;
  bool FSwapNibbles = false;
  bool FHexLowerCase = false;
  std::string_view FHexDigits = UpperHexDigits;
  THexOffsetFormat FOffsetFormat = DefaultOffsetFormatRecord();
  int FOffsetTextLength = -1;
  static THexOffsetFormat DefaultOffsetFormatRecord();
  void FollowRulerUnitChange();
};
