// Binary files and format detection. A ".bin" file is its bytes: it loads
// exactly them from 0 or is refused (empty, or larger than the image).
// Without an extension the content decides the format, and the load path
// keeps its promises whatever it found; detection itself follows its
// rules for every name.
#include "fuzz/FuzzSupport.h"
#include "images/ElfFile.h"

namespace {

void CheckDetection(const char* text, size_t size) {
  const TImageFormat content = DetectImageFormat(text, size, QStringLiteral("f"));
  FuzzCheck(HasElfMagic(text, size) == (content == ifElf), "ELF found without its magic");
  FuzzCheck(DetectImageFormat(text, size, QStringLiteral("f.bin")) == ifBinary,
            "a .bin file taken for another format");
  // An extension only decides between formats the content allows.
  for (const char* name : {"f.hex", "f.srec", "f.elf", "f.txt"}) {
    const QString fileName = QString::fromLatin1(name);
    const TImageFormat named = DetectImageFormat(text, size, fileName);
    if (content == ifBinary ? named != ImageFormatOfExtension(fileName).value_or(ifBinary)
                            : named != content)
      FuzzFinding(std::string("the extension overrode the content for ") + name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto* text = reinterpret_cast<const char*>(data);
  CheckDetection(text, size);
  for (int32_t imageSize : {0, 100, 8192, 65536 + 512}) {
    const TFuzzLoad load =
        FuzzLoadOnce(text, size, QStringLiteral("f.bin"), imExtEE, imageSize, 0x5A);
    const bool fits = size > 0 && size <= static_cast<size_t>(imageSize);
    FuzzCheck(load.Message.empty() == fits, "a binary file refused or taken wrongly");
    if (fits)
      FuzzCheck(std::memcmp(load.Image.data(), data, size) == 0,
                "a binary file loaded other bytes");
  }
  FuzzImageLoad(text, size, QStringLiteral("f"), imFlash);
  return 0;
}
