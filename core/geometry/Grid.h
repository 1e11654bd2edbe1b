// The heliographic grid: parallels and meridians every 10 degrees.
#pragma once

#include "app/App.h"

namespace pelorin {

// Computes the 6136 grid points into GridPointX/GridPointY (indices 1..6136):
// 17 parallels x 181 longitudes, then 161 latitudes x 19 meridians, each
// position rounded half to even. Throws std::overflow_error (and leaves the
// arrays' old contents beyond the failing point) when a coordinate falls
// outside the 16-bit range.
void ComputeGrid(ProgramState& s);

// View -> "Heliographic coordinates": toggles GridOn, computes the points when
// switching on, and redraws. A coordinate outside the 16-bit range leaves
// the grid off and says so in a message box.
void mreza_Click(App& app);

}  // namespace pelorin
