// File -> "Export measurements…": the open picture's records as CSV.
#pragma once

#include <string>

#include "app/App.h"

namespace pelorin {

// The CSV of the open picture's working file, as `pelorin-cli dat --csv`
// gives it for the data file that Save would write, with each record's
// errors and their source at the end of its row once the picture is
// calibrated (CsvTextWithErrors), written to `path` (atomically:
// base/AtomicFile.h). "" when done, else why.
std::string ExportMeasurements(const App& app, const std::string& path);

// File -> "Export measurements…": asks for the file (offered: the data
// file's name with .csv) and writes it; a failure is said in a message box,
// and so is the want of a working file (no picture open), before asking.
void ExportMeasurements_Click(App& app);

}  // namespace pelorin
