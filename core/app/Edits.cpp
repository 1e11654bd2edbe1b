#include "app/Edits.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#endif

#include "app/Dispatcher.h"
#include "base/AtomicFile.h"
#include "formats/DataFile.h"
#include "base/TextFile.h"
#include "app/WorkFiles.h"
#include "app/Geometry.h"
#include "measure/SpotRecords.h"

namespace pelorin {

namespace {

namespace fs = std::filesystem;

// How many points of the object store belong to finished objects: an open
// object keeps its points at the top.
int FinishedPoints(const App& app) {
  const ProgramState& s = app.s;
  int n = s.StoredPointCount;
  if (app.win.EndVisible(EndButton::Objektend)) n -= s.PointCount;
  return std::clamp(n, 0, kMaxPoints);
}

// The lines of `next` that equal those of `old` from the start keep their
// picture positions, areas, classes and errors; records after that take the
// top `stored` points, in order, with the points' own errors, where there
// are enough of them.
void CarryPositions(const App& app, const RecordList& old, RecordList& next, int stored) {
  std::size_t same = 0;
  while (same < old.lines.size() && same < next.lines.size() && old.lines[same].text == next.lines[same].text) {
    // The same text: the old line whole, with what was measured with it.
    next.lines[same] = old.lines[same];
    ++same;
  }
  int added = 0;
  for (std::size_t i = same; i < next.lines.size(); ++i) added += next.lines[i].record ? 1 : 0;
  if (added == 0 || added > stored) return;
  auto k = static_cast<std::size_t>(stored - added);
  for (std::size_t i = same; i < next.lines.size(); ++i) {
    RecordLine& n = next.lines[i];
    if (!n.record) continue;
    ++k;
    n.hasPixel = true;
    n.x_px = app.s.PointX[k];
    n.y_px = app.s.PointY[k];
    n.point_sx_px = app.pointSx_px[k];
    n.point_sy_px = app.pointSy_px[k];
  }
}

RecordList ReadWorkingFile(const App& app) { return ParseRecordList(ReadFileBytes(app.file2.Path())); }

// The stored points become the records' picture positions, in order, so
// that View -> Object and the next End follow the list.
void PlacePoints(App& app) {
  ProgramState& s = app.s;
  std::size_t k = 0;
  for (const RecordLine& r : app.book.list.lines) {
    if (!r.record || !r.hasPixel || k >= static_cast<std::size_t>(kMaxPoints)) continue;
    ++k;
    s.PointX[k] = r.x_px;
    s.PointY[k] = r.y_px;
    app.pointSx_px[k] = r.point_sx_px;
    app.pointSy_px[k] = r.point_sy_px;
  }
  s.StoredPointCount = static_cast<std::int16_t>(k);
  s.PointCount = 0;
}

CalibrationState CaptureCalibration(const App& app) {
  const ProgramState& s = app.s;
  CalibrationState c;
  c.calibration = s.CalibrationState;
  c.zeroX = s.ZeroPointX;
  c.zeroY = s.ZeroPointY;
  c.radius = s.LimbRadius;
  c.orientation = s.OrientationAngle;
  c.direction = s.DirectionChoice;
  c.axisInput = s.AxisInput;
  c.autoselectMode = s.AutoselectMode;
  c.coordSystem = s.CoordSystem;
  c.selectModeText = s.SelectModeText;
  c.gridOn = s.GridOn;
  c.gridX = s.GridPointX;
  c.gridY = s.GridPointY;
  for (std::size_t i = 0; i < c.menus.size(); ++i) c.menus[i] = app.win.MenuEnabled(static_cast<Menu>(i));
  c.limbEnd = app.win.EndVisible(EndButton::limbend);
  c.dirEnd = app.win.EndVisible(EndButton::dirend);
  return c;
}

void RestoreCalibration(App& app, const CalibrationState& c) {
  ProgramState& s = app.s;
  s.CalibrationState = c.calibration;
  s.ZeroPointX = c.zeroX;
  s.ZeroPointY = c.zeroY;
  s.LimbRadius = c.radius;
  s.OrientationAngle = c.orientation;
  s.DirectionChoice = c.direction;
  s.AxisInput = c.axisInput;
  s.AutoselectMode = c.autoselectMode;
  s.CoordSystem = c.coordSystem;
  s.SelectModeText = c.selectModeText;
  s.GridOn = c.gridOn;
  s.GridPointX = c.gridX;
  s.GridPointY = c.gridY;
  for (std::size_t i = 0; i < c.menus.size(); ++i) {
    const auto m = static_cast<Menu>(i);
    if (m == Menu::Undo || m == Menu::Redo) continue;
    app.win.SetMenuEnabled(m, c.menus[i]);
  }
  app.win.SetEndVisible(EndButton::limbend, c.limbEnd);
  app.win.SetEndVisible(EndButton::dirend, c.dirEnd);
}

// Puts the picture into a state of the history: the working file first
// (nothing else changes when it cannot be written).
std::string Restore(App& app, const EditSnapshot& state) {
  const std::string error = ReplaceWorkingFile(app, state.records.Bytes());
  if (!error.empty()) return "The working file could not be rewritten: " + error;
  app.book.list = state.records;
  ++app.book.generation;
  app.book.highlighted.clear();
  PlacePoints(app);
  if (state.calibration) RestoreCalibration(app, *state.calibration);
  return {};
}

// Makes `next` the list and the working file, recorded as `what`.
std::string Commit(App& app, RecordList next, const std::string& what) {
  EditStep step;
  step.what = what;
  step.before.records = app.book.list;
  step.after.records = std::move(next);
  const std::string error = Restore(app, step.after);
  if (!error.empty()) return error;
  app.book.undo.push_back(std::move(step));
  app.book.redo.clear();
  UpdateEditMenus(app);
  Redraw(app);
  return {};
}

// The list read again from the working file before an edit, so the edit
// starts from what the file holds.
std::string Prepare(App& app) {
  std::string refusal = EditRefusal(app);
  if (!refusal.empty()) return refusal;
  try {
    SyncBook(app);
  } catch (const FileError& e) {
    return std::string("The working file could not be read: ") + e.what();
  }
  return {};
}

std::string NameRefusal(const std::string& name) {
  if (name.empty()) return "An object needs a name.";
  return RecordNameRefusal(name);
}

std::string JoinNames(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& n : names) text += (text.empty() ? "" : ", ") + n;
  return text;
}

bool HasObject(const RecordList& list, const std::string& name) {
  return std::any_of(list.lines.begin(), list.lines.end(),
                     [&](const RecordLine& r) { return r.record && r.name == name; });
}

}  // namespace

