// The store of clicked points: limb, direction and object points share it.
#pragma once

#include <array>

namespace pelorin {

inline constexpr int kMaxPoints = 1000;  // points a store holds, indices 1..1000

// Point coordinates, index 0 unused.
using PointArray = std::array<double, kMaxPoints + 1>;

}  // namespace pelorin
