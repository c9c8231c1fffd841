// The editor's character field settings, units and offset texts: the
// checked setters of the translation, the unicode mode and the units, what
// a byte shows and what a typed character stores, and the offset format.

#include <string>

#include "hexedit/core/HexEditorCore.h"
#include "hexedit/core/HexRadix.h"

namespace {

bool IsUnitSize(int value) { return value == 1 || value == 2 || value == 4 || value == 8; }

std::string Filled(const char* pattern, int value) {
  return FillPlaceholders(pattern, {std::to_string(value)});
}

}  // namespace

THexOffsetFormat THexEditorCore::DefaultOffsetFormatRecord() {
  THexOffsetFormat format;
  ParseOffsetFormat(format, DefaultOffsetFormat, THexOffsetUnits{16, 2, 1});
  return format;
}

// ---- Settings -------------------------------------------------------------

void THexEditorCore::SetTranslation(THexTranslationKind value) {
  if (value == FTranslation) return;
  if (value != tkAsIs && FUnicodeChars) throw EHexEditor(HexMsg::NoTranslationInUnicode);
  FTranslation = value;
  Invalidate();
}

void THexEditorCore::SetUnicodeChars(bool value) {
  if (value == FUnicodeChars) return;
  if (value) {
    if (FBytesPerRow % 2 != 0) throw EHexEditor(HexMsg::InvalidBytesPerLine);
    if (FBytesPerColumn % 2 != 0) throw EHexEditor(HexMsg::InvalidBytesPerColumn);
    if (DataSize() % 2 != 0) throw EHexEditor(HexMsg::OddSizeUnicode);
    FTranslation = tkAsIs;
  }
  FUnicodeChars = value;
  // A character-field caret stands on a character's first byte.
  if (value && FCaret.InCharField) FCaret.Position &= ~1;
  // Two bytes make one character; the unit stays 2 when the mode ends.
  SetBytesPerUnit(2);
  UpdateRowCount();
  BuildRulerText();
  Invalidate();
}

void THexEditorCore::SetUnicodeBigEndian(bool value) {
  FUnicodeBigEndian = value;
  if (FUnicodeChars) Invalidate();
}

void THexEditorCore::SetBytesPerUnit(int value) {
  if (value == FBytesPerUnit) return;
  if (FUnicodeChars && value != 2) throw EHexEditor(HexMsg::UnicodeNeedsUnit2);
  if (!IsUnitSize(value)) throw EHexEditor(Filled(HexMsg::InvalidBytesPerUnit, value));
  FBytesPerUnit = value;
  FollowRulerUnitChange();
  UpdateLayout();
  BuildRulerText();
  Invalidate();
}

void THexEditorCore::SetRulerBytesPerUnit(int value) {
  if (value != -1 && !IsUnitSize(value)) throw EHexEditor(Filled(HexMsg::InvalidRulerUnit, value));
  if (value == FRulerBytesPerUnit) return;
  FRulerBytesPerUnit = value;
  FollowRulerUnitChange();
  UpdateLayout();
  BuildRulerText();
  Invalidate();
}

void THexEditorCore::FollowRulerUnitChange() { FollowRulerUnit(FOffsetFormat, RulerUnit()); }

void THexEditorCore::SetBytesPerColumn(int value) {
  if (value < 1 || value > 256 || (FUnicodeChars && value % 2 != 0))
    throw EHexEditor(HexMsg::InvalidBytesPerColumn);
  if (value == FBytesPerColumn) return;
  FBytesPerColumn = value;
  FollowBytesPerColumn(FOffsetFormat, value);
  UpdateLayout();
  BuildRulerText();
  Invalidate();
}

void THexEditorCore::SetMaskChar(char16_t value) { SetViewSetting(FMaskChar, value); }

void THexEditorCore::SetSwapNibbles(bool value) { SetViewSetting(FSwapNibbles, value); }

void THexEditorCore::SetHexLowerCase(bool value) {
  if (value == FHexLowerCase) return;
  FHexLowerCase = value;
  FHexDigits = value ? LowerHexDigits : UpperHexDigits;
  BuildRulerText();
  Invalidate();
}

// ---- Characters -----------------------------------------------------------

char16_t THexEditorCore::ByteToDisplayChar(uint8_t b) const {
  return ::ByteToDisplayChar(b, FTranslation, FMaskChar);
}

char16_t THexEditorCore::UnicodeCharAt(int pos) const {
  if (pos < 0 || pos >= DataSize()) return FMaskChar;
  return UnicodeDisplayChar(DataPointer() + pos, static_cast<size_t>(DataSize() - pos),
                            FUnicodeBigEndian, FMaskChar);
}

uint8_t THexEditorCore::TypedCharToByte(char32_t c) const {
  return ::TypedCharToByte(c, FTranslation);
}

bool THexEditorCore::TypedCharToUnicodeBytes(char32_t c, std::array<uint8_t, 2>& bytes) const {
  return ::TypedCharToUnicodeBytes(c, FUnicodeBigEndian, bytes);
}

// ---- Offset texts ---------------------------------------------------------

void THexEditorCore::SetOffsetFormat(std::string_view value) {
  if (value == FOffsetFormat.Format) return;
  // The previous record is kept whole rather than parsed again: its text
  // may no longer parse (an "r%" format after BytesPerRow became 16).
  const THexOffsetFormat previous = FOffsetFormat;
  const int previousLength = FOffsetTextLength;
  try {
    ParseOffsetFormat(FOffsetFormat, value,
                      THexOffsetUnits{FBytesPerRow, FBytesPerColumn, RulerUnit()});
    UpdateGutterWidth();
  } catch (...) {
    FOffsetFormat = previous;
    FOffsetTextLength = previousLength;
    throw;
  }
  Invalidate();
}

std::string THexEditorCore::GetOffsetText(uint32_t offset) const {
  return OffsetTextWithHook(FOffsetFormat, offset, FHexLowerCase, OnGetOffsetText);
}

std::string THexEditorCore::FormatOffset(uint32_t offset) const {
  if (FOffsetFormat.Format.empty()) return IntToRadix(offset, 16, 0);
  return GetOffsetText(offset);
}

int64_t THexEditorCore::LastRowOffset() const {
  const int64_t size = DataSize();
  const int64_t perRow = FBytesPerRow < 1 ? 1 : FBytesPerRow;
  if (size == 0) return 0;
  int64_t rows = (size + perRow - 1) / perRow;
  if (size % perRow == 0 && InsertMode()) ++rows;
  return (rows - 1) * perRow;
}
