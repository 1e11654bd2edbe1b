#include "geometry/Transform.h"

#include <cmath>
#include <limits>

#include "base/Text.h"
#include "base/Angles.h"

namespace pelorin {

namespace {

// CoordSystem as a row number 0..9, or -1 for any other value (which leaves
// every coordinate unchanged).
int SystemRow(float coordSystem) {
  for (int row = 0; row <= 9; ++row)
    if (coordSystem == static_cast<float>(row)) return row;
  return -1;
}

double Sign(double v) { return v > 0 ? 1.0 : (v < 0 ? -1.0 : 0.0); }

// Polar angle in degrees of the offset (dx, w): counter-clockwise from the
// direction of growing x, 90 * sign(w) when dx is 0, else in [0, 360).
double PolarAngle(double dx, double w) {
  if (dx == 0) return 90 * Sign(w);
  double fi = std::atan(w / dx) * kDeg;
  if (dx < 0) fi = fi + 180;
  if (dx > 0 && w < 0) fi = fi + 360;
  // An offset a hair below the x axis would otherwise give exactly 360.
  return fi == 360 ? 0.0 : fi;
}

}  // namespace

void PixelToSystem(float system, double x0, double y0, double& X, double& Y, double& R, double& fi) {
  const double dx = X - x0;
  const double dy = Y - y0;
  switch (SystemRow(system)) {
    case 0: X = dx; Y = -dy; break;
    case 1: X = -dy; Y = -dx; break;
    case 2: X = -dx; Y = dy; break;
    case 3: X = dy; Y = dx; break;
    case 4: X = -dy; Y = dx; break;
    case 5: X = -dx; Y = -dy; break;
    case 6: X = dy; Y = -dx; break;
    case 7: X = dx; Y = dy; break;
    case 8:
      R = std::sqrt(dx * dx + dy * dy);
      fi = PolarAngle(dx, -dy);
      break;
    case 9:
      R = std::sqrt(dx * dx + dy * dy);
      fi = PolarAngle(dx, dy);
      break;
    default: break;
  }
}

void SystemToPixel(float system, double x0, double y0, bool calibrated, double& a, double& b) {
  const double A = a;
  const double B = b;
  switch (SystemRow(system)) {
    case 0: a = x0 + A; b = y0 - B; break;
    case 1: a = x0 - B; b = y0 - A; break;
    case 2: a = x0 - A; b = y0 + B; break;
    case 3: a = x0 + B; b = y0 + A; break;
    case 4: a = x0 + B; b = y0 - A; break;
    case 5: a = x0 - A; b = y0 - B; break;
    case 6: a = x0 - B; b = y0 + A; break;
    case 7: a = x0 + A; b = y0 + B; break;
    case 8:
      if (calibrated) break;
      a = x0 + A * std::cos(B * kRad);
      b = y0 - A * std::sin(B * kRad);
      break;
    case 9:
      a = x0 + A * std::cos(B * kRad);
      b = y0 + A * std::sin(B * kRad);
      break;
    default: break;
  }
}

void PixelToHeliographicUnrounded(const DiscCalibration& c, double X, double Y, double orientation_deg, double& B,
                                  double& CMD, double& L, double* centreAngle_deg) {
  const double k = kSolarRadiusAU;
  const double rk = c.rk;
  const double dx = c.northUp ? c.x0 - X : X - c.x0;
  const double dy = Y - c.y0;
  const double r = std::sqrt(dx * dx + dy * dy);

  // Position angle of the offset (dx, -dy), then counted from the top of the
  // disc after the orientation correction.
  double chi = 0;
  if (dx == 0) {
    chi = 90 * Sign(-dy);
  } else {
    chi = std::atan(-dy / dx) * kDeg;
    if (dx < 0) chi = chi + 180;
    if (dx > 0 && dy > 0) chi = chi + 360;
  }
  const double theta = Reduce360((90 - chi) + orientation_deg);

  // Without a disc (no limb fit yet) or without a distance (no date yet)
  // every point counts as outside the limb.
  const bool calibrated = std::isfinite(rk) && rk > 0 && std::isfinite(c.rho0) && c.rho0 > 0;
  double b = 0;
  double cmd = 0;
  if (centreAngle_deg) *centreAngle_deg = std::numeric_limits<double>::quiet_NaN();
  if (calibrated && !(r > rk)) {
    const double rho = ((r / rk) * k) / c.rho0;  // angular distance from the centre, rad
    const double sigma = ArcSin(c.rho0 * std::sin(rho) / k) - rho;  // heliocentric angle, rad
    if (centreAngle_deg) *centreAngle_deg = sigma * kDeg;
    const double pt = (c.P - theta) * kRad;
    b = ArcSin(std::sin(sigma) * std::cos(c.B0 * kRad) * std::cos(pt) + std::cos(sigma) * std::sin(c.B0 * kRad));
    const double cosB = std::cos(b);
    cmd = cosB == 0 ? 0.0 : ArcSin(std::sin(pt) * std::sin(sigma) / cosB);
    b = b * kDeg;
    cmd = cmd * kDeg;
  }

  b = Reduce360(b);
  if (b > 180) b = b - 360;
  cmd = Reduce360(cmd);
  double l = Reduce360(c.L0 + cmd);
  if (cmd > 180) cmd = cmd - 360;

  B = b;
  CMD = cmd;
  L = l;
}

void PixelToHeliographic(const DiscCalibration& c, double X, double Y, double orientation_deg, double& B,
                         double& CMD, double& L) {
  double b = 0, cmd = 0, l = 0;
  PixelToHeliographicUnrounded(c, X, Y, orientation_deg, b, cmd, l, nullptr);
  B = RoundHalfEven(b, 5);
  CMD = RoundHalfEven(cmd, 5);
  L = RoundHalfEven(l, 5);
  if (L == 360) L = 0;
}

void HeliographicToPixel(const DiscCalibration& cal, double L_deg, double B_deg, double orientation_deg, double& X,
                         double& Y) {
  const double k = kSolarRadiusAU;
  const double b0 = cal.B0 * kRad;
  const double b = B_deg * kRad;
  const double dl = (cal.L0 - L_deg) * kRad;

  // Cosine of the heliocentric angle, and the angle itself.
  const double c = (std::sin(b) * std::tan(b0) + std::cos(dl) * std::cos(b)) /
                   (std::sin(b0) * std::tan(b0) + std::cos(b0));
  const double sigma = kPi / 2 - ArcSin(c);

  // Position angle on the disc; 0 at the centre itself.
  double psi = 0;
  if (std::sin(sigma) != 0) {
    psi = -ArcSin(std::sin(dl) * std::cos(b) / std::sin(sigma));
    if (B_deg < cal.B0 * std::cos(dl)) psi = kPi - psi;
  }

  // Distance from the disc centre in pixels: the sphere seen in perspective
  // from rho0, the apparent radius k/rho0 scaled to rk.
  const double d = ((std::atan(std::sin(sigma) * k / (cal.rho0 - std::cos(sigma) * k)) * cal.rk) / k) * cal.rho0;

  const double u = d * std::sin(psi);
  const double v = d * std::cos(psi);
  const double phi = (orientation_deg + cal.P) * kRad;
  X = cal.x0 - (u * std::cos(phi) - v * std::sin(phi));
  Y = cal.y0 - (u * std::sin(phi) + v * std::cos(phi));

  // A nonsensical ephemeris (rho0 equal to the solar radius, a non-finite
  // input) must not hand out NaN pixels: the zero point stands in.
  if (!std::isfinite(X) || !std::isfinite(Y)) {
    X = cal.x0;
    Y = cal.y0;
  }
}

void HeliographicToPicture(const DiscCalibration& c, double L_deg, double B_deg, double orientation_deg, double& X,
                           double& Y) {
  HeliographicToPixel(c, L_deg, B_deg, orientation_deg, X, Y);
  // On a north-up picture the x offset counts from the right: the projection
  // lands mirrored in the vertical through the zero point.
  if (c.northUp) X = 2 * c.x0 - X;
}

}  // namespace pelorin
