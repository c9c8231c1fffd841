// Whole-card images: all or nothing over the three images together. A
// refused file changes no image; a loaded one changes only the images it
// held data for, stays inside each, and holds data for at least one.
#include <array>

#include "fuzz/FuzzSupport.h"
#include "images/CardImageFile.h"

namespace {

void LoadCard(const char* text, size_t size, const std::array<int32_t, ImageMemoryCount>& sizes) {
  std::array<hextest::TGuardedBuffer<>, ImageMemoryCount> images = {
      hextest::TGuardedBuffer<>(sizes[0], 0x11), hextest::TGuardedBuffer<>(sizes[1], 0x22),
      hextest::TGuardedBuffer<>(sizes[2], 0x33)};
  TCardBuffers buffers;
  std::array<std::vector<uint8_t>, ImageMemoryCount> before;
  for (int m = 0; m < ImageMemoryCount; ++m) {
    buffers[m] = {images[m].Data(), sizes[m]};
    before[m] = images[m].Image();
  }
  TCardMemories held{};
  bool loaded = false;
  try {
    held = ReadCardImageData(text, size, buffers, QStringLiteral("c.hex"));
    loaded = true;
  } catch (const EHexFileError& e) {
    FuzzCheck(e.FileName() == QStringLiteral("c.hex"), "a refusal without the file name");
  }
  bool any = false;
  for (int m = 0; m < ImageMemoryCount; ++m) {
    FuzzCheck(images[m].GuardsIntact(), "a card image load wrote outside an image");
    if (!loaded || !held[m])
      FuzzCheck(images[m].Image() == before[m], "an image the file did not load changed");
    any = any || held[m];
  }
  FuzzCheck(!loaded || any, "a card image without data loaded");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto* text = reinterpret_cast<const char*>(data);
  LoadCard(text, size, {8192, 512, 8192});
  LoadCard(text, size, {100, 0, 65536 + 512});
  return 0;
}
