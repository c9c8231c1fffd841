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
