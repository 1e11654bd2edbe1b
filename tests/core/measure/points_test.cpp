// Click routing, objects and their records, the selection mode.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "Pictures.h"
#include "TestApp.h"
#include "base/Text.h"
#include "app/LimbInput.h"
#include "app/Geometry.h"
#include "app/Points.h"

namespace pelorin {
namespace {

using test::Blank;
using test::Calibrated;
using test::ReadAll;
using test::TestApp;

constexpr std::uint32_t kWhite = RGB(255, 255, 255);
const std::int32_t kDot = static_cast<std::int32_t>(QBColor(0));
const std::int32_t kBlank = static_cast<std::int32_t>(kWhite);

// The white picture with one black pixel at (X, Y), in the clean copy too.
void DarkPixel(TestApp& t, int X, int Y) {
  std::vector<std::uint32_t> argb(200 * 200, RasterPicture::ToArgb(kWhite));
  argb[static_cast<std::size_t>(Y * 200 + X)] = RasterPicture::ToArgb(RGB(0, 0, 0));
  t.pic.SetPixels(200, 200, std::move(argb));
}

void Left(TestApp& t, double X, double Y) { Picture1_MouseDown(t.app, kLeftButton, 0, X, Y); }
void Right(TestApp& t) { Picture1_MouseDown(t.app, kRightButton, 0, 0, 0); }

void OpenObject(TestApp& t, const std::string& name) {
  t.win.inputAnswers.push_back(name);
  Objekt_Click(t.app);
}

// The record and log lines Objektend writes for a picture point; the values
// come from the transform itself (its own tests check them), so this checks
// which points are converted and how the lines are formed.
std::string Record(const TestApp& t, const std::string& name, double X, double Y) {
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographic(t.app.s, X, Y, t.app.s.OrientationAngle, B, CMD, L);
  return "\"" + name + "\"," + NumberText(B) + "," + NumberText(CMD) + "," + NumberText(L) + "\r\n";
}
std::string LogLine(const TestApp& t, double X, double Y) {
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographic(t.app.s, X, Y, t.app.s.OrientationAngle, B, CMD, L);
  return NumberText(B) + ", " + NumberText(CMD) + "\r\n";
}

TEST(MouseDown, RoutesInOrder) {
  {
    // Shift with the left button is a quick move, even with the zero point
    // armed.
    TestApp t;
    Blank(t);
    t.app.s.ZeroPointPending = 1;
    Picture1_MouseDown(t.app, kLeftButton, kShiftMask, 30, 40);
    EXPECT_EQ(t.app.s.QuickMoveActive, 1);
    EXPECT_EQ(t.app.s.QuickMoveX, 30);
    EXPECT_EQ(t.app.s.ZeroPointPending, 1.0f);
    EXPECT_EQ(t.app.s.PointCount, 0);
  }
  for (int button : {kLeftButton, kRightButton}) {
    // The armed zero point takes the click whatever the button.
    TestApp t;
    Blank(t);
    t.app.s.ZeroPointPending = 1;
    t.app.s.PointCount = 2;
    Picture1_MouseDown(t.app, button, 0, 30, 40);
    EXPECT_EQ(t.app.s.ZeroPointX, 30) << button;
    EXPECT_EQ(t.app.s.ZeroPointY, 40) << button;
    EXPECT_EQ(t.app.s.ZeroPointPending, 0.0f) << button;
    EXPECT_EQ(t.app.s.PointCount, 2) << button;
    EXPECT_EQ(t.pic.Point(30, 40), kDot) << button;
  }
  {
    // Shift with the right button removes the last point.
    TestApp t;
    Blank(t);
    t.app.s.PointCount = 2;
    Picture1_MouseDown(t.app, kRightButton, kShiftMask, 30, 40);
    EXPECT_EQ(t.app.s.PointCount, 1);
    EXPECT_EQ(t.app.s.QuickMoveActive, 0);
  }
}

TEST(MouseDown, RightButtonWithNoPointsChangesNothing) {
  TestApp t;
  Blank(t);
  t.app.s.StoredPointCount = 5;
  Right(t);
  EXPECT_EQ(t.app.s.PointCount, 0);
  EXPECT_EQ(t.app.s.StoredPointCount, 5);
}

TEST(MouseDown, LimbPointsAreStoredLoggedAndRemoved) {
  TestApp t;
  Blank(t);
  Limb_Click(t.app);
  Left(t, 110, 100);
  Left(t, 100, 90);
  Left(t, 90, 100);
  ASSERT_EQ(t.app.s.PointCount, 3);
  EXPECT_EQ(t.app.s.PointX[2], 0);
  EXPECT_EQ(t.app.s.PointY[2], 10);
  // System 0 values in the Single text form.
  EXPECT_EQ(ReadAll(t.folder.File("a.tmp")), "10,0\r\n0,10\r\n-10,0\r\n");

  Right(t);
  EXPECT_EQ(t.app.s.PointCount, 2);
  EXPECT_EQ(t.app.s.StoredPointCount, 0);  // limb points are not object points
  EXPECT_EQ(t.pic.Point(110, 100), kDot);
  EXPECT_EQ(t.pic.Point(100, 90), kDot);
  EXPECT_EQ(t.pic.Point(90, 100), kBlank);
}

TEST(MouseDown, LimbPointIsStoredWhereNearestMovedIt) {
  TestApp t;
  Blank(t);
  t.app.s.ManualSelection = 0;
  t.app.s.AutoselectMode = 2;  // Limb_Click selects Nearest
  DarkPixel(t, 111, 100);
  Limb_Click(t.app);
  Left(t, 110, 100);
  // Ring 1 reaches the right neighbour (111, 100) at 360 deg.
  EXPECT_EQ(t.app.s.PointX[1], 11);
  EXPECT_EQ(t.app.s.PointY[1], 0);
  EXPECT_EQ(ReadAll(t.folder.File("a.tmp")), "11,0\r\n");
}

TEST(MouseDown, AutoselectSearchesAroundTheClickInEveryCartesianSystem) {
  // System 2 reads X = -(px - 100), Y = py - 100. The search runs about the
  // clicked picture point (110, 90) and finds its right neighbour (111, 90).
  TestApp t;
  Blank(t);
  t.app.s.ManualSelection = 0;
  t.app.s.AutoselectMode = 0;
  t.app.s.CoordSystem = 2;
  DarkPixel(t, 111, 90);
  Left(t, 110, 90);
  EXPECT_EQ(t.app.s.PointX[1], -11);
  EXPECT_EQ(t.app.s.PointY[1], -10);
}

TEST(MouseDown, PolarPointsBeforeCalibrationHoldTheMovedPoint) {
  TestApp t;
  Blank(t);
  t.app.s.CoordSystem = 8;
  Left(t, 110, 90);
  ASSERT_EQ(t.app.s.PointCount, 1);
  EXPECT_NEAR(t.app.s.PointX[1], std::sqrt(200.0), 1e-12);  // R, px
  EXPECT_NEAR(t.app.s.PointY[1], 45, 1e-12);                // fi, deg
  EXPECT_EQ(t.pic.Point(110, 90), kDot);

  // With autoselect the polar values are those of the moved point, here the
  // right neighbour (111, 90) found by Nearest.
  t.app.s.ManualSelection = 0;
  t.app.s.AutoselectMode = 0;
  DarkPixel(t, 111, 90);
  Left(t, 110, 90);
  ASSERT_EQ(t.app.s.PointCount, 2);
  EXPECT_NEAR(t.app.s.PointX[2], std::sqrt(221.0), 1e-12);
  EXPECT_NEAR(t.app.s.PointY[2], std::atan(10.0 / 11.0) * 57.2957795130824, 1e-9);
  const std::string log = ReadAll(t.folder.File("a.tmp"));
  EXPECT_EQ(log.substr(0, log.find(',')), NumberText(std::sqrt(200.0)));
}

TEST(MouseDown, CalibratedClickWithoutObjectLeavesOnlyADot) {
  TestApp t;
  Calibrated(t);
  t.app.s.StoredPointCount = 4;
  Left(t, 120, 80);
  EXPECT_EQ(t.app.s.PointCount, 0);
  EXPECT_EQ(t.app.s.StoredPointCount, 4);
  EXPECT_EQ(t.pic.Point(120, 80), kDot);
  EXPECT_EQ(ReadAll(t.folder.File("a.tmp")), "");
}

TEST(MouseDown, RefusesThePointAfterTheThousandth) {
  {
    TestApp t;
    Blank(t);
    t.app.s.PointCount = 1000;
    t.app.s.PointX[1000] = 7;
    Left(t, 110, 100);
    EXPECT_EQ(t.app.s.PointCount, 1000);
    EXPECT_EQ(t.app.s.PointX[1000], 7);
    EXPECT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(ReadAll(t.folder.File("a.tmp")), "");
  }
  {
    // An open object whose points would go beyond index 1000.
    TestApp t;
    Calibrated(t);
    OpenObject(t, "g");
    t.app.s.StoredPointCount = 1000;
    t.app.s.PointCount = 2;
    t.app.s.PointX[1000] = 7;
    Left(t, 110, 100);
    EXPECT_EQ(t.app.s.StoredPointCount, 1000);
    EXPECT_EQ(t.app.s.PointCount, 2);
    EXPECT_EQ(t.app.s.PointX[1000], 7);
    EXPECT_EQ(t.win.messages.size(), 1u);
  }
}

TEST(Objects, OpeningAsksForTheName) {
  TestApp t;
  Calibrated(t);
  t.app.s.ManualSelection = 0;
  OpenObject(t, "");  // Cancel
  EXPECT_FALSE(t.win.EndVisible(EndButton::Objektend));
  EXPECT_TRUE(t.win.MenuEnabled(Menu::Objekt));
  EXPECT_EQ(t.app.s.AutoselectMode, 2);
  EXPECT_EQ(t.app.s.SelectModeText, "Autoselect mode Weighted");

  t.app.s.PointCount = 3;
  OpenObject(t, "AR 1234");
  EXPECT_EQ(t.win.inputPrompts.back(), "Object name|Enter object name|");
  EXPECT_EQ(t.win.title, "Object name: AR 1234");
  EXPECT_TRUE(t.win.EndVisible(EndButton::Objektend));
  EXPECT_FALSE(t.win.MenuEnabled(Menu::Objekt));
  EXPECT_EQ(t.app.s.PointCount, 0);
}

TEST(Objects, TwoObjectsInARowRecordOnlyTheirOwnPoints) {
  TestApp t;
  Calibrated(t);
  OpenObject(t, "g1");
  Left(t, 100, 100);
  Left(t, 110, 95);
  Objektend_Click(t.app);
  EXPECT_EQ(t.app.s.PointCount, 0);
  EXPECT_EQ(t.app.s.StoredPointCount, 2);
  EXPECT_FALSE(t.win.EndVisible(EndButton::Objektend));
  EXPECT_TRUE(t.win.MenuEnabled(Menu::Objekt));

  OpenObject(t, "g2");
  Left(t, 90, 120);
  Left(t, 80, 130);
  // The right button removes the second object's last point and dots only
  // that object's remaining point.
  Right(t);
  EXPECT_EQ(t.app.s.PointCount, 1);
  EXPECT_EQ(t.app.s.StoredPointCount, 3);
  EXPECT_EQ(t.pic.Point(90, 120), kDot);
  EXPECT_EQ(t.pic.Point(80, 130), kBlank);
  EXPECT_EQ(t.pic.Point(110, 95), kBlank);
  Left(t, 85, 105);
  EXPECT_EQ(t.app.s.StoredPointCount, 4);
  EXPECT_EQ(t.app.s.PointX[4], 85);
  EXPECT_EQ(t.app.s.PointY[4], 105);
  Objektend_Click(t.app);

  // The disc centre reads B = B0, CMD = 0, L = L0.
  EXPECT_EQ(Record(t, "g1", 100, 100), "\"g1\",0,0,100\r\n");
  EXPECT_EQ(ReadAll(t.folder.File("temp.dat")), Record(t, "g1", 100, 100) + Record(t, "g1", 110, 95) +
                                                    Record(t, "g2", 90, 120) + Record(t, "g2", 85, 105));
  EXPECT_EQ(ReadAll(t.folder.File("a.tmp")),
            LogLine(t, 100, 100) + LogLine(t, 110, 95) + LogLine(t, 90, 120) + LogLine(t, 85, 105));
  EXPECT_NE(Record(t, "g2", 90, 120), Record(t, "g2", 85, 105));
}

TEST(Objects, AnEmptyObjectWritesNothing) {
  TestApp t;
  Calibrated(t);
  OpenObject(t, "g1");
  Objektend_Click(t.app);
  EXPECT_EQ(ReadAll(t.folder.File("temp.dat")), "");
  EXPECT_EQ(ReadAll(t.folder.File("a.tmp")), "");
  EXPECT_FALSE(t.win.EndVisible(EndButton::Objektend));
  EXPECT_TRUE(t.win.MenuEnabled(Menu::Objekt));
}

TEST(Objects, AFailedRecordWriteIsReportedAndTheLogStillWritten) {
  TestApp t;
  Calibrated(t);
  OpenObject(t, "g1");
  Left(t, 100, 100);
  t.app.file2.Close();
  Objektend_Click(t.app);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("temp.dat"), std::string::npos) << t.win.messages[0];
  EXPECT_EQ(ReadAll(t.folder.File("a.tmp")), "0, 0\r\n");
  EXPECT_FALSE(t.win.EndVisible(EndButton::Objektend));
}

TEST(Selectmode, TogglesCaptionAndText) {
  TestApp t;
  t.app.s.AutoselectMode = 1;
  Selectmode_Click(t.app);
  EXPECT_EQ(t.app.s.ManualSelection, kTrue);
  EXPECT_EQ(t.win.captions[Menu::Selectmode], "Autoselect mode");
  EXPECT_EQ(t.app.s.SelectModeText, "Manual selection");
  Selectmode_Click(t.app);
  EXPECT_EQ(t.app.s.ManualSelection, 0);
  EXPECT_EQ(t.win.captions[Menu::Selectmode], "Manual selection mode");
  EXPECT_EQ(t.app.s.SelectModeText, "Autoselect mode Darkest");
}

}  // namespace
}  // namespace pelorin
