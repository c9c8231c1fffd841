#pragma once
// Places the data records of a whole-card layout: each memory's range
// starts at its CardImageBase; a record must lie wholly inside one memory's
// image.

#include <array>
#include <cstdint>

#include "images/ImageMemory.h"
#include "images/RecordSink.h"

class TCardRecordSink : public TRecordSink {
public:
  // An image with null Data takes its records into nothing: they are checked
  // against its Size and dropped.
  explicit TCardRecordSink(const std::array<TImageBuffer, ImageMemoryCount>& Images)
      : FImages(Images) {}

  bool Place(uint64_t Address, uint32_t Length, uint8_t*& Dest) override {
    for (int m = ImageMemoryCount - 1; m >= 0; --m) {
      if (Address < CardImageBase[m]) continue;
      const uint64_t offset = Address - CardImageBase[m];
      const TImageBuffer& image = FImages[m];
      if (offset + Length > static_cast<uint64_t>(image.Size > 0 ? image.Size : 0)) return false;
      Dest = image.Data ? image.Data + offset : FDropped;
      if (Length > 0) FHeld[m] = true;
      return true;
    }
    return false;
  }

  // Which memories got at least one byte.
  const std::array<bool, ImageMemoryCount>& Held() const { return FHeld; }

private:
  std::array<TImageBuffer, ImageMemoryCount> FImages;
  std::array<bool, ImageMemoryCount> FHeld{};
  uint8_t FDropped[256];
};
