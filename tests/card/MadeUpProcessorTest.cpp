// Adding a processor is adding a catalogue row: a made-up chip, with its
// own sizes, signature, write times and polling values, is found by its
// signature, built by the virtual card from the row, and programmed and
// verified by Program All (all three memories, through the loader), and
// restored from its own backup.
#include <gtest/gtest.h>

#include "card/ProgramAllCommand.h"
#include "tests/card/VirtualCardRig.h"
#include "tests/link/TestBytes.h"

namespace {

TEST(MadeUpProcessor, OneRowIsAllItTakes) {
  const TNvmFacts nvm{6000, 5000, 12000, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x7F, 30, 20, 120};
  const ProcessorInfo row{0x1E9A07, "AT90S1024X", 1024, 64, 96, nvm, CardIspPins};
  const TAddedProcessor added(row);
  ASSERT_EQ(FindProcessorBySignature(0x1E9A07), added.Row());

  TVirtualCardRig rig(CardConfig(added.Row(), 1));  // with a 24128
  rig.Commands.Chips.ProcessorRow = 0;  // the window still shows the AT90S8515
  rig.Commands.PowerCycleAllowed = true;
  TLoaderLink loader(rig.Link, rig.Commands, rig.Host);
  TCardContext card{*rig.Port, rig.Link, rig.Commands, loader, rig.Host};

  const auto flash = RandomBytes(1024, 71);
  const auto eeprom = RandomBytes(64, 72);
  const auto ext = RandomBytes(2048, 73);
  std::vector<uint8_t> f = flash, e = eeprom, x = ext;
  TProgramAllCommand command(card);
  EXPECT_TRUE(command.Run({{f.data(), 1024}, {e.data(), 64}, {x.data(), 2048}}, false, true));
  EXPECT_EQ(rig.Host.Statuses.back(), "Device programmed.");
  EXPECT_TRUE(rig.Host.Messages.empty()) << rig.Host.Messages[0].Text;
  EXPECT_EQ(rig.Host.ProcessorRow, added.Row());
  EXPECT_EQ(rig.Commands.Chips.ProcessorRow, added.Row());
  EXPECT_EQ(rig.Host.ChipId, "AT90S1024X");
  // The time left's plan is the work the bars then show (the loader, and
  // each memory written and compared), but for the loader's last part
  // step, which its bar does not show.
  ASSERT_EQ(rig.Host.Plans.size(), 1u);
  EXPECT_EQ(rig.Host.Plans[0], 522 + 2 * (1024 + 64 + 2048));
  EXPECT_GE(rig.Host.Plans[0], rig.Host.WorkShown());
  EXPECT_LE(rig.Host.Plans[0], rig.Host.WorkShown() + 64);

  // The card is the row: its sizes, its memories as written.
  TVirtualCard& chip = *rig.Card;
  EXPECT_EQ(chip.Flash().size(), 512u);
  EXPECT_EQ(chip.InternalEeprom(), eeprom);
  for (size_t w = 0; w < 512; ++w)
    ASSERT_EQ(chip.Flash()[w], flash[2 * w] | (flash[2 * w + 1] << 8)) << w;
  EXPECT_TRUE(std::equal(ext.begin(), ext.end(), chip.ExternalEeprom().Memory.begin()));

  // A new flash image, restore and verify on: the internal EEPROM is read,
  // written back and compared once each, and the time left's plan is the
  // work the bars then show.
  rig.Host.Bars.clear();
  rig.Host.Plans.clear();
  const auto flash2 = RandomBytes(1024, 74);
  f = flash2;
  EXPECT_TRUE(command.Run({{f.data(), 1024}, {}, {}}, true, true));
  EXPECT_EQ(rig.Host.Statuses.back(), "Device programmed.");
  EXPECT_EQ(chip.InternalEeprom(), eeprom);
  EXPECT_EQ(chip.Flash()[511], flash2[1022] | (flash2[1023] << 8));
  ASSERT_EQ(rig.Host.Plans.size(), 1u);
  EXPECT_EQ(rig.Host.Plans[0], 2 * 1024 + 3 * 64);
  EXPECT_EQ(rig.Host.Plans[0], rig.Host.WorkShown());
}

}  // namespace
