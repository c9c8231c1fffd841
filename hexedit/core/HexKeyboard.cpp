// Key-down handling: the key table. Every caret move goes through the
// grid and so through the acceptance hook, which also extends or drops
// the selection.

#include <algorithm>

#include "hexedit/core/HexEditorCore.h"

// A key went up: only the Shift state is kept.
void THexEditorCore::KeyUp(int key, THexShiftState shift) {
  FShiftDown = (shift & hsShift) != 0 && key != hkShift;
}

// A key went down with the modifiers of shift (buttons are ignored).
// OnKeyDown sees it first; then, in overwrite mode, a key without
// modifiers (Shift itself aside) drops the selection; then the key table:
// navigation, field switch, insert mode, Backspace and Delete, bookmarks,
// and Shift starting a selection.
void THexEditorCore::KeyDown(int key, THexShiftState shift) {
  shift &= hsKeys;
  FShiftDown = (shift & hsShift) != 0 || key == hkShift;
  if (OnKeyDown) OnKeyDown(key, shift);
  // The edit keys come before the key table (which has no use for them).
  if (const THexEditCommand command = EditCommandForKey(key, shift); command != ecNone) {
    RunEditCommand(command);
    return;
  }
  if (shift == 0 && key != hkShift && !InsertMode()) ClearSelection(true);

  const bool ctrl = (shift & hsCtrl) != 0;
  const TGridCoord cur = CaretCell();
  const int rows = FLayout.RowCount();
  const int firstCol = CaretInCharField() ? FLayout.FirstCharColumn() : 2;
  switch (key) {
    case hkBack:
      if (InsertMode() && !ReadOnlyView()) {
        if (HasSelection())
          DeleteSelection();
        else
          DeleteUnit(true);
      } else if (!ctrl) {
        KeyLeft(false);
      }
      break;
    case hkLeft: KeyLeft(ctrl); break;
    case hkRight: KeyRight(ctrl); break;
    case hkUp:
      if (!ctrl && cur.Row - 1 >= 2) MoveToCell(cur.Col, cur.Row - 1);
      break;
    case hkDown:
      if (!ctrl && cur.Row + 1 < rows) MoveToCell(cur.Col, cur.Row + 1);
      break;
    case hkPageUp: {
      const int page = FLayout.Grid().VisibleRowCount();
      if (ctrl) {
        MoveToCell(cur.Col, FLayout.Grid().TopRow());
      } else {
        const int target = std::max(2, cur.Row - page + 1);
        FLayout.Grid().SetTopRow(std::max(2, FLayout.Grid().TopRow() - page + 1));
        MoveToCell(cur.Col, target);
      }
      break;
    }
    case hkPageDown: {
      const int page = FLayout.Grid().VisibleRowCount();
      if (ctrl) {
        MoveToCell(cur.Col, std::min(rows - 1, FLayout.Grid().TopRow() + page - 1));
      } else {
        const int target = std::min(rows - 1, cur.Row + page - 1);
        FLayout.Grid().SetTopRow(
            std::min(std::max(2, rows - page), FLayout.Grid().TopRow() + page - 1));
        MoveToCell(cur.Col, target);
      }
      break;
    }
    case hkHome: MoveToCell(firstCol, ctrl ? 2 : cur.Row); break;
    case hkEnd:
      if (ctrl) {
        MoveCaretToEnd();
      } else {
        const int size = DataSize();
        int p = FLayout.CellToPosition(2, cur.Row + 1).Position - 1;
        if (p >= size) p = InsertMode() ? size : size - 1;
        if (CaretInCharField()) {
          MoveToCell(FLayout.PositionToCell(p, true));
        } else {
          const TGridCoord c = FLayout.PositionToCell(p, false);
          MoveToCell(c.Col + 1, c.Row);
        }
      }
      break;
    case hkTab:
      if (shift == 0 || shift == hsShift)
        MoveToCell(std::max(2, FLayout.TwinColumn(cur.Col).Position), cur.Row);
      break;
    case hkT:
      if (ctrl) MoveToCell(std::max(2, FLayout.TwinColumn(cur.Col).Position), cur.Row);
      break;
    case hkInsert: SetInsertMode(!InsertMode()); break;
    case hkDelete:
      if (!ReadOnlyView() && (InsertMode() || shift == hsCtrl)) {
        if (HasSelection())
          DeleteSelection();
        else
          DeleteUnit(false);
      }
      break;
    case hkShift:
      if (shift == hsShift || shift == (hsShift | hsCtrl)) FSelection.Selecting = true;
      break;
    default:
      if (key >= hk0 && key <= hk9 && ctrl) {
        if (shift & hsShift)
          ToggleBookmark(key - hk0, FCaret.Position, FCaret.InCharField);
        else
          GotoBookmark(key - hk0);
      }
      break;
  }
}

// One step left: a byte (a unit while selecting or for a unicode
// character), or in the hex field one digit.
void THexEditorCore::KeyLeft(bool ctrl) {
  const TGridCoord cur = CaretCell();
  if (ctrl) {
    MoveToCell(2, cur.Row);
    return;
  }
  const bool inChar = CaretInCharField();
  const int step = FSelection.Selecting || (FLayout.UnicodeChars() && inChar)
                       ? std::max(1, FLayout.BytesPerUnit())
                       : 1;
  const int p = FCaret.Position - step;
  if (inChar) {
    MoveToCell(FLayout.PositionToCell(std::max(p, 0), true));
  } else if (FSelection.Selecting) {
    MoveToCell(FLayout.PositionToCell(FLayout.AlignToUnit(p), false));
  } else if (FCaret.SecondDigit) {
    MoveToCell(cur.Col - 1, cur.Row);
  } else if (p >= 0) {
    const TGridCoord c = FLayout.PositionToCell(p, false);
    MoveToCell(c.Col + 1, c.Row);
  }
}

void THexEditorCore::KeyRight(bool ctrl) {
  const TGridCoord cur = CaretCell();
  if (ctrl) {
    MoveToCell(FLayout.ColCount() - 1, cur.Row);
    return;
  }
  const int size = DataSize();
  const bool inChar = CaretInCharField();
  const int step = FSelection.Selecting || (FLayout.UnicodeChars() && inChar)
                       ? std::max(1, FLayout.BytesPerUnit())
                       : 1;
  const int end = InsertMode() ? size : size - 1;
  const int q = FCaret.Position;
  const int p = std::min(q + step, end);
  if (inChar) {
    MoveToCell(FLayout.PositionToCell(std::max(p, 0), true));
  } else if (FSelection.Selecting) {
    MoveToCell(FLayout.PositionToCell(std::min(FLayout.AlignToUnit(p), end), false));
  } else if (!FCaret.SecondDigit && q != size) {
    MoveToCell(cur.Col + 1, cur.Row);
  } else if (q + 1 < size || (q + 1 == size && InsertMode())) {
    MoveToCell(FLayout.PositionToCell(q + 1, false));
  }
}
