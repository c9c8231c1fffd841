// Decoder of the classic AVR instruction set as the AT90S8515 implements
// it. Everything the AT90S family lacks (MOVW, the MUL family, JMP/CALL,
// LPM Rd,Z(+), ELPM, SPM, BREAK, EIJMP/EICALL, the reserved encodings and
// the bit-3-set forms of BLD/BST/SBRC/SBRS) decodes as Undefined; erased
// flash (0xFFFF, an SBRS form with bit 3 set) is one of them.

#include "sim/AvrCore.h"
#include "sim/AvrCoreOps.h"

namespace {

TAvrDecoded Op(uint16_t raw, uint8_t kind, unsigned a = 0, unsigned b = 0, int k = 0) {
  return TAvrDecoded{
      raw, kind, static_cast<uint8_t>(a), static_cast<uint8_t>(b), 0, static_cast<int16_t>(k)};
}

unsigned Rd5(uint16_t w) { return (w >> 4) & 0x1F; }
unsigned Rr5(uint16_t w) { return ((w >> 5) & 0x10) | (w & 0x0F); }
unsigned Rd4(uint16_t w) { return 16 + ((w >> 4) & 0x0F); }
unsigned K8(uint16_t w) { return ((w >> 4) & 0xF0) | (w & 0x0F); }

TAvrDecoded Decode9xxx(uint16_t w) {
  using namespace AvrOp;
  const unsigned d = Rd5(w);
  switch ((w >> 9) & 7) {
    case 0:    // 1001 000d dddd xxxx: loads
    case 1: {  // 1001 001r rrrr xxxx: stores
      const bool store = (w & 0x0200) != 0;
      switch (w & 0x0F) {
        case 0x0: return Op(w, store ? Sts : Lds, d);
        case 0x1: return Op(w, store ? StZInc : LdZInc, d);
        case 0x2: return Op(w, store ? StZDec : LdZDec, d);
        case 0x9: return Op(w, store ? StYInc : LdYInc, d);
        case 0xA: return Op(w, store ? StYDec : LdYDec, d);
        case 0xC: return Op(w, store ? StX : LdX, d);
        case 0xD: return Op(w, store ? StXInc : LdXInc, d);
        case 0xE: return Op(w, store ? StXDec : LdXDec, d);
        case 0xF: return Op(w, store ? Push : Pop, d);
        default: return Op(w, Undefined);
      }
    }
    case 2:  // 1001 010x xxxx xxxx: one-register ops and the specials
      switch (w & 0x0F) {
        case 0x0: return Op(w, Com, d);
        case 0x1: return Op(w, Neg, d);
        case 0x2: return Op(w, Swap, d);
        case 0x3: return Op(w, Inc, d);
        case 0x5: return Op(w, Asr, d);
        case 0x6: return Op(w, Lsr, d);
        case 0x7: return Op(w, Ror, d);
        case 0xA: return Op(w, Dec, d);
        case 0x8:
          if ((w & 0xFF00) == 0x9400) {
            return Op(w, (w & 0x80) ? Bclr : Bset, 0, 1u << ((w >> 4) & 7));
          }
          switch (w) {
            case 0x9508: return Op(w, Ret);
            case 0x9518: return Op(w, Reti);
            case 0x9588: return Op(w, Sleep);
            case 0x95A8: return Op(w, Wdr);
            case 0x95C8: return Op(w, Lpm);
            default: return Op(w, Undefined);
          }
        case 0x9:
          if (w == 0x9409) return Op(w, Ijmp);
          if (w == 0x9509) return Op(w, Icall);
          return Op(w, Undefined);
        default: return Op(w, Undefined);
      }
    case 3:  // 1001 011x: ADIW, SBIW
      return Op(w, (w & 0x0100) ? Sbiw : Adiw, 24 + 2 * ((w >> 4) & 3),
                ((w >> 2) & 0x30) | (w & 0x0F));
    case 4:
    case 5: {  // 1001 10xx AAAA Abbb: CBI, SBIC, SBI, SBIS
      static constexpr uint8_t kinds[4] = {Cbi, Sbic, Sbi, Sbis};
      return Op(w, kinds[(w >> 8) & 3], (w >> 3) & 0x1F, 1u << (w & 7));
    }
    default:  // 1001 11xx: MUL, not on this core
      return Op(w, Undefined);
  }
}

}  // namespace

TAvrDecoded AvrDecode(uint16_t w) {
  using namespace AvrOp;
  switch (w >> 12) {
    case 0x0:
      if (w == 0) return Op(w, Nop);
      switch ((w >> 10) & 3) {
        case 1: return Op(w, Cpc, Rd5(w), Rr5(w));
        case 2: return Op(w, Sbc, Rd5(w), Rr5(w));
        case 3: return Op(w, Add, Rd5(w), Rr5(w));
        default: return Op(w, Undefined);  // MOVW, MULS, MULSU, FMUL...
      }
    case 0x1: {
      static constexpr uint8_t kinds[4] = {Cpse, Cp, Sub, Adc};
      return Op(w, kinds[(w >> 10) & 3], Rd5(w), Rr5(w));
    }
    case 0x2: {
      static constexpr uint8_t kinds[4] = {And, Eor, Or, Mov};
      return Op(w, kinds[(w >> 10) & 3], Rd5(w), Rr5(w));
    }
    case 0x3: return Op(w, Cpi, Rd4(w), K8(w));
    case 0x4: return Op(w, Sbci, Rd4(w), K8(w));
    case 0x5: return Op(w, Subi, Rd4(w), K8(w));
    case 0x6: return Op(w, Ori, Rd4(w), K8(w));
    case 0x7: return Op(w, Andi, Rd4(w), K8(w));
    case 0x8:
    case 0xA: {  // 10q0 qqsd dddd yqqq: LDD/STD with Y or Z
      const unsigned q = ((w >> 8) & 0x20) | ((w >> 7) & 0x18) | (w & 7);
      const bool store = (w & 0x0200) != 0;
      const bool y = (w & 0x0008) != 0;
      const uint8_t kind = store ? (y ? StdY : StdZ) : (y ? LddY : LddZ);
      return Op(w, kind, Rd5(w), q);
    }
    case 0x9: return Decode9xxx(w);
    case 0xB:  // 1011 sAAd dddd AAAA: IN, OUT
      return Op(w, (w & 0x0800) ? Out : In, Rd5(w), ((w >> 5) & 0x30) | (w & 0x0F));
    case 0xC:
    case 0xD: {
      int k = w & 0x0FFF;
      if (k & 0x0800) k -= 0x1000;
      return Op(w, (w >> 12) == 0xC ? Rjmp : Rcall, 0, 0, k);
    }
    case 0xE: return Op(w, Ldi, Rd4(w), K8(w));
    default: {                  // 0xF
      if ((w & 0x0800) == 0) {  // 1111 0skk kkkk ksss: BRBS, BRBC
        int k = (w >> 3) & 0x7F;
        if (k & 0x40) k -= 0x80;
        return Op(w, (w & 0x0400) ? Brbc : Brbs, 0, 1u << (w & 7), k);
      }
      if (w & 0x0008) return Op(w, Undefined);  // bit 3 must be clear
      static constexpr uint8_t kinds[4] = {Bld, Bst, Sbrc, Sbrs};
      return Op(w, kinds[(w >> 9) & 3], Rd5(w), 1u << (w & 7));
    }
  }
}
