#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>

#include "TestApp.h"
#include "base/Ports.h"
#include "base/Text.h"
#include "app/Geometry.h"
#include "app/Geometry.h"

namespace pelorin {
namespace {

// Grid index of parallel i (B = -80 + 10 i), longitude step j, and of
// latitude step i (B = -80 + i), meridian j.
int ParallelIndex(int i, int j) { return i * 181 + j + 1; }
int MeridianIndex(int i, int j) { return 3077 + i * 19 + j + 1; }

void Calibrate(ProgramState& s, double P, double B0, double L0, double orientation) {
  s.ZeroPointX = 400;
  s.ZeroPointY = 300;
  s.LimbRadius = 250;
  s.P = P;
  s.B0 = B0;
  s.L0 = L0;
  s.rho0 = 0.99;
  s.OrientationAngle = orientation;
  s.CalibrationState = 3;
}

std::int16_t At(const std::array<std::int16_t, kGridArray + 1>& a, int i) { return a[static_cast<std::size_t>(i)]; }

TEST(Grid, PointsComeInOrderParallelsThenMeridians) {
  // Each stored point is HeliographicToPixel of its (L, B) with the negated
  // orientation, rounded to whole pixels; index 0 and those above 6136 stay
  // untouched.
  test::TestApp t;
  ProgramState& s = t.app.s;
  Calibrate(s, 12.5, 4.0, 200.0, 7.0);
  s.GridPointX[0] = 1234;
  s.GridPointX[kGridPoints + 1] = 4321;
  ComputeGrid(s);
  struct Case {
    int index;
    double L, B;
  } cases[] = {
      {ParallelIndex(0, 0), 110, -80},     {ParallelIndex(0, 180), 290, -80},
      {ParallelIndex(1, 0), 110, -70},     {ParallelIndex(16, 180), 290, 80},
      {ParallelIndex(8, 90), 200, 0},      {MeridianIndex(0, 0), 110, -80},
      {MeridianIndex(0, 18), 290, -80},    {MeridianIndex(1, 0), 110, -79},
      {MeridianIndex(160, 18), 290, 80},   {MeridianIndex(80, 9), 200, 0},
  };
  for (const auto& c : cases) {
    double X = 0, Y = 0;
    HeliographicToPixel(s, c.L, c.B, -7.0, X, Y);
    EXPECT_EQ(At(s.GridPointX, c.index), ToInt16(X)) << "index " << c.index;
    EXPECT_EQ(At(s.GridPointY, c.index), ToInt16(Y)) << "index " << c.index;
  }
  EXPECT_EQ(MeridianIndex(160, 18), kGridPoints);
  EXPECT_EQ(s.GridPointX[0], 1234);
  EXPECT_EQ(s.GridPointX[kGridPoints + 1], 4321);
}

TEST(Grid, EquatorAndCentralMeridianOfAnUntiltedSun) {
  // B0 = 0, P = 0, orientation 0: the equator is the horizontal line through
  // the zero point, the central meridian the vertical one (geometry notes).
  test::TestApp t;
  ProgramState& s = t.app.s;
  Calibrate(s, 0, 0, 45, 0);
  ComputeGrid(s);
  for (int j = 0; j <= 180; ++j) EXPECT_EQ(At(s.GridPointY, ParallelIndex(8, j)), 300) << "equator step " << j;
  for (int i = 0; i <= 160; ++i) EXPECT_EQ(At(s.GridPointX, MeridianIndex(i, 9)), 400) << "meridian step " << i;
}

TEST(Grid, CentreOfTheDiscIsTheZeroPointWhateverTheTurn) {
  // B0 = 0: the point B = 0, L = L0 sits on the zero point for any P and
  // orientation (geometry notes); L0 near 0 and 360 uses longitudes outside
  // one turn unchanged.
  struct Case {
    double P, L0, orientation;
  } cases[] = {{25, 3, -40}, {-20, 358, 115}, {0, 180, 0}};
  for (const auto& c : cases) {
    test::TestApp t;
    ProgramState& s = t.app.s;
    Calibrate(s, c.P, 0, c.L0, c.orientation);
    ComputeGrid(s);
    EXPECT_EQ(At(s.GridPointX, ParallelIndex(8, 90)), 400) << c.P << " " << c.orientation;
    EXPECT_EQ(At(s.GridPointY, ParallelIndex(8, 90)), 300) << c.P << " " << c.orientation;
    EXPECT_EQ(At(s.GridPointX, MeridianIndex(80, 9)), 400) << c.P << " " << c.orientation;
    EXPECT_EQ(At(s.GridPointY, MeridianIndex(80, 9)), 300) << c.P << " " << c.orientation;
  }
}

// Rule: the grid lies where the read-out finds its B and L, on north-up
// pictures too, which a header turns by its rotation (CROTA2).
TEST(Grid, PointsLieWhereTheReadoutFindsThem) {
  struct Case {
    std::int16_t northUp;
    double orientation;
  } cases[] = {{0, 30}, {1, 30}, {1, -123}, {1, 0}, {0, 0}};
  for (const auto& c : cases) {
    test::TestApp t;
    ProgramState& s = t.app.s;
    Calibrate(s, 0, 4, 100, c.orientation);
    s.NorthUpImage = c.northUp;
    ComputeGrid(s);
    // Parallel B = 20 at L = L0 + 30 (index j = 120), meridian L = L0 - 40
    // (j = 5) at B = -35 (i = 45).
    for (const auto& [index, L, B] : {std::tuple{ParallelIndex(10, 120), 130.0, 20.0},
                                      std::tuple{MeridianIndex(45, 5), 60.0, -35.0}}) {
      double b = 0, cmd = 0, l = 0;
      PixelToHeliographic(s, At(s.GridPointX, index), At(s.GridPointY, index), s.OrientationAngle, b, cmd, l);
      EXPECT_NEAR(b, B, 0.5) << c.northUp << " " << c.orientation;
      EXPECT_NEAR(l, L, 0.5) << c.northUp << " " << c.orientation;
    }
  }
}

TEST(Grid, MenuTogglesAndRecomputesWhenSwitchedOnAgain) {
  test::TestApp t;
  ProgramState& s = t.app.s;
  t.pic.Fill(800, 600, 0xFFFFFF);
  Calibrate(s, 0, 0, 45, 0);
  s.GridColour = 0;

  mreza_Click(t.app);
  ASSERT_EQ(s.GridOn, 1);
  const std::int16_t firstX = At(s.GridPointX, ParallelIndex(8, 0));
  // The redraw plots the dots: the grid's centre point is black now.
  EXPECT_EQ(t.pic.Point(400, 300), static_cast<std::int32_t>(QBColor(0)));

  mreza_Click(t.app);
  EXPECT_EQ(s.GridOn, 0);
  EXPECT_EQ(t.pic.Point(400, 300), 0xFFFFFF);

  // Off, a new limb radius, on again: the grid follows.
  s.LimbRadius = 200;
  mreza_Click(t.app);
  EXPECT_EQ(s.GridOn, 1);
  EXPECT_NE(At(s.GridPointX, ParallelIndex(8, 0)), firstX);
  EXPECT_TRUE(t.win.messages.empty());
}

TEST(Grid, CoordinateBeyondSixteenBitsLeavesTheGridOff) {
  // A limb radius of a million pixels puts grid points beyond 32767: the grid
  // stays off, the user is told, and the stored points are not half replaced.
  test::TestApp t;
  ProgramState& s = t.app.s;
  t.pic.Fill(800, 600, 0xFFFFFF);
  Calibrate(s, 0, 0, 45, 0);
  s.GridPointX.fill(7);
  s.GridPointY.fill(9);
  s.LimbRadius = 1e6;
  mreza_Click(t.app);
  EXPECT_EQ(s.GridOn, 0);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("grid"), std::string::npos) << t.win.messages[0];
  for (int i = 0; i <= kGridArray; ++i) {
    ASSERT_EQ(At(s.GridPointX, i), 7) << i;
    ASSERT_EQ(At(s.GridPointY, i), 9) << i;
  }
  EXPECT_THROW(ComputeGrid(s), std::overflow_error);
}

}  // namespace
}  // namespace pelorin
