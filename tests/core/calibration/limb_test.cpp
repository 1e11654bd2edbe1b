// The limb input, the circle fit and its linear solver.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "TestApp.h"
#include "base/Text.h"
#include "app/LimbInput.h"

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;

struct Pt {
  double x, y;
};

void SetPoints(ProgramState& s, const std::vector<Pt>& pts) {
  s.PointCount = static_cast<std::int16_t>(pts.size());
  for (std::size_t i = 0; i < pts.size(); ++i) {
    s.PointX[i + 1] = pts[i].x;
    s.PointY[i + 1] = pts[i].y;
  }
}

// Limb input open on a 1000 x 1000 white picture, zero point (500, 500),
// temp.dat open.
void LimbInput(TestApp& t, const std::vector<Pt>& pts) {
  t.pic.Fill(1000, 1000, RGB(255, 255, 255));
  t.app.s.ZeroPointX = 500;
  t.app.s.ZeroPointY = 500;
  t.app.file2.Open("temp.dat");
  Limb_Click(t.app);
  SetPoints(t.app.s, pts);
}

TEST(SolveLinearSystem, ResultCodesAndPivoting) {
  struct Case {
    const char* name;
    int m;
    Matrix3 N;
    Vector3 b;
    int code;
    Vector3 p;  // expected solution where code is 0
  };
  const std::vector<Case> cases = {
      {"empty system", 0, {}, {}, 1, {}},
      {"larger than the arrays", 4, {}, {}, 2, {}},
      {"one unknown", 1, {{{0, 0, 0, 0}, {0, 4, 0, 0}}}, {0, 2, 0, 0}, 0, {0, 0.5, 0, 0}},
      // A zero in the first pivot place needs the row exchange.
      // 0a + 1b + 1c = 4, 2a + 1b + 0c = 4, 1a + 0b + 3c = 7 -> a = 1, b = 2, c = 2.
      {"row exchange", 3, {{{}, {0, 0, 1, 1}, {0, 2, 1, 0}, {0, 1, 0, 3}}}, {0, 4, 4, 7}, 0, {0, 1, 2, 2}},
      {"singular (two equal rows)", 3, {{{}, {0, 1, 2, 3}, {0, 1, 2, 3}, {0, 0, 1, 1}}}, {0, 1, 1, 1}, 3, {}},
      {"singular in the last pivot", 2, {{{}, {0, 1, 2, 0}, {0, 2, 4, 0}}}, {0, 1, 2, 0}, 3, {}},
  };
  for (Case c : cases) {
    Vector3 p{};
    EXPECT_EQ(SolveLinearSystem(c.m, c.N, c.b, p), c.code) << c.name;
    if (c.code != 0) continue;
    for (int i = 1; i <= c.m; ++i) EXPECT_NEAR(p[static_cast<std::size_t>(i)], c.p[static_cast<std::size_t>(i)], 1e-12) << c.name;
  }
}

TEST(FitLimbCircle, ThreePointsOnACircleGiveItExactly) {
  // Radius 400 about (10, 20), the example of the limb input.
  ProgramState s;
  SetPoints(s, {{410, 20}, {10, 420}, {-390, 20}});
  for (double S : {1.0, 410.48751503547584, 1e5}) {
    double xm = 0, ym = 0, rk = S, exm = 1, eym = 1, erk = 1;
    ASSERT_EQ(FitLimbCircle(s, 3, xm, ym, rk, exm, eym, erk), 0) << S;
    EXPECT_NEAR(xm, 10, 1e-9) << S;
    EXPECT_NEAR(ym, 20, 1e-9) << S;
    EXPECT_NEAR(rk, 400, 1e-9) << S;
    // Residuals vanish: the errors are rounding noise (divisor n - 2 = 1).
    EXPECT_NEAR(exm, 0, 1e-5) << S;
    EXPECT_NEAR(eym, 0, 1e-5) << S;
    EXPECT_NEAR(erk, 0, 1e-5) << S;
  }
}

