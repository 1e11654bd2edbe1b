// `pelorin-cli spots --write` over a folder of 40 white-light JPEG pictures
// of 2048^2 pixels with their data files, one picture at a time and two at
// once: the batch's core function (RunSpotBatch) with the CLI's reader, each
// run on data files as they were before the first (no found spots).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "Benchmarks.h"
#include "Decoders.h"
#include "Fixtures.h"
#include "MeasuredFile.h"
#include "SpotPictures.h"
#include "TestApp.h"
#include "measure/SpotBatch.h"

namespace pelorin::bench {

namespace {

constexpr int kPictures = kBatchPictures;
constexpr int kSide = 2048;
// Distinct scenes rendered; the 40 pictures are copies of them under names
// of their own (the batch's work on one does not depend on another).
constexpr int kScenes = 4;

struct BatchScene {
  std::filesystem::path folder;
  std::vector<std::string> pictures;
  std::vector<std::pair<std::string, std::string>> dataFiles;  // path, bytes before the batch
  BatchScene() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pelorin-batch-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder for the batch");
    folder = pattern;
  }
  ~BatchScene() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  // The data files as before the first run; the .spots.csv gone.
  void Reset() const {
    for (const auto& [path, bytes] : dataFiles) {
      test::WriteAll(path, bytes);
      std::error_code ec;
      std::filesystem::remove(std::filesystem::path(path).replace_extension(".spots.csv"), ec);
    }
  }
};

void MakeScene(BatchScene& f) {
  for (int s = 0; s < kScenes; ++s) {
    const gen::WlRendered r = gen::RenderWhiteLight(gen::RandomScene(31 + s, kSide, gen::WlKind::Groups));
    for (int i = s; i < kPictures; i += kScenes) {
      const std::string stem = (f.folder / ("sun_" + std::to_string(100 + i))).string();
      std::string error;
      if (!gen::WriteGreyJpeg(stem + ".jpg", r.grey, r.width_px, r.height_px, 90, error))
        throw std::runtime_error(error);
      gen::WriteMeasuredDataFile(stem + ".dat", r.truth.picture, r.truth.picture.northUp ? 3 : 0,
                                 "sun_" + std::to_string(100 + i) + ".jpg", {});
      f.pictures.push_back(stem + ".jpg");
      f.dataFiles.emplace_back(stem + ".dat", test::ReadAll(stem + ".dat"));
    }
  }
}

// Processor seconds of the whole process (every thread), user and system.
std::pair<double, double> ProcessSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  const auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return {s(u.ru_utime), s(u.ru_stime)};
}

void Batch(benchmark::State& state, int jobs) {
  BatchScene* f = Fixture<BatchScene>(state, "batch", MakeScene);
  if (f == nullptr) return;
  SpotBatchOptions options;
  options.jobs = jobs;
  for (auto _ : state) {
    state.PauseTiming();
    f->Reset();
    state.ResumeTiming();
    const auto [user0, system0] = ProcessSeconds();
    int written = 0;
    RunSpotBatch(f->pictures, options, decoders::ReadBatchPicture,
                 [&](std::size_t, const SpotBatchResult& r) { written += r.outcome == BatchOutcome::Written; }, {});
    const auto [user1, system1] = ProcessSeconds();
    // The processor time of all the threads a picture took: equal for one
    // job and two when nothing is done twice or waited for in a spin.
    state.counters["cpu_ms_per_file"] = (user1 - user0 + system1 - system0) * 1e3 / kPictures;
    state.counters["system_ms_per_file"] = (system1 - system0) * 1e3 / kPictures;
    if (written != kPictures) {
      state.SkipWithError("not every picture was written");
      return;
    }
  }
}

}  // namespace

void RegisterBatch() {
  for (int jobs : {1, 2})
    benchmark::RegisterBenchmark(("batch_files/" + std::to_string(jobs)).c_str(),
                                 [jobs](benchmark::State& st) { Batch(st, jobs); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(1);
}

}  // namespace pelorin::bench
