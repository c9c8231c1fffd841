#pragma once
// The offset format: what the gutter cell of a data row says.
//
// Grammar of a format text, read left to right:
//   [unit] [width] radix ":" prefix "|" suffix
//   unit   "r%" (divide by the bytes per row), "c%" (by the bytes per
//          column), "%" (by the ruler unit) or hex digits and "%" (by that
//          number); left out: by the ruler unit. The divisor must be 1, 2,
//          4 or 8 when the format is set.
//   width  "-!" (as many digits as the last row's offset needs), hex digits
//          and "!" (at least that many digits), "!" alone or left out: 1.
//   radix  hex digits, 2..10h.
// All numbers are written in hex digits. An empty text means no offset
// text at all. The default "-!10:0x|" gives "0x" and as many hex digits
// as the last row needs.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

inline constexpr const char* DefaultOffsetFormat = "-!10:0x|";

// Which values of the record follow the editor.
enum THexOffsetFlag : uint8_t {
  ofAutoWidth = 1,   // MinWidth from the last row's offset
  ofRowUnit = 2,     // Divisor follows BytesPerRow
  ofColumnUnit = 4,  // Divisor follows BytesPerColumn
  ofRulerUnit = 8,   // Divisor follows the ruler unit
};
using THexOffsetFlags = uint8_t;

struct THexOffsetFormat {
  std::string Format;  // the text as last set successfully
  std::string Prefix;
  std::string Suffix;
  int32_t MinWidth = 0;  // digits, used modulo 256
  THexOffsetFlags Flags = 0;
  uint8_t Radix = 16;
  uint8_t Divisor = 1;  // 0 (a unit of 256 bytes) divides by 1

  bool Has(THexOffsetFlag f) const { return (Flags & f) != 0; }
};

// The editor values a format may take its divisor from.
struct THexOffsetUnits {
  int BytesPerRow = 16;
  int BytesPerColumn = 2;
  int RulerUnit = 1;
};

// Host hook producing every offset text instead of the format: called
// with the offset, it leaves the text in its second argument.
using THexGetOffsetTextEvent = std::function<void(int64_t Number, std::string& OffsetText)>;

// Parses text into format. On an error raises EHexEditor and leaves
// format exactly as it was. An empty text clears the flags and keeps the
// other fields.
void ParseOffsetFormat(THexOffsetFormat& format, std::string_view text,
                       const THexOffsetUnits& units);

// The offset text by the format alone: prefix, digits of offset / Divisor
// (none for offset 0 with MinWidth 0), suffix; empty for an empty format.
std::string OffsetTextOf(const THexOffsetFormat& format, uint32_t offset, bool lowerCase);

// The hook's text when one is set, else OffsetTextOf.
std::string OffsetTextWithHook(const THexOffsetFormat& format, uint32_t offset, bool lowerCase,
                               const THexGetOffsetTextEvent& hook);

// Number of characters of the gutter text for the last data row at offset
// last, plus one. Recomputes MinWidth first when the format has
// ofAutoWidth (and no hook is set).
int MeasureGutterText(THexOffsetFormat& format, int64_t last, bool lowerCase,
                      const THexGetOffsetTextEvent& hook);

// Divisor updates when the editor's units change; not range-checked.
void FollowBytesPerRow(THexOffsetFormat& format, int bytesPerRow);
void FollowBytesPerColumn(THexOffsetFormat& format, int bytesPerColumn);
void FollowRulerUnit(THexOffsetFormat& format, int rulerUnit);

// Characters (Unicode code points) of a UTF-8 text.
int Utf8Length(std::string_view text);
