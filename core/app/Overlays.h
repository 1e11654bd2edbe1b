// The overlays drawn over the picture at the end of every redraw.
#pragma once

#include "app/App.h"

namespace pelorin {

// Draws every overlay from the program state over the current picture (the
// last step of DoCommand): pixel grid, stored object points, heliographic
// grid, reference catalogue marks and names. Each drawing statement that
// fails is skipped.
void DrawOverlays(App& app);

// Plots the points of the current input as black dots: 1..PointCount, or
// the open object's own points on a calibrated picture. Throws when a point
// cannot be converted back to the picture.
void PlotInputPoints(App& app);

// View -> "Object": toggles ShowObjects and redraws.
void objectview_Click(App& app);

}  // namespace pelorin
