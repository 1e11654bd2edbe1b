// The picture's orientation fitted to points along the daily parallel.
#pragma once

#include "base/PointStore.h"

namespace pelorin {

// Least-squares line y = k x + q (y on x) through px/py(1..n)
// (system 0, y up; n above 1000 counts as 1000). Angle of the line from +x
// towards +y in degrees, (-90, 90), or 90 when the x values are (nearly) all
// equal.
void FitDailyParallel(const PointArray& px, const PointArray& py, int n, double& angle_deg);

}  // namespace pelorin
