// The AT90S core: memories, reset, the data-space paths that reach port B,
// and the execution loop. Cycle counts are those of the classic core
// (AT90S8515 data sheet, instruction set summary; AVR instruction set
// manual): ALU, MOV, LDI, IN, OUT, BSET/BCLR, BST/BLD, NOP, SLEEP, WDR 1;
// ADIW/SBIW, LD/LDD/LDS, ST/STD/STS, PUSH/POP, SBI/CBI, RJMP, IJMP 2;
// RCALL, ICALL, LPM 3; RET, RETI 4; branches 1 (2 taken); CPSE, SBRC,
// SBRS, SBIC, SBIS 1 (2 skipping one word, 3 skipping LDS/STS).

#include "sim/AvrCore.h"

#include <algorithm>

#include "sim/AvrCoreOps.h"

namespace {

using namespace AvrFlag;

constexpr unsigned kSreg = 0x20 + AvrIo::SREG;
constexpr unsigned kSpl = 0x20 + AvrIo::SPL;
constexpr unsigned kSph = 0x20 + AvrIo::SPH;
constexpr unsigned kSramStart = 0x60;
constexpr uint8_t kOpenBus = 0xFF;  // what a read outside the data space gives

uint32_t FlashWordsOf(const TAvrModel& model) {
  // Flash sizes are powers of two; a bad size still gives a usable mask.
  uint32_t words = 1;
  while (words * 2 <= static_cast<uint32_t>(std::max(model.FlashSize / 2, 1)) && words < 0x10000)
    words *= 2;
  return words;
}

// SREG after R = d + r (+ carry): H, S, V, N, Z, C.
inline uint8_t AddFlags(uint8_t sreg, unsigned d, unsigned r, unsigned res) {
  const unsigned carries = (d & r) | (r & ~res) | (~res & d);
  const unsigned v = (((d & r & ~res) | (~d & ~r & res)) >> 7) & 1;
  const unsigned n = (res >> 7) & 1;
  return static_cast<uint8_t>((sreg & (I | T)) | ((carries >> 7) & 1) |
                              ((res & 0xFF) == 0 ? Z : 0) | (n << 2) | (v << 3) | ((n ^ v) << 4) |
                              (((carries >> 3) & 1) << 5));
}

// SREG after R = d - r (- carry). With keepZ (SBC, SBCI, CPC) Z stays set
// only if it was set and the result is zero.
inline uint8_t SubFlags(uint8_t sreg, unsigned d, unsigned r, unsigned res, bool keepZ) {
  const unsigned borrows = (~d & r) | (r & res) | (res & ~d);
  const unsigned v = (((d & ~r & ~res) | (~d & r & res)) >> 7) & 1;
  const unsigned n = (res >> 7) & 1;
  bool zero = (res & 0xFF) == 0;
  if (keepZ) zero = zero && (sreg & Z);
  return static_cast<uint8_t>((sreg & (I | T)) | ((borrows >> 7) & 1) | (zero ? Z : 0) | (n << 2) |
                              (v << 3) | ((n ^ v) << 4) | (((borrows >> 3) & 1) << 5));
}

// SREG after a logic result: V cleared, N, Z, S = N; I, T, H, C kept.
inline uint8_t LogicFlags(uint8_t sreg, unsigned res) {
  const unsigned n = (res >> 7) & 1;
  return static_cast<uint8_t>((sreg & (I | T | H | C)) | (res == 0 ? Z : 0) | (n << 2) | (n << 4));
}

// SREG with N, Z, V, S from res and v, C from c; I, T, H kept.
inline uint8_t ShiftFlags(uint8_t sreg, unsigned res, unsigned c) {
  const unsigned n = (res >> 7) & 1;
  const unsigned v = n ^ c;
  return static_cast<uint8_t>((sreg & (I | T | H)) | c | (res == 0 ? Z : 0) | (n << 2) | (v << 3) |
                              ((n ^ v) << 4));
}

// INC/DEC: N, Z, V (given), S; I, T, H, C kept.
inline uint8_t IncDecFlags(uint8_t sreg, unsigned res, unsigned v) {
  const unsigned n = (res >> 7) & 1;
  return static_cast<uint8_t>((sreg & (I | T | H | C)) | (res == 0 ? Z : 0) | (n << 2) | (v << 3) |
                              ((n ^ v) << 4));
}

// ADIW/SBIW: S, V, N, Z, C from the 16-bit result; I, T, H kept.
inline uint8_t WordFlags(uint8_t sreg, unsigned res, unsigned v, unsigned c) {
  const unsigned n = (res >> 15) & 1;
  return static_cast<uint8_t>((sreg & (I | T | H)) | c | ((res & 0xFFFF) == 0 ? Z : 0) | (n << 2) |
                              (v << 3) | ((n ^ v) << 4));
}

}  // namespace

