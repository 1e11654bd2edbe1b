// Finding sunspots on white-light pictures of 2048^2 and 4096^2 pixels (the
// whole road from the grey levels and the calibration), and the proposals
// again after a change of the threshold on 4096^2 (the prepared contrast
// picture kept). Finding them with their positions' errors on 2048^2
// (the finder, then AttachPositionErrors with a header's assumed errors);
// finding them on a generated 1700^2 drawing, each drawn penumbra measured
// whole.
#include <benchmark/benchmark.h>

#include <string>

#include "Benchmarks.h"
#include "Fixtures.h"
#include "SpotPictures.h"
#include "geometry/PositionErrors.h"
#include "spots/SpotErrors.h"
#include "spots/Spots.h"

namespace pelorin::bench {

namespace {

struct SpotScene {
  GreyPicture grey;
  DiscCalibration cal;
  SpotFinder finder;  // prepared
};

SpotScene* Scene(benchmark::State& state, int side, gen::WlKind kind = gen::WlKind::Groups) {
  const std::string name = (kind == gen::WlKind::Drawing ? "spots_drawing/" : "spots/") + std::to_string(side);
  return Fixture<SpotScene>(state, name, [side, kind](SpotScene& f) {
    // Seed 74 draws its penumbrae every way, mixed on one drawing.
    const gen::WlRendered r =
        gen::RenderWhiteLight(gen::RandomScene(kind == gen::WlKind::Drawing ? 74 : 23, side, kind));
    f.grey.width = r.width_px;
    f.grey.height = r.height_px;
    f.grey.value.assign(r.grey.begin(), r.grey.end());
    const gen::Truth& t = r.truth.picture;
    f.cal = {t.x0_px, t.y0_px, t.rk_px, t.eph.P_deg, t.eph.B0_deg, t.eph.L0_deg, t.eph.rho0_AU, t.orientation_deg,
             t.northUp};
    std::string error;
    f.finder.Prepare(f.grey, f.cal, error);
  });
}

void Spots(benchmark::State& state, int side, gen::WlKind kind = gen::WlKind::Groups) {
  SpotScene* s = Scene(state, side, kind);
  if (s == nullptr) return;
  for (auto _ : state) {
    SpotReport rep;
    std::string error;
    if (!FindSpots(s->grey, s->cal, SpotSettings{}, rep, error) || rep.spots.empty()) {
      state.SkipWithError("no spots found");
      return;
    }
    benchmark::DoNotOptimize(rep);
  }
}

void SpotsErrors(benchmark::State& state) {
  SpotScene* s = Scene(state, 2048);
  if (s == nullptr) return;
  CalibrationErrors e;
  e.disc = IndependentDiscCovariance(kHeaderDisc_px, kHeaderDisc_px, kHeaderDisc_px);
  e.orientation_deg = kHeaderOrientation_deg;
  e.time_h = kDefaultTime_h;
  EphemerisRates(2014, 3, 12, 9.5, e.dP_dh, e.dB0_dh, e.dL0_dh);
  for (auto _ : state) {
    SpotReport rep;
    std::string error;
    if (!FindSpots(s->grey, s->cal, SpotSettings{}, rep, error) || rep.spots.empty()) {
      state.SkipWithError("no spots found");
      return;
    }
    AttachPositionErrors(rep, s->cal, e);
    benchmark::DoNotOptimize(rep);
  }
}

void SpotsThreshold(benchmark::State& state) {
  SpotScene* s = Scene(state, 4096);
  if (s == nullptr) return;
  bool strict = false;
  for (auto _ : state) {
    SpotSettings st;
    st.contrastThreshold = strict ? 0.8 : 0.92;
    strict = !strict;
    SpotReport rep = s->finder.Find(st);
    if (rep.spots.empty()) {
      state.SkipWithError("no spots found");
      return;
    }
    benchmark::DoNotOptimize(rep);
  }
}

}  // namespace

void RegisterSpots() {
  for (int side : {2048, 4096})
    benchmark::RegisterBenchmark(("spots/" + std::to_string(side)).c_str(), [side](benchmark::State& st) { Spots(st, side); })
        ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("spots_threshold/4096", SpotsThreshold)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("spots_errors/2048", SpotsErrors)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("spots_drawing/1700", [](benchmark::State& st) { Spots(st, 1700, gen::WlKind::Drawing); })
      ->Unit(benchmark::kMillisecond);
}

}  // namespace pelorin::bench
