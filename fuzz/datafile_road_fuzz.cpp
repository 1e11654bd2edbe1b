// Measurement data files of every version: parsed, read back as the data file
// of an opened picture, shown, and saved again. What is read comes back whole
// from temp.dat, and the saved file is temp.dat.
// The whole road through files and the program state; the parser alone is
// fuzzed by datafile_fuzz.cpp.
// run-fuzz: -max_len=4096
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>

#include "FuzzSupport.h"
#include "app/Dispatcher.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "base/TextFile.h"

using namespace pelorin;

namespace {

bool Near(double a, double b) { return a == b || std::fabs(a - b) <= 1e-14 * std::fabs(a); }

void Key(App& app, char c) {
  std::int16_t k = static_cast<std::int16_t>(c);
  DoCommand(app, k);
}

// The records of `again` are those of `first` (at most `count` of them).
void CheckSameRecords(const DataFileContents& first, const DataFileContents& again, std::size_t count,
                      const std::string& what) {
  fuzz::Check(again.headerComplete && again.version == 2, what + ": the header does not read back");
  fuzz::Check(again.records.size() == count, what + ": " + std::to_string(again.records.size()) + " records, not " +
                                                 std::to_string(count));
  for (std::size_t i = 0; i < count; ++i) {
    const DataRecord& a = first.records[i];
    const DataRecord& b = again.records[i];
    if (a.name != b.name) fuzz::Fail(what + ": the name \"" + a.name + "\" came back as \"" + b.name + "\"");
    if (!Near(a.B, b.B) || !Near(a.CMD, b.CMD) || !Near(a.L, b.L))
      fuzz::Fail(what + ": the numbers of record " + std::to_string(i + 1) + " changed");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  fuzz::EnterWorkFolder();
  fuzz::WriteFile("x.dat", fuzz::Text(data, size));
  const DataFileContents c = ParseDataFile(ReadLines("x.dat"));
  if (!c.headerComplete) fuzz::Check(c.records.empty() && !c.problems.empty(), "a cut header without a word");

  fuzz::WritePicture("x.bmp");
  fuzz::Program p;
  App& app = p.app;
  const ProgramState& s = app.s;
  p.win.inputAnswers = {"0"};  // asked only when the file is shorter than 2 bytes
  OpenPicture(app, std::filesystem::absolute("x.bmp").string());
  fuzz::Check(app.file2.IsOpen(), "no working file after opening");
  const bool read = c.headerComplete && size >= 2;
  if (read) {
    const std::size_t count = std::min<std::size_t>(c.records.size(), kMaxPoints);
    fuzz::Check(s.CalibrationState == 3 && s.StoredPointCount == static_cast<int>(count), "not every record was read");
    fuzz::Check((c.problems.empty() && c.records.size() <= kMaxPoints) || !p.win.messages.empty(),
                "records were left out without a word");
    const std::string checked = fuzz::ReadFile("temp.dat");
    CheckSameRecords(c, ParseDataFile(SplitLines(checked)), count, "temp.dat");

    // Shown: the stored points toggled, the pixel grid at its finest (one
    // step from it: every key redraws the heliographic grid's 6136 points,
    // the most of what an input costs here).
    app.s.PixelGridStep = 20;
    for (char k : {'u', '+'}) Key(app, k);
    fuzz::Check(fuzz::ReadFile("temp.dat") == checked, "temp.dat changed while shown");

    // Saved under the preset name (a picture whose type word is unknown is
    // of type 2, whose Save writes its clicked points elsewhere) and read
    // again.
    if (s.ImageType != 2) {
      const std::string work = fuzz::ReadFile("temp.dat");
      spremi_Click(app);
      fuzz::Check(fuzz::ReadFile("x.dat") == work, "the saved file is not temp.dat");
      fuzz::Check(fuzz::ReadFile("temp.dat") == work, "temp.dat changed on saving");
      // The saved file is temp.dat, whose records were checked above.
    }
  } else {
    fuzz::Check(s.StoredPointCount == 0, "points from a file that was not read");
    if (size >= 2) fuzz::Check(!p.win.messages.empty(), "an unreadable data file was not reported");
  }
  return 0;
}
