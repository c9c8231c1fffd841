#pragma once
// The two single-byte code pages the character field works with:
// Windows-1252 as the ANSI code page and CP437 as the OEM code page.
//
// Both tables are our own constants, so the result never depends on the
// locale of the machine. Every ANSI and OEM code has a Unicode character:
// the five codes Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) stand for the C1 control characters of the same number, and
// CP437's codes below 0x80 are plain ASCII (controls included, no glyphs).
//
// OEM <-> ANSI conversion of one character goes through Unicode. A
// character the target code page does not hold (the box-drawing and Greek
// characters of CP437, the euro sign and typographic quotes of
// Windows-1252, ...) becomes NoCounterpartChar, 0x00. Being below 0x20 it
// is shown as the mask character where one is set, and the character
// field refuses it when typed, so no wrong byte is stored silently.

#include <cstdint>

// Replacement for a character with no counterpart in the other code page.
inline constexpr uint8_t NoCounterpartChar = 0x00;

char16_t AnsiToUnicode(uint8_t c);
char16_t OemToUnicode(uint8_t c);

// The code page's byte for Unicode character u, or -1 when it has none.
int UnicodeToAnsi(char32_t u);
int UnicodeToOem(char32_t u);

// Single-character conversions between the OEM and ANSI code pages.
uint8_t OemToAnsiChar(uint8_t c);
uint8_t AnsiToOemChar(uint8_t c);
