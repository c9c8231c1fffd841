#pragma once
// An AT90S-family AVR core: the classic instruction set as the AT90S8515
// has it (no MUL family, no MOVW, no JMP/CALL, no LPM Rd,Z / Rd,Z+, no
// ELPM, no SPM, no BREAK/EIJMP/EICALL), with the classic core's cycle
// counts, the 32 registers, the I/O space and the internal SRAM.
//
// The core knows nothing of the card around it. Port B is reached through
// TAvrPortB, which the card implements; every other I/O register is plain
// storage (SREG, SPL and SPH live in the I/O space as on the chip). Time is
// counted in clock cycles (`Cycle`); the card decides when the core runs
// (RunUntil) and when the outside world sees its pin writes.
//
// Cycle numbering: an instruction that starts when `Cycle` is c occupies
// the cycles c .. c+n-1 and leaves `Cycle` at c+n. Port B accesses carry
// the number of the cycle in which they happen:
//   IN, SBIC, SBIS          read PINB in cycle c
//   OUT                     writes in cycle c
//   SBI, CBI                read in cycle c, write in cycle c+1
//   LD/LDD/LDS, ST/STD/STS  read or write in cycle c+1
// So a RunUntil(target) may report an access at a cycle >= target (an
// instruction that starts at target-1 and takes 2 or 3 cycles).
//
// Not modelled: interrupt sources, timers, the UART/SPI/analog blocks and
// the watchdog. SEI/CLI only change the I flag, WDR is a one-cycle no-op,
// and SLEEP with MCUCR.SE (bit 5) set puts the core to sleep for good
// (Stop = Sleep: nothing could wake it); with SE clear SLEEP is a no-op.
//
// Data space outside the model's memory: reads give 0xFF, writes are
// dropped, so no access (a runaway pointer, a stack that overflows or
// underflows the SRAM) ever leaves the arrays. Inside the data space the
// core does what the chip does: a stack that grows below 0x60 writes into
// the I/O registers and then the general registers. Models whose data
// space fits in 256 bytes (AT90S4433, 2343, 2323) have an 8-bit stack
// pointer: SP wraps within 8 bits and SPH stays 0.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "images/DeviceCatalogue.h"

// The processor the core is: a row of the chip catalogue (its name,
// signature and memory sizes; the core reads no other field).
using TAvrModel = ProcessorInfo;

// I/O addresses (I/O space; data space is I/O + 0x20).
namespace AvrIo {
constexpr uint8_t PINB = 0x16;
constexpr uint8_t DDRB = 0x17;
constexpr uint8_t PORTB = 0x18;
constexpr uint8_t MCUCR = 0x35;
constexpr uint8_t SPL = 0x3D;
constexpr uint8_t SPH = 0x3E;
constexpr uint8_t SREG = 0x3F;
}  // namespace AvrIo

// SREG bits.
namespace AvrFlag {
constexpr uint8_t C = 0x01;
constexpr uint8_t Z = 0x02;
constexpr uint8_t N = 0x04;
constexpr uint8_t V = 0x08;
constexpr uint8_t S = 0x10;
constexpr uint8_t H = 0x20;
constexpr uint8_t T = 0x40;
constexpr uint8_t I = 0x80;
}  // namespace AvrFlag

// Port B as the core sees it. The card implements it. The callbacks must
// not call back into the core (no RunUntil, Reset or flash changes).
class TAvrPortB {
public:
  virtual ~TAvrPortB() = default;
  // The value an instruction reads from PINB when its read happens at
  // `cycle` (the card applies its input synchroniser delay).
  virtual uint8_t ReadPinB(uint64_t cycle) = 0;
  // PORTB or DDRB was written by an instruction; the write happens at
  // `cycle` (the card applies its output delay). Writes to PINB are
  // ignored by the chip and are not reported.
  virtual void PortBWritten(uint8_t port, uint8_t ddr, uint64_t cycle) = 0;
};

