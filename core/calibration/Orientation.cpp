#include "calibration/Orientation.h"

#include <algorithm>
#include <cmath>

#include "base/Angles.h"

namespace pelorin {

namespace {

// The error of the direction `angle_deg` of the line through the points'
// mean: sqrt(sum d^2 / (n - 2)) / sqrt(sum t^2), d across the line and t
// along it, radians turned into degrees.
double AngleError_deg(const PointArray& px, const PointArray& py, int count, double angle_deg) {
  if (count < 3) return 0;
  double mx = 0, my = 0;
  for (int i = 1; i <= count; ++i) {
    mx += px[static_cast<std::size_t>(i)];
    my += py[static_cast<std::size_t>(i)];
  }
  mx /= count;
  my /= count;
  const double c = std::cos(angle_deg * kRad), s = std::sin(angle_deg * kRad);
  double across = 0, along = 0;
  for (int i = 1; i <= count; ++i) {
    const double dx = px[static_cast<std::size_t>(i)] - mx, dy = py[static_cast<std::size_t>(i)] - my;
    const double d = -dx * s + dy * c, t = dx * c + dy * s;
    across += d * d;
    along += t * t;
  }
  if (!(along > 0)) return 0;
  return std::sqrt(across / (count - 2) / along) / kRad;
}

}  // namespace

void FitDailyParallel(const PointArray& px, const PointArray& py, int n, double& angle_deg, double* angleError_deg) {
  const int count = std::min<int>(n, kMaxPoints);
  double Sx = 0, Sy = 0, Sxx = 0, Sxy = 0;
  for (int i = 1; i <= count; ++i) {
    const double x = px[static_cast<std::size_t>(i)], y = py[static_cast<std::size_t>(i)];
    Sx += x;
    Sy += y;
    Sxx += x * x;
    Sxy += x * y;
  }
  const double D = Sx * Sx - count * Sxx;
  if (D > -1e-9 && D < 1e-9) {
    angle_deg = 90;
    if (angleError_deg) *angleError_deg = AngleError_deg(px, py, count, angle_deg);
    return;
  }
  const double k = (Sx * Sy - count * Sxy) / D;
  // 180 / kPi is 57.29577951308238, a hair below kDeg's 57.2957795130824:
  // the orientation's angle has always come back into degrees with it.
  angle_deg = std::atan(k) * (180 / kPi);
  if (angleError_deg) *angleError_deg = AngleError_deg(px, py, count, angle_deg);
}

}  // namespace pelorin
