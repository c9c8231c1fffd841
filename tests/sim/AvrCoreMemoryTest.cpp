// Data space: loads and stores in every addressing mode, I/O registers and
// port B with the cycle of each access, LPM, and accesses outside the data
// space (runaway pointers, a stack that leaves the SRAM) on every model.
#include <algorithm>

#include "tests/sim/AvrCoreFixture.h"

using namespace Enc;

namespace {

struct TIndirectCase {
  const char* Name;
  uint16_t Opcode;   // loads into r0 / stores r0
  int Pointer;       // 26 X, 28 Y, 30 Z
  uint16_t Before;   // pointer before
  uint16_t Address;  // data address accessed
  uint16_t After;    // pointer after
};

const TIndirectCase kLoadCases[] = {
    {"ld_x", LD(0, 0xC), 26, 0x100, 0x100, 0x100},
    {"ld_x_inc", LD(0, 0xD), 26, 0x100, 0x100, 0x101},
    {"ld_x_dec", LD(0, 0xE), 26, 0x100, 0x0FF, 0x0FF},
    {"ld_y", LDD(0, true, 0), 28, 0x120, 0x120, 0x120},
    {"ld_y_inc", LD(0, 0x9), 28, 0x120, 0x120, 0x121},
    {"ld_y_dec", LD(0, 0xA), 28, 0x120, 0x11F, 0x11F},
    {"ldd_y_63", LDD(0, true, 63), 28, 0x120, 0x15F, 0x120},
    {"ld_z", LDD(0, false, 0), 30, 0x200, 0x200, 0x200},
    {"ld_z_inc", LD(0, 0x1), 30, 0x1FF, 0x1FF, 0x200},
    {"ld_z_dec", LD(0, 0x2), 30, 0x200, 0x1FF, 0x1FF},
    {"ldd_z_33", LDD(0, false, 33), 30, 0x200, 0x221, 0x200},
    {"ld_x_inc_carries_into_high", LD(0, 0xD), 26, 0x0FF, 0x0FF, 0x100},
};

const TIndirectCase kStoreCases[] = {
    {"st_x", ST(0xC, 0), 26, 0x100, 0x100, 0x100},
    {"st_x_inc", ST(0xD, 0), 26, 0x100, 0x100, 0x101},
    {"st_x_dec", ST(0xE, 0), 26, 0x100, 0x0FF, 0x0FF},
    {"st_y", STD(true, 0, 0), 28, 0x120, 0x120, 0x120},
    {"st_y_inc", ST(0x9, 0), 28, 0x120, 0x120, 0x121},
    {"st_y_dec", ST(0xA, 0), 28, 0x120, 0x11F, 0x11F},
    {"std_y_63", STD(true, 63, 0), 28, 0x120, 0x15F, 0x120},
    {"st_z", STD(false, 0, 0), 30, 0x200, 0x200, 0x200},
    {"st_z_inc", ST(0x1, 0), 30, 0x200, 0x200, 0x201},
    {"st_z_dec", ST(0x2, 0), 30, 0x200, 0x1FF, 0x1FF},
    {"std_z_17", STD(false, 17, 0), 30, 0x200, 0x211, 0x200},
};

class AvrLoadTest : public AvrCoreTest, public ::testing::WithParamInterface<TIndirectCase> {};

TEST_P(AvrLoadTest, ReadsTheAddressAndUpdatesThePointer) {
  const TIndirectCase& c = GetParam();
  for (unsigned a = 0x60; a < Core.Data.size(); ++a) Core.Data[a] = static_cast<uint8_t>(a ^ 0x5A);
  Load({c.Opcode});
  SetPair(c.Pointer, c.Before);
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(Core.Reg(0), static_cast<uint8_t>(c.Address ^ 0x5A));
  EXPECT_EQ(Pair(c.Pointer), c.After);
}

INSTANTIATE_TEST_SUITE_P(Table, AvrLoadTest, ::testing::ValuesIn(kLoadCases),
                         [](const auto& info) { return std::string(info.param.Name); });

class AvrStoreTest : public AvrCoreTest, public ::testing::WithParamInterface<TIndirectCase> {};

TEST_P(AvrStoreTest, WritesTheAddressOnlyAndUpdatesThePointer) {
  const TIndirectCase& c = GetParam();
  Load({c.Opcode});
  SetPair(c.Pointer, c.Before);
  Core.SetReg(0, 0xE7);
  const std::vector<uint8_t> before = Core.Data;
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(Pair(c.Pointer), c.After);
  for (unsigned a = 0x60; a < Core.Data.size(); ++a)
    EXPECT_EQ(Core.Data[a], a == c.Address ? 0xE7 : before[a]) << "address 0x" << std::hex << a;
}

INSTANTIATE_TEST_SUITE_P(Table, AvrStoreTest, ::testing::ValuesIn(kStoreCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(AvrCoreTest, LdsAndStsAreTwoWordsTwoCycles) {
  Load({LDS(5), 0x0150, STS(5), 0x0151});
  Core.Data[0x150] = 0x3C;
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(Core.Pc, 2);
  EXPECT_EQ(Core.Reg(5), 0x3C);
  EXPECT_EQ(Step(), 2);
  EXPECT_EQ(Core.Pc, 4);
  EXPECT_EQ(Core.Data[0x151], 0x3C);
}

TEST_F(AvrCoreTest, DataSpaceReachesRegistersAndIoRegisters) {
  // LD from address 5 reads r5; ST to 0x5F writes SREG; LDS from SPL.
  Core.SetReg(5, 0x99);
  SetPair(26, 0x0005);
  SetPair(30, 0x005F);
  Core.SetReg(1, 0x03);
  SetSp(0x1234);
  Load({LD(0, 0xC), ST(0x1, 1), LDS(2), 0x005D});
  Steps(3);
  EXPECT_EQ(Core.Reg(0), 0x99);
  EXPECT_EQ(Core.Sreg(), 0x03);
  EXPECT_EQ(Core.Reg(2), 0x34);
}

TEST_F(AvrCoreTest, InOutOnPlainIoRegisters) {
  Load({OUT(AvrIo::SREG, 16), IN(17, AvrIo::SPL), OUT(0x3C, 16), IN(18, 0x3C), OUT(0x00, 16)});
  Core.SetReg(16, 0xC3);
  SetSp(0x0177);
  EXPECT_EQ(Steps(5), 5);
  EXPECT_EQ(Core.Sreg(), 0xC3);
  EXPECT_EQ(Core.Reg(17), 0x77);
  EXPECT_EQ(Core.Reg(18), 0xC3);
  EXPECT_EQ(Core.Io(0x00), 0xC3);
  EXPECT_TRUE(Port.Log.empty()) << "only port B goes out";
}

TEST_F(AvrCoreTest, PortBWritesCarryTheCycleOfTheWrite) {
  Load({LDI(16, 0x5F), OUT(AvrIo::DDRB, 16), OUT(AvrIo::PORTB, 16), SBI(AvrIo::PORTB, 7),
        CBI(AvrIo::PORTB, 0), OUT(AvrIo::PINB, 16), SBI(AvrIo::DDRB, 7)});
  Core.Cycle = 100;
  EXPECT_EQ(Steps(7), 1 + 1 + 1 + 2 + 2 + 1 + 2);
  const std::vector<TPortAccess> expected = {
      {true, 0x00, 0x5F, 101},  // OUT DDRB in its only cycle
      {true, 0x5F, 0x5F, 102},  // OUT PORTB
      {true, 0xDF, 0x5F, 104},  // SBI: written in its second cycle
      {true, 0xDE, 0x5F, 106},  // CBI
                                // OUT PINB: ignored, not reported
      {true, 0xDE, 0xDF, 109},  // SBI DDRB
  };
  EXPECT_EQ(Port.Log, expected);
  EXPECT_EQ(Core.Io(AvrIo::PINB), 0) << "PINB is read-only";
}

TEST_F(AvrCoreTest, PinbReadsCarryTheCycleOfTheRead) {
  Port.Pins = 0xA5;
  SetPair(26, 0x0036);  // PINB in the data space
  Load({IN(16, AvrIo::PINB), IN(17, AvrIo::PORTB), LD(18, 0xC), LDS(19), 0x0036});
  Core.Cycle = 10;
  EXPECT_EQ(Steps(4), 1 + 1 + 2 + 2);
  EXPECT_EQ(Core.Reg(16), 0xA5);
  EXPECT_EQ(Core.Reg(17), 0x00) << "PORTB reads its latch, not the pins";
  EXPECT_EQ(Core.Reg(18), 0xA5);
  EXPECT_EQ(Core.Reg(19), 0xA5);
  const std::vector<TPortAccess> expected = {
      {false, 0, 0, 10}, {false, 0, 0, 13}, {false, 0, 0, 15}};
  EXPECT_EQ(Port.Log, expected);
}

TEST_F(AvrCoreTest, StoresThroughTheDataSpaceReachPortB) {
  SetPair(30, 0x0038);  // PORTB
  Core.SetReg(1, 0x40);
  Load({ST(0x1, 1), STS(1), 0x0037});
  Steps(2);
  const std::vector<TPortAccess> expected = {{true, 0x40, 0x00, 1}, {true, 0x40, 0x40, 3}};
  EXPECT_EQ(Port.Log, expected);
  EXPECT_EQ(Pair(30), 0x0039);
}

TEST_F(AvrCoreTest, LpmReadsEitherByteOfAFlashWordInThreeCycles) {
  Load({LPM, LPM, LPM});
  Load({0xBEEF}, 0x800);
  SetPair(30, 0x1000);
  EXPECT_EQ(Step(), 3);
  EXPECT_EQ(Core.Reg(0), 0xEF);
  SetPair(30, 0x1001);
  Step();
  EXPECT_EQ(Core.Reg(0), 0xBE);
  EXPECT_EQ(Pair(30), 0x1001) << "LPM leaves Z alone";
  SetPair(30, 0x3001);  // word 0x1800 wraps to 0x800 in 4K words
  Step();
  EXPECT_EQ(Core.Reg(0), 0xBE);
}

TEST_F(AvrCoreTest, AccessesBeyondTheDataSpaceReadFfAndWriteNothing) {
  const std::vector<uint8_t> before = Core.Data;
  SetPair(26, 0xFFFF);
  SetPair(28, 0xFF00);
  Core.SetReg(1, 0x11);
  Load({LD(0, 0xC), ST(0xD, 1), LDD(2, true, 63), STD(true, 63, 1), STS(1), 0x0260, LDS(3), 0x0260,
        LD(4, 0xD)});
  Steps(7);
  EXPECT_EQ(Core.Reg(0), 0xFF);
  EXPECT_EQ(Core.Reg(2), 0xFF);
  EXPECT_EQ(Core.Reg(3), 0xFF);
  EXPECT_EQ(Pair(26), 0x0001) << "X+ wrapped from 0xFFFF to 0, then 1";
  EXPECT_EQ(Core.Reg(4), 0xFF) << "X wrapped to 0: the last load read r0";
  EXPECT_EQ(Core.Data.size(), before.size());
  for (unsigned a = 0x60; a < Core.Data.size(); ++a) EXPECT_EQ(Core.Data[a], before[a]);
}

TEST_F(AvrCoreTest, StackOverflowRunsThroughIoAndRegistersThenOffTheEnd) {
  // SP at the bottom of SRAM: pushes go into the I/O space (SREG first),
  // then the registers, then wrap to 0xFFFF where nothing is stored.
  Core.SetReg(16, 0x80);
  SetSp(0x0060);
  Load({PUSH(16), PUSH(16)});
  Steps(2);
  EXPECT_EQ(Core.Data[0x60], 0x80);
  EXPECT_EQ(Core.Sreg(), 0x80) << "the chip pushes into SREG below the SRAM";
  EXPECT_EQ(Core.Sp(), 0x005E);
  Core.Reset();
  SetSp(0x0000);
  Core.SetReg(16, 0x42);
  Load({PUSH(16), PUSH(16), POP(17), POP(18)});
  Steps(2);
  EXPECT_EQ(Core.Reg(0), 0x42);
  EXPECT_EQ(Core.Sp(), 0xFFFE);
  Steps(2);
  EXPECT_EQ(Core.Reg(17), 0xFF) << "popped from beyond the data space";
  EXPECT_EQ(Core.Reg(18), 0x42);
  EXPECT_EQ(Core.Sp(), 0x0000);
}

TEST_F(AvrCoreTest, StackUnderflowAtTheTopOfSramReturnsToTheOpenBusAddress) {
  SetSp(0x025F);
  Load({RET});
  EXPECT_EQ(Step(), 4);
  EXPECT_EQ(Core.Sp(), 0x0261);
  EXPECT_EQ(Core.Pc, 0x0FFF) << "0xFFFF taken inside 4K words";
}

TEST_F(AvrCoreTest, RecursionWithoutEndStaysInsideTheArrays) {
  // rcall to itself forever: the stack runs down through everything.
  SetSp(0x025F);
  Load({RCALL(-1)});
  Core.RunUntil(3 * 70000);
  EXPECT_EQ(Core.Stop, TAvrStop::None);
  EXPECT_EQ(Core.Pc, 0);
}

class AvrModelTest : public ::testing::TestWithParam<int> {};

TEST_P(AvrModelTest, SizesAndStackPointerWidth) {
  const TAvrModel& m = ProcessorTable[GetParam()];
  TFakePortB port;
  TAvrCore core(m, port);
  EXPECT_EQ(static_cast<int>(core.Flash.size()) * 2, m.FlashSize);
  EXPECT_EQ(core.Data.size(), 0x60u + m.SramSize);
  EXPECT_TRUE(
      std::all_of(core.Flash.begin(), core.Flash.end(), [](uint16_t w) { return w == 0xFFFF; }));
  const unsigned ramEnd = 0x5F + m.SramSize;
  const bool smallSp = ramEnd <= 0xFF;
  // Set SP from a program, push twice at the top, then fall off the bottom.
  core.Flash[0] = LDI(16, ramEnd & 0xFF);
  core.Flash[1] = OUT(AvrIo::SPL, 16);
  core.Flash[2] = LDI(16, ramEnd >> 8);
  core.Flash[3] = OUT(AvrIo::SPH, 16);
  core.Flash[4] = LDI(17, 0x3C);
  core.Flash[5] = PUSH(17);
  core.Flash[6] = LDI(16, 0);
  core.Flash[7] = OUT(AvrIo::SPL, 16);
  core.Flash[8] = OUT(AvrIo::SPH, 16);
  core.Flash[9] = PUSH(17);
  core.Flash[10] = POP(18);
  for (int i = 0; i < 6; ++i) core.Step();
  EXPECT_EQ(core.Data[ramEnd], 0x3C);
  EXPECT_EQ(core.Sp(), ramEnd - 1);
  for (int i = 0; i < 4; ++i) core.Step();
  EXPECT_EQ(core.Reg(0), 0x3C) << "a push at SP 0 writes r0";
  EXPECT_EQ(core.Sp(), smallSp ? 0x00FF : 0xFFFF);
  core.Step();
  EXPECT_EQ(core.Reg(18), 0x3C);
  EXPECT_EQ(core.Sp(), 0);
  if (smallSp) {
    core.Flash[11] = LDI(16, 0x12);
    core.Flash[12] = OUT(AvrIo::SPH, 16);
    core.Step();
    core.Step();
    EXPECT_EQ(core.Io(AvrIo::SPH), 0) << m.Name << " has no SPH";
  }
}

INSTANTIATE_TEST_SUITE_P(AllModels, AvrModelTest, ::testing::Range(0, 5), [](const auto& info) {
  return std::string(ProcessorTable[info.param].Name);
});

TEST(AvrModels, CatalogueOrderSizesAndSignatures) {
  struct TExpect {
    const char* Name;
    uint32_t Signature;
    int Flash, Eeprom, Sram;
  };
  const TExpect expected[] = {
      {"AT90S8515", 0x1E9301, 8192, 512, 512}, {"AT90S4433", 0x1E9203, 4096, 256, 128},
      {"AT90S4414", 0x1E9201, 4096, 256, 256}, {"AT90S2343", 0x1E9103, 2048, 128, 128},
      {"AT90S2323", 0x1E9102, 2048, 128, 128},
  };
  for (int i = 0; i < 5; ++i) {
    EXPECT_STREQ(ProcessorTable[i].Name, expected[i].Name);
    EXPECT_EQ(ProcessorTable[i].Signature, expected[i].Signature);
    EXPECT_EQ(ProcessorTable[i].FlashSize, expected[i].Flash);
    EXPECT_EQ(ProcessorTable[i].EepromSize, expected[i].Eeprom);
    EXPECT_EQ(ProcessorTable[i].SramSize, expected[i].Sram);
  }
}

TEST_F(AvrCoreTest, FlashAndDataResizedFromOutsideAreRestoredBeforeRunning) {
  Core.Flash.assign(3, 0x0000);
  Core.Data.resize(10);
  Core.RunUntil(10);
  EXPECT_EQ(Core.Flash.size(), 4096u);
  EXPECT_EQ(Core.Data.size(), 0x60u + 512);
  EXPECT_EQ(Core.Stop, TAvrStop::UndefinedOpcode);
  EXPECT_EQ(Core.StopPc, 3) << "three NOPs, then erased flash";
}

}  // namespace
