#include "app/WorkFiles.h"

#include "base/Text.h"

namespace pelorin {

std::string TypeWord(int imageType) {
  switch (imageType) {
    case 0: return "scan";
    case 1: return "SOHO";
    case 3: return "photo";
    default: return "";
  }
}

void WriteHeaderStart(App& app, const std::string& pictureName) {
  app.file2.PrintLine("Note: Data format: \"name\", B, CMD, L");
  app.file2.PrintLine("B, CMD and L are expresed in degrees.");
  app.file2.PrintLine("v2.0");
  app.file2.PrintLine("Picture: " + pictureName);
}

void WriteDateLines(App& app) {
  const ProgramState& s = app.s;
  app.file2.WriteLine({std::string("Date (day, month, year): "), s.DateDay, s.DateMonth, s.DateYear});
  app.file2.WriteLine({std::string("Time (UT): "), s.TimeUT});
  app.file2.WriteLine({std::string("P="), s.P});
  app.file2.WriteLine({std::string("B0="), s.B0});
  app.file2.WriteLine({std::string("L0="), s.L0});
  app.file2.WriteLine({std::string("rho0="), s.rho0});
  WriteTypeLine(app);
}

void WriteTypeLine(App& app) {
  const std::string word = TypeWord(app.s.ImageType);
  if (!word.empty()) app.file2.PrintLine(word);
}

void WriteDiscLine(App& app) {
  app.file2.WriteLine({app.s.ZeroPointX, app.s.ZeroPointY, app.s.LimbRadius});
}

void WriteOrientationLine(App& app) { app.file2.WriteLine({app.s.OrientationAngle}); }

void WriteObjectRecord(App& app, const std::string& name, double B, double CMD, double L) {
  app.file2.WriteLine({name, B, CMD, L});
}

void LogPoint(App& app, double first, double second, bool single) {
  // a.tmp that could not be opened was reported then; points go on without it.
  if (!app.file1.IsOpen()) return;
  if (single) app.file1.PrintLine(SingleText(first) + "," + SingleText(second));
  else app.file1.PrintLine(NumberText(first) + "," + NumberText(second));
}

void LogObjectPoint(App& app, double B, double CMD) {
  if (!app.file1.IsOpen()) return;
  app.file1.PrintLine(NumberText(B) + ", " + NumberText(CMD));
}

}  // namespace pelorin
