// The benchmark program: registers the benchmarks, runs them with Google
// Benchmark's own flags, and writes the medians as results.json and a table
// (RESULTS.md) into the folder named by --results_dir=DIR (none: no files).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Benchmarks.h"
#include "Fixtures.h"

#ifdef PELORIN_BENCH_GUI
#include <QGuiApplication>
#endif

#ifndef PELORIN_BUILD_TYPE
#define PELORIN_BUILD_TYPE "unknown"
#endif

namespace {

// Console output as usual; the median of every benchmark is kept, in
// milliseconds of real time.
class MedianCollector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      const bool single = r.run_type == Run::RT_Iteration && r.repetitions <= 1;
      if (!median && !single) continue;
      const double perMs = benchmark::GetTimeUnitMultiplier(r.time_unit) / 1e3;
      medians_ms[r.run_name.function_name] = r.GetAdjustedRealTime() / perMs;
      cpu_ms[r.run_name.function_name] = r.GetAdjustedCPUTime() / perMs;
      for (const auto& [counter, value] : r.counters) counters[r.run_name.function_name][counter] = value;
      repetitions = std::max<long long>(repetitions, r.repetitions);
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> medians_ms;  // real time
  std::map<std::string, double> cpu_ms;      // processor time of the benchmark's thread
  std::map<std::string, std::map<std::string, double>> counters;  // what a benchmark reports beside its time
  long long repetitions = 1;
};

std::string CpuModel() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) == 0) {
      const auto colon = line.find(':');
      if (colon != std::string::npos) return line.substr(line.find_first_not_of(" \t", colon + 1));
    }
  }
  return "unknown";
}

std::string LoadAverage() {
  std::ifstream in("/proc/loadavg");
  std::string one, five, fifteen;
  if (!(in >> one >> five >> fifteen)) return "unknown";
  return one + " " + five + " " + fifteen;
}

std::string Number(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d", std::gmtime(&now));
  return buf;
}

// The figure of `name` for one variant: the program's own (Qt) picture where
// it was measured, otherwise the core's in-memory picture.
const double* Figure(const std::map<std::string, double>& m, const std::string& name) {
  for (const char* variant : {"/qt", "/core", ""}) {
    const auto it = m.find(name + variant);
    if (it != m.end()) return &it->second;
  }
  return nullptr;
}

// The display cache of a side x side picture over its pixel memory, as the
// view benchmarks report it ("null" when none ran).
std::string ViewCacheRatio(const MedianCollector& c, int side) {
  for (const char* zoom : {"fit", "1", "4"}) {
    const auto it = c.counters.find(std::string("view_frame/") + zoom + "/" + std::to_string(side) + "/qt");
    if (it == c.counters.end()) continue;
    const auto ratio = it->second.find("cache_ratio");
    if (ratio != it->second.end() && ratio->second > 0) return Number(ratio->second, 3);
  }
  return "null";
}

