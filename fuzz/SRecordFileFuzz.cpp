// Motorola S-records: the reader itself (bounds and messages only, as for
// Intel HEX) and the load path into each memory.
#include "fuzz/FuzzSupport.h"
#include "images/SRecordFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto* text = reinterpret_cast<const char*>(data);
  FuzzRecordReader(text, size, [](const char* t, size_t n, uint8_t* buffer, int32_t bytes) {
    ReadSRecordText(t, n, buffer, bytes, QStringLiteral("f.srec"));
  });
  for (TImageMemory memory : {imFlash, imIntEE, imExtEE})
    FuzzImageLoad(text, size, QStringLiteral("f.srec"), memory);
  return 0;
}
