// Limb input and the least-squares circle fit.
#pragma once

#include <array>
#include <cstdint>

#include "app/App.h"

namespace pelorin {

// Settings -> Input -> "Sun's limb": starts limb input (system 0, "Nearest",
// limbend shown, points cleared, a previous orientation discarded).
void Limb_Click(App& app);
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

// Gaussian elimination with partial pivoting (through a permutation of row
// indices; on equal magnitudes the first row wins) on the m x m system
// N p = b, indices 1..m, m <= 3; N and b are overwritten. Returns 0 solved,
// 1 m <= 0, 2 m larger than the arrays, 3 (nearly) singular (a pivot below
// 1e-15). m = 1 divides without the threshold test.
using Matrix3 = std::array<std::array<double, 4>, 4>;
using Vector3 = std::array<double, 4>;
int SolveLinearSystem(int m, Matrix3& N, Vector3& b, Vector3& p);

}  // namespace pelorin
