#include "series/Report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "base/Csv.h"
#include "base/Text.h"
#include "base/TextFile.h"
#include "formats/SpotsFile.h"
#include "series/SeriesRead.h"

namespace pelorin::series {

namespace {

// One data file's row; false with a problem when it gives none.
bool RowOf(const std::string& path, ReportRow& row, std::vector<std::string>& problems) {
  SeriesFile file;
  std::vector<GroupPosition> positions;
  std::vector<std::string> ignored;
  try {
    if (!ReadSeriesFile(path, ReadLines(path), 0, file, positions, ignored)) {
      problems.push_back(ignored.empty() ? path + ": not a data file" : ignored.front());
      return false;
    }
  } catch (const std::exception& e) {
    problems.push_back(e.what());
    return false;
  }
  const std::filesystem::path p(path);
  const std::string spots = (p.parent_path() / SpotsFileNameOf(p.filename().string())).string();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(spots, ec)) {
    problems.push_back(path + ": no " + std::filesystem::path(spots).filename().string() + " beside it");
    return false;
  }
  SpotsFileContents contents;
  std::string error;
  try {
    if (!ParseSpotsFile(ReadFileBytes(spots), contents, error)) {
      problems.push_back(spots + ": " + error);
      return false;
    }
  } catch (const std::exception& e) {
    problems.push_back(e.what());
    return false;
  }
  row.jd = file.jd;
  row.file = path;
  row.counts = contents.counts;
  return true;
}

}  // namespace

CountsReport ReadCountsReport(const std::vector<std::string>& paths, int year, int month) {
  CountsReport r;
  for (const std::string& path : DataFilesIn(paths, r.problems)) {
    ReportRow row;
    if (!RowOf(path, row, r.problems)) continue;
    if (month >= 1 && month <= 12) {
      int y = 0, m = 0, d = 0;
      double h = 0;
      CalendarOf(row.jd, y, m, d, h);
      if (y != year || m != month) continue;
    }
    r.rows.push_back(row);
  }
  std::stable_sort(r.rows.begin(), r.rows.end(), [](const ReportRow& a, const ReportRow& b) {
    return a.jd != b.jd ? a.jd < b.jd : a.file < b.file;
  });
  return r;
}

std::string CountsReportCsv(const CountsReport& report, double k) {
  std::string out = "date,time,file,g,f,R,g_north,f_north,g_south,f_south\n";
  for (const ReportRow& row : report.rows) {
    // The minute nearest the data file's time, carried into the next day.
    const double minute = std::round(row.jd * 1440) / 1440;
    int y = 0, m = 0, d = 0;
    double h = 0;
    CalendarOf(minute + 1e-7, y, m, d, h);
    const int mins = std::min(1439, static_cast<int>(std::floor(h * 60 + 1e-4)));
    const SpotCounts& c = row.counts;
    char date[40];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d,%02d:%02d,", y, m, d, mins / 60, mins % 60);
    out += date + CsvField(row.file) + "," + std::to_string(c.groups) + "," + std::to_string(c.spots) + "," +
           NumberText(k * (10.0 * c.groups + c.spots)) + "," + std::to_string(c.northGroups) + "," +
           std::to_string(c.northSpots) + "," + std::to_string(c.southGroups) + "," + std::to_string(c.southSpots) +
           "\n";
  }
  return out;
}

}  // namespace pelorin::series
