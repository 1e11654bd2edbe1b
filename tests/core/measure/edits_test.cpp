// Editing the records of a picture and undoing it: every edit, its undo and
// its redo leave the working file byte for byte as measuring the same
// records directly writes it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "CliRun.h"
#include "Pictures.h"
#include "TestApp.h"
#include "app/LimbInput.h"
#include "app/WorkFiles.h"
#include "app/Edits.h"
#include "app/ExportMeasurements.h"
#include "formats/Export.h"
#include "base/TextFile.h"
#include "app/Points.h"
#include "measure/SpotRecords.h"

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;

struct Object {
  std::string name;
  std::vector<std::pair<double, double>> points;  // picture pixels
};

// A calibrated picture whose working file holds its 13 header lines, opened
// (the history empty).
void Open(TestApp& t) {
  test::Calibrated(t);
  WriteHeaderStart(t.app, "x.jpg");
  WriteDateLines(t.app);
  WriteDiscLine(t.app);
  WriteOrientationLine(t.app);
  BookOpened(t.app);
}

void MeasureInto(TestApp& t, const std::vector<Object>& objects) {
  for (const Object& o : objects) {
    t.win.inputAnswers.push_back(o.name);
    Objekt_Click(t.app);
    for (const auto& [x, y] : o.points) Picture1_MouseDown(t.app, kLeftButton, 0, x, y);
    Objektend_Click(t.app);
  }
}

// What measuring `objects` directly on a freshly opened picture writes.
std::string Measured(const std::vector<Object>& objects) {
  TestApp t;
  Open(t);
  MeasureInto(t, objects);
  return ReadAll(t.app.file2.Path());
}

std::string Working(const TestApp& t) { return ReadAll(t.app.file2.Path()); }

// The point log that measuring `objects` on a freshly opened picture writes.
std::string MeasuredLog(const std::vector<Object>& objects) {
  TestApp t;
  Open(t);
  MeasureInto(t, objects);
  return ReadAll(t.app.file1.Path());
}

const Object A{"A", {{90, 95}, {92, 97}}};
const Object B{"B", {{110, 100}}};
const Object C{"C", {{100, 120}, {105, 118}}};

std::size_t LineOf(const TestApp& t, const std::string& name, int nth) {
  const auto objects = Objects(t.app.book.list);
  for (const auto& o : objects) {
    if (o.name == name) return o.lines[static_cast<std::size_t>(nth)];
  }
  ADD_FAILURE() << "no object " << name;
  return 0;
}

TEST(Edits, EachEditUndoAndRedoGiveTheDirectlyMeasuredFile) {
  struct Case {
    const char* what;
    std::function<std::string(TestApp&)> edit;
    std::vector<Object> expected;
    const char* caption;
  };
  const Object C1{"C", {C.points[0]}};
  const std::vector<Case> cases = {
      {"delete object", [](TestApp& t) { return DeleteLines(t.app, {LineOf(t, "B", 0)}); }, {A, C}, "Delete B"},
      {"delete point", [](TestApp& t) { return DeleteLines(t.app, {LineOf(t, "C", 1)}); }, {A, B, C1},
       "Delete 1 point of C"},
      {"delete objects", [](TestApp& t) { return DeleteLines(t.app, {LineOf(t, "A", 0), LineOf(t, "A", 1), LineOf(t, "C", 0), LineOf(t, "C", 1)}); },
       {B}, "Delete A, C"},
      {"rename", [](TestApp& t) { return RenameObject(t.app, "B", "G 7"); }, {A, {"G 7", B.points}, C},
       "Rename B to G 7"},
      {"merge", [](TestApp& t) { return MergeObjects(t.app, {"A", "C"}); },
       {{"A", {A.points[0], A.points[1], C.points[0], C.points[1]}}, B}, "Merge A, C"},
      {"merge backwards", [](TestApp& t) { return MergeObjects(t.app, {"C", "A"}); },
       {B, {"C", {C.points[0], C.points[1], A.points[0], A.points[1]}}}, "Merge C, A"},
      {"merge three", [](TestApp& t) { return MergeObjects(t.app, {"B", "A", "C"}); },
       {{"B", {B.points[0], A.points[0], A.points[1], C.points[0], C.points[1]}}}, "Merge B, A, C"},
  };
  const std::string start = Measured({A, B, C});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string expected = Measured(c.expected);
    TestApp t;
    Open(t);
    MeasureInto(t, {A, B, C});
    ASSERT_EQ(Working(t), start);
    ASSERT_EQ(c.edit(t), "");
    EXPECT_EQ(Working(t), expected);
    EXPECT_EQ(UndoCaption(t.app), std::string("Undo ") + c.caption);
    EXPECT_EQ(t.win.captions[Menu::Undo], std::string("Undo ") + c.caption);
    ASSERT_EQ(UndoEdit(t.app), "");
    EXPECT_EQ(Working(t), start);
    EXPECT_EQ(RedoCaption(t.app), std::string("Redo ") + c.caption);
    ASSERT_EQ(RedoEdit(t.app), "");
    EXPECT_EQ(Working(t), expected);
    // The stored points follow the records, so the next object is
    // measured after them and View -> Object shows what is left.
    std::size_t withPixels = 0;
    for (const auto& o : c.expected) withPixels += o.points.size();
    EXPECT_EQ(t.app.s.StoredPointCount, static_cast<int>(withPixels));
    MeasureInto(t, {{"N", {{101, 101}}}});
    std::vector<Object> more = c.expected;
    more.push_back({"N", {{101, 101}}});
    EXPECT_EQ(Working(t), Measured(more));
  }
}

