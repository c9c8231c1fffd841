// The editor's character field settings, units and offset texts.

#include <gtest/gtest.h>

#include <functional>

#include "hexedit/core/HexEditorCore.h"
#include "tests/hexedit/core/HexErrorText.h"

namespace {

struct EditorTextTest : ::testing::Test {
  THexEditorCore Ed;
  int Repaints = 0;

  EditorTextTest() {
    Ed.RequestRepaint = [this] { ++Repaints; };
  }

  void Sized(int size) {
    Ed.ResetData();
    Ed.SetDataSize(size);
  }
};

}  // namespace

TEST_F(EditorTextTest, StartsWithTheDefaults) {
  EXPECT_EQ(Ed.Layout().Translation(), tkAsIs);
  EXPECT_EQ(Ed.Layout().MaskChar(), u'.');
  EXPECT_EQ(Ed.Layout().BytesPerUnit(), 1);
  EXPECT_EQ(Ed.Layout().RulerBytesPerUnit(), -1);
  EXPECT_EQ(Ed.Layout().RulerUnit(), 1);
  EXPECT_EQ(Ed.Layout().HexDigits(), "0123456789ABCDEF");
  EXPECT_EQ(Ed.Layout().OffsetFormat(), "-!10:0x|");
  EXPECT_FALSE(Ed.Layout().SwapNibbles());
  EXPECT_FALSE(Ed.Layout().HexLowerCase());
}

TEST_F(EditorTextTest, DisplayAndTypingFollowTheSettings) {
  EXPECT_EQ(Ed.Layout().ByteToDisplayChar(0x0A), u'.');
  Ed.Layout().SetMaskChar(0);
  EXPECT_EQ(Ed.Layout().ByteToDisplayChar(0x0A), u'\n');
  Ed.Layout().SetMaskChar(u'\u00B7');
  Ed.Layout().SetTranslation(tkBCD);
  EXPECT_EQ(Ed.Layout().ByteToDisplayChar(0xC1), u'A');
  EXPECT_EQ(Ed.Layout().ByteToDisplayChar(0x00), u'\u00B7');
  EXPECT_EQ(Ed.Layout().TypedCharToByte(U'A'), 0xC1);
  EXPECT_EQ(Ed.Layout().TypedCharToByte(U'\u00A1'), 0);  // would store 0x15
  Ed.Layout().SetTranslation(tkASCII);
  EXPECT_EQ(Ed.Layout().ByteToDisplayChar(0xC4), u'\u00B7');
  EXPECT_EQ(Ed.Layout().TypedCharToByte(U'\u00C4'), 0);
  Ed.Layout().SetTranslation(tkMac);
  EXPECT_EQ(Ed.Layout().ByteToDisplayChar(0x80), u'\u00C4');
  EXPECT_EQ(Ed.Layout().TypedCharToByte(U'\u00C4'), 0x80);

  Ed.Layout().SetHexLowerCase(true);
  EXPECT_EQ(Ed.Layout().HexDigits(), "0123456789abcdef");
  Ed.Layout().SetHexLowerCase(false);
  EXPECT_EQ(Ed.Layout().HexDigits(), "0123456789ABCDEF");
}

