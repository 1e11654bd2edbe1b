// The picture's orientation fitted to points along the daily parallel.
#pragma once

#include "base/PointStore.h"

namespace pelorin {

// Least-squares line y = k x + q (y on x) through px/py(1..n)
// (system 0, y up; n above 1000 counts as 1000). Angle of the line from +x
// towards +y in degrees, (-90, 90), or 90 when the x values are (nearly) all
// equal. The rotation-axis input fits its points with the same line.
//
// `angleError_deg`, when given, receives the 1-sigma error of the angle in
// degrees from the points' residuals: their scatter across the line (divisor
// n - 2) over their spread along it, the same for the vertical branch and
// for every angle the inputs turn this one into. 0 for fewer than three
// points (no residual left) or points all in one place.
void FitDailyParallel(const PointArray& px, const PointArray& py, int n, double& angle_deg,
                      double* angleError_deg = nullptr);

}  // namespace pelorin
