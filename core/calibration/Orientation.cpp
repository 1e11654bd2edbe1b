#include "calibration/Orientation.h"

#include <algorithm>
#include <cmath>

#include "base/Angles.h"

namespace pelorin {

void FitDailyParallel(const PointArray& px, const PointArray& py, int n, double& angle_deg) {
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
    return;
  }
  const double k = (Sx * Sy - count * Sxy) / D;
  // 180 / kPi is 57.29577951308238, a hair below kDeg's 57.2957795130824:
  // the orientation's angle has always come back into degrees with it.
  angle_deg = std::atan(k) * (180 / kPi);
}

}  // namespace pelorin
