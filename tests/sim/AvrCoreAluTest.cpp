// Arithmetic, logic, shift, word and flag instructions: results, SREG and
// cycle counts, with the half-carry, overflow and carry corner cases.
#include "tests/sim/AvrCoreFixture.h"

using namespace Enc;

namespace {

// SREG bit names for readable expectations.
constexpr uint8_t fC = 0x01, fZ = 0x02, fN = 0x04, fV = 0x08, fS = 0x10, fH = 0x20, fT = 0x40,
                  fI = 0x80;

struct TAluCase {
  const char* Name;
  uint16_t Opcode;  // operates on r16 (and r17)
  uint8_t Rd, Rr;   // r16, r17 before
  uint8_t SregIn;
  uint8_t Result;  // r16 after
  uint8_t SregOut;
};

const TAluCase kAluCases[] = {
    // ADD: half carry, signed overflow both ways, carry, zero; I and T kept.
    {"add_half", ADD(16, 17), 0x0F, 0x01, 0, 0x10, fH},
    {"add_overflow_pos", ADD(16, 17), 0x7F, 0x01, 0, 0x80, fH | fV | fN},
    {"add_overflow_neg", ADD(16, 17), 0x80, 0x80, 0, 0x00, fV | fS | fZ | fC},
    {"add_carry_zero", ADD(16, 17), 0xFF, 0x01, 0, 0x00, fH | fZ | fC},
    {"add_plain_keeps_it", ADD(16, 17), 0x12, 0x34, fI | fT | fC | fZ, 0x46, fI | fT},
    // ADC: the carry takes part in H, V and C.
    {"adc_carry_overflow", ADC(16, 17), 0x7F, 0x00, fC, 0x80, fH | fV | fN},
    {"adc_ff_ff_carry", ADC(16, 17), 0xFF, 0xFF, fC, 0xFF, fH | fS | fN | fC},
    {"adc_to_zero", ADC(16, 17), 0x00, 0xFF, fC, 0x00, fH | fZ | fC},
    {"adc_no_carry_in", ADC(16, 17), 0x01, 0x01, 0, 0x02, 0},
    // LSL and ROL are ADD and ADC of a register with itself.
    {"lsl_half", ADD(16, 16), 0x08, 0, 0, 0x10, fH},
    {"rol_out", ADC(16, 16), 0x80, 0, 0, 0x00, fV | fS | fZ | fC},
    {"rol_in", ADC(16, 16), 0x40, 0, fC, 0x81, fV | fN},
    // SUB: borrow from bit 4, overflow, borrow, zero.
    {"sub_half", SUB(16, 17), 0x10, 0x01, 0, 0x0F, fH},
    {"sub_overflow", SUB(16, 17), 0x80, 0x01, 0, 0x7F, fH | fV | fS},
    {"sub_borrow", SUB(16, 17), 0x00, 0x01, 0, 0xFF, fH | fS | fN | fC},
    {"sub_zero", SUB(16, 17), 0x05, 0x05, 0, 0x00, fZ},
    {"sub_pos_minus_neg", SUB(16, 17), 0x7F, 0xFF, 0, 0x80, fV | fN | fC},
    // SBC: Z only stays set when it was set (multi-byte compares).
    {"sbc_borrow_in", SBC(16, 17), 0x00, 0x00, fC | fZ, 0xFF, fH | fS | fN | fC},
    {"sbc_zero_keeps_z", SBC(16, 17), 0x05, 0x05, fZ, 0x00, fZ},
    {"sbc_zero_without_z", SBC(16, 17), 0x05, 0x05, 0, 0x00, 0},
    {"sbc_carry_to_zero", SBC(16, 17), 0x06, 0x05, fC | fZ, 0x00, fZ},
    // Immediate forms.
    {"subi_zero", SUBI(16, 0x10), 0x10, 0, 0, 0x00, fZ},
    {"subi_half", SUBI(16, 0x01), 0x30, 0, 0, 0x2F, fH},
    {"sbci_borrow", SBCI(16, 0x00), 0x00, 0, fC, 0xFF, fH | fS | fN | fC},
    {"sbci_keeps_z", SBCI(16, 0x01), 0x02, 0, fC | fZ, 0x00, fZ},
    // Compares leave the register alone.
    {"cp_less", CP(16, 17), 0x01, 0x02, 0, 0x01, fH | fS | fN | fC},
    {"cp_equal", CP(16, 17), 0x42, 0x42, 0, 0x42, fZ},
    {"cpc_clears_z", CPC(16, 17), 0x00, 0x00, fC | fZ, 0x00, fH | fS | fN | fC},
    {"cpc_keeps_z", CPC(16, 17), 0x10, 0x10, fZ, 0x10, fZ},
    {"cpc_equal_without_z", CPC(16, 17), 0x10, 0x10, 0, 0x10, 0},
    {"cpi_equal", CPI(16, 0x40), 0x40, 0, 0, 0x40, fZ},
    {"cpi_signed_less", CPI(16, 0x01), 0x80, 0, 0, 0x80, fH | fV | fS},
    // Logic: V cleared, C and H kept.
    {"and_zero", AND(16, 17), 0xF0, 0x0F, fV | fC | fH, 0x00, fH | fZ | fC},
    {"or_negative", OR(16, 17), 0x80, 0x01, 0, 0x81, fS | fN},
    {"eor_self_clear", EOR(16, 16), 0x5A, 0, fV | fN | fS, 0x00, fZ},
    {"andi_negative", ANDI(16, 0x80), 0xFF, 0, 0, 0x80, fS | fN},
    {"ori_zero", ORI(16, 0x00), 0x00, 0, fV, 0x00, fZ},
    {"mov_no_flags", MOV(16, 17), 0x00, 0x99, fZ | fC, 0x99, fZ | fC},
    {"ldi_no_flags", LDI(16, 0xA5), 0x00, 0, fC, 0xA5, fC},
    // One-register operations.
    {"com_zero", COM(16), 0x00, 0, 0, 0xFF, fS | fN | fC},
    {"com_ff", COM(16), 0xFF, 0, fV, 0x00, fZ | fC},
    {"neg_one", NEG(16), 0x01, 0, 0, 0xFF, fH | fS | fN | fC},
    {"neg_80", NEG(16), 0x80, 0, 0, 0x80, fV | fN | fC},
    {"neg_zero", NEG(16), 0x00, 0, fC | fH, 0x00, fZ},
    {"neg_10", NEG(16), 0x10, 0, 0, 0xF0, fS | fN | fC},
    {"inc_overflow_keeps_c_h", INC(16), 0x7F, 0, fC | fH, 0x80, fH | fV | fN | fC},
    {"inc_wrap", INC(16), 0xFF, 0, 0, 0x00, fZ},
    {"dec_overflow", DEC(16), 0x80, 0, 0, 0x7F, fV | fS},
    {"dec_zero_keeps_c", DEC(16), 0x01, 0, fC, 0x00, fZ | fC},
    {"swap", SWAP(16), 0x12, 0, fZ, 0x21, fZ},
    {"lsr_to_zero", LSR(16), 0x01, 0, 0, 0x00, fS | fV | fZ | fC},
    {"lsr_clears_n", LSR(16), 0x80, 0, fN | fC, 0x40, 0},
    {"asr_keeps_sign", ASR(16), 0x81, 0, 0, 0xC0, fS | fN | fC},
    {"asr_positive", ASR(16), 0x02, 0, fC, 0x01, 0},
    {"ror_carry_in", ROR(16), 0x01, 0, fC, 0x80, fS | fN | fC},
    {"ror_keeps_h", ROR(16), 0x02, 0, fH, 0x01, fH},
};

class AvrAluTest : public AvrCoreTest, public ::testing::WithParamInterface<TAluCase> {};

TEST_P(AvrAluTest, ResultFlagsAndOneCycle) {
  const TAluCase& c = GetParam();
  Load({c.Opcode});
  Core.SetReg(16, c.Rd);
  Core.SetReg(17, c.Rr);
  Core.SetIo(AvrIo::SREG, c.SregIn);
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Core.Reg(16), c.Result);
  EXPECT_EQ(Core.Sreg(), c.SregOut) << "SREG in 0x" << std::hex << int(c.SregIn);
  EXPECT_EQ(Core.Pc, 1);
}

