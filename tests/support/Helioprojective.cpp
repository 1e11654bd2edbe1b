#include "Helioprojective.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pelorin::test {

bool ReferenceHeliographic(const WcsPicture& w, double X, double Y, HeliographicPoint& out) {
  constexpr double pi = std::numbers::pi;
  constexpr double deg = pi / 180;
  // Picture pixel to header pixel, then intermediate world coordinates (deg).
  const double p1 = X + 1, p2 = w.height - Y;
  const double x = (w.m11 * (p1 - w.crpix1) + w.m12 * (p2 - w.crpix2)) / 3600;
  const double y = (w.m21 * (p1 - w.crpix1) + w.m22 * (p2 - w.crpix2)) / 3600;
  // Gnomonic projection: native spherical coordinates (phi, theta).
  const double Rt = std::hypot(x, y);
  const double phi = Rt == 0 ? 0 : std::atan2(x, -y);
  const double theta = std::atan2(180 / pi, Rt);
  // Native to celestial (helioprojective) with the reference point
  // (alpha0, delta0) = CRVAL, delta_p = delta0 and phi_p = 180 deg.
  const double a0 = w.crval1 / 3600 * deg, d0 = w.crval2 / 3600 * deg;
  const double dphi = phi - pi;
  const double tx = a0 + std::atan2(-std::cos(theta) * std::sin(dphi),
                                    std::sin(theta) * std::cos(d0) - std::cos(theta) * std::sin(d0) * std::cos(dphi));
  const double ty = std::asin(std::sin(theta) * std::sin(d0) + std::cos(theta) * std::cos(d0) * std::cos(dphi));
  // Helioprojective to heliocentric-Cartesian: the distance d from the
  // observer to the nearer intersection with the solar sphere.
  const double D = w.D_m, R = w.R_m;
  const double q = D * std::cos(ty) * std::cos(tx);
  const double disc = q * q - D * D + R * R;
  if (disc < 0) return false;
  const double d = q - std::sqrt(disc);
  const double hx = d * std::cos(ty) * std::sin(tx);
  const double hy = d * std::sin(ty);
  const double hz = D - d * std::cos(ty) * std::cos(tx);
  // Heliocentric-Cartesian to Stonyhurst heliographic.
  const double b0 = w.B0_deg * deg;
  const double r = std::sqrt(hx * hx + hy * hy + hz * hz);
  out.B = std::asin((hy * std::cos(b0) + hz * std::sin(b0)) / r) / deg;
  out.lon = std::atan2(hx, hz * std::cos(b0) - hy * std::sin(b0)) / deg;
  out.L = std::fmod(out.lon + w.L0_deg + 720, 360);
  // Angle from the sub-observer point (0, B0).
  const double b = out.B * deg, l = out.lon * deg;
  out.sigma = std::acos(std::clamp(std::cos(b) * std::cos(b0) * std::cos(l) + std::sin(b) * std::sin(b0), -1.0, 1.0)) / deg;
  return true;
}

}  // namespace pelorin::test