TEST(FitLimbCircle, ErrorsUseTheDivisorNMinus2AndDoNotDependOnS) {
  // Points (a, 0), (0, 2a), (-a, 0), (0, -2a) with a = 100. Worked by hand in
  // units of a: N = diag(4, 2, 8), b = (10, 0, 0), so p = (2.5, 0, 0); the
  // residual sum is 2 + 32 - 25 = 9, s0 = 3 / sqrt(4 - 2); Q = (1/4, 1/2,
  // 1/8). Hence xm = ym = 0, rk = a sqrt(2.5), exm = a s0 sqrt(1/2) / 2 =
  // 0.75 a, eym = a s0 sqrt(1/8) / 2 = 0.375 a, erk = a (s0 / 2) / (2 sqrt(2.5)).
  ProgramState s;
  SetPoints(s, {{100, 0}, {0, 200}, {-100, 0}, {0, -200}});
  const double s0 = 3 / std::sqrt(2.0);
  for (double S : {100.0, 1.0, 1e4}) {
    double xm = 1, ym = 1, rk = S, exm = 0, eym = 0, erk = 0;
    ASSERT_EQ(FitLimbCircle(s, 4, xm, ym, rk, exm, eym, erk), 0) << S;
    EXPECT_NEAR(xm, 0, 1e-9) << S;
    EXPECT_NEAR(ym, 0, 1e-9) << S;
    EXPECT_NEAR(rk, 100 * std::sqrt(2.5), 1e-9) << S;
    EXPECT_NEAR(exm, 75, 1e-9) << S;
    EXPECT_NEAR(eym, 37.5, 1e-9) << S;
    EXPECT_NEAR(erk, 100 * (s0 / 2) / (2 * std::sqrt(2.5)), 1e-9) << S;
  }
}

TEST(FitLimbCircle, RefusesWhatItCannotFit) {
  struct Case {
    const char* name;
    std::vector<Pt> pts;
    double S;
    int code;
  };
  const std::vector<Case> cases = {
      {"points on one row", {{0, 10}, {10, 10}, {20, 10}}, 10, 3},
      {"coincident points", {{5, 5}, {5, 5}, {5, 5}}, 7, 3},
      {"scale 0", {{410, 20}, {10, 420}, {-390, 20}}, 0, 4},
  };
  for (const Case& c : cases) {
    ProgramState s;
    SetPoints(s, c.pts);
    double xm = -1, ym = -1, rk = c.S, exm = -1, eym = -1, erk = -1;
    EXPECT_EQ(FitLimbCircle(s, s.PointCount, xm, ym, rk, exm, eym, erk), c.code) << c.name;
    EXPECT_EQ(xm, -1) << c.name;  // nothing written
    EXPECT_EQ(rk, c.S) << c.name;
  }
}

TEST(Limb, EndMovesTheZeroPointToTheCentre) {
  TestApp t;
  LimbInput(t, {{410, 20}, {10, 420}, {-390, 20}});
  t.win.SetMenuEnabled(Menu::koor, true);
  limbend_Click(t.app);
  const ProgramState& s = t.app.s;
  EXPECT_NEAR(s.ZeroPointX, 510, 1e-9);  // grown by xm = 10
  EXPECT_NEAR(s.ZeroPointY, 480, 1e-9);  // shrunk by ym = 20
  EXPECT_NEAR(s.LimbRadius, 400, 1e-9);
  EXPECT_EQ(s.CalibrationState, 1.0f);
  EXPECT_EQ(s.PointCount, 0);
  EXPECT_FALSE(t.win.EndVisible(EndButton::limbend));
  EXPECT_TRUE(t.win.MenuEnabled(Menu::orient));
  EXPECT_FALSE(t.win.MenuEnabled(Menu::koor));
  EXPECT_FALSE(t.win.MenuEnabled(Menu::Objekt));
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.win.messages[0].rfind("xm=", 0), 0u);
  EXPECT_EQ(ReadAll(t.folder.File("temp.dat")),
            NumberText(s.ZeroPointX) + "," + NumberText(s.ZeroPointY) + "," + NumberText(s.LimbRadius) + "\r\n");
}

