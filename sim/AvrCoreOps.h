#pragma once
// Operation kinds of a decoded flash word (TAvrDecoded::Kind) and what
// their operands mean. Shared by the decoder and the executor only.

#include <cstdint>

namespace AvrOp {
enum : uint8_t {
  Undefined,  // no instruction of the classic core
  Nop,
  // Two registers: A = Rd, B = Rr.
  Cpc,
  Sbc,
  Add,
  Cpse,
  Cp,
  Sub,
  Adc,
  And,
  Eor,
  Or,
  Mov,
  // Register r16..r31 and constant: A = Rd, B = K.
  Cpi,
  Sbci,
  Subi,
  Ori,
  Andi,
  Ldi,
  // Indirect with displacement: A = Rd/Rr, B = q (LD/ST Y and Z use q = 0).
  LddY,
  LddZ,
  StdY,
  StdZ,
  // Direct, two words: A = Rd/Rr, the address is the next flash word.
  Lds,
  Sts,
  // Indirect with pre-decrement / post-increment, stack: A = Rd/Rr.
  // (Kept in X, Y, Z order: the executor picks the pointer by range.)
  LdX,
  LdXInc,
  LdXDec,
  LdYInc,
  LdYDec,
  LdZInc,
  LdZDec,
  Pop,
  StX,
  StXInc,
  StXDec,
  StYInc,
  StYDec,
  StZInc,
  StZDec,
  Push,
  // One register: A = Rd.
  Com,
  Neg,
  Swap,
  Inc,
  Asr,
  Lsr,
  Ror,
  Dec,
  // SREG bit: B = mask.
  Bset,
  Bclr,
  Ret,
  Reti,
  Sleep,
  Wdr,
  Lpm,
  Ijmp,
  Icall,
  // Word immediate: A = Rd (24, 26, 28, 30), B = K.
  Adiw,
  Sbiw,
  // I/O bit: A = I/O address 0..31, B = bit mask.
  Cbi,
  Sbic,
  Sbi,
  Sbis,
  // I/O: A = Rd/Rr, B = I/O address 0..63.
  In,
  Out,
  // Relative: K = offset in words.
  Rjmp,
  Rcall,
  // Conditional branch: B = SREG mask, K = offset.
  Brbs,
  Brbc,
  // Register bit: A = Rd/Rr, B = bit mask.
  Bld,
  Bst,
  Sbrc,
  Sbrs,
};
}  // namespace AvrOp
