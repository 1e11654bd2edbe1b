#include <gtest/gtest.h>

#include "geometry/Ephemeris.h"

namespace pelorin {
namespace {

struct Ephem {
  double hours, P, B0, L0, rho0;
};

Ephem Ephemeris(double y, double m, double d, double h) {
  Ephem e{h, 0, 0, 0, 0};
  SolarEphemeris(y, m, d, e.hours, e.P, e.B0, e.L0, e.rho0);
  return e;
}

TEST(SolarEphemeris, PublishedExamples) {
  // Expected values: the ephemeris examples of the geometry notes (1992 Oct 13
  // is the textbook worked example; 2000 Jan 1 exercises the January rule;
  // 2024 Mar 20 the P > 30 wrap). The outputs are rounded to 4 and 6
  // decimals, so half a unit of the last place is the tolerance.
  struct Case {
    double y, m, d, h;
    Ephem want;
  } cases[] = {
      {1992, 10, 13, 0, {0, 26.2738, 5.9879, 238.6267, 0.997599}},
      {2000, 1, 1, 12, {12, 2.1356, -3.0125, 1.4362, 0.983319}},
      {2003, 10, 28, 11, {11, 25.1065, 4.7688, 295.1946, 0.993636}},
      {2024, 3, 20, 12, {12, -25.2347, -7.025, 260.3861, 0.995965}},
  };
  for (const auto& c : cases) {
    const Ephem e = Ephemeris(c.y, c.m, c.d, c.h);
    SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d << " " << c.h << "h");
    EXPECT_NEAR(e.P, c.want.P, 5e-5);
    EXPECT_NEAR(e.B0, c.want.B0, 5e-5);
    EXPECT_NEAR(e.L0, c.want.L0, 5e-5);
    EXPECT_NEAR(e.rho0, c.want.rho0, 5e-7);
    EXPECT_EQ(e.hours, c.want.hours);
  }
}

TEST(SolarEphemeris, HoursComeBackRoundedToThousandths) {
  // Expected values: the geometry notes (10.123456 h -> 10.123 h; a tie at
  // 0.0025 h goes to the even digit on the decimal form).
  struct Case {
    double in, want;
  } cases[] = {{10.123456, 10.123}, {0.0025, 0.002}, {0.0035, 0.004}, {23.9996, 24.0}};
  for (const auto& c : cases) EXPECT_EQ(Ephemeris(2003, 10, 28, c.in).hours, c.want) << c.in;
}

TEST(SolarEphemeris, JanuaryAndFebruaryJoinTheNeighbouringMonths) {
  // The month + 12 rule of the day count must not leave a jump at the turn
  // of the year or at the start of March: the last day at 24 h equals the
  // next day at 0 h. Also the 2024 February 29 values, regression only.
  struct Case {
    double y1, m1, d1, y2, m2, d2;
  } cases[] = {{2023, 12, 31, 2024, 1, 1}, {2024, 1, 31, 2024, 2, 1}, {2024, 2, 29, 2024, 3, 1}};
  for (const auto& c : cases) {
    const Ephem a = Ephemeris(c.y1, c.m1, c.d1, 24);
    const Ephem b = Ephemeris(c.y2, c.m2, c.d2, 0);
    SCOPED_TRACE(testing::Message() << c.y2 << "-" << c.m2 << "-" << c.d2);
    EXPECT_EQ(a.P, b.P);
    EXPECT_EQ(a.B0, b.B0);
    EXPECT_EQ(a.L0, b.L0);
    EXPECT_EQ(a.rho0, b.rho0);
  }
  const Ephem feb = Ephemeris(2024, 2, 29, 0);  // regression only
  EXPECT_NEAR(feb.P, -21.3633, 5e-5);
  EXPECT_NEAR(feb.B0, -7.2073, 5e-5);
  EXPECT_NEAR(feb.L0, 170.5241, 5e-5);
  EXPECT_NEAR(feb.rho0, 0.990582, 5e-7);
}

TEST(SolarEphemeris, RangesHoldThroughTheYear) {
  // P in (-330, 30] (within +-26.4 for real dates), B0 within 7.25, L0 in
  // [0, 360), rho0 between perihelion and aphelion: every sixth day of 2024.
  for (int day = 1; day <= 366; day += 6) {
    const Ephem e = Ephemeris(2024, 1, day, 7.5);
    SCOPED_TRACE(testing::Message() << "2024 day " << day);
    EXPECT_NEAR(e.P, 0, 26.4);
    EXPECT_NEAR(e.B0, 0, 7.25);
    EXPECT_NEAR(e.L0, 180, 180);
    EXPECT_LT(e.L0, 360);
    EXPECT_NEAR(e.rho0, 1.0, 0.0172);
  }
}

}  // namespace
}  // namespace pelorin
