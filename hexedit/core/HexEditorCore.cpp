// The core's life cycle and notifications, its part as the grid's owner,
// and the document's data and mode changes and the layout's setters as
// the view follows them: rows, caret, selection, repaints. Undo and redo
// put back the caret and selection here.

#include "hexedit/core/HexEditorCore.h"

#include <algorithm>

THexEditorCore::THexEditorCore() {
  FAppearance.OnChanged = [this](THexAppearanceChange change) { AppearanceChanged(change); };
}

// An editor that nobody has reset or sized yet is emptied and titled
// "Untitled"; one that a host filled earlier (even without ResetData)
// keeps its data.
void THexEditorCore::WindowCreated() {
  if (!FDocument.DataInitialised()) ResetData(UntitledTitle);
}

// ---- Notifications and repaints -------------------------------------------

void THexEditorCore::NotifyChange() {
  if (OnChange) OnChange();
  NotifySelectionChange();
}

// The first call after a delivery posts, later ones only count.
void THexEditorCore::NotifySelectionChange() {
  if (FPendingSelectionNotices == 0 && PostSelectionNotice) PostSelectionNotice();
  ++FPendingSelectionNotices;
}

// The posted call coming back: fires OnSelectionChanged once when any
// notice is pending. The count is cleared before the handler runs, so a
// handler that raises does not leave it set, and a change the handler
// makes posts a fresh notice.
void THexEditorCore::DeliverSelectionNotice() {
  if (FPendingSelectionNotices == 0) return;
  FPendingSelectionNotices = 0;
  if (OnSelectionChanged) OnSelectionChanged();
}

void THexEditorCore::Invalidate() {
  if (RequestRepaint) RequestRepaint();
}

void THexEditorCore::InvalidateRows(int firstPos, int lastPos) {
  if (RequestRepaintRange)
    RequestRepaintRange(std::min(firstPos, lastPos), std::max(firstPos, lastPos));
  else
    Invalidate();
}

// ---- The grid's owner -----------------------------------------------------

// The caret is the current cell: an accepted cell becomes the caret.
void THexEditorCore::StoreCurrentCell(TGridCoord cell) {
  FCaret = FLayout.CellToCaret(cell.Col, cell.Row);
}

void THexEditorCore::GridScrolled() {
  UpdateCaretPosition();
  if (OnTopLeftChanged) OnTopLeftChanged();
}

// ---- The data as the view follows it --------------------------------------

void THexEditorCore::SizeChanged() {
  FDocument.CutChangeMarks(DataSize());
  FLayout.UpdateRowCount();
}

// Empties data, journals, change marks, bookmarks and selection; the
// caret to the first hex cell; OnChange.
void THexEditorCore::ResetData(std::string_view title) {
  FDocument.Reset(title);
  ClearSelection(false);
  SizeChanged();
  FCaret = THexCaret{};
  Invalidate();
  NotifyChange();
}

// Grows (new bytes = FillByte) or cuts the data at its end, recording the
// change (see THexDocument::Resize); a caret beyond the new end goes to
// it, and a selection reaching past it is dropped. No OnChange.
void THexEditorCore::SetDataSize(int newSize) {
  const int old = DataSize();
  const int remembered = std::clamp(FCaret.Position, 0, std::max(0, old - 1));
  {
    const auto step = UndoStep();
    if (!FDocument.Resize(newSize, EditContext())) return;
  }
  SizeChanged();
  if (remembered >= DataSize()) {
    ClearSelection(true);
    if (DataSize() > 0 || InsertMode())
      MoveCaretToEnd();
    else
      MoveCaret(THexCaret{});
  } else if (FSelection.High >= DataSize()) {
    // A selection reaching into the cut-off bytes does not survive.
    ClearSelection(true);
  }
  Invalidate();
}

void THexEditorCore::AppendRaw(const void* buffer, int count) {
  InsertRaw(buffer, count, DataSize());
}

void THexEditorCore::InsertRaw(const void* buffer, int count, int pos) {
  if (DataSize() == 0) FDocument.CutChangeMarks(0);
  FDocument.InsertBytes(buffer, count, pos);
  SizeChanged();
}

// Removes [start, end) and places the caret: on the first cell of its
// field when the data is now empty, at the end when caretCell lies past
// it, else on caretCell (kept as it is when none is given).
void THexEditorCore::DeleteRaw(int start, int end, std::optional<THexCaret> caretCell) {
  FDocument.RemoveBytes(start, end);
  const int p = caretCell ? caretCell->Position : FCaret.Position;
  const bool field = caretCell ? caretCell->InCharField : FCaret.InCharField;
  if (DataSize() == 0) {
    MoveCaret(THexCaret{0, field, false});
  } else if (p >= DataSize()) {
    FCaret.InCharField = field;
    MoveCaretToEnd();
  } else if (caretCell) {
    MoveCaret(*caretCell);
  }
  SizeChanged();
  ClearSelection(false);
  Invalidate();
}

// ---- Modes ----------------------------------------------------------------

// Ignored while the document cannot insert; drops every change mark.
void THexEditorCore::SetInsertMode(bool value) {
  if (value == FDocument.Modes().InsertFlag || !FDocument.CanInsert()) return;
  ApplyInsertFlag(value);
}

