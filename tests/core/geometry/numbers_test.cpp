#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "base/Numbers.h"

namespace pelorin {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// Expected values: whole turns taken away by hand. Both wraps are exact, so
// every case is compared with EXPECT_EQ, also for angles of many turns.
TEST(Wrap, BringsAnglesIntoOneTurnExactly) {
  struct Case {
    double x, want180, want360;
  } cases[] = {
      {0, 0, 0},
      {180, 180, 180},
      {-180, 180, 180},
      {540, 180, 180},
      {-540, 180, 180},
      {360, 0, 0},
      {-90, -90, 270},
      {270, -90, 270},
      {725, 5, 5},  // Reduce360 gives 5 only to within its rounding
      {179.5, 179.5, 179.5},
      {-179.5, -179.5, 180.5},
      {1080.25, 0.25, 0.25},
      // Many turns (1388888888888 of them): nothing of the last is lost, as
      // a header's CROTA2 of some 5e14 degrees needs.
      {499999999999713.3125, 33.3125, 33.3125},
      {-499999999999713.3125, -33.3125, 326.6875},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Wrap180(c.x), c.want180) << "Wrap180(" << c.x << ")";
    EXPECT_EQ(Wrap360(c.x), c.want360) << "Wrap360(" << c.x << ")";
  }
}

TEST(Wrap, EdgesOfTheRanges) {
  // A tiny negative angle is a rounding short of a whole turn: 0, not 360.
  for (double x : {-1e-14, -1e-300, -std::numeric_limits<double>::denorm_min()}) {
    EXPECT_EQ(Wrap360(x), 0.0) << x;
    EXPECT_EQ(Wrap180(x), x) << x;
  }
  EXPECT_TRUE(std::signbit(Wrap180(-0.0)));
  EXPECT_TRUE(std::signbit(Wrap360(-0.0)));
  for (double x : {kNaN, kInf, -kInf}) {
    EXPECT_TRUE(std::isnan(Wrap180(x))) << x;
    EXPECT_TRUE(std::isnan(Wrap360(x))) << x;
  }
}

// Expected values: the mean direction worked out by hand (symmetric sets
// give their axis); 1e-12 degrees along the circle for the sums' rounding
// (a mean on 0 may come out a rounding short of 360).
TEST(CircularSum, MeansAcrossTheWrap) {
  struct Case {
    const char* what;
    std::vector<double> angles;
    double want180, want360;
  } cases[] = {
      {"none", {}, 0, 0},
      {"one", {123.25}, 123.25, 123.25},
      {"across 0", {359, 1}, 0, 0},
      {"across 0, written both ways", {-1, 361}, 0, 0},
      {"across 180", {170, -170}, 180, 180},
      {"across 180 off the axis", {175, -165}, -175, 185},
      {"a spread", {350, 10, 20, 0}, 5, 5},
      {"west", {-30, -40, -50}, -40, 320},
  };
  for (const auto& c : cases) {
    CircularSum s;
    for (double a : c.angles) s.Add(a);
    EXPECT_NEAR(Wrap180(s.Mean180() - c.want180), 0, 1e-12) << c.what << ": " << s.Mean180();
    EXPECT_NEAR(Wrap180(s.Mean360() - c.want360), 0, 1e-12) << c.what << ": " << s.Mean360();
    EXPECT_GT(s.Mean180(), -180) << c.what;
    EXPECT_LE(s.Mean180(), 180) << c.what;
    EXPECT_GE(s.Mean360(), 0) << c.what;
    EXPECT_LT(s.Mean360(), 360) << c.what;
  }
}

}  // namespace
}  // namespace pelorin
