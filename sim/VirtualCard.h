#pragma once
// The virtual card: an AT90S processor with its serial programming
// interface and a 24Cxx EEPROM on its port B, behind the two registers of
// a parallel port. It is a port I/O object of its own, so TLptPort reaches
// it with one indirect call per access.
//
// Registers (base = the port's address):
//   base      write: the data lines; read: the byte last written
//   base + 1  read: status. Bit 6 is MISO; bits 0-5 read 1 and bit 7
//             reads 0, as an idle port with nothing else connected reads
//             (inputs pulled high, BUSY inverted by the port)
//   any other address reads 0xFF; writes to it are ignored
//
// Wiring of the data lines:
//   bits 0-2  VCC: the card is powered while all three are set
//   bit 3     CLK: one processor cycle per rising edge while powered
//   bit 4     RESET: set = released, the processor runs from word 0;
//             clear = held, the serial programming interface runs
//   bit 5     MOSI: to PB5 (and to the programming interface)
//   bit 6     SCK: to PB7 (and to the programming interface)
//   status 6  MISO: from the programming interface while RESET is held,
//             from PB6 while the processor runs
// The 24Cxx hangs on PB0 (SDA) and PB1 (SCL). SCL is pulled up on the
// card. SDA is modelled pin by pin as the silicon has it: PB0 as an
// output carries the processor's level and reads it back whatever the
// EEPROM does (driving it high while the EEPROM pulls low is a
// contention, counted); PB0 as an input shows the EEPROM's open-drain
// output, pulled up by the pin's own pull-up (PORTB bit 0 set) or by the
// card's resistor (TVirtualCardConfig::SdaPullUp, off by default), and
// otherwise floating: the line keeps its last level, and a PINB read
// meanwhile is counted. Every processor model is wired this way, although
// the 8-pin AT90S2323/2343 have their programming pins elsewhere on the
// real chip.
//
// Line levels as the processor reads them (PINB): PB0 the SDA line, PB1
// the SCL line, PB5 MOSI and PB7 SCK from the PC; PB6 its own output, or
// high as an input (the port's pull-up on its status input); PB2-PB4,
// with nothing attached, the output level or, as inputs, the pull-up
// (PORTB bit set) or 0.
//
// Power: without VCC the card takes no clock and MISO reads low (the
// unpowered chip clamps the line). Power-off loses everything volatile:
// registers, SRAM, I/O, the state of the programming interface and of
// the I2C bus; writes still in progress are lost (SerialProgramming.h,
// Eeprom24Cxx.h). Flash, internal EEPROM and 24Cxx contents stay. The
// processor starts on the first rising CLK edge after power-on or RESET
// release; the chip's start-up time-out is not modelled.
//
// Lazy execution (CardTiming.h has the timing model): a write that only
// moves CLK costs a counter increment. The processor (or the programming
// interface) is brought up to the current clock edge only when another
// line changes, when the status register is read, on Sleep, and when a
// test inspects the card. Pin writes of the processor carry their cycle;
// they are applied to the lines in order, each at the clock edge the
// output delay gives, and a PINB read sees the lines as they were at the
// edge the input synchroniser gives.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "images/DeviceCatalogue.h"
#include "link/PortIo.h"
#include "sim/AvrCore.h"
#include "sim/Eeprom24Cxx.h"
#include "sim/SerialProgramming.h"
#include "sim/VirtualCardConfig.h"

class TVirtualCard final : public TPortIo, private TAvrPortB {
public:
  static constexpr uint16_t DefaultAddress = 0x0CA0;

  explicit TVirtualCard(const TVirtualCardConfig& config = {}, uint16_t address = DefaultAddress);
  ~TVirtualCard() override;
  TVirtualCard(const TVirtualCard&) = delete;
  TVirtualCard& operator=(const TVirtualCard&) = delete;

  // The port.
  uint8_t ReadPort(uint16_t address) override;
  void WritePort(uint16_t address, uint8_t value) override;
  void Sleep(uint32_t ms) override;
  uint32_t TickCount() override;
  uint64_t NowNs() override { return NowNsValue(); }
  // Lets `ns` of virtual time pass without a port access (what a batched
  // adapter's transfer costs beyond its line states).
  void Wait(uint64_t ns);

  // Brings the card up to the present: runs the pending cycles, applies
  // the pin writes the PC can see, completes writes whose time is over.
  // Every accessor below that gives a memory or the core calls it first.
  void Sync();

  TAvrCore& Core();
  std::vector<uint16_t>& Flash();  // the core's flash words
  std::vector<uint8_t>& InternalEeprom();
  TEeprom24Cxx& ExternalEeprom();
  TSerialProgramming& Programming();
  // Writes a flash image (word w at bytes 2w low, 2w + 1 high) from word
  // 0; the rest of flash is left as it is. Bytes past the flash are
  // ignored.
  void LoadFlash(const std::vector<uint8_t>& image);

