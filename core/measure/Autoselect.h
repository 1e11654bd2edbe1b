// Moving a click to a nearby feature of the picture.
#pragma once

#include "app/App.h"

namespace pelorin {

// Each takes a point (x, y) in coordinate system 0 (pixels about the zero
// point, y up), searches the picture around it, draws a magenta 3x3 marker at
// the result and returns the moved point in the same system.
void AutoselectNearest(App& app, double& x, double& y);   // first sample darker than 128 on rings 1..50
void AutoselectDarkest(App& app, double& x, double& y);   // darkest pixel of the 21 x 21 square
void AutoselectWeighted(App& app, double& x, double& y);  // darkness-weighted centre of the 31 x 31 square

// The routine of AutoselectMode (0, 1, 2).
void Autoselect(App& app, double& x, double& y);

}  // namespace pelorin