TEST_F(EditorTextTest, UnicodeModeNeedsEvenSizesAndKeepsUnitTwo) {
  Sized(7);
  Ed.Layout().SetTranslation(tkMac);
  EXPECT_EQ(Error([&] { Ed.SetUnicodeChars(true); }),
            "Cannot use unicode mode with odd-sized files");
  EXPECT_FALSE(Ed.Layout().UnicodeChars());
  EXPECT_EQ(Ed.Layout().Translation(), tkMac);
  EXPECT_EQ(Ed.Layout().BytesPerUnit(), 1);

  Ed.SetBytesPerRow(15);
  Ed.Layout().SetBytesPerColumn(3);
  EXPECT_EQ(Error([&] { Ed.SetUnicodeChars(true); }), "Invalid bytes per line argument");
  Ed.SetBytesPerRow(16);
  EXPECT_EQ(Error([&] { Ed.SetUnicodeChars(true); }), "Invalid bytes per column argument");
  Ed.Layout().SetBytesPerColumn(2);

  Sized(8);
  Ed.SetUnicodeChars(true);
  EXPECT_TRUE(Ed.Layout().UnicodeChars());
  EXPECT_EQ(Ed.Layout().Translation(), tkAsIs);
  EXPECT_EQ(Ed.Layout().BytesPerUnit(), 2);
  EXPECT_EQ(Error([&] { Ed.Layout().SetTranslation(tkDos8); }),
            "Translations cannot be used in unicode mode");
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerUnit(4); }),
            "BytesPerUnit must be set to 2 in unicode mode");
  EXPECT_EQ(Error([&] { Ed.SetBytesPerRow(14 + 1); }), "Invalid bytes per line argument");
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerColumn(1); }), "Invalid bytes per column argument");
  EXPECT_EQ(Ed.Layout().Translation(), tkAsIs);
  EXPECT_EQ(Ed.Layout().BytesPerUnit(), 2);
  EXPECT_EQ(Ed.Layout().BytesPerRow(), 16);
  EXPECT_EQ(Ed.Layout().BytesPerColumn(), 2);

  Ed.SetUnicodeChars(false);
  EXPECT_EQ(Ed.Layout().BytesPerUnit(), 2);
  Ed.Layout().SetTranslation(tkDos8);
  EXPECT_EQ(Ed.Layout().Translation(), tkDos8);
}

TEST_F(EditorTextTest, UnicodeCharacters) {
  Sized(4);
  const uint8_t bytes[] = {0x41, 0x00, 0x05, 0x00};
  std::copy(bytes, bytes + 4, Ed.Document().DataPointer());
  Ed.SetUnicodeChars(true);
  EXPECT_EQ(Ed.Layout().UnicodeCharAt(0), u'A');
  EXPECT_EQ(Ed.Layout().UnicodeCharAt(2), u'.');
  Ed.Layout().SetMaskChar(0);
  EXPECT_EQ(Ed.Layout().UnicodeCharAt(2), 0);
  Ed.Layout().SetUnicodeBigEndian(true);
  EXPECT_EQ(Ed.Layout().UnicodeCharAt(0), u'\u4100');
  std::array<uint8_t, 2> typed{};
  ASSERT_TRUE(Ed.Layout().TypedCharToUnicodeBytes(U'\u20AC', typed));
  EXPECT_EQ(typed, (std::array<uint8_t, 2>{0x20, 0xAC}));
  EXPECT_FALSE(Ed.Layout().TypedCharToUnicodeBytes(U'\r', typed));
  // A size made odd later: the last byte reads alone; outside the data is masked.
  Ed.SetDataSize(5);
  Ed.Document().PokeByte(4, 0x42);
  EXPECT_EQ(Ed.Layout().UnicodeCharAt(4), u'\u4200');
  EXPECT_EQ(Ed.Layout().UnicodeCharAt(6), 0);
}

TEST_F(EditorTextTest, UnitChecks) {
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerUnit(3); }),
            "Invalid bytes per unit value 3, allowed: 1,2,4,8");
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerUnit(0); }),
            "Invalid bytes per unit value 0, allowed: 1,2,4,8");
  EXPECT_EQ(Error([&] { Ed.Layout().SetRulerBytesPerUnit(3); }),
            "Invalid ruler bytes per unit value 3, allowed: -1,1,2,4,8");
  EXPECT_EQ(Error([&] { Ed.SetBytesPerRow(0); }), "Invalid bytes per line argument");
  EXPECT_EQ(Error([&] { Ed.SetBytesPerRow(257); }), "Invalid bytes per line argument");
  EXPECT_EQ(Error([&] { Ed.Layout().SetBytesPerColumn(257); }),
            "Invalid bytes per column argument");
  EXPECT_EQ(Ed.Layout().BytesPerUnit(), 1);
  EXPECT_EQ(Ed.Layout().BytesPerRow(), 16);
  Ed.Layout().SetBytesPerUnit(8);
  EXPECT_EQ(Ed.Layout().RulerUnit(), 8);
  Ed.Layout().SetRulerBytesPerUnit(2);
  EXPECT_EQ(Ed.Layout().RulerUnit(), 2);
  Ed.Layout().SetRulerBytesPerUnit(-1);
  EXPECT_EQ(Ed.Layout().RulerUnit(), 8);
}

