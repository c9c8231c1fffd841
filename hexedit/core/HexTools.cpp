// The editor's daily tools: overwriting a range, the clipboard's bytes
// and texts, paste, cut, fill, select all, the edit keys, go to and the
// status readout.

#include <algorithm>
#include <cstring>
#include <vector>

#include "hexedit/core/HexBufferCopy.h"
#include "hexedit/core/HexEditorCore.h"
#include "hexedit/core/HexRadix.h"
#include "hexedit/core/HexTextParse.h"

// Overwrites count bytes from pos as one kind 0 entry; in overwrite mode
// the bytes whose value changes get their change marks.
void THexEditorCore::OverwriteBytes(int pos, const void* buffer, int count,
                                    std::string_view description) {
  if (!buffer || count <= 0) return;
  const auto step = UndoStep();
  const TBufferCopy src(buffer, count, FDocument.DataPointer(), DataSize());
  RecordChange(ukChangeBytes, pos, count, 0, description);
  const bool marks = !InsertMode();
  for (int i = 0; i < count; ++i) {
    if (marks && PeekByte(pos + i) != src.Bytes()[i]) FDocument.SetChangeMark(pos + i, true);
  }
  FDocument.CopyDataIn(src.Buffer, pos, count);
  InvalidateRows(pos, pos + count - 1);
  NotifyChange();
}

// ---- Clipboard ------------------------------------------------------------

// The selected bytes (none without a selection).
std::vector<uint8_t> THexEditorCore::SelectedBytes() const {
  if (!HasSelection()) return {};
  return {FDocument.DataPointer() + FSelection.Low, FDocument.DataPointer() + FSelection.High + 1};
}

// The text a copy puts beside the bytes (UTF-8): from the hex field the
// bytes as hex digits separated by spaces, from the character field the
// characters the field shows.
std::string THexEditorCore::SelectionText(bool hex) const {
  std::string text;
  if (!HasSelection()) return text;
  if (hex) {
    text.reserve(size_t(SelCount()) * 3);
    for (int p = FSelection.Low; p <= FSelection.High; ++p) {
      if (p > FSelection.Low) text += ' ';
      const uint8_t b = PeekByte(p);
      text += FLayout.HexDigits()[b >> 4];
      text += FLayout.HexDigits()[b & 0x0F];
    }
    return text;
  }
  std::u16string chars;
  if (FLayout.UnicodeChars()) {
    for (int p = FSelection.Low & ~1; p <= FSelection.High; p += 2)
      chars += FLayout.UnicodeCharAt(p);
  } else {
    for (int p = FSelection.Low; p <= FSelection.High; ++p)
      chars += FLayout.ByteToDisplayChar(PeekByte(p));
  }
  return Utf8Of(chars);
}

// The bytes a pasted text stands for: hex digits in the hex field
// (ParseHexBytes), characters through the translation (or as 16-bit
// characters in unicode mode) in the character field. Raises EHexEditor
// with what is wrong; nothing changes.
std::vector<uint8_t> THexEditorCore::BytesFromText(std::u32string_view text, bool hex) const {
  std::vector<uint8_t> bytes;
  if (hex) {
    std::string error;
    if (!ParseHexBytes(text, bytes, error)) throw EHexEditor(error);
    return bytes;
  }
  for (char32_t c : text) {
    if (FLayout.UnicodeChars()) {
      std::array<uint8_t, 2> two{};
      if (!FLayout.TypedCharToUnicodeBytes(c, two))
        throw EHexEditor(FillPlaceholders(HexMsg::NoByteForChar, {Utf8Of(c)}));
      bytes.push_back(two[0]);
      bytes.push_back(two[1]);
    } else {
      const uint8_t b = FLayout.TypedCharToByte(c);
      if (b < 0x20) throw EHexEditor(FillPlaceholders(HexMsg::NoByteForChar, {Utf8Of(c)}));
      bytes.push_back(b);
    }
  }
  return bytes;
}

// One undo step: in insert mode the bytes replace the selection or go in
// at the caret; in overwrite mode they overwrite from the selection's
// start (or the caret), growing the data at its end unless the size is
// fixed ("Cannot paste ..." then, nothing changed). The caret ends after
// the pasted bytes, nothing selected.
void THexEditorCore::Paste(const uint8_t* bytes, int count) {
  if (!bytes || count <= 0 || ReadOnlyView()) return;
  // The overwrite below must not change what the append after it reads.
  const TBufferCopy src(bytes, count, FDocument.DataPointer(), DataSize());
  const uint8_t* pasted = src.Bytes();
  const bool field = FCaret.InCharField;
  const int size = DataSize();
  const auto step = UndoStep();
  int start;
  if (InsertMode()) {
    start = HasSelection() ? FSelection.Low : std::clamp(FCaret.Position, 0, size);
    if (HasSelection())
      ReplaceSelection(pasted, count);
    else
      InsertBuffer(pasted, count, start);
  } else {
    start = HasSelection() ? FSelection.Low : CaretPosition();
    const int inside = std::max(0, std::min(count, size - start));
    const int beyond = count - inside;
    if (beyond > 0 && FDocument.SizeFixed())
      throw EHexEditor(FillPlaceholders(HexMsg::PasteBeyondFixedSize,
                                        {std::to_string(count), std::to_string(inside)}));
    if (inside > 0) OverwriteBytes(start, pasted, inside);
    if (beyond > 0) AppendBuffer(pasted + inside, beyond);
  }
  ClearSelection(true);
  const int end = InsertMode() ? DataSize() : DataSize() - 1;
  MoveCaret(FLayout.CellOf(std::min(start + count, end), field));
  NotifySelectionChange();
}

