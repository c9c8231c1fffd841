#pragma once
// An AT90S-family AVR core: the classic instruction set as the AT90S8515
// has it (no MUL family, no MOVW, no JMP/CALL, no LPM Rd,Z+, no SPM), with
// exact cycle counts, the 32 registers, the I/O space and the internal SRAM.
//
// The core knows nothing of the card around it. Port B is reached through
// TAvrPortB, which the card implements; every other I/O register is plain
// storage. Time is counted in clock cycles (`Cycle`); the card decides when
// the core runs (RunUntil) and when the outside world sees its pin writes.

#include <array>
#include <cstdint>
#include <vector>

struct TAvrModel {
  const char* Name;
  uint32_t Signature;  // signature bytes 0, 1, 2 in bits 23..16, 15..8, 7..0
  int FlashBytes;
  int EepromBytes;
  int SramBytes;       // internal SRAM, from data address 0x60
};

// The five processors of the chip catalogue, in catalogue order.
extern const std::array<TAvrModel, 5> AvrModels;

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

// Port B as the core sees it. The card implements it.
class TAvrPortB {
public:
  virtual ~TAvrPortB() = default;
  // The value an instruction reads from PINB when its read happens at
  // `cycle` (the card applies its input synchroniser delay).
  virtual uint8_t ReadPinB(uint64_t cycle) = 0;
  // PORTB or DDRB was written by an instruction; the write happens at
  // `cycle` (the card applies its output delay).
  virtual void PortBWritten(uint8_t port, uint8_t ddr, uint64_t cycle) = 0;
};

enum class TAvrStop {
  None,              // running
  UndefinedOpcode,   // StopOpcode at StopPc could not be decoded
};

class TAvrCore {
public:
  TAvrCore(const TAvrModel& model, TAvrPortB& portB);

  // Power-on or external reset: PC 0, SREG 0, SP 0, registers and I/O
  // to their reset values, the stop state cleared. Flash is kept; Cycle
  // is kept (it is the card's clock, not the core's state).
  void Reset();

  // Executes whole instructions while Cycle < target; Cycle may end past
  // target by less than one instruction. Does nothing while stopped.
  void RunUntil(uint64_t target);

  const TAvrModel& Model;
  uint64_t Cycle = 0;
  uint16_t Pc = 0;                      // word address
  std::vector<uint16_t> Flash;          // FlashBytes / 2 words, erased = 0xFFFF
  TAvrStop Stop = TAvrStop::None;
  uint16_t StopPc = 0;
  uint16_t StopOpcode = 0;

  // Data space: 32 registers, 64 I/O registers, SRAM.
  uint8_t Reg(int r) const { return Data[r]; }
  void SetReg(int r, uint8_t v) { Data[r] = v; }
  uint8_t Io(int a) const { return Data[0x20 + a]; }
  void SetIo(int a, uint8_t v) { Data[0x20 + a] = v; }
  uint8_t Sreg() const { return Data[0x20 + AvrIo::SREG]; }
  uint16_t Sp() const { return Data[0x20 + AvrIo::SPL] | (Data[0x20 + AvrIo::SPH] << 8); }
  std::vector<uint8_t> Data;            // 0x60 + SramBytes

private:
  TAvrPortB& PortB;
};
