// The layout's character field settings, units and offset texts: the
// checked setters of the translation, the unicode mode and the units, what
// a byte shows and what a typed character stores, and the offset format.

#include <algorithm>
#include <string>

#include "hexedit/core/HexLayout.h"
#include "hexedit/core/HexRadix.h"

namespace {

bool IsUnitSize(int value) { return value == 1 || value == 2 || value == 4 || value == 8; }

std::string Filled(const char* pattern, int value) {
  return FillPlaceholders(pattern, {std::to_string(value)});
}

}  // namespace

// ---- Settings -------------------------------------------------------------

void THexLayout::SetTranslation(THexTranslationKind value) {
  if (value == FTranslation) return;
  if (value != tkAsIs && FUnicodeChars) throw EHexEditor(HexMsg::NoTranslationInUnicode);
  FTranslation = value;
  Changed();
}

bool THexLayout::SetUnicodeChars(bool value) {
  if (value == FUnicodeChars) return false;
  if (value) {
    if (FBytesPerRow % 2 != 0) throw EHexEditor(HexMsg::InvalidBytesPerLine);
    if (FBytesPerColumn % 2 != 0) throw EHexEditor(HexMsg::InvalidBytesPerColumn);
    if (FDocument.DataSize() % 2 != 0) throw EHexEditor(HexMsg::OddSizeUnicode);
    FTranslation = tkAsIs;
  }
  FUnicodeChars = value;
  // Two bytes make one character; the unit stays 2 when the mode ends.
  SetBytesPerUnit(2);
  UpdateRowCount();
  BuildRulerText();
  Changed();
  return true;
}

void THexLayout::SetUnicodeBigEndian(bool value) {
  FUnicodeBigEndian = value;
  if (FUnicodeChars) Changed();
}

void THexLayout::SetBytesPerUnit(int value) {
  if (value == FBytesPerUnit) return;
  if (FUnicodeChars && value != 2) throw EHexEditor(HexMsg::UnicodeNeedsUnit2);
  if (!IsUnitSize(value)) throw EHexEditor(Filled(HexMsg::InvalidBytesPerUnit, value));
  FBytesPerUnit = value;
  FollowRulerUnitChange();
  UpdateLayout();
  BuildRulerText();
  Changed();
}

void THexLayout::SetRulerBytesPerUnit(int value) {
  if (value != -1 && !IsUnitSize(value)) throw EHexEditor(Filled(HexMsg::InvalidRulerUnit, value));
  if (value == FRulerBytesPerUnit) return;
  FRulerBytesPerUnit = value;
  FollowRulerUnitChange();
  UpdateLayout();
  BuildRulerText();
  Changed();
}

void THexLayout::FollowRulerUnitChange() { FollowRulerUnit(FOffsetFormat, RulerUnit()); }

void THexLayout::SetBytesPerColumn(int value) {
  if (value < 1 || value > 256 || (FUnicodeChars && value % 2 != 0))
    throw EHexEditor(HexMsg::InvalidBytesPerColumn);
  if (value == FBytesPerColumn) return;
  FBytesPerColumn = value;
  FollowBytesPerColumn(FOffsetFormat, value);
  UpdateLayout();
  BuildRulerText();
  Changed();
}

void THexLayout::SetMaskChar(char16_t value) {
  if (value == FMaskChar) return;
  FMaskChar = value;
  Changed();
}

void THexLayout::SetSwapNibbles(bool value) {
  if (value == FSwapNibbles) return;
  FSwapNibbles = value;
  Changed();
}

void THexLayout::SetHexLowerCase(bool value) {
  if (value == FHexLowerCase) return;
  FHexLowerCase = value;
  FHexDigits = value ? LowerHexDigits : UpperHexDigits;
  BuildRulerText();
  Changed();
}

// ---- Characters -----------------------------------------------------------

int THexLayout::AlignToUnit(int pos) const {
  const int u = std::max(1, FBytesPerUnit);
  const int r = pos % u;
  return r < 0 ? pos - r - u : pos - r;
}

THexEntrySettings THexLayout::EntrySettings() const {
  return THexEntrySettings{static_cast<uint8_t>(FTranslation), FBytesPerUnit, FUnicodeChars,
                           FUnicodeBigEndian};
}

char16_t THexLayout::ByteToDisplayChar(uint8_t b) const {
  return ::ByteToDisplayChar(b, FTranslation, FMaskChar);
}

char16_t THexLayout::UnicodeCharAt(int pos) const {
  const int size = FDocument.DataSize();
  if (pos < 0 || pos >= size) return FMaskChar;
  return UnicodeDisplayChar(FDocument.DataPointer() + pos, static_cast<size_t>(size - pos),
                            FUnicodeBigEndian, FMaskChar);
}

uint8_t THexLayout::TypedCharToByte(char32_t c) const { return ::TypedCharToByte(c, FTranslation); }

bool THexLayout::TypedCharToUnicodeBytes(char32_t c, std::array<uint8_t, 2>& bytes) const {
  return ::TypedCharToUnicodeBytes(c, FUnicodeBigEndian, bytes);
}

// ---- Offset texts ---------------------------------------------------------

void THexLayout::SetOffsetFormat(std::string_view value) {
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
  Changed();
}

std::string THexLayout::GetOffsetText(uint32_t offset) const {
  return OffsetTextWithHook(FOffsetFormat, offset, FHexLowerCase, OnGetOffsetText);
}

std::string THexLayout::FormatOffset(uint32_t offset) const {
  if (FOffsetFormat.Format.empty()) return IntToRadix(offset, 16, 0);
  return GetOffsetText(offset);
}

int64_t THexLayout::LastRowOffset() const {
  const int64_t size = FDocument.DataSize();
  const int64_t perRow = FBytesPerRow < 1 ? 1 : FBytesPerRow;
  if (size == 0) return 0;
  int64_t rows = (size + perRow - 1) / perRow;
  if (size % perRow == 0 && FDocument.InsertMode()) ++rows;
  return (rows - 1) * perRow;
}
