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

void BM_ReadExtEeprom256K(benchmark::State& state) {
  const std::vector<uint8_t> contents = RandomBytes(262144, 7);
  std::vector<uint8_t> buffer(contents.size());

  double wallSeconds = 0;
  double virtualSeconds = 0;
  double cycles = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TBenchCard bench(0, 5);  // AT90S8515, "242048"
    TVirtualCard& card = bench.Card();
    card.ExternalEeprom().Memory = contents;
    card.LoadFlash(std::vector<uint8_t>(LoaderImage.begin(), LoaderImage.end()));
    bench.Link->PowerOn();
    const uint64_t virtualStart = card.VirtualTimeNs();
    const uint64_t edgesStart = card.ClockEdges();
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
    if (!ok || buffer != contents || bench.Host.Messages != 0)
      state.SkipWithError("the read did not return the EEPROM's contents");
    state.ResumeTiming();
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["wall_s"] = wallSeconds / n;
  state.counters["virtual_s"] = virtualSeconds / n;
  state.counters["card_cycles"] = cycles / n;
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(contents.size()));
}
BENCHMARK(BM_ReadExtEeprom256K)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
