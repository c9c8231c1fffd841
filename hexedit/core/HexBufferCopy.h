#pragma once
// For the editor core's own files: a source buffer an edit can read
// safely while it changes the data.

#include <cstdint>
#include <vector>

// A buffer that lies inside the held data would move or be overwritten
// under the edit; such a buffer is copied first, any other is used as it
// is.
struct TBufferCopy {
  std::vector<uint8_t> Copy;
  const void* Buffer;
  TBufferCopy(const void* buffer, int count, const uint8_t* data, int size) : Buffer(buffer) {
    const auto* b = static_cast<const uint8_t*>(buffer);
    if (data && b >= data && b < data + size) {
      Copy.assign(b, b + count);
      Buffer = Copy.data();
    }
  }
  const uint8_t* Bytes() const { return static_cast<const uint8_t*>(Buffer); }
};