// Stores the insert flag with what switching brings (rows, caret, change
// marks dropped), whether or not the mode may change now.
void THexEditorCore::ApplyInsertFlag(bool value) {
  const bool was = InsertMode();
  THexEditModes modes = FDocument.Modes();
  modes.InsertFlag = value;
  FDocument.SetModes(modes);
  FTypedByte.reset();
  // The widget refreshes the caret shape on the repaint below.
  if (DataSize() < 1) {
    Invalidate();
    return;
  }
  // The row of the append position comes or goes.
  EffectiveInsertModeChanged(was);
  FDocument.CutChangeMarks(0);
  Invalidate();
}

// Both switch the user's insert flag off even while ReadOnlyView hides
// it, so that it cannot come back into force under a fixed size or a
// forbidden insert mode.
void THexEditorCore::SetNoSizeChange(bool value) {
  if (value && FDocument.Modes().InsertFlag) ApplyInsertFlag(false);
  THexEditModes modes = FDocument.Modes();
  modes.NoSizeChange = value;
  FDocument.SetModes(modes);
}

void THexEditorCore::SetAllowInsertMode(bool value) {
  if (!value && FDocument.Modes().InsertFlag) ApplyInsertFlag(false);
  THexEditModes modes = FDocument.Modes();
  modes.AllowInsertMode = value;
  FDocument.SetModes(modes);
}

// While on, typing, Backspace, Delete and undo change nothing and insert
// mode reads as off; the user's insert flag applies again afterwards.
void THexEditorCore::SetReadOnlyView(bool value) {
  if (value == ReadOnlyView()) return;
  const bool was = InsertMode();
  THexEditModes modes = FDocument.Modes();
  modes.ReadOnlyView = value;
  FDocument.SetModes(modes);
  EffectiveInsertModeChanged(was);
  Invalidate();
}

void THexEditorCore::EffectiveInsertModeChanged(bool was) {
  if (InsertMode() == was || DataSize() == 0) return;
  // The row of the append position comes or goes with the mode; a caret
  // standing there moves back onto the data.
  FLayout.UpdateRowCount();
  if (!InsertMode() && FCaret.Position >= DataSize()) SetSelStart(DataSize() - 1);
}

// ---- Layout settings that move bytes to other cells -----------------------

// The caret keeps its byte, field and digit, the selection its ends.
void THexEditorCore::SetBytesPerRow(int value) {
  const THexSelection kept = FSelection;
  const TGridCoord cell = CaretCell();
  THexCaret caret = FLayout.CellToCaret(cell.Col, cell.Row);
  caret.SecondDigit = FCaret.SecondDigit && !FCaret.InCharField;
  if (!FLayout.SetBytesPerRow(value)) return;

  if (caret.Position >= DataSize()) {
    caret.Position = DataSize() - 1;
    caret.SecondDigit = caret.SecondDigit && caret.Position >= 0;
  }
  // Moving the caret drops the selection: it is put back as it was.
  MoveCaret(caret);
  FSelection.Selecting = kept.Selecting;
  FSelection.ExtendOrigin = kept.ExtendOrigin;
  SetSelectionDirect(kept.Anchor, kept.Low, kept.High);
  Invalidate();
}

// A character-field caret stands on a character's first byte.
void THexEditorCore::SetUnicodeChars(bool value) {
  if (FLayout.SetUnicodeChars(value) && value && FCaret.InCharField) FCaret.Position &= ~1;
}

// ---- Recording, undo and redo ---------------------------------------------

void THexEditorCore::RecordChange(UndoKind kind, int pos, int count, int count2,
                                  std::string_view description) {
  FDocument.RecordChange(kind, pos, count, count2, description, EditContext());
}

THexUndoState THexEditorCore::UndoStateNow() const {
  THexUndoState s;
  s.CaretPosition = FCaret.Position;
  s.CaretInCharField = FCaret.InCharField;
  s.CaretOnSecondDigit = !FCaret.InCharField && FCaret.SecondDigit;
  s.SelAnchor = FSelection.Anchor;
  s.SelLow = FSelection.Low;
  s.SelHigh = FSelection.High;
  s.InsertFlag = FDocument.Modes().InsertFlag;
  return s;
}

bool THexEditorCore::Undo() { return Replay(true); }
bool THexEditorCore::Redo() { return Replay(false); }

// The document takes back (or makes again) the step; the caret (scrolled
// into view), selection and insert mode come back as they were.
bool THexEditorCore::Replay(bool undoing) {
  const auto restore = [this](const THexUndoState& s) { RestoreUndoState(s); };
  const bool done =
      undoing ? FDocument.Undo(EditContext(), restore) : FDocument.Redo(EditContext(), restore);
  if (done) NotifyChange();
  return done;
}

void THexEditorCore::RestoreUndoState(const THexUndoState& s) {
  SizeChanged();
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
  if (caret.InCharField && FLayout.UnicodeChars()) caret.Position &= ~1;
  caret.SecondDigit = !caret.InCharField && s.CaretOnSecondDigit && caret.Position < size;
  FCaret = caret;
  const TGridCoord cell = CaretCell();
  FLayout.Grid().ScrollInView(cell.Col, cell.Row);
  UpdateCaretPosition();
  Invalidate();
}
