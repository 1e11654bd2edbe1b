// Benchmarks on the program's Qt picture: the redraw with group names
// rendered as text, opening a large JPEG picture with its data file, and
// opening large FITS and JPEG 2000 pictures.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QString>

#include <stdexcept>
#include <string>

#include "Benchmarks.h"
#include "DataPictures.h"
#include "Fixtures.h"
#include "MeasurementsPanel.h"
#include "QtPicture.h"
#include "base/RasterPicture.h"
#include "app/PictureLoad.h"
#include "app/Edits.h"

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

// A 4096 x 4096 full-disc observation with a whole header (date, WCS,
// disc, observer), as FITS of floats or as an 8-bit JPEG 2000 file.
gen::SolarFits Observation4096() {
  gen::SolarFits s;
  s.width = s.height = 4096;
  s.crpix1 = s.crpix2 = 2048.5;
  s.cdelt1 = s.cdelt2 = 0.6;
  s.rotation = gen::WcsRotation::Pc;
  s.rotation_deg = 0.05;
  s.layout.bitpix = -32;
  return s;
}

// Opening the picture through the program's road, as File -> Open does;
// where the header does not calibrate it, the type question is answered.
void OpenData(benchmark::State& state, const char* key, const char* name) {
  OpenFixture* a = Fixture<OpenFixture>(state, key, [name](OpenFixture& f) {
    f.path = f.folder.File(name);
    const std::string n = name;
    if (n.size() > 4 && n.compare(n.size() - 4, 4, ".jp2") == 0) gen::WriteSolarJp2(f.path, Observation4096());
    else gen::WriteSolarFits(f.path, Observation4096());
  });
  if (a == nullptr) return;
  for (auto _ : state) {
    a->win.inputAnswers = {"0"};
    OpenPicture(a->app, a->path);
  }
  if (!a->win.messages.empty()) {
    state.SkipWithError(a->win.messages.front().c_str());
  } else if (a->pic.Width() != 4096 || !a->pic.HasDataLevels()) {
    state.SkipWithError("the picture was not opened");
  }
}

}  // namespace

// The measurement panel's model read again after one edit with 1000
// records (the edit itself, an undo or redo of a rename with the working
// file rewritten, is not timed).
void PanelUpdate(benchmark::State& state) {
  using CoreApp = BenchApp<RasterPicture>;
  CoreApp* a = Fixture<CoreApp>(state, "measuring/core/1024", [](CoreApp& f) {
    f.pic.Fill(1024, 1024, RGB(200, 200, 200));
    SetUpMeasuring(f.app, 1024, 1280);
  });
  if (a == nullptr) return;
  // The set-up reads the data file as opening a picture does, without the
  // rest of opening: the list is read here.
  if (a->app.book.list.RecordCount() != 1000) BookOpened(a->app);
  if (a->app.book.list.RecordCount() != 1000) {
    state.SkipWithError("the picture was not opened with its 1000 records");
    return;
  }
  gui::MeasurementsModel model(a->app.book);
  model.Refresh();
  const std::string name = Objects(a->app.book.list).front().name;
  std::string error = RenameObject(a->app, name, name + "x");
  bool undo = true;
  for (auto _ : state) {
    state.PauseTiming();
    if (error.empty()) error = undo ? UndoEdit(a->app) : RedoEdit(a->app);
    undo = !undo;
    state.ResumeTiming();
    model.Refresh();
  }
  if (!undo) UndoEdit(a->app);
  BookOpened(a->app);
  if (!error.empty()) state.SkipWithError(error.c_str());
  else if (model.rowCount() == 0) state.SkipWithError("the model shows no objects");
}

void RegisterGui() {
  benchmark::RegisterBenchmark("panel_update_1000", PanelUpdate)->Unit(benchmark::kMillisecond);
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
  benchmark::RegisterBenchmark("open_fits_4096", [](benchmark::State& st) {
    OpenData(st, "open/fits/4096", "sun4096.fits");
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("open_jp2_4096", [](benchmark::State& st) {
    OpenData(st, "open/jp2/4096", "sun4096.jp2");
  })->Unit(benchmark::kMillisecond);
}

}  // namespace pelorin::bench
