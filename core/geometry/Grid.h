// The heliographic grid: parallels and meridians every 10 degrees.
#pragma once

#include "app/App.h"

namespace pelorin {

// Computes the 6136 grid points into GridPointX/GridPointY (indices 1..6136):
// 17 parallels x 181 longitudes (B = -80, -70 .. 80; L = L0 - 90 + j), then
// 161 latitudes x 19 meridians (B = -80, -79 .. 80; L = L0 - 90 + 10 j),
// through HeliographicToPixel with -OrientationAngle, each position rounded
// half to even to whole pixels. Throws std::overflow_error when a coordinate
// falls outside the 16-bit range; the arrays are then left exactly as they
// were (the points are built in a copy and stored only when all fit).
void ComputeGrid(ProgramState& s);

// View -> "Heliographic coordinates": toggles GridOn, computes the points when
// switching on, and redraws. A coordinate outside the 16-bit range leaves
// the grid off and says so in a message box.
void mreza_Click(App& app);

}  // namespace pelorin
