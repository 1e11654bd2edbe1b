#include "app/WorkFiles.h"

#include "base/AtomicFile.h"
#include "base/Text.h"
#include "formats/DataFile.h"
#include "measure/Records.h"

namespace pelorin {

std::string ReplaceWorkingFile(App& app, const std::string& bytes) {
  const std::string path = app.file2.Path();
  // A file that could not be written leaves the working file open as it
  // was; one written but not renamed over it is opened again below.
  const std::string error = WriteFileAtomically(path, bytes);
  const bool replaceFailed = error.rfind("cannot replace", 0) == 0;
  if (!error.empty() && !replaceFailed) return error;
  app.file2.Close();
  try {
    app.file2.OpenAppend(path);
  } catch (const FileError& e) {
    if (!error.empty()) return error;
    // The new working file is in place; only measuring on into it fails.
    app.win.MessageBox(std::string(e.what()) +
                       "\rFurther measurements of this picture are not recorded until it is opened again.");
  }
  return error;
}

namespace {

// Line `number` (1-based) of the working file's header set to `text`: a
// calibration measured again replaces the line the file holds already (a
// second disc or orientation line after the records would be read back as
// a record, and the new calibration lost); otherwise the line is appended.
void SetHeaderLine(App& app, std::size_t number, const std::string& text) {
  RecordList list = ParseRecordList(ReadFileBytes(app.file2.Path()));
  if (list.header.size() < number) {
    app.file2.PrintLine(text);
    return;
  }
  list.header[number - 1] = text;
  if (const std::string error = ReplaceWorkingFile(app, list.Bytes()); !error.empty())
    throw FileError("The working file could not be rewritten: " + error);
}

}  // namespace

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
  SetHeaderLine(app, kDiscLine, DataFileDiscLine(app.s.ZeroPointX, app.s.ZeroPointY, app.s.LimbRadius));
}

void WriteOrientationLine(App& app) {
  SetHeaderLine(app, kDiscLine + 1, DataFileOrientationLine(app.s.OrientationAngle));
}

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
