#include "app/WorkGuard.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "app/Dispatcher.h"
#include "app/DataFileIO.h"
#include "base/TextFile.h"
#include "app/WorkSlot.h"

namespace fs = std::filesystem;

namespace pelorin {

namespace {

constexpr const char* kKept = ".kept";

std::string PictureOf(const std::vector<std::string>& lines) {
  const std::string prefix = "Picture: ";
  if (lines.size() < 4 || lines[3].compare(0, prefix.size(), prefix) != 0) return {};
  return lines[3].substr(prefix.size());
}

int RecordCount(const std::vector<std::string>& lines) {
  int n = 0;
  for (std::size_t i = kHeaderLines; i < lines.size(); ++i)
    if (lines[i].find_first_not_of(" \t") != std::string::npos) ++n;
  return n;
}

// A free name beside `path` for keeping it: "<path>.kept", then
// "<path>.kept2", ...
std::string KeptName(const std::string& path) {
  std::error_code ec;
  for (int n = 1;; ++n) {
    const std::string name = path + kKept + (n == 1 ? std::string() : std::to_string(n));
    if (!fs::exists(name, ec)) return name;
  }
}

bool IsKeptWorkFile(const std::string& name) {
  return name.rfind("temp", 0) == 0 && name.find(kKept) != std::string::npos;
}

// Trailing blank lines say nothing.
std::vector<std::string> Trimmed(std::vector<std::string> lines) {
  while (!lines.empty() && lines.back().find_first_not_of(" \t") == std::string::npos) lines.pop_back();
  return lines;
}

// True when `lines` hold work that `fresh` lacks: they differ, and are not
// merely the start of it.
bool HoldsMore(const std::vector<std::string>& lines, const std::vector<std::string>& fresh) {
  if (lines.size() <= fresh.size()) return !std::equal(lines.begin(), lines.end(), fresh.begin());
  return true;
}

void WriteLines(App& app, const std::vector<std::string>& lines) {
  app.file2.Open(WorkFileName(app.slot));
  for (const auto& line : lines) app.file2.PrintLine(line);
  app.file2.Sync();
}

// The program state of a header cut after the date (11 lines) or the limb
// (12 lines): those steps are set as their dialogs set them.
void RestoreStages(App& app, const std::vector<std::string>& lines, const std::string& pictureName) {
  std::vector<std::string> padded = lines;
  if (padded.size() < 12) padded.resize(12, "0,0,0");
  if (padded.size() < 13) padded.resize(13, "0");
  const DataFileContents c = ParseDataFile(padded);
  ProgramState& s = app.s;
  ApplyHeaderDate(c, pictureName, s);
  s.DateKnown = 1;
  s.PointCount = 0;
  s.StoredPointCount = 0;
  if (lines.size() >= 12) {
    s.ZeroPointX = c.x0;
    s.ZeroPointY = c.y0;
    s.LimbRadius = c.rk;
    s.CalibrationState = 1;
  }
}

}  // namespace

std::string WorkingFileBytes(const App& app) {
  if (!app.file2.IsOpen()) return {};
  try {
    return ReadFileBytes(app.file2.Path());
  } catch (const FileError&) {
    return {};
  }
}

void MarkWorkSaved(App& app) { app.savedWork = WorkingFileBytes(app); }

bool HasUnsavedWork(const App& app) { return app.file2.IsOpen() && WorkingFileBytes(app) != app.savedWork; }

bool ConfirmLeavePicture(App& app) {
  if (!HasUnsavedWork(app)) return true;
  const int answer = app.win.Question("Unsaved measurements",
                                      "The measurements of " + app.pictureName + " are not saved.",
                                      {"Save", "Discard", "Cancel"});
  if (answer == 0) return SaveData(app);
  return answer == 1;
}

std::vector<Leftover> TakeLeftovers(App& app, const std::string& pictureName) {
  std::vector<Leftover> found;
  std::error_code ec;
  const fs::path folder = fs::current_path(ec);
  if (ec) return found;
  auto take = [&](const fs::path& path, bool own) {
    Leftover l;
    l.path = path.string();
    bool readable = true;
    try {
      l.lines = Trimmed(ReadLines(l.path));
    } catch (const FileError&) {
      readable = false;
    }
    l.picture = PictureOf(l.lines);
    if (own) {
      // The slot's file is about to start afresh: what it holds moves aside.
      const std::string kept = KeptName(l.path);
      std::error_code rc;
      fs::rename(l.path, kept, rc);
      if (rc) return;  // it stays where it is, and is emptied; nothing to offer
      if (!readable || l.picture != pictureName) {
        app.win.MessageBox("The working file " + path.filename().string() +
                           " that an earlier session left here " +
                           (readable ? "holds measurements of " + (l.picture.empty() ? std::string("no picture") : l.picture)
                                     : std::string("cannot be read")) +
                           ", not of " + pictureName + ". It was kept as " + fs::path(kept).filename().string() + ".");
      }
      l.path = kept;
    }
    if (readable && !l.picture.empty()) found.push_back(std::move(l));
  };
  for (int n = 1; n <= kMaxWorkSlots; ++n) {
    const fs::path path = folder / WorkFileName(n);
    if (!fs::is_regular_file(path, ec)) continue;
    const bool own = n == app.slot;
    if (!own && SlotInUse(folder.string(), n)) continue;  // another window's
    take(path, own);
  }
  std::vector<fs::path> kept;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (IsKeptWorkFile(entry.path().filename().string()) && entry.is_regular_file(ec)) kept.push_back(entry.path());
  }
  std::sort(kept.begin(), kept.end());
  for (const auto& path : kept) {
    if (std::none_of(found.begin(), found.end(), [&](const Leftover& l) { return l.path == path.string(); }))
      take(path, false);
  }
  return found;
}

