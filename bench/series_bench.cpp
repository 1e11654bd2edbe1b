// Benchmarks of the series: a season of daily data files read, its groups
// followed and the rotation law fitted with its bootstrap errors, as
// `pelorin-cli series` does, for one year and for ten years of files
// (3650 files, some 40 000 records).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "Benchmarks.h"
#include "Fixtures.h"
#include "Series.h"
#include "series/Rotation.h"
#include "series/SeriesRead.h"
#include "series/Tracks.h"

namespace pelorin::bench {

namespace {

// A season written into a folder of its own, removed with the fixture.
struct SeasonFolder {
  std::filesystem::path folder;
  std::size_t records = 0;
  ~SeasonFolder() {
    std::error_code ec;
    if (!folder.empty()) std::filesystem::remove_all(folder, ec);
  }
};

void Series(benchmark::State& state, int years) {
  SeasonFolder* s = Fixture<SeasonFolder>(state, "series/" + std::to_string(years), [years](SeasonFolder& f) {
    f.folder = std::filesystem::temp_directory_path() / ("pelorin-bench-series-" + std::to_string(years) + "y");
    std::filesystem::remove_all(f.folder);
    gen::SeriesPlan plan;
    plan.days = 365 * years;
    plan.missingDays = 0;      // a file every day
    plan.birthsPerDay = 0.85;  // some 11 records a file
    plan.seed = 2024;
    const gen::SeriesTruth truth = gen::WriteSeries(f.folder.string(), plan);
    for (const auto& file : truth.files) f.records += file.recordGroup.size();
  });
  if (s == nullptr) return;
  for (auto _ : state) {
    const series::SeriesData data = series::ReadSeries({s->folder.string()});
    const std::vector<series::Track> tracks = series::BuildTracks(data);
    const series::RotationResult r = series::MeasureRotation(tracks);
    benchmark::DoNotOptimize(r.fit.coef);
    if (!r.fit.ok) state.SkipWithError("no fit");
  }
  state.counters["records"] = static_cast<double>(s->records);
}

}  // namespace

void RegisterSeries() {
  for (int years : {1, 10}) {
    benchmark::RegisterBenchmark(("series/" + std::to_string(years) + "y").c_str(),
                                 [years](benchmark::State& st) { Series(st, years); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
}

}  // namespace pelorin::bench
