// The measurement data file: its text (versions "v2.0", "v1.0" and
// unversioned) read into values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelorin {

// Lines of a data file's header, before its records.
inline constexpr int kHeaderLines = 13;

// "line N: ", the start of a note about line N of a file.
std::string LineTag(int line);

// One measured point of a data file, in the version-2 form. Angles in
// degrees: B latitude, CMD central meridian distance (v1 values above 180
// are brought into (-180, 180] by subtracting 360), L Carrington longitude
// in [0, 360) for converted v0 records, as stored otherwise.
struct DataRecord {
  std::string name;  // object name without its quotes; "" before any "Obj" line
  double B = 0, CMD = 0, L = 0;  // rounded to 5 decimals, halves to even
  int line = 0;                  // 1-based line of the file it came from
};

// What a data file holds, independent of the program state.
struct DataFileContents {
  int version = -1;                 // 2, 1, 0, or -1 for an unknown version line
  std::string versionLine;          // line 3 as read
  std::string pictureLine;          // line 4 as read ("Picture: x.jpg")
  double day = 0, month = 0, year = 0;
  double timeUT = 0;                // decimal hours
  double P = 0, B0 = 0, L0 = 0;     // degrees, as read (P not yet zeroed for north-up)
  double rho0 = 0;                  // AU
  std::string typeWord;             // line 11 as read
  double x0 = 0, y0 = 0, rk = 0;    // disc centre and radius, picture pixels
  double orientation = 0;           // OrientationAngle, degrees
  bool headerComplete = false;      // all 13 header lines were present and whole
  std::vector<DataRecord> records;  // every record of the file, in file order
  // "line N: ..." for each header fault (then headerComplete is false) and
  // each record line that was not read: a line without the commas it needs,
  // a v0 record whose B or Y is too large to convert (from about 5e307), or
  // all record lines when the version is unknown. Blank lines are skipped
  // without a note.
  std::vector<std::string> problems;
};

// Parses a data file's lines (without their line ends). A header line is a
// write line: items split at commas outside double quotes, numbers taken with
// the leading-number conversion; line 5 needs 4 items, lines 6 to 10 two,
// line 12 three, line 13 one. A header cut short or missing items leaves
// headerComplete false, one problem naming the line, and no records. Records:
// v2 "name",B,CMD,L (the quoted name may hold commas); v1 B,CMD,L under the
// last "Obj" line (name = the line less its first 14 characters; a double
// quote followed, blanks aside, by a comma, which would cut the name when it
// is written back, becomes a single quote and is noted); v0 B,Y,...
// with CMD = ArcSin(sin(Y) * cos(B * (pi/180)^2) / cos(B)) in degrees and
// L = Reduce360(L0 + CMD). Never throws for any input.
DataFileContents ParseDataFile(const std::vector<std::string>& lines);

// Why `name` cannot name an object's records: each record begins with the
// name in double quotes, so a double quote or a comma in it would break the
// records apart when the file is read back. The refusal is a sentence for
// the observer ("The object name ... Enter another name."); "" when the
// name can be written. An empty name is not judged here: each caller says
// what an empty answer means.
std::string RecordNameRefusal(const std::string& name);

// The header of a data file as the program writes it (version "v2.0"), line
// by line, so that the window's working file and a data file written
// without the window are the same bytes. Numbers in the general text form
// (WriteLineText); lines without their line ends.
//
// Lines 1 to 4: the two notes, "v2.0" and "Picture: " with the bare name.
std::vector<std::string> DataFileStartLines(const std::string& pictureName);
// Lines 5 to 10: date (day, month, year), time (UT, decimal hours), P, B0,
// L0 (degrees) and rho0 (AU).
std::vector<std::string> DataFileDateLines(double day, double month, double year, double timeUT, double P,
                                           double B0, double L0, double rho0);
// Line 12: the disc's centre and radius, picture pixels.
std::string DataFileDiscLine(double x0, double y0, double rk);
// Line 13: the orientation angle, degrees.
std::string DataFileOrientationLine(double orientation);
// The type word of an image type (0 "scan", 1 "SOHO", 3 "photo"); "" for
// type 2, which has none.
std::string TypeWord(int imageType);

// The 13 header lines for the values of `c` (its typeWord as line 11), the
// picture line naming `pictureName`: what the window writes for a picture
// it calibrated or whose data file it read.
std::vector<std::string> DataFileHeaderLines(const DataFileContents& c, const std::string& pictureName);

// The image type and its two flags as a data file's type word gives them for
// a picture of this bare name (Kanzelhoehe prefixes compared case-sensitively).
// `dateKnown` is left alone where the type word does not set it.
void ApplyTypeWord(const std::string& typeWord, const std::string& pictureName, std::int16_t& imageType,
                   std::int16_t& northUpImage, float& dateKnown);

}  // namespace pelorin
