// The GPIO adapter's discovery and its refusals: which chips list which
// adapters, how the command line names them, and why a command cannot
// open one (a chip gone, a line busy, no permission, a line the chip
// lacks or a definition that names one line twice), each with a message
// that names the adapter and the card left untouched.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

#include "card/CardSession.h"
#include "link/GpioLines.h"
#include "tests/card/GpioRig.h"

namespace {

// Adapters of the file on both chips of the rig, each with one fault
// that only the chip can tell.
const std::string FaultyAdapters = std::string(GpioAdapterText) +
                                   "[Expander board]\n"            // line 10
                                   "kind  = gpio\n"
                                   "chip  = raspberrypi-exp-gpio\n"
                                   "VCC   = !BT_ON\n"
                                   "CLK   = WL_ON\n"
                                   "RESET = GPIO17\n"              // line 15
                                   "MOSI  = 3\n"
                                   "SCK   = 4\n"
                                   "MISO  = 5\n"
                                   "[Past the end]\n"              // line 19
                                   "kind  = gpio\n"
                                   "chip  = gpiochip0\n"
                                   "VCC   = GPIO4\n"
                                   "CLK   = GPIO5\n"
                                   "RESET = GPIO6\n"
                                   "MOSI  = 99\n"                  // line 25
                                   "SCK   = GPIO7\n"
                                   "MISO  = GPIO8\n"
                                   "[Twice]\n"                     // line 28
                                   "kind  = gpio\n"
                                   "VCC   = !GPIO4\n"
                                   "CLK   = GPIO5\n"
                                   "RESET = GPIO6\n"
                                   "MOSI  = 004\n"                 // line 33
                                   "SCK   = GPIO7\n"
                                   "MISO  = GPIO8\n"
                                   "[Elsewhere]\n"                 // line 36
                                   "kind  = gpio\n"
                                   "chip  = gpiochip7\n"
                                   "VCC   = 1\n"
                                   "CLK   = 2\n"
                                   "RESET = 3\n"
                                   "MOSI  = 4\n"
                                   "SCK   = 5\n"
                                   "MISO  = 6\n";

TEST(GpioDiscovery, ListsTheChipsThatFitAndFindsThemByNodePathOrLabel) {
  TGpioRig rig(CardConfig(0, 0), GpioAdapters(FaultyAdapters));
  std::vector<std::string> labels;
  for (int i = 0; i < rig.Port->PortCount; ++i) labels.push_back(rig.Port->PortLabel(i));
  // The built-in header on the chip that has its lines only; adapters of
  // the file on the chip they name (found or not), or on every chip with
  // all their lines.
  EXPECT_EQ(labels, (std::vector<std::string>{
                        "GPIO adapter on gpiochip0 (pinctrl-bcm2711)",
                        "GPIO adapter \"Offsets board\" on gpiochip0 (pinctrl-bcm2711)",
                        "GPIO adapter \"Expander board\" on gpiochip1 (raspberrypi-exp-gpio)",
                        "GPIO adapter \"Past the end\" on gpiochip0 (pinctrl-bcm2711)",
                        "GPIO adapter \"Twice\" on gpiochip0 (pinctrl-bcm2711)",
                        "GPIO adapter \"Elsewhere\" on gpiochip7",
                    }));
  EXPECT_TRUE(rig.Port->OpenErrors.empty());
  EXPECT_EQ(FindGpioPort(*rig.Port, "gpiochip0"), 0);
  EXPECT_EQ(FindGpioPort(*rig.Port, rig.Node(0)), 0);
  EXPECT_EQ(FindGpioPort(*rig.Port, "pinctrl-bcm2711"), 0);
  EXPECT_EQ(FindGpioPort(*rig.Port, "gpiochip0:offsets BOARD"), 1);
  EXPECT_EQ(FindGpioPort(*rig.Port, "raspberrypi-exp-gpio"), 2);
  EXPECT_EQ(FindGpioPort(*rig.Port, "gpiochip7"), 5);
  EXPECT_EQ(FindGpioPort(*rig.Port, "gpiochip2"), -1);
  EXPECT_EQ(FindGpioPort(*rig.Port, "gpiochip0:Expander board"), -1);
  EXPECT_EQ(FindGpioPort(*rig.Port, "pinctrl"), -1);
}

// A chip the user may not open is not listed; the port object says why,
// naming the group that owns it.
TEST(GpioDiscovery, AChipWithoutPermissionIsToldWithItsGroup) {
  for (const char* group : {"gpio", "root"}) {
    TGpioStandIn standIn(CardConfig(0, 0), 1000);
    const std::filesystem::path root = TGpioRig::MakeRoot();
    TStandInChip chip = TGpioStandIn::RaspberryPiChip((root / "dev/gpiochip0").string());
    chip.OpenError = EACCES;
    chip.Group = group;
    standIn.AddChip(chip);
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::make_unique<TGpioPortSource>(root.string(), &standIn));
    TLptPort port(std::move(sources));
    port.SetActive(true);
    EXPECT_FALSE(port.Active);
    EXPECT_EQ(port.LastError, "Cannot find any LPT ports.");
    const std::string node = (root / "dev/gpiochip0").string();
    EXPECT_EQ(port.OpenErrors,
              std::vector<std::string>{
                  std::string(group) == "gpio"
                      ? "no permission to use " + node +
                            ": it belongs to the group gpio (sudo adduser $USER gpio, then log in "
                            "again)"
                      : "no permission to use " + node +
                            ": only root may use it (ask whoever administers the machine to give "
                            "a group access to it)"});
    std::filesystem::remove_all(root);
  }
}

