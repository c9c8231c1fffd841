#pragma once
// THexEditorCore: everything a hex editor decides, in plain C++.
//
// The core owns the editor's parts and is the widget's façade over them:
// the document (HexDocument.h: data, change marks, journal and undo, the
// saved state, bookmarks, the rules of what may change), the layout
// (HexLayout.h: bytes per row, column, block and unit, the character
// field, ruler, offsets, the grid) and the appearance (HexAppearance.h:
// colours, caret shape, paint switches, bookmark icons). The core itself
// keeps the caret and the selection, takes the input, performs the edits
// (which need the document, the layout and the caret) and decides the
// paint. The Qt widget (hexedit/widget) owns one, feeds it events and
// turns its requests (repaint, post a selection notice) into Qt calls.
//
// One file per topic: HexEditorCore.cpp (life cycle, notifications, data
// and mode changes as the view follows them, undo and redo),
// HexSelection.cpp, HexEditing.cpp, HexKeyboard.cpp, HexTyping.cpp,
// HexMouse.cpp, HexTools.cpp, HexFindReplace.cpp and HexPaint.cpp; each
// function's rules are written at its definition. Bad values raise
// EHexEditor and change nothing; direct-access operations do not check
// their ranges.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hexedit/core/HexAppearance.h"
#include "hexedit/core/HexDocument.h"
#include "hexedit/core/HexFind.h"
#include "hexedit/core/HexInput.h"
#include "hexedit/core/HexLayout.h"
#include "hexedit/core/HexReadout.h"
#include "hexedit/core/HexSelectionRange.h"

class THexEditorCore : private THexGridOwner {
public:
  THexEditorCore();
  THexEditorCore(const THexEditorCore&) = delete;
  THexEditorCore& operator=(const THexEditorCore&) = delete;

  THexDocument& Document() { return FDocument; }
  const THexDocument& Document() const { return FDocument; }
  THexLayout& Layout() { return FLayout; }
  const THexLayout& Layout() const { return FLayout; }
  THexAppearance& Appearance() { return FAppearance; }
  const THexAppearance& Appearance() const { return FAppearance; }

  // ==== Life cycle, host events and view hooks =============================
  // The widget calls this once its window exists.
  void WindowCreated();
  // Host events, each called only when set (the document has the
  // modified and bookmark events, the layout the offset texts' hook).
  // OnInvalidKey: a typed character means nothing where the caret is.
  // OnKeyDown, OnKeyPress: see every key and character first, may change
  // it. OnProgress: stored only, nothing here reports progress.
  std::function<void()> OnChange;
  std::function<void()> OnSelectionChanged;
  std::function<void()> OnInvalidKey;
  std::function<void()> OnTopLeftChanged;
  THexKeyDownEvent OnKeyDown;
  THexKeyPressEvent OnKeyPress;
  THexProgressEvent OnProgress;
  bool FindProgress = false;
  std::function<void(THexEditCommand)> OnClipboardCommand;  // cut, copy, paste
  THexDrawCellHook OnDrawCell;
  // Set by the widget: queue one later DeliverSelectionNotice (tests call
  // it by hand); repaint all / the rows of first..last / a rectangle (a
  // missing hook repaints all).
  std::function<void()> PostSelectionNotice;
  std::function<void()> RequestRepaint;
  std::function<void(int first, int last)> RequestRepaintRange;
  std::function<void(const TRect&)> RequestRepaintRect;

  // OnChange, then NotifySelectionChange, which posts one selection
  // notice per event-loop turn.
  void NotifyChange();
  void NotifySelectionChange();
  void DeliverSelectionNotice();
  int PendingSelectionNotices() const { return FPendingSelectionNotices; }
  void Invalidate();
  void InvalidateRows(int firstPos, int lastPos);
  bool ControlEnabled = true;  // the widget's enabled state

  // ==== The data and its modes as the view follows them ====================
  int DataSize() const { return FDocument.DataSize(); }
  uint8_t PeekByte(int pos) const { return FDocument.PeekByte(pos); }
  // The document's Reset and Resize, with caret, selection and rows.
  void ResetData(std::string_view title = {});
  void SetDataSize(int newSize);
  // Raw primitives of the edits: no recording, no change marks.
  void AppendRaw(const void* buffer, int count);
  void InsertRaw(const void* buffer, int count, int pos);
  void DeleteRaw(int start, int end, std::optional<THexCaret> caretCell);

  bool InsertMode() const { return FDocument.InsertMode(); }
  bool ReadOnlyView() const { return FDocument.Modes().ReadOnlyView; }
  // The document's modes and the layout's two setters that move bytes to
  // other cells, with what they mean for rows, caret and selection.
  void SetInsertMode(bool value);
  void SetReadOnlyView(bool value);
  void SetNoSizeChange(bool value);
  void SetAllowInsertMode(bool value);
  void SetBytesPerRow(int value);
  void SetUnicodeChars(bool value);

