#include "Catalogues.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "base/Text.h"
#include "base/TextFile.h"

namespace pelorin::gen {

namespace {

void Require(bool ok, const std::string& what) {
  if (!ok) throw std::invalid_argument(what);
}

std::string Digits(int v, int width, const char* field) {
  Require(v >= 0, std::string(field) + " must not be negative");
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", width, v);
  Require(static_cast<int>(std::string(buf).size()) == width,
          std::string(field) + " does not fit in " + std::to_string(width) + " digits");
  return buf;
}

// Writes `text` into `line` at 1-based position `pos`, growing it with blanks.
void Put(std::string& line, std::size_t pos, const std::string& text) {
  if (line.size() < pos - 1 + text.size()) line.resize(pos - 1 + text.size(), ' ');
  line.replace(pos - 1, text.size(), text);
}

// A degree value with 2 decimals, right-aligned in 6 columns.
std::string Degrees6(double v, const char* field) {
  Require(std::isfinite(v), std::string(field) + " must be finite");
  char buf[32];
  std::snprintf(buf, sizeof buf, "%6.2f", v);
  const std::string s = buf;
  Require(s.size() == 6, std::string(field) + " " + s + " does not fit in 6 columns");
  return s;
}

std::string Longitude6(double L) {
  Require(std::isfinite(L) && L >= 0 && L < 360, "L must be in [0, 360)");
  std::string s = Degrees6(L, "L");
  return s == "360.00" ? "  0.00" : s;
}

std::string Latitude6(double B) {
  Require(std::isfinite(B) && B >= -90 && B <= 90, "B must be in [-90, 90]");
  return Degrees6(B, "B");
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  OutputFile f;
  f.Open(path);
  for (const std::string& l : lines) f.PrintLine(l);
  f.Close();
}

}  // namespace

std::string KanzelhoeName(KanzelhoeKind kind, int year, int month, int day, int hour, int minute,
                          const std::string& extension) {
  const char* prefix = kind == KanzelhoeKind::Drawing  ? "kanz_drawx"
                       : kind == KanzelhoeKind::Halpha ? "kanz_halph"
                                                       : "kanz_bband";
  return std::string(prefix) + "_fi_" + Digits(year, 4, "year") + Digits(month, 2, "month") +
         Digits(day, 2, "day") + "_" + Digits(hour, 2, "hour") + Digits(minute, 2, "minute") + "." + extension;
}

std::string SohoKey(int year, int month, int day, int hour, int minute, int second, const std::string& prefix) {
  Require(prefix.size() == 3, "the key prefix must be 3 characters");
  return prefix + Digits(year, 4, "year") + Digits(month, 2, "month") + Digits(day, 2, "day") + "_" +
         Digits(hour, 2, "hour") + Digits(minute, 2, "minute") + Digits(second, 2, "second");
}

SohoPicture SohoPictureFor(const Truth& t, const std::string& baseName) {
  return {baseName, SohoKey(t.year, t.month, t.day, t.hour, t.minute, t.second), t.x0_px, t.y0_px, t.rk_px,
          t.eph.B0_deg};
}

std::string NameconvLine(const SohoPicture& pic) {
  Require(pic.key.size() == 18, "nameconv.txt: the key must be 18 characters");
  Require(!pic.baseName.empty() && pic.baseName.size() <= 8,
          "nameconv.txt: the base name '" + pic.baseName + "' must be 1..8 characters");
  return pic.key + "      " + pic.baseName;
}

std::vector<std::string> CatalogEntryLines(const SohoPicture& pic) {
  Require(pic.key.size() == 18, "catalog.txt: the key must be 18 characters");
  Require(std::isfinite(pic.x0_px) && std::isfinite(pic.y0_px) && std::isfinite(pic.rk_px) &&
              std::isfinite(pic.B0_deg),
          "catalog.txt: x0, y0, rk and B0 must be finite");
  std::vector<std::string> lines{"&#"};
  for (int k = 1; k <= 8; ++k) lines.push_back("header " + std::to_string(k));
  lines.push_back(NumberText(pic.x0_px) + "," + NumberText(pic.y0_px) + "," + NumberText(pic.rk_px) + "," +
                  NumberText(pic.B0_deg));
  for (int k = 1; k <= 19; ++k) lines.push_back("note " + std::to_string(k));
  lines.push_back(pic.key);
  return lines;
}

void WriteNameconv(const std::string& path, const std::vector<SohoPicture>& pics) {
  std::vector<std::string> lines;
  for (const SohoPicture& p : pics) lines.push_back(NameconvLine(p));
  WriteLines(path, lines);
}

void WriteCatalog(const std::string& path, const std::vector<SohoPicture>& pics) {
  std::vector<std::string> lines;
  for (const SohoPicture& p : pics) {
    const std::vector<std::string> entry = CatalogEntryLines(p);
    lines.insert(lines.end(), entry.begin(), entry.end());
  }
  WriteLines(path, lines);
}

std::string DpdDayLine(const DpdBlock& b) {
  Require(b.source.size() <= 4, "DPD1.txt: the source name must be at most 4 characters");
  std::string line = "d";
  Put(line, 3, Digits(b.year, 4, "year"));
  Put(line, 8, Digits(b.month, 2, "month"));
  Put(line, 11, Digits(b.day, 2, "day"));
  Put(line, 14, Digits(b.hour, 2, "hour"));
  Put(line, 17, Digits(b.minute, 2, "minute"));
  Put(line, 20, Digits(b.second, 2, "second"));
  Put(line, 23, b.source);
  return line;
}

std::string DpdGroupLine(const DpdGroup& g) {
  Require(!g.name.empty() && g.name.size() <= 6, "DPD1.txt: the group name '" + g.name + "' must be 1..6 characters");
  std::string line = "g";
  Put(line, 23, g.name);
  Put(line, 60, Longitude6(g.L_deg));
  Put(line, 67, Latitude6(g.B_deg));
  return line;
}

std::string DpdSpotLine(const DpdSpot& s) {
  std::string line = "s";
  Put(line, 60, Longitude6(s.L_deg));
  Put(line, 67, Latitude6(s.B_deg));
  return line;
}

std::vector<std::string> DpdLines(const std::vector<DpdBlock>& blocks) {
  std::vector<std::string> lines;
  for (const DpdBlock& b : blocks) {
    lines.push_back(DpdDayLine(b));
    for (const DpdGroup& g : b.groups) {
      lines.push_back(DpdGroupLine(g));
      for (const DpdSpot& s : g.spots) lines.push_back(DpdSpotLine(s));
    }
  }
  return lines;
}

void WriteDpd(const std::string& path, const std::vector<DpdBlock>& blocks) { WriteLines(path, DpdLines(blocks)); }

DpdBlock DpdBlockFor(const Truth& t, const std::string& source) {
  DpdBlock b;
  b.year = t.year;
  b.month = t.month;
  b.day = t.day;
  b.hour = t.hour;
  b.minute = t.minute;
  b.second = t.second;
  b.source = source;
  for (const SpotTruth& s : t.spots) {
    double L = std::fmod(s.L_deg, 360.0);
    if (L < 0) L += 360;
    if (L >= 360) L = 0;
    b.groups.push_back({s.name.substr(0, 6), L, s.B_deg, {{L, s.B_deg}}});
  }
  return b;
}

}  // namespace pelorin::gen
