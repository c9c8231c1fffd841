#include "link/IspLink.h"

void TIspLink::ResetPulse() {
  DataLatch |= Lines::Reset;
  Write();
  StrobeTick();
  Delay(100);
  DataLatch &= ~Lines::Reset;
  Write();
  Delay(60);
}

void TIspLink::PowerOn() {
  DataLatch = 0;
  Write();
  DataLatch |= Lines::Vcc;
  Write();
  ResetPulse();
}

void TIspLink::PowerOff() {
  DataLatch = (DataLatch | Lines::Reset) & ~Lines::Clk;
  Write();
  DataLatch = 0;
  Write();
  // The card is off when this returns, on a batched link too.
  Flush();
}

void TIspLink::SendByte(uint8_t b) {
  if (Batched()) {
    SendByteBatched(b);
    return;
  }
  for (uint8_t mask = 0x80; mask != 0; mask >>= 1) {
    if (b & mask)
      DataLatch |= Lines::Mosi;
    else
      DataLatch &= ~Lines::Mosi;
    Write();
    ClockPulse();
  }
  // MOSI goes low with the first write of the closing tick.
  DataLatch &= ~Lines::Mosi;
  StrobeTick();
}

uint8_t TIspLink::ReceiveByte() {
  uint8_t r = 0;
  ReceiveByteInto(&r);
  Flush();
  return r;
}

void TIspLink::ReceiveByteInto(uint8_t* dest) {
  if (Batched()) {
    ReceiveByteBatched(dest);
    return;
  }
  // Most significant bit first.
  for (uint8_t mask = 0x80; mask != 0; mask >>= 1) {
    ClockHigh();
    ClockLow(false);
    // Sampled before the next tick: the card has not been clocked since
    // the falling SCK edge.
    SampleMiso(dest, mask);
    StrobeTick();
  }
}

// A batched adapter pays for every state on the wire, so its bits change
// lines together with the clock: four states a bit (two card clocks, as
// above) instead of seven. The card reads SCK and MOSI at a rising clock
// edge; SCK changes only while the clock is low, and MOSI changes with
// SCK's falling edge, so it is steady a whole clock before the edge that
// takes it.
void TIspLink::SendByteBatched(uint8_t b) {
  const auto mosi = [this](bool high) {
    DataLatch = static_cast<uint8_t>(high ? DataLatch | Lines::Mosi : DataLatch & ~Lines::Mosi);
  };
  // The first bit on MOSI while SCK is low, unless it is there already
  // (DataLatch is what was written last).
  if (((DataLatch & Lines::Mosi) != 0) != ((b & 0x80) != 0)) {
    mosi(b & 0x80);
    Write();
  }
  for (uint8_t mask = 0x80; mask != 0; mask >>= 1) {
    DataLatch = (DataLatch | Lines::Sck) & ~Lines::Clk;  // SCK rises
    Write();
    DataLatch |= Lines::Clk;  // the card takes MOSI
    Write();
    DataLatch &= ~(Lines::Clk | Lines::Sck);  // SCK falls, MOSI the next bit
    mosi((b & (mask >> 1)) != 0);
    Write();
    DataLatch |= Lines::Clk;  // the card sees SCK low
    Write();
  }
  DataLatch &= ~Lines::Clk;
  Write();
}

void TIspLink::ReceiveByteBatched(uint8_t* dest) {
  for (uint8_t mask = 0x80; mask != 0; mask >>= 1) {
    DataLatch = (DataLatch | Lines::Sck) & ~Lines::Clk;  // SCK rises
    Write();
    DataLatch |= Lines::Clk;
    Write();
    DataLatch &= ~(Lines::Clk | Lines::Sck);  // SCK falls
    Write();
    // What the card's last falling SCK edge put out.
    SampleMiso(dest, mask);
    DataLatch |= Lines::Clk;  // the card sees SCK low: the next bit out
    Write();
  }
  DataLatch &= ~Lines::Clk;
  Write();
}