TEST(Edits, UndoingEverythingGivesTheStartingFileAndStopsAtTheOpening) {
  TestApp t;
  Open(t);
  const std::string opened = Working(t);
  MeasureInto(t, {A, B, C});
  const std::string measured = Working(t);
  EXPECT_EQ(UndoCaption(t.app), "Undo Measure C");
  ASSERT_EQ(RenameObject(t.app, "A", "G1"), "");
  ASSERT_EQ(DeleteLines(t.app, {LineOf(t, "C", 0)}), "");
  ASSERT_EQ(MergeObjects(t.app, {"G1", "B"}), "");
  ASSERT_EQ(DeleteLines(t.app, {LineOf(t, "G1", 2)}), "");
  for (int i = 0; i < 4; ++i) ASSERT_EQ(UndoEdit(t.app), "") << i;
  EXPECT_EQ(Working(t), measured);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(UndoEdit(t.app), "") << i;
  EXPECT_EQ(Working(t), opened);
  EXPECT_EQ(t.app.s.StoredPointCount, 0);
  // Undo past the opening of the picture is refused and changes nothing.
  EXPECT_EQ(UndoCaption(t.app), "Undo");
  EXPECT_FALSE(t.win.MenuEnabled(Menu::Undo));
  EXPECT_NE(UndoEdit(t.app), "");
  Undo_Click(t.app);
  ASSERT_FALSE(t.win.messages.empty());
  EXPECT_NE(t.win.messages.back().find("as it was opened"), std::string::npos);
  EXPECT_EQ(Working(t), opened);
  // Everything redone gives the last state; a new edit empties Redo.
  for (int i = 0; i < 7; ++i) ASSERT_EQ(RedoEdit(t.app), "") << i;
  EXPECT_NE(RedoEdit(t.app), "");
  ASSERT_EQ(UndoEdit(t.app), "");
  ASSERT_EQ(RenameObject(t.app, "G1", "X"), "");
  EXPECT_EQ(RedoCaption(t.app), "Redo");
  // Opening the picture again empties the history.
  BookOpened(t.app);
  EXPECT_NE(UndoEdit(t.app), "");
}

