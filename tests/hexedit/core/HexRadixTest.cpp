// Number <-> text conversions.

#include <gtest/gtest.h>

#include "hexedit/core/EHexEditor.h"
#include "hexedit/core/HexRadix.h"

namespace {

std::string RadixError(std::string_view text, unsigned radix) {
  try {
    RadixToInt(text, radix);
  } catch (const EHexEditor& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(HexRadix, IntToRadix) {
  EXPECT_EQ(IntToRadix(255, 16, 4), "00FF");
  EXPECT_EQ(IntToRadix(0, 10, 0), "0");
  EXPECT_EQ(IntToRadix(0, 16, 3), "000");
  EXPECT_EQ(IntToRadix(5, 2, 0), "101");
  EXPECT_EQ(IntToRadix(0xFFFFFFFFu, 16, 0), "FFFFFFFF");
  EXPECT_EQ(IntToRadix(0xFFFFFFFFu, 2, 0), std::string(32, '1'));
  EXPECT_EQ(IntToRadix(12345, 10, 2), "12345");
  EXPECT_EQ(IntToRadix(1, 16, 255).size(), 255u);
  EXPECT_THROW(IntToRadix(1, 1, 0), std::invalid_argument);
  EXPECT_THROW(IntToRadix(1, 17, 0), std::invalid_argument);
}

TEST(HexRadix, RadixToInt) {
  EXPECT_EQ(RadixToInt("ff", 16), 255u);
  EXPECT_EQ(RadixToInt("fF", 16), 255u);
  EXPECT_EQ(RadixToInt("", 16), 0u);
  EXPECT_EQ(RadixToInt("101", 2), 5u);
  EXPECT_EQ(RadixToInt("FFFFFFFF", 16), 0xFFFFFFFFu);
  EXPECT_EQ(RadixToInt("100000000", 16), 0u);  // 32-bit wrap-around
  for (uint32_t v : {0u, 1u, 77u, 65535u, 0xDEADBEEFu})
    for (unsigned radix = 2; radix <= 16; ++radix)
      EXPECT_EQ(RadixToInt(IntToRadix(v, radix, 0), radix), v);
}

TEST(HexRadix, BadCharacterNamesCharacterAndRadix) {
  EXPECT_EQ(RadixError("12", 2), "Invalid character 2, cannot convert using radix 2h");
  EXPECT_EQ(RadixError("1g", 16), "Invalid character G, cannot convert using radix 10h");
  EXPECT_EQ(RadixError("9", 8), "Invalid character 9, cannot convert using radix 8h");
  EXPECT_EQ(RadixError(" 1", 10), "Invalid character  , cannot convert using radix Ah");
  EXPECT_EQ(RadixError("1\xC3\xA4", 16),
            "Invalid character \xC3\xA4, cannot convert using radix 10h");
  // A placeholder-like character in the text is not filled in again.
  EXPECT_EQ(RadixError("%", 16), "Invalid character %, cannot convert using radix 10h");
}

TEST(HexRadix, FillPlaceholders) {
  EXPECT_EQ(FillPlaceholders("a %d b %s c %x", {"1", "%s", "3"}), "a 1 b %s c 3");
  EXPECT_EQ(FillPlaceholders("a %d b %d", {"1"}), "a 1 b %d");
  EXPECT_EQ(FillPlaceholders("100%", {"1"}), "100%");
}
