// The offset format record: parsing, texts, gutter length, following units.

#include <gtest/gtest.h>

#include "hexedit/core/EHexEditor.h"
#include "hexedit/core/HexOffsetFormat.h"

namespace {

THexOffsetFormat Parsed(std::string_view text, THexOffsetUnits units = {}) {
  THexOffsetFormat f;
  ParseOffsetFormat(f, text, units);
  return f;
}

std::string ParseError(std::string_view text, THexOffsetUnits units = {}) {
  THexOffsetFormat f;
  try {
    ParseOffsetFormat(f, text, units);
  } catch (const EHexEditor& e) {
    return e.what();
  }
  return "no error";
}

bool SameRecord(const THexOffsetFormat& a, const THexOffsetFormat& b) {
  return a.Format == b.Format && a.Prefix == b.Prefix && a.Suffix == b.Suffix &&
         a.MinWidth == b.MinWidth && a.Flags == b.Flags && a.Radix == b.Radix &&
         a.Divisor == b.Divisor;
}

}  // namespace

TEST(HexOffsetFormat, DefaultFormat) {
  THexOffsetFormat f = Parsed(DefaultOffsetFormat);
  EXPECT_EQ(f.Flags, ofAutoWidth | ofRulerUnit);
  EXPECT_EQ(f.Radix, 16);
  EXPECT_EQ(f.Divisor, 1);
  EXPECT_EQ(f.Prefix, "0x");
  EXPECT_EQ(f.Suffix, "");
  // 4096 bytes, 16 per row: the last row starts at 0xFF0.
  EXPECT_EQ(MeasureGutterText(f, 0xFF0, false, nullptr), 6);
  EXPECT_EQ(f.MinWidth, 3);
  EXPECT_EQ(OffsetTextOf(f, 0, false), "0x000");
  EXPECT_EQ(OffsetTextOf(f, 0xFF0, false), "0xFF0");
  EXPECT_EQ(OffsetTextOf(f, 0xAB0, true), "0xab0");
  EXPECT_EQ(Parsed("-!10:0X|").Prefix, "0X");  // texts keep their case
}

TEST(HexOffsetFormat, RowNumbers) {
  THexOffsetFormat f = Parsed("r%-!A:Row |", {8, 2, 1});
  EXPECT_EQ(f.Flags, ofRowUnit | ofAutoWidth);
  EXPECT_EQ(f.Divisor, 8);
  EXPECT_EQ(f.Radix, 10);
  // 100 rows of 8 bytes: the last row, number 99, is at offset 792.
  EXPECT_EQ(MeasureGutterText(f, 99 * 8, false, nullptr), 7);
  EXPECT_EQ(OffsetTextOf(f, 0, false), "Row 00");
  EXPECT_EQ(OffsetTextOf(f, 80, false), "Row 10");
  EXPECT_EQ(Parsed("R%10:|", {4, 2, 1}).Divisor, 4);
  EXPECT_EQ(Parsed("c%10:|", {4, 8, 1}).Flags, ofColumnUnit);
  EXPECT_EQ(Parsed("c%10:|", {4, 8, 1}).Divisor, 8);
}

TEST(HexOffsetFormat, WidthAndSuffix) {
  THexOffsetFormat f = Parsed("8!10:|h");
  EXPECT_EQ(f.MinWidth, 8);
  EXPECT_EQ(f.Flags, ofRulerUnit);
  EXPECT_EQ(OffsetTextOf(f, 0x1F0, false), "000001F0h");
  EXPECT_EQ(MeasureGutterText(f, 0x1F0, false, nullptr), 10);  // fixed width stays

  f = Parsed("0!10:<|>");
  EXPECT_EQ(OffsetTextOf(f, 0, false), "<>");
  EXPECT_EQ(OffsetTextOf(f, 0x20, false), "<20>");
  EXPECT_EQ(Parsed("!10:|").MinWidth, 1);
  EXPECT_EQ(Parsed("10:|").MinWidth, 1);
  EXPECT_EQ(Parsed("FFFFFFFF!10:|").MinWidth, -1);
  EXPECT_EQ(OffsetTextOf(Parsed("FFFFFFFF!10:|"), 1, false).size(), 255u);  // width modulo 256
  // Further bars belong to the suffix; a divisor may be written out.
  f = Parsed("4%2:a|b|c");
  EXPECT_EQ(f.Divisor, 4);
  EXPECT_EQ(f.Flags, 0);
  EXPECT_EQ(f.Prefix, "a");
  EXPECT_EQ(f.Suffix, "b|c");
  EXPECT_EQ(OffsetTextOf(f, 20, false), "a101b|c");
  EXPECT_EQ(Parsed("%10:|", {16, 2, 8}).Divisor, 8);
}

