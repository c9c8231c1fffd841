// A full read of a 262144-byte external EEPROM ("242048") through the
// loader on a virtual AT90S8515: StartLoader and ReadExternalEeprom over
// the real port object and bit link. The loader is put into the card's
// flash directly before each run (not timed). Counters: the wall time of
// one read and the virtual time the card saw.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench/BenchCard.h"
#include "link/loader/ELoader.h"

namespace {

void ReadExtEeprom256K(benchmark::State& state, const TFtdiStandInModel* ftdi) {
  const std::vector<uint8_t> contents = RandomBytes(262144, 7);
  std::vector<uint8_t> buffer(contents.size());

  double wallSeconds = 0;
  double virtualSeconds = 0;
  double cycles = 0;
  TLineTiming timing;
  for (auto _ : state) {
    state.PauseTiming();
    TBenchCard bench(0, 5, nullptr, ftdi);  // AT90S8515, "242048"
    TVirtualCard& card = bench.Card();
    card.ExternalEeprom().Memory = contents;
    card.LoadFlash(std::vector<uint8_t>(LoaderImage.begin(), LoaderImage.end()));
    bench.Link->PowerOn();
    const uint64_t virtualStart = card.VirtualTimeNs();
    const uint64_t edgesStart = card.ClockEdges();
    bench.Port->Lines().ResetTiming();
    state.ResumeTiming();

    const auto start = std::chrono::steady_clock::now();
    bench.Loader->StartLoader();
    const bool ok =
        bench.Loader->ReadExternalEeprom(buffer.data(), static_cast<int>(buffer.size()));
    const auto end = std::chrono::steady_clock::now();

    state.PauseTiming();
    bench.Link->PowerOff();
    wallSeconds += std::chrono::duration<double>(end - start).count();
    virtualSeconds += static_cast<double>(card.VirtualTimeNs() - virtualStart) * 1e-9;
    cycles += static_cast<double>(card.ClockEdges() - edgesStart);
    const TLineTiming& t = bench.Port->Lines().Timing();
    timing.ChipWaitNs += t.ChipWaitNs;
    timing.RoundTripNs += t.RoundTripNs;
    timing.Flushes += t.Flushes;
    if (!ok || buffer != contents || bench.Host.Messages != 0)
      state.SkipWithError("the read did not return the EEPROM's contents");
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["wall_s"] = wallSeconds / n;
  state.counters["virtual_s"] = virtualSeconds / n;
  state.counters["card_cycles"] = cycles / n;
  // Where the virtual time went (CardCommandsBench.cpp says how).
  state.counters["chip_wait_s"] = static_cast<double>(timing.ChipWaitNs) / 1e9 / n;
  state.counters["round_trip_s"] = static_cast<double>(timing.RoundTripNs) / 1e9 / n;
  state.counters["traffic_s"] = virtualSeconds / n - state.counters["chip_wait_s"].value -
                                state.counters["round_trip_s"].value;
  state.counters["flushes"] = static_cast<double>(timing.Flushes) / n;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(contents.size()));
}
void BM_ReadExtEeprom256K(benchmark::State& state) { ReadExtEeprom256K(state, nullptr); }
BENCHMARK(BM_ReadExtEeprom256K)->Unit(benchmark::kMillisecond)->Iterations(3);
// The same over a stand-in FTDI board: an FT232R and an FT232H model
// (CardCommandsBench.cpp).
void BM_ReadExtEeprom256KFT232R(benchmark::State& state) {
  const TFtdiStandInModel model = TFtdiStandInModel::FT232R();
  ReadExtEeprom256K(state, &model);
}
void BM_ReadExtEeprom256KFT232H(benchmark::State& state) {
  const TFtdiStandInModel model = TFtdiStandInModel::FT232H();
  ReadExtEeprom256K(state, &model);
}
BENCHMARK(BM_ReadExtEeprom256KFT232R)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReadExtEeprom256KFT232H)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
