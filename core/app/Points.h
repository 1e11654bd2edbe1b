// Routing of clicks on the picture, named objects and the selection mode.
#pragma once

#include "app/App.h"

namespace pelorin {

inline constexpr int kLeftButton = 1, kRightButton = 2;
inline constexpr int kShiftMask = 1;

// A mouse button pressed on the picture at (X, Y) picture pixels (y down).
// The first rule that matches:
//  1. left button with Shift alone: start of a quick move;
//  2. ZeroPointPending 1: the zero point becomes (X, Y), redraw, black dot;
//  3. right button: the last point of the current input goes (PointCount
//     never below 0; StoredPointCount only when the input is an open object
//     after calibration, whose points sit at StoredPointCount - PointCount + 1
//     .. StoredPointCount), redraw, the remaining points dotted black;
//  4. otherwise a new point, refined by autoselect unless ManualSelection:
//     - Cartesian systems 0..7: the single-precision values of the current
//       system at PointX/PointY(PointCount), logged to a.tmp;
//     - polar systems before calibration: the polar values (R px, fi deg) of
//       the moved point, logged to a.tmp; a black dot;
//     - after calibration (CalibrationState 3, which measures in system 8)
//       with an object open: the moved picture point at
//       PointX/PointY(StoredPointCount); a black dot; nothing logged;
//       with no object open: only the dot.
// A point that would go beyond index 1000 is refused with a message box and
// changes nothing. A failed a.tmp write is reported (the point is kept); a
// fault in the conversions ends the click before anything is stored.
void Picture1_MouseDown(App& app, int button, int shift, double X, double Y);
// Settings -> "New object": selects "Weighted", asks for the name; a
// non-empty name opens the object (title "Object name: " & name, Objektend
// shown, New object disabled). An empty answer (or Cancel) opens nothing. A
// name holding a double quote or a comma, which would break its records, is
// refused with a message box and the name is asked for again.
void Objekt_Click(App& app);
// The object's End button: B, CMD, L of each of its points to a.tmp
// ("B, CMD") and temp.dat (a record), then the object is closed. A fault in
// the conversion is reported and leaves the object open with nothing
// written; a failed write is reported naming the file (the other file is
// still written) and the object is closed.
void Objektend_Click(App& app);
// Tools -> selection mode toggle; the menu caption names the mode the command
// switches to.
void Selectmode_Click(App& app);

}  // namespace pelorin