void SyncBook(App& app) {
  if (!app.file2.IsOpen()) {
    app.book.list = {};
    app.book.highlighted.clear();
    ++app.book.generation;
    return;
  }
  RecordList next = ReadWorkingFile(app);
  CarryPositions(app, app.book.list, next, FinishedPoints(app));
  // The panel's selection points into the old lines.
  if (next.lines.size() != app.book.list.lines.size()) app.book.highlighted.clear();
  app.book.list = std::move(next);
  ++app.book.generation;
}

void BookOpened(App& app) {
  const std::uint64_t generation = app.book.generation;
  app.book = {};
  app.book.generation = generation + 1;
  app.review.reset();
  try {
    SyncBook(app);
  } catch (const FileError&) {
    // Nothing to edit until the working file can be read.
  }
  UpdateEditMenus(app);
}

void BookObjectEnded(App& app, std::size_t written, const std::string& name) {
  if (!app.file2.IsOpen() || written == 0) return;
  RecordList next;
  try {
    next = ReadWorkingFile(app);
  } catch (const FileError&) {
    return;
  }
  if (next.lines.size() < written) return;
  EditStep step;
  step.what = "Measure " + name;
  step.before.records = next;
  step.before.records.lines.resize(next.lines.size() - written);
  CarryPositions(app, app.book.list, step.before.records, 0);
  CarryPositions(app, step.before.records, next, FinishedPoints(app));
  step.after.records = next;
  app.book.list = std::move(next);
  ++app.book.generation;
  app.book.highlighted.clear();
  app.book.undo.push_back(std::move(step));
  app.book.redo.clear();
  UpdateEditMenus(app);
}

std::string EditRefusal(const App& app) {
  if (!app.file2.IsOpen()) return "There are no records to edit: no working file is open for this picture.";
  for (EndButton b : {EndButton::limbend, EndButton::dirend, EndButton::Objektend}) {
    if (app.win.EndVisible(b)) return "An input is open: finish it with End first.";
  }
  return {};
}

