// pelorin-cli spots --write PATH... [--jobs N] [--replace] [--catalogue
// SRS]: the sunspots of every picture found written into its data file and
// the .spots.csv beside it, as Find sunspots, Accept and Save write them.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Commands.h"
#include "Decoders.h"
#include "base/Csv.h"
#include "base/Text.h"
#include "measure/SpotBatch.h"

namespace pelorin::cli {

namespace {

int Usage(const std::string& why) {
  std::fprintf(stderr, "pelorin-cli spots: %s\n", why.c_str());
  std::fprintf(stderr, "usage: pelorin-cli spots --write PATH... [--jobs N] [--replace] [--catalogue SRS]\n");
  return 2;
}

// "1 min 05 s", "42 s".
std::string Duration(double seconds) {
  const long s = std::lround(seconds);
  char text[32];
  if (s >= 60) std::snprintf(text, sizeof text, "%ld min %02ld s", s / 60, s % 60);
  else std::snprintf(text, sizeof text, "%ld s", s);
  return text;
}

// The line rewritten in place on a terminal: how many pictures are done,
// how many are left and the time to go at the pace so far.
class Progress {
 public:
  explicit Progress(bool shown) : shown_(shown), start_(std::chrono::steady_clock::now()) {}
  void Update(std::size_t done, std::size_t total) {
    if (!shown_) return;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const std::size_t left = total - done;
    line_ = "spots: " + std::to_string(done) + " of " + std::to_string(total) + " done, " + std::to_string(left) +
            " left" + (done > 0 && left > 0 ? ", about " + Duration(elapsed / done * left) + " to go" : "");
    Draw();
  }
  // A message on stderr: the line cleared first, drawn again after it.
  void Say(const std::string& text) {
    if (shown_) std::fputs("\r\033[K", stderr);
    std::fprintf(stderr, "pelorin-cli spots: %s\n", text.c_str());
    if (shown_ && !line_.empty()) Draw();
  }
  // A row on stdout, which shares the terminal: the line cleared first.
  void Print(const std::string& row) {
    if (shown_) std::fputs("\r\033[K", stderr);
    std::fputs(row.c_str(), stdout);
    std::fflush(stdout);
    if (shown_ && !line_.empty()) Draw();
  }
  void End() {
    if (shown_ && !line_.empty()) std::fputs("\r\033[K", stderr);
  }

 private:
  void Draw() {
    std::fprintf(stderr, "\r\033[K%s", line_.c_str());
    std::fflush(stderr);
  }
  bool shown_;
  std::chrono::steady_clock::time_point start_;
  std::string line_;
};

}  // namespace

int RunSpotsWrite(const std::vector<std::string>& args) {
  SpotBatchOptions options;
  const unsigned cores = std::thread::hardware_concurrency();
  options.jobs = cores > 0 ? static_cast<int>(cores) : 1;
  bool jobsGiven = false;
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--write") continue;
    if (a == "--replace") {
      if (options.replace) return Usage("--replace given twice");
      options.replace = true;
    } else if (a == "--jobs" || a == "--catalogue") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return Usage(a + (a == "--jobs" ? " needs N" : " needs a FILE"));
      const std::string value = args[++i];
      if (a == "--catalogue") {
        if (!options.catalogue.empty()) return Usage("--catalogue given twice");
        options.catalogue = value;
        continue;
      }
      if (jobsGiven) return Usage("--jobs given twice");
      const std::optional<double> n = WholeNumber(value);
      if (!n || *n != std::floor(*n) || *n < 1 || *n > 64)
        return Usage("--jobs must be a whole number 1 to 64: '" + value + "'");
      options.jobs = static_cast<int>(*n);
      jobsGiven = true;
    } else if (a.empty() || a[0] == '-') {
      return Usage("'" + a + "' is not an option of spots --write");
    } else if (a.find('=') != std::string::npos) {
      return Usage("spots --write takes the calibration from each picture's data file or header, not '" + a + "'");
    } else {
      paths.push_back(a);
    }
  }
  if (paths.empty()) return Usage("no PATH given");
  std::error_code ec;
  if (!options.catalogue.empty() && !std::filesystem::is_regular_file(options.catalogue, ec)) {
    std::fprintf(stderr, "pelorin-cli spots: %s: the catalogue cannot be read\n", options.catalogue.c_str());
    return 1;
  }
  std::vector<std::string> problems;
  const std::vector<std::string> pictures = PicturesIn(paths, problems);
  for (const std::string& p : problems) std::fprintf(stderr, "pelorin-cli spots: %s\n", p.c_str());
  if (pictures.empty()) {
    std::fprintf(stderr, "pelorin-cli spots: no picture found in the paths given\n");
    return 1;
  }
  Progress progress(isatty(fileno(stderr)) == 1);
  bool skipped = !problems.empty();
  std::fputs("picture,data_file,result,groups,spots\n", stdout);
  RunSpotBatch(
      pictures, options, decoders::ReadBatchPicture,
      [&](std::size_t, const SpotBatchResult& r) {
        for (const std::string& note : r.notes) progress.Say(r.picture + ": note: " + note);
        if (r.outcome == BatchOutcome::Skipped) {
          skipped = true;
          progress.Say(r.picture + ": skipped: " + r.why);
          return;
        }
        progress.Print(CsvField(r.picture) + "," + CsvField(r.dataFile) + "," + OutcomeWord(r.outcome) + "," +
                       std::to_string(r.counts.groups) + "," + std::to_string(r.counts.spots) + "\n");
      },
      [&](std::size_t done, std::size_t total) { progress.Update(done, total); });
  progress.End();
  return skipped ? 1 : 0;
}

}  // namespace pelorin::cli
