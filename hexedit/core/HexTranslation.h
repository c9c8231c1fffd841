#pragma once
// How a held byte reads in the character field and how a typed character
// becomes a stored byte, under each translation kind, plus the reading and
// typing rules of the unicode mode.
//
// On the non-unicode side a translation works on single-byte characters of
// the ANSI code page (Windows-1252, see HexCodePages.h); the character
// shown is then turned into Unicode for the widget. Typed characters
// arrive as Unicode and are first taken to the ANSI code page; one that it
// does not hold is refused.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

enum THexTranslationKind : uint8_t { tkAsIs, tkDos8, tkASCII, tkMac, tkBCD, tkCustom };

inline constexpr int HexTranslationKindCount = 6;

// Fixed display texts of a kind ("Windows", "WIN", ...); empty for a value
// that is no kind.
std::string_view TranslationLongName(THexTranslationKind kind);
std::string_view TranslationShortName(THexTranslationKind kind);

using THexByteTable = std::array<uint8_t, 256>;

// Byte <-> ANSI character tables, each a permutation of 0..255.
extern const THexByteTable MacByteToChar;
extern const THexByteTable MacCharToByte;
extern const THexByteTable EbcdicByteToChar;
extern const THexByteTable EbcdicCharToByte;

// The custom translation: identity for both directions, shared by every
// editor. A host may fill them with its own pair of inverse tables, on the
// user-interface thread, before editors show or take characters with it.
extern THexByteTable CustomByteToChar;
extern THexByteTable CustomCharToByte;

inline constexpr char16_t DefaultMaskChar = u'.';

// The two digit tables hex cells are drawn with.
inline constexpr std::string_view UpperHexDigits = "0123456789ABCDEF";
inline constexpr std::string_view LowerHexDigits = "0123456789abcdef";

// The character shown for held byte b. maskChar replaces characters below
// 0x20 (and, under tkASCII, bytes above 0x7F); 0 turns that masking off.
char16_t ByteToDisplayChar(uint8_t b, THexTranslationKind kind, char16_t maskChar);

// The byte that typing character c stores, or 0 when it is refused: a
// character outside the ANSI code page, one the kind refuses, and any
// whose byte would be below 0x20.
uint8_t TypedCharToByte(char32_t c, THexTranslationKind kind);

void SwapWordBytes(uint16_t& w);

// Unicode mode: the 16-bit character made of the min(2, available) bytes
// at data (first byte low, swapped when bigEndian); a value below 0x20
// shows maskChar, even when maskChar is 0.
char16_t UnicodeDisplayChar(const uint8_t* data, size_t available, bool bigEndian,
                            char16_t maskChar);

// Unicode mode: the two bytes, in storage order, that typing c stores.
// False (refused) for c below 0x20 and for what one UTF-16 code unit
// cannot hold (surrogates, characters beyond U+FFFF).
bool TypedCharToUnicodeBytes(char32_t c, bool bigEndian, std::array<uint8_t, 2>& bytes);
