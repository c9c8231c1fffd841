// ELF files through the load path, for each memory: refused files leave
// the image alone, loaded ones stay inside it and give at least one byte.
// What is wrong with the file as a whole (its headers, a segment outside
// it) is found whichever memory is loaded, into an image of any size.
#include "fuzz/FuzzSupport.h"

namespace {

bool IsFileFault(const std::string& message) {
  return message == HexMsgFormatError || message == FileMsgNotAvrElf;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto* text = reinterpret_cast<const char*>(data);
  std::vector<std::string> messages;
  for (TImageMemory memory : {imFlash, imIntEE, imExtEE})
    for (const std::string& message : FuzzImageLoad(text, size, QStringLiteral("f.elf"), memory))
      messages.push_back(message);
  // Whatever memory and image size: a fault of the file is found for all.
  const auto fault = std::find_if(messages.begin(), messages.end(), IsFileFault);
  if (fault != messages.end())
    for (const std::string& message : messages)
      if (message != *fault)
        FuzzFinding("a fault of the whole file found for some loads only: " + *fault + " / " +
                    message);
  return 0;
}
