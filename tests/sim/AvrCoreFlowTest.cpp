// Program flow: branches, skips, jumps, calls and returns with their stack
// effects, wrapping inside the model's flash, undefined opcodes, sleep,
// reset and rewritten flash.
#include "tests/sim/AvrCoreFixture.h"

using namespace Enc;

namespace {

struct TBranchCase {
  const char* Name;
  uint16_t Opcode;  // at word 10
  uint8_t Sreg;
  bool Taken;
};

// Offsets +5 (taken: PC 16) unless the name says otherwise.
const TBranchCase kBranchCases[] = {
    {"breq_taken", BRBS(1, 5), 0x02, true}, {"breq_not", BRBS(1, 5), 0xFD, false},
    {"brne_taken", BRBC(1, 5), 0x00, true}, {"brne_not", BRBC(1, 5), 0x02, false},
    {"brcs_taken", BRBS(0, 5), 0x01, true}, {"brcc_taken", BRBC(0, 5), 0xFE, true},
    {"brcc_not", BRBC(0, 5), 0x01, false},  {"brmi_taken", BRBS(2, 5), 0x04, true},
    {"brvs_taken", BRBS(3, 5), 0x08, true}, {"brlt_taken", BRBS(4, 5), 0x10, true},
    {"brge_not", BRBC(4, 5), 0x10, false},  {"brhs_taken", BRBS(5, 5), 0x20, true},
    {"brts_taken", BRBS(6, 5), 0x40, true}, {"brie_taken", BRBS(7, 5), 0x80, true},
    {"brid_not", BRBC(7, 5), 0x80, false},
};

class AvrBranchTest : public AvrCoreTest, public ::testing::WithParamInterface<TBranchCase> {};

TEST_P(AvrBranchTest, TakenTwoCyclesNotTakenOne) {
  const TBranchCase& c = GetParam();
  Load({c.Opcode}, 10);
  Core.Pc = 10;
  Core.SetIo(AvrIo::SREG, c.Sreg);
  EXPECT_EQ(Step(), c.Taken ? 2 : 1);
  EXPECT_EQ(Core.Pc, c.Taken ? 16 : 11);
  EXPECT_EQ(Core.Sreg(), c.Sreg);
}

INSTANTIATE_TEST_SUITE_P(Table, AvrBranchTest, ::testing::ValuesIn(kBranchCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AvrCoreTest, BranchOffsetsReachBothEndsAndWrap) {
  Load({BRBC(0, 63)}, 100);
  Load({BRBC(0, -64)}, 164);
  Load({BRBC(0, -2)}, 0);
  Core.Pc = 100;
  Step();
  EXPECT_EQ(Core.Pc, 164);
  Step();
  EXPECT_EQ(Core.Pc, 101);
  Core.Pc = 0;
  Step();
  EXPECT_EQ(Core.Pc, 4095) << "a branch back from word 0 wraps to the end of the 4K words";
}

struct TSkipCase {
  const char* Name;
  uint16_t Opcode;
  bool Skips;
};

// r16 = 0x81, r17 = 0x81, r18 = 0x02; PINB reads 0x20 (PB5 high).
const TSkipCase kSkipCases[] = {
    {"cpse_equal", CPSE(16, 17), true},  {"cpse_differ", CPSE(16, 18), false},
    {"sbrc_clear", SBRC(16, 1), true},   {"sbrc_set", SBRC(16, 7), false},
    {"sbrs_set", SBRS(16, 0), true},     {"sbrs_clear", SBRS(18, 0), false},
    {"sbic_clear", SBIC(0x16, 4), true}, {"sbic_set", SBIC(0x16, 5), false},
    {"sbis_set", SBIS(0x16, 5), true},   {"sbis_clear", SBIS(0x16, 6), false},
};

class AvrSkipTest : public AvrCoreTest, public ::testing::WithParamInterface<TSkipCase> {
protected:
  void SetUp() override {
    Core.SetReg(16, 0x81);
    Core.SetReg(17, 0x81);
    Core.SetReg(18, 0x02);
    Port.Pins = 0x20;
  }
};

TEST_P(AvrSkipTest, OverOneWordInstruction) {
  const TSkipCase& c = GetParam();
  Load({c.Opcode, INC(20), INC(21)});
  EXPECT_EQ(Step(), c.Skips ? 2 : 1);
  EXPECT_EQ(Core.Pc, c.Skips ? 2 : 1);
}

TEST_P(AvrSkipTest, OverTwoWordInstructionTakesThreeCycles) {
  const TSkipCase& c = GetParam();
  Load({c.Opcode, STS(20), 0x0100, INC(21)});
  EXPECT_EQ(Step(), c.Skips ? 3 : 1);
  EXPECT_EQ(Core.Pc, c.Skips ? 3 : 1);
  if (c.Skips) {
    Step();
    EXPECT_EQ(Core.Reg(21), 1);
    EXPECT_EQ(Core.Data[0x100], 0) << "the skipped STS must not store";
  }
}

INSTANTIATE_TEST_SUITE_P(Table, AvrSkipTest, ::testing::ValuesIn(kSkipCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AvrCoreTest, SkipReadsPinbInItsFirstCycle) {
  Load({NOP, SBIS(0x16, 5), NOP});
  Steps(2);
  ASSERT_EQ(Port.Log.size(), 1u);
  EXPECT_EQ(Port.Log[0], (TPortAccess{false, 0, 0, 1}));
}

TEST_F(AvrCoreTest, RjmpForwardBackwardAndAcrossTheEndOfFlash) {
  Load({RJMP(2047)}, 0);      // 0 -> 2048
  Load({RJMP(-2048)}, 2048);  // 2048 -> 1
  Load({RJMP(-2)}, 1);        // 1 -> 0
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(Core.Pc, 2048);
  Step();
  EXPECT_EQ(Core.Pc, 1);
  Step();
  EXPECT_EQ(Core.Pc, 0);
  Load({RJMP(1)}, 4095);
  Core.Pc = 4095;
  Step();
  EXPECT_EQ(Core.Pc, 1) << "4095 + 1 + 1 wraps inside 4K words";
}

TEST(AvrCoreModels, RelativeJumpsWrapInsideTheSmallerFlash) {
  TFakePortB port;
  TAvrCore core(ProcessorTable[3], port);  // AT90S2343: 1K words
  ASSERT_EQ(core.FlashWords(), 1024);
  core.Flash[0] = RJMP(-2);
  core.Flash[1023] = RCALL(0);
  core.SetIo(AvrIo::SPL, 0xDF);
  core.Step();
  EXPECT_EQ(core.Pc, 1023);
  EXPECT_EQ(core.Step(), 3);
  EXPECT_EQ(core.Pc, 0);
  EXPECT_EQ(core.Data[0xDF], 0x00) << "return address 1024 wraps to 0";
  EXPECT_EQ(core.Data[0xDE], 0x00);
}

TEST_F(AvrCoreTest, RcallAndRetStackEffects) {
  SetSp(0x25F);
  Load({RCALL(0x12F)}, 0x0FF);  // 0x0FF + 1 + 0x12F = 0x22F
  Load({RET}, 0x22F);
  Core.Pc = 0x0FF;
  EXPECT_EQ(Step(), 3);
  EXPECT_EQ(Core.Pc, 0x22F);
  EXPECT_EQ(Core.Sp(), 0x25D);
  EXPECT_EQ(Core.Data[0x25F], 0x00) << "low byte of the return address at SP";
  EXPECT_EQ(Core.Data[0x25E], 0x01) << "high byte below it";
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(Core.Pc, 0x100);
  EXPECT_EQ(Core.Sp(), 0x25F);
}

TEST_F(AvrCoreTest, IcallIjmpAndRetiUseZAndSetI) {
  SetSp(0x100);
  SetPair(30, 0x0345);
  Load({ICALL}, 0x10);
  Load({RETI}, 0x345);
  Load({IJMP}, 0x11);
  Core.Pc = 0x10;
  EXPECT_EQ(Step(), 3);
  EXPECT_EQ(Core.Pc, 0x345);
  EXPECT_EQ(Core.Sp(), 0xFE);
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(Core.Pc, 0x11);
  EXPECT_EQ(Core.Sreg(), AvrFlag::I);
  SetPair(30, 0xF00A);
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(Core.Pc, 0x00A) << "Z beyond flash is taken modulo its size";
}

TEST_F(AvrCoreTest, PushAndPopMoveSpOneByteAtATime) {
  SetSp(0x25F);
  Core.SetReg(3, 0xAB);
  Core.SetReg(4, 0xCD);
  Load({PUSH(3), PUSH(4), POP(5), POP(6)});
  EXPECT_EQ(Steps(2), 4);
  EXPECT_EQ(Core.Sp(), 0x25D);
  EXPECT_EQ(Core.Data[0x25F], 0xAB);
  EXPECT_EQ(Core.Data[0x25E], 0xCD);
  EXPECT_EQ(Steps(2), 4);
  EXPECT_EQ(Core.Reg(5), 0xCD);
  EXPECT_EQ(Core.Reg(6), 0xAB);
  EXPECT_EQ(Core.Sp(), 0x25F);
}

TEST_F(AvrCoreTest, UndefinedOpcodesStopTheCore) {
  const uint16_t undefined[] = {
      0xFFFF,  // erased flash
      0x0101,  // MOVW
      0x0200,  // MULS
      0x0300,  // MULSU
      0x9C00,  // MUL
      0x940C,  // JMP
      0x940E,  // CALL
      0x9004,  // LPM r0,Z
      0x9005,  // LPM r0,Z+
      0x95D8,  // ELPM
      0x95E8,  // SPM
      0x9598,  // BREAK
      0x9419,  // EIJMP
      0x9519,  // EICALL
      0x9404,  // reserved one-register slot
      0x9003,  // reserved load slot
      0x920B,  // reserved store slot
      0x95F8,  // reserved special
      0xF808,  // BLD with bit 3 set
      0xFE0F,  // SBRS with bit 3 set
  };
  for (uint16_t op : undefined) {
    Core.Reset();
    Core.Cycle = 0;
    Load({NOP, op, INC(16)});
    Core.RunUntil(100);
    EXPECT_EQ(Core.Stop, TAvrStop::UndefinedOpcode) << std::hex << op;
    EXPECT_EQ(Core.StopPc, 1) << std::hex << op;
    EXPECT_EQ(Core.StopOpcode, op);
    EXPECT_EQ(Core.Pc, 1);
    EXPECT_EQ(Core.Reg(16), 0) << "nothing after the undefined opcode runs";
    EXPECT_EQ(Core.Cycle, 100u) << "the clock runs on while the core is stopped";
    Core.RunUntil(200);
    EXPECT_EQ(Core.Reg(16), 0);
    EXPECT_EQ(Core.Cycle, 200u);
  }
}

TEST_F(AvrCoreTest, ErasedFlashStopsAtWordZeroAndStepSpendsNoCycle) {
  EXPECT_EQ(Step(), 0);
  EXPECT_EQ(Core.Stop, TAvrStop::UndefinedOpcode);
  EXPECT_EQ(Core.StopOpcode, 0xFFFF);
  EXPECT_EQ(Core.Cycle, 0u);
  Core.Reset();
  EXPECT_EQ(Core.Stop, TAvrStop::None) << "reset clears the stop";
}

TEST_F(AvrCoreTest, RunningOffTheEndOfFlashWrapsToWordZero) {
  std::fill(Core.Flash.begin(), Core.Flash.end(), NOP);
  Core.Flash[0] = INC(16);
  Core.RunUntil(4096);
  EXPECT_EQ(Core.Pc, 0);
  EXPECT_EQ(Core.Reg(16), 1);
  Step();
  EXPECT_EQ(Core.Reg(16), 2);
}

TEST_F(AvrCoreTest, RunUntilRunsWholeInstructionsOnly) {
  Load({RCALL(0), NOP});
  SetSp(0x100);
  Core.RunUntil(1);
  EXPECT_EQ(Core.Cycle, 3u) << "a 3-cycle call started at 0 ends at 3";
  Core.RunUntil(3);
  EXPECT_EQ(Core.Cycle, 3u) << "nothing to do when the target is reached";
}

TEST_F(AvrCoreTest, SleepWithSeStopsForGoodWithoutItIsANop) {
  Load({SLEEP, LDI(16, 0x20), OUT(AvrIo::MCUCR, 16), SLEEP, INC(17)});
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Core.Stop, TAvrStop::None);
  Steps(2);
  EXPECT_EQ(Core.Io(AvrIo::MCUCR), 0x20);
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Core.Stop, TAvrStop::Sleep);
  EXPECT_EQ(Core.StopPc, 3);
  Core.RunUntil(1000);
  EXPECT_EQ(Core.Reg(17), 0);
  EXPECT_EQ(Core.Cycle, 1000u);
}

TEST_F(AvrCoreTest, WdrSeiCliAreOneCycleAndTouchOnlyI) {
  Load({WDR, SEI, CLI});
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Core.Sreg(), AvrFlag::I);
  EXPECT_EQ(Step(), 1);
  EXPECT_EQ(Core.Sreg(), 0);
}