TEST(Edits, RefusedEditsChangeNothing) {
  TestApp t;
  Open(t);
  MeasureInto(t, {A, B});
  const std::string before = Working(t);
  for (const char* bad : {"G\"1", "G,1", ""}) {
    EXPECT_NE(RenameObject(t.app, "A", bad), "") << bad;
  }
  EXPECT_NE(RenameObject(t.app, "Z", "Y"), "");
  EXPECT_NE(MergeObjects(t.app, {"A"}), "");
  EXPECT_NE(MergeObjects(t.app, {"A", "Z"}), "");
  EXPECT_NE(DeleteLines(t.app, {99}), "");
  // A working file that cannot be written beside itself: the edit is
  // refused, saying which file, and the list and the history stay.
  std::filesystem::create_directory(t.app.file2.Path() + ".part");
  const std::string failed = DeleteLines(t.app, {LineOf(t, "A", 0)});
  EXPECT_NE(failed.find(".part"), std::string::npos) << failed;
  EXPECT_EQ(Objects(t.app.book.list).size(), 2u);
  EXPECT_EQ(UndoCaption(t.app), "Undo Measure B");
  std::filesystem::remove(t.app.file2.Path() + ".part");
  // With an object open the records wait for its End.
  t.win.inputAnswers.push_back("D");
  Objekt_Click(t.app);
  EXPECT_NE(DeleteLines(t.app, {0}), "");
  EXPECT_NE(UndoEdit(t.app), "");
  Objektend_Click(t.app);
  EXPECT_EQ(Working(t), before);
  EXPECT_EQ(UndoCaption(t.app), "Undo Measure B");  // an object without points writes nothing

  // The panel's rename asks again after a refused name, with the rules of
  // New object.
  t.win.inputAnswers = {"G,1", "G1"};
  RenameObject_Click(t.app, "A");
  EXPECT_EQ(t.win.inputAnswers.size(), 0u);
  EXPECT_EQ(UndoCaption(t.app), "Undo Rename A to G1");
}

TEST(Edits, CalibrationIsOneStep) {
  TestApp t;
  Open(t);
  MeasureInto(t, {A});
  const std::string before = Working(t);
  const ProgramState s0 = t.app.s;
  CalibrationStart(t.app, &Limb_Click);
  EXPECT_TRUE(t.win.EndVisible(EndButton::limbend));
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{150, 100}, {100, 52}, {52, 100}, {100, 148}})
    Picture1_MouseDown(t.app, kLeftButton, 0, x, y);
  CalibrationEnd(t.app, &limbend_Click, EndButton::limbend, "Limb calibration");
  ASSERT_FALSE(t.win.EndVisible(EndButton::limbend));
  const std::string after = Working(t);
  ASSERT_NE(after, before);
  const double radius = t.app.s.LimbRadius;
  EXPECT_EQ(UndoCaption(t.app), "Undo Limb calibration");
  ASSERT_EQ(UndoEdit(t.app), "");
  EXPECT_EQ(Working(t), before);
  EXPECT_EQ(t.app.s.LimbRadius, s0.LimbRadius);
  EXPECT_EQ(t.app.s.ZeroPointX, s0.ZeroPointX);
  EXPECT_EQ(t.app.s.CalibrationState, 3.0f);
  EXPECT_EQ(t.app.s.StoredPointCount, 2);
  EXPECT_TRUE(t.win.MenuEnabled(Menu::Objekt));
  ASSERT_EQ(RedoEdit(t.app), "");
  EXPECT_EQ(Working(t), after);
  EXPECT_EQ(t.app.s.LimbRadius, radius);
}

TEST(Records, ObjectsMeansAndPositions) {
  TestApp t;
  Open(t);
  MeasureInto(t, {A, B, {"A", {{95, 96}}}});
  const auto objects = Objects(t.app.book.list);
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0].name, "A");
  EXPECT_EQ(objects[0].lines.size(), 3u);
  double b = 0;
  for (std::size_t i : objects[0].lines) b += t.app.book.list.lines[i].B_deg;
  EXPECT_DOUBLE_EQ(objects[0].meanB_deg, b / 3);
  const RecordLine& first = t.app.book.list.lines[objects[0].lines[0]];
  EXPECT_TRUE(first.hasPixel);
  EXPECT_EQ(first.x_px, 90);
  EXPECT_EQ(RecordAt(t.app.book.list, 109, 101, 3), static_cast<int>(objects[1].lines[0]));
  EXPECT_EQ(RecordAt(t.app.book.list, 130, 130, 3), -1);
  // L as a circular mean, across 0/360.
  EXPECT_NEAR(CircularMeanDeg({359, 1}), 0, 1e-9);
  EXPECT_NEAR(CircularMeanDeg({350, 20}), 5, 1e-9);
  EXPECT_NEAR(CircularMeanDeg({10, 20, 30}), 20, 1e-9);
}