enum class TAvrStop {
  None,             // running
  UndefinedOpcode,  // StopOpcode at StopPc could not be decoded
  Sleep,            // SLEEP at StopPc with MCUCR.SE set; no wake-up source
};

// One flash word decoded for execution (internal to the core).
struct TAvrDecoded {
  uint16_t Raw;  // the flash word this entry was decoded from
  uint8_t Kind;  // operation
  uint8_t A;     // first operand: Rd, I/O address, ...
  uint8_t B;     // second operand: Rr, K, bit mask, displacement, ...
  uint8_t Pad;
  int16_t K;  // relative jump/branch offset
};

class TAvrCore {
public:
  TAvrCore(const TAvrModel& model, TAvrPortB& portB);

  // Power-on or external reset: PC 0, SREG 0, SP 0, registers and I/O
  // to their reset values (0), the stop state cleared. Flash and SRAM are
  // kept; Cycle is kept (it is the card's clock, not the core's state).
  // The port callbacks are not called: the card knows that a reset makes
  // every pin an input.
  void Reset();

  // Power-up: all volatile memory (registers, I/O, SRAM) cleared, then
  // Reset. Flash is kept.
  void PowerUp();

  // Executes whole instructions while Cycle < target; Cycle may end past
  // target by less than one instruction. While stopped (undefined opcode,
  // sleep) no instruction runs and Cycle moves on to target: the clock
  // still runs, the core does nothing.
  void RunUntil(uint64_t target);

  // Executes one instruction (if running) and returns its cycle count.
  // An undefined opcode stops the core without spending a cycle (0).
  int Step();

  const TAvrModel& Model;
  uint64_t Cycle = 0;
  uint16_t Pc = 0;  // word address
  // FlashSize / 2 words, erased = 0xFFFF. May be written at any time
  // between runs: the core checks each decoded word against the flash
  // before it executes it, so no invalidation call is needed.
  std::vector<uint16_t> Flash;
  TAvrStop Stop = TAvrStop::None;
  uint16_t StopPc = 0;
  uint16_t StopOpcode = 0;

  // Data space: 32 registers, 64 I/O registers, SRAM. These accessors are
  // plain storage (no port callbacks); r, a must be in range.
  uint8_t Reg(int r) const { return Data[r]; }
  void SetReg(int r, uint8_t v) { Data[r] = v; }
  uint8_t Io(int a) const { return Data[0x20 + a]; }
  void SetIo(int a, uint8_t v) { Data[0x20 + a] = v; }
  uint8_t Sreg() const { return Data[0x20 + AvrIo::SREG]; }
  uint16_t Sp() const { return Data[0x20 + AvrIo::SPL] | (Data[0x20 + AvrIo::SPH] << 8); }
  std::vector<uint8_t> Data;  // 0x60 + SramSize

  int FlashWords() const { return FlashMask + 1; }

private:
  uint8_t ReadIo(unsigned io, uint64_t cycle);
  void WriteIo(unsigned io, uint8_t v, uint64_t cycle);
  uint8_t ReadData(unsigned addr, uint64_t cycle);
  void WriteData(unsigned addr, uint8_t v, uint64_t cycle);
  void PushByte(uint8_t v, uint64_t cycle);
  uint8_t PopByte(uint64_t cycle);
  void FitMemories();

  TAvrPortB& PortB;
  uint32_t FlashMask;                // flash words - 1 (a power of two)
  uint32_t SpMask;                   // 0xFF or 0xFFFF
  std::size_t DataBytes;             // 0x60 + SramSize
  std::vector<TAvrDecoded> Decoded;  // one per flash word
};

// Decodes one flash word for the classic AT90S core (AvrCoreDecode.cpp).
TAvrDecoded AvrDecode(uint16_t raw);

// True for the first word of a two-word instruction (LDS, STS): the only
// ones on this core, so skips jump over 2 words only for these (a JMP/CALL
// encoding is undefined here and counts as one word).
inline bool AvrIsTwoWord(uint16_t raw) { return (raw & 0xFC0F) == 0x9000; }
