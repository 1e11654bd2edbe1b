// NOAA's Solar Region Summary (SRS) read as a catalogue of the day's regions,
// and the day's groups written in its layout. Text in, values out: nothing
// here touches a file.
//
// A summary has a header (lines starting with ':' or '#', and plain text),
// then section I (regions with sunspots), IA (H-alpha plages without spots)
// and II (regions due to return), each a line starting "I.", "IA." or "II.",
// a line of column names and one row a region, or the single row "None".
// Files of the old archives are written wholly in upper case; case is not
// told apart anywhere. Lines end at LF; a CR before it is dropped.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "formats/SpotTable.h"

namespace pelorin {

// A region of section I: the number (full NOAA number, see FullNoaaNumber),
// latitude B and central meridian distance CMD (degrees, north and west
// positive: N19W56 is B = +19, CMD = +56), Carrington longitude Lo
// (degrees), area in millionths of the hemisphere, McIntosh class,
// longitudinal extent LL (degrees), number of spots NN and the magnetic
// type ("" when the row has none). `line` is the row's 1-based line.
struct SrsRegion {
  int number = 0;
  double B = 0, CMD = 0, Lo = 0;
  double area_msh = 0;
  std::string mcIntosh;
  double LL = 0;
  int spots = 0;
  std::string magType;
  int line = 0;
};

// A row of section IA (B, CMD and Lo as above) or II (B and Lo; CMD 0).
struct SrsOtherRegion {
  int number = 0;
  double B = 0, CMD = 0, Lo = 0;
  int line = 0;
};

struct SrsSummary {
  bool corrected = false;           // a "Corrected Copy" line
  int year = 0, month = 0, day = 0; // the issue date (":Issued:", else the file's name); 0 unknown
  double issuedHours = 0;           // UT of ":Issued:", decimal hours
  // The moment the locations hold for, as a Julian day: "Locations Valid at
  // DD/HHMMZ" of section I (DD/2400Z is 00:00 UT of the next day), else
  // 00:00 UT of the issue date; 0 when no date is known.
  double validJulianDay = 0;
  std::vector<SrsRegion> regions;        // section I
  std::vector<SrsOtherRegion> plages;    // section IA
  std::vector<SrsOtherRegion> returning; // section II
  // Each line that could not be read, "FILE:LINE: what" (LINE 0 for the file
  // as a whole); the rest of the file is read regardless.
  std::vector<std::string> problems;
};

// Reads a summary's text; `fileName` names it in the problems and gives the
// date when the text has no ":Issued:" line (YYYYMMDDSRS.txt; MMDDSRS.txt
// gives no year). Never fails: what cannot be read is in `problems`.
SrsSummary ParseSrs(std::string_view text, const std::string& fileName);

// The date of a summary's file name: YYYYMMDDSRS.txt (year set) or
// MMDDSRS.txt (year 0), any case, with or without a folder. False for any
// other name or an impossible month or day.
bool SrsDateOfName(const std::string& fileName, int& year, int& month, int& day);

// The names a summary of the day is found under, in the order to try:
// YYYYMMDDSRS.txt, MMDDSRS.txt and both in upper case.
std::vector<std::string> SrsNamesOfDay(int year, int month, int day);

// A region number as NOAA numbers it today: a number under 10000 in a file
// dated after 2002-06-15 (when the numbers passed 9999 and the files kept
// four digits) gets 10000 added; other numbers are kept.
int FullNoaaNumber(int number, int year, int month, int day);

// The NOAA number a group's name gives: four or five digits, "AR" before
// them or not: "AR11680", "11680" and, after 2002-06-15, "1680" are 11680
// (see FullNoaaNumber); 0 for any other name ("G3", "163", "123456", "").
int NoaaNumberOfName(const std::string& name, int year, int month, int day);

// One row of the written summary's section I, before rounding: the number,
// B and CMD of the group's centre, its Carrington L, area (MSH), class,
// extent in longitude (degrees) and spots.
struct SrsRow {
  int number = 0;
  double B = 0, CMD = 0, L = 0;
  double area_msh = 0;
  std::string mcIntosh;
  double LL = 0;
  int spots = 0;
};

// The rows of the groups found on a picture, in the groups' order: the
// number the name gives (NoaaNumberOfName), else the n of a name G<n>, else
// the next number above every other; LL the spread of the group's spots in
// L (0 for one spot).
std::vector<SrsRow> SrsRowsOfReport(const SpotReport& report, int year, int month, int day);

// The text placed in the Mag Type column, which white light cannot tell.
inline constexpr const char* kSrsNoMagType = "----";

// The day's summary in SRS layout: a header naming Pelorin, the picture and
// its UT, ":Issued:" at the picture's time; section I one row per group
// (number in four digits as the files write it, Location and Lo in whole
// degrees, Area to the nearest 10 MSH, Z, LL and NN, kSrsNoMagType);
// sections IA and II "None". Lines end with LF.
std::string WriteSrs(const std::string& picture, int year, int month, int day, double hours,
                     const std::vector<SrsRow>& rows);

}  // namespace pelorin
