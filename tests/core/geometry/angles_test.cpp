#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "base/Angles.h"

namespace pelorin {
namespace {

TEST(ArcSin, ClampsAtAndBeyondOne) {
  // Expected values: the helpers' own examples (30 degrees = 0.523598775598299).
  struct Case {
    double x, want;
  } cases[] = {
      {1.0, kPi / 2},
      {-1.0, -kPi / 2},
      {1.0000000001, kPi / 2},
      {1.0000000000000002, kPi / 2},  // a sine pushed over 1 by rounding
      {-1.5, -kPi / 2},
      {0.5, 0.523598775598299},
      {-0.5, -0.523598775598299},
      {0.0, 0.0},
  };
  for (const auto& c : cases) EXPECT_NEAR(ArcSin(c.x), c.want, 1e-14) << "ArcSin(" << c.x << ")";
}

TEST(Reduce360, WrapsIntoOneTurn) {
  // Expected values: the helpers' examples; 725 gives 5 only to within the
  // rounding of the divide-and-multiply form, hence 1e-12.
  struct Case {
    double x, want;
  } cases[] = {
      {360, 0}, {-90, 270}, {725, 5}, {0, 0}, {359.5, 359.5}, {-10, 350}, {-720, 0}, {1080.25, 0.25},
  };
  for (const auto& c : cases) EXPECT_NEAR(Reduce360(c.x), c.want, 1e-12) << "Reduce360(" << c.x << ")";
}

TEST(Reduce360, TinyNegativeAngleGivesZeroNotFullTurn) {
  // -1e-14 / 360 minus floor is exactly 1 in doubles; the promise is [0, 360).
  for (double x : {-1e-14, -1e-15, -std::numeric_limits<double>::denorm_min()}) {
    const double r = Reduce360(x);
    EXPECT_GE(r, 0.0) << x;
    EXPECT_LT(r, 360.0) << x;
  }
  EXPECT_EQ(Reduce360(-1e-15), 0.0);
}

TEST(JulianDay, AlmanacDates) {
  // Expected values: the helpers' examples (2000 January 1.5, 1900 January
  // 0.5) and the standard Julian-day table (1999 January 1.0, 1987 January
  // 27.0, 1987 June 19.5, 1988 January 27.0, 1600 December 31.0).
  struct Case {
    double y, m, d, h, want;
  } cases[] = {
      {2000, 1, 1, 12, 2451545.0}, {1900, 1, 0, 12, 2415020.0}, {1999, 1, 1, 0, 2451179.5},
      {1987, 1, 27, 0, 2446822.5}, {1987, 6, 19, 12, 2446966.0}, {1988, 1, 27, 0, 2447187.5},
      {1600, 12, 31, 0, 2305812.5}, {1957, 10, 4.81, 0, 2436116.31}, {2024, 2, 29, 6, 2460369.75},
  };
  for (const auto& c : cases) {
    double jd = 0;
    JulianDay(c.y, c.m, c.d, c.h, jd);
    EXPECT_NEAR(jd, c.want, 1e-6) << c.y << "-" << c.m << "-" << c.d << " " << c.h << "h";
  }
}

TEST(JulianDay, MonthBoundariesAroundTheMarchRuleAreContinuous) {
  // January and February count as months 13 and 14 of the year before; the
  // day count must not jump where the rule starts or stops.
  struct Case {
    double y1, m1, d1, y2, m2, d2;  // the last day + 24 h equals the next day 0 h
  } cases[] = {
      {2023, 12, 31, 2024, 1, 1}, {2024, 1, 31, 2024, 2, 1}, {2024, 2, 29, 2024, 3, 1},
      {2023, 2, 28, 2023, 3, 1}, {1900, 2, 28, 1900, 3, 1},  {2000, 2, 29, 2000, 3, 1},
  };
  for (const auto& c : cases) {
    double a = 0, b = 0;
    JulianDay(c.y1, c.m1, c.d1, 24, a);
    JulianDay(c.y2, c.m2, c.d2, 0, b);
    EXPECT_NEAR(a, b, 1e-9) << c.y2 << "-" << c.m2 << "-" << c.d2;
  }
}

TEST(Sexagesimal, ToDecimal) {
  // Expected values: the helpers' examples.
  struct Case {
    double a, b, c, want;
  } cases[] = {{10, 30, 36, 10.51}, {-1, 30, 0, -1.5}, {0, 30, 0, 0.5}, {-12, 0, 36, -12.01}};
  for (const auto& c : cases) {
    double v = 0;
    SexagesimalToDecimal(c.a, c.b, c.c, v);
    EXPECT_NEAR(v, c.want, 1e-12) << c.a << " " << c.b << " " << c.c;
  }
}

TEST(Sexagesimal, FromDecimalRoundsAndCarries) {
  // Expected values: the helpers' examples; 1.9999999 goes through both
  // carries, 0.9999 h = 59 min 59.64 s rounds up into a whole hour.
  struct Case {
    double v, a, b, c;
  } cases[] = {
      {10.51, 10, 30, 36}, {1.9999999, 2, 0, 0}, {-1.5, -1, 30, 0}, {0, 0, 0, 0},
      {0.9999, 1, 0, 0},   {12.0125, 12, 0, 45}, {23.99, 23, 59, 24},
  };
  for (const auto& c : cases) {
    double a = 0, b = 0, s = 0;
    DecimalToSexagesimal(c.v, a, b, s);
    EXPECT_EQ(a, c.a) << c.v;
    EXPECT_EQ(b, c.b) << c.v;
    EXPECT_EQ(s, c.c) << c.v;
  }
}

}  // namespace
}  // namespace pelorin
