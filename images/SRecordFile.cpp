#include "images/SRecordFile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "images/ImageFileIo.h"
#include "images/RecordText.h"

namespace {

// Address bytes of each record type; 0 for S4, which is not used.
constexpr uint32_t AddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

}  // namespace

void ParseSRecords(const char* Text, size_t Length, const QString& SourceName, TRecordSink& Sink) {
  TRecordText text(Text, Length, SourceName);
  uint32_t dataRecords = 0;
  uint8_t bytes[256];  // address, data and checksum
  for (;;) {
    // The end record is optional: srec_cat, for one, writes none when it
    // has no start address. A record cut short is still refused below.
    if (!text.SkipLineEnds()) return;
    if (text.StartRecord() != 'S') text.Fail(HexMsgFormatError);

    const char* chars = text.Take(3);
    if (!chars) text.Fail(HexMsgUnexpectedEof);
    const uint32_t type = static_cast<uint32_t>(chars[0] - '0');
    if (type > 9 || AddressBytes[type] == 0) text.Fail(HexMsgFormatError);
    uint8_t count;  // bytes of address, data and checksum
    if (!DecodeHexBytes(chars + 1, 1, &count)) text.Fail(HexMsgFormatError);
    chars = text.Take(2 * size_t{count});
    if (!chars) text.Fail(HexMsgUnexpectedEof);
    if (!DecodeHexBytes(chars, count, bytes)) text.Fail(HexMsgFormatError);
    const uint32_t addressBytes = AddressBytes[type];
    if (count < addressBytes + 1) text.Fail(HexMsgFormatError);

    uint32_t sum = count;
    for (uint32_t i = 0; i < count; ++i) sum += bytes[i];
    if ((sum & 0xFF) != 0xFF) text.Fail(HexMsgChecksumError);

    uint32_t address = 0;
    for (uint32_t i = 0; i < addressBytes; ++i) address = address << 8 | bytes[i];
    const uint32_t length = count - addressBytes - 1;
    switch (type) {
      case 0: break;
      case 1:
      case 2:
      case 3: {
        uint8_t* dest = nullptr;
        if (!Sink.Place(address, length, dest)) text.Fail(HexMsgOutOfAddress);
        if (length > 0) std::memcpy(dest, bytes + addressBytes, length);
        ++dataRecords;
        break;
      }
      case 5:
      case 6: {
        // The count of data records so far, in full: a count field too
        // narrow for it cannot hold it, so it does not agree.
        if (length != 0 || address != dataRecords) text.Fail(HexMsgFormatError);
        break;
      }
      default:  // 7, 8, 9: the end, with a start address we have no use for
        if (length != 0) text.Fail(HexMsgFormatError);
        return;
    }
  }
}

void ReadSRecordText(const char* Text, size_t Length, uint8_t* Buffer, int32_t Size,
                     const QString& SourceName) {
  TBufferSink sink(Buffer, Size);
  ParseSRecords(Text, Length, SourceName, sink);
}

void ReadSRecordFile(const QString& FileName, uint8_t* Buffer, int32_t Size) {
  const std::vector<char> text = ReadImageFileBytes(FileName);
  ReadSRecordText(text.data(), text.size(), Buffer, Size, FileName);
}

namespace {

char* SRecord(char* p, unsigned type, uint32_t address, const uint8_t* data, unsigned length) {
  const unsigned addressBytes = AddressBytes[type];
  const unsigned count = addressBytes + length + 1;
  unsigned sum = count;
  *p++ = 'S';
  *p++ = static_cast<char>('0' + type);
  p = PutHexByte(p, count);
  for (unsigned i = addressBytes; i-- > 0;) {
    const unsigned byte = (address >> (8 * i)) & 0xFF;
    sum += byte;
    p = PutHexByte(p, byte);
  }
  for (unsigned i = 0; i < length; ++i) {
    sum += data[i];
    p = PutHexByte(p, data[i]);
  }
  p = PutHexByte(p, ~sum & 0xFF);
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

void EmitSRecords(const TFileChunkSink& sink, const uint8_t* buffer, int32_t size) {
  TChunkWriter out(sink);
  static constexpr char header[] = "Pellar Remake";
  out.Advance(
      SRecord(out.Cursor(), 0, 0, reinterpret_cast<const uint8_t*>(header), sizeof header - 1));

  const uint32_t highest = size > 0 ? static_cast<uint32_t>(size - 1) : 0;
  const unsigned dataType = highest <= 0xFFFF ? 1 : highest <= 0xFFFFFF ? 2 : 3;
  uint32_t records = 0;
  for (int64_t pos = 0; pos < size; pos += 16, ++records) {
    const auto length = static_cast<unsigned>(std::min<int64_t>(16, size - pos));
    out.Advance(SRecord(out.Cursor(), dataType, static_cast<uint32_t>(pos), buffer + pos, length));
  }
  if (records <= 0xFFFF) {
    out.Advance(SRecord(out.Cursor(), 5, records, nullptr, 0));
  } else if (records <= 0xFFFFFF) {
    out.Advance(SRecord(out.Cursor(), 6, records, nullptr, 0));
  }
  out.Advance(SRecord(out.Cursor(), 10 - dataType, 0, nullptr, 0));
  out.Flush();
}

}  // namespace

void WriteSRecordFile(const QString& FileName, const uint8_t* Buffer, int32_t Size) {
  WriteFileAtomically(FileName,
                      [&](const TFileChunkSink& sink) { EmitSRecords(sink, Buffer, Size); });
}
