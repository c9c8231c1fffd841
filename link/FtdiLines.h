#pragma once
// The line stream's backend on an FTDI chip in synchronous bit-bang mode
// (FtdiChip.h): batched. A transfer's line states go through the
// adapter's line map to pin bytes, are written in chunks that never keep
// more bytes outstanding than the chip holds, and the bytes that come
// back are read as they come, interleaved with the writes, until every
// one has come. A sample after the first k states is read byte k: the
// chip reads the pins before it applies each byte, so a sample comes one
// byte behind the state it shows, and a sample after the last state costs
// one more byte (the last state again).
//
// Waits ride in a transfer (a chip's write time, a reset pulse): the bytes
// before a wait are written, and the host sleeps until they are on the
// pins (the chip clocks what it holds at least one state time a byte) and
// the wait has passed, then writes on. Meanwhile the chip's latency timer
// runs out, so what it read comes at once when it is asked for: a wait
// costs no round trip.
//
// Safety: the chip is opened in UART mode, where its pins idle high (the
// built-in wiring's supply pin is high then, and a pull resistor holds the
// card's supply off while no pin drives it); the first byte after the
// change to bit-bang mode is the off state, and the chip leaves bit-bang
// mode only after the off state has been written and read back, when it
// is closed.
//
// A USB error (the board pulled out, a transfer that fails) throws
// EAdapterLost, naming the adapter.

#include <memory>
#include <string>
#include <vector>

#include "link/AdapterDefinition.h"
#include "link/FtdiChip.h"
#include "link/LineBackend.h"

class TFtdiLines final : public TLineBackend {
public:
  // How the chip is found and driven.
  struct TTarget {
    uint16_t Vendor = FtdiVendorId;
    uint16_t Product = 0;
    std::string Serial;   // empty: the first chip of these ids
    int Interface = 0;    // 0 = A
    uint32_t Rate = 0;    // 0: the chip's highest
    std::string Name;     // what messages call it ("FT232R USB adapter A50285BI")
  };

  // Opens the chip, puts it into synchronous bit-bang mode and writes the
  // off state; null with `error` set (one sentence naming the adapter)
  // when it cannot.
  static std::unique_ptr<TFtdiLines> Open(std::unique_ptr<TFtdiChip> chip,
                                          const TAdapterDefinition& adapter, const TTarget& target,
                                          std::string& error);
  // Switches the card off, leaves bit-bang mode and closes the chip.
  ~TFtdiLines() override;

  // One state at once, and MISO now (a transfer each).
  void Put(uint8_t lines) override;
  bool Miso() override;

  bool Batched() const override { return true; }
  void Transfer(const uint8_t* states, size_t count, const uint32_t* sampleAt, size_t samples,
                uint8_t* levels, const TLineWait* waits, size_t waitCount) override;
  // A wait inside a transfer runs on the host's clock from when the bytes
  // before it are on the pins; it costs no round trip.
  bool WaitsInTransfer() const override { return true; }
  // Room for Verify Flash's clock check (a million ticks of two states).
  size_t MaxTransfer() const override { return size_t{1} << 21; }
  uint64_t RoundTripNs() const override { return Pace.RoundTripNs; }
  uint64_t StateNs() const override { return Pace.StateNs; }

  void Sleep(uint32_t ms) override;
  uint32_t TickCount() override;
  uint64_t NowNs() override;

  std::string AdapterName() const override { return Target.Name; }

  // The most bytes ever outstanding (written, not yet read back).
  size_t MostOutstanding() const { return FMostOutstanding; }
  // How long a read may bring nothing before the chip counts as lost.
  static constexpr uint64_t AnswerTimeoutNs = 2'000'000'000;

private:
  TFtdiLines(std::unique_ptr<TFtdiChip> chip, const TAdapterDefinition& adapter,
             const TTarget& target);
  // Writes `count` bytes and reads as many back into `in`, with the waits
  // between them.
  void Exchange(const uint8_t* out, size_t count, uint8_t* in, const TLineWait* waits,
                size_t waitCount);
  [[noreturn]] void Lost(const std::string& what);
  // The off state written and read back, bit-bang mode left, the chip
  // closed; errors are passed over (the chip may be gone).
  void Shut();

  std::unique_ptr<TFtdiChip> Chip;
  TByteLineMap Map;
  TTarget Target;
  size_t Buffer = 0;
  TFtdiPace Pace;
  bool Gone = false;    // lost: nothing more is written
  bool Closed = false;
  bool BitBang = false;  // the chip was put into bit-bang mode
  uint8_t LastOut = 0;
  size_t FMostOutstanding = 0;
  std::vector<uint8_t> OutBytes, InBytes;
};
