#include <gtest/gtest.h>

#include "TestApp.h"
#include "app/Navigation.h"
#include "app/Readout.h"

namespace pelorin {
namespace {

using test::TestApp;

TEST(Readout, ThreeForms) {
  // Rectangular form at start-up: system 0 about (0, 0), y up.
  {
    TestApp t;
    t.pic.Fill(200, 200, RGB(30, 60, 90));
    Picture1_MouseMove(t.app, 0, 0, 100, 50);
    EXPECT_EQ(t.win.status, "n=0 , X=100 , Y=-50 grayscale=60 Autoselect mode Nearest");
  }
  // Polar form before calibration: only n, R and fi.
  {
    TestApp t;
    t.pic.Fill(1000, 1000, RGB(255, 255, 255));
    t.app.s.CoordSystem = 8;
    t.app.s.ZeroPointX = 500;
    t.app.s.ZeroPointY = 500;
    Picture1_MouseMove(t.app, 0, 0, 510, 480);
    // fi with the program's degree factor 57.2957795130824 (regression only).
    EXPECT_EQ(t.win.status, "n=0 , R=22.3606797749979 , fi=63.4349488229221");
  }
  // Heliographic form once calibrated, whatever the system chosen before.
  {
    TestApp t;
    t.pic.Fill(1000, 1000, RGB(255, 255, 255));
    ProgramState& s = t.app.s;
    s.CoordSystem = 3;
    test::CalibrateExample(s);
    s.OrientationAngle = 20;
    Picture1_MouseMove(t.app, 0, 0, 600, 450);
    // B = 9.36605, CMD = -15.68225, L = 84.31775 for this point; each with
    // its error, here that of the click alone (the calibration's are 0).
    EXPECT_EQ(t.win.status,
              "n=0  B=09.37\xC2\xB1" "0.07  CMD=-015.68\xC2\xB1" "0.08  L=084.32\xC2\xB1" "0.08 grayscale=255 "
              "Autoselect mode Nearest");
    EXPECT_EQ(s.CoordSystem, 8);
    // Beyond 70 degrees from the centre the error is first order's, a lower
    // bound: a "+" says so.
    Picture1_MouseMove(t.app, 0, 0, 500 + 395, 500);
    EXPECT_NE(t.win.status.find("\xC2\xB1"), std::string::npos);
    EXPECT_NE(t.win.status.find("+  CMD="), std::string::npos) << t.win.status;
  }
}

TEST(Readout, OutsideThePictureIsWhite) {
  TestApp t;
  t.pic.Fill(10, 10, RGB(0, 0, 0));
  Picture1_MouseMove(t.app, 0, 0, 50, 50);
  EXPECT_NE(t.win.status.find("grayscale=255"), std::string::npos);
}

TEST(Readout, ShiftDragLeavesTheStatusLine) {
  TestApp t;
  t.pic.Fill(10, 10, RGB(0, 0, 0));
  t.win.status = "before";
  Picture1_MouseMove(t.app, 1, 1, 5, 5);
  EXPECT_EQ(t.win.status, "before");
}

TEST(Navigation, DragClampsAndKeepsHorizontalAtZeroWhenTheWindowIsWider) {
  struct Case {
    int pictureWidth, frameWidth;
    double fromX, fromY, toX, toY;
    int wantH, wantV;
  } cases[] = {
      {32000, 7000, 100, 100, 60, 70, 40, 30},     // picture follows the pointer
      {32000, 7000, 100, 100, 300, 300, 0, 0},     // clamped at the minimum
      {5000, 7000, 100, 100, 60, 70, 0, 30},       // window wider than the picture box
      {32000, 7000, 0, 0, -30000, -30000, 900, 900},  // clamped at the maximum
  };
  for (const auto& c : cases) {
    TestApp t;
    t.win.hMax = 900;
    t.win.vMax = 900;
    t.app.geo.pictureWidth = c.pictureWidth;
    t.app.geo.frameWidth = c.frameWidth;
    StartQuickMove(t.app, c.fromX, c.fromY);
    Picture1_MouseMove(t.app, 1, 1, c.toX, c.toY);
    EXPECT_EQ(t.win.hValue, c.wantH);
    EXPECT_EQ(t.win.vValue, c.wantV);
    Picture1_MouseUp(t.app, 1, 1, c.toX, c.toY);
    EXPECT_EQ(t.app.s.QuickMoveActive, 0);
  }
}

}  // namespace
}  // namespace pelorin
