// Kanzelhoehe picture names: the date and time at their fixed positions, and
// a new picture of that name opened, dated and recorded in temp.dat.
// The whole road through files and the program state; the parser alone is
// fuzzed by kanzelhoehe_fuzz.cpp.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "formats/DataFile.h"
#include "app/PictureLoad.h"
#include "base/TextFile.h"
#include "app/DateDialog.h"

using namespace pelorin;

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// A name the file system takes as it is: letters, digits, '_', '-', '.'.
bool PlainFileName(const std::string& name) {
  if (name.empty() || name.size() > 100 || name == "." || name == "..") return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                    c == '-' || c == '.';
    if (!ok) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 256) return 0;
  const std::string name = fuzz::Text(data, size);
  double year = 0, month = 0, day = 0, hours = 0;
  const bool kanz = KanzelhoeheDate(name, year, month, day, hours);
  const bool prefixed = StartsWith(name, "kanz_drawx") || StartsWith(name, "kanz_halph") || StartsWith(name, "kanz_bband");
  fuzz::Check(kanz == prefixed, "prefix recognition differs for \"" + name + "\"");
  if (!kanz) year = 0;
  fuzz::Check(std::isfinite(year) && std::isfinite(month) && std::isfinite(day) && std::isfinite(hours),
              "a non-finite date from \"" + name + "\"");

  if (!PlainFileName(name)) return 0;
  fuzz::EnterWorkFolder();
  fuzz::WritePicture(name);
  fuzz::Program p;
  p.win.inputAnswers = {"0"};
  OpenPicture(p.app, std::filesystem::absolute(name).string());
  const ProgramState& s = p.app.s;
  fuzz::Check(p.app.file2.IsOpen(), "no working file for a new picture of type 0");
  if (kanz) {
    fuzz::Check(s.DateYear == year && s.DateMonth == month && s.DateDay == day && s.TimeUT == hours,
                "the date of \"" + name + "\" was not taken");
    fuzz::Check(s.DateKnown == 1 && s.NorthUpImage == (StartsWith(name, "kanz_drawx") ? 0 : 1),
                "the flags of \"" + name + "\" are wrong");
  }
  // The date dialog confirmed as it opens: its lines follow the first four
  // and read back as a whole header.
  p.win.dateScripts.push_back([](DateDialog& d) { d.OK_Click(); });
  datum_Click(p.app);
  p.app.file2.PrintLine("1,2,3");
  p.app.file2.PrintLine("0");
  const DataFileContents c = ParseDataFile(ReadLines("temp.dat"));
  fuzz::Check(c.headerComplete && c.version == 2 && c.records.empty(), "temp.dat of \"" + name + "\" is not whole");
  fuzz::Check(c.typeWord == "scan", "type word \"" + c.typeWord + "\"");
  return 0;
}