TEST(Limb, EndMessageAndDiscLine) {
  // A circle of radius 256 about the zero point: every step of the fit is
  // exact in binary, so the texts are too.
  TestApp t;
  LimbInput(t, {{256, 0}, {0, 256}, {-256, 0}});
  limbend_Click(t.app);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.win.messages[0], "xm=0 ym=0 rk=256 exm=0 eym=0 erk=0");
  EXPECT_EQ(ReadAll(t.folder.File("temp.dat")), "500,500,256\r\n");
}

TEST(Limb, FirstPointOnTheZeroPointTakesTheScaleFromAnother) {
  TestApp t;
  // Radius 50 about (50, 0): the first point is the zero point itself.
  LimbInput(t, {{0, 0}, {50, 50}, {100, 0}, {50, -50}});
  limbend_Click(t.app);
  EXPECT_NEAR(t.app.s.ZeroPointX, 550, 1e-9);
  EXPECT_NEAR(t.app.s.ZeroPointY, 500, 1e-9);
  EXPECT_NEAR(t.app.s.LimbRadius, 50, 1e-9);
  EXPECT_EQ(t.app.s.CalibrationState, 1.0f);
}

TEST(Limb, AFailedFitChangesNothing) {
  struct Case {
    const char* name;
    std::vector<Pt> pts;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"two points", {{10, 0}, {0, 10}}, "You must enter at least 3 points"},
      {"points on one picture row", {{0, 10}, {10, 10}, {20, 10}}, "error"},
      {"all points on the zero point", {{0, 0}, {0, 0}, {0, 0}}, "error"},
  };
  for (const Case& c : cases) {
    TestApp t;
    LimbInput(t, c.pts);
    t.app.s.LimbRadius = 321;
    t.app.s.CalibrationState = 1;
    limbend_Click(t.app);
    ASSERT_EQ(t.win.messages.size(), 1u) << c.name;
    EXPECT_EQ(t.win.messages[0], c.message) << c.name;
    EXPECT_EQ(t.app.s.ZeroPointX, 500) << c.name;
    EXPECT_EQ(t.app.s.ZeroPointY, 500) << c.name;
    EXPECT_EQ(t.app.s.LimbRadius, 321) << c.name;
    EXPECT_EQ(t.app.s.CalibrationState, 1.0f) << c.name;
    EXPECT_EQ(t.app.s.PointCount, static_cast<std::int16_t>(c.pts.size())) << c.name;
    EXPECT_TRUE(t.win.EndVisible(EndButton::limbend)) << c.name;
    EXPECT_EQ(ReadAll(t.folder.File("temp.dat")), "") << c.name;
  }
}

TEST(Limb, NorthUpPictureFinishesTheOrientation) {
  TestApp t;
  LimbInput(t, {{256, 0}, {0, 256}, {-256, 0}});
  t.app.s.NorthUpImage = 1;
  t.app.s.rho0 = 1;
  t.app.s.OrientationAngle = 33;
  limbend_Click(t.app);
  EXPECT_EQ(t.app.s.CalibrationState, 3.0f);
  EXPECT_EQ(t.app.s.OrientationAngle, 0);
  EXPECT_EQ(ReadAll(t.folder.File("temp.dat")), "500,500,256\r\n0\r\n");
  for (Menu m : {Menu::Objekt, Menu::Compare, Menu::mreza, Menu::objectview})
    EXPECT_TRUE(t.win.MenuEnabled(m)) << MenuName(m);
  for (Menu m : {Menu::orient, Menu::koor, Menu::Ishodiste}) EXPECT_FALSE(t.win.MenuEnabled(m)) << MenuName(m);
  EXPECT_EQ(t.app.s.GridOn, 1);
}

TEST(Limb, AFailedDiscLineIsReportedAndTheFitStands) {
  TestApp t;
  LimbInput(t, {{256, 0}, {0, 256}, {-256, 0}});
  t.app.file2.Close();
  limbend_Click(t.app);
  ASSERT_EQ(t.win.messages.size(), 2u);
  EXPECT_NE(t.win.messages[1].find("temp.dat"), std::string::npos) << t.win.messages[1];
  EXPECT_EQ(t.app.s.CalibrationState, 1.0f);
  EXPECT_EQ(t.app.s.LimbRadius, 256);
  EXPECT_TRUE(t.win.MenuEnabled(Menu::orient));
}

}  // namespace
}  // namespace pelorin
