#pragma once
// Texts the user hands the editor's tools: hex bytes (a paste, the find
// and replace texts) and numbers (go to, the fill value).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Hex bytes: groups of hex digits separated by white space (line breaks
// too), each group with an optional 0x prefix. A group's digits make
// bytes two by two; a group of one digit makes one byte. On anything else
// (or no digits at all) returns false with error set to the message.
bool ParseHexBytes(std::u32string_view text, std::vector<uint8_t>& bytes, std::string& error);

// A number: hex as 0x1F0, 1F0h or $1F0, decimal as 496, surrounding
// blanks ignored. With allowSign a leading + or - makes it relative (sign
// +1 or -1; 0 without). False for anything else and for values of more
// than 32 bits.
bool ParseNumberText(std::string_view text, bool allowSign, int64_t& value, int& sign);

// Text of a code point as UTF-8 (for messages).
std::string Utf8Of(char32_t c);
std::string Utf8Of(std::u32string_view text);
std::string Utf8Of(std::u16string_view text);
