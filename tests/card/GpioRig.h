#pragma once
// A virtual card on a GPIO chip of the stand-in (sim/GpioStandIn.h),
// behind the real GPIO port source, port object, bit link and commands: a
// Raspberry Pi's header chip (gpiochip0, pinctrl-bcm2711) and its second
// chip (gpiochip1, raspberrypi-exp-gpio), with their nodes in a temporary
// /dev. The card hangs on gpiochip0 through the wiring of the adapter the
// rig is made for.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "link/AdapterFile.h"
#include "link/GpioPortSource.h"
#include "link/LoaderLink.h"
#include "sim/GpioStandIn.h"
#include "tests/card/CardCommandOutcomes.h"

// The user's GPIO adapters the tests use, as an adapter file gives them.
inline constexpr const char* GpioAdapterText =
    "[Offsets board]\n"
    "kind  = gpio\n"
    "chip  = gpiochip0\n"
    "VCC   = 5 6\n"
    "CLK   = 13\n"
    "RESET = 19\n"
    "MOSI  = 26\n"
    "SCK   = 12\n"
    "MISO  = !16\n";

inline std::vector<TAdapterDefinition> GpioAdapters(const std::string& text = GpioAdapterText) {
  TAdapterFileResult result = ParseAdapterText(text, "adapters.ini");
  EXPECT_TRUE(result.Messages.empty()) << result.Messages.front();
  return result.Adapters;
}

inline const TAdapterDefinition& RaspberryPiAdapter() {
  for (const TAdapterDefinition& adapter : BuiltInAdapters())
    if (adapter.Kind == TAdapterKind::Gpio) return adapter;
  throw std::logic_error("no built-in GPIO adapter");
}

// A host that asks the running command to stop (Ctrl+C at a terminal)
// at its `StopAt`th round of events.
struct TStoppingHost : TScriptedHost {
  void ProcessPendingEvents() override {
    TScriptedHost::ProcessPendingEvents();
    if (EventRounds == StopAt) throw ECardStopped();
  }
  int StopAt = -1;
};

struct TGpioRig {
  // The card on the adapter named `wired` (the built-in Raspberry Pi
  // header when empty), the user's `adapters` listed too; that adapter's
  // port is selected.
  explicit TGpioRig(const TVirtualCardConfig& config, std::vector<TAdapterDefinition> adapters = {},
                    const std::string& wired = "", uint32_t ioctlNs = 1000)
      : Root(MakeRoot()),
        StandIn(config, ioctlNs),
        Card(&StandIn.Card()),
        Port(MakePort(std::move(adapters), wired)) {
    Select(WiredName);
    Commands.Chips = {config.ProcessorRow, config.EepromRow, -1};
    Commands.PowerCycleAllowed = false;
  }
  ~TGpioRig() {
    EXPECT_EQ(Card->SdaContentions(), 0u);
    EXPECT_EQ(Card->SdaFloatingReads(), 0u);
    EXPECT_EQ(StandIn.ReleasesWithCardOn(), 0u);
    EXPECT_EQ(StandIn.RequestsNotOff(), 0u);
    EXPECT_EQ(StandIn.RedundantSets(), 0u);
    std::error_code ec;
    std::filesystem::remove_all(Root, ec);
  }

  std::string Node(int n) const { return (Root / "dev" / ("gpiochip" + std::to_string(n))).string(); }
  // Selects the port of the adapter `name`; false when it is not listed.
  bool Select(const std::string& name) {
    for (int i = 0; i < Port->PortCount; ++i) {
      if (Port->PortNames[static_cast<size_t>(i)] != name) continue;
      Port->SelectPort(i);
      return true;
    }
    return false;
  }
  TCardContext Context() { return {*Port, Link, Commands, Loader, Host}; }

  std::unique_ptr<TLptPort> MakePort(std::vector<TAdapterDefinition> adapters,
                                     const std::string& wired) {
    PiChip = StandIn.AddChip(TGpioStandIn::RaspberryPiChip(Node(0)));
    TStandInChip expander;
    expander.Path = Node(1);
    expander.Name = "gpiochip1";
    expander.Label = "raspberrypi-exp-gpio";
    expander.LineNames = {"BT_ON",         "WL_ON",    "PWR_LED_OFF", "GLOBAL_RESET",
                          "VDD_SD_IO_SEL", "CAM_GPIO", "SD_PWR_ON",   ""};
    ExpanderChip = StandIn.AddChip(expander);
    const TAdapterDefinition* wiring = &RaspberryPiAdapter();
    for (const TAdapterDefinition& adapter : adapters)
      if (adapter.Name == wired) wiring = &adapter;
    StandIn.Wire(PiChip, *wiring);
    WiredName = wiring->Name;

    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::make_unique<TGpioPortSource>(Root.string(), &StandIn));
    auto port = std::make_unique<TLptPort>(std::move(sources));
    port->SetAdapters(std::move(adapters));
    port->SetActive(true);
    return port;
  }

  static std::filesystem::path MakeRoot() {
    static int counter = 0;
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() /
        ("pellar-gpio-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(root / "dev");
    for (int n : {0, 1}) std::ofstream(root / "dev" / ("gpiochip" + std::to_string(n)));
    return root;
  }

  std::filesystem::path Root;
  TGpioStandIn StandIn;
  size_t PiChip = 0;
  size_t ExpanderChip = 0;
  std::string WiredName;
  TVirtualCard* Card = nullptr;
  std::unique_ptr<TLptPort> Port;
  TIspLink Link{*Port};
  TStoppingHost Host;
  TAvrCommands Commands{Link, Host};
  TLoaderLink Loader{Link, Commands, Host};
};
