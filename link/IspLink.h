#pragma once
// The bit link: the line assignment of the adapter and the primitives every
// card operation is made of. Every line change is a read-modify-write of
// DataLatch followed by one write of the data register; nothing reads the
// data register back.
//
//   data bits 0-2  VCC (switched together)   data bit 5  MOSI
//   data bit 3     CLK (card clock)          data bit 6  SCK
//   data bit 4     RESET (set = released)    data bit 7  never set
//   status bit 6   MISO
//
// The card has no clock of its own: it advances one cycle per StrobeTick.

#include <cstdint>

#include "link/TLpt.h"

namespace Lines {
constexpr uint8_t Vcc = 0x07;
constexpr uint8_t Clk = 0x08;
constexpr uint8_t Reset = 0x10;
constexpr uint8_t Mosi = 0x20;
constexpr uint8_t Sck = 0x40;
}  // namespace Lines

class TIspLink {
public:
  explicit TIspLink(TLptPort& port) : Port(port) {}

  uint8_t DataLatch = 0;

  void Write() { Port.WriteData(DataLatch); }

  // Waits on the port's clock; pending window events are not processed.
  void Delay(uint32_t ms) { Port.Delay(ms); }
  uint32_t TickCount() { return Port.TickCount(); }

  void StrobeTick() {
    DataLatch |= Lines::Clk;
    Write();
    DataLatch &= ~Lines::Clk;
    Write();
  }
  void ClockHigh() {
    DataLatch |= Lines::Sck;
    Write();
    StrobeTick();
  }
  void ClockLow(bool withTick) {
    DataLatch &= ~Lines::Sck;
    Write();
    if (withTick) StrobeTick();
  }
  void ClockPulse() {
    ClockHigh();
    ClockLow(true);
  }
  void ResetPulse();
  void PowerOn();
  void PowerOff();
  void SendByte(uint8_t b);
  uint8_t ReceiveByte();

  TLptPort& Port;
};