  // ==== Edit journal, undo and redo ========================================
  // Document().RecordChange with the editor's state and settings now.
  void RecordChange(UndoKind kind, int pos, int count, int count2,
                    std::string_view description = {});
  THexUndoState UndoStateNow() const;  // caret, selection, insert flag
  THexEditContext EditContext() const { return {UndoStateNow(), FLayout.EntrySettings()}; }
  // Every edit operation is one undo step, open while UndoStep()'s value is.
  THexDocument::TUndoStep UndoStep() { return {FDocument, UndoStateNow()}; }
  bool CanUndo() const { return FDocument.CanUndo(); }
  bool CanRedo() const { return FDocument.CanRedo(); }
  bool Undo();
  bool Redo();

  // ==== Caret and selection (HexSelection.cpp) =============================
  const THexCaret& Caret() const { return FCaret; }
  TGridCoord CaretCell() const { return FLayout.CaretToCell(FCaret); }
  int CaretPosition() const;  // clamped to 0 .. max(0, DataSize - 1)
  // False while no data is held, else the caret's field.
  bool CaretInCharField() const { return DataSize() > 0 && FCaret.InCharField; }
  // The cell-acceptance hook every caret move goes through.
  bool SelectCell(int col, int row);
  // The caret to a cell (through the grid and so SelectCell), to a caret
  // place, to the data's end.
  bool MoveToCell(int col, int row);
  bool MoveToCell(TGridCoord cell) { return MoveToCell(cell.Col, cell.Row); }
  bool MoveCaret(THexCaret target);
  void MoveCaretToEnd();

  const THexSelection& Selection() const { return FSelection; }
  int SelectionAnchor() const { return FSelection.Anchor; }  // -1: no selection
  int SelectionLow() const { return FSelection.Low; }
  int SelectionHigh() const { return FSelection.High; }
  bool HasSelection() const { return FSelection.Active(); }
  int SelCount() const { return FSelection.Count(); }
  int SelStart() const;
  void SetSelStart(int pos);
  int SelEnd() const;
  void SetSelEnd(int pos);
  void SelectRange(int a, int b);
  void ClearSelection(bool repaint);
  int Seek(int offset, int origin);
  // Shift and the left button as the latest input event told.
  bool ShiftDown() const { return FShiftDown; }
  bool LeftButtonDown() const { return FLeftButtonDown; }
  // The document's bookmarks, toggled with a repaint, and gone to.
  void ToggleBookmark(int index, int pos, bool inCharField);
  bool GotoBookmark(int index);

  // ==== Input (HexKeyboard.cpp, HexTyping.cpp, HexMouse.cpp) ===============
  // Keys and modifiers are the core's own (HexInput.h), points are the
  // view's. An edit the input makes may raise; the input is then lost.
  void KeyDown(int key, THexShiftState shift);
  void KeyUp(int key, THexShiftState shift);
  void KeyPress(char32_t ch);
  bool WantTabs() const { return FWantTabs; }  // Tab reaches the editor
  void SetWantTabs(bool value) { FWantTabs = value; }
  void MouseDown(THexMouseButton button, THexShiftState shift, int x, int y);
  void MouseMove(THexShiftState shift, int x, int y);
  void MouseUp(THexMouseButton button, THexShiftState shift, int x, int y);
  void AutoScrollTick(int x, int y);  // the widget's timer, while Dragging()
  bool Dragging() const { return FLayout.Grid().Dragging(); }
  void MouseWheel(int notches);
  THexCursorKind CursorAt(THexShiftState shift, int x, int y) const;
  bool PendingClick() const { return FPendingClick; }
  static constexpr int ClickSlop = 2;  // pixels a pending click may move
  bool OverSelectedByte(int x, int y) const;
  void AdjustHit(int& x, int& y) const;

  // ==== Edits (HexEditing.cpp, HexTools.cpp) ===============================
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
  void OverwriteBytes(int pos, const void* buffer, int count, std::string_view description = {});

