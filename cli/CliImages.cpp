#include "cli/CliImages.h"

#include <QDir>
#include <QFileInfo>

#include "cli/ExitCodes.h"
#include "images/CardImageFile.h"
#include "images/DeviceCatalogue.h"
#include "images/ImageFormats.h"

TCardImages TCliImages::Refs() {
  TImageRef refs[ImageMemoryCount];
  for (int m = 0; m < ImageMemoryCount; ++m)
    if (Given[m]) refs[m] = {Bytes[m].data(), static_cast<int>(Bytes[m].size())};
  return {refs[imFlash], refs[imIntEE], refs[imExtEE]};
}

TCliImages LoadCommandImages(const TCliOptions& options, int processorRow, int eepromRow) {
  TCliImages images;
  for (int m = 0; m < ImageMemoryCount; ++m)
    images.Bytes[m].assign(
        static_cast<size_t>(ChipMemorySize(TImageMemory(m), processorRow, eepromRow)), 0xFF);

  if (!options.CardFile.isEmpty()) {
    TCardBuffers buffers{};
    for (int m = 0; m < ImageMemoryCount; ++m)
      buffers[m] = {images.Bytes[m].data(), static_cast<int32_t>(images.Bytes[m].size())};
    // A card image without data is refused by the reader ("The file
    // contains no data!"), so at least one memory is given here.
    const TCardMemories present = ReadCardImageFile(options.CardFile, buffers);
    for (int m = 0; m < ImageMemoryCount; ++m) images.Given[m] = present[m];
  }
  for (int m = 0; m < ImageMemoryCount; ++m) {
    const QString& file = options.Files[m];
    if (file.isEmpty()) continue;
    // A file of its own takes the place of the card image's memory.
    std::vector<uint8_t> bytes(images.Bytes[m].size(), 0xFF);
    LoadImageFile(file, TImageMemory(m), bytes.data(), static_cast<int32_t>(bytes.size()));
    images.Bytes[m] = std::move(bytes);
    images.Given[m] = true;
  }
  return images;
}

bool ImagesFit(TCliImages& images, int processorRow, int eepromRow) {
  for (int m = 0; m < ImageMemoryCount; ++m) {
    if (!images.Given[m]) continue;
    const std::vector<uint8_t>& bytes = images.Bytes[m];
    if (FirstDataBeyond(bytes.data(), static_cast<int>(bytes.size()),
                        ChipMemorySize(TImageMemory(m), processorRow, eepromRow)) >= 0)
      return false;
  }
  return true;
}

void CheckOutputFile(const QString& fileName) {
  const QFileInfo info(fileName);
  const std::string name = fileName.toStdString();
  const std::string folder = QDir::toNativeSeparators(info.absolutePath()).toStdString();
  if (info.isDir()) throw ECliError(ecFile, name + ": is a folder, not a file.");
  if (!info.absoluteDir().exists())
    throw ECliError(ecFile, name + ": the folder " + folder + " does not exist.");
  if (info.exists() && !info.isWritable())
    throw ECliError(ecFile, name + ": the file is read-only.");
  // A file (new or regular) is written beside itself first and then
  // renamed, so its folder must take new files; a device is written as it is.
  if ((!info.exists() || info.isFile()) && !QFileInfo(info.absolutePath()).isWritable())
    throw ECliError(ecFile, name + ": the folder " + folder + " is read-only.");
}

std::string SaveMemoryFile(const QString& fileName, TImageMemory memory,
                           const std::vector<uint8_t>& bytes) {
  const TImageFormat format =
      SaveImageFile(fileName, bytes.data(), static_cast<int32_t>(bytes.size()));
  return std::string(ImageMemoryName(memory)) + ": " + std::to_string(bytes.size()) +
         " bytes written to " + fileName.toStdString() + " (" + ImageFormatName(format) + ")";
}

std::vector<uint8_t> LoadMemoryExtent(const QString& fileName, TImageMemory memory) {
  // Read twice, over 0x00 and over 0xFF: where the two agree, the file
  // gave the byte. The largest span the memory may take in any file.
  const size_t span = CardImageLimit[memory] - CardImageBase[memory];
  std::vector<uint8_t> erased(span, 0xFF);
  std::vector<uint8_t> zeroed(span, 0x00);
  LoadImageFile(fileName, memory, erased.data(), static_cast<int32_t>(span));
  LoadImageFile(fileName, memory, zeroed.data(), static_cast<int32_t>(span));
  size_t end = span;
  while (end > 0 && erased[end - 1] != zeroed[end - 1]) --end;
  erased.resize(end);
  return erased;
}
