#pragma once
// One adapter's side of the card's line stream (LineStream.h): it puts
// line states on the card's lines, reads MISO back and keeps the clock the
// link's waits run on.
//
// A line state is a byte of the bit link's Lines:: bits (VCC, CLK, RESET,
// MOSI, SCK); the backend's line map turns it into its own pins' levels.
//
// Two kinds:
// - Immediate (the parallel port, raw I/O, the virtual card, GPIO): Put
//   applies a state before it returns and Miso reads the line at once.
// - Batched (USB): the stream collects states and the samples taken
//   between them, and hands them over in one Transfer when it is flushed;
//   a sample's value is known only after the transfer that covers it.
//   RoundTripNs says what a transfer costs beyond its states, so that the
//   commands can weigh a flush against a wait. A batched backend may take
//   waits inside a transfer (WaitsInTransfer): the states before a wait
//   are applied, the wait runs on the backend's clock, then the states
//   after it follow, without a round trip in between.
//
// A backend that loses its device (unplugged, a USB error) throws
// EAdapterLost from any call; the running command then ends as it does
// when the card stops answering.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

class TPortIo;

// A wait inside a transfer: `Ns` nanoseconds after the first `At` states
// have been applied (and before the samples taken at that point).
struct TLineWait {
  uint32_t At;
  uint64_t Ns;
};

class EAdapterLost : public std::runtime_error {
public:
  explicit EAdapterLost(const std::string& text) : std::runtime_error(text) {}
};

class TLineBackend {
public:
  virtual ~TLineBackend() = default;

  // ---- Immediate backends -------------------------------------------------
  virtual void Put(uint8_t lines) = 0;
  virtual bool Miso() = 0;

  // ---- Batched backends ---------------------------------------------------
  virtual bool Batched() const { return false; }
  // Applies states[0..count) in order and takes `samples` samples of MISO:
  // sample i after the first sampleAt[i] states (ascending), its level
  // (0 or 1) into levels[i]; and, where WaitsInTransfer, the `waitCount`
  // waits (ascending At). Returns when every level has come.
  virtual void Transfer(const uint8_t* /*states*/, size_t /*count*/, const uint32_t* /*sampleAt*/,
                        size_t /*samples*/, uint8_t* /*levels*/, const TLineWait* /*waits*/,
                        size_t /*waitCount*/) {}
  // Whether Transfer takes waits; else the stream flushes before a wait
  // and then sleeps.
  virtual bool WaitsInTransfer() const { return false; }
  // The most states one transfer should carry; the stream flushes when
  // its queue is this full.
  virtual size_t MaxTransfer() const { return 65536; }
  // What one transfer costs beyond its states (a USB round trip), and the
  // time one line state takes on the wire; 0 for immediate backends.
  virtual uint64_t RoundTripNs() const { return 0; }
  virtual uint64_t StateNs() const { return 0; }

  // ---- The clock ----------------------------------------------------------
  // Real sleep and time for hardware; virtual time for the virtual card.
  virtual void Sleep(uint32_t ms) = 0;
  virtual uint32_t TickCount() = 0;
  virtual uint64_t NowNs() = 0;

  // What messages call the adapter ("FT232R USB adapter A50285BI"); empty
  // for a parallel port, whose messages speak of the LPT port.
  virtual std::string AdapterName() const { return ""; }

  // The parallel port's register object when this backend drives one
  // (the raw WriteData and ReadAck of the port object); null otherwise.
  virtual TPortIo* PortIo() const { return nullptr; }
  // The register object when a line state is exactly the data register's
  // byte and MISO status bit 6 (the passive adapter), so that the stream
  // can write the port directly; null otherwise.
  virtual TPortIo* DirectIo() const { return nullptr; }
  virtual uint16_t DirectAddress() const { return 0; }
};