TEST(Export, CsvAsTheCliPrintsItAndTsv) {
  TestApp t;
  Open(t);
  MeasureInto(t, {A, {"G 2", B.points}});
  ASSERT_EQ(ExportMeasurements(t.app, t.folder.File("x.csv")), "");
  test::WriteAll(t.folder.File("x.dat"), Working(t));
  const test::CliResult cli = test::RunCli(t.folder.path(), "dat --csv x.dat");
  ASSERT_EQ(cli.status, 0) << cli.err;
  // The CLI's rows, each with the record's errors and their source after it.
  std::vector<std::string> exported = SplitLines(ReadAll(t.folder.File("x.csv")));
  const std::vector<std::string> printed = SplitLines(cli.out);
  ASSERT_EQ(exported.size(), printed.size());
  EXPECT_EQ(exported[0], printed[0] + ",B_err,CMD_err,L_err,err_source");
  for (std::size_t i = 1; i < exported.size(); ++i) {
    EXPECT_EQ(exported[i].rfind(printed[i] + ",", 0), 0u) << exported[i];
    EXPECT_EQ(std::count(exported[i].begin(), exported[i].end(), ','), 7) << exported[i];
  }
  EXPECT_NE(cli.out.find("\nG 2,"), std::string::npos);

  EXPECT_EQ(TsvText({{"G1", 1.5, -2, 359.25, -1, ""}}, false), "name\tB\tCMD\tL\nG1\t1.5\t-2\t359.25\n");
  EXPECT_EQ(TsvText({{"G\t1", 1, 2, 3, 120, "Dkc"}, {"G2", 1, 2, 3, -1, ""}}, true),
            "name\tB\tCMD\tL\tarea\tclass\nG 1\t1\t2\t3\t120\tDkc\nG2\t1\t2\t3\t\t\n");
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// Proposals with spots at picture positions, as the finder gives them.
SpotProposals ProposalsAt(const std::vector<Object>& groups) {
  SpotProposals p;
  for (const Object& o : groups) {
    SpotGroup g;
    g.name = o.name;
    g.mcIntosh = "Axx";
    for (const auto& [x, y] : o.points) {
      FoundSpot f;
      f.x = x;
      f.y = y;
      f.area_msh = 12.5;
      g.spots.push_back(static_cast<int>(p.report.spots.size()));
      p.report.spots.push_back(f);
    }
    p.report.groups.push_back(std::move(g));
  }
  p.checked.assign(p.report.groups.size(), true);
  return p;
}

TEST(Edits, AcceptedSpotsWriteWhatMeasuringThemByHandWrites) {
  TestApp t;
  Open(t);
  MeasureInto(t, {A});
  const std::string before = Working(t);
  SpotProposals p = ProposalsAt({B, C, {"D", {{95, 105}}}});
  CheckGroup(p, 2, false);
  ASSERT_EQ(AcceptSpots(t.app, p), "");
  EXPECT_EQ(Working(t), Measured({A, B, C}));
  EXPECT_EQ(ReadAll(t.app.file1.Path()), MeasuredLog({A, B, C}));
  EXPECT_EQ(UndoCaption(t.app), "Undo Accept B, C");
  // The records keep their areas and classes; the detected objects count.
  const auto objects = Objects(t.app.book.list);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_LT(objects[0].area_msh, 0);
  EXPECT_DOUBLE_EQ(objects[2].area_msh, 12.5);
  EXPECT_EQ(objects[2].spotClass, "Axx");
  const auto counted = AcceptedGroups(t.app.book.list);
  ASSERT_EQ(counted.size(), 2u);
  EXPECT_EQ(counted[0].spots, 1);
  EXPECT_EQ(counted[1].spots, 2);
  ASSERT_EQ(UndoEdit(t.app), "");
  EXPECT_EQ(Working(t), before);
  ASSERT_EQ(RedoEdit(t.app), "");
  EXPECT_EQ(Working(t), Measured({A, B, C}));
  // Measuring on after Accept follows the accepted records.
  MeasureInto(t, {{"N", {{101, 101}}}});
  EXPECT_EQ(Working(t), Measured({A, B, C, {"N", {{101, 101}}}}));

  // Nothing checked, or an input open: refused, nothing written.
  const std::string now = Working(t);
  CheckGroup(p, 0, false);
  CheckGroup(p, 1, false);
  EXPECT_NE(AcceptSpots(t.app, p), "");
  t.win.inputAnswers.push_back("O");
  Objekt_Click(t.app);
  EXPECT_NE(AcceptSpots(t.app, ProposalsAt({B})), "");
  EXPECT_EQ(Working(t), now);
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

TEST(SpotRecords, TheSpotsFileFollowsTheRecordsAndComesBack) {
  TestApp t;
  Open(t);
  MeasureInto(t, {A});
  SpotProposals p = ProposalsAt({B, C});
  p.report.spots[1].area_msh = 30;
  p.report.spots[1].umbra_msh = 6;
  ASSERT_EQ(AcceptSpots(t.app, p), "");
  const std::filesystem::path dir = std::filesystem::path(t.app.file2.Path()).parent_path();
  const std::string data = (dir / "day.dat").string();
  const std::string spotsPath = (dir / "day.spots.csv").string();
  ASSERT_EQ(SaveSpotsBeside(t.app.book.list, data, 0.6), "");
  const std::string saved = ReadAll(spotsPath);
  // The hand-measured object A is not among the spots; R = 0.6 (10 x 2 + 3)
  // for the groups B and C.
  EXPECT_EQ(saved.find("\r\nA,"), std::string::npos);
  EXPECT_NE(saved.find("\r\nC,2,"), std::string::npos);
  EXPECT_NE(saved.find("groups=2 spots=3 wolf=13.8"), std::string::npos) << saved;

  // Reopened: the records read from the file get their areas and classes back.
  RecordList reread = ParseRecordList(Working(t));
  for (std::size_t i = 0; i < reread.lines.size(); ++i) {
    reread.lines[i].hasPixel = t.app.book.list.lines[i].hasPixel;
    reread.lines[i].x_px = t.app.book.list.lines[i].x_px;
    reread.lines[i].y_px = t.app.book.list.lines[i].y_px;
  }
  ASSERT_EQ(LoadSpotsBeside(reread, data), "");
  const auto objects = Objects(reread);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_LT(objects[0].area_msh, 0);
  EXPECT_DOUBLE_EQ(objects[1].area_msh, 12.5);
  EXPECT_DOUBLE_EQ(reread.lines[objects[2].lines[0]].area_msh, 30);
  EXPECT_DOUBLE_EQ(reread.lines[objects[2].lines[0]].umbra_msh, 6);
  EXPECT_EQ(objects[2].spotClass, "Axx");
  EXPECT_EQ(SpotsTextOfRecords(reread, 0.6), saved);

  // Changed by hand: a note, and the records stay as the data file has them.
  RecordList changed = ParseRecordList(Working(t));
  changed.lines.back().B_deg += 0.5;
  const std::string note = LoadSpotsBeside(changed, data);
  EXPECT_NE(note.find("do not match"), std::string::npos) << note;
  EXPECT_NE(note.find("day.spots.csv"), std::string::npos) << note;
  for (const RecordLine& r : changed.lines) EXPECT_LT(r.area_msh, 0);
  // No spots any more: undone, saved, the old file goes.
  ASSERT_EQ(UndoEdit(t.app), "");
  ASSERT_EQ(SaveSpotsBeside(t.app.book.list, data, 1), "");
  EXPECT_FALSE(std::filesystem::exists(spotsPath));
  RecordList plain = ParseRecordList(Working(t));
  EXPECT_EQ(LoadSpotsBeside(plain, data), "");
}

}  // namespace
}  // namespace pelorin
