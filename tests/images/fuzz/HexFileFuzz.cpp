// libFuzzer target for the HEX reader: any input either loads or raises one
// of the fixed messages, and nothing is written outside the buffer.
//
// Not part of the CMake build (it needs clang's -fsanitize=fuzzer). From the
// repository root:
//   clang++ -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -I. \
//     tests/images/fuzz/HexFileFuzz.cpp images/HexFileUnit.cpp images/ImageFileErrors.cpp \
//     images/ImageFileIo.cpp \
//     $(pkg-config --cflags --libs Qt6Core) -o /tmp/hexfuzz
//   /tmp/hexfuzz -max_total_time=60
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "images/HexFileUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks the image size, so that the edges of small and
  // large images are both reached.
  static const int32_t sizes[] = {0, 1, 16, 100, 512, 8192, 65536, 65536 + 512, 262144};
  constexpr size_t guard = 64;
  const int32_t imageSize = size ? sizes[data[0] % (sizeof sizes / sizeof sizes[0])] : 16;
  std::vector<uint8_t> buffer(guard + imageSize + guard, 0xA5);
  try {
    ReadHexText(reinterpret_cast<const char*>(data) + (size ? 1 : 0), size ? size - 1 : 0,
                buffer.data() + guard, imageSize);
  } catch (const EHexFileError& e) {
    const std::string m = e.what();
    if (m != HexMsgUnexpectedEof && m != HexMsgFormatError && m != HexMsgOutOfAddress &&
        m != HexMsgChecksumError)
      std::abort();
  }
  for (size_t i = 0; i < guard; ++i)
    if (buffer[i] != 0xA5 || buffer[guard + imageSize + i] != 0xA5) std::abort();
  return 0;
}
