// The measurement data file: reading versions "v2.0", "v1.0" and unversioned
// back into the program state, and the Save command.
#pragma once

#include <string>
#include <vector>

#include "app/App.h"

namespace pelorin {

// What a data file holds, independent of the program state.
struct DataRecord {
  std::string name;
  double B = 0, CMD = 0, L = 0;
};
struct DataFileContents {
  int version = -1;                 // 2, 1, 0, or -1 for an unknown version line
  std::string pictureLine;          // line 4
  double day = 0, month = 0, year = 0, timeUT = 0;
  double P = 0, B0 = 0, L0 = 0, rho0 = 0;
  std::string typeWord;
  double x0 = 0, y0 = 0, rk = 0, orientation = 0;
  bool headerComplete = false;      // all 13 header lines were present
  std::vector<DataRecord> records;  // converted to version 2, rounded to 5 decimals
  std::vector<std::string> problems;  // "line N: ..." for skipped lines
};

// Parses a data file's lines. Never throws; a header cut short leaves
// headerComplete false and no records. v1 CMD above 180 is turned into
// CMD - 360; v0 records are converted with L0.
DataFileContents ParseDataFile(const std::vector<std::string>& lines);

// Reads the data file at `path` into the program state and restarts temp.dat
// in the current folder as an up-to-date copy (picture name on line 4).
// Sets ImageType, NorthUpImage, DateKnown from the type word and the picture
// name, CalibrationState 3, the stored points' picture positions. Throws
// FileError when the file cannot be read or its header is cut short.
void ReadDataFile(App& app, const std::string& path, const std::string& pictureName);

// File -> "Save".
void spremi_Click(App& app);

}  // namespace pelorin
