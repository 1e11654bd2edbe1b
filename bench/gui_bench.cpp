// Benchmarks on the program's Qt picture: the redraw with group names
// rendered as text, and opening a large JPEG picture with its data file.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QString>

#include <stdexcept>
#include <string>

#include "Benchmarks.h"
#include "Fixtures.h"
#include "QtPicture.h"
#include "files/PictureLoad.h"

namespace pelorin::bench {

namespace {

using QtApp = BenchApp<gui::QtPicture>;

struct OpenFixture : QtApp {
  std::string path;
};

// A rendered 4096 x 4096 Kanzelhoehe drawing saved as JPEG, with its data
// file of 1000 records beside it.
void Open4096(benchmark::State& state) {
  OpenFixture* a = Fixture<OpenFixture>(state, "open/qt/4096", [](OpenFixture& f) {
    gen::Rendered r = gen::Render(SquareScene(4096));
    const std::string name = gen::KanzelhoeName(gen::KanzelhoeKind::Drawing, 2003, 5, 17, 7, 45, "jpg");
    const QImage image(reinterpret_cast<const uchar*>(r.argb.data()), r.width_px, r.height_px, r.width_px * 4,
                       QImage::Format_RGB32);
    f.path = f.folder.File(name);
    if (!image.save(QString::fromStdString(f.path), "JPG", 90)) throw std::runtime_error("cannot write " + f.path);
    WriteDataFile(f.app, r.truth, name, name.substr(0, name.size() - 3) + "dat", 1000);
  });
  if (a == nullptr) return;
  for (auto _ : state) OpenPicture(a->app, a->path);
  if (!a->win.messages.empty()) {
    state.SkipWithError(a->win.messages.front().c_str());
  } else if (a->app.s.StoredPointCount != 1000 || a->pic.Width() != 4096 || a->app.s.GridOn != 1) {
    state.SkipWithError("the picture was not opened with its data");
  }
}

}  // namespace

void RegisterGui() {
  for (int side : kSizes) {
    for (const char* variant : {"redraw_grid_off", "redraw_all"}) {
      const int step = std::string(variant) == "redraw_all" ? 10 : 1280;
      benchmark::RegisterBenchmark((std::string(variant) + "/" + std::to_string(side) + "/qt").c_str(),
                                   [side, step](benchmark::State& st) {
                                     RedrawBenchmark<gui::QtPicture>(st, "qt", side, step);
                                   })
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("open_4096", Open4096)->Unit(benchmark::kMillisecond);
}

}  // namespace pelorin::bench
