// The day's counts of every picture of a season, one row a picture: read
// from the data files and the .spots.csv beside each (what Find sunspots
// saved), in time order.
#pragma once

#include <string>
#include <vector>

#include "formats/SpotTable.h"

namespace pelorin::series {

// One picture: its data file's Julian day (UT), the data file as found, and
// the counts of its .spots.csv (groups and spots, all and by hemisphere).
struct ReportRow {
  double jd = 0;
  std::string file;
  SpotCounts counts;
};

struct CountsReport {
  std::vector<ReportRow> rows;        // time order, ties by path
  std::vector<std::string> problems;  // "FILE: what" (and line): files left out, and why
};

// The rows of the data files that `paths` name (files, or folders read with
// subfolders), those of month `month` of `year` only when month is 1..12 (0:
// every file). A data file that cannot be read, or whose .spots.csv is
// missing or cannot be read, gives a problem naming it and no row.
CountsReport ReadCountsReport(const std::vector<std::string>& paths, int year = 0, int month = 0);

// The report as CSV, lines ending LF: the header row
// "date,time,file,g,f,R,g_north,f_north,g_south,f_south", then one row per
// picture: date YYYY-MM-DD and time HH:MM (UT), R = k (10 g + f) in the
// general number form, k > 0.
std::string CountsReportCsv(const CountsReport& report, double k = 1);

}  // namespace pelorin::series
