#include "images/CardImageFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "images/CardRecordSink.h"
#include "images/HexFileUnit.h"
#include "images/ImageFileIo.h"
#include "images/ImageFormats.h"
#include "images/SRecordFile.h"

bool ImageHoldsData(const uint8_t* Data, int32_t Size) {
  return Size > 0 && std::any_of(Data, Data + Size, [](uint8_t b) { return b != 0xFF; });
}

TCardMemories WriteCardImageFile(const QString& FileName, const TConstCardBuffers& Images) {
  std::vector<THexBlock> blocks;
  TCardMemories written{};
  for (int m = 0; m < ImageMemoryCount; ++m) {
    if (!ImageHoldsData(Images[m].Data, Images[m].Size)) continue;
    blocks.push_back({CardImageBase[m], Images[m].Data, Images[m].Size});
    written[m] = true;
  }
  WriteHexBlocks(FileName, blocks);
  return written;
}

TCardMemories ReadCardImageData(const char* Data, size_t Length, const TCardBuffers& Images,
                                const QString& SourceName) {
  if (Length == 0) RefuseNoData(SourceName);
  // Into copies first: an error half way leaves the caller's images alone.
  std::array<std::vector<uint8_t>, ImageMemoryCount> scratch;
  TCardBuffers copies;
  for (int m = 0; m < ImageMemoryCount; ++m) {
    const int32_t size = std::max<int32_t>(Images[m].Size, 0);
    scratch[m].assign(Images[m].Data, Images[m].Data + size);
    copies[m] = {scratch[m].data(), size};
  }
  TCardRecordSink sink(copies);
  if (DetectImageFormat(Data, Length, SourceName) == ifSRecord)
    ParseSRecords(Data, Length, SourceName, sink);
  else
    ParseHexRecords(Data, Length, SourceName, sink);
  if (std::none_of(sink.Held().begin(), sink.Held().end(), [](bool held) { return held; }))
    RefuseNoData(SourceName);
  for (int m = 0; m < ImageMemoryCount; ++m)
    if (sink.Held()[m]) std::memcpy(Images[m].Data, scratch[m].data(), scratch[m].size());
  return sink.Held();
}

TCardMemories ReadCardImageFile(const QString& FileName, const TCardBuffers& Images) {
  const std::vector<char> bytes = ReadImageFileBytes(FileName);
  return ReadCardImageData(bytes.data(), bytes.size(), Images, FileName);
}
