#pragma once
// What the fuzz targets share: a finding ends the run with its reason on
// stderr (libFuzzer and the replay driver both take an abort as a finding),
// and the promises of the one load path the window and pellar-cli use
// (LoadImageData under LoadImageFile), checked for any input.

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "images/ImageFormats.h"
#include "tests/images/MutationSupport.h"

[[noreturn]] inline void FuzzFinding(const std::string& what) {
  std::fprintf(stderr, "fuzz finding: %s\n", what.c_str());
  std::abort();
}

// What is only a fixed text: no text is made for a check that holds.
inline void FuzzCheck(bool holds, const char* what) {
  if (!holds) FuzzFinding(what);
}

// The image sizes an input is loaded into for each memory: none or a
// small one, and the largest of the chips (the flash of an AT90S8515, the
// internal EEPROM of an AT90S4433) or, for the external EEPROM, one past
// 64 KiB. The large images cost the most; each is loaded only where it
// belongs.
inline std::vector<int32_t> FuzzImageSizes(TImageMemory memory) {
  switch (memory) {
    case imFlash: return {0, 100, 8192};
    case imIntEE: return {0, 100, 512};
    case imExtEE: return {100, 65536 + 512};
  }
  return {};
}

// What one load of an input did: its message ("" when it loaded) and the
// image afterwards.
struct TFuzzLoad {
  std::string Message;
  TImageFormat Format = ifBinary;
  std::vector<uint8_t> Image;
};

// Loads Data as FileName into Memory's image of Size bytes filled with
// Fill, guarded on both sides. Checks that nothing is written outside the
// image, that a refusal is EHexFileError naming the file and leaves the
// image as it was, and that a load reports the format its content and
// name give.
inline TFuzzLoad FuzzLoadOnce(const char* data, size_t length, const QString& fileName,
                              TImageMemory memory, int32_t size, uint8_t fill) {
  hextest::TGuardedBuffer<> image(size, fill);
  TFuzzLoad load;
  try {
    load.Format = LoadImageData(data, length, fileName, memory, image.Data(), size);
    FuzzCheck(load.Format == DetectImageFormat(data, length, fileName),
              "loaded in another format than the one detected");
  } catch (const EHexFileError& e) {
    load.Message = e.Message();
    if (load.Message.empty() || e.FileName() != fileName)
      FuzzFinding("a refusal without its message or file name: " + std::string(e.what()));
    const uint8_t* bytes = image.Data();
    if (std::any_of(bytes, bytes + size, [fill](uint8_t b) { return b != fill; }))
      FuzzFinding("a refused file changed the image: " + load.Message);
  } catch (const std::exception& e) {
    FuzzFinding(std::string("an error other than a file error: ") + e.what());
  }
  FuzzCheck(image.GuardsIntact(), "a load wrote outside the image");
  load.Image = image.Image();
  return load;
}

// FuzzLoadOnce over every image size, each over two fills: the two loads
// agree, and where their images differ each holds its own fill (a byte the
// file does not cover is left as the caller filled it; one it covers is
// the file's either way). A file that loads gives at least one byte: one
// without data is refused. Returns the messages, one for each size.
inline std::vector<std::string> FuzzImageLoad(const char* data, size_t length,
                                              const QString& fileName, TImageMemory memory) {
  std::vector<std::string> messages;
  for (int32_t size : FuzzImageSizes(memory)) {
    const TFuzzLoad erased = FuzzLoadOnce(data, length, fileName, memory, size, 0xFF);
    const TFuzzLoad zeroed = FuzzLoadOnce(data, length, fileName, memory, size, 0x00);
    FuzzCheck(erased.Message == zeroed.Message && erased.Format == zeroed.Format,
              "the same file loaded differently over another fill");
    bool given = false;
    for (size_t i = 0; i < erased.Image.size(); ++i) {
      if (erased.Image[i] == zeroed.Image[i])
        given = true;
      else if (erased.Image[i] != 0xFF || zeroed.Image[i] != 0x00)
        FuzzFinding("a byte the file does not give changed at " + std::to_string(i));
    }
    FuzzCheck(given || !erased.Message.empty(), "a file that gives no byte loaded");
    messages.push_back(erased.Message);
  }
  return messages;
}

// The fixed messages of the record readers.
inline bool IsRecordMessage(const std::string& message) {
  for (const char* fixed :
       {HexMsgUnexpectedEof, HexMsgFormatError, HexMsgOutOfAddress, HexMsgChecksumError})
    if (message == fixed) return true;
  return false;
}

// A record reader (ReadHexText, ReadSRecordText) called directly: it may
// keep what earlier records stored, so only its bounds and its messages
// are checked.
template <typename TReader>
void FuzzRecordReader(const char* data, size_t length, TReader read) {
  for (int32_t size : {0, 100, 65536 + 512}) {
    hextest::TGuardedBuffer<> image(size, 0xFF);
    try {
      read(data, length, image.Data(), size);
    } catch (const EHexFileError& e) {
      if (!IsRecordMessage(e.Message())) FuzzFinding("an unexpected message: " + e.Message());
    }
    FuzzCheck(image.GuardsIntact(), "the record reader wrote outside the image");
  }
}

// A record format: the reader itself, and the load path into each memory
// (a file with data above the flash range is a whole-card layout).
template <typename TReader>
void FuzzRecordFile(const uint8_t* data, size_t size, const QString& fileName, TReader read) {
  const auto* text = reinterpret_cast<const char*>(data);
  FuzzRecordReader(text, size, [&](const char* t, size_t n, uint8_t* buffer, int32_t bytes) {
    read(t, n, buffer, bytes, fileName);
  });
  for (TImageMemory memory : {imFlash, imIntEE, imExtEE})
    FuzzImageLoad(text, size, fileName, memory);
}