TEST_F(AvrCoreTest, ResetKeepsFlashSramAndCycleClearsTheRest) {
  Load({LDI(16, 7)});
  Core.SetReg(5, 1);
  Core.SetIo(AvrIo::PORTB, 0xFF);
  SetSp(0x25F);
  Core.Data[0x100] = 0x55;
  Core.Cycle = 1234;
  Core.Pc = 9;
  Core.Reset();
  EXPECT_EQ(Core.Pc, 0);
  EXPECT_EQ(Core.Reg(5), 0);
  EXPECT_EQ(Core.Io(AvrIo::PORTB), 0);
  EXPECT_EQ(Core.Sp(), 0);
  EXPECT_EQ(Core.Data[0x100], 0x55);
  EXPECT_EQ(Core.Cycle, 1234u);
  EXPECT_EQ(Core.Flash[0], LDI(16, 7));
  Core.PowerUp();
  EXPECT_EQ(Core.Data[0x100], 0);
}

TEST_F(AvrCoreTest, RewrittenFlashIsDecodedAgain) {
  Load({LDI(16, 1), RJMP(-2)});
  Steps(2);
  EXPECT_EQ(Core.Reg(16), 1);
  Core.Flash[0] = LDI(16, 2);
  Steps(2);
  EXPECT_EQ(Core.Reg(16), 2);
  Core.Flash[0] = 0xFFFF;  // erased again
  Step();
  EXPECT_EQ(Core.Stop, TAvrStop::UndefinedOpcode);
}

TEST_F(AvrCoreTest, RewrittenAddressWordOfStsIsSeen) {
  Load({STS(16), 0x0100, RJMP(-3)});
  Core.SetReg(16, 0x77);
  Steps(2);
  EXPECT_EQ(Core.Data[0x100], 0x77);
  Core.Flash[1] = 0x0101;
  Steps(1);
  EXPECT_EQ(Core.Data[0x101], 0x77);
}

}  // namespace
