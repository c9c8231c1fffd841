#pragma once
// The bytes a hex editor holds: one contiguous block and its length.
//
// Setting the size keeps the old contents up to the smaller length; new
// bytes read 0 (callers fill them as they need). The block grows in steps
// (the vector's capacity), so Memory() stays valid until the next size
// change that needs more room, and always until the next size change.
// A growth that fails raises EHexStreamError and leaves the block as it was.

#include <cstdint>
#include <cstring>
#include <vector>

class THexMemoryStream {
public:
  // Largest size the block may take: positions are 32-bit.
  static constexpr int64_t DefaultMaxSize = 0x7FFFFFFF;
  // Tests lower this to see a growth fail.
  int64_t MaxSize = DefaultMaxSize;

  uint8_t* Memory() { return FBytes.data(); }
  const uint8_t* Memory() const { return FBytes.data(); }
  int64_t Size() const { return static_cast<int64_t>(FBytes.size()); }
  void SetSize(int64_t size);
  // Makes room for size bytes without changing the contents.
  void Reserve(int64_t size);

  // No range checks in these two.
  uint8_t* PointerAt(int64_t offset) { return FBytes.data() + offset; }
  const uint8_t* PointerAt(int64_t offset) const { return FBytes.data() + offset; }
  // count bytes from offset from to offset to; the ranges may overlap.
  void MoveBytes(int64_t from, int64_t to, int64_t count) {
    if (count > 0)
      std::memmove(FBytes.data() + to, FBytes.data() + from, static_cast<size_t>(count));
  }

private:
  std::vector<uint8_t> FBytes;
};
