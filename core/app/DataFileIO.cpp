// Reading a measurement data file back into the program state, and the Save
// command that copies the working file to the data file.
#include "app/DataFileIO.h"

#include <cmath>
#include <exception>
#include <filesystem>

#include "app/Dispatcher.h"
#include "app/Errors.h"
#include "app/Geometry.h"
#include "app/WorkFiles.h"
#include "app/WorkGuard.h"
#include "base/AtomicFile.h"
#include "base/Text.h"
#include "formats/PictureNames.h"
#include "measure/SpotRecords.h"

namespace pelorin {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxReportedProblems = 10;

// The working file `target` names, or "" when it names none: temp.dat and
// a.tmp (where they are open, and in the current folder) are deleted or
// emptied when the next picture is opened, so nothing is saved under them.
std::string WorkingFileNamed(const App& app, const std::string& target) {
  std::error_code ec;
  const fs::path t = fs::weakly_canonical(fs::absolute(target, ec), ec);
  if (ec) return {};
  for (const std::string& work : {app.file2.Path(), app.file1.Path(), std::string("temp.dat"), std::string("a.tmp"),
                                   WorkFileName(app.slot), PointLogName(app.slot)}) {
    if (work.empty()) continue;
    std::error_code wc;
    const fs::path w = fs::weakly_canonical(fs::absolute(work, wc), wc);
    if (!wc && w == t) return w.string();
  }
  return {};
}

bool SavePointList(App& app, const std::string& target) {
  const ProgramState& s = app.s;
  std::string bytes;
  for (int i = 1; i <= s.PointCount && i <= kMaxPoints; ++i) {
    bytes += SingleText(s.PointX[static_cast<std::size_t>(i)]) + "," +
             SingleText(s.PointY[static_cast<std::size_t>(i)]) + "\r\n";
  }
  const std::string error = WriteFileAtomically(target, bytes);
  if (!error.empty()) app.win.MessageBox("The points were not saved to " + target + ": " + error);
  return error.empty();
}

// True when the data reached `target`, even if the working file could not
// be restarted afterwards.
bool SaveWorkingFile(App& app, const std::string& target) {
  // Only a working file that is open holds every line written since the
  // picture was opened; anything else under the name temp.dat (left over, or
  // cut short by a failed restart) must not replace a data file.
  if (!app.file2.IsOpen()) {
    app.win.MessageBox("The data were not saved to " + target + ": the working file " + WorkFileName(app.slot) +
                       " is not open, so it may not hold every measurement.");
    return false;
  }
  const std::string tempPath = app.file2.Path();
  std::string bytes;
  try {
    bytes = ReadFileBytes(tempPath);
  } catch (const FileError& e) {
    app.win.MessageBox("The data were not saved to " + target + ": " + e.what());
    return false;
  }
  const std::string error = WriteFileAtomically(target, bytes);
  if (!error.empty()) {
    app.win.MessageBox("The data were not saved to " + target + ": " + error);
    return false;
  }
  // temp.dat starts again as a copy of what was saved, open for the lines
  // measuring adds from now on. The saved file is read back in full before
  // temp.dat is emptied.
  std::vector<std::string> saved;
  try {
    saved = ReadLines(target);
  } catch (const FileError& e) {
    // temp.dat is still open and whole; measuring goes on into it.
    app.win.MessageBox("The data were saved to " + target + ", but could not be read back: " + e.what());
    return true;
  }
  try {
    app.file2.Open(tempPath);
    for (const auto& line : saved) app.file2.PrintLine(line);
    app.file2.Sync();
    MarkWorkSaved(app);
  } catch (const FileError& e) {
    // A working file cut short must not be saved later over the good copy.
    app.file2.Close();
    app.win.MessageBox("The data were saved to " + target + ", but the working file could not be restarted: " +
                       e.what() + "\rFurther measurements of this picture are not recorded until it is opened again.");
  }
  return true;
}

}  // namespace

void ApplyHeaderDate(const DataFileContents& c, const std::string& picture, ProgramState& s) {
  s.DateDay = c.day;
  s.DateMonth = c.month;
  s.DateYear = c.year;
  s.TimeUT = c.timeUT;
  s.P = c.P;
  s.B0 = c.B0;
  s.L0 = c.L0;
  s.rho0 = c.rho0;
  ApplyTypeWord(c.typeWord, picture, s.ImageType, s.NorthUpImage, s.DateKnown);
}

