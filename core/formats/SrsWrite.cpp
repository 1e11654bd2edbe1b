// The day's groups written in the Solar Region Summary's layout.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "formats/Srs.h"

namespace pelorin {

namespace {

const char* const kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Degrees to (-180, 180].
double Wrap180(double a) {
  a = std::fmod(a, 360.0);
  if (a > 180) a -= 360;
  if (a <= -180) a += 360;
  return a;
}

// The spread in L of a group's spots about its centre, degrees.
double ExtentInL(const SpotReport& report, const SpotGroup& g) {
  double lo = 0, hi = 0;
  for (int i : g.spots) {
    const double d = Wrap180(report.spots[static_cast<std::size_t>(i)].L - g.L);
    lo = std::min(lo, d);
    hi = std::max(hi, d);
  }
  return hi - lo;
}

// "N19W56" in whole degrees; the hemisphere of the unrounded value.
std::string LocationText(double B, double CMD) {
  char s[16];
  std::snprintf(s, sizeof s, "%c%02d%c%02d", B < 0 ? 'S' : 'N', static_cast<int>(std::lround(std::fabs(B))),
                CMD < 0 ? 'E' : 'W', static_cast<int>(std::lround(std::fabs(CMD))));
  return s;
}

// One row of section I, in the columns of the line of names.
std::string RowText(const SrsRow& r) {
  long lo = std::lround(std::fmod(std::fmod(r.L, 360.0) + 360.0, 360.0));
  if (lo == 360) lo = 0;
  const long area = std::lround(r.area_msh / 10) * 10;
  std::string z = r.mcIntosh.empty() ? "Axx" : r.mcIntosh;
  char s[128];
  std::snprintf(s, sizeof s, "%04d %-9s %03ld  %04ld %-3s  %02ld   %02d %s\n", r.number % 10000,
                LocationText(r.B, r.CMD).c_str(), lo, area, z.c_str(), std::lround(r.LL), r.spots, kSrsNoMagType);
  return s;
}

}  // namespace

std::vector<SrsRow> SrsRowsOfReport(const SpotReport& report, int year, int month, int day) {
  std::vector<SrsRow> rows;
  int highest = 0;
  for (const SpotGroup& g : report.groups) {
    SrsRow r;
    r.number = NoaaNumberOfName(g.name, year, month, day);
    if (r.number == 0 && g.name.size() > 1 && g.name.size() < 6 && g.name[0] == 'G' &&
        g.name.find_first_not_of("0123456789", 1) == std::string::npos)
      r.number = std::stoi(g.name.substr(1));
    highest = std::max(highest, r.number);
    r.B = g.B;
    r.CMD = g.CMD;
    r.L = g.L;
    r.area_msh = g.area_msh;
    r.mcIntosh = g.mcIntosh;
    r.LL = ExtentInL(report, g);
    r.spots = static_cast<int>(g.spots.size());
    rows.push_back(r);
  }
  for (SrsRow& r : rows)
    if (r.number == 0) r.number = ++highest;
  return rows;
}

std::string WriteSrs(const std::string& picture, int year, int month, int day, double hours,
                     const std::vector<SrsRow>& rows) {
  const int minutes = std::clamp(static_cast<int>(std::lround(hours * 60)), 0, 24 * 60 - 1);
  const int hhmm = minutes / 60 * 100 + minutes % 60;
  const char* mon = kMonthNames[std::clamp(month, 1, 12) - 1];
  char line[256];
  std::string out = ":Product: Pelorin region summary\n";
  std::snprintf(line, sizeof line, ":Issued: %04d %s %02d %04d UTC\n", year, mon, day, hhmm);
  out += line;
  out += "# Written by Pelorin from the groups it found on the picture\n";
  out += "# " + picture + "\n";
  std::snprintf(line, sizeof line, "# taken %04d-%02d-%02d at %02d:%02d UT (white light; Mag Type not known: %s).\n",
                year, month, day, minutes / 60, minutes % 60, kSrsNoMagType);
  out += line;
  out += "# This is an observer's summary, not a product of NOAA's Space Weather Prediction Center.\n#\n";
  out += "Pelorin Region Summary\n";
  std::snprintf(line, sizeof line, "I.  Regions with Sunspots.  Locations Valid at %02d/%04dZ\n", day, hhmm);
  out += line;
  out += "Nmbr Location  Lo  Area  Z   LL   NN Mag Type\n";
  for (const SrsRow& r : rows) out += RowText(r);
  if (rows.empty()) out += "None\n";
  std::snprintf(line, sizeof line, "IA. H-alpha Plages without Spots.  Locations Valid at %02d/%04dZ\n", day, hhmm);
  out += line;
  out += "Nmbr  Location  Lo\nNone\n";
  out += "II. Regions Due to Return\nNmbr Lat    Lo\nNone\n";
  return out;
}

}  // namespace pelorin