std::string DeleteLines(App& app, std::vector<std::size_t> lines) {
  if (std::string e = Prepare(app); !e.empty()) return e;
  const RecordList& list = app.book.list;
  std::set<std::size_t> gone;
  for (std::size_t i : lines) {
    if (i < list.lines.size() && list.lines[i].record) gone.insert(i);
  }
  if (gone.empty()) return "Nothing to delete: no record is selected.";
  // The caption: whole objects by name, else the points and their object.
  std::vector<std::string> whole, partial;
  std::size_t partialPoints = 0;
  for (const RecordObject& o : Objects(list)) {
    const auto n = static_cast<std::size_t>(
        std::count_if(o.lines.begin(), o.lines.end(), [&](std::size_t i) { return gone.count(i) != 0; }));
    if (n == 0) continue;
    if (n == o.lines.size()) whole.push_back(o.name);
    else {
      partial.push_back(o.name);
      partialPoints += n;
    }
  }
  std::string what = "Delete";
  if (!whole.empty()) what += " " + JoinNames(whole);
  if (!partial.empty()) {
    what += (whole.empty() ? " " : "; ") + std::to_string(partialPoints) + (partialPoints == 1 ? " point" : " points") +
            " of " + JoinNames(partial);
  }
  RecordList next;
  next.header = list.header;
  for (std::size_t i = 0; i < list.lines.size(); ++i) {
    if (gone.count(i) == 0) next.lines.push_back(list.lines[i]);
  }
  return Commit(app, std::move(next), what);
}

std::string RenameObject(App& app, const std::string& from, const std::string& to) {
  if (std::string e = NameRefusal(to); !e.empty()) return e;
  if (std::string e = Prepare(app); !e.empty()) return e;
  if (!HasObject(app.book.list, from)) return "There is no object " + from + ".";
  if (from == to) return {};
  RecordList next = app.book.list;
  for (RecordLine& r : next.lines) {
    if (!r.record || r.name != from) continue;
    r.text = RenamedLine(r, to);
    r.name = to;
  }
  return Commit(app, std::move(next), "Rename " + from + " to " + to);
}

std::string MergeObjects(App& app, const std::vector<std::string>& names) {
  std::vector<std::string> unique;
  for (const auto& n : names) {
    if (std::find(unique.begin(), unique.end(), n) == unique.end()) unique.push_back(n);
  }
  if (unique.size() < 2) return "Select two or more objects to merge.";
  if (std::string e = Prepare(app); !e.empty()) return e;
  const RecordList& list = app.book.list;
  for (const auto& n : unique) {
    if (!HasObject(list, n)) return "There is no object " + n + ".";
  }
  const std::string& first = unique.front();
  // The merged records, the first object's then the others' in the order
  // given, all under the first name, where the first object's last record
  // was.
  std::vector<RecordLine> merged;
  for (const auto& n : unique) {
    for (const RecordLine& r : list.lines) {
      if (!r.record || r.name != n) continue;
      RecordLine m = r;
      m.text = RenamedLine(r, first);
      m.name = first;
      merged.push_back(std::move(m));
    }
  }
  std::size_t lastOfFirst = 0;
  for (std::size_t i = 0; i < list.lines.size(); ++i) {
    if (list.lines[i].record && list.lines[i].name == first) lastOfFirst = i;
  }
  RecordList next;
  next.header = list.header;
  for (std::size_t i = 0; i < list.lines.size(); ++i) {
    const RecordLine& r = list.lines[i];
    const bool inMerge = r.record && std::find(unique.begin(), unique.end(), r.name) != unique.end();
    if (!inMerge) next.lines.push_back(r);
    if (i == lastOfFirst) next.lines.insert(next.lines.end(), merged.begin(), merged.end());
  }
  return Commit(app, std::move(next), "Merge " + JoinNames(unique));
}

std::string AcceptSpots(App& app, const SpotProposals& p) {
  std::vector<std::string> names;
  for (std::size_t g = 0; g < p.report.groups.size(); ++g)
    if (g < p.checked.size() && p.checked[g] && !p.report.groups[g].spots.empty()) names.push_back(p.report.groups[g].name);
  if (names.empty()) return "No group is checked: check the groups to record.";
  if (std::string e = Prepare(app); !e.empty()) return e;
  RecordList next;
  std::vector<std::pair<double, double>> logged;
  if (std::string e = AppendFoundSpots(app.book.list, p.report, p.checked, CalibrationOf(app.s), next, &logged);
      !e.empty())
    return e;
  if (std::string e = Commit(app, std::move(next), "Accept " + JoinNames(names)); !e.empty()) return e;
  // The point log gets each spot's line as End writes it for a clicked
  // point. The records are in the working file already: a log that cannot
  // be written is said, and the spots stay recorded.
  try {
    for (const auto& [B, CMD] : logged) LogObjectPoint(app, B, CMD);
    if (app.file1.IsOpen()) app.file1.Sync();
  } catch (const FileError& e) {
    app.win.MessageBox(e.what());
  }
  return {};
}

std::vector<CountedGroup> AcceptedGroups(const RecordList& list) {
  std::vector<CountedGroup> out;
  for (const RecordObject& o : Objects(list)) {
    bool detected = false;
    for (std::size_t i : o.lines) detected = detected || list.lines[i].area_msh >= 0;
    if (!detected) continue;
    out.push_back({static_cast<int>(o.lines.size()), o.meanB_deg});
  }
  return out;
}

