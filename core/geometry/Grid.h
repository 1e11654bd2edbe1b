// The heliographic grid: parallels and meridians every 10 degrees.
#pragma once

#include <array>
#include <cstdint>

#include "geometry/Transform.h"

namespace pelorin {

inline constexpr int kGridPoints = 6136;  // heliographic grid points
inline constexpr int kGridArray = 6200;   // upper bound of the grid arrays' indices

// Grid point coordinates, picture pixels, indices 1..kGridPoints used.
using GridArray = std::array<std::int16_t, kGridArray + 1>;

// Computes the 6136 grid points of calibration `c` into gx/gy (indices 1..6136):
// 17 parallels x 181 longitudes (B = -80, -70 .. 80; L = L0 - 90 + j), then
// 161 latitudes x 19 meridians (B = -80, -79 .. 80; L = L0 - 90 + 10 j),
// through HeliographicToPicture with -c.orientation, each position rounded
// half to even to whole pixels. Throws std::overflow_error when a coordinate
// falls outside the 16-bit range; the arrays are then left exactly as they
// were (the points are built in a copy and stored only when all fit).
void ComputeGrid(const DiscCalibration& c, GridArray& gx, GridArray& gy);

}  // namespace pelorin
