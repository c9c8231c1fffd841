#pragma once
// A card on a stand-in FTDI board (sim/FtdiStandIn.h) behind the real
// port object, FTDI port source and backend, bit link, commands and
// loader link: the program as it drives a USB adapter.

#include <memory>
#include <string>
#include <vector>

#include "link/AvrCommands.h"
#include "link/FtdiLines.h"
#include "link/FtdiPortSource.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"
#include "link/TLpt.h"
#include "sim/FtdiStandIn.h"
#include "tests/link/ScriptedHost.h"

struct TFtdiRig {
  explicit TFtdiRig(const TVirtualCardConfig& config,
                    const TFtdiStandInModel& model = TFtdiStandInModel::FT232R(),
                    const TAdapterDefinition& wiring = FtdiBreakoutAdapter(),
                    std::vector<TAdapterDefinition> userAdapters = {})
      : Port(MakePort(config, model, wiring, std::move(userAdapters), Bus)),
        Board(&Bus->Device(0)),
        Card(&Board->Card()) {
    Commands.Chips = {config.ProcessorRow, config.EepromRow, -1};
    Commands.PowerCycleAllowed = false;
  }
  ~TFtdiRig() {
    EXPECT_EQ(Card->SdaContentions(), 0u);
    EXPECT_EQ(Card->SdaFloatingReads(), 0u);
    EXPECT_EQ(Board->Stalls(), 0u);
    EXPECT_EQ(Board->PoweredOutsideBitBang(), 0u);
  }

  static std::unique_ptr<TLptPort> MakePort(const TVirtualCardConfig& config,
                                            const TFtdiStandInModel& model,
                                            const TAdapterDefinition& wiring,
                                            std::vector<TAdapterDefinition> userAdapters,
                                            TFtdiStandInBus*& bus) {
    auto ownedBus = std::make_unique<TFtdiStandInBus>();
    bus = ownedBus.get();
    bus->Add(std::make_unique<TFtdiStandInDevice>(config, wiring, model,
                                                  StandInDeviceInfo(model.Type, "A50285BI")));
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::make_unique<TFtdiPortSource>(std::move(ownedBus)));
    auto port = std::make_unique<TLptPort>(std::move(sources));
    port->SetAdapters(std::move(userAdapters));
    port->SetActive(true);
    return port;
  }

  // The backend while the board is open.
  TFtdiLines* Lines() const { return dynamic_cast<TFtdiLines*>(Port->SelectedLines()); }

  TFtdiStandInBus* Bus = nullptr;
  std::unique_ptr<TLptPort> Port;
  TFtdiStandInDevice* Board;
  TVirtualCard* Card;
  TIspLink Link{*Port};
  TScriptedHost Host;
  TAvrCommands Commands{Link, Host};
  TLoaderLink Loader{Link, Commands, Host};
};
