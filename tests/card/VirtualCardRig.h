#pragma once
// A virtual card behind the real port object, bit link and programming
// commands, as the program drives a card; for end-to-end tests.

#include <memory>
#include <vector>

#include "link/AvrCommands.h"
#include "link/IspLink.h"
#include "link/TLpt.h"
#include "sim/VirtualCardPortSource.h"
#include "tests/link/ScriptedHost.h"

inline TVirtualCardConfig CardConfig(int processorRow, int eepromRow = 0) {
  TVirtualCardConfig c;
  c.ProcessorRow = processorRow;
  c.EepromRow = eepromRow;
  return c;
}

struct TVirtualCardRig {
  explicit TVirtualCardRig(const TVirtualCardConfig& config = {})
      : Port(MakePort(config, Source)), Card(Source->Card()) {
    Commands.Chips = {config.ProcessorRow, config.EepromRow, -1};
    Commands.PowerCycleAllowed = false;
  }

  // Powered, in programming mode.
  bool Enter() {
    Link.PowerOn();
    return Commands.EnterProgrammingMode();
  }

  static std::unique_ptr<TLptPort> MakePort(const TVirtualCardConfig& config,
                                            TVirtualCardPortSource*& source) {
    auto owned = std::make_unique<TVirtualCardPortSource>(config);
    source = owned.get();
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::move(owned));
    auto port = std::make_unique<TLptPort>(std::move(sources));
    port->SetActive(true);
    return port;
  }

  TVirtualCardPortSource* Source = nullptr;
  std::unique_ptr<TLptPort> Port;
  TVirtualCard* Card = nullptr;
  TIspLink Link{*Port};
  TScriptedHost Host;
  TAvrCommands Commands{Link, Host};
};
