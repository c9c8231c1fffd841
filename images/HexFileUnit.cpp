#include "images/HexFileUnit.h"

#include <algorithm>
#include <cstring>

#include "images/ImageFileIo.h"
#include "images/RecordText.h"

uint32_t HexFieldValue(const char* Chars, int Count) {
  uint32_t value = 0;
  for (int i = 0; i < Count; ++i) {
    const int digit = HexDigitOf(Chars[i]);
    if (digit < 0) throw EHexFileError(HexMsgFormatError);
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

void ParseHexRecords(const char* Text, size_t Length, const QString& SourceName,
                     TRecordSink& Sink) {
  TRecordText text(Text, Length, SourceName);
  // Byte address of offset 0000 of the following data records: the value of
  // the latest type 04 record times 65536, or of the latest type 02 record
  // times 16.
  uint64_t base = 0;
  uint8_t head[4];
  uint8_t bytes[256];  // 255 data bytes and the checksum
  for (;;) {
    if (!text.SkipLineEnds()) text.Fail(HexMsgUnexpectedEof);
    if (text.StartRecord() != ':') text.Fail(HexMsgFormatError);

    const char* chars = text.Take(8);
    if (!chars) text.Fail(HexMsgUnexpectedEof);
    if (!DecodeHexBytes(chars, 4, head)) text.Fail(HexMsgFormatError);
    const uint32_t length = head[0];
    const uint32_t offset = uint32_t{head[1]} << 8 | head[2];
    const uint32_t type = head[3];
    // Every character of data and checksum must be a digit before any of the
    // record is used.
    chars = text.Take(2 * length + 2);
    if (!chars) text.Fail(HexMsgUnexpectedEof);
    if (!DecodeHexBytes(chars, length + 1, bytes)) text.Fail(HexMsgFormatError);

    uint32_t sum = head[0] + head[1] + head[2] + head[3];
    for (uint32_t i = 0; i <= length; ++i) sum += bytes[i];
    switch (type) {
      case 0: {
        uint8_t* dest = nullptr;
        if (!Sink.Place(base + offset, length, dest)) text.Fail(HexMsgOutOfAddress);
        if (length > 0) std::memcpy(dest, bytes, length);
        break;
      }
      case 1:
        if (length != 0) text.Fail(HexMsgFormatError);
        break;
      case 2:
      case 4: {
        if (length != 2 || offset != 0) text.Fail(HexMsgFormatError);
        const uint32_t value = uint32_t{bytes[0]} << 8 | bytes[1];
        base = type == 4 ? uint64_t{value} << 16 : uint64_t{value} << 4;
        break;
      }
      case 3:
      case 5:
        // Start addresses (CS:IP, or a linear one), which other tools write;
        // an image has no use for them.
        if (length != 4) text.Fail(HexMsgFormatError);
        break;
      default: text.Fail(HexMsgFormatError);
    }
    if ((sum & 0xFF) != 0) text.Fail(HexMsgChecksumError);
    if (type == 1) return;
  }
}

void ReadHexText(const char* Text, size_t Length, uint8_t* Buffer, int32_t Size,
                 const QString& SourceName) {
  TBufferSink sink(Buffer, Size);
  ParseHexRecords(Text, Length, SourceName, sink);
}

void ReadHexFile(const QString& FileName, uint8_t* Buffer, int32_t Size) {
  const std::vector<char> text = ReadImageFileBytes(FileName);
  ReadHexText(text.data(), text.size(), Buffer, Size, FileName);
}

namespace {

char* HexRecord(char* p, uint8_t length, uint16_t offset, uint8_t type, const uint8_t* data) {
  unsigned sum = length + (offset >> 8) + (offset & 0xFF) + type;
  *p++ = ':';
  p = PutHexByte(p, length);
  p = PutHexByte(p, offset >> 8);
  p = PutHexByte(p, offset & 0xFF);
  p = PutHexByte(p, type);
  for (int i = 0; i < length; ++i) {
    sum += data[i];
    p = PutHexByte(p, data[i]);
  }
  p = PutHexByte(p, (0x100 - (sum & 0xFF)) & 0xFF);
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

void EmitBlocks(const TFileChunkSink& sink, const std::vector<THexBlock>& blocks) {
  TChunkWriter out(sink);
  uint32_t upper = 0;  // the upper 16 address bits the reader will assume
  for (const THexBlock& block : blocks) {
    for (int64_t pos = 0; pos < block.Size; pos += 16) {
      const uint64_t address = block.Address + static_cast<uint64_t>(pos);
      if ((address >> 16) != upper) {
        upper = static_cast<uint32_t>(address >> 16);
        const uint8_t value[2] = {static_cast<uint8_t>(upper >> 8), static_cast<uint8_t>(upper)};
        out.Advance(HexRecord(out.Cursor(), 2, 0, 4, value));
      }
      const auto length = static_cast<uint8_t>(std::min<int64_t>(16, block.Size - pos));
      out.Advance(HexRecord(out.Cursor(), length, static_cast<uint16_t>(address & 0xFFFF), 0,
                            block.Data + pos));
    }
  }
  out.Advance(HexRecord(out.Cursor(), 0, 0, 1, nullptr));
  out.Flush();
}

}  // namespace

void WriteHexBlocks(const QString& FileName, const std::vector<THexBlock>& Blocks) {
  WriteFileAtomically(FileName, [&](const TFileChunkSink& sink) { EmitBlocks(sink, Blocks); });
}

void WriteHexFile(const QString& FileName, const uint8_t* Buffer, int32_t Size) {
  WriteHexBlocks(FileName, {THexBlock{0, Buffer, Size}});
}
