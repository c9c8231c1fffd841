// The hex editor core: sizing an image, the journal under a full budget,
// and inserting at the front of a large image.
#include <benchmark/benchmark.h>

#include "hexedit/core/HexEditorCore.h"

namespace {

// Empty -> 256 KiB of 0xFF, then cut to 8 KiB (the cut bytes go into the
// journal).
void BM_SetDataSize256K(benchmark::State& state) {
  THexEditorCore ed;
  ed.Document().SetFillByte(0xFF);
  for (auto _ : state) {
    ed.ResetData();
    ed.SetDataSize(262144);
    ed.SetDataSize(8192);
    benchmark::DoNotOptimize(ed.Document().DataPointer());
  }
}
BENCHMARK(BM_SetDataSize256K)->Unit(benchmark::kMicrosecond);

// N one-byte changes with the default 1 MiB budget; per_change is the
// time of one recorded change. Below ~30 000 changes nothing is trimmed;
// at 100 000 every change drops the oldest entry.
void BM_JournalTrim(benchmark::State& state) {
  const int changes = static_cast<int>(state.range(0));
  THexEditorCore ed;
  ed.Document().MaxUndo = 1048576;
  int64_t largest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    ed.ResetData();
    ed.SetDataSize(4096);
    state.ResumeTiming();
    for (int i = 0; i < changes; ++i) {
      const int pos = i & 4095;
      ed.ChangeByte(ed.PeekByte(pos), static_cast<uint8_t>(ed.PeekByte(pos) + 1), pos);
    }
    largest = std::max(largest, ed.Document().UndoStorage().Size());
  }
  if (largest > ed.Document().MaxUndo + 35) state.SkipWithError("journal over budget");
  state.counters["per_change"] =
      benchmark::Counter(double(changes) * double(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["journal_bytes"] = double(largest);
}
BENCHMARK(BM_JournalTrim)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// One-byte insertion at position 0 of a 256 KiB image, repeated; the
// image is put back to 256 KiB now and then, outside the timing.
void BM_InsertAtStart256K(benchmark::State& state) {
  THexEditorCore ed;
  ed.ResetData();
  ed.SetDataSize(262144);
  const uint8_t b = 0xA5;
  int inserted = 0;
  for (auto _ : state) {
    ed.InsertBuffer(&b, 1, 0);
    if (++inserted == 1024) {
      state.PauseTiming();
      ed.SetDataSize(262144);
      inserted = 0;
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_InsertAtStart256K)->Unit(benchmark::kMicrosecond);

}  // namespace
