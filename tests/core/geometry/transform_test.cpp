#include <gtest/gtest.h>

#include <cmath>

#include "TestApp.h"
#include "app/Geometry.h"

namespace pelorin {
namespace {

// The calibrated picture of the geometry notes' examples.
ProgramState Example() {
  ProgramState s;
  test::CalibrateExample(s);
  return s;
}

TEST(PixelToHeliographic, ExamplePoints) {
  // Expected values: the transform examples of the geometry notes, given to
  // 5 decimals, which the results are rounded to.
  struct Case {
    const char* what;
    double x, y;
    bool northUp;
    double B, CMD, L;
  } cases[] = {
      {"inside, not north-up", 600, 450, false, 9.36605, -15.68225, 84.31775},
      {"inside, north-up", 600, 450, true, 14.40915, 13.3407, 113.3407},
      {"disc centre", 500, 500, false, 5, 0, 100},
      {"outside the limb", 950, 500, false, 0, 0, 100},
      {"outside, north-up", 100, 0, true, 0, 0, 100},
  };
  for (const auto& c : cases) {
    ProgramState s = Example();
    s.NorthUpImage = c.northUp ? 1 : 0;
    double B = -1, CMD = -1, L = -1;
    PixelToHeliographic(s, c.x, c.y, 20, B, CMD, L);
    SCOPED_TRACE(c.what);
    EXPECT_NEAR(B, c.B, 1e-9);
    EXPECT_NEAR(CMD, c.CMD, 1e-9);
    EXPECT_NEAR(L, c.L, 1e-9);
  }
}

TEST(PixelToHeliographic, SohoPictureCountsAsNorthUp) {
  // ImageType 1 mirrors the x offset like NorthUpImage 1 (the notes' north-up
  // example).
  ProgramState s = Example();
  s.ImageType = 1;
  EXPECT_TRUE(IsNorthUp(s));
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographic(s, 600, 450, 20, B, CMD, L);
  EXPECT_NEAR(CMD, 13.3407, 1e-9);
}

TEST(PixelToHeliographic, LongitudeStaysBelowAFullTurn) {
  // L0 + CMD a hair under 360 rounds to 360 at 5 decimals: it must read 0.
  ProgramState s = Example();
  s.P = 0;
  s.B0 = 0;
  s.L0 = 359.999999;
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographic(s, 500, 500, 0, B, CMD, L);
  EXPECT_EQ(L, 0.0);
  EXPECT_EQ(CMD, 0.0);
}

TEST(PixelToHeliographic, UncalibratedStateGivesTheOutsideAnswer) {
  // Before the limb fit (radius 0) or the date (rho0 0) the arithmetic would
  // divide by zero; every point, the zero point included, then reads as
  // outside the limb: B = 0, CMD = 0, L = L0.
  struct Case {
    const char* what;
    double rk, rho0, x, y;
  } cases[] = {
      {"no limb, zero point", 0, 0.99, 500, 500},
      {"no limb, elsewhere", 0, 0.99, 600, 450},
      {"no date, zero point", 400, 0, 500, 500},
      {"no date, inside", 400, 0, 600, 450},
      {"negative radius", -5, 0.99, 500, 500},
  };
  for (const auto& c : cases) {
    ProgramState s = Example();
    s.LimbRadius = c.rk;
    s.rho0 = c.rho0;
    double B = -1, CMD = -1, L = -1;
    PixelToHeliographic(s, c.x, c.y, 20, B, CMD, L);
    SCOPED_TRACE(c.what);
    EXPECT_EQ(B, 0.0);
    EXPECT_EQ(CMD, 0.0);
    EXPECT_EQ(L, 100.0);
  }
}

TEST(HeliographicToPixel, ExampleAndDiscCentre) {
  // Expected values: the geometry notes (L 84.31775, B 9.36605 at orientation
  // -20 is the point (600, 450); the inputs carry 5 decimals, 1e-5 degrees
  // is under 1e-4 pixels here, hence 1e-3). The disc centre is the zero
  // point exactly.
  ProgramState s = Example();
  double X = 0, Y = 0;
  HeliographicToPixel(s, 84.31775, 9.36605, -20, X, Y);
  EXPECT_NEAR(X, 600, 1e-3);
  EXPECT_NEAR(Y, 450, 1e-3);
  HeliographicToPixel(s, 100, 5, -20, X, Y);
  EXPECT_NEAR(X, 500, 1e-9);
  EXPECT_NEAR(Y, 500, 1e-9);
}

TEST(HeliographicToPicture, FindsThePointOnEveryKindOfPicture) {
  // Expected values: the geometry notes' example point (600, 450), whose
  // B and L are 9.36605, 84.31775 on a picture that is not north-up and
  // 14.40915, 113.3407 on a north-up one (ImageType 1 or NorthUpImage 1).
  // The inputs carry 4 to 5 decimals, under 1e-3 pixels here.
  struct Case {
    const char* name;
    std::int16_t imageType, northUp;
    double L, B;
  } cases[] = {
      {"scan, not north-up", 0, 0, 84.31775, 9.36605},
      {"scan, north-up", 0, 1, 113.3407, 14.40915},
      {"SOHO", 1, 0, 113.3407, 14.40915},
  };
  for (const Case& c : cases) {
    ProgramState s = Example();
    s.ImageType = c.imageType;
    s.NorthUpImage = c.northUp;
    double X = 0, Y = 0;
    HeliographicToPicture(s, c.L, c.B, -20, X, Y);
    EXPECT_NEAR(X, 600, 2e-3) << c.name;
    EXPECT_NEAR(Y, 450, 2e-3) << c.name;
  }
}

TEST(HeliographicToPixel, NonsensicalEphemerisGivesTheZeroPoint) {
  // rho0 equal to the solar radius puts the observer on the surface: 0/0 at
  // the centre. The result must stay finite.
  ProgramState s = Example();
  s.rho0 = kSolarRadiusAU;
  double X = 0, Y = 0;
  HeliographicToPixel(s, 100, 5, 0, X, Y);
  EXPECT_EQ(X, 500);
  EXPECT_EQ(Y, 500);
}

TEST(HeliographicToPixel, InvertsPixelToHeliographicAwayFromThePoles) {
  // Round trip over a lattice of points inside 0.97 of the radius, for
  // pictures that are not north-up. The quadrant test B < B0 cos(L0 - L) is
  // approximate in a thin band, where the trip is off by up to ~0.2 pixel;
  // elsewhere by ~1e-4 (the 5-decimal rounding). Points beyond |B| 60 are
  // left out (near the visible pole the inverse does not hold).
  const double ps[] = {10, -25, 0};
  const double b0s[] = {5, -7, 0};
  const double os[] = {20, -35, 0};
  int checked = 0;
  for (double p : ps)
    for (double b0 : b0s)
      for (double o : os) {
        ProgramState s = Example();
        s.P = p;
        s.B0 = b0;
        for (double x = 110; x <= 890; x += 26)
          for (double y = 110; y <= 890; y += 26) {
            if (std::hypot(x - 500, y - 500) > 0.97 * 400) continue;
            double B = 0, CMD = 0, L = 0, X = 0, Y = 0;
            PixelToHeliographic(s, x, y, o, B, CMD, L);
            if (std::fabs(B) > 60) continue;
            HeliographicToPixel(s, L, B, -o, X, Y);
            ++checked;
            EXPECT_NEAR(X, x, 0.3) << "P " << p << " B0 " << b0 << " o " << o << " at " << x << "," << y;
            EXPECT_NEAR(Y, y, 0.3) << "P " << p << " B0 " << b0 << " o " << o << " at " << x << "," << y;
          }
      }
  EXPECT_EQ(checked, 18016);  // the lattice itself, regression only
}

TEST(PixelToSystem, ExamplesOfTheRows) {
  // Expected values: the notes' examples (s 0 at (510, 480): 10, 20; s 8:
  // R 22.3607, fi 63.4349; s 9: fi 296.5651; s 8 at (500, 520): -90), the
  // rest worked by hand from dx = 10, dy = -20.
  struct Case {
    int sys;
    double x, y, first, second;
  } cases[] = {
      {0, 510, 480, 10, 20},   {1, 510, 480, 20, -10},  {2, 510, 480, -10, -20}, {3, 510, 480, -20, 10},
      {4, 510, 480, 20, 10},   {5, 510, 480, -10, 20},  {6, 510, 480, -20, -10}, {7, 510, 480, 10, -20},
      {8, 510, 480, 22.3607, 63.4349}, {9, 510, 480, 22.3607, 296.5651}, {8, 500, 520, 20, -90},
      {8, 500, 480, 20, 90},   {9, 500, 480, 20, -90},  {8, 490, 500, 10, 180},  {8, 500, 500, 0, 0},
      {8, 490, 510, 14.1421, 225},
  };
  for (const auto& c : cases) {
    ProgramState s = Example();
    s.CoordSystem = static_cast<float>(c.sys);
    double X = c.x, Y = c.y, R = -1, fi = -1;
    PixelToSystem(s, X, Y, R, fi);
    SCOPED_TRACE(testing::Message() << "system " << c.sys << " at " << c.x << "," << c.y);
    if (c.sys < 8) {
      EXPECT_EQ(X, c.first);
      EXPECT_EQ(Y, c.second);
    } else {
      EXPECT_NEAR(R, c.first, 5e-5);  // given to 4 decimals
      EXPECT_NEAR(fi, c.second, 5e-5);
      EXPECT_EQ(X, c.x);  // the polar rows leave the point alone
      EXPECT_EQ(Y, c.y);
    }
  }
}

TEST(PixelToSystem, AngleOfAPointAHairBelowTheAxisStaysBelow360) {
  ProgramState s = Example();
  s.CoordSystem = 8;
  double X = 1e9, Y = 500 + 1e-9, R = 0, fi = 0;
  PixelToSystem(s, X, Y, R, fi);
  EXPECT_EQ(fi, 0.0);
}

TEST(SystemToPixel, EachRowInvertsItsPixelToSystemRow) {
  // Round trip on a few points per row: exact for the rectangular rows, to
  // rounding for the polar ones.
  const double pts[][2] = {{510, 480}, {321.5, 777.25}, {500, 520}, {499, 500}, {640, 640}};
  for (int sys = 0; sys <= 9; ++sys)
    for (const auto& p : pts) {
      ProgramState s = Example();
      s.CalibrationState = 1;
      s.CoordSystem = static_cast<float>(sys);
      double X = p[0], Y = p[1], R = 0, fi = 0;
      PixelToSystem(s, X, Y, R, fi);
      double a = sys >= 8 ? R : X, b = sys >= 8 ? fi : Y;
      SystemToPixel(s, a, b);
      EXPECT_NEAR(a, p[0], 1e-9) << "system " << sys << " at " << p[0] << "," << p[1];
      EXPECT_NEAR(b, p[1], 1e-9) << "system " << sys << " at " << p[0] << "," << p[1];
    }
}

TEST(SystemToPixel, PassThroughCases) {
  // System 8 while calibrated hands back picture pixels as they are; a system
  // outside 0..9 changes nothing in either direction.
  struct Case {
    float sys, calibration;
  } cases[] = {{8, 3}, {10, 0}, {-1, 3}, {2.5f, 0}};
  for (const auto& c : cases) {
    ProgramState s = Example();
    s.CoordSystem = c.sys;
    s.CalibrationState = c.calibration;
    double a = 12.5, b = 34.25;
    SystemToPixel(s, a, b);
    EXPECT_EQ(a, 12.5) << c.sys;
    EXPECT_EQ(b, 34.25) << c.sys;
  }
  ProgramState s = Example();
  s.CoordSystem = 10;
  double X = 510, Y = 480, R = 7, fi = 8;
  PixelToSystem(s, X, Y, R, fi);
  EXPECT_EQ(X, 510);
  EXPECT_EQ(Y, 480);
  EXPECT_EQ(R, 7);
  EXPECT_EQ(fi, 8);
}

}  // namespace
}  // namespace pelorin
