#pragma once
// A 24Cxx I2C serial EEPROM, any size of the chip catalogue (8 KiB to
// 256 KiB).
//
// The bus: the card's processor drives SCL; on SDA both chips meet. The
// EEPROM's SDA output is open drain: it pulls the line low or lets go
// (SdaOut). The processor's pin is whatever its port registers make it
// (TSdaDrive): an output carries the processor's level, and a high output
// wins over the EEPROM's pull-down (a contention: real silicon then reads
// its own high back); an input lets the EEPROM pull the line low, and
// otherwise the line is high when a pull-up holds it there and keeps its
// last level when nothing does (it floats). Bits are taken on the rising
// SCL edge; the EEPROM changes its own SDA drive on the falling SCL edge.
// SDA falling while SCL is high is a start condition, SDA rising while
// SCL is high a stop condition.
//
// Addressing: the control byte is 1010 followed by three select bits and
// R/W. On the parts up to 64 KiB all three select bits are the chip's
// address pins, wired to 0 on the card. On the 128-KiB part bit 1 carries
// address bit 16, on the 256-KiB part bits 1 and 2 carry address bits 16
// and 17; the select bits above them must be 0. Two address bytes follow
// (high byte first); address bits beyond the chip's size are ignored. The
// block bits count only in a control byte for writing: a read goes on
// from the current address, so a random read is a dummy write of the
// address and a repeated start with the read control byte.
//
// Writes: data bytes after the address go into the page of the address,
// wrapping inside the page. A stop after at least one data byte starts
// the write cycle (WriteCycleNs of virtual time); during it the chip
// ignores the bus and does not acknowledge its control byte (acknowledge
// polling). The data takes effect when the cycle is over; power lost
// before then loses the page. A start condition before the stop drops the
// data.
//
// Reads: bytes from the current address on, the address advancing after
// each byte and wrapping at the end of the chip; the master's acknowledge
// asks for the next byte, its not-acknowledge ends the read.

#include <cstdint>
#include <vector>

#include "images/DeviceCatalogue.h"
#include "sim/CardFaults.h"

// What the processor's SDA pin does to the line.
enum class TSdaDrive : uint8_t {
  Low,       // an output at 0
  High,      // an output at 1: wins over the EEPROM's pull-down
  PulledUp,  // an input with a pull-up (the pin's own or the card's)
  Floating,  // an input with nothing pulling: the line keeps its level
};

class TEeprom24Cxx {
public:
  TEeprom24Cxx(const EepromInfo& info, TCardFaults& faults);

  const EepromInfo& Info;
  std::vector<uint8_t> Memory;  // erased chip: 0xFF
  uint64_t WriteCycleNs = 5'000'000;

  // The processor's SCL level and SDA pin at virtual time nowNs.
  void Update(bool scl, TSdaDrive sda, uint64_t nowNs);
  // The same with SDA either pulled low or released to a pull-up.
  void Update(bool scl, bool sda, uint64_t nowNs) {
    Update(scl, sda ? TSdaDrive::PulledUp : TSdaDrive::Low, nowNs);
  }
  // The EEPROM's own SDA drive: false while it pulls SDA low.
  bool SdaOut() const { return DriveSda; }
  // The SDA line as both chips make it.
  bool SdaLine() const { return Line; }
  // Times the processor drove SDA high while the EEPROM pulled it low.
  uint64_t Contentions() const { return ContentionCount; }

  // Completes a write cycle whose time has passed.
  void Settle(uint64_t nowNs);
  bool Busy(uint64_t nowNs);
  // Power is gone: an unfinished write cycle is lost, the bus state too.
  void PowerLost(uint64_t nowNs);
  // Power is back: bus idle, lines high.
  void PowerUp();

  uint32_t CurrentAddress() const { return Address; }

private:
  enum class TState {
    Idle,         // waiting for a start condition
    Control,      // receiving the control byte
    AddressHigh,  // receiving address bits 15..8
    AddressLow,   // receiving address bits 7..0
    Data,         // receiving data bytes to write
    Send,         // sending data bytes
  };

  void SclRise(bool sda, uint64_t nowNs);
  void SclFall(uint64_t nowNs);
  void Start();
  void Stop(uint64_t nowNs);
  void ByteReceived(uint64_t nowNs);
  void Commit();
  // Works out the SDA line after either side changed its drive.
  void Relevel();

  TCardFaults& Faults;
  uint32_t SizeMask;
  uint32_t PageMask;
  int BlockBits;  // address bits carried in the control byte: 0, 1 or 2

  bool Scl = true;
  TSdaDrive Master = TSdaDrive::PulledUp;  // the processor's pin
  bool DriveSda = true;
  bool Line = true;
  bool InContention = false;
  uint64_t ContentionCount = 0;

  TState State = TState::Idle;
  int BitCount = 0;  // bits of the current byte taken (0..8), 8 = ack clock
  uint8_t Shift = 0;
  bool AckPending = false;  // pull SDA low on the ninth clock
  bool MasterAck = false;   // sending: the master acknowledged the byte
  uint32_t Address = 0;
  uint32_t Block = 0;  // block bits from the last write control byte

  // The page being loaded, then written.
  std::vector<uint8_t> PageData;
  std::vector<bool> PageLoaded;
  uint32_t PageBase = 0;
  uint32_t FirstOffset = 0;  // offset in the page of the first data byte
  int DataBytes = 0;
  bool Writing = false;
  uint64_t WriteEndNs = 0;
};
