// Limb input and the least-squares circle fit.
#pragma once

#include <cstdint>

#include "app/App.h"
#include "calibration/Limb.h"
#include "calibration/LimbDetect.h"

namespace pelorin {

// Settings -> Input -> "Sun's limb": starts limb input (system 0, "Nearest",
// limbend shown, points cleared, a previous orientation discarded).
void Limb_Click(App& app);
// Settings -> Input -> "Automatic limb": looks for the disc on the clean
// picture (DetectLimb). Found: starts limb input exactly as Limb_Click, then
// enters the limb points found as that input's points (system 0, single
// precision, each logged to a.tmp as a click is) and dots them; the user
// adds, removes and ends as with clicked points. Not found: the message
// kNoDiscMessage and nothing else changes.
void AutoLimb_Click(App& app);
inline constexpr const char* kNoDiscMessage =
    "No solar disc was found on this picture. Enter the limb points by hand (Settings, Input, Sun's limb).";
// The limb input's End button. Fewer than 3 points: "You must enter at least
// 3 points" and the input stays open. Otherwise the circle is fitted with the
// scale S = distance of the first point from the zero point (the first point
// off the zero point when the first lies on it); the centre (xm, ym) and the
// radius with their errors are shown, the zero point moves to the centre,
// LimbRadius takes the radius and the disc line goes to temp.dat. A
// north-up picture then gets OrientationAngle 0 at once. A fit that cannot
// be made (all points on the zero point, collinear or coincident points)
// shows "error" and changes nothing: the input stays open with its points.
// A failed write of temp.dat is reported naming the file; the calibration in
// memory stands.
void limbend_Click(App& app);

// FitLimbCircle (calibration/Limb.h) on the state's PointX/PointY.
int FitLimbCircle(const ProgramState& s, std::int16_t n, double& xm, double& ym, double& rk, double& exm,
                  double& eym, double& erk);

}  // namespace pelorin
