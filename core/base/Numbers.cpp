#include "base/Numbers.h"

#include <cmath>

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

}  // namespace pelorin
