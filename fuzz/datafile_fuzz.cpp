// The data-file parser on its own, in memory: any text of any version is
// read without a throw, a cut header leaves no records and says where, and
// what is read comes back whole when written out again in the current
// version (header and records, as the working file writes them).
// run-fuzz: -max_len=2048
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/Text.h"
#include "formats/DataFile.h"
#include "base/TextFile.h"

using namespace pelorin;

namespace {

bool Near(double a, double b) { return a == b || std::fabs(a - b) <= 1e-14 * std::fabs(a); }

// `c` as the working file writes it: the version-2 header from the values
// read, then one record line per record.
std::string Written(const DataFileContents& c) {
  std::string t = "Note\r\nUnits\r\nv2.0\r\n" + c.pictureLine + "\r\n";
  const auto line = [&t](std::initializer_list<WriteItem> items) { t += WriteLineText(items) + "\r\n"; };
  line({std::string("Date (day, month, year): "), c.day, c.month, c.year});
  line({std::string("Time (UT): "), c.timeUT});
  line({std::string("P="), c.P});
  line({std::string("B0="), c.B0});
  line({std::string("L0="), c.L0});
  line({std::string("rho0="), c.rho0});
  t += c.typeWord + "\r\n";
  line({c.x0, c.y0, c.rk});
  line({c.orientation});
  for (const DataRecord& r : c.records) line({r.name, r.B, r.CMD, r.L});
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> lines = SplitLines(fuzz::Text(data, size));
  const DataFileContents c = ParseDataFile(lines);
  if (!c.headerComplete) {
    fuzz::Check(c.records.empty() && c.problems.size() == 1, "a cut header with records or without one word");
    return 0;
  }
  int last = 13;
  for (const DataRecord& r : c.records) {
    fuzz::Check(r.line > last && r.line <= static_cast<int>(lines.size()), "record lines out of order");
    last = r.line;
  }
  if (c.version < 0) {
    fuzz::Check(c.records.empty(), "records of an unknown version");
    return 0;
  }

  // The type word and the picture line are kept as read; a line end in
  // either cannot be, as lines are cut there.
  const DataFileContents again = ParseDataFile(SplitLines(Written(c)));
  fuzz::Check(again.headerComplete && again.version == 2, "the header does not read back");
  fuzz::Check(again.typeWord == c.typeWord && again.pictureLine == c.pictureLine, "type word or picture line changed");
  fuzz::Check(Near(c.day, again.day) && Near(c.month, again.month) && Near(c.year, again.year) &&
                  Near(c.timeUT, again.timeUT) && Near(c.P, again.P) && Near(c.B0, again.B0) &&
                  Near(c.L0, again.L0) && Near(c.rho0, again.rho0) && Near(c.x0, again.x0) &&
                  Near(c.y0, again.y0) && Near(c.rk, again.rk) && Near(c.orientation, again.orientation),
              "a header value changed on its way through the file");
  if (again.records.size() != c.records.size())
    fuzz::Fail(std::to_string(again.records.size()) + " records, not " + std::to_string(c.records.size()));
  if (!again.problems.empty()) fuzz::Fail("the written file has problems: " + again.problems.front());
  for (std::size_t i = 0; i < c.records.size(); ++i) {
    const DataRecord& a = c.records[i];
    const DataRecord& b = again.records[i];
    if (a.name != b.name) fuzz::Fail("the name \"" + a.name + "\" came back as \"" + b.name + "\"");
    if (!Near(a.B, b.B) || !Near(a.CMD, b.CMD) || !Near(a.L, b.L))
      fuzz::Fail("record " + std::to_string(i + 1) + " (line " + std::to_string(a.line) + ") " + NumberText(a.B) +
                 "," + NumberText(a.CMD) + "," + NumberText(a.L) + " came back as " + NumberText(b.B) + "," +
                 NumberText(b.CMD) + "," + NumberText(b.L));
  }
  return 0;
}
