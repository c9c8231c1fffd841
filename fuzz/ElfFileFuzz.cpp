// ELF files through the load path, for each memory: refused files leave
// the image alone, loaded ones stay inside it and give at least one byte.
// What is wrong with the file as a whole (its headers, a segment outside
// it) is found whichever memory is loaded.
#include "fuzz/FuzzSupport.h"

namespace {

bool IsFileFault(const std::string& message) {
  return message == HexMsgFormatError || message == FileMsgNotAvrElf;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto* text = reinterpret_cast<const char*>(data);
  std::vector<std::vector<std::string>> messages;
  for (TImageMemory memory : {imFlash, imIntEE, imExtEE})
    messages.push_back(FuzzImageLoad(text, size, QStringLiteral("f.elf"), memory));
  for (size_t s = 0; s < messages[0].size(); ++s)
    for (const auto& memory : messages)
      if ((IsFileFault(memory[s]) || IsFileFault(messages[0][s])) && memory[s] != messages[0][s])
        FuzzFinding("a fault of the whole file found for one memory only: " + memory[s] + " / " +
                    messages[0][s]);
  return 0;
}
