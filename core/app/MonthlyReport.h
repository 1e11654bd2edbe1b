// Tools -> "Monthly report…": the day's counts of every measured picture of
// a folder, as `pelorin-cli report` prints them, saved as CSV.
#pragma once

#include <string>

#include "app/App.h"

namespace pelorin {

// After the user chose `folder`: the counts report of its data files and
// subfolders' (series::ReadCountsReport, R with the observer's k) saved
// where the save dialog says, written in one piece. With no row, says so
// and asks nothing; files left out are named after the save. Returns the
// path written, "" when nothing was (no row, the dialog cancelled, or the
// write failed, which is said).
std::string SaveMonthlyReport(App& app, const std::string& folder);

}  // namespace pelorin
