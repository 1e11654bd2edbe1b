// The area a measured outline encloses, for the tests of the finder's
// outlines. Header only.
#pragma once

#include <cstddef>

#include "formats/SpotTable.h"

namespace pelorin::test {

// The signed area of a loop by the shoelace sum, picture pixels squared
// (positive when the loop turns counter-clockwise with y down on screen).
inline double Shoelace(const SpotOutline& loop) {
  double a = 0;
  for (std::size_t k = 0; k < loop.size(); ++k) {
    const auto& [ax, ay] = loop[k];
    const auto& [bx, by] = loop[(k + 1) % loop.size()];
    a += static_cast<double>(ax) * by - static_cast<double>(bx) * ay;
  }
  return a / 2;
}

}  // namespace pelorin::test
