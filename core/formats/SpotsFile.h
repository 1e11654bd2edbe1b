// The spots of a picture as text: the CSV that `pelorin-cli spots` prints
// and the `<data file name without .dat>.spots.csv` kept beside the data
// file, which holds the spots, their groups and the day's counts.
//
// The file, lines ending CR LF:
//   group,spot,x,y,B,CMD,L,area_msh,umbra_msh     one row per spot
//   (blank line)
//   group,spots,B,CMD,L,area_msh,class            one row per group
//   (blank line)
//   groups=.. spots=.. wolf=.. north_groups=.. north_spots=.. south_groups=.. south_spots=..
// x, y in picture pixels (2 decimals, y down); B, CMD, L in degrees (5
// decimals, as the data file's records); areas in MSH (1 decimal). Spots
// are numbered from 1 within their group.
//
// When the positions' errors are known, the spot rows and the group rows
// end in three more fields, B_err,CMD_err,L_err (1 sigma, degrees, 5
// decimals; empty where unknown), and so do their header rows. Files
// without them read as before.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "formats/DataFile.h"
#include "formats/SpotTable.h"

namespace pelorin {

// The spot rows with their header row ("group,spot,x,y,B,CMD,L,area_msh,umbra_msh";
// with `withErrors` ",B_err,CMD_err,L_err" added to it and to each row).
std::string SpotRowsCsv(const SpotReport& report, bool withErrors = false);
// The group rows with their header row ("group,spots,B,CMD,L,area_msh,class";
// `withErrors` as for the spots).
std::string GroupRowsCsv(const SpotReport& report, bool withErrors = false);
// "groups=.. spots=.. wolf=.. north_groups=.. north_spots=.. south_groups=.. south_spots=.."
// (wolf: the counts' R), no line end.
std::string SummaryLine(const SpotCounts& counts);

// The whole file's text, R with the observer's k; the spots' and groups'
// errors with `withErrors`.
std::string SpotsFileText(const SpotReport& report, double k = 1, bool withErrors = false);

// "x.dat" -> "x.spots.csv" (a name without ".dat" gets ".spots.csv" added).
std::string SpotsFileNameOf(const std::string& dataFileName);

// What a .spots.csv holds.
struct SpotsFileRow {
  std::string group;
  int spot = 0;
  double x = 0, y = 0, B = 0, CMD = 0, L = 0, area_msh = 0, umbra_msh = 0;
  // 1 sigma, degrees; NaN when the file gives none.
  double B_err = std::numeric_limits<double>::quiet_NaN(), CMD_err = std::numeric_limits<double>::quiet_NaN(),
         L_err = std::numeric_limits<double>::quiet_NaN();
};
struct SpotsFileGroup {
  std::string name, mcIntosh;
  int spots = 0;
  double B = 0, CMD = 0, L = 0, area_msh = 0;
  double B_err = std::numeric_limits<double>::quiet_NaN(), CMD_err = std::numeric_limits<double>::quiet_NaN(),
         L_err = std::numeric_limits<double>::quiet_NaN();
};
struct SpotsFileContents {
  std::vector<SpotsFileRow> spots;
  std::vector<SpotsFileGroup> groups;
  SpotCounts counts;
};

// Reads the file's text, with or without the errors' columns (each part as
// its header row says). False with `error` ("line N: ...") for a header
// row that is not one of the expected, a row with the wrong number of
// fields or a field that is not a number (an error's may be empty), a
// group row naming no spot row's group.
bool ParseSpotsFile(const std::string& text, SpotsFileContents& out, std::string& error);

// Whether the spots agree with a data file's records: every spot has its
// own record of its group's name with B, CMD and L equal to 5 decimals,
// and every record under a name of those groups is one of them (records of
// other names are the observer's own and are left out of the check). False
// with `why` naming the first disagreement.
bool SpotsMatchRecords(const SpotsFileContents& spots, const std::vector<DataRecord>& records, std::string& why);

}  // namespace pelorin
