#include "formats/SpotsFile.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "base/Text.h"
#include "base/TextFile.h"

namespace pelorin {

namespace {

const char* const kSpotHeader = "group,spot,x,y,B,CMD,L,area_msh,umbra_msh";
const char* const kGroupHeader = "group,spots,B,CMD,L,area_msh,class";
const char* const kErrorsHeader = ",B_err,CMD_err,L_err";

std::string Fixed(double v, int decimals) {
  char buf[64];
  // Rounded as the data file's records are, halves to even; no "-0".
  double r = RoundHalfEven(v, decimals);
  if (r == 0) r = 0;
  std::snprintf(buf, sizeof buf, "%.*f", decimals, r);
  return buf;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  std::string cur;
  for (char ch : line) {
    if (ch == ',') {
      f.push_back(cur);
      cur.clear();
    } else {
      cur += ch;
    }
  }
  f.push_back(cur);
  return f;
}

bool Number(const std::string& s, double& v) {
  if (s.empty()) return false;
  char* end = nullptr;
  v = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(v);
}

// ",B_err,CMD_err,L_err" of a row: 5 decimals, empty where not known.
std::string ErrorFields(double B_err, double CMD_err, double L_err) {
  std::string s;
  for (double e : {B_err, CMD_err, L_err}) s += "," + (std::isfinite(e) ? Fixed(e, 5) : std::string());
  return s;
}

// The three error fields from f[first..first + 2] (empty: NaN); false with
// `error` naming the field.
bool ReadErrors(const std::vector<std::string>& f, std::size_t first, const std::string& at, double& B_err,
                double& CMD_err, double& L_err, std::string& error) {
  double* slots[3] = {&B_err, &CMD_err, &L_err};
  for (std::size_t k = 0; k < 3; ++k) {
    const std::string& text = f[first + k];
    if (text.empty()) continue;
    if (!Number(text, *slots[k]) || *slots[k] < 0) {
      error = at + "field " + std::to_string(first + k + 1) + " is not an error (a number, 0 or more): '" + text + "'";
      return false;
    }
  }
  return true;
}

}  // namespace

std::string SpotRowsCsv(const SpotReport& r, bool withErrors) {
  std::string s = std::string(kSpotHeader) + (withErrors ? kErrorsHeader : "") + "\r\n";
  for (const SpotGroup& g : r.groups) {
    int n = 0;
    for (int i : g.spots) {
      const FoundSpot& sp = r.spots[static_cast<std::size_t>(i)];
      s += g.name + "," + std::to_string(++n) + "," + Fixed(sp.x, 2) + "," + Fixed(sp.y, 2) + "," + Fixed(sp.B, 5) +
           "," + Fixed(sp.CMD, 5) + "," + Fixed(sp.L, 5) + "," + Fixed(sp.area_msh, 1) + "," +
           Fixed(sp.umbra_msh, 1) + (withErrors ? ErrorFields(sp.B_err, sp.CMD_err, sp.L_err) : "") + "\r\n";
    }
  }
  return s;
}

std::string GroupRowsCsv(const SpotReport& r, bool withErrors) {
  std::string s = std::string(kGroupHeader) + (withErrors ? kErrorsHeader : "") + "\r\n";
  for (const SpotGroup& g : r.groups)
    s += g.name + "," + std::to_string(g.spots.size()) + "," + Fixed(g.B, 5) + "," + Fixed(g.CMD, 5) + "," +
         Fixed(g.L, 5) + "," + Fixed(g.area_msh, 1) + "," + g.mcIntosh +
         (withErrors ? ErrorFields(g.B_err, g.CMD_err, g.L_err) : "") + "\r\n";
  return s;
}

std::string SummaryLine(const SpotCounts& c) {
  return "groups=" + std::to_string(c.groups) + " spots=" + std::to_string(c.spots) + " wolf=" + NumberText(c.wolf) +
         " north_groups=" + std::to_string(c.northGroups) + " north_spots=" + std::to_string(c.northSpots) +
         " south_groups=" + std::to_string(c.southGroups) + " south_spots=" + std::to_string(c.southSpots);
}

std::string SpotsFileText(const SpotReport& r, double k, bool withErrors) {
  return SpotRowsCsv(r, withErrors) + "\r\n" + GroupRowsCsv(r, withErrors) + "\r\n" +
         SummaryLine(CountSpots(r.groups, k)) + "\r\n";
}

std::string SpotsFileNameOf(const std::string& dat) {
  const std::size_t n = dat.size();
  if (n >= 4 && (dat.compare(n - 4, 4, ".dat") == 0 || dat.compare(n - 4, 4, ".DAT") == 0))
    return dat.substr(0, n - 4) + ".spots.csv";
  return dat + ".spots.csv";
}

namespace {

// Fields 1..n of a row as numbers into v; false with `error` at the first
// that is not one.
bool RowNumbers(const std::vector<std::string>& f, int n, double* v, const std::string& at, std::string& error) {
  for (int k = 0; k < n; ++k)
    if (!Number(f[static_cast<std::size_t>(k + 1)], v[k])) {
      error = at + "field " + std::to_string(k + 2) + " is not a number: '" + f[static_cast<std::size_t>(k + 1)] + "'";
      return false;
    }
  return true;
}

bool FieldCount(const std::vector<std::string>& f, std::size_t fields, const char* row, const std::string& at,
                std::string& error) {
  if (f.size() == fields) return true;
  error = at + "a " + row + " row needs " + std::to_string(fields) + " fields, it has " + std::to_string(f.size());
  return false;
}

bool SpotRow(const std::vector<std::string>& f, bool withErrors, const std::string& at, SpotsFileContents& out,
             std::string& error) {
  if (!FieldCount(f, withErrors ? 12 : 9, "spot", at, error)) return false;
  SpotsFileRow r;
  r.group = f[0];
  double v[8];
  if (!RowNumbers(f, 8, v, at, error)) return false;
  if (r.group.empty()) {
    error = at + "a spot row names no group";
    return false;
  }
  r.spot = static_cast<int>(v[0]);
  r.x = v[1];
  r.y = v[2];
  r.B = v[3];
  r.CMD = v[4];
  r.L = v[5];
  r.area_msh = v[6];
  r.umbra_msh = v[7];
  if (withErrors && !ReadErrors(f, 9, at, r.B_err, r.CMD_err, r.L_err, error)) return false;
  out.spots.push_back(r);
  return true;
}

bool GroupRow(const std::vector<std::string>& f, bool withErrors, const std::string& at, SpotsFileContents& out,
              std::string& error) {
  if (!FieldCount(f, withErrors ? 10 : 7, "group", at, error)) return false;
  SpotsFileGroup g;
  g.name = f[0];
  g.mcIntosh = f[6];
  double v[5];
  if (!RowNumbers(f, 5, v, at, error)) return false;
  g.spots = static_cast<int>(v[0]);
  g.B = v[1];
  g.CMD = v[2];
  g.L = v[3];
  g.area_msh = v[4];
  if (withErrors && !ReadErrors(f, 7, at, g.B_err, g.CMD_err, g.L_err, error)) return false;
  bool known = false;
  for (const SpotsFileRow& r : out.spots) known = known || r.group == g.name;
  if (!known) {
    error = at + "group " + g.name + " has no spot row";
    return false;
  }
  out.groups.push_back(g);
  return true;
}

bool CountsLine(const std::string& line, const std::string& at, SpotCounts& counts, std::string& error) {
  std::istringstream in(line);
  std::string pair;
  while (in >> pair) {
    const std::size_t eq = pair.find('=');
    double v = 0;
    if (eq == std::string::npos || !Number(pair.substr(eq + 1), v)) {
      error = at + "the counts must be key=number pairs: '" + pair + "'";
      return false;
    }
    const std::string key = pair.substr(0, eq);
    const int n = static_cast<int>(v);
    if (key == "groups") counts.groups = n;
    else if (key == "spots") counts.spots = n;
    else if (key == "wolf") counts.wolf = v;
    else if (key == "north_groups") counts.northGroups = n;
    else if (key == "north_spots") counts.northSpots = n;
    else if (key == "south_groups") counts.southGroups = n;
    else if (key == "south_spots") counts.southSpots = n;
    else {
      error = at + "unknown count '" + key + "'";
      return false;
    }
  }
  return true;
}

// A header row, with the errors' columns or without; false with `error`.
bool HeaderRow(const std::string& line, const char* header, const char* what, const std::string& at,
               bool& withErrors, std::string& error) {
  withErrors = line == std::string(header) + kErrorsHeader;
  if (line == header || withErrors) return true;
  error = at + what + " \"" + header + "\" (with \"" + kErrorsHeader + "\" or without)";
  return false;
}

}  // namespace

bool ParseSpotsFile(const std::string& text, SpotsFileContents& out, std::string& error) {
  out = {};
  const std::vector<std::string> lines = SplitLines(text);
  int part = 0;  // 0 spot header, 1 spots, 2 group header, 3 groups, 4 the counts
  bool spotErrors = false, groupErrors = false;  // the part's rows end in the errors
  for (std::size_t li = 0; li < lines.size(); ++li) {
    std::string line = lines[li];
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string at = "line " + std::to_string(li + 1) + ": ";
    if (line.empty()) {
      if (part == 1) part = 2;
      else if (part == 3) part = 4;
      continue;
    }
    bool ok = true;
    if (part == 0) ok = HeaderRow(line, kSpotHeader, "the first line must be", at, spotErrors, error);
    else if (part == 2) ok = HeaderRow(line, kGroupHeader, "the group rows must start with", at, groupErrors, error);
    else if (part == 1) ok = SpotRow(Fields(line), spotErrors, at, out, error);
    else if (part == 3) ok = GroupRow(Fields(line), groupErrors, at, out, error);
    else ok = CountsLine(line, at, out.counts, error);
    if (!ok) return false;
    if (part == 0 || part == 2) ++part;
  }
  if (part == 0) {
    error = "the file is empty";
    return false;
  }
  return true;
}

bool SpotsMatchRecords(const SpotsFileContents& spots, const std::vector<DataRecord>& records, std::string& why) {
  std::map<std::string, int> names;
  for (const SpotsFileRow& r : spots.spots) names[r.group] += 1;
  std::vector<bool> used(records.size(), false);
  for (const SpotsFileRow& r : spots.spots) {
    bool found = false;
    for (std::size_t i = 0; i < records.size() && !found; ++i) {
      const DataRecord& d = records[i];
      if (used[i] || d.name != r.group) continue;
      if (std::fabs(d.B - r.B) <= 1.5e-5 && std::fabs(d.CMD - r.CMD) <= 1.5e-5 && std::fabs(d.L - r.L) <= 1.5e-5) {
        used[i] = true;
        found = true;
      }
    }
    if (!found) {
      why = "spot " + std::to_string(r.spot) + " of group " + r.group + " (B " + Fixed(r.B, 5) + ", L " + Fixed(r.L, 5) +
            ") has no record in the data file";
      return false;
    }
  }
  for (std::size_t i = 0; i < records.size(); ++i)
    if (!used[i] && names.count(records[i].name)) {
      why = "the data file's record on line " + std::to_string(records[i].line) + " (group " + records[i].name +
            ") is not among the spots";
      return false;
    }
  return true;
}

}  // namespace pelorin
