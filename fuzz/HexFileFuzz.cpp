// Intel HEX: the reader itself (which keeps what earlier records stored,
// so only its bounds and messages are checked) and the load path, into
// each memory (a file with data above the flash range is a whole-card
// layout).
#include "fuzz/FuzzSupport.h"
#include "images/HexFileUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto* text = reinterpret_cast<const char*>(data);
  FuzzRecordReader(text, size, [](const char* t, size_t n, uint8_t* buffer, int32_t bytes) {
    ReadHexText(t, n, buffer, bytes, QStringLiteral("f.hex"));
  });
  for (TImageMemory memory : {imFlash, imIntEE, imExtEE})
    FuzzImageLoad(text, size, QStringLiteral("f.hex"), memory);
  return 0;
}
