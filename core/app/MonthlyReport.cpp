#include "app/MonthlyReport.h"

#include <optional>

#include "base/AtomicFile.h"
#include "series/Report.h"

namespace pelorin {

namespace {

// The problems for a message, the first ten of them.
std::string Listed(const std::vector<std::string>& problems) {
  std::string s;
  for (std::size_t i = 0; i < problems.size() && i < 10; ++i) s += "\n" + problems[i];
  if (problems.size() > 10) s += "\n(" + std::to_string(problems.size() - 10) + " more)";
  return s;
}

}  // namespace

std::string SaveMonthlyReport(App& app, const std::string& folder) {
  const series::CountsReport report = series::ReadCountsReport({folder});
  if (report.rows.empty()) {
    app.win.MessageBox("Monthly report: no data file in " + folder +
                       " has the counts of Find sunspots (a .spots.csv) beside it." + Listed(report.problems));
    return {};
  }
  const std::optional<std::string> chosen =
      app.win.SaveFileDialog("Save the monthly report", "CSV files(*.csv)|*.csv|All files(*.*)|*.*", "report.csv", "");
  if (!chosen || chosen->empty()) return {};
  if (const std::string e = WriteFileAtomically(*chosen, series::CountsReportCsv(report, app.observerK));
      !e.empty()) {
    app.win.MessageBox("The monthly report was not saved to " + *chosen + ": " + e);
    return {};
  }
  if (!report.problems.empty())
    app.win.MessageBox("Monthly report: " + std::to_string(report.problems.size()) +
                       " data files were left out:" + Listed(report.problems));
  return *chosen;
}

}  // namespace pelorin