TEST(HexOffsetFormat, EmptyFormatShowsNothing) {
  THexOffsetFormat f = Parsed("8!2:x|y");
  ParseOffsetFormat(f, "", {});
  EXPECT_EQ(f.Format, "");
  EXPECT_EQ(f.Flags, 0);
  EXPECT_EQ(f.Radix, 2);  // other fields are kept
  EXPECT_EQ(OffsetTextOf(f, 0x100, false), "");
  EXPECT_EQ(MeasureGutterText(f, 0x100, false, nullptr), 1);
}

TEST(HexOffsetFormat, BadFormatsRaiseAndChangeNothing) {
  EXPECT_EQ(ParseError(":0x|"), "Missing char in offset format: number radix");
  EXPECT_EQ(ParseError("10"), "Missing char in offset format: :");
  EXPECT_EQ(ParseError("10x"), "Missing char in offset format: :");
  EXPECT_EQ(ParseError("10:"), "Missing char in offset format: |");
  EXPECT_EQ(ParseError("11:|"), "Invalid radix in offset format (11h), allowed: 02h..10h");
  EXPECT_EQ(ParseError("1:|"), "Invalid radix in offset format (1h), allowed: 02h..10h");
  EXPECT_EQ(ParseError("3%10:|"), "Invalid bytes per unit value 3, allowed: 1,2,4,8");
  EXPECT_EQ(ParseError("r%10:|", {16, 2, 1}), "Invalid bytes per unit value 16, allowed: 1,2,4,8");
  EXPECT_EQ(ParseError("r%10:|", {256, 2, 1}), "Invalid bytes per unit value 0, allowed: 1,2,4,8");
  EXPECT_EQ(ParseError("-!"), "Missing char in offset format: number radix");

  THexOffsetFormat f = Parsed("r%-!A:Row |", {8, 2, 1});
  const THexOffsetFormat before = f;
  for (const char* bad : {":0x|", "10", "10:", "11:|", "3%10:|", "-!10:0x"})
    EXPECT_THROW(ParseOffsetFormat(f, bad, {8, 2, 1}), EHexEditor);
  EXPECT_TRUE(SameRecord(f, before));
}

TEST(HexOffsetFormat, DivisorFollowsTheUnitItNames) {
  THexOffsetFormat row = Parsed("r%10:|", {8, 2, 1});
  THexOffsetFormat col = Parsed("c%10:|", {8, 2, 1});
  THexOffsetFormat ruler = Parsed("10:|", {8, 2, 1});
  THexOffsetFormat fixed = Parsed("2%10:|", {8, 2, 1});
  for (auto* f : {&row, &col, &ruler, &fixed}) {
    FollowBytesPerRow(*f, 16);
    FollowBytesPerColumn(*f, 4);
    FollowRulerUnit(*f, 8);
  }
  EXPECT_EQ(row.Divisor, 16);
  EXPECT_EQ(col.Divisor, 4);
  EXPECT_EQ(ruler.Divisor, 8);
  EXPECT_EQ(fixed.Divisor, 2);
  EXPECT_EQ(OffsetTextOf(row, 0x40, false), "4");

  // A unit of 256 bytes does not fit the divisor: offsets are not divided.
  FollowBytesPerRow(row, 256);
  EXPECT_EQ(row.Divisor, 0);
  EXPECT_EQ(OffsetTextOf(row, 0x200, false), "200");
  EXPECT_EQ(MeasureGutterText(row, 0x200, false, nullptr), 4);
}

TEST(HexOffsetFormat, HookReplacesTheFormat) {
  THexOffsetFormat f = Parsed(DefaultOffsetFormat);
  int64_t asked = -1;
  THexGetOffsetTextEvent hook = [&](int64_t number, std::string& text) {
    asked = number;
    text = "Zeile \xC3\xBC" + std::to_string(number);
  };
  EXPECT_EQ(OffsetTextWithHook(f, 0xFFFFFFF0u, false, hook),
            "Zeile \xC3\xBC"
            "4294967280");
  EXPECT_EQ(asked, 4294967280);                           // zero-extended
  EXPECT_EQ(MeasureGutterText(f, 160, false, hook), 11);  // characters, not bytes
  EXPECT_EQ(asked, 160);
  EXPECT_EQ(f.MinWidth, 1);  // the hook's text leaves the width alone
  EXPECT_EQ(OffsetTextWithHook(f, 16, false, nullptr), "0x10");
}
