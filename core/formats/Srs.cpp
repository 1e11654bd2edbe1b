#include "formats/Srs.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>

#include "base/Angles.h"

namespace pelorin {

namespace {

const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return u;
}

std::vector<std::string> Words(std::string_view line) {
  std::istringstream in{std::string(line)};
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

// A whole unsigned decimal number of 1..8 digits, else -1.
int Digits(std::string_view s) {
  if (s.empty() || s.size() > 8) return -1;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return -1;
    v = v * 10 + (c - '0');
  }
  return v;
}

bool ValidDate(int y, int m, int d) { return y >= 0 && m >= 1 && m <= 12 && d >= 1 && d <= 31; }

// "N19" or "s07": latitude in degrees, north positive; false otherwise.
bool Latitude(std::string_view text, double& b) {
  const std::string s = Upper(text);
  if (s.size() < 2 || (s[0] != 'N' && s[0] != 'S')) return false;
  const int v = Digits(s.substr(1));
  if (v < 0 || v > 90) return false;
  b = s[0] == 'N' ? v : -v;
  return true;
}

// "N19W56": B = +19, CMD = +56 (west positive); false otherwise.
bool Location(std::string_view text, double& b, double& cmd) {
  const std::string s = Upper(text);
  const std::size_t ew = s.find_first_of("EW");
  if (ew == std::string::npos || !Latitude(s.substr(0, ew), b)) return false;
  const int v = Digits(s.substr(ew + 1));
  if (v < 0 || v > 180) return false;
  cmd = s[ew] == 'W' ? v : -v;
  return true;
}

// ":ISSUED: 2003 MAY 18 0030 UTC" (already upper case).
bool Issued(const std::string& u, SrsSummary& out) {
  const std::vector<std::string> w = Words(u.substr(8));
  if (w.size() < 4) return false;
  int month = 0;
  for (int m = 0; m < 12; ++m)
    if (w[1] == kMonths[m]) month = m + 1;
  const int y = Digits(w[0]), d = Digits(w[2]), hm = Digits(w[3]);
  if (y < 1900 || month == 0 || !ValidDate(y, month, d) || hm < 0 || hm % 100 > 59 || hm > 2400) return false;
  out.year = y;
  out.month = month;
  out.day = d;
  out.issuedHours = hm / 100 + (hm % 100) / 60.0;
  return true;
}

// "LOCATIONS VALID AT 17/2400Z" of a section I line: the day of the month
// and the hours; false when the line says none.
bool ValidAt(const std::string& u, int& day, double& hours) {
  const std::size_t at = u.find("VALID AT");
  if (at == std::string::npos) return false;
  const std::vector<std::string> w = Words(u.substr(at + 8));
  if (w.empty()) return false;
  const std::string& t = w[0];
  const std::size_t slash = t.find('/');
  if (slash == std::string::npos || t.size() < slash + 6) return false;
  day = Digits(t.substr(0, slash));
  const int hm = Digits(t.substr(slash + 1, 4));
  if (day < 1 || day > 31 || hm < 0 || hm > 2400 || hm % 100 > 59) return false;
  hours = hm / 100 + (hm % 100) / 60.0;
  return true;
}

enum class Section { none, spots, plages, returning, done };

std::string Where(const std::string& file, int line) { return file + ":" + std::to_string(line) + ": "; }

// One row of section I into `out`; "" when read, else what is wrong.
std::string RegionRow(const std::vector<std::string>& w, SrsRegion& r) {
  if (w.size() < 7) return "section I: " + std::to_string(w.size()) + " fields, not the 7 or 8 of a region";
  r.number = Digits(w[0]);
  if (r.number < 0) return "section I: Nmbr '" + w[0] + "' is not a number";
  if (!Location(w[1], r.B, r.CMD)) return "section I: Location '" + w[1] + "' is not like N19W56";
  const int lo = Digits(w[2]), area = Digits(w[3]), ll = Digits(w[5]), nn = Digits(w[6]);
  if (lo < 0 || lo > 360) return "section I: Lo '" + w[2] + "' is not a longitude";
  if (area < 0) return "section I: Area '" + w[3] + "' is not a number";
  if (ll < 0) return "section I: LL '" + w[5] + "' is not a number";
  if (nn < 0) return "section I: NN '" + w[6] + "' is not a number";
  r.Lo = lo % 360;
  r.area_msh = area;
  // The class as the current files write it: "EKI" of the archives is "Eki".
  r.mcIntosh = Upper(w[4]);
  for (std::size_t i = 1; i < r.mcIntosh.size(); ++i)
    r.mcIntosh[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(r.mcIntosh[i])));
  r.LL = ll;
  r.spots = nn;
  for (std::size_t i = 7; i < w.size(); ++i) r.magType += (i > 7 ? " " : "") + w[i];
  return {};
}

// One row of section IA or II; "" when read.
std::string OtherRow(const std::vector<std::string>& w, Section s, SrsOtherRegion& r) {
  const char* name = s == Section::plages ? "section IA: " : "section II: ";
  if (w.size() < 3) return std::string(name) + std::to_string(w.size()) + " fields, not the 3 of a region";
  r.number = Digits(w[0]);
  if (r.number < 0) return name + ("Nmbr '" + w[0] + "' is not a number");
  const bool ok = s == Section::plages ? Location(w[1], r.B, r.CMD) : Latitude(w[1], r.B);
  if (!ok) return name + ("'" + w[1] + "' is not a " + (s == Section::plages ? "location" : "latitude"));
  const int lo = Digits(w[2]);
  if (lo < 0 || lo > 360) return name + ("Lo '" + w[2] + "' is not a longitude");
  r.Lo = lo % 360;
  return {};
}

