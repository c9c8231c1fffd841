// The card over a stand-in FTDI board in synchronous bit-bang mode (sample
// before apply, a byte read for every byte written, short and empty reads
// at random, buffers that stall, a latency per transfer): every command
// gives what it gives over the parallel port.
#include <gtest/gtest.h>

#include "tests/card/CardCommandOutcomes.h"
#include "tests/card/FtdiRig.h"

namespace {

struct FtdiCommands : ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(FtdiCommands, AsOnTheParallelPort) {
  const auto [processor, eeprom] = GetParam();
  const TVirtualCardConfig config = CardConfig(processor, eeprom);
  TImmediateRig immediate(config);
  TFtdiStandInModel model = TFtdiStandInModel::FT232R();
  model.Seed = static_cast<unsigned>(processor * 7 + eeprom);
  TFtdiRig ftdi(config, model);
  ExpectSameOutcomes(immediate, ftdi, processor, eeprom);
  // Never more outstanding than the FT232R holds towards the host.
  ASSERT_NE(ftdi.Lines(), nullptr);
  EXPECT_LE(ftdi.Lines()->MostOutstanding(), 128u);
  EXPECT_LE(ftdi.Board->MostHeld(), 128u);
}

// Three EEPROM sizes: pages of 32, 64 and 128 bytes.
INSTANTIATE_TEST_SUITE_P(EveryChip, FtdiCommands,
                         ::testing::Combine(::testing::Range(0, static_cast<int>(ProcessorTable.size())),
                                            ::testing::Values(0, 1, 3)));

}  // namespace