TEST_F(EditorTextTest, SettersRepaintOnlyOnChange) {
  Ed.Layout().SetMaskChar(u'.');
  Ed.Layout().SetSwapNibbles(false);
  Ed.Layout().SetHexLowerCase(false);
  Ed.Layout().SetTranslation(tkAsIs);
  Ed.Layout().SetBytesPerUnit(1);
  Ed.Layout().SetUnicodeBigEndian(true);  // not in unicode mode
  Ed.Layout().SetOffsetFormat("-!10:0x|");
  EXPECT_EQ(Repaints, 0);
  Ed.Layout().SetSwapNibbles(true);
  EXPECT_EQ(Repaints, 1);
  Ed.Layout().SetMaskChar(u'?');
  Ed.Layout().SetHexLowerCase(true);
  Ed.Layout().SetOffsetFormat("10:|");
  EXPECT_EQ(Repaints, 4);
}

TEST_F(EditorTextTest, DefaultOffsetTextsFollowTheDataSize) {
  Sized(4096);
  EXPECT_EQ(Ed.Layout().LastRowOffset(), 0xFF0);
  EXPECT_EQ(Ed.Layout().OffsetFormatRecord().MinWidth, 3);
  EXPECT_EQ(Ed.Layout().OffsetTextLength(), 6);
  EXPECT_EQ(Ed.Layout().GetOffsetText(0), "0x000");
  EXPECT_EQ(Ed.Layout().GetOffsetText(0xFF0), "0xFF0");
  Ed.Layout().SetHexLowerCase(true);
  EXPECT_EQ(Ed.Layout().GetOffsetText(0xAB0), "0xab0");

  // The append row after a whole last row counts in insert mode.
  Ed.SetInsertMode(true);
  EXPECT_EQ(Ed.Layout().LastRowOffset(), 0x1000);
  Ed.Layout().UpdateLayout();
  EXPECT_EQ(Ed.Layout().GetOffsetText(0x10), "0x0010");

  // The divisor follows the unit while the format names none.
  Ed.SetInsertMode(false);
  Ed.Layout().SetBytesPerUnit(4);
  EXPECT_EQ(Ed.Layout().OffsetFormatRecord().Divisor, 4);
  EXPECT_EQ(Ed.Layout().GetOffsetText(0xFF0), "0x3fc");
  Ed.Layout().SetRulerBytesPerUnit(2);
  EXPECT_EQ(Ed.Layout().GetOffsetText(0xFF0), "0x7f8");
  Ed.Layout().SetOffsetFormat("c%-!10:|");
  Ed.Layout().SetBytesPerColumn(8);
  EXPECT_EQ(Ed.Layout().GetOffsetText(0xFF0), "1fe");
}

