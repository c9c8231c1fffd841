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

// Every processor with the default card's EEPROM; two more EEPROM sizes
// (pages of 64 bytes) on two of them. A command's time grows with the
// EEPROM (Program All restores it whole), so the larger sizes run once.
INSTANTIATE_TEST_SUITE_P(EveryChip, FtdiCommands,
                         ::testing::Values(std::tuple{0, 0}, std::tuple{1, 0}, std::tuple{2, 0},
                                           std::tuple{3, 0}, std::tuple{4, 0}, std::tuple{0, 1},
                                           std::tuple{3, 2}));

}  // namespace
