// Object names that would break their records, and inputs of more clicks
// than the point store holds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Pictures.h"
#include "TestApp.h"
#include "base/Text.h"
#include "app/LimbInput.h"
#include "formats/DataFile.h"
#include "base/TextFile.h"
#include "app/Edits.h"
#include "app/Points.h"
#include "spots/Proposals.h"

namespace pelorin {
namespace {

using test::Calibrated;
using test::ReadAll;
using test::TestApp;

constexpr double kPi = 3.14159265358979;

void Left(TestApp& t, double X, double Y) { Picture1_MouseDown(t.app, kLeftButton, 0, X, Y); }

// Source: the record layout ("name",B,CMD,L: the name in double quotes, the
// fields split at commas). A name with a double quote or a comma is refused
// and asked for again; the next good answer opens the object, Cancel none.
TEST(ObjectNames, NamesThatWouldBreakTheirRecordsAreAskedForAgain) {
  const struct {
    const char* name;
    std::vector<std::string> answers;
    std::size_t refusals;
    const char* opened;  // nullptr: no object
  } cases[] = {
      {"double quote", {"AR \"12\"", "AR 12"}, 1, "AR 12"},
      {"comma", {"12,13", "12 13"}, 1, "12 13"},
      {"quote before comma, then a comma", {"a\",b", ",", "g"}, 2, "g"},
      {"refused, then Cancel", {"x\""}, 1, nullptr},
      {"quote-like characters are names", {"AR 12'b"}, 0, "AR 12'b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    Calibrated(t);
    for (const auto& a : c.answers) t.win.inputAnswers.push_back(a);
    Objekt_Click(t.app);
    ASSERT_EQ(t.win.messages.size(), c.refusals);
    for (const auto& m : t.win.messages)
      EXPECT_NE(m.find("double quote or a comma"), std::string::npos) << m;
    EXPECT_EQ(t.win.EndVisible(EndButton::Objektend), c.opened != nullptr);
    if (!c.opened) continue;
    EXPECT_EQ(t.app.s.ObjectName, c.opened);
    Left(t, 110, 95);
    Objektend_Click(t.app);
    // The record reads back with its own name and numbers.
    const std::vector<std::string> work = ReadLines("temp.dat");
    ASSERT_EQ(work.size(), 1u);
    std::vector<std::string> file(13, "0,0,0,0");
    file[2] = "v2.0";
    file.push_back(work[0]);
    const DataFileContents read = ParseDataFile(file);
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0].name, c.opened);
  }
}

// New object, Rename object and a proposed group's rename refuse a name that
// would break its records in the same words, those of the data file's rule.
TEST(ObjectNames, EveryPlaceThatTakesANameRefusesInTheSameWords) {
  for (const std::string bad : {"AR \"12\"", "12,13", ",", "\""}) {
    SCOPED_TRACE(bad);
    const std::string want = RecordNameRefusal(bad);
    ASSERT_NE(want.find("double quote or a comma"), std::string::npos) << want;
    TestApp t;
    Calibrated(t);
    t.win.inputAnswers = {bad, ""};
    Objekt_Click(t.app);
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0], want);
    EXPECT_EQ(RenameObject(t.app, "A", bad), want);
    SpotProposals p = ProposeSpots(nullptr, {}, {}, {});
    p.report.groups.emplace_back();
    p.checked.push_back(true);
    EXPECT_EQ(RenameGroup(p, 0, bad), want);
  }
  for (const char* good : {"AR 12'b", "G1", "12345a", ""}) EXPECT_EQ(RecordNameRefusal(good), "") << good;
}

// The limit of 1000 points: the 1001st click of one input is refused with a
// message, the first 1000 stay and the input ends normally.
TEST(PointLimit, ThousandAndOneClicksOfTheLimb) {
  TestApp t;
  t.pic.Fill(400, 400, RGB(255, 255, 255));
  t.app.s.ZeroPointX = 200;
  t.app.s.ZeroPointY = 200;
  t.app.s.ManualSelection = kTrue;
  t.app.file2.Open("temp.dat");
  Limb_Click(t.app);
  // 1001 clicks on a circle of radius 120 about (210, 190).
  for (int i = 0; i < 1001; ++i) {
    const double a = 2 * kPi * i / 1001;
    Left(t, 210 + 120 * std::cos(a), 190 + 120 * std::sin(a));
  }
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("1000"), std::string::npos) << t.win.messages[0];
  EXPECT_EQ(t.app.s.PointCount, 1000);
  EXPECT_EQ(ReadLines("a.tmp").size(), 1000u);
  limbend_Click(t.app);
  // The fit of the 1000 stored points (single precision): the circle itself.
  EXPECT_NEAR(t.app.s.ZeroPointX, 210, 1e-3);
  EXPECT_NEAR(t.app.s.ZeroPointY, 190, 1e-3);
  EXPECT_NEAR(t.app.s.LimbRadius, 120, 1e-3);
  EXPECT_FALSE(t.win.EndVisible(EndButton::limbend));
}

TEST(PointLimit, ThousandAndOneClicksOfAnObject) {
  TestApp t;
  Calibrated(t);
  t.win.inputAnswers.push_back("g");
  Objekt_Click(t.app);
  for (int i = 0; i < 1001; ++i) Left(t, 80 + i % 40, 80 + i / 40);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.app.s.StoredPointCount, 1000);
  EXPECT_EQ(t.app.s.PointCount, 1000);
  Objektend_Click(t.app);
  EXPECT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(ReadLines("temp.dat").size(), 1000u);
  EXPECT_EQ(ReadLines("a.tmp").size(), 1000u);
  // Further clicks are refused until the store is reset, also in a new object.
  t.win.inputAnswers.push_back("h");
  Objekt_Click(t.app);
  Left(t, 100, 100);
  EXPECT_EQ(t.win.messages.size(), 2u);
  EXPECT_EQ(t.app.s.StoredPointCount, 1000);
}

}  // namespace
}  // namespace pelorin
