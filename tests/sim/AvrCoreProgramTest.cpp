// Small programs assembled with binutils-avr and run on every model to
// known results and exact cycles: the loader-style byte exchange over
// port B, a memory exercise, and a tour of every instruction.
#include <algorithm>
#include <cctype>
#include <string>

#include "tests/sim/AvrAssemble.h"
#include "tests/sim/AvrCoreFixture.h"

namespace {

#define SKIP_WITHOUT_AVR_TOOLCHAIN()                                                         \
  if (!AvrToolchainAvailable())                                                              \
  GTEST_SKIP() << "binutils-avr (avr-as, avr-ld, avr-objcopy) was not found when the build " \
                  "was configured; install binutils-avr to run the assembled programs"

std::string McuOf(const TAvrModel& model) {
  std::string mcu = model.Name;
  std::transform(mcu.begin(), mcu.end(), mcu.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return mcu;
}

// Loads an assembled program; fails the test when it does not assemble.
::testing::AssertionResult LoadProgram(TAvrCore& core, const std::string& file) {
  const TAvrAssembly a = AvrAssembleFile("tests/sim/programs/" + file, McuOf(core.Model));
  if (!a.Ok) return ::testing::AssertionFailure() << a.Error;
  if (a.Words.size() > core.Flash.size())
    return ::testing::AssertionFailure() << file << " does not fit " << core.Model.Name;
  std::copy(a.Words.begin(), a.Words.end(), core.Flash.begin());
  return ::testing::AssertionSuccess();
}

// Answers PINB reads with the bits of one byte on PB5, most significant
// first, one bit per read.
class TBitSourcePortB : public TFakePortB {
public:
  explicit TBitSourcePortB(uint8_t byte) : Byte(byte) {}
  uint8_t ReadPinB(uint64_t cycle) override {
    TFakePortB::ReadPinB(cycle);
    const int bit = 7 - (Reads++ % 8);
    return (Byte >> bit) & 1 ? 0x20 : 0x00;
  }
  uint8_t Byte;
  int Reads = 0;
};

class AvrProgramTest : public ::testing::TestWithParam<int> {
protected:
  const TAvrModel& Model() const { return ProcessorTable[GetParam()]; }
};

TEST_P(AvrProgramTest, LoaderStyleReceiveAndSendKeepTheirCycleCounts) {
  SKIP_WITHOUT_AVR_TOOLCHAIN();
  TBitSourcePortB port(0xA5);
  TAvrCore core(Model(), port);
  ASSERT_TRUE(LoadProgram(core, "receive_send.S"));
  core.RunUntil(2000);
  ASSERT_EQ(core.Stop, TAvrStop::None);
  EXPECT_EQ(core.Data[0x70], 0xA5);

  std::vector<uint64_t> reads;
  std::vector<TPortAccess> writes;
  for (const TPortAccess& a : port.Log) {
    if (a.Write)
      writes.push_back(a);
    else
      reads.push_back(a.Cycle);
  }
  // Receive: one sample every 5 cycles from cycle 13.
  const std::vector<uint64_t> expectedReads = {13, 18, 23, 28, 33, 38, 43, 48};
  EXPECT_EQ(reads, expectedReads);

  // DDRB, ready, acknowledge, start, 8 bits of ~0xA5 = 0x5A every 7 cycles, end.
  std::vector<TPortAccess> expected = {{true, 0x00, 0x5F, 1},
                                       {true, 0x40, 0x5F, 10},
                                       {true, 0x00, 0x5F, 53},
                                       {true, 0x40, 0x5F, 69}};
  for (int i = 0; i < 8; ++i) {
    const bool one = (0x5A >> (7 - i)) & 1;
    expected.push_back(
        {true, static_cast<uint8_t>(one ? 0x40 : 0x00), 0x5F, static_cast<uint64_t>(73 + 7 * i)});
  }
  expected.push_back({true, 0x00, 0x5F, 126});
  EXPECT_EQ(writes, expected);
}

TEST_P(AvrProgramTest, MemoryExerciseCopiesSumsAndMixes) {
  SKIP_WITHOUT_AVR_TOOLCHAIN();
  TFakePortB port;
  TAvrCore core(Model(), port);
  ASSERT_TRUE(LoadProgram(core, "checksum.S"));
  core.RunUntil(5000);
  ASSERT_EQ(core.Stop, TAvrStop::Sleep) << "stopped at word " << core.StopPc;
  const uint8_t table[16] = {1,    2,    3,    4,    5,    6,    7,    8,
                             0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0xF0};
  unsigned sum = 0;
  for (uint8_t b : table) sum += b;
  EXPECT_EQ(core.Data[0x70] | (core.Data[0x71] << 8), sum);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(core.Data[0x80 + i], table[i] ^ table[i + 8]) << i;
  for (int i = 8; i < 16; ++i) EXPECT_EQ(core.Data[0x80 + i], table[i]) << i;
  EXPECT_EQ(core.Sp(), 0xDF) << "every call returned";
}

TEST_P(AvrProgramTest, EveryInstructionPassesItsOwnChecks) {
  SKIP_WITHOUT_AVR_TOOLCHAIN();
  TFakePortB port;
  port.Pins = 0x20;
  TAvrCore core(Model(), port);
  ASSERT_TRUE(LoadProgram(core, "instruction_tour.S"));
  core.RunUntil(20000);
  EXPECT_EQ(core.Data[0x9D], 0) << "check number " << int(core.Data[0x9D]) << " failed";
  EXPECT_EQ(core.Data[0x9E], 0) << "a skipped two-word STS stored";
  EXPECT_EQ(core.Data[0x9F], 0x5A);
  EXPECT_EQ(core.Stop, TAvrStop::Sleep);
}

INSTANTIATE_TEST_SUITE_P(AllModels, AvrProgramTest, ::testing::Range(0, 5), [](const auto& info) {
  return std::string(ProcessorTable[info.param].Name);
});

TEST(AvrAssemble, ReportsAssemblerErrors) {
  SKIP_WITHOUT_AVR_TOOLCHAIN();
  const TAvrAssembly a = AvrAssembleSource("movw r24, r26\n");  // not on the AT90S8515
  EXPECT_FALSE(a.Ok);
  EXPECT_FALSE(a.Error.empty());
  const TAvrAssembly b = AvrAssembleSource("ldi r16, 0x12\nlds r0, 0x0100\n");
  ASSERT_TRUE(b.Ok) << b.Error;
  EXPECT_EQ(b.Words, (std::vector<uint16_t>{0xE102, 0x9000, 0x0100}));
}

}  // namespace
