#include "geometry/PositionErrors.h"

#include <cmath>
#include <limits>

#include "base/Numbers.h"
#include "geometry/Ephemeris.h"

namespace pelorin {

namespace {

// The quantities a position depends on, in the order of the Jacobian's
// columns.
enum Param { kX0, kY0, kRk, kOrient, kP, kB0, kL0, kX, kY, kParams };

// Steps of the central differences: small against any error that matters,
// large against the rounding of the transform's arithmetic.
constexpr double kStep_px = 1e-3;
constexpr double kStep_deg = 1e-4;

struct Inputs {
  DiscCalibration c;
  double X = 0, Y = 0, orientation = 0;
};

double& Slot(Inputs& in, int p) {
  switch (p) {
    case kX0: return in.c.x0;
    case kY0: return in.c.y0;
    case kRk: return in.c.rk;
    case kOrient: return in.orientation;
    case kP: return in.c.P;
    case kB0: return in.c.B0;
    case kL0: return in.c.L0;
    case kX: return in.X;
    default: return in.Y;
  }
}

std::array<double, 3> Position(const Inputs& in) {
  std::array<double, 3> out{};
  PixelToHeliographicUnrounded(in.c, in.X, in.Y, in.orientation, out[0], out[1], out[2]);
  return out;
}

// d(B, CMD, L)/d(param), the angles' differences taken across their wraps.
std::array<std::array<double, kParams>, 3> Jacobian(const Inputs& at) {
  std::array<std::array<double, kParams>, 3> J{};
  for (int p = 0; p < kParams; ++p) {
    const double h = (p == kOrient || p == kP || p == kB0 || p == kL0) ? kStep_deg : kStep_px;
    Inputs plus = at, minus = at;
    Slot(plus, p) += h;
    Slot(minus, p) -= h;
    const std::array<double, 3> a = Position(plus), b = Position(minus);
    for (int k = 0; k < 3; ++k) J[k][p] = Wrap180(a[k] - b[k]) / (2 * h);
  }
  return J;
}

// The parameters' covariance: the disc's block, the orientation, the
// time's rank-one block over P, B0, L0, and the point's.
std::array<std::array<double, kParams>, kParams> ParamCovariance(const CalibrationErrors& e, double sx, double sy) {
  std::array<std::array<double, kParams>, kParams> S{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) S[i][j] = e.disc[i][j];
  S[kOrient][kOrient] = e.orientation_deg * e.orientation_deg;
  const std::array<double, 3> rate = {e.dP_dh, e.dB0_dh, e.dL0_dh};
  const double vt = e.time_h * e.time_h;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) S[kP + i][kP + j] = rate[i] * rate[j] * vt;
  S[kX][kX] = sx * sx;
  S[kY][kY] = sy * sy;
  return S;
}

}  // namespace

std::array<std::array<double, 3>, 3> IndependentDiscCovariance(double sx0_px, double sy0_px, double srk_px) {
  std::array<std::array<double, 3>, 3> d{};
  d[0][0] = sx0_px * sx0_px;
  d[1][1] = sy0_px * sy0_px;
  d[2][2] = srk_px * srk_px;
  return d;
}

void EphemerisRates(double year, double month, double day, double hours, double& dP_dh, double& dB0_dh,
                    double& dL0_dh) {
  double P[2], B0[2], L0[2], rho0 = 0;
  for (int k = 0; k < 2; ++k) {
    double h = hours + (k == 0 ? -1.0 : 1.0);
    SolarEphemeris(year, month, day, h, P[k], B0[k], L0[k], rho0);
  }
  dP_dh = Wrap180(P[1] - P[0]) / 2;
  dB0_dh = (B0[1] - B0[0]) / 2;
  dL0_dh = Wrap180(L0[1] - L0[0]) / 2;
}

PositionErrors PropagatePositionErrors(const DiscCalibration& c, double X, double Y, double orientation_deg,
                                       const CalibrationErrors& e, double sx_px, double sy_px) {
  PositionErrors out;
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographicUnrounded(c, X, Y, orientation_deg, B, CMD, L, &out.centreAngle_deg);
  if (!std::isfinite(out.centreAngle_deg)) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    out.B_deg = out.CMD_deg = out.L_deg = nan;
    out.firstOrder = false;
    return out;
  }
  out.firstOrder = out.centreAngle_deg <= kFirstOrderLimit_deg;
  const auto J = Jacobian(Inputs{c, X, Y, orientation_deg});
  const auto S = ParamCovariance(e, sx_px, sy_px);
  std::array<double, 3> variance{};
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < kParams; ++i)
      for (int j = 0; j < kParams; ++j) variance[k] += J[k][i] * S[i][j] * J[k][j];
  out.B_deg = std::sqrt(std::max(0.0, variance[0]));
  out.CMD_deg = std::sqrt(std::max(0.0, variance[1]));
  out.L_deg = std::sqrt(std::max(0.0, variance[2]));
  return out;
}

}  // namespace pelorin
