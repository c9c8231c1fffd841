// The hex editor's tools on a 256 KiB image: undoing an insertion at the
// front, and searching the whole image for a pattern that is not there.
#include <benchmark/benchmark.h>

#include <random>

#include "hexedit/core/HexEditorCore.h"

namespace {

constexpr int Size256K = 262144;

// Undo of a four-byte insertion at position 0 (the redo that puts it back
// runs outside the timing).
void BM_Undo256K(benchmark::State& state) {
  THexEditorCore ed;
  ed.ResetData();
  ed.SetDataSize(Size256K);
  ed.Document().ClearUndo();
  const uint8_t b[4] = {0xDE, 0xAD, 0xBE, 0xEF};
  ed.InsertBuffer(b, 4, 0);
  for (auto _ : state) {
    ed.Undo();
    state.PauseTiming();
    ed.Redo();
    state.ResumeTiming();
  }
  if (ed.DataSize() != Size256K + 4) state.SkipWithError("redo did not put the insertion back");
}
BENCHMARK(BM_Undo256K)->Unit(benchmark::kMicrosecond);

// A forward search from the start over 256 KiB of random bytes for five
// bytes that do not occur; it wraps and reports nothing found.
void BM_FindMiss256K(benchmark::State& state) {
  THexEditorCore ed;
  ed.ResetData();
  ed.SetDataSize(Size256K);
  std::mt19937 rng(7);
  for (int i = 0; i < Size256K; ++i)
    ed.Document().PokeByte(i, static_cast<uint8_t>(rng() % 255));  // never 0xFF
  const THexPattern pattern = ed.MakePattern(U"ff 00 ff 00 ff", true, true);
  for (auto _ : state) {
    ed.MoveCaret(THexCaret{});
    if (ed.Find(pattern, true) != THexEditorCore::TFindOutcome::NotFound)
      state.SkipWithError("found");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * Size256K);
}
BENCHMARK(BM_FindMiss256K)->Unit(benchmark::kMicrosecond);

// The same for a text searched without case.
void BM_FindTextMiss256K(benchmark::State& state) {
  THexEditorCore ed;
  ed.ResetData();
  ed.SetDataSize(Size256K);
  std::mt19937 rng(7);
  for (int i = 0; i < Size256K; ++i)
    ed.Document().PokeByte(i, static_cast<uint8_t>('a' + rng() % 20));
  const THexPattern pattern = ed.MakePattern(U"Zyzzyva", false, false);
  for (auto _ : state) {
    ed.MoveCaret(THexCaret{});
    if (ed.Find(pattern, true) != THexEditorCore::TFindOutcome::NotFound)
      state.SkipWithError("found");
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * Size256K);
}
BENCHMARK(BM_FindTextMiss256K)->Unit(benchmark::kMicrosecond);

}  // namespace
