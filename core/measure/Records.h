// The records of the open picture as a list in memory, kept line for line in
// step with the working data file, and what the measurement panel, the
// edits and the exports read from it. Plain data: nothing here sees the
// program state.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "formats/CalFile.h"

namespace pelorin {

// One line of the working file after its 13 header lines. A record is a
// version-2 line "name",B,CMD,L as the program writes it; any other line
// (a disc or orientation line written by a calibration made again after
// measuring) is kept as it is, in its place, and is not a record.
// An error not known.
inline constexpr double kUnknownError = std::numeric_limits<double>::quiet_NaN();

struct RecordLine {
  std::string text;        // the line as written, without its line end
  bool record = false;     // a "name",B,CMD,L record
  std::string name;        // the object name without its quotes (records only)
  double B_deg = 0, CMD_deg = 0, L_deg = 0;  // as read back, 5 decimals (records only)
  bool hasPixel = false;   // the picture position below is known
  double x_px = 0, y_px = 0;  // picture pixels, y down
  double area_msh = -1;    // area in millionths of the hemisphere; negative: unknown
  double umbra_msh = -1;   // its umbra's area; negative: unknown
  std::string spotClass;   // class of the group; empty: unknown
  // A found spot's 1-sigma errors of B, CMD and L and those of its group's
  // centre, degrees, as the finder gave them (spots/SpotErrors.h) or the
  // .spots.csv kept them; NaN: not known (a clicked record's come from the
  // calibration, app/Errors.h).
  double B_err = kUnknownError, CMD_err = kUnknownError, L_err = kUnknownError;
  double groupB_err = kUnknownError, groupCMD_err = kUnknownError, groupL_err = kUnknownError;
  // The point's own 1-sigma errors in picture x and y, pixels, where it has
  // them (autoselect's weighted centre); NaN: a click's (kClick_px).
  double point_sx_px = kUnknownError, point_sy_px = kUnknownError;
};

// The working file as lines: header (lines 1 to 13, fewer while the picture
// is being set up) and body (every line after them).
struct RecordList {
  std::vector<std::string> header;
  std::vector<RecordLine> lines;

  // The bytes of the working file these lines give: every line followed by
  // CR LF, as the program writes them.
  std::string Bytes() const;
  // Number of records among the lines.
  std::size_t RecordCount() const;
};

// Reads the bytes of a working file into lines (header, body); each body
// line that parses as a version-2 record is a record with its name and
// values. No picture positions are set. Never throws.
RecordList ParseRecordList(std::string_view bytes);

// The records of `list` whose points have errors of their own (finite
// point_sx_px, and no found spot's errors), as the .cal keeps them.
std::vector<PointError> PointErrorsOf(const RecordList& list);

// The points' errors read from a .cal given back to the records at the same
// B and L (within the data file's rounding); points matching no record are
// left out. Returns how many records got one.
std::size_t ApplyPointErrors(RecordList& list, const std::vector<PointError>& points);

// The record line of `name` with the numbers of `line` (the text after its
// quoted name): what measuring the same point under `name` writes.
std::string RenamedLine(const RecordLine& line, const std::string& name);

// An object (group): the records sharing one name, in file order; objects in
// the order of their first record.
struct RecordObject {
  std::string name;
  std::vector<std::size_t> lines;  // indices into RecordList::lines
  double meanB_deg = 0, meanCMD_deg = 0;
  double meanL_deg = 0;            // circular mean, [0, 360)
  double area_msh = -1;            // of its first record that has one; negative: none
  std::string spotClass;           // likewise; empty: none
};
std::vector<RecordObject> Objects(const RecordList& list);

// The circular mean of angles in degrees, in [0, 360): 359 and 1 give 0.
// An empty list or angles that cancel (0 and 180) give the plain mean,
// reduced. The panel's own mean, not CircularSum's (base/Numbers.h): it
// falls back to the plain mean, goes through a * kPi / 180 and Reduce360,
// and turns a mean within 1e-9 of 360 into 0.
double CircularMeanDeg(const std::vector<double>& angles_deg);

// The body line whose picture position lies nearest (x, y), picture pixels,
// within `radius_px`; -1 when none does.
int RecordAt(const RecordList& list, double x_px, double y_px, double radius_px);

}  // namespace pelorin
