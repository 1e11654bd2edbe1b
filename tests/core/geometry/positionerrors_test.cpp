#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "base/Angles.h"
#include "base/Numbers.h"
#include "geometry/PositionErrors.h"

namespace pelorin {
namespace {

DiscCalibration Centred(double rk) {
  DiscCalibration c;
  c.x0 = 1000;
  c.y0 = 1000;
  c.rk = rk;
  c.rho0 = 1;
  return c;
}

// The rules of thumb an observer knows, from the geometry of the sphere
// (B0 = 0, P = 0, north up): a radius error of 1 % moves a point 60 degrees
// from the centre by tan 60 * 0.01 rad = 0.99 degrees; an orientation error
// of 1 degree moves an equatorial point at CMD 60 by sin 60 = 0.87 degrees
// in B; an hour of UT moves L by L0's rate, 0.55 degrees.
TEST(PositionErrors, TheRulesOfThumb) {
  const DiscCalibration c = Centred(1000);
  double X = 0, Y = 0;
  HeliographicToPicture(c, c.L0 + 60, 0, 0, X, Y);  // CMD 60 on the equator
  struct Case {
    const char* what;
    CalibrationErrors e;
    double want_B, want_CMD, want_L, tolerance;
  };
  CalibrationErrors radius;
  radius.disc = IndependentDiscCovariance(0, 0, 10);
  CalibrationErrors orientation;
  orientation.orientation_deg = 1;
  CalibrationErrors hour;
  hour.time_h = 1;
  EphemerisRates(2003, 5, 18, 8, hour.dP_dh, hour.dB0_dh, hour.dL0_dh);
  hour.dP_dh = hour.dB0_dh = 0;  // L0's motion alone
  for (const Case& k : {Case{"radius 1 %", radius, 0, 0.99, 0.99, 0.02},
                        Case{"orientation 1 deg", orientation, 0.866, 0, 0, 0.01},
                        Case{"one hour", hour, 0, 0, 0.549, 0.003}}) {
    const PositionErrors p = PropagatePositionErrors(c, X, Y, 0, k.e, 0, 0);
    EXPECT_NEAR(p.B_deg, k.want_B, k.tolerance) << k.what;
    EXPECT_NEAR(p.CMD_deg, k.want_CMD, k.tolerance) << k.what;
    EXPECT_NEAR(p.L_deg, k.want_L, k.tolerance) << k.what;
    EXPECT_TRUE(p.firstOrder) << k.what;
  }
}

// The stated errors against the scatter of 4000 positions through the
// transform itself, the inputs drawn with the stated errors: within 10 % in
// B, CMD and L, for random calibrations, points up to 70 degrees from the
// centre and random errors.
TEST(PositionErrors, FirstOrderAgreesWithSamplingUpTo70Degrees) {
  std::mt19937 rng(20261208);
  auto uni = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  std::normal_distribution<double> gauss(0, 1);
  int checked = 0;
  for (int trial = 0; trial < 60; ++trial) {
    DiscCalibration c;
    c.rk = uni(300, 2000);
    c.x0 = uni(0.9, 1.1) * c.rk;
    c.y0 = uni(0.9, 1.1) * c.rk;
    c.P = uni(-26, 26);
    c.B0 = uni(-7.25, 7.25);
    c.L0 = uni(0, 360);
    c.rho0 = uni(0.983, 1.017);
    c.northUp = trial % 3 == 0;
    const double orient = uni(-180, 180);
    CalibrationErrors e;
    e.disc = IndependentDiscCovariance(uni(0.05, 2), uni(0.05, 2), uni(0.05, 2));
    e.orientation_deg = uni(0.01, 0.5);
    e.time_h = uni(0.005, 0.5);
    EphemerisRates(uni(1950, 2030), 1 + trial % 12, 1 + trial % 28, uni(0, 24), e.dP_dh, e.dB0_dh, e.dL0_dh);
    const double sx = uni(0.1, 2), sy = uni(0.1, 2);
    const double u = uni(0, 68) * kRad, angle = uni(0, 360) * kRad;
    const double X = c.x0 + c.rk * std::sin(u) * std::cos(angle), Y = c.y0 + c.rk * std::sin(u) * std::sin(angle);
    const PositionErrors stated = PropagatePositionErrors(c, X, Y, orient, e, sx, sy);
    if (!stated.firstOrder) continue;
    double B0 = 0, CMD0 = 0, L0 = 0;
    PixelToHeliographicUnrounded(c, X, Y, orient, B0, CMD0, L0);
    double sum[3] = {0, 0, 0}, sum2[3] = {0, 0, 0};
    constexpr int kDraws = 4000;
    for (int d = 0; d < kDraws; ++d) {
      DiscCalibration p = c;
      p.x0 += std::sqrt(e.disc[0][0]) * gauss(rng);
      p.y0 += std::sqrt(e.disc[1][1]) * gauss(rng);
      p.rk += std::sqrt(e.disc[2][2]) * gauss(rng);
      const double dt = e.time_h * gauss(rng);
      p.P += e.dP_dh * dt;
      p.B0 += e.dB0_dh * dt;
      p.L0 += e.dL0_dh * dt;
      const double o = orient + e.orientation_deg * gauss(rng);
      double b = 0, cmd = 0, l = 0;
      PixelToHeliographicUnrounded(p, X + sx * gauss(rng), Y + sy * gauss(rng), o, b, cmd, l);
      const double dv[3] = {b - B0, Wrap180(cmd - CMD0), Wrap180(l - L0)};
      for (int k = 0; k < 3; ++k) {
        sum[k] += dv[k];
        sum2[k] += dv[k] * dv[k];
      }
    }
    const double want[3] = {stated.B_deg, stated.CMD_deg, stated.L_deg};
    const char* names[3] = {"B", "CMD", "L"};
    for (int k = 0; k < 3; ++k) {
      const double mean = sum[k] / kDraws;
      const double scatter = std::sqrt(sum2[k] / kDraws - mean * mean);
      EXPECT_NEAR(want[k] / scatter, 1, 0.10)
          << names[k] << " trial " << trial << ": stated " << want[k] << ", sampled " << scatter
          << ", centre angle " << stated.centreAngle_deg;
    }
    ++checked;
  }
  EXPECT_GE(checked, 50);
}

TEST(PositionErrors, OffTheDiscAndBeyondFirstOrderAreFlagged) {
  const DiscCalibration c = Centred(500);
  CalibrationErrors e;
  e.disc = IndependentDiscCovariance(1, 1, 1);
  struct Case {
    double r_px;
    bool firstOrder, finite;
  };
  for (const Case& k : {Case{0, true, true}, Case{400, true, true}, Case{480, false, true}, Case{501, false, false}}) {
    const PositionErrors p = PropagatePositionErrors(c, c.x0 + k.r_px, c.y0, 0, e, 0.5, 0.5);
    EXPECT_EQ(p.firstOrder, k.firstOrder) << k.r_px;
    EXPECT_EQ(std::isfinite(p.B_deg), k.finite) << k.r_px;
  }
}

}  // namespace
}  // namespace pelorin
