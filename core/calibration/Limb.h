// Limb input and the least-squares circle fit.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "app/App.h"
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

// Algebraic (Kasa) circle fit through PointX/PointY(1..n) (coordinate system
// 0, pixels, y up), on coordinates divided by the scale S. In: rk = S.
// Out: centre xm, ym, radius rk and their standard errors exm, eym, erk, all
// pixels; the errors use the divisor n - 2 and a negative residual sum counts
// as 0. Returns 0 when solved; otherwise nothing is written and the code
// says why: 2 n above 1000, 3 the normal equations are (nearly) singular or
// give no finite circle, 4 S is not a positive finite number. The result
// does not depend on S beyond rounding.
int FitLimbCircle(const ProgramState& s, std::int16_t n, double& xm, double& ym, double& rk, double& exm,
                  double& eym, double& erk);

// The circle the limb fit gives from limb points in picture pixels (y
// down), entered as limb input enters them on a picture whose zero point is
// (0, 0): single precision, the scale from the first point off the zero
// point. Out: centre x0, y0 (picture pixels) and radius rk. Returns the code
// of FitLimbCircle (0 when fitted; 4 when no point lies off (0, 0); 2 for
// more than 1000 points); nothing is written unless it is 0.
int FitLimbPoints(const std::vector<LimbEdgePoint>& points, double& x0, double& y0, double& rk);

// Gaussian elimination with partial pivoting (through a permutation of row
// indices; on equal magnitudes the first row wins) on the m x m system
// N p = b, indices 1..m, m <= 3; N and b are overwritten. Returns 0 solved,
// 1 m <= 0, 2 m larger than the arrays, 3 (nearly) singular (a pivot below
// 1e-15). m = 1 divides without the threshold test.
using Matrix3 = std::array<std::array<double, 4>, 4>;
using Vector3 = std::array<double, 4>;
int SolveLinearSystem(int m, Matrix3& N, Vector3& b, Vector3& p);

}  // namespace pelorin
