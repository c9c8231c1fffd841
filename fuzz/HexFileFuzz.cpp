// Intel HEX: the reader itself (which keeps what earlier records stored,
// so only its bounds and messages are checked) and the load path into each
// memory.
#include "fuzz/FuzzSupport.h"
#include "images/HexFileUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzRecordFile(data, size, QStringLiteral("f.hex"), ReadHexText);
  return 0;
}
