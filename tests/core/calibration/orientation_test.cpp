// The orientation inputs: the dialogs' model, the line fit and the angle
// rules of the End button.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "TestApp.h"
#include "base/Text.h"
#include "app/OrientationInput.h"

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;

constexpr double kDegToRad = 3.14159265358979 / 180;

// n points in system 0 on a line through the origin at `angle` degrees from
// +x towards +y (vertical when 90).
void LinePoints(ProgramState& s, double angle, int n = 3) {
  s.PointCount = static_cast<std::int16_t>(n);
  for (int i = 1; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (angle == 90) {
      s.PointX[k] = 5;
      s.PointY[k] = 10.0 * i;
    } else {
      s.PointX[k] = 10.0 * i;
      s.PointY[k] = 10.0 * i * std::tan(angle * kDegToRad);
    }
  }
}

// Runs one whole input: the menu command with the dialog answered by
// choosing `frame` and the option, the points, then End.
void RunInput(TestApp& t, bool axis, int frame, bool perpendicular, double lineAngle) {
  t.win.directionScripts.push_back([frame, perpendicular](DirectionDialog& d) {
    d.Frame1_Click(frame);
    d.Option1_Click(perpendicular ? 1 : 0);
    d.Command3D1_Click();
  });
  if (axis) ossunca_Click(t.app);
  else dnevnihod_Click(t.app);
  LinePoints(t.app.s, lineAngle);
  dirend_Click(t.app);
}

TEST(DirectionInput, AngleRules) {
  // The worked cases of the two inputs; expected values follow from the
  // rules (fit, +90 for perpendicular, -90 + P for the axis, reduce, then
  // the half-turn of the chosen frame).
  struct Case {
    const char* name;
    bool axis;
    int frame;
    bool perpendicular;
    double line;  // deg, direction of the clicked points
    double P;     // deg
    double want;  // OrientationAngle, deg
  };
  const std::vector<Case> cases = {
      {"parallel along x, frame 0", false, 0, false, 0, 0, 0},
      {"perpendicular along x, frame 0", false, 0, true, 0, 0, 90},
      {"rising 30, frame 2", false, 2, false, 30, 0, 210},
      {"rising 30, frame 1", false, 1, false, 30, 0, 30},
      {"rising 30, frame 3", false, 3, false, 30, 0, 210},
      {"falling 30, frame 0", false, 0, false, -30, 0, 330},
      {"falling 30, frame 1", false, 1, false, -30, 0, 150},
      {"falling 30, frame 3", false, 3, false, -30, 0, 330},
      {"daily input ignores P", false, 0, false, 0, 10, 0},
      {"vertical line: 90 before the corrections", false, 0, false, 90, 0, 90},
      {"axis vertical, P 0, frame 0", true, 0, false, 90, 0, 0},
      {"axis vertical, P 10, frame 0", true, 0, false, 90, 10, 10},
      {"axis vertical, P 10, frame 3", true, 3, false, 90, 10, 190},
      {"axis vertical, P 10, frame 2 (a < 180 stays)", true, 2, false, 90, 10, 10},
      {"axis perpendicular, P 10, frame 0", true, 0, true, 90, 10, 100},
      {"axis perpendicular, P 10, frame 1", true, 1, true, 90, 10, 280},
  };
  for (const Case& c : cases) {
    TestApp t;
    t.app.file2.Open("temp.dat");
    t.app.s.P = c.P;
    RunInput(t, c.axis, c.frame, c.perpendicular, c.line);
    EXPECT_NEAR(t.app.s.OrientationAngle, c.want, 1e-9) << c.name;
    EXPECT_EQ(t.app.s.DirectionChoice, c.frame) << c.name;
  }
}

TEST(DirectionInput, StartingTheInput) {
  for (bool axis : {false, true}) {
    TestApp t;
    ProgramState& s = t.app.s;
    s.CalibrationState = 3;
    s.CoordSystem = 8;
    s.PointCount = 2;
    s.StoredPointCount = 7;
    s.AutoselectMode = 1;
    s.SelectModeText = "Autoselect mode Darkest";
    if (axis) ossunca_Click(t.app);
    else dnevnihod_Click(t.app);
    EXPECT_EQ(s.AxisInput, axis ? kTrue : 0);
    EXPECT_EQ(s.CoordSystem, 0.0f);
    EXPECT_EQ(s.CalibrationState, 1.0f);
    EXPECT_TRUE(t.win.EndVisible(EndButton::dirend));
    EXPECT_EQ(s.PointCount, 0);
    EXPECT_EQ(s.StoredPointCount, 0);
    // Only the daily-parallel input selects "Weighted".
    EXPECT_EQ(s.AutoselectMode, axis ? 1 : 2);
    EXPECT_EQ(s.SelectModeText, axis ? "Autoselect mode Darkest" : "Autoselect mode Weighted");
    for (Menu m : {Menu::Limb, Menu::koor, Menu::Ishodiste, Menu::datum, Menu::orient})
      EXPECT_FALSE(t.win.MenuEnabled(m)) << MenuName(m);
    // The main window was disabled while the dialog was open, and the
    // dialog's unloading enabled it again.
    ASSERT_EQ(t.win.mainEnabledDuringDialogs.size(), 1u);
    EXPECT_FALSE(t.win.mainEnabledDuringDialogs[0]);
    EXPECT_TRUE(t.win.mainEnabled);
  }
}

