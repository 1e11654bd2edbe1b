// pelorin-cli report [--month YYYY-MM] [--k K] PATH...: the day's counts of
// every picture measured (data file and .spots.csv), one CSV row a picture.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "base/Text.h"
#include "series/Report.h"

namespace pelorin::cli {

namespace {

int ReportUsage(const std::string& why) {
  std::fprintf(stderr, "pelorin-cli report: %s\n", why.c_str());
  std::fprintf(stderr, "usage: pelorin-cli report [--month YYYY-MM] [--k K] PATH...\n");
  return 2;
}

// "2003-05" -> year and month; false otherwise.
bool MonthOf(const std::string& text, int& year, int& month) {
  if (text.size() != 7 || text[4] != '-') return false;
  for (std::size_t i = 0; i < 7; ++i)
    if (i != 4 && (text[i] < '0' || text[i] > '9')) return false;
  year = std::stoi(text.substr(0, 4));
  month = std::stoi(text.substr(5, 2));
  return month >= 1 && month <= 12;
}

}  // namespace

int RunReport(const std::vector<std::string>& args) {
  int year = 0, month = 0;
  double k = 1;
  bool monthGiven = false, kGiven = false;
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--month" || a == "--k") {
      bool& given = a == "--month" ? monthGiven : kGiven;
      if (given) return ReportUsage(a + " given twice");
      if (i + 1 >= args.size()) return ReportUsage(a + " needs a value");
      const std::string v = args[++i];
      given = true;
      if (a == "--month" && !MonthOf(v, year, month)) return ReportUsage("--month is not YYYY-MM: '" + v + "'");
      if (a == "--k") {
        const std::optional<double> n = WholeNumber(v);
        if (!n || !(*n > 0) || *n > 10) return ReportUsage("--k is not a number above 0 and at most 10: '" + v + "'");
        k = *n;
      }
      continue;
    }
    if (a.empty() || a[0] == '-') return ReportUsage("unknown option '" + a + "'");
    paths.push_back(a);
  }
  if (paths.empty()) return ReportUsage("no PATH given");
  const series::CountsReport report = series::ReadCountsReport(paths, year, month);
  for (const std::string& p : report.problems) std::fprintf(stderr, "pelorin-cli report: %s\n", p.c_str());
  std::fputs(series::CountsReportCsv(report, k).c_str(), stdout);
  return report.rows.empty() && !report.problems.empty() ? 1 : 0;
}

}  // namespace pelorin::cli
