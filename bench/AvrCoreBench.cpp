// Cycles per second of the AT90S core running the loader's receive loop
// (sbic PINB,5 / sec / rol / brcc: one PINB read every 5 cycles). The
// argument is the number of cycles per RunUntil call: large chunks show
// the core alone, small ones the per-call cost the card pays when it runs
// the core up to each port access.
#include <benchmark/benchmark.h>

#include "sim/AvrCore.h"

namespace {

class TTogglingPortB : public TAvrPortB {
public:
  uint8_t ReadPinB(uint64_t cycle) override { return static_cast<uint8_t>((cycle >> 2) & 0x20); }
  void PortBWritten(uint8_t port, uint8_t, uint64_t) override { benchmark::DoNotOptimize(port); }
};

void BM_AvrCoreCycles(benchmark::State& state) {
  TTogglingPortB port;
  TAvrCore core(ProcessorTable[0], port);
  const uint16_t program[] = {
      0xE001,  // start: ldi r16,1
      0x9488,  //        clc
      0x99B5,  // rx:    sbic PINB,5
      0x9408,  //        sec
      0x1F00,  //        rol r16
      0xF7E0,  //        brcc rx
      0xCFF9,  //        rjmp start
  };
  for (size_t i = 0; i < sizeof(program) / sizeof(program[0]); ++i) core.Flash[i] = program[i];
  const uint64_t chunk = static_cast<uint64_t>(state.range(0));
  const uint64_t start = core.Cycle;
  for (auto _ : state) {
    core.RunUntil(core.Cycle + chunk);
  }
  if (core.Stop != TAvrStop::None) state.SkipWithError("core stopped");
  state.SetItemsProcessed(static_cast<int64_t>(core.Cycle - start));
  state.counters["cycles/s"] =
      benchmark::Counter(static_cast<double>(core.Cycle - start), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AvrCoreCycles)->Arg(10000)->Arg(5);

}  // namespace
