#include "app/RegionSummary.h"

#include <optional>

#include "app/Edits.h"
#include "base/AtomicFile.h"
#include "formats/Srs.h"
#include "measure/SpotRecords.h"

namespace pelorin {

namespace {

// The review's checked groups (its spots kept whole, as the groups index
// them), or the recorded found groups when no review is open.
SpotReport FoundGroups(const App& app) {
  if (!app.review) return SpotReportOfRecords(app.book.list);
  SpotReport report = app.review->report;
  report.groups.clear();
  for (std::size_t g = 0; g < app.review->report.groups.size(); ++g)
    if (g < app.review->checked.size() && app.review->checked[g] && !app.review->report.groups[g].spots.empty())
      report.groups.push_back(app.review->report.groups[g]);
  return report;
}

}  // namespace

std::string RegionSummaryOfPicture(const App& app, std::string& text) {
  const ProgramState& s = app.s;
  if (app.pic.Width() <= 0) return "There is no region summary to export: open a picture first.";
  const SpotReport report = FoundGroups(app);
  if (report.groups.empty())
    return "There is no region summary to export: no sunspots were found on this picture. Find them with "
           "Tools \xE2\x86\x92 Find sunspots (and check the groups to include) first.";
  if (s.DateKnown == 0)
    return "There is no region summary to export: the picture's date is not known (Settings \xE2\x86\x92 Date and "
           "Time).";
  const int year = static_cast<int>(s.DateYear), month = static_cast<int>(s.DateMonth),
            day = static_cast<int>(s.DateDay);
  text = WriteSrs(app.pictureName, year, month, day, s.TimeUT, SrsRowsOfReport(report, year, month, day));
  return {};
}

void ExportRegionSummary_Click(App& app) {
  std::string text;
  if (std::string why = RegionSummaryOfPicture(app, text); !why.empty()) {
    app.win.MessageBox(why);
    return;
  }
  const std::string& picture = app.pictureName;
  const std::size_t dot = picture.find_last_of('.');
  const std::string preset = (dot == std::string::npos ? picture : picture.substr(0, dot)) + ".srs.txt";
  const std::optional<std::string> chosen = app.win.SaveFileDialog(
      "Export region summary", "Text files(*.txt)|*.txt|All files(*.*)|*.*", preset, "");
  if (!chosen || chosen->empty()) return;
  if (std::string e = WriteFileAtomically(*chosen, text); !e.empty())
    app.win.MessageBox("The region summary was not saved to " + *chosen + ": " + e);
}

}  // namespace pelorin
