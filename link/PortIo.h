#pragma once
// The two hardware operations the card link is built from, plus the clock
// that its waits run on. One object of this interface stands behind each
// port the port object has opened: ppdev, raw I/O, or the virtual card.

#include <cstdint>

class TPortIo {
public:
  virtual ~TPortIo() = default;

  // The byte currently at the I/O port `address` (data register at the
  // base, status register at base + 1).
  virtual uint8_t ReadPort(uint16_t address) = 0;
  // Writes `value` to the I/O port `address` before returning.
  virtual void WritePort(uint16_t address, uint8_t value) = 0;

  // The clock of this port: real sleep and a steady millisecond counter
  // for hardware; virtual time for the virtual card.
  virtual void Sleep(uint32_t ms) = 0;
  virtual uint32_t TickCount() = 0;
  // The same clock in nanoseconds, for telling where a command's time
  // went; by default the millisecond counter's resolution.
  virtual uint64_t NowNs() { return uint64_t{TickCount()} * 1'000'000; }
};

// Real time: the operating system's sleep and a steady millisecond clock.
void RealSleep(uint32_t ms);
uint32_t RealTickCount();
uint64_t RealNowNs();

// Real time for hardware backends.
class TRealClockPortIo : public TPortIo {
public:
  void Sleep(uint32_t ms) override { RealSleep(ms); }
  uint32_t TickCount() override { return RealTickCount(); }
  uint64_t NowNs() override { return RealNowNs(); }
};