INSTANTIATE_TEST_SUITE_P(Table, AvrAluTest, ::testing::ValuesIn(kAluCases),
                         [](const auto& info) { return std::string(info.param.Name); });

struct TWordCase {
  const char* Name;
  uint16_t Opcode;
  int Rd;
  uint16_t Before;
  uint8_t SregIn;
  uint16_t After;
  uint8_t SregOut;
};

const TWordCase kWordCases[] = {
    {"adiw_wrap", ADIW(24, 1), 24, 0xFFFF, 0, 0x0000, fZ | fC},
    {"adiw_overflow", ADIW(26, 1), 26, 0x7FFF, 0, 0x8000, fV | fN},
    {"adiw_max_k_carry_into_high", ADIW(30, 63), 30, 0x00C1, 0, 0x0100, 0},
    {"adiw_keeps_h", ADIW(28, 2), 28, 0x1234, fH | fC, 0x1236, fH},
    {"sbiw_wrap", SBIW(24, 1), 24, 0x0000, 0, 0xFFFF, fS | fN | fC},
    {"sbiw_overflow", SBIW(28, 1), 28, 0x8000, 0, 0x7FFF, fV | fS},
    {"sbiw_zero", SBIW(24, 0x10), 24, 0x0010, 0, 0x0000, fZ},
    {"sbiw_borrow_from_high", SBIW(30, 1), 30, 0x0100, 0, 0x00FF, 0},
};

