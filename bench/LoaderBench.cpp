// A full read of a 262144-byte external EEPROM ("242048") through the
// loader on a virtual AT90S8515: StartLoader and ReadExternalEeprom over
// the real port object and bit link. The loader is put into the card's
// flash directly before each run (not timed). Counters: the wall time of
// one read and the virtual time the card saw.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>

#include "link/AvrCommands.h"
#include "link/IspLink.h"
#include "link/LoaderLink.h"
#include "link/TLpt.h"
#include "link/loader/ELoader.h"
#include "sim/VirtualCardPortSource.h"

namespace {

class TBenchHost : public TCardHost {
public:
  void SetStatusText(const std::string&) override {}
  void SetProgressMax(TProgressBarId, int) override {}
  void SetProgressStep(TProgressBarId b, int step) override { Step[b] = step; }
  void SetProgressPosition(TProgressBarId b, int position) override { Position[b] = position; }
  int ProgressPosition(TProgressBarId b) override { return Position[b]; }
  void SetProgressVisible(TProgressBarId, bool) override {}
  void StepProgress(TProgressBarId b) override { Position[b] += Step[b]; }
  void SetChipIdText(const std::string&) override {}
  int SelectedProcessorRow() override { return 0; }
  void SelectProcessorRow(int) override {}
  int SelectedEepromRow() override { return 5; }  // "242048"
  TMessageResult ShowMessageDialog(const std::string&, TMessageKind, TMessageButtons) override {
    ++Messages;
    return mrYes;
  }
  void Beep() override {}
  void ProcessPendingEvents() override {}
  int Step[4] = {};
  int Position[4] = {};
  int Messages = 0;
};

void BM_ReadExtEeprom256K(benchmark::State& state) {
  TVirtualCardConfig config;
  config.ProcessorRow = 0;  // AT90S8515
  config.EepromRow = 5;     // "242048"
  std::vector<uint8_t> contents(262144);
  std::mt19937 gen(7);
  for (auto& b : contents) b = static_cast<uint8_t>(gen());
  std::vector<uint8_t> buffer(contents.size());

  double wallSeconds = 0;
  double virtualSeconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::unique_ptr<TPortSource>> sources;
    auto owned = std::make_unique<TVirtualCardPortSource>(config);
    TVirtualCardPortSource* source = owned.get();
    sources.push_back(std::move(owned));
    TLptPort port(std::move(sources));
    port.SetActive(true);
    TVirtualCard* card = source->Card();
    card->ExternalEeprom().Memory = contents;
    card->LoadFlash(std::vector<uint8_t>(LoaderImage.begin(), LoaderImage.end()));
    TIspLink link(port);
    TBenchHost host;
    TAvrCommands avr(link, host);
    TLoaderLink loader(link, avr, host);
    link.PowerOn();
    const uint64_t virtualStart = card->VirtualTimeNs();
    state.ResumeTiming();

    const auto start = std::chrono::steady_clock::now();
    loader.StartLoader();
    const bool ok = loader.ReadExternalEeprom(buffer.data(), static_cast<int>(buffer.size()));
    const auto end = std::chrono::steady_clock::now();

    state.PauseTiming();
    link.PowerOff();
    wallSeconds += std::chrono::duration<double>(end - start).count();
    virtualSeconds += static_cast<double>(card->VirtualTimeNs() - virtualStart) * 1e-9;
    if (!ok || buffer != contents || host.Messages != 0)
      state.SkipWithError("the read did not return the EEPROM's contents");
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["wall_s"] = wallSeconds / n;
  state.counters["virtual_s"] = virtualSeconds / n;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(contents.size()));
}
BENCHMARK(BM_ReadExtEeprom256K)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