TAvrCore::TAvrCore(const TAvrModel& model, TAvrPortB& portB) : Model(model), PortB(portB) {
  const uint32_t words = FlashWordsOf(model);
  FlashMask = words - 1;
  DataBytes = kSramStart + std::max(model.SramSize, 0);
  SpMask = DataBytes <= 0x100 ? 0xFF : 0xFFFF;
  Flash.assign(words, 0xFFFF);
  Decoded.assign(words, AvrDecode(0xFFFF));
  Data.assign(DataBytes, 0);
  Reset();
}

void TAvrCore::Reset() {
  FitMemories();
  std::fill(Data.begin(), Data.begin() + kSramStart, 0);
  Pc = 0;
  Stop = TAvrStop::None;
  StopPc = 0;
  StopOpcode = 0;
}

void TAvrCore::PowerUp() {
  FitMemories();
  std::fill(Data.begin(), Data.end(), 0);
  Reset();
}

void TAvrCore::FitMemories() {
  // Flash and Data are open to the card; keep them at the model's sizes
  // so that the masks used below always stay inside them.
  if (Flash.size() != FlashMask + 1) Flash.resize(FlashMask + 1, 0xFFFF);
  if (Data.size() != DataBytes) Data.resize(DataBytes, 0);
}

uint8_t TAvrCore::ReadIo(unsigned io, uint64_t cycle) {
  if (io == AvrIo::PINB) {
    const uint8_t v = PortB.ReadPinB(cycle);
    Data[0x20 + AvrIo::PINB] = v;
    return v;
  }
  return Data[0x20 + io];
}

void TAvrCore::WriteIo(unsigned io, uint8_t v, uint64_t cycle) {
  switch (io) {
    case AvrIo::PINB: return;  // read-only on the AT90S
    case AvrIo::PORTB:
    case AvrIo::DDRB:
      Data[0x20 + io] = v;
      PortB.PortBWritten(Data[0x20 + AvrIo::PORTB], Data[0x20 + AvrIo::DDRB], cycle);
      return;
    case AvrIo::SPH:
      Data[kSph] = SpMask == 0xFF ? 0 : v;  // no SPH on the small models
      return;
    default: Data[0x20 + io] = v;
  }
}

uint8_t TAvrCore::ReadData(unsigned addr, uint64_t cycle) {
  if (addr < 0x20) return Data[addr];
  if (addr < kSramStart) return ReadIo(addr - 0x20, cycle);
  if (addr < Data.size()) return Data[addr];
  return kOpenBus;
}

void TAvrCore::WriteData(unsigned addr, uint8_t v, uint64_t cycle) {
  if (addr < 0x20) {
    Data[addr] = v;
  } else if (addr < kSramStart) {
    WriteIo(addr - 0x20, v, cycle);
  } else if (addr < Data.size()) {
    Data[addr] = v;
  }
  // Beyond the data space: nothing is there to write.
}

