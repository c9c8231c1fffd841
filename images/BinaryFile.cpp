#include "images/BinaryFile.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "images/ImageFileIo.h"

void ReadBinaryData(const char* Data, size_t Length, uint8_t* Buffer, int32_t Size,
                    const QString& SourceName) {
  if (Length > static_cast<size_t>(std::max<int32_t>(Size, 0)))
    throw EHexFileError("The file (" + std::to_string(Length) +
                            " bytes) is larger than the image (" + std::to_string(Size) +
                            " bytes)!",
                        SourceName);
  if (Length > 0) std::memcpy(Buffer, Data, Length);
}

void ReadBinaryFile(const QString& FileName, uint8_t* Buffer, int32_t Size) {
  const std::vector<char> bytes = ReadImageFileBytes(FileName);
  ReadBinaryData(bytes.data(), bytes.size(), Buffer, Size, FileName);
}

void WriteBinaryFile(const QString& FileName, const uint8_t* Buffer, int32_t Size) {
  WriteFileAtomically(FileName, [&](const TFileChunkSink& sink) {
    if (Size > 0) sink(reinterpret_cast<const char*>(Buffer), Size);
  });
}
