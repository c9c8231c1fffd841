// Character field translations: tables, code pages, display and typing.

#include <gtest/gtest.h>
#include <iconv.h>

#include <set>

#include "hexedit/core/HexCodePages.h"
#include "hexedit/core/HexTranslation.h"

namespace {

constexpr THexTranslationKind AllKinds[] = {tkAsIs, tkDos8, tkASCII, tkMac, tkBCD, tkCustom};

bool IsPermutation(const THexByteTable& t) {
  return std::set<uint8_t>(t.begin(), t.end()).size() == 256;
}

// The Unicode character glibc gives for one byte in code page `name`, or
// -1 when it has none (or iconv is missing that code page).
int IconvDecode(const char* name, uint8_t b) {
  iconv_t cd = iconv_open("UTF-32LE", name);
  if (cd == reinterpret_cast<iconv_t>(-1)) return -2;
  char in[1] = {static_cast<char>(b)};
  unsigned char out[4] = {};
  char* inp = in;
  char* outp = reinterpret_cast<char*>(out);
  size_t inLeft = 1, outLeft = 4;
  const size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return -1;
  return out[0] | (out[1] << 8) | (out[2] << 16);
}

}  // namespace

TEST(HexTranslation, NamesOfEveryKind) {
  EXPECT_EQ(TranslationLongName(tkAsIs), "Windows");
  EXPECT_EQ(TranslationShortName(tkAsIs), "WIN");
  EXPECT_EQ(TranslationLongName(tkDos8), "Dos 8 Bit");
  EXPECT_EQ(TranslationShortName(tkDos8), "DOS");
  EXPECT_EQ(TranslationLongName(tkASCII), "ASCII 7 Bit");
  EXPECT_EQ(TranslationShortName(tkASCII), "ASC");
  EXPECT_EQ(TranslationLongName(tkMac), "Macintosh");
  EXPECT_EQ(TranslationShortName(tkMac), "MAC");
  EXPECT_EQ(TranslationLongName(tkBCD), "EBCDIC Codepage 38");
  EXPECT_EQ(TranslationShortName(tkBCD), "BCD");
  EXPECT_EQ(TranslationLongName(tkCustom), "Custom Translation");
  EXPECT_EQ(TranslationShortName(tkCustom), "Cust");
  EXPECT_EQ(TranslationLongName(static_cast<THexTranslationKind>(6)), "");
}

TEST(HexTranslation, TablesArePermutationsWithExactInverses) {
  for (const auto* pair : {&MacByteToChar, &EbcdicByteToChar}) EXPECT_TRUE(IsPermutation(*pair));
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(MacCharToByte[MacByteToChar[b]], b);
    EXPECT_EQ(EbcdicCharToByte[EbcdicByteToChar[b]], b);
    EXPECT_EQ(CustomByteToChar[b], b);
    EXPECT_EQ(CustomCharToByte[b], b);
  }
  // Spot checks against the table rows, one per block of the tables.
  EXPECT_EQ(MacByteToChar[0x7F], 0x7F);
  EXPECT_EQ(MacByteToChar[0xAA], 0x8E);
  EXPECT_EQ(MacByteToChar[0xFF], 0xAF);
  EXPECT_EQ(EbcdicByteToChar[0x04], 0xF7);
  EXPECT_EQ(EbcdicByteToChar[0x5F], 0x5E);
  EXPECT_EQ(EbcdicByteToChar[0xE0], 0x5C);
}

TEST(HexTranslation, CodePagesAgreeWithGlibc) {
  for (int b = 0; b < 256; ++b) {
    const int ansi = IconvDecode("WINDOWS-1252", static_cast<uint8_t>(b));
    const int oem = IconvDecode("IBM437", static_cast<uint8_t>(b));
    if (ansi == -2 || oem == -2) {
      GTEST_SKIP() << "iconv lacks the code pages";
    }
    // glibc leaves the five undefined Windows-1252 codes out; we keep them
    // as the C1 controls of the same number.
    EXPECT_EQ(AnsiToUnicode(static_cast<uint8_t>(b)), ansi >= 0 ? ansi : b) << b;
    if (oem >= 0) {
      EXPECT_EQ(OemToUnicode(static_cast<uint8_t>(b)), oem) << b;
    }
    EXPECT_EQ(UnicodeToAnsi(AnsiToUnicode(static_cast<uint8_t>(b))), b);
    EXPECT_EQ(UnicodeToOem(OemToUnicode(static_cast<uint8_t>(b))), b);
  }
}

TEST(HexTranslation, OemAnsiConversionGoesThroughUnicode) {
  EXPECT_EQ(OemToAnsiChar(0x8E), 0xC4);  // Ä
  EXPECT_EQ(AnsiToOemChar(0xC4), 0x8E);
  EXPECT_EQ(OemToAnsiChar(0x9F), 0x83);  // ƒ sits at different codes
  EXPECT_EQ(OemToAnsiChar(0x41), 0x41);
  // No counterpart: box drawing has no ANSI code, the euro sign no OEM one.
  EXPECT_EQ(OemToAnsiChar(0xC9), NoCounterpartChar);
  EXPECT_EQ(AnsiToOemChar(0x80), NoCounterpartChar);
  EXPECT_EQ(UnicodeToAnsi(U'\u03A9'), -1);
}

