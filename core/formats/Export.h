// The records of a picture for spreadsheets: CSV as `pelorin-cli dat --csv`
// prints it (File -> "Export measurements…" writes the same) and the
// tab-separated text the measurement panel copies.
#pragma once

#include <string>
#include <vector>

#include "formats/DataFile.h"
#include "geometry/PositionErrors.h"

namespace pelorin {

// The header row name,B,CMD,L and one row per record (numbers in the general
// text form), each line ending with LF.
std::string CsvText(const std::vector<DataRecord>& records);

// The same with each record's 1-sigma errors (degrees) and their source at
// the end of its row: header name,B,CMD,L,B_err,CMD_err,L_err,err_source.
// `errors` holds one entry per record; an error that is not a number (a
// point off the disc) is an empty field. Errors with four decimals.
std::string CsvTextWithErrors(const std::vector<DataRecord>& records, const std::vector<PositionErrors>& errors,
                              const std::string& source);

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
