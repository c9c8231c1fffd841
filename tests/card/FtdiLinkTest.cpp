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
  // Never more outstanding than the FT232R holds towards the host (each
  // command opened the board and let it go at its end, so the board
  // counts over all of them).
  EXPECT_LE(ftdi.Board->MostOutstanding(), 128u);
  EXPECT_LE(ftdi.Board->MostHeld(), 128u);
}

// The chip's write time of each byte rides in the transfer, on the host's
// clock: a block of written bytes (a step of the bar) costs one round
// trip, not one a byte, and each byte takes its write time and its line
// states, little more.
TEST(FtdiLink, WriteWaitsRideInTheTransfer) {
  TFtdiRig rig(CardConfig(0, 0));
  std::string error;
  ASSERT_TRUE(rig.Port->OpenSelected(error)) << error;
  rig.Link.PowerOn();
  ASSERT_TRUE(rig.Commands.EnterProgrammingMode());
  ASSERT_TRUE(rig.Commands.ChipErase());
  auto image = RandomCardBytes(1024, 17);
  // Every byte written, none that the chip may read while writing it.
  for (uint8_t& b : image) b = (b == 0xFF || b == 0x7F) ? 0 : b;
  TLineStream& lines = rig.Port->Lines();
  lines.ResetTiming();
  const uint64_t start = rig.Card->VirtualTimeNs();
  ASSERT_TRUE(rig.Commands.ProgramFlash(image.data(), 1024));
  const double seconds = static_cast<double>(rig.Card->VirtualTimeNs() - start) / 1e9;
  // 64 steps of the bar, one flush each.
  EXPECT_LE(lines.Timing().Flushes, 66u);
  EXPECT_LE(lines.Timing().RoundTripNs, 66'000'000u);
  EXPECT_EQ(lines.Timing().ChipWaitNs, 1024u * 4'000'000u);
  // 4 ms a byte, and two instructions of about 135 states at 2 us.
  EXPECT_LT(seconds, 1024 * (0.004 + 0.0006) + 0.066);
  rig.Link.PowerOff();
  rig.Card->Sync();
  for (size_t i = 0; i < image.size(); ++i) {
    const uint16_t word = rig.Card->Flash()[i / 2];
    ASSERT_EQ(i % 2 ? word >> 8 : word & 0xFF, image[i]) << i;
  }
}

// Every processor with the default card's EEPROM; two more EEPROM sizes
// (pages of 64 bytes) on two of them. A command's time grows with the
// EEPROM (Program All restores it whole), so the larger sizes run once.
INSTANTIATE_TEST_SUITE_P(EveryChip, FtdiCommands,
                         ::testing::Values(std::tuple{0, 0}, std::tuple{1, 0}, std::tuple{2, 0},
                                           std::tuple{3, 0}, std::tuple{4, 0}, std::tuple{0, 1},
                                           std::tuple{3, 2}));

}  // namespace