// Each reason a command cannot open the adapter: the message names the
// adapter and the reason, nothing reaches the card, no line is held
// afterwards, and the lines other programs hold stay theirs.
TEST(GpioAdapterErrors, EachRefusalNamesItsCauseAndLeavesTheCardUntouched) {
  struct TCase {
    const char* Name;
    const char* Port;  // the adapter chosen
    std::function<void(TGpioRig&)> Setup;
    std::function<std::string(const TGpioRig&)> Message;
  };
  const std::string pi = "The GPIO adapter on gpiochip0 (pinctrl-bcm2711) cannot be opened: ";
  const std::vector<TCase> cases = {
      {"chip gone since the list was made", "Raspberry Pi header",
       [](TGpioRig& r) { r.StandIn.Remove(r.PiChip); },
       [](const TGpioRig& r) {
         return "The GPIO adapter on gpiochip0 cannot be opened: there is no GPIO chip " + r.Node(0) +
                ".";
       }},
      {"chip named but absent", "Elsewhere", [](TGpioRig&) {},
       [](const TGpioRig& r) {
         return "The GPIO adapter \"Elsewhere\" on gpiochip7 cannot be opened: there is no GPIO "
                "chip " +
                r.Root.string() + "/dev/gpiochip7.";
       }},
      {"a line busy", "Raspberry Pi header",
       [](TGpioRig& r) { r.StandIn.Chip(r.PiChip).HeldBy[17] = "spi0"; },
       [&](const TGpioRig&) { return pi + "GPIO17 is in use by spi0."; }},
      {"a line taken while the chip was read", "Raspberry Pi header",
       [](TGpioRig& r) { r.StandIn.TakeOnRequest(r.PiChip, 24, "gpioset"); },
       [&](const TGpioRig&) { return pi + "GPIO24 is in use by gpioset."; }},
      {"no permission", "Raspberry Pi header",
       [](TGpioRig& r) { r.StandIn.Chip(r.PiChip).OpenError = EACCES; },
       [](const TGpioRig& r) {
         return "The GPIO adapter on gpiochip0 cannot be opened: no permission to use " + r.Node(0) +
                ": it belongs to the group gpio (sudo adduser $USER gpio, then log in again).";
       }},
      {"a line name the chip lacks", "Expander board", [](TGpioRig&) {},
       [](const TGpioRig&) {
         return std::string(
             "The GPIO adapter \"Expander board\" on gpiochip1 (raspberrypi-exp-gpio) cannot be "
             "opened: adapters.ini, line 15: [Expander board] RESET: gpiochip1 "
             "(raspberrypi-exp-gpio) has no line \"GPIO17\".");
       }},
      {"a line offset past the chip's", "Past the end", [](TGpioRig&) {},
       [](const TGpioRig&) {
         return std::string(
             "The GPIO adapter \"Past the end\" on gpiochip0 (pinctrl-bcm2711) cannot be opened: "
             "adapters.ini, line 25: [Past the end] MOSI: gpiochip0 (pinctrl-bcm2711) has no line "
             "99 (its lines are 0 to 57).");
       }},
      {"one line named twice", "Twice", [](TGpioRig&) {},
       [](const TGpioRig&) {
         return std::string(
             "The GPIO adapter \"Twice\" on gpiochip0 (pinctrl-bcm2711) cannot be opened: "
             "adapters.ini, line 33: [Twice] MOSI: \"004\" is GPIO4 (line 4), which VCC uses "
             "too.");
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TGpioRig rig(CardConfig(0, 0), GpioAdapters(FaultyAdapters));
    ASSERT_TRUE(rig.Select(c.Port));
    const auto flash = RandomCardBytes(8192, 7);
    rig.Card->LoadFlash(flash);
    c.Setup(rig);
    const uint64_t accesses = rig.Card->PortAccesses();
    TCardContext context = rig.Context();
    std::vector<uint8_t> read;
    std::string message;
    try {
      ReadCardMemory(context, AvrFlash, read);
    } catch (const ECardPortError& e) {
      message = e.what();
    }
    EXPECT_EQ(message, c.Message(rig));
    EXPECT_EQ(rig.Card->PortAccesses(), accesses);
    EXPECT_FALSE(rig.Card->Powered());
    EXPECT_EQ(CardFlashBytes(*rig.Card), flash);
    EXPECT_EQ(rig.StandIn.OpenDescriptors(), 0u);
    EXPECT_EQ(rig.StandIn.LineRequests(), 0u);
    for (const std::string& holder : rig.StandIn.Chip(rig.PiChip).HeldBy)
      EXPECT_NE(holder, TGpioLines::Consumer);
    EXPECT_TRUE(rig.Host.Statuses.empty());
  }
}

}  // namespace