class AvrWordTest : public AvrCoreTest, public ::testing::WithParamInterface<TWordCase> {};

TEST_P(AvrWordTest, ResultFlagsAndTwoCycles) {
  const TWordCase& c = GetParam();
  Load({c.Opcode});
  SetPair(c.Rd, c.Before);
  Core.SetIo(AvrIo::SREG, c.SregIn);
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(Pair(c.Rd), c.After);
  EXPECT_EQ(Core.Sreg(), c.SregOut);
}

INSTANTIATE_TEST_SUITE_P(Table, AvrWordTest, ::testing::ValuesIn(kWordCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AvrCoreTest, BsetAndBclrReachEverySregBit) {
  for (unsigned s = 0; s < 8; ++s) {
    Core.Reset();
    Load({BSET(s), BCLR(s)});
    Core.SetIo(AvrIo::SREG, 0);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Core.Sreg(), 1u << s) << "BSET " << s;
    Core.SetIo(AvrIo::SREG, 0xFF);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Core.Sreg(), 0xFF & ~(1u << s)) << "BCLR " << s;
  }
}

TEST_F(AvrCoreTest, BstAndBldMoveABitThroughT) {
  Load({BST(5, 3), BLD(6, 0), BST(5, 2), BLD(6, 7)});
  Core.SetReg(5, 0x08);
  Core.SetReg(6, 0x80);
  EXPECT_EQ(Steps(2), 2);
  EXPECT_EQ(Core.Sreg(), fT);
  EXPECT_EQ(Core.Reg(6), 0x81);
  EXPECT_EQ(Steps(2), 2);
  EXPECT_EQ(Core.Sreg(), 0);
  EXPECT_EQ(Core.Reg(6), 0x01);
}

TEST_F(AvrCoreTest, TwoRegisterFormsReachHighRegisters) {
  // r31 as destination and r0 as source; r0 as destination and r31 as source.
  Load({ADD(31, 0), MOV(0, 31), EOR(25, 25), SUB(1, 30)});
  Core.SetReg(31, 0x10);
  Core.SetReg(0, 0x22);
  Core.SetReg(25, 0x77);
  Core.SetReg(1, 0x50);
  Core.SetReg(30, 0x10);
  Steps(4);
  EXPECT_EQ(Core.Reg(31), 0x32);
  EXPECT_EQ(Core.Reg(0), 0x32);
  EXPECT_EQ(Core.Reg(25), 0x00);
  EXPECT_EQ(Core.Reg(1), 0x40);
}

}  // namespace
