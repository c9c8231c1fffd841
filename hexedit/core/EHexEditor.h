#pragma once
// Errors the hex editor raises itself, and their fixed message texts.
// what() is the message exactly as the user sees it (the application's one
// error box adds the closing period when the text ends in a letter or digit).
// Texts with a placeholder (%d, %s, %x) are filled with FillPlaceholders
// (HexRadix.h).

#include <stdexcept>
#include <string>

class EHexEditor : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The data or the journal could not grow (out of memory, or beyond the
// largest size a 32-bit position can address). Nothing was changed.
class EHexStreamError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Saving a read-only file was asked for (CheckSaveAllowed).
class EFileOpenError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

namespace HexMsg {
// Data store and journal.
inline constexpr const char* FixedFileSize = "Cannot change fixed filesize";
inline constexpr const char* CannotUpdateUndo = "Cannot update undo storage";
inline constexpr const char* InvalidDataSize = "Invalid data size %d";
inline constexpr const char* StreamGrowth = "Out of memory while expanding memory stream";
inline constexpr const char* SaveReadOnly = "Cannot save readonly file %s.";
// Caret, selection and bookmarks.
inline constexpr const char* InvalidSelStart = "Invalid selection start";
inline constexpr const char* InvalidSelEnd = "Invalid selection end";
inline constexpr const char* InvalidBookmark = "Invalid bookmark index";
// Layout, units and translations.
inline constexpr const char* InvalidBytesPerLine = "Invalid bytes per line argument";
inline constexpr const char* InvalidBytesPerColumn = "Invalid bytes per column argument";
inline constexpr const char* InvalidBytesPerUnit =
    "Invalid bytes per unit value %d, allowed: 1,2,4,8";
inline constexpr const char* UnicodeNeedsUnit2 = "BytesPerUnit must be set to 2 in unicode mode";
inline constexpr const char* InvalidRulerUnit =
    "Invalid ruler bytes per unit value %d, allowed: -1,1,2,4,8";
inline constexpr const char* NoTranslationInUnicode = "Translations cannot be used in unicode mode";
inline constexpr const char* OddSizeUnicode = "Cannot use unicode mode with odd-sized files";
inline constexpr const char* InvalidBookmarkBitmap =
    "Invalid bookmark bitmap (must be 10 x 200 px)";
// Offset format and number conversion.
inline constexpr const char* MissingFormatChar = "Missing char in offset format: %s";
inline constexpr const char* InvalidFormatRadix =
    "Invalid radix in offset format (%xh), allowed: 02h..10h";
inline constexpr const char* InvalidRadixChar =
    "Invalid character %s, cannot convert using radix %xh";
// Editing tools: paste, find and replace, go to, fill.
inline constexpr const char* NotHex =
    "\"%s\" is not hex: write bytes as hex digits, such as DE AD BE EF or 0xDEADBEEF";
inline constexpr const char* OddHexDigits = "\"%s\" has an odd number of hex digits";
inline constexpr const char* NoHexDigits = "No hex digits given";
inline constexpr const char* NoByteForChar =
    "The character \"%s\" has no byte in the current translation";
inline constexpr const char* NothingToFind = "Enter what to find";
inline constexpr const char* PasteBeyondFixedSize =
    "Cannot paste %d bytes here: the image size is fixed and only %d bytes follow the caret";
inline constexpr const char* ReplaceInFixedSize =
    "Cannot replace %d bytes by %d: the image size is fixed";
inline constexpr const char* NoOffsetGiven =
    "Enter an offset: hex as 0x1F0 or 1F0h, decimal as 496, or relative as +0x20 or -16";
inline constexpr const char* InvalidOffsetText =
    "\"%s\" is not an offset: write hex as 0x1F0 or 1F0h, decimal as 496, or relative as +0x20 or "
    "-16";
inline constexpr const char* OffsetOutOfRange = "Offset %s is outside the image (0x0 to 0x%s)";
inline constexpr const char* InvalidByteValue =
    "\"%s\" is not a byte value (0 to 255, or 0x00 to 0xFF)";
}  // namespace HexMsg