Restored OfferRestore(App& app, const std::vector<Leftover>& leftovers, const std::string& pictureName) {
  if (!app.file2.IsOpen()) return Restored::None;
  std::vector<std::string> fresh;
  try {
    fresh = Trimmed(ReadLines(app.file2.Path()));
  } catch (const FileError&) {
    return Restored::None;
  }
  for (const Leftover& l : leftovers) {
    if (l.picture != pictureName) continue;
    if (!HoldsMore(l.lines, fresh) || l.lines.size() < 11) {
      // Nothing in it that the picture's data file lacks.
      std::error_code ec;
      fs::remove(l.path, ec);
      continue;
    }
    const int answer = app.win.Question(
        "Restore measurements",
        pictureName + " has measurements from a session that ended without saving them: " +
            std::to_string(RecordCount(l.lines)) + " records.",
        {"Restore", "Discard"});
    std::error_code ec;
    if (answer == 1) fs::remove(l.path, ec);
    if (answer != 0) return Restored::None;
    Restored result = Restored::Partial;
    try {
      if (l.lines.size() >= static_cast<std::size_t>(kHeaderLines) && ParseDataFile(l.lines).headerComplete) {
        // The whole header: read as a data file is read, then the lines as
        // they were.
        const std::string dataName = app.s.DataFileName, dataPath = app.dataFilePath;
        const std::string notRead = ReadDataFile(app, l.path, pictureName);
        app.s.DataFileName = dataName;
        app.dataFilePath = dataPath;
        if (!notRead.empty()) app.win.MessageBox(notRead);
        result = Restored::Whole;
      } else if (l.lines.size() >= 11) {
        RestoreStages(app, l.lines, pictureName);
      }
      WriteLines(app, l.lines);
    } catch (const std::exception& e) {
      app.win.MessageBox("The measurements of " + pictureName + " could not be restored: " + e.what() +
                         "\rThey are kept in " + l.path + ".");
      return Restored::None;
    }
    fs::remove(l.path, ec);
    return result;
  }
  return Restored::None;
}

void EnableRestoredStep(App& app) {
  WindowPort& w = app.win;
  const ProgramState& s = app.s;
  for (Menu m : {Menu::datum, Menu::koor, Menu::Ishodiste}) w.SetMenuEnabled(m, false);
  if (s.CalibrationState == 1) {
    w.SetMenuEnabled(Menu::Limb, false);
    w.SetMenuEnabled(Menu::orient, true);
  } else {
    w.SetMenuEnabled(Menu::Limb, true);
  }
  Redraw(app);
}

}  // namespace pelorin
