#pragma once
// The text formats (Intel HEX, Motorola S-record) are parsed into a sink
// that decides where each data record's bytes go; the same parsers serve a
// single image, a whole-card image and a first look at a file's addresses.

#include <cstdint>

class TRecordSink {
public:
  virtual ~TRecordSink() = default;
  // Where the Length bytes of a data record addressed at Address go (Dest),
  // or false when they may go nowhere: the parser then raises "Out of
  // address!" for the record, and stores nothing of it.
  virtual bool Place(uint64_t Address, uint32_t Length, uint8_t*& Dest) = 0;
};

// A buffer that takes addresses Base .. Base + Size - 1.
class TBufferSink : public TRecordSink {
public:
  TBufferSink(uint8_t* Data, int32_t Size, uint64_t Base = 0)
      : FData(Data), FSize(Size > 0 ? static_cast<uint64_t>(Size) : 0), FBase(Base) {}
  bool Place(uint64_t Address, uint32_t Length, uint8_t*& Dest) override {
    // 64-bit arithmetic: no address of a record can wrap around.
    if (Address < FBase || Address - FBase + Length > FSize) return false;
    Dest = FData + (Address - FBase);
    return true;
  }

private:
  uint8_t* FData;
  uint64_t FSize;
  uint64_t FBase;
};