void TAvrCore::PushByte(uint8_t v, uint64_t cycle) {
  unsigned sp = (Data[kSpl] | (Data[kSph] << 8)) & SpMask;
  WriteData(sp, v, cycle);
  sp = (sp - 1) & SpMask;
  Data[kSpl] = static_cast<uint8_t>(sp);
  Data[kSph] = static_cast<uint8_t>(sp >> 8);
}

uint8_t TAvrCore::PopByte(uint64_t cycle) {
  unsigned sp = ((Data[kSpl] | (Data[kSph] << 8)) + 1) & SpMask;
  Data[kSpl] = static_cast<uint8_t>(sp);
  Data[kSph] = static_cast<uint8_t>(sp >> 8);
  return ReadData(sp, cycle);
}

int TAvrCore::Step() {
  if (Stop != TAvrStop::None) return 0;
  const uint64_t start = Cycle;
  RunUntil(start + 1);
  if (Stop == TAvrStop::UndefinedOpcode) {
    Cycle = start;  // nothing was executed
    return 0;
  }
  return static_cast<int>(Cycle - start);
}

void TAvrCore::RunUntil(uint64_t target) {
  if (Stop != TAvrStop::None) {
    Cycle = std::max(Cycle, target);
    return;
  }
  // The card may run the core for a single cycle at a time: check the
  // sizes here and resize only when they are off.
  if (Flash.size() != FlashMask + 1 || Data.size() != DataBytes) FitMemories();

  using namespace AvrOp;
  uint8_t* const d = Data.data();
  const uint16_t* const fl = Flash.data();
  TAvrDecoded* const dec = Decoded.data();
  const uint32_t fmask = FlashMask;
  const unsigned sramSize = static_cast<unsigned>(Data.size()) - kSramStart;
  uint64_t cyc = Cycle;
  uint32_t pc = Pc & fmask;

  // Slow paths (port B, I/O through the data space, the stack, addresses
  // outside SRAM) go through the members; they see a consistent state.
  auto sync = [&] {
    Cycle = cyc;
    Pc = static_cast<uint16_t>(pc);
  };
  auto load = [&](unsigned addr, uint64_t at) -> uint8_t {
    if (addr - kSramStart < sramSize) return d[addr];
    sync();
    return ReadData(addr, at);
  };
  auto store = [&](unsigned addr, uint8_t v, uint64_t at) {
    if (addr - kSramStart < sramSize) {
      d[addr] = v;
      return;
    }
    sync();
    WriteData(addr, v, at);
  };
  auto readIo = [&](unsigned io, uint64_t at) -> uint8_t {
    if (io != AvrIo::PINB) return d[0x20 + io];
    sync();
    return ReadIo(io, at);
  };
  auto writeIo = [&](unsigned io, uint8_t v, uint64_t at) {
    if (io - AvrIo::PINB > 2u && io != AvrIo::SPH) {
      d[0x20 + io] = v;
      return;
    }
    sync();
    WriteIo(io, v, at);
  };
  auto pair = [&](unsigned lo) -> unsigned { return d[lo] | (d[lo + 1] << 8); };
  auto setPair = [&](unsigned lo, unsigned v) {
    d[lo] = static_cast<uint8_t>(v);
    d[lo + 1] = static_cast<uint8_t>(v >> 8);
  };
  auto push = [&](uint8_t v, uint64_t at) {
    sync();
    PushByte(v, at);
  };
  auto pop = [&](uint64_t at) -> uint8_t {
    sync();
    return PopByte(at);
  };
  // A skip instruction: taken, it jumps over the next instruction (one or
  // two words) for one or two extra cycles.
  auto skipIf = [&](bool cond) {
    if (cond) {
      const uint32_t n = AvrIsTwoWord(fl[(pc + 1) & fmask]) ? 2 : 1;
      pc += 1 + n;
      cyc += 1 + n;
    } else {
      pc += 1;
      cyc += 1;
    }
  };
  auto next = [&](unsigned cycles) {
    pc += 1;
    cyc += cycles;
  };

  while (cyc < target) {
    TAvrDecoded* const op = &dec[pc];
    const uint16_t raw = fl[pc];
    if (op->Raw != raw) [[unlikely]]
      *op = AvrDecode(raw);
    const unsigned a = op->A;
    const unsigned b = op->B;
    uint8_t& sreg = d[kSreg];

    switch (op->Kind) {
      case Nop:
      case Wdr:  // no watchdog is modelled
        next(1);
        break;

      // Arithmetic and logic with two registers.
      case Add: {
        const unsigned x = d[a], y = d[b], r = x + y;
        sreg = AddFlags(sreg, x, y, r);
        d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case Adc: {
        const unsigned x = d[a], y = d[b], r = x + y + (sreg & C);
        sreg = AddFlags(sreg, x, y, r);
        d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case Sub:
      case Cp: {
        const unsigned x = d[a], y = d[b], r = x - y;
        sreg = SubFlags(sreg, x, y, r, false);
        if (op->Kind == Sub) d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case Sbc:
      case Cpc: {
        const unsigned x = d[a], y = d[b], r = x - y - (sreg & C);
        sreg = SubFlags(sreg, x, y, r, true);
        if (op->Kind == Sbc) d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case And: {
        const uint8_t r = d[a] & d[b];
        sreg = LogicFlags(sreg, r);
        d[a] = r;
        next(1);
        break;
      }
      case Or: {
        const uint8_t r = d[a] | d[b];
        sreg = LogicFlags(sreg, r);
        d[a] = r;
        next(1);
        break;
      }
      case Eor: {
        const uint8_t r = d[a] ^ d[b];
        sreg = LogicFlags(sreg, r);
        d[a] = r;
        next(1);
        break;
      }
      case Mov:
        d[a] = d[b];
        next(1);
        break;
      case Cpse: skipIf(d[a] == d[b]); break;

      // Register and constant.
      case Subi:
      case Cpi: {
        const unsigned x = d[a], r = x - b;
        sreg = SubFlags(sreg, x, b, r, false);
        if (op->Kind == Subi) d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case Sbci: {
        const unsigned x = d[a], r = x - b - (sreg & C);
        sreg = SubFlags(sreg, x, b, r, true);
        d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case Ori: {
        const uint8_t r = d[a] | b;
        sreg = LogicFlags(sreg, r);
        d[a] = r;
        next(1);
        break;
      }
      case Andi: {
        const uint8_t r = d[a] & b;
        sreg = LogicFlags(sreg, r);
        d[a] = r;
        next(1);
        break;
      }
      case Ldi:
        d[a] = static_cast<uint8_t>(b);
        next(1);
        break;

      // One register.
      case Com: {
        const uint8_t r = static_cast<uint8_t>(~d[a]);
        sreg = static_cast<uint8_t>(LogicFlags(sreg, r) | C);
        d[a] = r;
        next(1);
        break;
      }
      case Neg: {
        const unsigned x = d[a], r = (0u - x) & 0xFF;
        sreg = SubFlags(sreg, 0, x, r, false);
        d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case Swap:
        d[a] = static_cast<uint8_t>((d[a] << 4) | (d[a] >> 4));
        next(1);
        break;
      case Inc: {
        const uint8_t r = static_cast<uint8_t>(d[a] + 1);
        sreg = IncDecFlags(sreg, r, r == 0x80);
        d[a] = r;
        next(1);
        break;
      }
      case Dec: {
        const uint8_t r = static_cast<uint8_t>(d[a] - 1);
        sreg = IncDecFlags(sreg, r, r == 0x7F);
        d[a] = r;
        next(1);
        break;
      }
      case Asr: {
        const unsigned x = d[a], r = (x >> 1) | (x & 0x80);
        sreg = ShiftFlags(sreg, r, x & 1);
        d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case Lsr: {
        const unsigned x = d[a], r = x >> 1;
        sreg = ShiftFlags(sreg, r, x & 1);
        d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }
      case Ror: {
        const unsigned x = d[a], r = (x >> 1) | ((sreg & C) << 7);
        sreg = ShiftFlags(sreg, r, x & 1);
        d[a] = static_cast<uint8_t>(r);
        next(1);
        break;
      }

      // Word immediate.
      case Adiw: {
        const unsigned x = pair(a), r = (x + b) & 0xFFFF;
        const unsigned xh7 = (x >> 15) & 1, r15 = (r >> 15) & 1;
        sreg = WordFlags(sreg, r, (xh7 ^ 1) & r15, (r15 ^ 1) & xh7);
        setPair(a, r);
        next(2);
        break;
      }
      case Sbiw: {
        const unsigned x = pair(a), r = (x - b) & 0xFFFF;
        const unsigned xh7 = (x >> 15) & 1, r15 = (r >> 15) & 1;
        sreg = WordFlags(sreg, r, xh7 & (r15 ^ 1), r15 & (xh7 ^ 1));
        setPair(a, r);
        next(2);
        break;
      }

      // SREG and register bits.
      case Bset:
        sreg = static_cast<uint8_t>(sreg | b);
        next(1);
        break;
      case Bclr:
        sreg = static_cast<uint8_t>(sreg & ~b);
        next(1);
        break;
      case Bst:
        sreg = static_cast<uint8_t>((d[a] & b) ? (sreg | T) : (sreg & ~T));
        next(1);
        break;
      case Bld:
        d[a] = static_cast<uint8_t>((sreg & T) ? (d[a] | b) : (d[a] & ~b));
        next(1);
        break;
      case Sbrc: skipIf((d[a] & b) == 0); break;
      case Sbrs: skipIf((d[a] & b) != 0); break;

      // I/O.
      case In:
        d[a] = readIo(b, cyc);
        next(1);
        break;
      case Out:
        writeIo(b, d[a], cyc);
        next(1);
        break;
      case Sbi:
        writeIo(a, static_cast<uint8_t>(readIo(a, cyc) | b), cyc + 1);
        next(2);
        break;
      case Cbi:
        writeIo(a, static_cast<uint8_t>(readIo(a, cyc) & ~b), cyc + 1);
        next(2);
        break;
      case Sbic: skipIf((readIo(a, cyc) & b) == 0); break;
      case Sbis: skipIf((readIo(a, cyc) & b) != 0); break;

      // Loads and stores.
      case LddY: {
        const uint8_t v = load((pair(28) + b) & 0xFFFF, cyc + 1);
        d[a] = v;
        next(2);
        break;
      }
      case LddZ: {
        const uint8_t v = load((pair(30) + b) & 0xFFFF, cyc + 1);
        d[a] = v;
        next(2);
        break;
      }
      case StdY:
        store((pair(28) + b) & 0xFFFF, d[a], cyc + 1);
        next(2);
        break;
      case StdZ:
        store((pair(30) + b) & 0xFFFF, d[a], cyc + 1);
        next(2);
        break;
      case Lds: {
        const uint8_t v = load(fl[(pc + 1) & fmask], cyc + 1);
        d[a] = v;
        pc += 2;
        cyc += 2;
        break;
      }
      case Sts:
        store(fl[(pc + 1) & fmask], d[a], cyc + 1);
        pc += 2;
        cyc += 2;
        break;
      case LdX:
      case LdXInc:
      case LdXDec:
      case LdYInc:
      case LdYDec:
      case LdZInc:
      case LdZDec: {
        const unsigned kind = op->Kind;
        const unsigned lo = (kind <= LdXDec) ? 26 : (kind <= LdYDec) ? 28 : 30;
        unsigned p = pair(lo);
        const bool dec = kind == LdXDec || kind == LdYDec || kind == LdZDec;
        const bool inc = kind == LdXInc || kind == LdYInc || kind == LdZInc;
        if (dec) p = (p - 1) & 0xFFFF;
        const uint8_t v = load(p, cyc + 1);
        if (inc) p = (p + 1) & 0xFFFF;
        if (inc || dec) setPair(lo, p);
        d[a] = v;
        next(2);
        break;
      }
      case StX:
      case StXInc:
      case StXDec:
      case StYInc:
      case StYDec:
      case StZInc:
      case StZDec: {
        const unsigned kind = op->Kind;
        const unsigned lo = (kind <= StXDec) ? 26 : (kind <= StYDec) ? 28 : 30;
        unsigned p = pair(lo);
        const bool dec = kind == StXDec || kind == StYDec || kind == StZDec;
        const bool inc = kind == StXInc || kind == StYInc || kind == StZInc;
        const uint8_t v = d[a];
        if (dec) p = (p - 1) & 0xFFFF;
        if (inc || dec) setPair(lo, inc ? ((p + 1) & 0xFFFF) : p);
        store(p, v, cyc + 1);
        next(2);
        break;
      }
      case Push:
        push(d[a], cyc + 1);
        next(2);
        break;
      case Pop: {
        const uint8_t v = pop(cyc + 1);
        d[a] = v;
        next(2);
        break;
      }
      case Lpm: {
        const unsigned z = pair(30);
        const uint16_t w = fl[(z >> 1) & fmask];
        d[0] = static_cast<uint8_t>((z & 1) ? (w >> 8) : w);
        next(3);
        break;
      }

      // Jumps, calls and returns.
      case Rjmp:
        pc += 1 + op->K;
        cyc += 2;
        break;
      case Ijmp:
        pc = pair(30);
        cyc += 2;
        break;
      case Rcall: {
        const uint32_t ret = (pc + 1) & fmask;
        push(static_cast<uint8_t>(ret), cyc + 1);
        push(static_cast<uint8_t>(ret >> 8), cyc + 2);
        pc += 1 + op->K;
        cyc += 3;
        break;
      }
      case Icall: {
        const uint32_t ret = (pc + 1) & fmask;
        push(static_cast<uint8_t>(ret), cyc + 1);
        push(static_cast<uint8_t>(ret >> 8), cyc + 2);
        pc = pair(30);
        cyc += 3;
        break;
      }
      case Ret:
      case Reti: {
        const unsigned hi = pop(cyc + 1);
        const unsigned lo = pop(cyc + 2);
        if (op->Kind == Reti) sreg = static_cast<uint8_t>(sreg | I);
        pc = (hi << 8) | lo;
        cyc += 4;
        break;
      }
      case Brbs:
        if (sreg & b) {
          pc += 1 + op->K;
          cyc += 2;
        } else {
          next(1);
        }
        break;
      case Brbc:
        if (sreg & b) {
          next(1);
        } else {
          pc += 1 + op->K;
          cyc += 2;
        }
        break;

      case Sleep:
        next(1);
        if (d[0x20 + AvrIo::MCUCR] & 0x20) {  // SE: sleep; nothing can wake it
          Stop = TAvrStop::Sleep;
          StopPc = static_cast<uint16_t>((pc - 1) & fmask);
          StopOpcode = raw;
          Pc = static_cast<uint16_t>(pc & fmask);
          Cycle = std::max(cyc, target);
          return;
        }
        break;

      case Undefined:
      default:
        Stop = TAvrStop::UndefinedOpcode;
        StopPc = static_cast<uint16_t>(pc);
        StopOpcode = raw;
        Pc = static_cast<uint16_t>(pc);
        Cycle = std::max(cyc, target);
        return;
    }
    pc &= fmask;
  }
  Cycle = cyc;
  Pc = static_cast<uint16_t>(pc);
}