std::string ReadDataFile(App& app, const std::string& path, const std::string& pictureName) {
  const std::string file = path;  // `path` may name a member of the state
  const std::string picture = BareName(pictureName);
  const DataFileContents c = ParseDataFile(ReadLines(file));
  if (!c.headerComplete) {
    throw FileError(file + ": " + (c.problems.empty() ? std::string("the header is cut short") : c.problems.front()));
  }

  // The working file first: one that cannot be written leaves the program
  // state as it was.
  app.file2.Open(WorkFileName(app.slot));
  ProgramState& s = app.s;
  ApplyHeaderDate(c, picture, s);
  s.ZeroPointX = c.x0;
  s.ZeroPointY = c.y0;
  s.LimbRadius = c.rk;
  s.OrientationAngle = c.orientation;
  if (s.NorthUpImage == 1) s.P = 0;
  s.CalibrationState = 3;
  s.PointCount = 0;
  s.StoredPointCount = 0;
  std::error_code ec;
  s.DataFileName = BareName(file);
  app.dataFilePath = fs::absolute(file, ec).string();

  WriteHeaderStart(app, picture);
  WriteDateLines(app);
  // A type word this program does not know keeps its line, so that the
  // working file keeps the layout of 13 header lines.
  if (s.ImageType == 2) app.file2.PrintLine(c.typeWord);
  WriteDiscLine(app);
  WriteOrientationLine(app);

  std::vector<std::string> notes;
  for (const DataRecord& r : c.records) {
    if (s.StoredPointCount >= kMaxPoints) {
      notes.push_back(LineTag(r.line) + "more than " + std::to_string(kMaxPoints) +
                      " records; this record and the ones after it were not read");
      break;
    }
    WriteObjectRecord(app, r.name, r.B, r.CMD, r.L);
    ++s.StoredPointCount;
    const auto i = static_cast<std::size_t>(s.StoredPointCount);
    HeliographicToPicture(s, r.L, r.B, -s.OrientationAngle, s.PointX[i], s.PointY[i]);
    app.pointSx_px[i] = app.pointSy_px[i] = std::nan("");
  }
  notes.insert(notes.begin(), c.problems.begin(), c.problems.end());
  if (notes.empty()) return {};
  std::string text = "Not everything in " + file + " was read:";
  for (std::size_t i = 0; i < notes.size() && i < kMaxReportedProblems; ++i) text += "\n" + notes[i];
  if (notes.size() > kMaxReportedProblems) {
    text += "\n... and " + std::to_string(notes.size() - kMaxReportedProblems) + " more";
  }
  text += "\nSaving writes only what was read.";
  return text;
}

namespace {
// The data file opening created empty for a new picture, while it still is
// the empty placeholder: the first Save replaces it without a question.
std::string QuietReplace(const App& app) {
  const std::string& path = app.createdEmptyPath;
  if (path.empty()) return {};
  const long long length = FileLength(path);
  return length >= 0 && length < 2 ? path : std::string();
}
}  // namespace

void spremi_Click(App& app) { SaveData(app); }

bool SaveData(App& app) {
  const ProgramState& s = app.s;
  bool saved = false;
  const bool pointList = s.ImageType == 2;
  const std::string& name = s.DataFileName;
  const std::string preset = pointList ? (name.size() >= 4 ? name.substr(0, name.size() - 4) : std::string()) : name;
  std::optional<std::string> chosen;
  try {
    chosen = app.win.SaveFileDialog("Save data", "Text files(*.txt,*.dat)|*.txt;*.dat|All files(*.*)|*.*", preset,
                                    QuietReplace(app));
  } catch (const std::exception&) {
    chosen.reset();
  }
  // A cancelled dialog saves under the preset name in the current folder.
  const std::string target = chosen && !chosen->empty() ? *chosen : preset;
  try {
    const std::string working = target.empty() ? std::string() : WorkingFileNamed(app, target);
    if (target.empty()) {
      app.win.MessageBox("The data were not saved: there is no file name to save them under.");
    } else if (!working.empty()) {
      app.win.MessageBox("The data were not saved to " + target + ": " + working +
                         " is a working file of the program, deleted or emptied when the next picture is opened. "
                         "Choose another name.");
    } else if (pointList) {
      app.file2.Close();
      app.win.MessageBox(target);
      saved = SavePointList(app, target);
    } else {
      saved = SaveWorkingFile(app, target);
      // The spots beside it follow the records just saved.
      if (saved) {
        const std::string spots = SaveSpotsBeside(app.book.list, target, app.observerK);
        if (!spots.empty()) app.win.MessageBox(spots);
        // The calibration's errors, which the data file does not hold.
        if (s.CalibrationState == 3) {
          const std::string cal = SaveCalBeside(app, target);
          if (!cal.empty()) app.win.MessageBox("The calibration errors were not saved: " + cal);
        }
      }
    }
  } catch (const std::exception& e) {
    app.win.MessageBox("The data were not saved to " + target + ": " + e.what());
    saved = false;
  }
  Redraw(app);
  return saved;
}
}  // namespace pelorin
