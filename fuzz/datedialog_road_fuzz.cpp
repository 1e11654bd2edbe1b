// The date and time dialog driven by a script of typed texts, spin clicks and
// keys: typed fields stay in their ranges, the spin buttons follow the boxes,
// and OK writes lines that read back as the values stored.
//
// Input: a first line "day month year hours type" (the state the dialog opens
// with), then one command per line: "d<i><text>" types into de(i), "r<i>"
// into ra(i), "D<i><n>" and "R<i><n>" move a spin button to n, "k<i><n>"
// presses key n in de(i), "K" in ra(i), "O" OK, "C" Cancel.
// The whole road through files and the program state; the parser alone is
// fuzzed by datedialog_fuzz.cpp.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/Text.h"
#include "formats/DataFile.h"
#include "base/TextFile.h"
#include "app/WorkFiles.h"
#include "app/DateDialog.h"

using namespace pelorin;

namespace {

// The range a field keeps once it has been typed into or spun.
struct Range {
  double lo, hi;
};
constexpr std::array<Range, 3> kDate{{{1, 31}, {1, 12}, {1, 3000}}};
constexpr std::array<Range, 3> kTime{{{0, 23}, {0, 59}, {0, 59}}};

bool Within(double v, Range r) { return v >= r.lo && v <= r.hi; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::vector<std::string> lines = fuzz::Split(fuzz::Text(data, size), "\n", 64);
  fuzz::EnterWorkFolder();
  fuzz::Program p;
  ProgramState& s = p.app.s;
  {
    std::vector<std::string> f = fuzz::Split(lines[0], " ", 5);
    f.resize(5);
    s.DateDay = LeadingNumber(f[0]);
    s.DateMonth = LeadingNumber(f[1]);
    s.DateYear = LeadingNumber(f[2]);
    s.TimeUT = LeadingNumber(f[3]);
    s.ImageType = static_cast<std::int16_t>(static_cast<unsigned char>(f[4].empty() ? '0' : f[4][0]) % 4);
    s.NorthUpImage = s.ImageType == 1 ? 1 : 0;
  }
  p.app.file2.Open("temp.dat");
  DateDialog d(p.app);
  d.Form_Load();
  std::array<bool, 3> deSet{}, raSet{};
  bool ok = false;
  for (std::size_t n = 1; n < lines.size() && !d.Unloaded(); ++n) {
    const std::string& l = lines[n];
    if (l.empty()) continue;
    const int i = l.size() > 1 ? (l[1] - '0') : 0;
    const std::string rest = l.size() > 2 ? l.substr(2) : std::string();
    const bool field = i >= 0 && i <= 2;
    const auto k = static_cast<std::size_t>(field ? i : 0);
    const int number = static_cast<int>(std::fmax(-1e6, std::fmin(1e6, LeadingNumber(rest))));
    switch (l[0]) {
      case 'd':
        d.de_Change(i, rest);
        if (field) deSet[k] = true;
        break;
      case 'r':
        d.ra_Change(i, rest);
        if (field) raSet[k] = true;
        break;
      case 'D':
        d.deprom_Change(i, number);
        if (field) deSet[k] = true;
        break;
      case 'R':
        d.raprom_Change(i, number);
        if (field) raSet[k] = true;
        break;
      case 'k': d.de_KeyPress(i, number); ok = ok || number == 13; break;
      case 'K': d.ra_KeyPress(i, number); ok = ok || number == 13; break;
      case 'O': d.OK_Click(); ok = true; break;
      case 'C': d.Cancel_Click(); break;
      default: break;
    }
    // A field typed into or spun holds a number of its range, and its spin
    // button the negated number.
    for (std::size_t j = 0; j < 3 && !d.Unloaded(); ++j) {
      if (deSet[j]) {
        const double v = LeadingNumber(d.de[j]);
        fuzz::Check(Within(v, kDate[j]), "de(" + std::to_string(j) + ") = \"" + d.de[j] + "\"");
        fuzz::Check(d.deprom[j] == -static_cast<int>(RoundToWhole(v)), "deprom(" + std::to_string(j) + ")");
      }
      if (raSet[j]) {
        const double v = LeadingNumber(d.ra[j]);
        fuzz::Check(Within(v, kTime[j]), "ra(" + std::to_string(j) + ") = \"" + d.ra[j] + "\"");
        fuzz::Check(d.raprom[j] == -static_cast<int>(RoundToWhole(v)), "raprom(" + std::to_string(j) + ")");
      }
    }
  }
  if (!ok) {
    fuzz::Check(s.DateKnown == 0, "the date is known without OK");
    return 0;
  }
  fuzz::Check(d.Unloaded() && s.DateKnown == 1, "OK did not store the date");
  const bool all = deSet[0] && deSet[1] && deSet[2] && raSet[0] && raSet[1] && raSet[2];
  if (all) {
    fuzz::Check(Within(s.DateDay, kDate[0]) && Within(s.DateMonth, kDate[1]) && Within(s.DateYear, kDate[2]),
                "a date out of range was stored");
    fuzz::Check(s.TimeUT >= 0 && s.TimeUT <= 24, "UT " + NumberText(s.TimeUT));
    fuzz::Check(std::isfinite(s.P) && std::isfinite(s.B0) && std::isfinite(s.L0) && std::isfinite(s.rho0) &&
                    s.rho0 > 0.9 && s.rho0 < 1.1,
                "the ephemeris of a date in range is not usable");
  }
  // The lines OK wrote make a whole header with the disc and orientation
  // lines after them, and read back as the values stored.
  if (s.ImageType == 2) p.app.file2.PrintLine("other");
  WriteDiscLine(p.app);
  WriteOrientationLine(p.app);
  p.app.file2.Close();
  std::vector<std::string> file = {"Note", "Units", "v2.0", "Picture: x.jpg"};
  for (const std::string& l : ReadLines("temp.dat")) file.push_back(l);
  const DataFileContents c = ParseDataFile(file);
  fuzz::Check(c.headerComplete && c.records.empty() && c.problems.empty(), "the date lines do not read back");
  const auto same = [](double a, double b) { return !std::isfinite(a) || std::fabs(a - b) <= 1e-14 * std::fabs(a); };
  fuzz::Check(same(s.DateDay, c.day) && same(s.DateMonth, c.month) && same(s.DateYear, c.year) &&
                  same(s.TimeUT, c.timeUT) && same(s.P, c.P) && same(s.B0, c.B0) && same(s.L0, c.L0) &&
                  same(s.rho0, c.rho0),
              "the date lines read back as other values");
  return 0;
}
