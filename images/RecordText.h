#pragma once
// Reading record text (Intel HEX, Motorola S-record) from memory: hex digit
// pairs, line ends between records, and the line a record starts on, which
// every error names.

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

#include "images/ImageFileErrors.h"

// Digit values by character, -1 for a character that is not a hexadecimal
// digit. A table rather than comparisons: the digits of random data would
// send every comparison the wrong way half of the time.
inline constexpr std::array<int8_t, 256> HexDigitTable = [] {
  std::array<int8_t, 256> table{};
  table.fill(-1);
  for (int i = 0; i < 10; ++i) table['0' + i] = static_cast<int8_t>(i);
  for (int i = 0; i < 6; ++i) {
    table['A' + i] = static_cast<int8_t>(10 + i);
    table['a' + i] = static_cast<int8_t>(10 + i);
  }
  return table;
}();

inline int HexDigitOf(char c) { return HexDigitTable[static_cast<unsigned char>(c)]; }

// Count bytes from 2 * Count digits at Chars into Bytes; false (with some of
// Bytes written) when a character is not a digit.
inline bool DecodeHexBytes(const char* Chars, size_t Count, uint8_t* Bytes) {
  for (size_t i = 0; i < Count; ++i) {
    const int hi = HexDigitOf(Chars[2 * i]);
    const int lo = HexDigitOf(Chars[2 * i + 1]);
    if ((hi | lo) < 0) return false;
    Bytes[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return true;
}

class TRecordText {
public:
  TRecordText(const char* Text, size_t Length, const QString& Name)
      : FText(Text), FLength(Length), FName(Name) {}

  // Skips CR and LF characters, counting lines (CR LF, LF and a lone CR
  // each end one). False at the end of the text.
  bool SkipLineEnds() {
    bool afterCr = false;
    while (FPos < FLength) {
      const char c = FText[FPos];
      if (c == '\r') {
        ++FLine;
        afterCr = true;
      } else if (c == '\n') {
        if (!afterCr) ++FLine;
        afterCr = false;
      } else {
        return true;
      }
      ++FPos;
    }
    return false;
  }

  // Marks the start of a record at the current position: errors from here
  // on name its line. Returns its first character.
  char StartRecord() {
    FRecordLine = FLine;
    return FText[FPos++];
  }

  // The next Count characters, or null when fewer are left.
  const char* Take(size_t Count) {
    if (FLength - FPos < Count) return nullptr;
    const char* p = FText + FPos;
    FPos += Count;
    return p;
  }

  // Raises Message for the current record (for the end of the text met
  // between records: for the last record, or line 1 when there was none).
  [[noreturn]] void Fail(const char* Message) const {
    throw EHexFileError(Message, FName, FRecordLine);
  }

private:
  const char* FText;
  size_t FLength;
  const QString& FName;
  size_t FPos = 0;
  int FLine = 1;
  int FRecordLine = 1;
};
