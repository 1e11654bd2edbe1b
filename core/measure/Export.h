// The records of a picture for spreadsheets: CSV as `pelorin-cli dat --csv`
// prints it (File -> "Export measurements…" writes the same) and the
// tab-separated text the measurement panel copies.
#pragma once

#include <string>
#include <vector>

#include "app/App.h"
#include "files/DataFile.h"

namespace pelorin {

// One CSV field: quoted (quotes doubled) when it holds a comma, a quote or a
// line end, else as it is.
std::string CsvField(const std::string& text);

// The header row name,B,CMD,L and one row per record (numbers in the general
// text form), each line ending with LF.
std::string CsvText(const std::vector<DataRecord>& records);

// Tab-separated text: a header row name, B, CMD, L (then area, class when
// `withArea`), one row per entry, each line ending with LF. Numbers in the
// general text form; an unknown area (negative) or class is an empty field.
// Tabs and line ends inside a name become blanks.
struct TsvRow {
  std::string name;
  double B = 0, CMD = 0, L = 0;
  double area_msh = -1;
  std::string spotClass;
};
std::string TsvText(const std::vector<TsvRow>& rows, bool withArea);

// The CSV of the open picture's working file, as `pelorin-cli dat --csv`
// gives it for the data file that Save would write, written to `path`
// (beside it first, then renamed over it). "" when done, else why.
std::string ExportMeasurements(const App& app, const std::string& path);

// File -> "Export measurements…": asks for the file (offered: the data
// file's name with .csv) and writes it; a failure is said in a message box,
// and so is the want of a working file (no picture open), before asking.
void ExportMeasurements_Click(App& app);

}  // namespace pelorin
