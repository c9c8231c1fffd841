#pragma once
// Deterministic mutation of record files (Intel HEX, S-record) and of
// binary files for the readers' mutation tests, and an image with guard
// bytes on both sides.

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace hextest {

class TRandom {
public:
  explicit TRandom(uint64_t seed) : FState(seed) {}
  uint32_t Next() {
    // splitmix64: the same sequence on every platform and library.
    uint64_t z = (FState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
  }
  uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }

private:
  uint64_t FState;
};

// The records of a text, each from its start character up to the next.
inline std::vector<std::string> SplitRecords(const std::string& text, char start) {
  std::vector<std::string> records;
  size_t pos = text.find(start);
  while (pos != std::string::npos) {
    const size_t next = text.find(start, pos + 1);
    records.push_back(text.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
    pos = next;
  }
  return records;
}

// One to three steps: characters flipped, dropped, duplicated or inserted
// (mostly from Alphabet), or whole records dropped, duplicated, swapped or
// inserted (RandomRecord makes new ones).
inline std::string MutateRecords(const std::string& seed, TRandom& rnd, char start,
                                 const std::string& alphabet,
                                 const std::function<std::string(TRandom&)>& randomRecord) {
  std::string text = seed;
  const unsigned steps = 1 + rnd.Below(3);
  for (unsigned s = 0; s < steps; ++s) {
    const size_t pos = text.empty() ? 0 : rnd.Below(static_cast<uint32_t>(text.size()));
    const char ch = rnd.Below(8) == 0 ? static_cast<char>(rnd.Below(256))
                                      : alphabet[rnd.Below(static_cast<uint32_t>(alphabet.size()))];
    switch (rnd.Below(9)) {
      case 0:  // flip a character
        if (!text.empty()) text[pos] = ch;
        break;
      case 1:  // drop one
        if (!text.empty()) text.erase(pos, 1);
        break;
      case 2:  // duplicate one
        if (!text.empty()) text.insert(pos, 1, text[pos]);
        break;
      case 3:  // insert one
        text.insert(pos, 1, ch);
        break;
      default: {  // whole records
        std::vector<std::string> records = SplitRecords(text, start);
        const size_t r = records.empty() ? 0 : rnd.Below(static_cast<uint32_t>(records.size()));
        const unsigned op = rnd.Below(5);
        if (op == 0 && !records.empty()) {
          records.erase(records.begin() + static_cast<ptrdiff_t>(r));
        } else if (op == 1 && !records.empty()) {
          records.insert(records.begin() + static_cast<ptrdiff_t>(r), records[r]);
        } else if (op == 2 && records.size() > 1) {
          std::swap(records[r], records[rnd.Below(static_cast<uint32_t>(records.size()))]);
        } else {
          records.insert(records.begin() + static_cast<ptrdiff_t>(r),
                         randomRecord(rnd) + (rnd.Below(2) ? "\r\n" : ""));
        }
        text.clear();
        for (const auto& rec : records) text += rec;
      }
    }
  }
  return text;
}

// Size bytes with Guard bytes of 0xA5 on each side, filled with Fill.
template <size_t Guard = 512>
struct TGuardedBuffer {
  TGuardedBuffer(int32_t size, uint8_t fill)
      : Size(size), Bytes(Guard + static_cast<size_t>(size) + Guard, 0xA5) {
    std::memset(Data(), fill, static_cast<size_t>(size));
  }
  uint8_t* Data() { return Bytes.data() + Guard; }
  std::vector<uint8_t> Image() const {
    return {Bytes.begin() + Guard,
            Bytes.begin() + static_cast<ptrdiff_t>(Guard + static_cast<size_t>(Size))};
  }
  bool GuardsIntact() const {
    for (size_t i = 0; i < Guard; ++i)
      if (Bytes[i] != 0xA5 || Bytes[Guard + static_cast<size_t>(Size) + i] != 0xA5) return false;
    return true;
  }
  int32_t Size;
  std::vector<uint8_t> Bytes;
};

}  // namespace hextest
