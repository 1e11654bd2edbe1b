// The records of a picture for spreadsheets: CSV as `pelorin-cli dat --csv`
// prints it (File -> "Export measurements…" writes the same) and the
// tab-separated text the measurement panel copies.
#pragma once

#include <string>
#include <vector>

#include "formats/DataFile.h"

namespace pelorin {

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

}  // namespace pelorin