void WriteResults(const std::string& dir, const MedianCollector& c) {
  using pelorin::bench::kSizes;
  const auto& m = c.medians_ms;
  std::ostringstream json;
  json << "{\n";
  json << "  \"machine\": {\"nproc\": " << std::thread::hardware_concurrency() << ", \"cpu\": \"" << CpuModel()
       << "\", \"build_type\": \"" << PELORIN_BUILD_TYPE << "\", \"repetitions\": " << c.repetitions
       << ", \"date\": \"" << Today() << "\", \"load_average\": \"" << LoadAverage() << "\"},\n";
  const auto value = [&](const std::string& name, double scale, int decimals) {
    const double* v = Figure(m, name);
    return v ? Number(*v * scale, decimals) : std::string("null");
  };
  for (const char* key : {"redraw_grid_off", "redraw_all"}) {
    json << "  \"" << key << "_ms\": {";
    for (std::size_t i = 0; i < kSizes.size(); ++i) {
      json << (i ? ", " : "") << "\"" << kSizes[i] << "\": " << value(std::string(key) + "/" + std::to_string(kSizes[i]), 1, 4);
    }
    json << "},\n";
  }
  // The whole view painted at fit, 1:1 and 4:1.
  json << "  \"view_frame_ms\": {";
  for (const char* zoom : {"fit", "1", "4"}) {
    json << (std::string(zoom) == "fit" ? "" : ", ") << "\"" << zoom << "\": {";
    for (std::size_t i = 0; i < kSizes.size(); ++i) {
      json << (i ? ", " : "") << "\"" << kSizes[i]
           << "\": " << value(std::string("view_frame/") + zoom + "/" + std::to_string(kSizes[i]), 1, 4);
    }
    json << "}";
  }
  json << "},\n";
  json << "  \"view_cache_ratio_8192\": " << ViewCacheRatio(c, 8192) << ",\n";
  json << "  \"readout_us\": " << value("readout", 1e3, 3) << ",\n";
  json << "  \"grid_ms\": " << value("grid", 1, 4) << ",\n";
  json << "  \"autoselect_us\": {";
  bool first = true;
  for (const char* mode : {"Nearest", "Darkest", "Weighted"}) {
    json << (first ? "" : ", ") << "\"" << mode << "\": " << value(std::string("autoselect/") + mode, 1e3, 3);
    first = false;
  }
  json << "},\n";
  json << "  \"open_4096_ms\": " << value("open_4096", 1, 2) << ",\n";
  json << "  \"open_fits_4096_ms\": " << value("open_fits_4096", 1, 2) << ",\n";
  json << "  \"open_jp2_4096_ms\": " << value("open_jp2_4096", 1, 2) << ",\n";
  json << "  \"save_1000_ms\": " << value("save_1000", 1, 4) << ",\n";
  json << "  \"object_end_ms\": " << value("object_end", 1, 4) << ",\n";
  json << "  \"panel_update_ms\": " << value("panel_update_1000", 1, 4) << ",\n";
  json << "  \"undo_ms\": " << value("undo_1000", 1, 4) << ",\n";
  json << "  \"catalogue_index_ms\": " << value("catalogue_index", 1, 3) << ",\n";
  json << "  \"catalogue_step_ms\": " << value("catalogue_step", 1, 4) << ",\n";
  json << "  \"limb_ms\": {\"2048\": " << value("limb/2048", 1, 3) << ", \"4096\": " << value("limb/4096", 1, 3)
       << ", \"euv_2048\": " << value("limb_euv/2048", 1, 3) << ", \"euv_4096\": " << value("limb_euv/4096", 1, 3)
       << "},\n";
  json << "  \"series_ms\": {\"1y\": " << value("series/1y", 1, 2) << ", \"10y\": " << value("series/10y", 1, 2)
       << "},\n";
  json << "  \"report_ms\": " << value("report_1y", 1, 2) << ",\n";
  json << "  \"spots_ms\": {\"2048\": " << value("spots/2048", 1, 2) << ", \"4096\": " << value("spots/4096", 1, 2) << "},\n";
  json << "  \"spots_threshold_ms\": " << value("spots_threshold/4096", 1, 2) << ",\n";
  json << "  \"spots_errors_ms\": " << value("spots_errors/2048", 1, 2) << ",\n";
  // spots --write: pictures per second one and two at a time, and how much
  // faster two at once go.
  {
    const double* one = Figure(m, "batch_files/1");
    const double* two = Figure(m, "batch_files/2");
    const auto rate = [](const double* ms) {
      return ms ? Number(pelorin::bench::kBatchPictures / (*ms / 1e3), 3) : std::string("null");
    };
    json << "  \"batch_files_per_s\": {\"jobs1\": " << rate(one) << ", \"jobs2\": " << rate(two)
         << ", \"ratio\": " << (one && two ? Number(*one / *two, 3) : std::string("null")) << "},\n";
  }
  json << "  \"spots_drawing_ms\": " << value("spots_drawing/1700", 1, 2) << ",\n";
  // Every median as measured, for the table and for comparisons.
  json << "  \"all_ms\": {";
  first = true;
  for (const auto& [name, ms] : m) {
    json << (first ? "\n" : ",\n") << "    \"" << name << "\": " << Number(ms, 6);
    first = false;
  }
  json << "\n  }\n}\n";
  std::ofstream(dir + "/results.json", std::ios::binary) << json.str();

  std::ostringstream md;
  md << "# Benchmark results\n\n";
  md << "Medians of " << c.repetitions << " repetitions, real time. Machine: " << std::thread::hardware_concurrency()
     << " processors (nproc), " << CpuModel() << "; build type " << PELORIN_BUILD_TYPE << "; " << Today()
     << "; load average at the end " << LoadAverage()
     << ". Written by `make bench` (scripts/run-bench); the same figures are in results.json.\n\n";
  md << "Real time is the figure of record (results.json); the machine is shared, so where real time "
        "exceeds CPU time other work took the processors.\n\n";
  md << "`/qt` runs use the program's own picture (text rendered by Qt), `/core` the in-memory picture of the "
        "core (text only recorded).\n\n";
  // The targets, each beside its figure.
  md << "| Target | Figure | Met |\n|---|---:|---|\n";
  const auto target = [&](const std::string& what, const double* v, double limit, const std::string& unit,
                          double scale) {
    if (v == nullptr) {
      md << "| " << what << " | not measured | |\n";
      return;
    }
    md << "| " << what << " | " << Number(*v * scale, 3) << " " << unit << " | "
       << (*v * scale < limit ? "yes" : "**no**") << " |\n";
  };
  for (int side : kSizes) {
    target("redraw, pixel grid off, " + std::to_string(side) + "^2: under 1 ms",
           Figure(m, "redraw_grid_off/" + std::to_string(side)), 1.0, "ms", 1);
  }
  const double* all1024 = Figure(m, "redraw_all/1024");
  const double* all8192 = Figure(m, "redraw_all/8192");
  if (all1024 && all8192) {
    const double ratio = *all8192 / *all1024;
    md << "| redraw, everything shown: 8192^2 at most 1.5 x 1024^2 | " << Number(ratio, 2) << " x ("
       << Number(*all8192, 3) << " / " << Number(*all1024, 3) << " ms) | " << (ratio <= 1.5 ? "yes" : "**no**")
       << " |\n";
  }
  for (const char* zoom : {"fit", "1", "4"}) {
    const std::string label = std::string(zoom) == "fit" ? "fit" : std::string(zoom) + ":1";
    for (int side : kSizes) {
      target("view repaint at " + label + ", " + std::to_string(side) + "^2, everything shown: under 8 ms",
             Figure(m, std::string("view_frame/") + zoom + "/" + std::to_string(side)), 8.0, "ms", 1);
    }
    const double* small = Figure(m, std::string("view_frame/") + zoom + "/1024");
    const double* large = Figure(m, std::string("view_frame/") + zoom + "/8192");
    if (small && large) {
      const double ratio = *large / *small;
      md << "| view repaint at " << label << ": 8192^2 at most 1.5 x 1024^2 | " << Number(ratio, 2) << " x ("
         << Number(*large, 3) << " / " << Number(*small, 3) << " ms) | " << (ratio <= 1.5 ? "yes" : "**no**")
         << " |\n";
    }
  }
  if (const std::string ratio = ViewCacheRatio(c, 8192); ratio != "null") {
    md << "| display cache of an 8192^2 picture: at most 0.5 x its pixel memory | " << ratio << " x | "
       << (std::stod(ratio) <= 0.5 ? "yes" : "**no**") << " |\n";
  }
  target("pointer read-out: under 20 us", Figure(m, "readout"), 20, "us", 1e3);
  target("o or p step, 10000 blocks: under 2 ms", Figure(m, "catalogue_step"), 2, "ms", 1);
  target("opening a 4096^2 JPEG with 1000 records: under 400 ms", Figure(m, "open_4096"), 400, "ms", 1);
  target("opening a 4096^2 float FITS ready to measure: at most 250 ms", Figure(m, "open_fits_4096"), 250, "ms", 1);
  target("opening a 4096^2 JPEG 2000: at most 500 ms", Figure(m, "open_jp2_4096"), 500, "ms", 1);
  target("finding the limb on a 4096^2 picture: at most 150 ms", Figure(m, "limb/4096"), 150, "ms", 1);
  target("ending an object, sync included: at most 5 ms", Figure(m, "object_end"), 5, "ms", 1);
  target("measurement panel's model after one edit, 1000 records: at most 5 ms", Figure(m, "panel_update_1000"), 5,
         "ms", 1);
  target("undo or redo with 1000 records, working file rewritten: at most 20 ms", Figure(m, "undo_1000"), 20, "ms",
         1);
  target("ten years of daily data files read, tracked and fitted: at most 1000 ms", Figure(m, "series/10y"), 1000,
         "ms", 1);
  target("a year of daily data files and their .spots.csv read into the counts report: at most 500 ms",
         Figure(m, "report_1y"), 500, "ms", 1);
  target("finding the limb on a 4096^2 EUV picture: at most 150 ms", Figure(m, "limb_euv/4096"), 150, "ms", 1);
  target("finding sunspots on a 2048^2 picture: at most 100 ms", Figure(m, "spots/2048"), 100, "ms", 1);
  target("finding sunspots on a 4096^2 picture: at most 300 ms", Figure(m, "spots/4096"), 300, "ms", 1);
  target("sunspot proposals after a change of the threshold, 4096^2: at most 100 ms",
         Figure(m, "spots_threshold/4096"), 100, "ms", 1);
  // The errors' stage may add a tenth to the finder's time.
  const double* finding = Figure(m, "spots/2048");
  target("finding sunspots with their positions' errors on a 2048^2 picture: at most 10 % over spots/2048",
         Figure(m, "spots_errors/2048"), finding ? 1.1 * *finding : 0, "ms", 1);
  if (const double *one = Figure(m, "batch_files/1"), *two = Figure(m, "batch_files/2"); one && two) {
    const double ratio = *one / *two;
    md << "| spots --write over 40 JPEG pictures of 2048^2: --jobs 2 at least 1.7 x --jobs 1 on 2 cores | "
       << Number(ratio, 2) << " x (" << Number(pelorin::bench::kBatchPictures / (*two / 1e3), 2) << " / "
       << Number(pelorin::bench::kBatchPictures / (*one / 1e3), 2) << " files/s) | " << (ratio >= 1.7 ? "yes" : "**no**")
       << " |\n";
  }
  target("finding sunspots on a 1700^2 drawing, penumbrae measured whole: at most 100 ms",
         Figure(m, "spots_drawing/1700"), 100, "ms", 1);
  md << "\n";
  md << "| Benchmark | Median (real) | Median (CPU) | Unit |\n|---|---:|---:|---|\n";
  for (const auto& [name, ms] : m) {
    const double cpu = c.cpu_ms.count(name) ? c.cpu_ms.at(name) : 0;
    const bool micro = ms < 1.0;
    const double scale = micro ? 1e3 : 1;
    md << "| " << name << " | " << Number(ms * scale, 2) << " | " << Number(cpu * scale, 2) << " | "
       << (micro ? "us" : "ms") << " |\n";
  }
  std::ofstream(dir + "/RESULTS.md", std::ios::binary) << md.str();
}

}  // namespace

int main(int argc, char** argv) {
  std::string resultsDir;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.rfind("--results_dir=", 0) == 0)
      resultsDir = std::filesystem::absolute(a.substr(14)).string();  // the benchmarks change folders
    else
      args.push_back(argv[i]);
  }
  int n = static_cast<int>(args.size());
  args.push_back(nullptr);

#ifdef PELORIN_BENCH_GUI
  // Fonts need a GUI application; no display is needed.
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication qtApp(n, args.data());
#endif

  benchmark::Initialize(&n, args.data());
  if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
  pelorin::bench::RegisterAll();
  MedianCollector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  pelorin::bench::ReleaseFixture();
  benchmark::Shutdown();
  if (!resultsDir.empty()) WriteResults(resultsDir, collector);
  return 0;
}
