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
#include "TestApp.h"
#include "formats/SpotsFile.h"
#include "series/Report.h"
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

// A .spots.csv of `groups` groups of two spots each, half of them north.
std::string SpotsText(int groups) {
  SpotReport r;
  for (int g = 0; g < groups; ++g) {
    SpotGroup grp;
    grp.name = "G" + std::to_string(g + 1);
    grp.north = g % 2 == 0;
    grp.mcIntosh = "Bxo";
    for (int k = 0; k < 2; ++k) {
      FoundSpot f;
      f.group = g;
      f.area_msh = 20;
      grp.spots.push_back(static_cast<int>(r.spots.size()));
      r.spots.push_back(f);
    }
    r.groups.push_back(grp);
  }
  return SpotsFileText(r);
}

// A year of daily data files, each with its .spots.csv, read into the
// counts report and written as CSV, as `pelorin-cli report` does.
void Report(benchmark::State& state) {
  SeasonFolder* s = Fixture<SeasonFolder>(state, "report_1y", [](SeasonFolder& f) {
    f.folder = std::filesystem::temp_directory_path() / "pelorin-bench-report-1y";
    std::filesystem::remove_all(f.folder);
    gen::SeriesPlan plan;
    plan.days = 365;
    plan.missingDays = 0;
    plan.birthsPerDay = 0.85;
    plan.seed = 2024;
    const gen::SeriesTruth truth = gen::WriteSeries(f.folder.string(), plan);
    for (const auto& file : truth.files) {
      const std::filesystem::path p(file.path);
      test::WriteAll((p.parent_path() / SpotsFileNameOf(p.filename().string())).string(),
               SpotsText(static_cast<int>(file.recordGroup.size() / 2) + 1));
      ++f.records;
    }
  });
  if (s == nullptr) return;
  for (auto _ : state) {
    const series::CountsReport r = series::ReadCountsReport({s->folder.string()});
    const std::string csv = series::CountsReportCsv(r, 0.6);
    benchmark::DoNotOptimize(csv.data());
    if (r.rows.size() != s->records) state.SkipWithError("a file was left out");
  }
  state.counters["files"] = static_cast<double>(s->records);
}

}  // namespace

void RegisterSeries() {
  benchmark::RegisterBenchmark("report_1y", [](benchmark::State& st) { Report(st); })
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  for (int years : {1, 10}) {
    benchmark::RegisterBenchmark(("series/" + std::to_string(years) + "y").c_str(),
                                 [years](benchmark::State& st) { Series(st, years); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
}

}  // namespace pelorin::bench
