// Reading a measurement data file back into the program state, and the Save
// command that copies the working file temp.dat to the data file.
#include "files/DataFile.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <optional>

#include "app/Dispatcher.h"
#include "app/Text.h"
#include "files/PictureNames.h"
#include "files/WorkFiles.h"
#include "files/WorkGuard.h"
#include "geometry/Angles.h"
#include "geometry/Transform.h"
#include "measure/SpotRecords.h"

namespace pelorin {

namespace {

namespace fs = std::filesystem;

constexpr int kHeaderLines = 13;
constexpr std::size_t kMaxReportedProblems = 10;

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::string LineTag(int line) { return "line " + std::to_string(line) + ": "; }

// Splits a write line into its items at the commas outside double quotes;
// the quotes of a quoted item and the blanks around an item are removed.
std::vector<std::string> WriteItems(std::string_view line) {
  std::vector<std::string> items;
  std::string cur;
  bool inQuotes = false;
  auto finish = [&items, &cur]() {
    std::string_view v = cur;
    const auto first = v.find_first_not_of(" \t");
    const auto last = v.find_last_not_of(" \t");
    v = first == std::string_view::npos ? std::string_view{} : v.substr(first, last - first + 1);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    items.emplace_back(v);
    cur.clear();
  };
  for (char c : line) {
    if (c == '"') inQuotes = !inQuotes;
    if (c == ',' && !inQuotes) finish();
    else cur += c;
  }
  finish();
  return items;
}

// The comma-separated fields of a record line (no quoting: numbers only).
std::vector<std::string_view> Fields(std::string_view text) {
  std::vector<std::string_view> f;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) {
      f.push_back(text.substr(start));
      return f;
    }
    f.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

// Splits a v2 record into its name and the text after the name's comma. The
// quoted name ends at the first quote that is followed (blanks aside) by a
// comma, so a name may hold commas. False when there is no such comma.
bool SplitName(std::string_view line, std::string& name, std::string_view& rest) {
  const auto start = line.find_first_not_of(" \t");
  if (start != std::string_view::npos && line[start] == '"') {
    for (std::size_t q = line.find('"', start + 1); q != std::string_view::npos; q = line.find('"', q + 1)) {
      const std::size_t next = line.find_first_not_of(" \t", q + 1);
      if (next != std::string_view::npos && line[next] == ',') {
        name = std::string(line.substr(start + 1, q - start - 1));
        rest = line.substr(next + 1);
        return true;
      }
    }
    return false;
  }
  const std::size_t comma = line.find(',');
  if (comma == std::string_view::npos) return false;
  std::string_view n = line.substr(0, comma);
  const auto last = n.find_last_not_of(" \t");
  name = last == std::string_view::npos ? std::string() : std::string(n.substr(start, last - start + 1));
  rest = line.substr(comma + 1);
  return true;
}

// A record's name is written back in double quotes, and on reading the name
// ends at the first double quote followed (blanks aside) by a comma. An old
// "Obj" name holding such a quote would be cut there and its numbers shifted,
// so each such quote becomes a single quote. True when the name changed.
bool QuotesBeforeCommas(std::string& name) {
  bool changed = false;
  for (std::size_t q = name.find('"'); q != std::string::npos; q = name.find('"', q + 1)) {
    const std::size_t next = name.find_first_not_of(" \t", q + 1);
    if (next != std::string::npos && name[next] == ',') {
      name[q] = '\'';
      changed = true;
    }
  }
  return changed;
}

// CMD of an unversioned record from its B and Y (degrees), as the old files
// were converted; the middle term squares pi/180 on purpose.
double ConvertVersion0Cmd(double B, double Y) {
  return ArcSin(std::sin(Y * kPi / 180) * std::cos(B * std::pow(kPi / 180, 2)) / std::cos(B * kPi / 180)) *
         57.29577951308232;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Writes `bytes` to `target` without ever leaving it half-written: the bytes
// go to target + ".part", which then replaces the target. Returns "" on
// success, else the reason (the old target and no ".part" file are left).
std::string WriteBeside(const std::string& target, const std::string& bytes) {
  const std::string part = target + ".part";
  std::FILE* f = std::fopen(part.c_str(), "wb");
  if (!f) return std::string("cannot create ") + part + ": " + std::strerror(errno);
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fflush(f) == 0) && ok;
  const int savedErrno = errno;
  ok = (std::fclose(f) == 0) && ok;
  std::error_code ec;
  if (!ok) {
    fs::remove(part, ec);
    return std::string("cannot write ") + part + ": " + std::strerror(savedErrno ? savedErrno : errno);
  }
  fs::rename(part, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(part, ignored);
    return ec.message();
  }
  return {};
}

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
  const std::string error = WriteBeside(target, bytes);
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
  const std::string error = WriteBeside(target, bytes);
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

DataFileContents ParseDataFile(const std::vector<std::string>& lines) {
  DataFileContents c;
  const int count = static_cast<int>(lines.size());
  auto line = [&lines](int n) -> const std::string& { return lines[static_cast<std::size_t>(n - 1)]; };

  // Header: lines 1 to 13.
  auto headerFault = [&c](int n, const std::string& what) {
    c.problems.push_back(LineTag(n) + what);
    return c;
  };
  if (count < kHeaderLines) {
    return headerFault(count + 1, "the header ends here; a data file has " + std::to_string(kHeaderLines) +
                                      " header lines");
  }
  c.versionLine = line(3);
  if (c.versionLine.empty()) c.version = 0;
  else if (c.versionLine == "v1.0") c.version = 1;
  else if (c.versionLine == "v2.0") c.version = 2;
  else c.version = -1;
  c.pictureLine = line(4);

  // Numbers of a header write line after its label (`skip` items).
  auto numbers = [&](int n, std::size_t skip, std::initializer_list<double*> out) {
    const auto items = WriteItems(line(n));
    if (items.size() < skip + out.size()) return false;
    std::size_t i = skip;
    for (double* d : out) *d = LeadingNumber(items[i++]);
    return true;
  };
  if (!numbers(5, 1, {&c.day, &c.month, &c.year})) return headerFault(5, "expected the date: label, day, month, year");
  if (!numbers(6, 1, {&c.timeUT})) return headerFault(6, "expected the time: label, hours");
  if (!numbers(7, 1, {&c.P})) return headerFault(7, "expected P: label, value");
  if (!numbers(8, 1, {&c.B0})) return headerFault(8, "expected B0: label, value");
  if (!numbers(9, 1, {&c.L0})) return headerFault(9, "expected L0: label, value");
  if (!numbers(10, 1, {&c.rho0})) return headerFault(10, "expected rho0: label, value");
  c.typeWord = line(11);
  if (!numbers(12, 0, {&c.x0, &c.y0, &c.rk})) return headerFault(12, "expected the disc: x, y, radius");
  if (!numbers(13, 0, {&c.orientation})) return headerFault(13, "expected the orientation angle");
  c.headerComplete = true;

  // Records: line 14 on.
  if (c.version < 0) {
    for (int n = kHeaderLines + 1; n <= count; ++n) {
      if (!IsBlank(line(n))) {
        c.problems.push_back(LineTag(n) + "records not read: unknown format version \"" + c.versionLine +
                             "\" on line 3");
        break;
      }
    }
    return c;
  }
  std::string objectName;
  for (int n = kHeaderLines + 1; n <= count; ++n) {
    const std::string& text = line(n);
    if (IsBlank(text)) continue;
    DataRecord r;
    r.line = n;
    if (c.version == 2) {
      std::string_view rest;
      std::vector<std::string_view> f;
      if (SplitName(text, r.name, rest)) f = Fields(rest);
      if (f.size() < 3) {
        c.problems.push_back(LineTag(n) + "skipped: a record needs \"name\",B,CMD,L");
        continue;
      }
      r.B = LeadingNumber(f[0]);
      r.CMD = LeadingNumber(f[1]);
      r.L = LeadingNumber(f[2]);
    } else {
      if (StartsWith(text, "Obj")) {
        objectName = text.size() > 14 ? text.substr(14) : std::string();
        if (QuotesBeforeCommas(objectName)) {
          c.problems.push_back(LineTag(n) + "the object name holds a double quote before a comma; it is read as \"" +
                               objectName + "\"");
        }
        continue;
      }
      r.name = objectName;
      const auto f = Fields(text);
      if (c.version == 1) {
        if (f.size() < 3) {
          c.problems.push_back(LineTag(n) + "skipped: a record needs B,CMD,L");
          continue;
        }
        r.B = LeadingNumber(f[0]);
        r.CMD = LeadingNumber(f[1]);
        r.L = LeadingNumber(f[2]);
        if (r.CMD > 180) r.CMD -= 360;
      } else {
        if (f.size() < 2) {
          c.problems.push_back(LineTag(n) + "skipped: a record needs B,Y");
          continue;
        }
        r.B = LeadingNumber(f[0]);
        r.CMD = ConvertVersion0Cmd(r.B, LeadingNumber(f[1]));
        // B or Y beyond some 5e307 overflows the conversion; such a record
        // would be kept as "NaN" and read back as 0.
        if (!std::isfinite(r.CMD)) {
          c.problems.push_back(LineTag(n) + "skipped: B,Y too large to convert");
          continue;
        }
        r.L = Reduce360(c.L0 + r.CMD);
      }
    }
    r.B = RoundHalfEven(r.B, 5);
    r.CMD = RoundHalfEven(r.CMD, 5);
    r.L = RoundHalfEven(r.L, 5);
    c.records.push_back(std::move(r));
  }
  return c;
}

void ApplyTypeWord(const std::string& typeWord, const std::string& pictureName, std::int16_t& imageType,
                   std::int16_t& northUpImage, float& dateKnown) {
  const KanzelhoeheName kind = KanzelhoeheKind(pictureName);
  const bool drawing = kind == KanzelhoeheName::Drawing;
  const bool northUpKanz = kind == KanzelhoeheName::NorthUp;
  if (typeWord == "SOHO") {
    imageType = 1;
    northUpImage = 1;
  } else if (typeWord == "scan") {
    imageType = 0;
    northUpImage = northUpKanz ? 1 : 0;
    if (drawing || northUpKanz) dateKnown = 1.0f;
  } else if (typeWord == "photo") {
    imageType = 3;
    northUpImage = drawing ? 0 : 1;
    dateKnown = 1.0f;
  } else {
    imageType = 2;
    northUpImage = 0;
  }
}

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
