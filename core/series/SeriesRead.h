// A season of data files read as group positions: each file's date and UT
// from its header, and one position per named group (the mean of its
// records) or per unnamed record. Works on files and lines, never on the
// program state.
#pragma once

#include <limits>
#include <string>
#include <vector>

#include "base/Numbers.h"

namespace pelorin::series {

// Carrington's sidereal rate, degrees per day: the rotation of the frame in
// which L is measured.
inline constexpr double kCarringtonSidereal_deg_day = 14.1844;

// One data file read.
struct SeriesFile {
  std::string path;  // as found (folder part kept)
  double jd = 0;     // Julian day (UT) of the header's date and time
  int records = 0;   // records read from it
};

// A group's position in one file. Angles in degrees: B heliographic latitude
// (north positive), CMD central meridian distance in (-180, 180] (west
// positive), L Carrington longitude in [0, 360).
struct GroupPosition {
  std::string name;                          // the group's name; "" for an unnamed record
  int file = -1;                             // index into SeriesData::files
  double jd = 0;                             // the file's Julian day
  double B_deg = 0, CMD_deg = 0, L_deg = 0;  // mean B, circular means of CMD and L
  int records = 0;                           // records averaged (1 for an unnamed record)
  int line = 0;                              // 1-based line of its first record
  double area_msh = -1;                      // the group's area from the .spots.csv beside its file; -1: none
  // The 1-sigma error of L, degrees, from the .spots.csv beside its file
  // (its group rows' L_err); NaN: none given.
  double L_err_deg = std::numeric_limits<double>::quiet_NaN();
};

// What a season of data files holds.
struct SeriesData {
  std::vector<SeriesFile> files;         // files read, in time order (ties by path)
  std::vector<GroupPosition> positions;  // in time order, then by file, then in file order
  std::vector<std::string> problems;  // "FILE: line N: what" or "FILE: what": files not opened, then in reading order
  // Distinct non-empty group names.
  int GroupNames() const;
};

// The positions of one data file whose lines are `lines` (read from `path`,
// which only names it in the problems). Returns false, with one problem
// naming the file (and the line), when the file is not a data file whose
// header gives a plausible date and UT: binary bytes, a header cut short, an
// unknown version, a date outside 1600..2400 or months 1..12, days 1..31, a
// time outside 0..24 h. Otherwise true: `file` filled, `out` extended with
// its positions (file index `fileIndex`), and a problem appended for each
// record left out (line named): lines the reader skips, B beyond +-90, CMD
// beyond +-180, L not finite, and everything from a second picture's header
// on (a file holding two pictures' records). Never throws.
bool ReadSeriesFile(const std::string& path, const std::vector<std::string>& lines, int fileIndex, SeriesFile& file,
                    std::vector<GroupPosition>& out, std::vector<std::string>& problems);

// The data files that `paths` name: a file is taken as it is, a folder gives
// its files ending in ".dat" (any case), subfolders too, in path order. A
// file named twice is given once, where it first came.
// Paths that do not exist, folders that cannot be listed and folders without
// a data file are noted in `problems`.
std::vector<std::string> DataFilesIn(const std::vector<std::string>& paths, std::vector<std::string>& problems);

// One file's path and lines, read already.
struct SeriesText {
  std::string path;
  std::vector<std::string> lines;
};

// The season of files already read (ReadSeriesFile on each), put in time
// order. `problems` are kept first in the result's problems.
// The areas of the groups of each file whose `<name>.spots.csv` lies beside
// it (the group rows' area_msh, by group name), and their L's errors where
// the file gives them. A spots file that cannot be
// read adds a problem naming it; the positions keep no area then.
void AddSpotAreas(SeriesData& d);

SeriesData SeriesOf(const std::vector<SeriesText>& files, std::vector<std::string> problems = {});

// Reads every data file that `paths` name (DataFilesIn), each with
// ReadSeriesFile; a file that cannot be opened is noted with the reason and
// skipped. Never throws for any file content.
SeriesData ReadSeries(const std::vector<std::string>& paths);

// Julian day (UT) <-> ISO 8601 UT text "YYYY-MM-DDTHH:MM:SSZ" (rounded to
// the second; Gregorian calendar).
std::string IsoTime(double jd);
// The Gregorian date and UT (decimal hours) of a Julian day.
void CalendarOf(double jd, int& year, int& month, int& day, double& hours);

}  // namespace pelorin::series
