#include "geometry/Grid.h"

#include <array>
#include <cstdint>
#include <stdexcept>

#include "base/Text.h"
#include "geometry/Transform.h"

namespace pelorin {

void ComputeGrid(const DiscCalibration& c, GridArray& outX, GridArray& outY) {
  // Build into copies so that a failure leaves the stored grid as it was.
  GridArray gx = outX;
  GridArray gy = outY;
  const double o = -c.orientation;
  std::size_t n = 0;
  auto put = [&](double L, double B) {
    double X = 0;
    double Y = 0;
    // Where the point lies on this picture, as the read-out finds it (on a
    // north-up picture turned by its orientation too).
    HeliographicToPicture(c, L, B, o, X, Y);
    ++n;
    gx[n] = ToInt16(X);
    gy[n] = ToInt16(Y);
  };
  // Parallels every 10 degrees, traced at 1-degree steps of longitude.
  for (int i = 0; i <= 16; ++i)
    for (int j = 0; j <= 180; ++j) put(c.L0 - 90 + j, -80 + 10 * i);
  // Meridians every 10 degrees, traced at 1-degree steps of latitude.
  for (int i = 0; i <= 160; ++i)
    for (int j = 0; j <= 18; ++j) put(c.L0 - 90 + 10 * j, -80 + i);
  outX = gx;
  outY = gy;
}

}  // namespace pelorin
