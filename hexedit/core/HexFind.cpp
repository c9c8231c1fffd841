#include "hexedit/core/HexFind.h"

#include <algorithm>

THexPattern::THexPattern(const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes) Append(b);
}

void THexPattern::Append(const std::bitset<256>& byteClass) {
  FClasses.push_back(byteClass);
  FShiftsBuilt = false;
}

void THexPattern::Append(uint8_t byte) {
  std::bitset<256> c;
  c.set(byte);
  Append(c);
}

bool THexPattern::MatchesAt(const uint8_t* p) const {
  for (size_t j = 0; j < FClasses.size(); ++j)
    if (!FClasses[j].test(p[j])) return false;
  return true;
}

void THexPattern::BuildShifts() const {
  const int m = Length();
  FShift.fill(m);
  FShiftBack.fill(m);
  // Forward: how far the window may move when byte v lies under its last
  // position: to the rightmost other position whose class holds v.
  for (int j = 0; j < m - 1; ++j)
    for (int v = 0; v < 256; ++v)
      if (FClasses[size_t(j)].test(size_t(v))) FShift[size_t(v)] = m - 1 - j;
  // Backward, mirrored: by the byte under the window's first position.
  for (int j = m - 1; j >= 1; --j)
    for (int v = 0; v < 256; ++v)
      if (FClasses[size_t(j)].test(size_t(v))) FShiftBack[size_t(v)] = j;
  FShiftsBuilt = true;
}

int64_t THexPattern::FindForward(const uint8_t* data, int64_t size, int64_t from) const {
  const int m = Length();
  if (m == 0 || from < 0) return -1;
  if (!FShiftsBuilt) BuildShifts();
  const std::bitset<256>& last = FClasses.back();
  for (int64_t i = from; i + m <= size;) {
    const uint8_t b = data[i + m - 1];
    if (last.test(b) && MatchesAt(data + i)) return i;
    i += FShift[b];
  }
  return -1;
}

int64_t THexPattern::FindBackward(const uint8_t* data, int64_t size, int64_t from) const {
  const int m = Length();
  if (m == 0) return -1;
  if (!FShiftsBuilt) BuildShifts();
  const std::bitset<256>& first = FClasses.front();
  for (int64_t i = std::min(from, size - m); i >= 0;) {
    const uint8_t b = data[i];
    if (first.test(b) && MatchesAt(data + i)) return i;
    i -= FShiftBack[b];
  }
  return -1;
}

char32_t OtherCase(char32_t c) {
  if (c >= U'A' && c <= U'Z') return c + 32;
  if (c >= U'a' && c <= U'z') return c - 32;
  // Latin-1: À..Þ and à..þ, without × and ÷.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
  if (c == 0xFF) return 0x178;
  if (c == 0x178) return 0xFF;
  // Latin Extended-A: pairs of neighbours.
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c ^ 1;
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c - 1;
  // Greek and Cyrillic.
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x430 && c <= 0x44F) return c - 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0x450 && c <= 0x45F) return c - 80;
  return c;
}
