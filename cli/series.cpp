// pelorin-cli series: the Sun's differential rotation from a season of data
// files: the law's summary line, the velocities or the tracks as CSV.
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "Commands.h"
#include "base/Text.h"
#include "base/Angles.h"
#include "series/Rotation.h"
#include "series/SeriesRead.h"
#include "series/SeriesText.h"
#include "series/Tracks.h"

namespace pelorin::cli {

namespace {

void Usage() {
  std::fprintf(stderr,
               "usage: pelorin-cli series [--method ds|fit] [--law 2|3] [--max-cmd DEG] [--hemisphere N|S]\n"
               "                          [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--velocities | --tracks] PATH...\n");
}

int Bad(const std::string& what) {
  std::fprintf(stderr, "pelorin-cli series: %s\n", what.c_str());
  Usage();
  return 2;
}

// YYYY-MM-DD (UT midnight; `end` adds a day) as a Julian day.
bool DateJd(const std::string& text, bool end, double& jd) {
  int y = 0, m = 0, d = 0;
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d%c", &y, &m, &d, &tail) != 3) return false;
  if (m < 1 || m > 12 || d < 1 || d > 31 || y < 1600 || y > 2400) return false;
  JulianDay(y, m, d, 0, jd);
  if (end) jd += 1;
  return true;
}

}  // namespace

int RunSeries(const std::vector<std::string>& args) {
  series::FitOptions fit;
  bool velocities = false, tracks = false;
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--weights") {
      fit.weighted = true;
    } else if (a == "--scatter") {
      const auto n = value(v) ? WholeNumber(v) : std::nullopt;
      if (!n || !(*n >= 0)) return Bad("--scatter takes degrees per day, 0 or more");
      fit.scatter_deg_day = *n;
    } else if (a == "--velocities") {
      velocities = true;
    } else if (a == "--tracks") {
      tracks = true;
    } else if (a == "--method") {
      if (!value(v) || (v != "ds" && v != "fit")) return Bad("--method takes ds or fit");
      fit.method = v == "ds" ? series::Method::DailyShifts : series::Method::TrackFit;
    } else if (a == "--law") {
      if (!value(v) || (v != "2" && v != "3")) return Bad("--law takes 2 or 3");
      fit.terms = v == "3" ? 3 : 2;
    } else if (a == "--max-cmd") {
      const auto n = value(v) ? WholeNumber(v) : std::nullopt;
      if (!n || *n <= 0 || *n > 90) return Bad("--max-cmd takes degrees above 0, at most 90");
      fit.maxCmd_deg = *n;
    } else if (a == "--hemisphere") {
      if (!value(v) || (v != "N" && v != "S")) return Bad("--hemisphere takes N or S");
      fit.hemisphere = v == "N" ? 1 : -1;
    } else if (a == "--from" || a == "--to") {
      double jd = 0;
      if (!value(v) || !DateJd(v, a == "--to", jd)) return Bad(a + " takes a date YYYY-MM-DD");
      (a == "--from" ? fit.fromJd : fit.toJd) = jd;
    } else if (!a.empty() && a[0] == '-') {
      return Bad("unknown option " + a);
    } else {
      paths.push_back(a);
    }
  }
  if (paths.empty()) {
    Usage();
    return 2;
  }
  if (velocities && tracks) return Bad("--velocities and --tracks exclude each other");
  if (fit.scatter_deg_day >= 0 && !fit.weighted) return Bad("--scatter needs --weights");

  const series::SeriesData data = series::ReadSeries(paths);
  for (const std::string& p : data.problems) std::fprintf(stderr, "pelorin-cli series: %s\n", p.c_str());
  if (data.files.empty()) {
    std::fprintf(stderr, "pelorin-cli series: no readable data file\n");
    return 1;
  }
  const std::vector<series::Track> found = series::BuildTracks(data);
  if (tracks) {
    std::fputs(series::TracksCsv(data, found).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (velocities) fit.bootstrap = 0;  // the velocities do not need the errors
  const series::RotationResult result = series::MeasureRotation(found, fit);
  if (velocities) {
    std::fputs(series::VelocitiesCsv(found, result).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (!result.fit.ok) {
    std::fprintf(stderr, "pelorin-cli series: too few velocities (%d) to fit the law\n", result.fit.N);
    return 1;
  }
  std::string line;
  for (const auto& [key, value] : series::SummaryPairs(data, result)) {
    if (!line.empty()) line += ' ';
    line += key + "=" + NumberText(RoundHalfEven(value, 5));
  }
  std::printf("%s\n", line.c_str());
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace pelorin::cli