TEST(DirectionDialog, FramesOptionsAndUnloading) {
  TestApp t;
  t.app.s.DirectionChoice = 2;  // left from an earlier input
  t.win.SetMainEnabled(false);
  DirectionDialog d(t.app, false);
  // Frame 0 is shown selected on loading, and the choice matches it.
  EXPECT_EQ(d.SelectedFrame(), 0);
  EXPECT_EQ(t.app.s.DirectionChoice, 0);
  EXPECT_EQ(d.FrameColour(0), 255u);
  EXPECT_EQ(d.FrameColour(1), 0u);

  d.Frame1_Click(3);
  EXPECT_EQ(t.app.s.DirectionChoice, 3);
  EXPECT_EQ(d.FrameColour(3), 255u);
  EXPECT_EQ(d.FrameColour(0), 0u);
  d.Option1_Click(1);
  EXPECT_FALSE(t.win.mainEnabled);
  d.Command3D1_Click();
  EXPECT_EQ(t.app.s.DirectionChoice, 7);
  EXPECT_TRUE(d.Unloaded());
  EXPECT_TRUE(t.win.mainEnabled);

  // Closing by the close box adds nothing.
  DirectionDialog e(t.app, true);
  e.Frame1_Click(1);
  e.Option1_Click(1);
  t.win.SetMainEnabled(false);
  e.Close();
  EXPECT_EQ(t.app.s.DirectionChoice, 1);
  EXPECT_TRUE(t.win.mainEnabled);
  EXPECT_EQ(e.Caption(), "Orientation of polar axe");
  EXPECT_EQ(e.OptionCaption(0), "Paralel to NS");
  EXPECT_EQ(d.OptionCaption(1), "Perpendicular to WE");
}

TEST(DirectionInput, EndRecordsMessageAndMenus) {
  TestApp t;
  t.app.file2.Open("temp.dat");
  t.app.s.CalibrationState = 1;
  t.app.s.rho0 = 1;
  t.app.s.LimbRadius = 100;
  t.app.s.ZeroPointX = 500;
  t.app.s.ZeroPointY = 500;
  RunInput(t, false, 0, true, 0);
  EXPECT_EQ(t.app.s.CalibrationState, 3.0f);
  EXPECT_FALSE(t.win.EndVisible(EndButton::dirend));
  EXPECT_EQ(t.app.s.PointCount, 0);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.win.messages[0], "daily parallel=90\xC2\xB0");
  EXPECT_EQ(ReadAll(t.folder.File("temp.dat")), "90\r\n");
  for (Menu m : {Menu::Objekt, Menu::Compare, Menu::mreza, Menu::objectview})
    EXPECT_TRUE(t.win.MenuEnabled(m)) << MenuName(m);
  EXPECT_EQ(t.app.s.GridOn, 1);
}

TEST(DirectionInput, EndWithTooFewPointsKeepsTheInputOpen) {
  TestApp t;
  dnevnihod_Click(t.app);
  t.app.s.OrientationAngle = 12;
  LinePoints(t.app.s, 0, 2);
  dirend_Click(t.app);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.win.messages[0], "You must enter at least 3 points");
  EXPECT_TRUE(t.win.EndVisible(EndButton::dirend));
  EXPECT_EQ(t.app.s.PointCount, 2);
  EXPECT_EQ(t.app.s.OrientationAngle, 12);
}

TEST(DirectionInput, AFailedOrientationLineIsReportedAndTheAngleStands) {
  TestApp t;
  t.app.file2.Open("temp.dat");
  t.app.file2.Close();
  t.app.s.CalibrationState = 1;
  RunInput(t, false, 0, false, -30);
  ASSERT_GE(t.win.messages.size(), 2u);
  EXPECT_NE(t.win.messages[1].find("temp.dat"), std::string::npos) << t.win.messages[1];
  EXPECT_NEAR(t.app.s.OrientationAngle, 330, 1e-9);
  EXPECT_EQ(t.app.s.CalibrationState, 3.0f);
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// The orientation ended: its error is the fit's, from the points' scatter
// across the line, and the errors say it was fitted.
TEST(DirectionInput, EndGivesTheFitsErrorToThePositions) {
  const struct {
    const char* name;
    double offset;  // of the middle point across the line, pixels
  } cases[] = {{"on the line", 0}, {"scattered", 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    t.app.file2.Open("temp.dat");
    t.app.s.CalibrationState = 1;
    t.app.s.rho0 = 1;
    t.app.s.LimbRadius = 100;
    t.win.directionScripts.push_back([](DirectionDialog& d) { d.Command3D1_Click(); });
    dnevnihod_Click(t.app);
    LinePoints(t.app.s, 0, 5);
    t.app.s.PointY[3] += static_cast<float>(c.offset);
    dirend_Click(t.app);
    ASSERT_EQ(t.app.s.CalibrationState, 3.0f);
    EXPECT_EQ(t.app.calErrors.orientationSource, "fit");
    if (c.offset == 0) EXPECT_EQ(t.app.calErrors.orientation_deg, 0);
    else EXPECT_GT(t.app.calErrors.orientation_deg, 0.3);  // 2 px off a line 40 px long
  }
}

}  // namespace
}  // namespace pelorin
