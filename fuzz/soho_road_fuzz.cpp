// The SOHO catalogues: the lookup of a picture name in nameconv.txt and
// catalog.txt, and a new SOHO picture opened, calibrated from them, saved and
// opened again from its data file.
//
// Input: the picture name on the first line, then nameconv.txt, a line
// "&&&&", and catalog.txt.
// The whole road through files and the program state; the parser alone is
// fuzzed by soho_fuzz.cpp.
// run-fuzz: -max_len=16384
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/Startup.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "formats/Soho.h"
#include "base/TextFile.h"

using namespace pelorin;

namespace {

bool PlainFileName(const std::string& name) {
  if (name.size() < 5 || name.size() > 40) return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                    c == '-' || c == '.';
    if (!ok) return false;
  }
  // Names the program keeps for its own files are not pictures.
  return name.find('.') != 0 && name != "a.tmp" && name != "temp.dat" && name != "nameconv.txt" &&
         name != "catalog.txt" && name.compare(name.size() - 3, 3, "dat") != 0;
}

bool Near(double a, double b) { return std::fabs(a - b) <= 1e-14 * std::fabs(a); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 18)) return 0;
  std::vector<std::string> parts = fuzz::Split(fuzz::Text(data, size), "\n", 2);
  const std::string name = parts[0];
  parts = fuzz::Split(parts.size() > 1 ? parts[1] : std::string(), "\n&&&&\n", 2);
  fuzz::EnterWorkFolder();
  fuzz::WriteFile("nameconv.txt", parts[0]);
  if (parts.size() > 1) fuzz::WriteFile("catalog.txt", parts[1]);

  SohoEntry e;
  e.x0 = -77;
  std::string error;
  const bool found = SohoLookup("", name, e, error);
  fuzz::Check(found == error.empty(), "a lookup " + std::string(found ? "found with" : "failed without") + " a reason");
  if (found) {
    fuzz::Check(e.key.size() <= 18, "a key longer than 18 characters");
    fuzz::Check(std::isfinite(e.x0) && std::isfinite(e.y0) && std::isfinite(e.rk) && std::isfinite(e.B0) &&
                    std::isfinite(e.timeUT),
                "a non-finite catalogue value");
  } else {
    fuzz::Check(e.x0 == -77, "a failed lookup changed its result");
  }

  if (!PlainFileName(name)) return 0;
  fuzz::WritePicture(name);
  const std::string path = std::filesystem::absolute(name).string();
  fuzz::Program p;
  const ProgramState& s = p.app.s;
  p.win.inputAnswers = {"1"};
  const std::size_t before = p.win.messages.size();
  OpenPicture(p.app, path);
  fuzz::Check(s.ImageType == 1, "not a SOHO picture");
  if (!found) {
    fuzz::Check(s.CalibrationState == 0 && p.win.messages.size() > before, "a failed lookup was not reported");
    return 0;
  }
  fuzz::Check(s.CalibrationState == 3 && s.ZeroPointX == e.x0 && s.ZeroPointY == e.y0 && s.LimbRadius == e.rk &&
                  s.B0 == e.B0 && s.P == 0 && s.OrientationAngle == 0,
              "the catalogue's calibration was not taken");
  const DataFileContents work = ParseDataFile(ReadLines("temp.dat"));
  fuzz::Check(work.headerComplete && work.typeWord == "SOHO", "temp.dat of a SOHO picture is not whole");

  // Saved, the window closed, and opened again: the picture comes back with
  // the same disc.
  spremi_Click(p.app);
  form_unload(p.app);
  fuzz::Program q;
  OpenPicture(q.app, path);
  fuzz::Check(q.app.s.CalibrationState == 3 && q.app.s.ImageType == 1, "the saved SOHO picture did not come back");
  fuzz::Check(Near(e.x0, q.app.s.ZeroPointX) && Near(e.y0, q.app.s.ZeroPointY) && Near(e.rk, q.app.s.LimbRadius),
              "the disc changed on its way through the data file");
  return 0;
}
