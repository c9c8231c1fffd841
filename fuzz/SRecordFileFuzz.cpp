// Motorola S-records: the reader itself (bounds and messages only, as for
// Intel HEX) and the load path into each memory.
#include "fuzz/FuzzSupport.h"
#include "images/SRecordFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzRecordFile(data, size, QStringLiteral("f.srec"), ReadSRecordText);
  return 0;
}
