// Painting a full 1920 x 1080 hex editor view, offscreen, in the main
// window's font (Liberation Mono 8 pt): the image scrolled to the middle,
// with a selection and some changed bytes in sight. The argument is the
// image size; the cost should not depend on it.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <random>

#include "hexedit/widget/HexEditor.h"

namespace {

QApplication* WidgetApp() {
  static int argc = 1;
  static char name[] = "pellar-bench";
  static char* argv[] = {name, nullptr};
  if (QCoreApplication::instance() == nullptr) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(argc, argv);
  }
  return qobject_cast<QApplication*>(QCoreApplication::instance());
}

void BM_EditorPaintFullView(benchmark::State& state) {
  if (WidgetApp() == nullptr) return state.SkipWithError("no widget application");
  const int size = static_cast<int>(state.range(0));
  THexEditor ed;
  QFont font = ed.font();
  font.setPointSize(8);
  ed.setFont(font);
  ed.ResetData();
  ed.SetDataSize(size);
  std::mt19937 random(size);
  for (int i = 0; i < size; ++i) ed.PokeByte(i, static_cast<uint8_t>(random()));
  THexEditorCore& core = ed.Core();
  core.SetFocused(true);
  // Shown (off screen) so that the sizes settle: the view, without frame
  // and scroll bar, is 1920 x 1080.
  ed.setAttribute(Qt::WA_DontShowOnScreen);
  ed.show();
  ed.resize(1920, 1080);
  QCoreApplication::processEvents();
  ed.resize(ed.size() + (QSize(1920, 1080) - ed.viewport()->size()));
  QCoreApplication::processEvents();
  if (ed.viewport()->size() != QSize(1920, 1080))
    return state.SkipWithError("the view did not take its size");
  THexEditorGrid& grid = core.Layout().Grid();
  grid.SetTopRow(core.Layout().RowCount() / 2);
  const int first = (grid.TopRow() - 2) * core.Layout().BytesPerRow();
  for (int i = 0; i < 40; ++i)
    core.ChangeByte(core.PeekByte(first + 37 * i), uint8_t(i), first + 37 * i);
  core.MoveCaret(THexCaret{first + 100, false, true});
  core.SelectRange(first + 300, first + 700);

  QImage image(ed.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    ed.viewport()->render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
  state.counters["rows"] = grid.VisibleRowCount();
  state.counters["cells"] = double(grid.VisibleRowCount()) * core.Layout().ColCount();
}
BENCHMARK(BM_EditorPaintFullView)->Arg(8192)->Arg(262144)->Unit(benchmark::kMillisecond);

}  // namespace
