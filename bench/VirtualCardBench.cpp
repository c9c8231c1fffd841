// Card clock ticks per second: the PC side ticks the virtual card through
// TLptPort (StrobeTick of the bit link) while the card's processor runs a
// loop that toggles PB6. The argument is the number of ticks between two
// reads of MISO (each read brings the processor up to date); 7 is the
// loader's receive rhythm.
#include <benchmark/benchmark.h>

#include "bench/BenchCard.h"

namespace {

void BM_VirtualCardTicks(benchmark::State& state) {
  const int ticksPerRead = static_cast<int>(state.range(0));
  TBenchCard bench(0, 0);
  TLptPort& port = *bench.Port;
  TVirtualCard* card = &bench.Card();
  // ldi r16,0x40; out DDRB,r16; loop: out PORTB,r16; out PORTB,r1; rjmp loop
  card->LoadFlash({0x00, 0xE4, 0x07, 0xBB, 0x08, 0xBB, 0x18, 0xBA, 0xFD, 0xCF});

  TIspLink& link = *bench.Link;
  link.DataLatch = Lines::Vcc | Lines::Reset;
  link.Write();
  int highs = 0;
  for (auto _ : state) {
    for (int i = 0; i < ticksPerRead; ++i) link.StrobeTick();
    highs += port.ReadAck() ? 1 : 0;
  }
  benchmark::DoNotOptimize(highs);
  // The core kept pace with the clock (it may end up to one instruction ahead).
  if (card->Core().Stop != TAvrStop::None || card->Core().Cycle + 1 < card->ClockEdges())
    state.SkipWithError("the core did not run every cycle");
  state.SetItemsProcessed(state.iterations() * ticksPerRead);
  state.counters["ticks/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * ticksPerRead), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_VirtualCardTicks)->Arg(7)->Arg(64)->Arg(4096);

}  // namespace