TEST(HexTranslation, MaskCharHidesControlCharacters) {
  EXPECT_EQ(ByteToDisplayChar(0x0A, tkAsIs, u'.'), u'.');
  EXPECT_EQ(ByteToDisplayChar(0x41, tkAsIs, u'.'), u'A');
  EXPECT_EQ(ByteToDisplayChar(0x0A, tkAsIs, 0), u'\n');
  EXPECT_EQ(ByteToDisplayChar(0x80, tkAsIs, u'.'), u'\u20AC');
  // A DOS character without an ANSI counterpart reads as a control one.
  EXPECT_EQ(ByteToDisplayChar(0xC9, tkDos8, u'.'), u'.');
  EXPECT_EQ(ByteToDisplayChar(0x8E, tkDos8, u'.'), u'\u00C4');
  EXPECT_EQ(ByteToDisplayChar(0x41, static_cast<THexTranslationKind>(9), u'#'), u'#');
}

TEST(HexTranslation, AsciiMasksHighBytesAndRefusesThem) {
  EXPECT_EQ(ByteToDisplayChar(0xC4, tkASCII, u'.'), u'.');
  EXPECT_EQ(ByteToDisplayChar(0xC4, tkASCII, u'*'), u'*');
  EXPECT_EQ(ByteToDisplayChar(0x7E, tkASCII, u'.'), u'~');
  EXPECT_EQ(TypedCharToByte(U'\u00C4', tkASCII), 0);
  EXPECT_EQ(TypedCharToByte(U'a', tkASCII), 'a');
}

TEST(HexTranslation, EbcdicAndMacintosh) {
  EXPECT_EQ(ByteToDisplayChar(0xC1, tkBCD, u'.'), u'A');
  EXPECT_EQ(ByteToDisplayChar(0x81, tkBCD, u'.'), u'a');
  EXPECT_EQ(ByteToDisplayChar(0xF0, tkBCD, u'.'), u'0');
  EXPECT_EQ(ByteToDisplayChar(0x40, tkBCD, u'.'), u' ');
  EXPECT_EQ(TypedCharToByte(U'A', tkBCD), 0xC1);
  EXPECT_EQ(ByteToDisplayChar(0x80, tkMac, u'.'), u'\u00C4');
  EXPECT_EQ(TypedCharToByte(U'\u00C4', tkMac), 0x80);
}

TEST(HexTranslation, CustomBehavesAsAsIs) {
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(ByteToDisplayChar(static_cast<uint8_t>(b), tkCustom, u'.'),
              ByteToDisplayChar(static_cast<uint8_t>(b), tkAsIs, u'.'));
    const char32_t c = AnsiToUnicode(static_cast<uint8_t>(b));
    EXPECT_EQ(TypedCharToByte(c, tkCustom), TypedCharToByte(c, tkAsIs));
  }
}

TEST(HexTranslation, NoKindStoresAByteBelowSpace) {
  // EBCDIC 0x15 reads as ANSI 0xA1 (inverted exclamation mark).
  EXPECT_EQ(TypedCharToByte(U'\u00A1', tkBCD), 0);
  for (const auto kind : AllKinds) {
    for (char32_t c = 0; c < 0x3000; ++c) {
      const uint8_t b = TypedCharToByte(c, kind);
      ASSERT_TRUE(b == 0 || b >= 0x20) << int(kind) << " " << uint32_t(c);
    }
    EXPECT_EQ(TypedCharToByte(U'\t', kind), 0);
  }
  // Characters outside the ANSI code page are refused, also under tkAsIs.
  EXPECT_EQ(TypedCharToByte(U'\u03A9', tkAsIs), 0);
  EXPECT_EQ(TypedCharToByte(U'\u20AC', tkAsIs), 0x80);
  EXPECT_EQ(TypedCharToByte(U'\u20AC', tkDos8), 0);  // no DOS euro sign
  EXPECT_EQ(TypedCharToByte(U'\u00E9', tkDos8), 0x82);
}

TEST(HexTranslation, UnicodeReadingAndTyping) {
  const uint8_t ab[] = {0x41, 0x00, 0x05, 0x00, 0x00, 0x42};
  EXPECT_EQ(UnicodeDisplayChar(ab, 2, false, u'.'), u'A');
  EXPECT_EQ(UnicodeDisplayChar(ab, 2, true, u'.'), u'\u4100');
  EXPECT_EQ(UnicodeDisplayChar(ab + 2, 2, false, u'.'), u'.');
  EXPECT_EQ(UnicodeDisplayChar(ab + 2, 2, false, 0), 0);  // masked even by 0
  EXPECT_EQ(UnicodeDisplayChar(ab + 4, 2, true, u'.'), u'B');
  // A lone last byte reads as the low byte of a zeroed value.
  EXPECT_EQ(UnicodeDisplayChar(ab, 1, false, u'.'), u'A');
  EXPECT_EQ(UnicodeDisplayChar(ab, 1, true, u'.'), u'\u4100');

  std::array<uint8_t, 2> bytes{};
  ASSERT_TRUE(TypedCharToUnicodeBytes(U'A', false, bytes));
  EXPECT_EQ(bytes, (std::array<uint8_t, 2>{0x41, 0x00}));
  ASSERT_TRUE(TypedCharToUnicodeBytes(U'\u20AC', true, bytes));
  EXPECT_EQ(bytes, (std::array<uint8_t, 2>{0x20, 0xAC}));
  EXPECT_FALSE(TypedCharToUnicodeBytes(U'\x1F', false, bytes));
  EXPECT_FALSE(TypedCharToUnicodeBytes(U'\U0001F600', false, bytes));
  EXPECT_FALSE(TypedCharToUnicodeBytes(char32_t(0xD800), false, bytes));

  uint16_t w = 0x1234;
  SwapWordBytes(w);
  EXPECT_EQ(w, 0x3412);
}
