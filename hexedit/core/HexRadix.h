#pragma once
// Number <-> text conversions in any radix from 2 to 16, used for offset
// texts and for reading the numbers of an offset format.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

// value in radix 2..16 with upper-case digits, zero-padded to at least
// minDigits digits; zero gives "0" (or minDigits zeros). A radix outside
// 2..16 raises std::invalid_argument.
std::string IntToRadix(uint32_t value, unsigned radix, uint8_t minDigits);

// The text read as a number in the given radix, case-insensitive, 32-bit
// with wrap-around; an empty text gives 0. A character that is not a digit
// of the radix raises EHexEditor with HexMsg::InvalidRadixChar filled in.
uint32_t RadixToInt(std::string_view text, unsigned radix);

// pattern with its placeholders (%d, %s, %x) replaced by values, left to
// right; placeholders beyond the values stay as they are. Unlike printf,
// a value is never read as a pattern, and hex numbers are passed as text
// (HexNumberText: upper case, as all message texts show them).
std::string FillPlaceholders(std::string_view pattern,
                             std::initializer_list<std::string_view> values);

// value in upper-case hex without padding, as message texts show it.
std::string HexNumberText(uint32_t value);

// The value of a hex digit of either case, -1 for any other character.
int HexDigitValue(char32_t ch);
