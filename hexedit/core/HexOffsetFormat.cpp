#include "hexedit/core/HexOffsetFormat.h"

#include <algorithm>

#include "hexedit/core/EHexEditor.h"
#include "hexedit/core/HexRadix.h"

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Length of the run of hex digits at the start of s.
size_t HexRun(std::string_view s) {
  size_t n = 0;
  while (n < s.size() && HexDigitValue(static_cast<unsigned char>(s[n])) >= 0) ++n;
  return n;
}

bool StartsWithUpper(std::string_view s, char a, char b) {
  return s.size() >= 2 && AsciiUpper(s[0]) == a && s[1] == b;
}

uint8_t Low8(long long v) { return static_cast<uint8_t>(v & 0xFF); }

[[noreturn]] void Missing(std::string_view what) {
  throw EHexEditor(FillPlaceholders(HexMsg::MissingFormatChar, {what}));
}

}  // namespace

void ParseOffsetFormat(THexOffsetFormat& format, std::string_view text,
                       const THexOffsetUnits& units) {
  THexOffsetFormat f = format;  // committed only when the whole text is read
  f.Flags = 0;
  std::string_view s = text;
  if (!s.empty()) {
    // Unit part.
    if (StartsWithUpper(s, 'R', '%')) {
      f.Flags |= ofRowUnit;
      s.remove_prefix(2);
      f.Divisor = Low8(units.BytesPerRow);
    } else if (StartsWithUpper(s, 'C', '%')) {
      f.Flags |= ofColumnUnit;
      s.remove_prefix(2);
      f.Divisor = Low8(units.BytesPerColumn);
    } else {
      const size_t h = HexRun(s);
      if (h < s.size() && s[h] == '%') {
        if (h == 0) {
          f.Flags |= ofRulerUnit;
          f.Divisor = Low8(units.RulerUnit);
        } else {
          f.Divisor = Low8(RadixToInt(s.substr(0, h), 16));
        }
        s.remove_prefix(h + 1);
      } else {
        f.Flags |= ofRulerUnit;
        f.Divisor = Low8(units.RulerUnit);
      }
    }
    if (f.Divisor != 1 && f.Divisor != 2 && f.Divisor != 4 && f.Divisor != 8)
      throw EHexEditor(FillPlaceholders(HexMsg::InvalidBytesPerUnit, {std::to_string(f.Divisor)}));

    // Width part.
    if (s.size() >= 2 && s[0] == '-' && s[1] == '!') {
      f.Flags |= ofAutoWidth;
      s.remove_prefix(2);
      f.MinWidth = 1;
    } else {
      const size_t w = HexRun(s);
      if (w < s.size() && s[w] == '!') {
        f.MinWidth = w == 0 ? 1 : static_cast<int32_t>(RadixToInt(s.substr(0, w), 16));
        s.remove_prefix(w + 1);
      } else {
        f.MinWidth = 1;
      }
    }

    // Radix part.
    const size_t r = HexRun(s);
    if (r == 0) Missing("number radix");
    if (r >= s.size() || s[r] != ':') Missing(":");
    f.Radix = Low8(RadixToInt(s.substr(0, r), 16));
    if (f.Radix < 2 || f.Radix > 16)
      throw EHexEditor(FillPlaceholders(HexMsg::InvalidFormatRadix, {HexNumberText(f.Radix)}));
    s.remove_prefix(r + 1);

    // Texts around the digits.
    const size_t bar = s.find('|');
    if (bar == std::string_view::npos) Missing("|");
    f.Prefix = std::string(s.substr(0, bar));
    f.Suffix = std::string(s.substr(bar + 1));
  }
  f.Format = std::string(text);
  format = std::move(f);
}

std::string OffsetTextOf(const THexOffsetFormat& format, uint32_t offset, bool lowerCase) {
  std::string text;
  if (format.Format.empty()) return text;
  std::string digits;
  if (format.MinWidth != 0 || offset != 0) {
    const uint32_t divisor = format.Divisor == 0 ? 1 : format.Divisor;
    const unsigned radix = std::clamp<unsigned>(format.Radix, 2, 16);
    digits = IntToRadix(offset / divisor, radix, Low8(format.MinWidth));
    if (lowerCase) std::transform(digits.begin(), digits.end(), digits.begin(), AsciiLower);
  }
  text = format.Prefix + digits + format.Suffix;
  return text;
}

std::string OffsetTextWithHook(const THexOffsetFormat& format, uint32_t offset, bool lowerCase,
                               const THexGetOffsetTextEvent& hook) {
  if (hook) {
    std::string text;
    hook(static_cast<int64_t>(offset), text);
    return text;
  }
  return OffsetTextOf(format, offset, lowerCase);
}

int MeasureGutterText(THexOffsetFormat& format, int64_t last, bool lowerCase,
                      const THexGetOffsetTextEvent& hook) {
  if (hook) {
    std::string text;
    hook(last, text);
    return Utf8Length(text) + 1;
  }
  const uint32_t offset = static_cast<uint32_t>(last);
  if (format.Has(ofAutoWidth)) {
    const uint32_t divisor = format.Divisor == 0 ? 1 : format.Divisor;
    const unsigned radix = std::clamp<unsigned>(format.Radix, 2, 16);
    format.MinWidth = static_cast<int32_t>(IntToRadix(offset / divisor, radix, 0).size());
  }
  return Utf8Length(OffsetTextOf(format, offset, lowerCase)) + 1;
}

void FollowBytesPerRow(THexOffsetFormat& format, int bytesPerRow) {
  if (format.Has(ofRowUnit)) format.Divisor = Low8(bytesPerRow);
}

void FollowBytesPerColumn(THexOffsetFormat& format, int bytesPerColumn) {
  if (format.Has(ofColumnUnit)) format.Divisor = Low8(bytesPerColumn);
}

void FollowRulerUnit(THexOffsetFormat& format, int rulerUnit) {
  if (format.Has(ofRulerUnit)) format.Divisor = Low8(rulerUnit);
}

int Utf8Length(std::string_view text) {
  int n = 0;
  for (const char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}
