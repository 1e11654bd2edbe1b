// Benchmarks on the core's in-memory picture: the redraw, the pointer
// read-out, the heliographic grid, autoselect, Save and the reference
// catalogue.
#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>

#include "Benchmarks.h"
#include "Fixtures.h"
#include "app/Readout.h"
#include "base/Text.h"
#include "calibration/LimbDetect.h"
#include "app/Compare.h"
#include "app/DataFileIO.h"
#include "app/Geometry.h"
#include "app/Autoselect.h"
#include "app/Edits.h"
#include "app/Points.h"

namespace pelorin::bench {

namespace {

using CoreApp = BenchApp<RasterPicture>;

// The measuring state on a 4096 x 4096 picture, redrawn with the pixel grid
// at `step` (10: every pixel read consults the most lines; 1280: off).
CoreApp* Measuring4096(benchmark::State& state, int step) {
  CoreApp* a = Fixture<CoreApp>(state, "measuring/core/4096", [](CoreApp& f) {
    f.pic.Fill(4096, 4096, RGB(200, 200, 200));
    SetUpMeasuring(f.app, 4096, 1280);
  });
  if (a == nullptr) return nullptr;
  a->app.s.PixelGridStep = static_cast<std::int16_t>(step);
  Redraw(a->app);
  return a;
}

// Pointer positions over the whole disc and a little beyond it.
std::array<std::array<double, 2>, 64> PointerPath(int side) {
  std::array<std::array<double, 2>, 64> p{};
  for (int i = 0; i < 64; ++i) {
    p[static_cast<std::size_t>(i)] = {side * (0.03 + 0.94 * ((i * 37) % 64) / 63.0),
                                      side * (0.03 + 0.94 * ((i * 11) % 64) / 63.0)};
  }
  return p;
}

void Readout(benchmark::State& state) {
  CoreApp* a = Measuring4096(state, 10);
  if (a == nullptr) return;
  const auto path = PointerPath(4096);
  std::size_t i = 0;
  for (auto _ : state) {
    const auto& p = path[i++ & 63u];
    std::string text = ReadoutText(a->app, p[0], p[1]);
    benchmark::DoNotOptimize(text);
  }
}

void Grid(benchmark::State& state) {
  CoreApp* a = Fixture<CoreApp>(state, "calibrated/core/4096", [](CoreApp& f) {
    f.pic.Fill(4096, 4096, RGB(200, 200, 200));
    gen::ApplyCalibration(gen::ComputeTruth(SquareScene(4096)), f.app.s);
  });
  if (a == nullptr) return;
  a->app.s.PixelGridStep = 1280;
  for (auto _ : state) {
    a->app.s.GridOn = 0;
    mreza_Click(a->app);  // computes the 6136 points and redraws
  }
  if (!a->win.messages.empty()) state.SkipWithError(a->win.messages.front().c_str());
}

// One click in system 0 on a calibrated 4096 x 4096 picture, in a blank
// surrounding: "Nearest" makes all its 1200 reads. With the pixel grid at
// step 10 every read consults the lines (and "Nearest" stops at the first
// grid line). The user's mouse release redraws before the next click, which
// removes the click's marker; that redraw is not timed.
void Autoselect(benchmark::State& state, int mode, int step) {
  CoreApp* a = Fixture<CoreApp>(state, "calibrated/core/4096", [](CoreApp& f) {
    f.pic.Fill(4096, 4096, RGB(200, 200, 200));
    gen::ApplyCalibration(gen::ComputeTruth(SquareScene(4096)), f.app.s);
  });
  if (a == nullptr) return;
  ProgramState& s = a->app.s;
  s.GridOn = 0;
  s.PixelGridStep = static_cast<std::int16_t>(step);
  Redraw(a->app);
  const double clickX = 1201 - s.ZeroPointX, clickY = s.ZeroPointY - 1203;
  for (auto _ : state) {
    double x = clickX, y = clickY;
    const auto start = std::chrono::steady_clock::now();
    switch (mode) {
      case 0: AutoselectNearest(a->app, x, y); break;
      case 1: AutoselectDarkest(a->app, x, y); break;
      default: AutoselectWeighted(a->app, x, y); break;
    }
    const auto end = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    Redraw(a->app);
  }
}

void Save(benchmark::State& state) {
  CoreApp* a = Fixture<CoreApp>(state, "measuring/core/1024", [](CoreApp& f) {
    f.pic.Fill(1024, 1024, RGB(200, 200, 200));
    SetUpMeasuring(f.app, 1024, 1280);
  });
  if (a == nullptr) return;
  a->app.s.PixelGridStep = 1280;
  const std::string target = a->folder.File("saved.dat");
  for (auto _ : state) {
    a->win.saveAnswers.push_back(target);
    spremi_Click(a->app);
  }
  if (!a->win.messages.empty()) state.SkipWithError(a->win.messages.front().c_str());
}

// The End of an object of one point on a 1024 x 1024 picture in the
// measuring state with 1000 records: its record and log line written and
// put on the disc itself (fsync), the records' list and undo step, and the
// redraw after it.
void ObjectEnd(benchmark::State& state) {
  CoreApp* a = Fixture<CoreApp>(state, "object_end/core/1024", [](CoreApp& f) {
    f.pic.Fill(1024, 1024, RGB(200, 200, 200));
    SetUpMeasuring(f.app, 1024, 1280);
    BookOpened(f.app);
  });
  if (a == nullptr) return;
  ProgramState& s = a->app.s;
  s.PixelGridStep = 1280;
  s.ManualSelection = kTrue;
  for (auto _ : state) {
    state.PauseTiming();
    s.StoredPointCount = kMaxPoints - 1;  // room for the one point
    a->win.inputAnswers.push_back("G");
    Objekt_Click(a->app);
    Picture1_MouseDown(a->app, kLeftButton, 0, 512, 500);
    state.ResumeTiming();
    Objektend_Click(a->app);
    // Undone again, so that every End meets the same 1000 records.
    state.PauseTiming();
    if (std::string e = UndoEdit(a->app); !e.empty()) state.SkipWithError(e.c_str());
    state.ResumeTiming();
  }
  if (!a->win.messages.empty()) state.SkipWithError(a->win.messages.front().c_str());
}

// An undo and a redo in turn of one edit (a rename of the first object) with
// 1000 records: the working file rewritten whole, the stored points placed
// again and the redraw. The picture is left as it was found.
void UndoRedo(benchmark::State& state) {
  CoreApp* a = Fixture<CoreApp>(state, "measuring/core/1024", [](CoreApp& f) {
    f.pic.Fill(1024, 1024, RGB(200, 200, 200));
    SetUpMeasuring(f.app, 1024, 1280);
  });
  if (a == nullptr) return;
  a->app.s.PixelGridStep = 1280;
  // The set-up reads the data file as opening a picture does, without the
  // rest of opening: the list is read here.
  if (a->app.book.list.RecordCount() != 1000) BookOpened(a->app);
  if (a->app.book.list.RecordCount() != 1000) {
    state.SkipWithError("the picture was not opened with its 1000 records");
    return;
  }
  const std::string name = Objects(a->app.book.list).front().name;
  if (std::string e = RenameObject(a->app, name, name + "x"); !e.empty()) {
    state.SkipWithError(e.c_str());
    return;
  }
  bool undo = true;
  std::string error;
  for (auto _ : state) {
    error = undo ? UndoEdit(a->app) : RedoEdit(a->app);
    undo = !undo;
    if (!error.empty()) break;
  }
  if (!undo) UndoEdit(a->app);  // the last step was a redo
  BookOpened(a->app);
  if (!error.empty()) state.SkipWithError(error.c_str());
}

// The measuring state at 4096 x 4096 (pixel grid off) with a catalogue of
// 10000 blocks.
CoreApp* WithCatalogue(benchmark::State& state) {
  return Fixture<CoreApp>(state, "catalogue/core/4096", [](CoreApp& f) {
    f.pic.Fill(4096, 4096, RGB(200, 200, 200));
    const gen::Truth truth = SetUpMeasuring(f.app, 4096, 1280);
    WriteCatalogue(truth, kMaxBlocks);
    f.app.s.CatalogueBlockCount = 0;
    if (!CompareCatalogue(f.app) || f.app.s.CatalogueBlockCount != kMaxBlocks)
      throw std::runtime_error("the catalogue of 10000 blocks was not indexed");
  });
}

void CatalogueIndex(benchmark::State& state) {
  CoreApp* a = WithCatalogue(state);
  if (a == nullptr) return;
  for (auto _ : state) {
    a->app.s.CatalogueBlockCount = 0;
    benchmark::DoNotOptimize(CompareCatalogue(a->app));
  }
  if (a->app.s.CatalogueBlockCount != kMaxBlocks) state.SkipWithError("indexing failed");
}

// One key "o" or "p" (alternately): the block before or after is read and
// the picture redrawn with everything shown but the pixel grid.
void CatalogueStep(benchmark::State& state) {
  CoreApp* a = WithCatalogue(state);
  if (a == nullptr) return;
  a->app.s.CompareOn = 1;
  bool forward = true;
  for (auto _ : state) {
    std::int16_t key = forward ? 'p' : 'o';
    DoCommand(a->app, key);
    forward = !forward;
  }
  if (a->app.s.CompareOn != 1 || a->app.s.RefGroupCount != 5) state.SkipWithError("a step lost the comparison");
}

// DetectLimb on `pic`, timed; the run fails when no disc is found.
void TimeDetectLimb(benchmark::State& state, const PicturePort& pic) {
  for (auto _ : state) {
    LimbDetection d = DetectLimb(pic);
    if (!d.found) {
      state.SkipWithError("no disc found");
      return;
    }
    benchmark::DoNotOptimize(d);
  }
}

// Finding the limb ("Automatic limb") on a side x side H-alpha picture with
// faint prominences, spots on the limb and noise, the disc a little off the
// centre.
void Limb(benchmark::State& state, int side) {
  CoreApp* a = Fixture<CoreApp>(state, "limb/core/" + std::to_string(side), [side](CoreApp& f) {
    gen::Scene sc = SquareScene(side);
    sc.style = gen::Style::Halpha;
    sc.x0_px -= 0.03 * side;
    sc.rk_px = 0.42 * side;
    sc.prominences = 14;
    sc.noise = 3;
    const gen::Ephemeris eph = gen::ProgramEphemeris(2003, 5, 17, 7.75, false);
    for (double cmd : {-84.0, 0.0, 30.0, 86.0}) {
      gen::Spot spot;
      spot.name = "s";
      spot.L_deg = std::fmod(eph.L0_deg + cmd + 360, 360);
      spot.B_deg = eph.B0_deg;
      sc.spots.push_back(spot);
    }
    gen::RenderInto(sc, f.pic);
  });
  if (a != nullptr) TimeDetectLimb(state, a->pic);
}

// The same on a side x side EUV picture as an archive serves it: mottled
// disc, limb-brightening peak, corona clipped raggedly, the photosphere's
// radius 0.39 of the side.
void LimbEuv(benchmark::State& state, int side) {
  CoreApp* a = Fixture<CoreApp>(state, "limb_euv/core/" + std::to_string(side), [side](CoreApp& f) {
    gen::Scene sc = SquareScene(side);
    sc.style = gen::Style::Euv;
    sc.x0_px -= 0.007 * side;
    sc.rk_px = 0.39 * side;
    sc.noise = 2;
    gen::RenderInto(sc, f.pic);
  });
  if (a != nullptr) TimeDetectLimb(state, a->pic);
}

}  // namespace

void RegisterCore() {
  for (int side : kSizes) {
    for (const char* variant : {"redraw_grid_off", "redraw_all"}) {
      const int step = std::string(variant) == "redraw_all" ? 10 : 1280;
      benchmark::RegisterBenchmark((std::string(variant) + "/" + std::to_string(side) + "/core").c_str(),
                                   [side, step](benchmark::State& st) {
                                     RedrawBenchmark<RasterPicture>(st, "core", side, step);
                                   })
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::RegisterBenchmark("readout", Readout)->Unit(benchmark::kMicrosecond);
  for (int step : {1280, 10}) {
    for (int mode = 0; mode < 3; ++mode) {
      const char* names[] = {"Nearest", "Darkest", "Weighted"};
      const std::string name = std::string("autoselect/") + names[mode] + (step == 10 ? "/pixel_grid" : "");
      benchmark::RegisterBenchmark(name.c_str(), [mode, step](benchmark::State& st) { Autoselect(st, mode, step); })
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond);
    }
  }
  benchmark::RegisterBenchmark("grid", Grid)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("save_1000", Save)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("object_end", ObjectEnd)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("undo_1000", UndoRedo)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("catalogue_index", CatalogueIndex)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("catalogue_step", CatalogueStep)->Unit(benchmark::kMillisecond);
  for (int side : {2048, 4096})
    benchmark::RegisterBenchmark(("limb/" + std::to_string(side)).c_str(), [side](benchmark::State& st) { Limb(st, side); })
        ->Unit(benchmark::kMillisecond);
  for (int side : {2048, 4096})
    benchmark::RegisterBenchmark(("limb_euv/" + std::to_string(side)).c_str(),
                                 [side](benchmark::State& st) { LimbEuv(st, side); })
        ->Unit(benchmark::kMillisecond);
}

void RegisterAll() {
  RegisterCore();
  RegisterSeries();
  RegisterSpots();
  RegisterBatch();
#ifdef PELORIN_BENCH_GUI
  RegisterGui();
  RegisterView();
#endif
}

}  // namespace pelorin::bench
