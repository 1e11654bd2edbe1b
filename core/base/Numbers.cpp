#include "base/Numbers.h"

#include <cmath>

#include "base/Angles.h"

namespace pelorin {

double Median(std::vector<double>& v) {
  const std::size_t n = v.size();
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n / 2), v.end());
  const double hi = v[n / 2];
  if (n % 2) return hi;
  const double lo = *std::max_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n / 2));
  return (lo + hi) / 2;
}

double Wrap180(double deg) {
  double r = std::fmod(deg, 360.0);
  if (r <= -180)
    r += 360;
  else if (r > 180)
    r -= 360;
  return r;
}

double Wrap360(double deg) {
  double r = std::fmod(deg, 360.0);
  if (r < 0) r += 360.0;
  return r >= 360.0 ? 0.0 : r;
}

void CircularSum::Add(double deg) {
  sinSum += std::sin(deg * kRad);
  cosSum += std::cos(deg * kRad);
}

double CircularSum::Mean180() const { return Wrap180(std::atan2(sinSum, cosSum) * kDeg); }

double CircularSum::Mean360() const { return Wrap360(std::atan2(sinSum, cosSum) * kDeg); }

}  // namespace pelorin
