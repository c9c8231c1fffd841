#pragma once
// The dozen libftdi1 calls the FTDI adapter uses, behind one small
// interface, so that a test can put a stand-in chip (sim/FtdiStandIn.h)
// where the USB board would be. The real one is TLibFtdiChip
// (LibFtdiChip.h).
//
// What the adapter builds on, from FTDI's documents (AN232R-01, the
// FT232R, FT232H and FT2232H data sheets):
// - In synchronous bit-bang mode the chip reads the pins, then puts the
//   byte it was sent on the outputs; the byte read for written byte k
//   shows the pins before byte k, so the effect of byte k comes back with
//   byte k + 1. Every byte written gives one byte read.
// - The chip clocks a byte out only when it has room for the byte it
//   reads: bytes written beyond what its buffers hold stall the write
//   until the host reads (FT232R: 128 bytes towards the host, 256 from
//   it; FT232H 1 KiB each way; FT2232H 4 KiB each way per channel).
// - A read returns what has come, which may be fewer bytes than asked or
//   none. The chip sends a USB packet as soon as it is full (62 bytes of
//   data at full speed, the FT232R; 510 at high speed) and a partial one
//   only when its latency timer runs out.
// - Outside bit-bang mode (UART mode: plugged in and not held, or after
//   the program lets go) the outputs idle high and the inputs are pulled
//   up to VCCIO; while the mode changes the pins may glitch.
//
// Every call returns what its libftdi1 function returns: 0 or a count on
// success, a negative code on failure, with ErrorText() saying why.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

inline constexpr uint16_t FtdiVendorId = 0x0403;

// The chips the adapter knows by their default ids.
enum class TFtdiChipType { Unknown, FT232R, FT232H, FT2232H };

struct TFtdiChipFacts {
  TFtdiChipType Type;
  const char* Name;         // "FT232R"
  uint16_t ProductId;       // FTDI's default id
  size_t BufferBytes;       // the smaller of the chip's two buffers (one channel)
  uint32_t HighestRate;     // the fastest bit-bang rate, in ftdi_set_baudrate's terms
  int Interfaces;           // channels (A, B...)
};
// The facts of a chip type; of the FT232R (the smallest buffers) for an
// unknown one.
const TFtdiChipFacts& FtdiChipFacts(TFtdiChipType type);
// The chip FTDI's default product id names, or Unknown.
TFtdiChipType FtdiChipByProduct(uint16_t productId);

// libftdi1's bit modes the adapter uses.
inline constexpr uint8_t FtdiModeReset = 0x00;     // BITMODE_RESET: back to UART mode
inline constexpr uint8_t FtdiModeSyncBang = 0x04;  // BITMODE_SYNCBB

// How long a line state and a round trip take on this chip at the rate
// set: what the commands weigh a flush against a wait with.
struct TFtdiPace {
  uint64_t StateNs = 0;
  uint64_t RoundTripNs = 0;
};

class TFtdiChip {
public:
  virtual ~TFtdiChip() = default;

  // ftdi_set_interface, the context's module_detach_mode set to
  // AUTO_DETACH_REATACH_SIO_MODULE (the board's serial port comes back when
  // the chip is closed), then ftdi_usb_open_desc by ids and serial number
  // (empty: the first chip of those ids). libftdi1's codes: -3 no such
  // device, -4 it cannot be opened (permissions), -5 it cannot be claimed
  // (another program holds it).
  virtual int Open(uint16_t vendor, uint16_t product, const std::string& serial,
                   int interfaceIndex) = 0;
  // The chip's type once open (the context's type field).
  virtual TFtdiChipType Type() const = 0;
  virtual int SetLatencyTimer(uint8_t ms) = 0;                 // ftdi_set_latency_timer
  virtual int SetBitMode(uint8_t outputMask, uint8_t mode) = 0;  // ftdi_set_bitmode
  virtual int SetBaudRate(int rate) = 0;                       // ftdi_set_baudrate
  virtual int Flush() = 0;                                     // ftdi_tcioflush
  virtual int WriteData(const uint8_t* data, int size) = 0;    // ftdi_write_data
  // ftdi_read_data; of more than a packet's worth it may bring only the
  // whole packets.
  virtual int ReadData(uint8_t* data, int size) = 0;
  virtual int Close() = 0;                                     // ftdi_usb_close
  virtual std::string ErrorText() const = 0;                   // ftdi_get_error_string

  // A line state's time and a round trip's at `rate` (ftdi_set_baudrate's
  // terms) with the latency timer at 1 ms.
  virtual TFtdiPace Pace(uint32_t rate) const = 0;

  // The host's clock: real time for the board, virtual time for a
  // stand-in behind the virtual card.
  virtual void SleepNs(uint64_t ns) = 0;
  virtual uint64_t NowNs() = 0;
};

// One FTDI device on the USB bus, as discovery sees it (it opens
// nothing).
struct TFtdiDeviceInfo {
  uint16_t Vendor = 0;
  uint16_t Product = 0;
  std::string Serial;        // may be empty (a board without one)
  std::string Description;   // the product string ("FT232R USB UART")
  std::string BusPath;       // where it sits ("1-1.2"), for messages
  // The kernel's serial ports of the device (/dev/ttyUSB0), one per
  // interface that has one: the system uses the board while they exist.
  std::vector<std::string> SerialPorts;
};

// The bus: lists the devices of given ids and makes chip objects.
class TFtdiBus {
public:
  virtual ~TFtdiBus() = default;
  // Every device whose vendor:product is one of `ids` (vendor << 16 |
  // product).
  virtual std::vector<TFtdiDeviceInfo> List(const std::vector<uint32_t>& ids) = 0;
  virtual std::unique_ptr<TFtdiChip> NewChip() = 0;
};