  TCardFaults& Faults() { return Conf.Faults; }
  const TCardTiming& Timing() const { return Conf.Timing; }
  // New timing parameters (pin delays are clamped to 0..MaxPinDelay).
  void SetTiming(const TCardTiming& timing);

  uint16_t Address() const { return Base; }
  // The processor row the card was made from (the core's model).
  const ProcessorInfo& Processor() const { return Cpu.Model; }
  const EepromInfo& EepromChip() const { return EepromTable[Conf.EepromRow]; }

  uint64_t VirtualTimeNs() const { return NowNsValue(); }
  uint64_t PortAccesses() const { return Accesses; }
  // Rising CLK edges while powered, since the card was made.
  uint64_t ClockEdges() const { return Edges; }
  uint8_t DataLines() const { return DataReg; }
  bool Powered() const { return IsPowered; }
  bool Running() const { return IsPowered && ResetReleased; }
  // MISO as the PC would read it now (not counted as a port access).
  bool Miso();
  // MISO as a status read would give it now, the card brought up to the
  // present first, without the access's time: what a batched adapter's
  // sample between two states reads.
  bool SampleMiso();
  // How the processor treated the SDA line: the times it drove SDA high
  // while the EEPROM pulled it low, and the PINB reads made while SDA
  // floated (released with no pull-up). Both stay 0 for a sound program.
  uint64_t SdaContentions() const { return Ext.Contentions(); }
  uint64_t SdaFloatingReads() const { return FloatingReads; }

  // Called from the destructor (the port source uses it to forget the card).
  std::function<void(TVirtualCard*)> OnDestroyed;

private:
  struct TPinWrite {
    uint64_t At;  // the clock edge from which the lines show it
    uint64_t Ns;  // virtual time of that edge once known, else 0
    uint8_t Port;
    uint8_t Ddr;
  };
  struct TLineLevels {
    uint64_t From;  // first clock edge with these levels
    uint8_t Lines;
  };

  // TAvrPortB
  uint8_t ReadPinB(uint64_t cycle) override;
  void PortBWritten(uint8_t port, uint8_t ddr, uint64_t cycle) override;

  uint64_t NowNsValue() const { return BaseNs + (Accesses - BaseAccesses) * CostNs; }
  uint64_t EdgeNs(uint64_t edge) const;
  void MarkSync();
  void CatchUp();
  void WriteLines(uint8_t value);
  void PowerUp();
  void PowerDown();
  void ReleaseReset();
  void HoldReset();
  void ResetPins();
  void ApplyPinWrites(uint64_t upTo);
  void ApplyPinWrite(const TPinWrite& w);
  void RecordLines(uint64_t from, uint8_t lines);
  uint8_t LinesAt(uint64_t edge) const;
  bool PinMisoLevel() const;
  TSdaDrive SdaDrive(uint8_t port, uint8_t ddr) const;

  // Hot path first.
  uint64_t Accesses = 0;
  uint64_t Edges = 0;
  uint8_t DataReg = 0;
  uint8_t EdgeInc = 0;  // 1 while powered
  uint16_t Base;

  TVirtualCardConfig Conf;
  uint64_t CostNs;
  uint64_t BaseNs = 0;  // virtual time at BaseAccesses
  uint64_t BaseAccesses = 0;

  bool IsPowered = false;
  bool ResetReleased = false;

  TAvrCore Cpu;
  std::vector<uint8_t> Eeprom;
  TSerialProgramming Spi;
  TEeprom24Cxx Ext;
  uint64_t SpiEdges = 0;  // edges the programming interface has seen

  // The port B pins wired to the programmer's MOSI, MISO and SCK (the
  // processor row's), as masks.
  const uint8_t PinMosi;
  const uint8_t PinMiso;
  const uint8_t PinSck;

  // Where the last slow-path access left the clocks: edges after it come
  // one every two accesses (CLK high, CLK low).
  uint64_t SyncEdges = 0;
  uint64_t SyncNs = 0;
  bool SyncClkHigh = false;

  // Processor pin writes not yet on the lines, oldest first.
  std::array<TPinWrite, 32> PinQueue{};
  unsigned QueueHead = 0;
  unsigned QueueCount = 0;
  uint8_t PinPort = 0;  // PORTB and DDRB as the lines show them
  uint8_t PinDdr = 0;
  uint64_t FloatingReads = 0;

  // Recent data-line levels from the PC, newest at HistoryHead.
  std::array<TLineLevels, 16> History{};
  unsigned HistoryHead = 0;
  unsigned HistoryCount = 0;
};
