// The hex editor's input path, without painting: typing hex digits in
// insert mode at the front of a 256 KiB image, and paging through one.
#include <benchmark/benchmark.h>

#include "hexedit/core/HexEditorCore.h"

namespace {

constexpr int ImageSize = 262144;

// An editor laid out as a full-screen view would be: 8 x 15 px cells in
// a 1920 x 1080 view.
void LayOut(THexEditorCore& ed) {
  ed.Layout().SetFontMetrics(8, 13);
  ed.Layout().Grid().SetClientSize(1920, 1080);
  ed.SetFocused(true);
}

// One typed digit per iteration: every second digit opens a byte (an
// insertion that moves the whole tail), the other fills its low nibble.
// The image is put back to 256 KiB and the caret to its start now and
// then, outside the timing.
void BM_TypeHexInsertAtStart256K(benchmark::State& state) {
  THexEditorCore ed;
  LayOut(ed);
  ed.SetInsertMode(true);
  auto restart = [&] {
    ed.ResetData();
    ed.SetDataSize(ImageSize);
    ed.SetSelStart(0);
  };
  restart();
  static const char digits[] = "0123456789ABCDEF";
  int typed = 0;
  for (auto _ : state) {
    ed.KeyPress(static_cast<unsigned char>(digits[typed & 15]));
    if (++typed % 1024 == 0) {
      state.PauseTiming();
      restart();
      state.ResumeTiming();
    }
  }
  if (typed % 1024 > 1 && ed.DataSize() <= ImageSize) state.SkipWithError("nothing was inserted");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TypeHexInsertAtStart256K)->Unit(benchmark::kMicrosecond);

// PageDown through the image, one key per iteration, back to the start
// (outside the timing) at its end.
void BM_CaretMove256K(benchmark::State& state) {
  THexEditorCore ed;
  LayOut(ed);
  ed.ResetData();
  ed.SetDataSize(ImageSize);
  const int lastRow = ed.Layout().RowCount() - 1;
  int pages = 0;
  for (auto _ : state) {
    ed.KeyDown(hkPageDown, 0);
    ed.KeyUp(hkPageDown, 0);
    if (ed.CaretCell().Row == lastRow) {
      state.PauseTiming();
      ed.KeyDown(hkHome, hsCtrl);
      ++pages;
      state.ResumeTiming();
    }
  }
  if (ed.Layout().Grid().VisibleRowCount() < 2) state.SkipWithError("no page to move by");
  state.counters["passes"] = pages;
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CaretMove256K)->Unit(benchmark::kMicrosecond);

}  // namespace
