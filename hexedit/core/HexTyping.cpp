// Character entry: hex digits in the hex field, characters in the
// character field, in overwrite and insert mode.

#include <algorithm>
#include <vector>

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/core/HexRadix.h"

// A typed character: OnKeyPress sees it first. A hex digit in the hex
// field or a character the translation takes in the character field
// overwrites (or in insert mode inserts a unit) and the caret advances as
// with Right; anything else calls OnInvalidKey. Characters below 0x20
// and anything while ReadOnlyView is on are ignored.
//
// The two digits typed into one byte are one undo step: a byte's first
// digit that made a step of its own is remembered (FTypedByte), and its
// second digit, typed next with nothing in between (no caret move, edit,
// undo, save or switch of mode), joins that step.
void THexEditorCore::KeyPress(char32_t ch) {
  if (OnKeyPress) OnKeyPress(ch);
  if (ReadOnlyView() || ch < 0x20) return;
  const THexCaret before = FCaret;
  const int pos = before.Position;
  if (pos >= DataSize() && !InsertMode()) return;
  const bool joins = ContinuesTypedByte();
  FTypedByte.reset();
  const THexUndoStorage& journal = FDocument.UndoStorage();
  const uint64_t journalBefore = journal.Version();
  // Undo puts back the caret and selection of before the character (of
  // before the byte's first digit when this is its second).
  const auto step = UndoStep();
  // The field the caret stands in, also with no data held: typing into
  // the character field of an empty editor appends a character.
  if (!before.InCharField) {
    const int digit = HexDigitValue(ch);
    if (digit < 0) {
      if (OnInvalidKey) OnInvalidKey();
      return;
    }
    if (joins) FDocument.ContinueLastStep();
    TypeHexDigit(digit, pos);
  } else if (!TypeCharacter(ch, pos)) {
    return;
  }
  const bool recorded = journal.Version() != journalBefore && journal.UpdateCount() == 0;
  // The caret advances by a digit, a character, or a unicode character.
  FSelection.Selecting = false;
  KeyDown(hkRight, 0);
  if (recorded && !joins && !before.InCharField && !before.SecondDigit &&
      FCaret == THexCaret{pos, false, true})
    FTypedByte = TTypedByte{FCaret, journal.Version()};
}

bool THexEditorCore::ContinuesTypedByte() const {
  // A save in between would put the saved state between the digits.
  return FTypedByte && FCaret == FTypedByte->CaretAfter &&
         FDocument.UndoStorage().Version() == FTypedByte->JournalVersion && FDocument.Modified() &&
         !HasSelection();
}

void THexEditorCore::TypeHexDigit(int digit, int pos) {
  const bool insert = InsertMode();
  if (!insert) ClearSelection(true);
  const int size = DataSize();
  const int u = std::max(1, FLayout.BytesPerUnit());
  const int col = CaretCell().Col;
  const uint8_t old = pos < size ? PeekByte(pos) : 0;
  // The digit replaces the nibble shown under the caret.
  const bool highNibble =
      col - (FLayout.SwapNibbles() ? 1 : 0) == FLayout.PositionToCell(pos, false).Col;
  const auto value =
      static_cast<uint8_t>(highNibble ? digit * 16 + (old & 0x0F) : (old & 0xF0) + digit);
  if (insert && ((col - 2) % (2 * u) == 0 || HasSelection())) {
    // A new unit whose first byte holds the digit in its left column.
    std::vector<uint8_t> unit(static_cast<size_t>(u), 0);
    unit[0] = static_cast<uint8_t>(FLayout.SwapNibbles() ? digit : digit * 16);
    if (size == 0)
      AppendBuffer(unit.data(), u);
    else if (!HasSelection())
      InsertBuffer(unit.data(), u, pos);
    else
      ReplaceSelection(unit.data(), u);
    return;
  }
  if (pos >= size) return;
  ChangeByte(old, value, pos);
}

bool THexEditorCore::TypeCharacter(char32_t ch, int pos) {
  const int size = DataSize();
  const int u = std::max(1, FLayout.BytesPerUnit());
  std::vector<uint8_t> unit(static_cast<size_t>(u), 0);
  if (FLayout.UnicodeChars()) {
    // The character arrives as Unicode already: it is stored as it is
    // (in the byte order of UnicodeBigEndian).
    std::array<uint8_t, 2> bytes{};
    if (!FLayout.TypedCharToUnicodeBytes(ch, bytes)) {
      if (OnInvalidKey) OnInvalidKey();
      return false;
    }
    unit[0] = bytes[0];
    if (u > 1) unit[1] = bytes[1];
  } else {
    const uint8_t b = FLayout.TypedCharToByte(ch);
    if (b < 0x20) {
      if (OnInvalidKey) OnInvalidKey();
      return false;
    }
    unit[0] = b;
  }
  const bool insert = InsertMode();
  if (!insert) ClearSelection(true);
  const uint8_t old = size == 0 || pos >= size ? 0 : PeekByte(pos);
  if (insert) {
    if (HasSelection())
      ReplaceSelection(unit.data(), u);
    else if (pos == size)
      AppendBuffer(unit.data(), u, {}, true);
    else if (pos % u == 0)
      InsertBuffer(unit.data(), u, pos);
    else
      ChangeByte(old, unit[0], pos);
    return true;
  }
  if (FLayout.UnicodeChars() && pos + 1 < size) {
    const auto old16 = static_cast<uint16_t>(PeekByte(pos) | PeekByte(pos + 1) << 8);
    const auto new16 = static_cast<uint16_t>(unit[0] | (u > 1 ? unit[1] : 0) << 8);
    ChangeWord(old16, new16, pos);
  } else {
    // Only one byte of a unicode character is held at the data's end: it
    // takes the character's first byte; the second has nowhere to go.
    ChangeByte(old, unit[0], pos);
  }
  return true;
}
