#pragma once
// Searching the data: a pattern of byte classes (position j of a match
// may hold any byte of class j: one byte for hex bytes, the letter's
// upper and lower case for a text searched without case) and a
// Horspool search over it, forward and backward.

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

class THexPattern {
public:
  THexPattern() = default;
  // Exactly these bytes.
  explicit THexPattern(const std::vector<uint8_t>& bytes);
  // One more position taking any byte of the class.
  void Append(const std::bitset<256>& byteClass);
  void Append(uint8_t byte);

  int Length() const { return static_cast<int>(FClasses.size()); }
  bool Empty() const { return FClasses.empty(); }
  bool MatchesAt(const uint8_t* p) const;

  // The first match starting in from .. size - Length(); -1 when none.
  int64_t FindForward(const uint8_t* data, int64_t size, int64_t from) const;
  // The last match starting at or before from (and fitting in size); -1
  // when none.
  int64_t FindBackward(const uint8_t* data, int64_t size, int64_t from) const;

private:
  std::vector<std::bitset<256>> FClasses;
  // Horspool shifts by the byte under the window's last (forward) or
  // first (backward) position; built on first use.
  mutable std::array<int32_t, 256> FShift{};
  mutable std::array<int32_t, 256> FShiftBack{};
  mutable bool FShiftsBuilt = false;
  void BuildShifts() const;
};

// The letter case pair of a character, for a search without case: the
// other case of a letter of the Latin, Greek or Cyrillic scripts, or c
// itself.
char32_t OtherCase(char32_t c);
