// The files that come with pictures from outside: Kanzelhöhe file names, the
// SOHO catalogues nameconv.txt and catalog.txt, and the reference catalogue
// DPD1.txt in its DPD layout. Tests and the bundled samples write them here,
// so that they share one writer. Character positions below are 1-based.
// Every writer ends lines with CR LF and throws FileError naming the path when
// the file cannot be written; a field that cannot be written in its columns
// throws std::invalid_argument naming it.
#pragma once

#include <string>
#include <vector>

#include "SunPicture.h"

namespace pelorin::gen {

enum class KanzelhoeKind { Drawing, Halpha, Broadband };

// A Kanzelhöhe picture name: "kanz_drawx", "kanz_halph" or "kanz_bband" at
// 1-10, "_fi_" at 11-14, year 15-18, month 19-20, day 21-22, "_" at 23, hour
// 24-25, minute 26-27, then "." and `extension` (for example "jpg").
std::string KanzelhoeName(KanzelhoeKind kind, int year, int month, int day, int hour, int minute,
                          const std::string& extension);

// The 18-character key of the SOHO catalogues: `prefix` (3 characters) at
// 1-3, year 4-7, month 8-9, day 10-11, "_" at 12, hour 13-14, minute 15-16,
// second 17-18.
std::string SohoKey(int year, int month, int day, int hour, int minute, int second,
                    const std::string& prefix = "SOH");

// One SOHO picture in the catalogues.
struct SohoPicture {
  std::string baseName;  // picture name without its extension, 1..8 characters
  std::string key;       // 18 characters (SohoKey)
  double x0_px = 0, y0_px = 0, rk_px = 0;  // disc centre and radius
  double B0_deg = 0;                       // the catalogue's B0
};

// The catalogue record of a rendered picture: key from the truth's date and
// time, disc from the truth, B0 as the truth holds it.
SohoPicture SohoPictureFor(const Truth& truth, const std::string& baseName);

// nameconv.txt line: the key at 1-18, six blanks, the base name at 25-32
// (not padded: a shorter name ends the line).
std::string NameconvLine(const SohoPicture& pic);

// catalog.txt entry: "&#", 8 filler lines, "x0,y0,rk,B0" (numbers in their
// general text form), 19 filler lines, the key line.
std::vector<std::string> CatalogEntryLines(const SohoPicture& pic);

void WriteNameconv(const std::string& path, const std::vector<SohoPicture>& pics);
void WriteCatalog(const std::string& path, const std::vector<SohoPicture>& pics);

// DPD1.txt, DPD layout.
struct DpdSpot {
  double L_deg = 0, B_deg = 0;
};
struct DpdGroup {
  std::string name;  // 1..6 characters, written left-aligned at 23-28
  double L_deg = 0, B_deg = 0;
  std::vector<DpdSpot> spots;
};
struct DpdBlock {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;  // UT
  std::string source = "DPD";  // up to 4 characters at 23-26
  std::vector<DpdGroup> groups;
};

// "d" line: year 3-6, month 8-9, day 11-12, hour 14-15, minute 17-18,
// second 20-21, source 23-26, blanks between.
std::string DpdDayLine(const DpdBlock& block);
// "g" line: name 23-28, L 60-65, B 67-72; "s" line: L 60-65, B 67-72.
// L and B are written with 2 decimals, right-aligned (L 360.00 as 0.00).
std::string DpdGroupLine(const DpdGroup& group);
std::string DpdSpotLine(const DpdSpot& spot);
// All blocks in order: each "d" line, then each group line followed by the
// lines of its spots.
std::vector<std::string> DpdLines(const std::vector<DpdBlock>& blocks);
void WriteDpd(const std::string& path, const std::vector<DpdBlock>& blocks);

// A block for the truth's date and time in which every spot of the truth is
// a group of its own (named after the spot, cut to 6 characters) with one
// spot at the same place.
DpdBlock DpdBlockFor(const Truth& truth, const std::string& source = "DPD");

}  // namespace pelorin::gen
