// Benchmarks of the view on the program's Qt picture: the whole view painted
// at fit, 1:1 and 4:1, and the display cache of a large picture made.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <utility>

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QSize>

#include "Benchmarks.h"
#include "Fixtures.h"
#include "QtPicture.h"
#include "View.h"

namespace pelorin::bench {

namespace {

using QtApp = BenchApp<gui::QtPicture>;

// The view of the program's window on a 1920 x 1080 screen (the window at
// nine tenths of it, less the menu bar, the scroll bars and the status
// line), screen pixels.
const QSize kView(1711, 908);

struct ViewFixture : QtApp {
  gui::view::Reduction reduction;
  QImage frame, window{kView, QImage::Format_RGB32};
};

// One paint of the whole view of a side x side picture in the measuring
// state (grid, 1000 points, 100 named groups, pixel grid at 10) at `zoom`
// (0: fit), as the canvas paints it: the part of the picture in view
// composed at that zoom, then laid into the window. The display cache is
// made before the timing and reported beside it (cache_ratio: its bytes
// over the picture's own).
void ViewFrame(benchmark::State& state, int side, double zoom) {
  ViewFixture* a = Fixture<ViewFixture>(state, "view/" + std::to_string(side), [side](ViewFixture& f) {
    f.pic.Fill(side, side, RGB(200, 200, 200));
    SetUpMeasuring(f.app, side, 10);
  });
  if (a == nullptr) return;
  a->app.s.PixelGridStep = 10;
  Redraw(a->app);
  const double z = zoom > 0 ? zoom : gui::view::FitZoom(QSize(side, side), kView);
  // The canvas is the picture at that zoom; the view shows its middle.
  const QSize canvas(static_cast<int>(std::ceil(side * z)), static_cast<int>(std::ceil(side * z)));
  const QRect shown = QRect(QPoint(0, 0), canvas)
                          .intersected(QRect(QPoint(canvas.width() / 2 - kView.width() / 2,
                                                    canvas.height() / 2 - kView.height() / 2),
                                             kView));
  const QPoint at((kView.width() - shown.width()) / 2, (kView.height() - shown.height()) / 2);
  const auto paint = [&] {
    gui::view::Render(a->pic, a->reduction, z, shown, a->frame, 0xFFF0F0F0u);
    QPainter painter(&a->window);
    painter.drawImage(at, a->frame);
  };
  paint();  // the display cache is made once per picture
  for (auto _ : state) {
    paint();
    benchmark::DoNotOptimize(a->window.constBits());
  }
  state.counters["cache_ratio"] =
      static_cast<double>(a->reduction.Bytes()) / (4.0 * static_cast<double>(side) * static_cast<double>(side));
}

// Making the display cache of a side x side picture (once per picture, on
// its first reduced paint).
void ViewCache(benchmark::State& state, int side) {
  gui::QtPicture pic;
  gui::view::Reduction reduction;
  for (auto _ : state) {
    state.PauseTiming();
    pic.Fill(side, side, RGB(200, 200, 200));
    state.ResumeTiming();
    reduction.Update(pic);
  }
}

}  // namespace

void RegisterView() {
  for (int side : kSizes) {
    for (const auto& [name, zoom] : {std::pair<const char*, double>{"fit", 0.0}, {"1", 1.0}, {"4", 4.0}}) {
      const double z = zoom;
      benchmark::RegisterBenchmark(("view_frame/" + std::string(name) + "/" + std::to_string(side) + "/qt").c_str(),
                                   [side, z](benchmark::State& st) { ViewFrame(st, side, z); })
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("view_cache/8192/qt", [](benchmark::State& st) { ViewCache(st, 8192); })
      ->Unit(benchmark::kMillisecond)
      ->Iterations(3);
}

}  // namespace pelorin::bench
