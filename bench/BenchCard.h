#pragma once
// What the card benchmarks share: a quiet host in place of the window (no
// widgets, no event processing), so that what is measured is the card link
// and not the toolkit, and a virtual card behind the real port object, bit
// link, programming commands and loader link.

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "link/AvrCommands.h"
#include "link/CardHost.h"
#include "link/GpioPortSource.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"
#include "link/TLpt.h"
#include "link/FtdiPortSource.h"
#include "sim/BatchedCardLines.h"
#include "sim/FtdiStandIn.h"
#include "sim/GpioStandIn.h"
#include "sim/VirtualCardPortSource.h"

// Answers every question with No (go on), keeps
// the last status text and counts messages.
class TQuietHost : public TCardHost {
public:
  void SetStatusText(const std::string& text) override { Status = text; }
  void SetProgressMax(TProgressBarId bar, int max) override { Max[bar] = max; }
  void SetProgressStep(TProgressBarId bar, int step) override { Step[bar] = step; }
  void SetProgressPosition(TProgressBarId bar, int position) override {
    Position[bar] = position < 0 ? 0 : (position > Max[bar] ? Max[bar] : position);
  }
  int ProgressPosition(TProgressBarId bar) override { return Position[bar]; }
  void SetProgressVisible(TProgressBarId, bool) override {}
  void StepProgress(TProgressBarId bar) override {
    SetProgressPosition(bar, Position[bar] + Step[bar]);
  }
  void SetChipIdText(const std::string&) override {}
  TMessageResult ShowMessageDialog(const std::string&, TMessageKind, TMessageButtons) override {
    ++Messages;
    return mrNo;
  }
  void Beep() override {}
  void ProcessPendingEvents() override {}

  std::string Status;
  int Messages = 0;
  int Max[4] = {};
  int Step[4] = {};
  int Position[4] = {};
};

inline std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(gen());
  return v;
}

// A virtual card behind the port object, with the link over it: on the
// parallel port, or behind a batched adapter of the given model.
struct TBenchCard {
  explicit TBenchCard(int processorRow, int eepromRow, const TBatchedModel* batched = nullptr,
                      const TFtdiStandInModel* ftdi = nullptr) {
    TVirtualCardConfig config;
    config.ProcessorRow = processorRow;
    config.EepromRow = eepromRow;
    std::vector<std::unique_ptr<TPortSource>> sources;
    if (ftdi) {
      // A stand-in FTDI board with the card on it, behind the FTDI port
      // source and backend; reads always bring what has come.
      TFtdiStandInModel model = *ftdi;
      model.EmptyReads = model.ShortReads = 0;
      auto bus = std::make_unique<TFtdiStandInBus>();
      Board = &bus->Add(std::make_unique<TFtdiStandInDevice>(
          config, FtdiBreakoutAdapter(), model, StandInDeviceInfo(model.Type, "BENCH")));
      sources.push_back(std::make_unique<TFtdiPortSource>(std::move(bus)));
    } else if (batched) {
      auto source = std::make_unique<TBatchedCardPortSource>(config, *batched);
      BatchedSource = source.get();
      sources.push_back(std::move(source));
    } else {
      auto source = std::make_unique<TVirtualCardPortSource>(config);
      Source = source.get();
      sources.push_back(std::move(source));
    }
    Port = std::make_unique<TLptPort>(std::move(sources));
    Port->SetActive(true);
    std::string error;
    Port->OpenSelected(error);
    Link = std::make_unique<TIspLink>(*Port);
    Avr = std::make_unique<TAvrCommands>(*Link, Host);
    Avr->Chips = {processorRow, eepromRow, -1};
    Loader = std::make_unique<TLoaderLink>(*Link, *Avr, Host);
  }
  TVirtualCard& Card() {
    if (Board) return Board->Card();
    return Source ? *Source->Card() : *BatchedSource->Card();
  }

  TQuietHost Host;
  TVirtualCardPortSource* Source = nullptr;
  TBatchedCardPortSource* BatchedSource = nullptr;
  TFtdiStandInDevice* Board = nullptr;
  std::unique_ptr<TLptPort> Port;
  std::unique_ptr<TIspLink> Link;
  std::unique_ptr<TAvrCommands> Avr;
  std::unique_ptr<TLoaderLink> Loader;
};

// A virtual card on the GPIO adapter: the built-in Raspberry Pi header on
// a stand-in of the kernel's GPIO character device (a chip node in a
// temporary /dev), each ioctl taking `ioctlNs` of virtual time.
struct TBenchGpioCard {
  TBenchGpioCard(int processorRow, int eepromRow, uint32_t ioctlNs) {
    TVirtualCardConfig config;
    config.ProcessorRow = processorRow;
    config.EepromRow = eepromRow;
    StandIn = std::make_unique<TGpioStandIn>(config, ioctlNs);
    Root = std::filesystem::temp_directory_path() /
           ("pellar-bench-gpio-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    std::filesystem::create_directories(Root / "dev");
    const std::string node = (Root / "dev/gpiochip0").string();
    std::ofstream{node};
    const size_t chip = StandIn->AddChip(TGpioStandIn::RaspberryPiChip(node));
    for (const TAdapterDefinition& adapter : BuiltInAdapters())
      if (adapter.Kind == TAdapterKind::Gpio) StandIn->Wire(chip, adapter);
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::make_unique<TGpioPortSource>(Root.string(), StandIn.get()));
    Port = std::make_unique<TLptPort>(std::move(sources));
    Port->SetActive(true);
    Link = std::make_unique<TIspLink>(*Port);
    Avr = std::make_unique<TAvrCommands>(*Link, Host);
    Avr->Chips = {processorRow, eepromRow, -1};
    Loader = std::make_unique<TLoaderLink>(*Link, *Avr, Host);
  }
  ~TBenchGpioCard() {
    Port.reset();
    std::error_code ec;
    std::filesystem::remove_all(Root, ec);
  }
  TVirtualCard& Card() { return StandIn->Card(); }

  TQuietHost Host;
  std::filesystem::path Root;
  std::unique_ptr<TGpioStandIn> StandIn;
  std::unique_ptr<TLptPort> Port;
  std::unique_ptr<TIspLink> Link;
  std::unique_ptr<TAvrCommands> Avr;
  std::unique_ptr<TLoaderLink> Loader;
};
