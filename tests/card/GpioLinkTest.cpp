// The card link over a GPIO chip (the stand-in of the kernel's character
// device, wired to the virtual card): every card command gives what it
// gives over the parallel port, a line state costs one ioctl carrying only
// the lines that change, and the card is off before every release of the
// lines: at the end of a command, when it is stopped, when the chip goes
// and when the port object goes.
#include <gtest/gtest.h>

#include "card/CardSession.h"
#include "tests/card/GpioRig.h"

namespace {

// Every processor with two EEPROM sizes; the even processors on the
// built-in Raspberry Pi header (lines by name, VCC inverted), the odd
// ones on an adapter of the file (lines by offset, VCC on two pins, MISO
// inverted).
struct GpioCommands : ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(GpioCommands, AsOnTheParallelPort) {
  const auto [processor, eeprom] = GetParam();
  const TVirtualCardConfig config = CardConfig(processor, eeprom);
  TImmediateRig immediate(config);
  const bool builtIn = processor % 2 == 0;
  TGpioRig gpio(config, GpioAdapters(), builtIn ? "" : "Offsets board");
  ASSERT_EQ(gpio.Port->PortLabel(gpio.Port->SelectedIndex),
            builtIn ? "GPIO adapter on gpiochip0 (pinctrl-bcm2711)"
                    : "GPIO adapter \"Offsets board\" on gpiochip0 (pinctrl-bcm2711)");
  ExpectSameOutcomes(immediate, gpio, processor, eeprom);
  // Each command held the lines once, and let them go with the card off
  // (the rig counts releases with a card line on).
  TCommandImages images(processor, eeprom);
  EXPECT_EQ(gpio.StandIn.LineRequests(), EveryCardCommand(images).size());
  EXPECT_EQ(gpio.StandIn.OpenDescriptors(), 0u);
  EXPECT_EQ(gpio.Card->DataLines(), 0);
  EXPECT_FALSE(gpio.Card->Powered());
}

INSTANTIATE_TEST_SUITE_P(EveryChip, GpioCommands,
                         ::testing::Combine(::testing::Range(0, static_cast<int>(ProcessorTable.size())),
                                            ::testing::Values(0, 1)));

// A read costs one ioctl per line state that changes a line and one per
// MISO sample, as the parallel port costs one access for each: the same
// card clock, and no more ioctls than the parallel port's accesses.
TEST(GpioLink, OneIoctlPerStateAndSample) {
  const TVirtualCardConfig config = CardConfig(0, 0);
  TImmediateRig immediate(config);
  TGpioRig gpio(config);
  const auto flash = RandomCardBytes(8192, 5);
  immediate.Card->LoadFlash(flash);
  gpio.Card->LoadFlash(flash);
  std::vector<uint8_t> a, b;
  TCardContext ic{*immediate.Port, immediate.Link, immediate.Commands, immediate.Loader,
                  immediate.Host};
  TCardContext gc = gpio.Context();
  const uint64_t accesses = immediate.Card->PortAccesses();
  const uint64_t ioctls = gpio.StandIn.Ioctls();
  const uint64_t sets = gpio.StandIn.SetValuesCalls();
  const uint64_t gets = gpio.StandIn.GetValuesCalls();
  ASSERT_TRUE(ReadCardMemory(ic, AvrFlash, a));
  ASSERT_TRUE(ReadCardMemory(gc, AvrFlash, b));
  EXPECT_EQ(a, flash);
  EXPECT_EQ(b, flash);
  EXPECT_EQ(immediate.Card->ClockEdges(), gpio.Card->ClockEdges());
  // The GET_VALUES calls are the samples: one per received bit and a few
  // more for the handshakes of programming mode.
  const uint64_t getCalls = gpio.StandIn.GetValuesCalls() - gets;
  EXPECT_GE(getCalls, 8192u * 8);
  EXPECT_LE(getCalls, 8192u * 8 + 200);
  // Every other access of the parallel port is a state; the GPIO adapter
  // skips those that change nothing (and the chip and request ioctls of
  // opening are few).
  const uint64_t setCalls = gpio.StandIn.SetValuesCalls() - sets;
  EXPECT_LE(setCalls + getCalls, immediate.Card->PortAccesses() - accesses);
  EXPECT_LE(gpio.StandIn.Ioctls() - ioctls - setCalls - getCalls, 100u);
}

// Program All with restore on an AT90S2323 (2 KiB of flash, 128 bytes of
// EEPROM), over a chip that goes (unplugged, its driver unbound) or a
// command that is stopped (Ctrl+C) at points spread over the whole run: the command ends, the card's own flash and internal EEPROM
// are still in the card or handed back as unrestored, and the card is off
// with the lines let go.
TEST(GpioLink, AChipGoneOrAStopMidCommandKeepsTheCardsMemoriesAndEndsOff) {
  const TVirtualCardConfig config = CardConfig(4, 0);
  const auto flash = RandomCardBytes(2048, 21);
  const auto eeprom = RandomCardBytes(128, 22);
  auto ext = RandomCardBytes(100, 23);
  const auto run = [&](TGpioRig& rig, bool& lost) {
    rig.Card->LoadFlash(flash);
    rig.Card->InternalEeprom() = eeprom;
    TCardContext context = rig.Context();
    TProgramAllCommand command(context);
    lost = false;
    try {
      command.Run({{}, {}, {ext.data(), 100}}, true, true);
    } catch (const EAdapterLost& e) {
      lost = true;
      EXPECT_STREQ(e.what(), "The GPIO adapter on gpiochip0 (pinctrl-bcm2711) was lost: No such device.");
    }
    EXPECT_TRUE(CardFlashBytes(*rig.Card) == flash || command.Unrestored().Flash == flash);
    EXPECT_TRUE(rig.Card->InternalEeprom() == eeprom || command.Unrestored().Eeprom == eeprom);
    EXPECT_FALSE(rig.Card->Powered());
    EXPECT_EQ(rig.Card->DataLines(), 0);
    EXPECT_EQ(rig.StandIn.OpenDescriptors(), 0u);
    return command.Unrestored().Any();
  };
  // The whole run's ioctls and rounds of events, to spread the points.
  uint64_t ioctls = 0;
  int rounds = 0;
  {
    TGpioRig rig(config);
    bool lost = false;
    EXPECT_FALSE(run(rig, lost));
    EXPECT_FALSE(lost);
    ioctls = rig.StandIn.Ioctls();
    rounds = rig.Host.EventRounds;
  }
  ASSERT_GT(ioctls, 10000u);
  ASSERT_GT(rounds, 12);
  int goneAfterTheErase = 0, stoppedAfterTheErase = 0;
  for (int sixth = 1; sixth < 6; ++sixth) {
    SCOPED_TRACE(sixth);
    {
      TGpioRig rig(config);
      rig.StandIn.RemoveAfter(rig.PiChip, ioctls * static_cast<uint64_t>(sixth) / 6);
      bool lost = false;
      goneAfterTheErase += run(rig, lost);
      EXPECT_TRUE(lost);
    }
    {
      TGpioRig rig(config);
      rig.Host.StopAt = rounds * sixth / 6;
      bool lost = false;
      stoppedAfterTheErase += run(rig, lost);
      EXPECT_FALSE(lost);
      EXPECT_EQ(rig.StandIn.ReleasesWithCardOn(), 0u);
    }
  }
  // Most of those points lie after the chip erase.
  EXPECT_GE(goneAfterTheErase, 3);
  EXPECT_GE(stoppedAfterTheErase, 3);
}

// The port object let go (the program ends, or the port list is built
// anew) while a command holds the lines with the card powered: the card
// is switched off first.
TEST(GpioLink, ThePortGoingSwitchesTheCardOffBeforeTheRelease) {
  TGpioRig rig(CardConfig(0, 0));
  std::string error;
  ASSERT_TRUE(rig.Port->OpenSelected(error)) << error;
  rig.Link.PowerOn();
  ASSERT_TRUE(rig.Commands.EnterProgrammingMode());
  ASSERT_TRUE(rig.Card->Powered());
  rig.Port->SetActive(false);
  EXPECT_FALSE(rig.Card->Powered());
  EXPECT_EQ(rig.Card->DataLines(), 0);
  EXPECT_EQ(rig.StandIn.OpenDescriptors(), 0u);
  // The rig checks that no release found a card line on.
}

}  // namespace
