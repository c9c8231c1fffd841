#pragma once
// The loader's handshakes as the PC sees them, in ticks: where MISO rises
// and falls on every path of the loader program (link/loader/Loader.S)
// between two bytes. The loader runs a fixed number of cycles on each
// path (the PC supplies every cycle), so once the PC has seen one
// handshake it knows the tick of every later one, up to the waits on the
// EEPROM's write cycle. A batched link (LineStream.h) uses this to put a
// byte's bits on MOSI where the loader samples them without a round trip
// per handshake; it then checks the samples it took against these ticks.
//
// Ticks are the PC's positions: a handshake is "seen at tick t" when the
// sample after the t-th tick is the first to show it, as the loop that
// waits on MISO one tick at a time finds it. Differences between two
// handshakes do not depend on the card's pin delays, which shift every
// MISO change alike.
//
// The figures are the loader's cycle counts (one cycle per tick):
//   ReceiveByte: ready (SBI, write in its second cycle) to acknowledge
//     (CBI): LDI, 2 NOP, CLC, 8 bits of 5 cycles less the last branch's
//     cycle, CBI = 45.
//   SEND_BYTE: start to end of byte 60, or 58 when bit 0 is 0 (the line
//     is low from the last bit on); one byte of a read-back (I2C_ACK,
//     I2C_READ, SEND_BYTE and the loop's count) 154, and no less in the
//     read-all stream (2 more every 256 bytes, where the address's
//     middle byte is counted, and the next block's addressing every
//     64 KiB).
//   I2cWrite of v (with RCALL and RET): 88 cycles plus one per 1 bit.
// The rest are the instruction cycles between the acknowledge of one byte
// (or the start of the last byte of a read-back) and the next ready.
// LoaderTimingTest measures every one on the virtual card, which runs the
// assembled loader cycle by cycle.

#include <bit>
#include <cstdint>

namespace LoaderTiming {

constexpr int ReadyToAck = 45;
constexpr int StartToEnd(uint8_t b) { return (b & 1) ? 60 : 58; }
constexpr int StreamedByte = 154;

// I2cWrite of v, from its RCALL to its RET.
constexpr int I2cWrite(uint8_t v) { return 88 + std::popcount(v); }

// Acknowledge of a command byte to the next ready.
constexpr int AfterIgnored = 14;      // a command whose low bits are 7
constexpr int AfterStartWrite = 32;   // then the page's first byte
constexpr int AfterNextPage = 24;
constexpr int AfterRepeatPage = 20;
// Acknowledge of a page's first byte to the next ready: the page is
// addressed (start, control byte, two address bytes) and the byte
// written, each an I2cWrite, around these cycles.
constexpr int AfterPageFirst = 43;
// Acknowledge of a later byte to the next ready: the byte's I2cWrite
// around these cycles (the last byte's also ends the page).
constexpr int AfterPageByte = 14;
constexpr int AfterPageLast = 36;
// Start of a read-back page's last byte to the next ready.
constexpr int AfterReadBack = 107;

}  // namespace LoaderTiming

// What the loader does with the bytes the PC sends it, as far as the
// handshakes' ticks depend on it: the command loop, a page being
// received, and the address and page length it keeps.
class TLoaderModel {
public:
  enum TNext {
    nxReady,     // it waits for another byte, ready at Ready()
    nxReadBack,  // it reads back the page just written (after the write cycle)
    nxReadAll,   // it streams the EEPROM from address 0
  };

  // The loader's state after a (re)start: in its command loop.
  void Reset();
  // The loader acknowledged byte `b` at tick `ack`.
  TNext Sent(uint8_t b, int64_t ack);
  // The last byte of a read-back started at tick `start`: the loader is
  // back in its command loop, ready at Ready().
  void ReadBackDone(int64_t lastStart);
  int64_t Ready() const { return FReady; }
  int PageLength() const { return FPageLength; }

private:
  enum TState { stCommand, stPageFirst, stPageData };
  TState FState = stCommand;
  int64_t FReady = 0;
  uint32_t FAddress = 0;  // of the page being written
  int FPageLength = 0;
  int FLeft = 0;          // bytes of the page still to come
};