// The section a line opens, or Section::none.
Section Opens(const std::string& u) {
  if (u.rfind("IA.", 0) == 0) return Section::plages;
  if (u.rfind("II.", 0) == 0) return Section::returning;
  if (u.rfind("I.", 0) == 0) return Section::spots;
  for (const char* end : {"III", "COMMENT", "EFFECTIVE 2 OCT 2000", "PLAIN", "NNN", "THIS MESSAGE"})
    if (u.rfind(end, 0) == 0) return Section::done;
  return Section::none;
}

// The file's numbers made full and its moment set, once its date is known.
void Finish(SrsSummary& s, int validDay, double validHours, const std::string& fileName) {
  if (s.year == 0) {
    int y = 0, m = 0, d = 0;
    if (SrsDateOfName(fileName, y, m, d) && y > 0) {
      s.year = y;
      s.month = m;
      s.day = d;
    }
  }
  if (s.year == 0) {
    s.problems.push_back(Where(fileName, 0) + "no date: neither an :Issued: line nor a YYYYMMDDSRS.txt name");
    return;
  }
  double jd = 0;
  JulianDay(s.year, s.month, s.day, 0, jd);
  if (validDay > 0) {
    // The day the locations hold for is the issue day or one or two before
    // it, in the previous month when its number is larger.
    const bool before = validDay > s.day;
    const int m = before ? (s.month == 1 ? 12 : s.month - 1) : s.month;
    const int y = before && s.month == 1 ? s.year - 1 : s.year;
    double valid = 0;
    JulianDay(y, m, validDay, validHours, valid);
    if (valid <= jd + 1 && valid >= jd - 3) jd = valid;
  }
  s.validJulianDay = jd;
  for (SrsRegion& r : s.regions) r.number = FullNoaaNumber(r.number, s.year, s.month, s.day);
  for (auto* list : {&s.plages, &s.returning})
    for (SrsOtherRegion& r : *list) r.number = FullNoaaNumber(r.number, s.year, s.month, s.day);
}

}  // namespace

SrsSummary ParseSrs(std::string_view text, const std::string& fileName) {
  SrsSummary s;
  Section section = Section::none;
  bool columns = false;  // the section's line of column names was read
  int validDay = 0, lineNo = 0;
  double validHours = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::string u = Upper(line);
    if (u.find("CORRECTED COPY") != std::string::npos) s.corrected = true;
    if (u.rfind(":ISSUED:", 0) == 0 && !Issued(u, s))
      s.problems.push_back(Where(fileName, lineNo) + ":Issued: is not like '2003 May 18 0030 UTC'");
    const std::vector<std::string> w = Words(line);
    if (w.empty() || u[0] == ':' || u[0] == '#' || section == Section::done) continue;
    if (const Section opened = Opens(u); opened != Section::none) {
      // The lines that end the sections count only after one began.
      if (opened == Section::done && section == Section::none) continue;
      section = opened;
      columns = false;
      if (opened == Section::spots) ValidAt(u, validDay, validHours);
      continue;
    }
    if (section == Section::none) continue;
    if (!columns && Upper(w[0]) == "NMBR") {
      columns = true;
      continue;
    }
    if (w.size() == 1 && Upper(w[0]) == "NONE") continue;
    std::string why;
    if (section == Section::spots) {
      SrsRegion r;
      r.line = lineNo;
      why = RegionRow(w, r);
      if (why.empty()) s.regions.push_back(r);
    } else {
      SrsOtherRegion r;
      r.line = lineNo;
      why = OtherRow(w, section, r);
      if (why.empty()) (section == Section::plages ? s.plages : s.returning).push_back(r);
    }
    if (!why.empty()) s.problems.push_back(Where(fileName, lineNo) + why);
  }
  Finish(s, validDay, validHours, fileName);
  return s;
}

bool SrsDateOfName(const std::string& fileName, int& year, int& month, int& day) {
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::string u = Upper(slash == std::string::npos ? fileName : fileName.substr(slash + 1));
  const std::size_t n = u.size();
  if ((n != 15 && n != 11) || u.compare(n - 7, 7, "SRS.TXT") != 0) return false;
  const int digits = Digits(u.substr(0, n - 7));
  if (digits < 0) return false;
  year = n == 15 ? digits / 10000 : 0;
  month = digits / 100 % 100;
  day = digits % 100;
  return ValidDate(year, month, day) && (n == 11 || year >= 1000);
}

std::vector<std::string> SrsNamesOfDay(int year, int month, int day) {
  char full[32], brief[32];
  std::snprintf(full, sizeof full, "%04d%02d%02dSRS.txt", year, month, day);
  std::snprintf(brief, sizeof brief, "%02d%02dSRS.txt", month, day);
  return {full, brief, Upper(full), Upper(brief)};
}

int FullNoaaNumber(int number, int year, int month, int day) {
  const bool after = year * 10000 + month * 100 + day > 20020615;
  return after && number > 0 && number < 10000 ? number + 10000 : number;
}

int NoaaNumberOfName(const std::string& name, int year, int month, int day) {
  std::string u = Upper(name);
  if (u.rfind("AR", 0) == 0) u = u.substr(2);
  if (u.size() != 4 && u.size() != 5) return 0;
  const int n = Digits(u);
  return n > 0 ? FullNoaaNumber(n, year, month, day) : 0;
}

}  // namespace pelorin
