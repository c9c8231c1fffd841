#pragma once
// The bit link: the card's lines and the primitives every card operation
// is made of. Every line change is a read-modify-write of DataLatch
// followed by one line state on the port's line stream (LineStream.h);
// nothing reads a state back. The bits of a line state are those of the
// passive parallel-port adapter's data register, which that adapter
// writes as they are (other adapters map them onto their pins):
//
//   bits 0-2  VCC (switched together)   bit 5  MOSI
//   bit 3     CLK (card clock)          bit 6  SCK
//   bit 4     RESET (set = released)    bit 7  never set
//   MISO comes back as a sample of the stream (status bit 6 there).
//
// The card has no clock of its own: it advances one cycle per StrobeTick.
//
// Samples: on an immediate adapter MISO is read where the primitive
// samples it; on a batched one the sample is queued with the states and
// its value arrives when the stream is flushed. ReceiveByteInto hands back
// a byte that way; ReceiveByte and ReadMiso flush and give the value. A
// batched link sends and receives a byte in fewer states, with the same
// card clocks (IspLink.cpp).

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

  void Write() { Port.Lines().Put(DataLatch); }

  // Waits on the port's clock after every state queued so far has been
  // applied; pending window events are not processed.
  void Delay(uint32_t ms) { Port.Delay(ms); }
  uint32_t TickCount() { return Port.TickCount(); }

  // MISO now (a batched stream is flushed first).
  bool ReadMiso() { return Port.Lines().Miso(); }
  // MISO here in the stream into the bits `mask` of *dest; *dest must stay
  // valid until the stream is flushed (Flush, ReadMiso, Delay, TickCount).
  void SampleMiso(uint8_t* dest, uint8_t mask) { Port.Lines().SampleInto(dest, mask); }
  bool Batched() const { return Port.Lines().Batched(); }
  void Flush() { Port.Lines().Flush(); }

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
  // ReceiveByte into *dest, whose value is complete once the stream has
  // been flushed.
  void ReceiveByteInto(uint8_t* dest);

  TLptPort& Port;

private:
  // SendByte and ReceiveByteInto on a batched link (IspLink.cpp).
  void SendByteBatched(uint8_t b);
  void ReceiveByteBatched(uint8_t* dest);
};
