#include "app/WorkFiles.h"

#include "base/Text.h"
#include "formats/DataFile.h"

namespace pelorin {

void WriteHeaderStart(App& app, const std::string& pictureName) {
  for (const std::string& line : DataFileStartLines(pictureName)) app.file2.PrintLine(line);
}

void WriteDateLines(App& app) {
  const ProgramState& s = app.s;
  for (const std::string& line :
       DataFileDateLines(s.DateDay, s.DateMonth, s.DateYear, s.TimeUT, s.P, s.B0, s.L0, s.rho0))
    app.file2.PrintLine(line);
  WriteTypeLine(app);
}

void WriteTypeLine(App& app) {
  const std::string word = TypeWord(app.s.ImageType);
  if (!word.empty()) app.file2.PrintLine(word);
}

void WriteDiscLine(App& app) {
  app.file2.PrintLine(DataFileDiscLine(app.s.ZeroPointX, app.s.ZeroPointY, app.s.LimbRadius));
}

void WriteOrientationLine(App& app) { app.file2.PrintLine(DataFileOrientationLine(app.s.OrientationAngle)); }

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