std::string UndoEdit(App& app) {
  if (app.book.undo.empty()) return "Nothing to undo: the picture is as it was opened.";
  if (std::string e = EditRefusal(app); !e.empty()) return e;
  EditStep step = std::move(app.book.undo.back());
  app.book.undo.pop_back();
  if (std::string e = Restore(app, step.before); !e.empty()) {
    app.book.undo.push_back(std::move(step));
    return e;
  }
  app.book.redo.push_back(std::move(step));
  UpdateEditMenus(app);
  Redraw(app);
  return {};
}

std::string RedoEdit(App& app) {
  if (app.book.redo.empty()) return "Nothing to redo.";
  if (std::string e = EditRefusal(app); !e.empty()) return e;
  EditStep step = std::move(app.book.redo.back());
  app.book.redo.pop_back();
  if (std::string e = Restore(app, step.after); !e.empty()) {
    app.book.redo.push_back(std::move(step));
    return e;
  }
  app.book.undo.push_back(std::move(step));
  UpdateEditMenus(app);
  Redraw(app);
  return {};
}

std::string UndoCaption(const App& app) {
  return app.book.undo.empty() ? "Undo" : "Undo " + app.book.undo.back().what;
}

std::string RedoCaption(const App& app) {
  return app.book.redo.empty() ? "Redo" : "Redo " + app.book.redo.back().what;
}

void UpdateEditMenus(App& app) {
  app.win.SetMenuCaption(Menu::Undo, UndoCaption(app));
  app.win.SetMenuCaption(Menu::Redo, RedoCaption(app));
  app.win.SetMenuEnabled(Menu::Undo, !app.book.undo.empty());
  app.win.SetMenuEnabled(Menu::Redo, !app.book.redo.empty());
}

void Undo_Click(App& app) {
  if (std::string e = UndoEdit(app); !e.empty()) app.win.MessageBox(e);
}

void Redo_Click(App& app) {
  if (std::string e = RedoEdit(app); !e.empty()) app.win.MessageBox(e);
}

void RenameObject_Click(App& app, const std::string& from) {
  for (;;) {
    const std::string to = app.win.InputBox("Enter the new name of " + from, "Rename object", from);
    if (to.empty() || to == from) return;
    const std::string e = RenameObject(app, from, to);
    if (e.empty()) return;
    app.win.MessageBox(e);
    if (NameRefusal(to).empty()) return;  // refused for another reason: asking again would not help
  }
}

void CalibrationStart(App& app, void (*start)(App&)) {
  EditSnapshot before;
  bool kept = false;
  try {
    SyncBook(app);
    before.records = app.book.list;
    before.calibration = CaptureCalibration(app);
    kept = app.file2.IsOpen();
  } catch (const FileError&) {
    // Not undoable: the working file cannot be read.
  }
  start(app);
  if (kept) app.book.calibrationStart = std::move(before);
}

void CalibrationEnd(App& app, void (*end)(App&), EndButton input, const std::string& what) {
  const bool open = app.win.EndVisible(input);
  end(app);
  if (!open || app.win.EndVisible(input) || !app.book.calibrationStart) return;
  EditStep step;
  step.what = what;
  step.before = std::move(*app.book.calibrationStart);
  app.book.calibrationStart.reset();
  try {
    SyncBook(app);
  } catch (const FileError&) {
    return;
  }
  step.after.records = app.book.list;
  step.after.calibration = CaptureCalibration(app);
  app.book.undo.push_back(std::move(step));
  app.book.redo.clear();
  UpdateEditMenus(app);
}

void SetHighlighted(App& app, std::vector<std::size_t> lines) {
  app.book.highlighted = std::move(lines);
  Redraw(app);
}

void DrawHighlights(App& app) {
  const std::uint32_t magenta = QBColor(13), black = QBColor(0);
  for (std::size_t i : app.book.highlighted) {
    if (i >= app.book.list.lines.size()) continue;
    const RecordLine& r = app.book.list.lines[i];
    if (!r.record || !r.hasPixel) continue;
    const double x = r.x_px, y = r.y_px;
    app.pic.Line(x - 3, y - 3, x + 3, y - 3, black);
    app.pic.Line(x + 3, y - 3, x + 3, y + 3, black);
    app.pic.Line(x + 3, y + 3, x - 3, y + 3, black);
    app.pic.Line(x - 3, y + 3, x - 3, y - 3, black);
    app.pic.Mark3x3(x, y, magenta);
  }
}

}  // namespace pelorin
