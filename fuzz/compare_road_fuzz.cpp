// The reference catalogue DPD1.txt: indexing, the search for the picture's
// block, stepping with o and p (also after the file has changed), the names
// and the redraw. The input is the file.
// The whole road through files and the program state; the parser alone is
// fuzzed by compare_fuzz.cpp.
// run-fuzz: -max_len=32768
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "app/Dispatcher.h"
#include "app/Compare.h"

using namespace pelorin;

namespace {

void Key(App& app, char c) {
  std::int16_t k = static_cast<std::int16_t>(c);
  DoCommand(app, k);
}

// The comparison's variables hold together whenever it is on.
void CheckShown(const App& app, const std::string& when) {
  const ProgramState& s = app.s;
  if (s.CompareOn != 1) return;
  fuzz::Check(s.CatalogueBlockCount >= 1 && s.CatalogueBlockCount <= kMaxBlocks, when + ": block count");
  fuzz::Check(s.CatalogueBlock >= 1 && s.CatalogueBlock <= s.CatalogueBlockCount, when + ": block shown");
  fuzz::Check(s.RefGroupCount >= 0 && s.RefGroupCount <= kMaxRefMarks, when + ": group count");
  fuzz::Check(s.RefSpotCount >= 0 && s.RefSpotCount <= kMaxRefMarks, when + ": spot count");
  for (int k = 2; k <= s.CatalogueBlockCount; ++k) {
    const auto i = static_cast<std::size_t>(k);
    fuzz::Check(s.CatalogueBlockLine[i] > s.CatalogueBlockLine[i - 1], when + ": block lines out of order");
    fuzz::Check(s.CatalogueBlockOffset[i] > s.CatalogueBlockOffset[i - 1], when + ": block offsets out of order");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  fuzz::EnterWorkFolder();
  fuzz::WriteFile("DPD1.txt", fuzz::Text(data, size));
  fuzz::Program p;
  App& app = p.app;
  ProgramState& s = app.s;
  // A calibrated picture of 17 May 2003 07:45 UT, small, as every key
  // redraws it whole; every third input sees a disc so large that most marks
  // fall outside the 16-bit range.
  p.pic.Fill(100, 100, 0xFFFFFF);
  s.DataFileName = "pic.dat";
  s.DateYear = 2003;
  s.DateMonth = 5;
  s.DateDay = 17;
  s.TimeUT = 7.75;
  s.B0 = -2.3;
  s.L0 = 113;
  s.P = -21.5;
  s.rho0 = 1.011;
  s.ZeroPointX = 50;
  s.ZeroPointY = 50;
  s.LimbRadius = size % 3 == 0 ? 1e7 : 40;
  s.OrientationAngle = 12;
  s.CalibrationState = 3;
  app.win.SetMenuEnabled(Menu::Compare, true);

  const std::size_t before = p.win.messages.size();
  Compare_Click(app);
  fuzz::Check(s.CompareOn == 1 || p.win.messages.size() > before, "the comparison stayed off without a word");
  CheckShown(app, "on");
  for (char c : {'p', 'p', 'p', 'j', 'h', 'l', 'l', 'k', 'o', 'h'}) {
    Key(app, c);
    CheckShown(app, std::string("key ") + c);
  }
  // The file grows: the next step indexes it again.
  fuzz::WriteFile("DPD1.txt", fuzz::Text(data, size) + "\nd 2003 05 18 10 00 00 DEBR\n");
  Key(app, 'p');
  CheckShown(app, "after a change");
  Key(app, 'o');
  CheckShown(app, "after a change");
  const bool wasOn = s.CompareOn == 1;
  Key(app, '5');
  if (wasOn) fuzz::Check(s.CompareOn == 0 && s.RefGroupCount == 0 && s.RefSpotCount == 0, "switched off");
  CheckShown(app, "key 5");
  Key(app, '5');
  CheckShown(app, "key 5 again");
  return 0;
}
