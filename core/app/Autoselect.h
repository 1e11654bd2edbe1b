// Moving a click to a nearby feature of the picture.
#pragma once

#include "app/App.h"
#include "spots/Centroid.h"

namespace pelorin {

// Each takes a point (x, y) in coordinate system 0 (pixels about the zero
// point, y up), turns it into the picture point X = x + ZeroPointX,
// Y = ZeroPointY - y, searches the picture around it, draws a magenta (QBColor
// 5) 3x3 marker at the result whether or not it moved, and returns the moved
// point in system 0. Pixels outside the picture read as white. Every sample
// is left in SampleX, SampleY (picture y with its sign turned), SampleColor
// and SampleRed/Green/Blue. Never fail.

// Rings of radius 1..50 px, 24 samples each at 15, 30, ..., 360 degrees
// (counter-clockwise on screen), at (floor(X + r cos t), ceil(Y - r sin t)):
// the first sample with a grey level below 128. None found (or only the very
// last sample of ring 50): the point stays.
void AutoselectNearest(App& app, double& x, double& y);
// The 21 x 21 square about the click, columns left to right, each from
// Y + 10 up to Y - 10: the first sample darker than the best grey level so
// far, which is kept rounded to a whole number (halves to even) and starts
// at 255. A square of pure white keeps the click.
void AutoselectDarkest(App& app, double& x, double& y);
// The 31 x 31 square about the click: the centroid weighted by
// 255 - grey level (weights below 15 count 0), the click itself entering
// with weight 0.001, unrounded (WeightedCentreOfSquare). A white square
// returns the click. `centre`, when given, receives the centre in picture
// pixels with its 1-sigma errors from the square's noise.
void AutoselectWeighted(App& app, double& x, double& y, WeightedCentre* centre = nullptr);

// The routine of AutoselectMode (0, 1, 2); any other mode leaves the point
// and draws nothing. `sx_px`/`sy_px`, when given, receive the moved point's
// own 1-sigma errors in picture x and y (pixels): the weighted centre's, NaN
// for the other modes (a click's error, kClick_px, holds for them).
void Autoselect(App& app, double& x, double& y, double* sx_px = nullptr, double* sy_px = nullptr);

}  // namespace pelorin