TEST_F(EditorTextTest, RowNumbersAndFixedWidths) {
  Ed.SetBytesPerRow(8);
  Sized(800);
  Ed.Layout().SetOffsetFormat("r%-!A:Row |");
  EXPECT_EQ(Ed.Layout().GetOffsetText(0), "Row 00");
  EXPECT_EQ(Ed.Layout().GetOffsetText(99 * 8), "Row 99");
  Ed.SetDataSize(808);
  EXPECT_EQ(Ed.Layout().GetOffsetText(8), "Row 001");

  Ed.Layout().SetOffsetFormat("8!10:|h");
  EXPECT_EQ(Ed.Layout().GetOffsetText(0x1F0), "000001F0h");
  Ed.Layout().SetOffsetFormat("0!10:[|]");
  EXPECT_EQ(Ed.Layout().GetOffsetText(0), "[]");
  EXPECT_EQ(Ed.Layout().GetOffsetText(8), "[8]");
  Ed.Layout().SetOffsetFormat("");
  EXPECT_EQ(Ed.Layout().GetOffsetText(8), "");
  EXPECT_EQ(Ed.Layout().FormatOffset(0x1F0), "1F0");
  EXPECT_EQ(Ed.Layout().OffsetTextLength(), 1);
}

TEST_F(EditorTextTest, BadFormatsKeepThePreviousOne) {
  Sized(256);
  Ed.Layout().SetOffsetFormat("8!10:|h");
  const struct {
    const char* Format;
    const char* Message;
  } cases[] = {
      {":0x|", "Missing char in offset format: number radix"},
      {"10", "Missing char in offset format: :"},
      {"10:", "Missing char in offset format: |"},
      {"11:|", "Invalid radix in offset format (11h), allowed: 02h..10h"},
      {"3%10:|", "Invalid bytes per unit value 3, allowed: 1,2,4,8"},
      {"r%10:|", "Invalid bytes per unit value 16, allowed: 1,2,4,8"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Error([&] { Ed.Layout().SetOffsetFormat(c.Format); }), c.Message) << c.Format;
    EXPECT_EQ(Ed.Layout().OffsetFormat(), "8!10:|h");
    EXPECT_EQ(Ed.Layout().GetOffsetText(0x10), "00000010h");
  }
}

TEST_F(EditorTextTest, RowUnitFormatNeedsAUnitSizedRow) {
  Sized(256);
  EXPECT_EQ(Error([&] { Ed.Layout().SetOffsetFormat("r%10:|"); }),
            "Invalid bytes per unit value 16, allowed: 1,2,4,8");
  Ed.SetBytesPerRow(8);
  Ed.Layout().SetOffsetFormat("r%10:|");
  EXPECT_EQ(Ed.Layout().GetOffsetText(0x40), "8");
  Ed.SetBytesPerRow(16);
  EXPECT_EQ(Ed.Layout().GetOffsetText(0x40), "4");

  // The format in force no longer parses with 16 per row; a failed change
  // still leaves it working as it was.
  EXPECT_EQ(Error([&] { Ed.Layout().SetOffsetFormat("10"); }), "Missing char in offset format: :");
  EXPECT_EQ(Ed.Layout().OffsetFormat(), "r%10:|");
  EXPECT_EQ(Ed.Layout().GetOffsetText(0x40), "4");

  // A row of 256 bytes does not fit the divisor: offsets are left undivided.
  Ed.SetBytesPerRow(256);
  EXPECT_EQ(Ed.Layout().GetOffsetText(0x200), "200");
}

TEST_F(EditorTextTest, HostHookProducesOffsetTexts) {
  Sized(64);
  Ed.Layout().OnGetOffsetText = [](int64_t number, std::string& text) {
    text = "@" + std::to_string(number);
  };
  EXPECT_EQ(Ed.Layout().GetOffsetText(32), "@32");
  Ed.Layout().UpdateGutterWidth();
  EXPECT_EQ(Ed.Layout().OffsetTextLength(), 4);  // "@48" + 1

  // A hook that fails while a new format is measured: the old one stays.
  Ed.Layout().OnGetOffsetText = [](int64_t, std::string&) { throw EHexEditor("host failed"); };
  EXPECT_EQ(Error([&] { Ed.Layout().SetOffsetFormat("2:|"); }), "host failed");
  Ed.Layout().OnGetOffsetText = nullptr;
  EXPECT_EQ(Ed.Layout().OffsetFormat(), "-!10:0x|");
  EXPECT_EQ(Ed.Layout().GetOffsetText(32), "0x20");
}