// Removes the selection (the copy is the host's part).
void THexEditorCore::CutSelection() {
  if (!CanCut()) return;
  DeleteSelection();
}

// Every selected byte becomes value; the selection stays.
void THexEditorCore::FillSelection(uint8_t value) {
  if (!CanFill()) return;
  const std::vector<uint8_t> bytes(size_t(SelCount()), value);
  OverwriteBytes(FSelection.Low, bytes.data(), SelCount());
}

void THexEditorCore::SelectAll() {
  if (DataSize() == 0) return;
  FSelection.StopExtending();
  SetSelectionDirect(0, 0, DataSize() - 1);
  NotifySelectionChange();
}

// ---- Edit keys ------------------------------------------------------------

// The key commands the editor takes before its key table (Ctrl+Z,
// Ctrl+Shift+Z, Ctrl+Y, Ctrl+X, Ctrl+C, Ctrl+V, Ctrl+A); none of these
// keys means anything else to it.
THexEditCommand THexEditorCore::EditCommandForKey(int key, THexShiftState shift) {
  shift &= hsKeys;
  if (shift == hsCtrl) {
    switch (key) {
      case hkZ: return ecUndo;
      case hkA + ('Y' - 'A'): return ecRedo;
      case hkA + ('X' - 'A'): return ecCut;
      case hkA + ('C' - 'A'): return ecCopy;
      case hkA + ('V' - 'A'): return ecPaste;
      case hkA: return ecSelectAll;
      default: return ecNone;
    }
  }
  if (shift == (hsCtrl | hsShift) && key == hkZ) return ecRedo;
  return ecNone;
}

// Undo, redo and select all here, the clipboard commands through
// OnClipboardCommand (the host's clipboard).
void THexEditorCore::RunEditCommand(THexEditCommand command) {
  switch (command) {
    case ecUndo: Undo(); break;
    case ecRedo: Redo(); break;
    case ecSelectAll: SelectAll(); break;
    case ecCut:
    case ecCopy:
    case ecPaste:
      if (OnClipboardCommand) OnClipboardCommand(command);
      break;
    case ecNone: break;
  }
}

// ---- Go to and the fill value ---------------------------------------------

// The byte position a go-to text names, in units of the offset texts:
// absolute, or relative (+/-) to the caret's unit. Raises EHexEditor with
// what is wrong.
int THexEditorCore::GotoTarget(std::string_view text) const {
  const std::string shown(text);
  if (shown.find_first_not_of(" \t") == std::string::npos) throw EHexEditor(HexMsg::NoOffsetGiven);
  int64_t value = 0;
  int sign = 0;
  if (!ParseNumberText(text, true, value, sign))
    throw EHexEditor(FillPlaceholders(HexMsg::InvalidOffsetText, {shown}));
  const int64_t unit = OffsetUnit();
  const int64_t base = sign == 0 ? 0 : CaretPosition() / unit;
  const int64_t units = base + (sign < 0 ? -value : value);
  const int64_t last = InsertMode() ? DataSize() : int64_t(DataSize()) - 1;
  const int64_t target = units * unit;
  if (DataSize() == 0 || units < 0 || target > last) {
    const std::string named =
        units < 0 ? "-0x" + HexNumberText(uint32_t(-units)) : "0x" + HexNumberText(uint32_t(units));
    throw EHexEditor(
        FillPlaceholders(HexMsg::OffsetOutOfRange,
                         {named, HexNumberText(uint32_t(std::max<int64_t>(0, last) / unit))}));
  }
  return static_cast<int>(target);
}

// GotoTarget, then the caret there (its field kept), nothing selected.
void THexEditorCore::GotoOffset(std::string_view text) {
  const int target = GotoTarget(text);
  ClearSelection(true);
  MoveCaret(FLayout.CellOf(target, FCaret.InCharField));
}

// The fill value a text names ("0xFF", "FFh", "255"); raises EHexEditor.
uint8_t THexEditorCore::ParseFillValue(std::string_view text) {
  int64_t value = 0;
  int sign = 0;
  if (!ParseNumberText(text, false, value, sign) || value > 0xFF)
    throw EHexEditor(FillPlaceholders(HexMsg::InvalidByteValue, {std::string(text)}));
  return static_cast<uint8_t>(value);
}

// ---- Readout --------------------------------------------------------------

THexReadout THexEditorCore::Readout() const {
  THexReadout r;
  const int size = DataSize();
  r.HasData = size > 0;
  r.Insert = InsertMode();
  r.Modified = FDocument.Modified();
  r.Unit = OffsetUnit();
  if (!r.HasData) return r;
  r.Caret = std::clamp(FCaret.Position, 0, size);
  r.HasSelection = HasSelection();
  if (r.HasSelection) {
    r.SelStart = FSelection.Low;
    r.SelEnd = FSelection.High;
  }
  if (r.Caret < size) {
    r.HasByte = true;
    r.Byte = PeekByte(r.Caret);
    r.ByteChar = FLayout.ByteToDisplayChar(r.Byte);
  }
  if (r.Caret + 1 < size) {
    r.HasWord = true;
    r.Word = static_cast<uint16_t>(PeekByte(r.Caret) | PeekByte(r.Caret + 1) << 8);
  }
  return r;
}
