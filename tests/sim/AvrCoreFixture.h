#pragma once
// Shared pieces of the AVR core tests: a port B that records what the core
// does with it, a core fixture, and encoders for the instruction formats
// (written from the instruction set manual, independent of the decoder).

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/AvrCore.h"

struct TPortAccess {
  bool Write;
  uint8_t Port, Ddr;  // for writes
  uint64_t Cycle;
  bool operator==(const TPortAccess&) const = default;
};

class TFakePortB : public TAvrPortB {
public:
  uint8_t ReadPinB(uint64_t cycle) override {
    Log.push_back({false, 0, 0, cycle});
    return Pins;
  }
  void PortBWritten(uint8_t port, uint8_t ddr, uint64_t cycle) override {
    Log.push_back({true, port, ddr, cycle});
  }
  uint8_t Pins = 0;
  std::vector<TPortAccess> Log;
};

namespace Enc {
// Two registers: 0000 01rd dddd rrrr style, `base` holds the opcode bits.
constexpr uint16_t RR(uint16_t base, unsigned d, unsigned r) {
  return static_cast<uint16_t>(base | ((r & 0x10) << 5) | ((d & 0x1F) << 4) | (r & 0x0F));
}
constexpr uint16_t RK(uint16_t base, unsigned d, unsigned k) {  // d in 16..31
  return static_cast<uint16_t>(base | ((k & 0xF0) << 4) | ((d - 16) << 4) | (k & 0x0F));
}
constexpr uint16_t R1(uint16_t base, unsigned d) {  // 1001 010d dddd xxxx
  return static_cast<uint16_t>(base | ((d & 0x1F) << 4));
}
constexpr uint16_t ADD(unsigned d, unsigned r) { return RR(0x0C00, d, r); }
constexpr uint16_t ADC(unsigned d, unsigned r) { return RR(0x1C00, d, r); }
constexpr uint16_t SUB(unsigned d, unsigned r) { return RR(0x1800, d, r); }
constexpr uint16_t SBC(unsigned d, unsigned r) { return RR(0x0800, d, r); }
constexpr uint16_t CP(unsigned d, unsigned r) { return RR(0x1400, d, r); }
constexpr uint16_t CPC(unsigned d, unsigned r) { return RR(0x0400, d, r); }
constexpr uint16_t CPSE(unsigned d, unsigned r) { return RR(0x1000, d, r); }
constexpr uint16_t AND(unsigned d, unsigned r) { return RR(0x2000, d, r); }
constexpr uint16_t EOR(unsigned d, unsigned r) { return RR(0x2400, d, r); }
constexpr uint16_t OR(unsigned d, unsigned r) { return RR(0x2800, d, r); }
constexpr uint16_t MOV(unsigned d, unsigned r) { return RR(0x2C00, d, r); }
constexpr uint16_t CPI(unsigned d, unsigned k) { return RK(0x3000, d, k); }
constexpr uint16_t SBCI(unsigned d, unsigned k) { return RK(0x4000, d, k); }
constexpr uint16_t SUBI(unsigned d, unsigned k) { return RK(0x5000, d, k); }
constexpr uint16_t ORI(unsigned d, unsigned k) { return RK(0x6000, d, k); }
constexpr uint16_t ANDI(unsigned d, unsigned k) { return RK(0x7000, d, k); }
constexpr uint16_t LDI(unsigned d, unsigned k) { return RK(0xE000, d, k); }
constexpr uint16_t COM(unsigned d) { return R1(0x9400, d); }
constexpr uint16_t NEG(unsigned d) { return R1(0x9401, d); }
constexpr uint16_t SWAP(unsigned d) { return R1(0x9402, d); }
constexpr uint16_t INC(unsigned d) { return R1(0x9403, d); }
constexpr uint16_t ASR(unsigned d) { return R1(0x9405, d); }
constexpr uint16_t LSR(unsigned d) { return R1(0x9406, d); }
constexpr uint16_t ROR(unsigned d) { return R1(0x9407, d); }
constexpr uint16_t DEC(unsigned d) { return R1(0x940A, d); }
constexpr uint16_t POP(unsigned d) { return R1(0x900F, d); }
constexpr uint16_t PUSH(unsigned d) { return R1(0x920F, d); }
constexpr uint16_t LDS(unsigned d) { return R1(0x9000, d); }  // + address word
constexpr uint16_t STS(unsigned d) { return R1(0x9200, d); }  // + address word
// Indirect: mode is the low nibble (X 0xC, X+ 0xD, -X 0xE, Y+ 0x9, -Y 0xA,
// Z+ 0x1, -Z 0x2).
constexpr uint16_t LD(unsigned d, unsigned mode) { return R1(0x9000 | mode, d); }
constexpr uint16_t ST(unsigned mode, unsigned r) { return R1(0x9200 | mode, r); }
// LDD/STD: y = true for Y, q 0..63.
constexpr uint16_t LDD(unsigned d, bool y, unsigned q) {
  return static_cast<uint16_t>(0x8000 | ((q & 0x20) << 8) | ((q & 0x18) << 7) | (d << 4) |
                               (y ? 8 : 0) | (q & 7));
}
constexpr uint16_t STD(bool y, unsigned q, unsigned r) {
  return static_cast<uint16_t>(LDD(r, y, q) | 0x0200);
}
constexpr uint16_t ADIW(unsigned d, unsigned k) {
  return static_cast<uint16_t>(0x9600 | ((k & 0x30) << 2) | (((d - 24) / 2) << 4) | (k & 0x0F));
}
constexpr uint16_t SBIW(unsigned d, unsigned k) {
  return static_cast<uint16_t>(ADIW(d, k) | 0x0100);
}
constexpr uint16_t IN(unsigned d, unsigned a) {
  return static_cast<uint16_t>(0xB000 | ((a & 0x30) << 5) | (d << 4) | (a & 0x0F));
}
constexpr uint16_t OUT(unsigned a, unsigned r) { return static_cast<uint16_t>(IN(r, a) | 0x0800); }
constexpr uint16_t IOBIT(uint16_t base, unsigned a, unsigned b) {
  return static_cast<uint16_t>(base | (a << 3) | b);
}
constexpr uint16_t CBI(unsigned a, unsigned b) { return IOBIT(0x9800, a, b); }
constexpr uint16_t SBIC(unsigned a, unsigned b) { return IOBIT(0x9900, a, b); }
constexpr uint16_t SBI(unsigned a, unsigned b) { return IOBIT(0x9A00, a, b); }
constexpr uint16_t SBIS(unsigned a, unsigned b) { return IOBIT(0x9B00, a, b); }
constexpr uint16_t RJMP(int k) { return static_cast<uint16_t>(0xC000 | (k & 0x0FFF)); }
constexpr uint16_t RCALL(int k) { return static_cast<uint16_t>(0xD000 | (k & 0x0FFF)); }
constexpr uint16_t BRBS(unsigned s, int k) {
  return static_cast<uint16_t>(0xF000 | ((k & 0x7F) << 3) | s);
}
constexpr uint16_t BRBC(unsigned s, int k) { return static_cast<uint16_t>(BRBS(s, k) | 0x0400); }
constexpr uint16_t BSET(unsigned s) { return static_cast<uint16_t>(0x9408 | (s << 4)); }
constexpr uint16_t BCLR(unsigned s) { return static_cast<uint16_t>(0x9488 | (s << 4)); }
constexpr uint16_t BLD(unsigned d, unsigned b) {
  return static_cast<uint16_t>(0xF800 | (d << 4) | b);
}
constexpr uint16_t BST(unsigned d, unsigned b) {
  return static_cast<uint16_t>(0xFA00 | (d << 4) | b);
}
constexpr uint16_t SBRC(unsigned r, unsigned b) {
  return static_cast<uint16_t>(0xFC00 | (r << 4) | b);
}
constexpr uint16_t SBRS(unsigned r, unsigned b) {
  return static_cast<uint16_t>(0xFE00 | (r << 4) | b);
}
constexpr uint16_t NOP = 0x0000;
constexpr uint16_t RET = 0x9508;
constexpr uint16_t RETI = 0x9518;
constexpr uint16_t SLEEP = 0x9588;
constexpr uint16_t WDR = 0x95A8;
constexpr uint16_t LPM = 0x95C8;
constexpr uint16_t IJMP = 0x9409;
constexpr uint16_t ICALL = 0x9509;
constexpr uint16_t SEC = 0x9408, CLC = 0x9488, SEI = 0x9478, CLI = 0x94F8;
}  // namespace Enc

class AvrCoreTest : public ::testing::Test {
protected:
  explicit AvrCoreTest(int model = 0) : Core(ProcessorTable[model], Port) {}

  // Loads words at word address `at` (the rest of flash stays erased).
  void Load(std::initializer_list<uint16_t> words, int at = 0) {
    for (uint16_t w : words) Core.Flash[at++] = w;
  }
  // Runs one instruction; returns its cycles.
  int Step() { return Core.Step(); }
  // Runs `n` instructions; returns the cycles they took.
  int Steps(int n) {
    int total = 0;
    for (int i = 0; i < n; ++i) total += Core.Step();
    return total;
  }
  void SetSp(uint16_t sp) {
    Core.SetIo(AvrIo::SPL, static_cast<uint8_t>(sp));
    Core.SetIo(AvrIo::SPH, static_cast<uint8_t>(sp >> 8));
  }
  void SetPair(int lo, uint16_t v) {
    Core.SetReg(lo, static_cast<uint8_t>(v));
    Core.SetReg(lo + 1, static_cast<uint8_t>(v >> 8));
  }
  uint16_t Pair(int lo) const { return Core.Reg(lo) | (Core.Reg(lo + 1) << 8); }

  TFakePortB Port;
  TAvrCore Core;
};