  // ==== Editing tools (HexTools.cpp, HexFindReplace.cpp) ===================
  bool CanCopy() const { return HasSelection(); }
  bool CanCut() const { return HasSelection() && !ReadOnlyView() && !FDocument.SizeFixed(); }
  bool CanPaste() const { return !ReadOnlyView(); }
  bool CanFill() const { return HasSelection() && !ReadOnlyView(); }
  bool CanReplace() const { return DataSize() > 0 && !ReadOnlyView(); }
  // The selection's bytes and text; the bytes a text stands for.
  std::vector<uint8_t> SelectedBytes() const;
  std::string SelectionText() const { return SelectionText(!CaretInCharField()); }
  std::string SelectionText(bool hex) const;
  std::vector<uint8_t> BytesFromText(std::u32string_view text) const {
    return BytesFromText(text, !FCaret.InCharField);
  }
  std::vector<uint8_t> BytesFromText(std::u32string_view text, bool hex) const;
  void Paste(const uint8_t* bytes, int count);
  void CutSelection();
  void FillSelection(uint8_t value);
  void SelectAll();
  static THexEditCommand EditCommandForKey(int key, THexShiftState shift);
  void RunEditCommand(THexEditCommand command);
  THexPattern MakePattern(std::u32string_view text, bool hex, bool matchCase) const;
  enum class TFindOutcome { Found, Wrapped, NotFound };
  TFindOutcome Find(const THexPattern& pattern, bool forward);
  bool SelectionMatches(const THexPattern& pattern) const;
  TFindOutcome ReplaceAndFind(const THexPattern& pattern, const std::vector<uint8_t>& replacement);
  int ReplaceAll(const THexPattern& pattern, const std::vector<uint8_t>& replacement);
  int OffsetUnit() const { return FLayout.OffsetUnit(); }
  int GotoTarget(std::string_view text) const;
  void GotoOffset(std::string_view text);
  static uint8_t ParseFillValue(std::string_view text);
  THexReadout Readout() const;

  // ==== Painting (HexPaint.cpp) ============================================
  void Paint(THexPainter& painter, const TRect& clip);
  THexCellPaint DecideCell(int col, int row, const TRect& rect) const;
  THexCellPaint DecideCell(int col, int row) const;
  bool Focused() const { return FFocused; }  // the widget's keyboard focus
  void SetFocused(bool value);
  // The caret's shape and where it is shown (-50, -50: out of sight).
  int CaretShapeWidth() const { return std::max(0, FLayout.CharWidth()); }
  int CaretShapeHeight() const { return std::max(0, FLayout.RowHeight() - 2); }
  TRect CaretShapeWhite() const;
  int CaretX() const { return FCaretX; }
  int CaretY() const { return FCaretY; }
  void PlaceCaret(int x, int y);
  void UpdateCaretPosition();

private:
  THexDocument FDocument;
  THexLayout FLayout{FDocument, *this};
  THexAppearance FAppearance;
  int FPendingSelectionNotices = 0;
  THexCaret FCaret;
  THexSelection FSelection;
  bool FInCellCheck = false;
  bool FShiftDown = false;
  bool FLeftButtonDown = false;
  bool FWantTabs = true;
  bool FPendingClick = false;
  int FPressX = 0;
  int FPressY = 0;
  // The byte whose first digit was typed last (HexTyping.cpp).
  struct TTypedByte {
    THexCaret CaretAfter;
    uint64_t JournalVersion = 0;
  };
  std::optional<TTypedByte> FTypedByte;
  bool FFocused = false;
  int FCaretX = -50;
  int FCaretY = -50;

  // THexGridOwner: the grid's current cell is the caret.
  TGridCoord OwnerCurrentCell() const override { return CaretCell(); }
  bool AcceptCell(int col, int row) override { return SelectCell(col, row); }
  void StoreCurrentCell(TGridCoord cell) override;
  void RepaintRect(const TRect& rect) override;
  void RepaintAll() override { Invalidate(); }
  void GridScrolled() override;
  void AppearanceChanged(THexAppearanceChange change);

  void SizeChanged();  // the data's size changed: marks, rows and columns follow
  void ApplyInsertFlag(bool value);
  void EffectiveInsertModeChanged(bool was);
  bool Replay(bool undoing);
  void RestoreUndoState(const THexUndoState& state);
  void SetSelectionDirect(int anchor, int low, int high);
  void RoundOutToUnits(int& a, int& b) const;
  void ExtendSelectionTo(int n);
  bool IsAppendPlace(int col, const THexCellPosition& p) const;
  void SelectMatch(int pos, int count);
  void KeyLeft(bool ctrl);
  void KeyRight(bool ctrl);
  void TypeHexDigit(int digit, int pos);
  bool TypeCharacter(char32_t ch, int pos);
  bool ContinuesTypedByte() const;
  void DragTo(int x, int y);
  void InvalidateCell(int col, int row);
  void InvalidateGutter();
  void RepaintCaretMove(const THexCaret& from, const THexCaret& to);
  void PlaceCaretOnCell(int col, int row);
  void PaintCells(THexPainter& painter, const TRect& clip, int col, int row, int x, int y,
                  int stopX, int stopY);
  void TextStep(THexPainter& painter, THexCellPaint& cell);
  void DecideData(THexCellPaint& cell) const;
  void DecideGutter(THexCellPaint& cell) const;
  void DecideRuler(THexCellPaint& cell) const;
};
