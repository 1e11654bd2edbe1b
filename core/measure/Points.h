// Routing of clicks on the picture, named objects and the selection mode.
#pragma once

#include "app/App.h"

namespace pelorin {

inline constexpr int kLeftButton = 1, kRightButton = 2;
inline constexpr int kShiftMask = 1;

// A mouse button pressed on the picture at (X, Y) picture pixels: quick move,
// zero point, removal of the last point, or a new point of the open input.
void Picture1_MouseDown(App& app, int button, int shift, double X, double Y);
// Settings -> "New object".
void Objekt_Click(App& app);
// The object's End button: records B, CMD, L of its points.
void Objektend_Click(App& app);
// Tools -> selection mode toggle.
void Selectmode_Click(App& app);

}  // namespace pelorin
