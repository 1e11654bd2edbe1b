// Limb input and the least-squares circle fit.
#pragma once

#include <array>
#include <cstdint>

#include "app/App.h"

namespace pelorin {

// Settings -> Input -> "Sun's limb": starts limb input.
void Limb_Click(App& app);
// The limb input's End button: fits the circle, moves the zero point to the
// disc centre and writes the disc line; or says why it cannot.
void limbend_Click(App& app);

// Algebraic (Kasa) circle fit through PointX/PointY(1..n) (coordinate system
// 0, pixels). In: rk = the scale S (> 0). Out: centre xm, ym, radius rk and
// their standard errors exm, eym, erk, all pixels. Returns the result code of
// SolveLinearSystem (0 solved; nonzero: nothing written).
int FitLimbCircle(const ProgramState& s, std::int16_t n, double& xm, double& ym, double& rk, double& exm,
                  double& eym, double& erk);

// Gaussian elimination with partial pivoting on the m x m system N p = b
// (indices 1..m, m <= 3); N and b are overwritten. Returns 0 solved, 1 m <= 0,
// 2 m larger than the arrays, 3 (nearly) singular (pivot below 1e-15).
using Matrix3 = std::array<std::array<double, 4>, 4>;
using Vector3 = std::array<double, 4>;
int SolveLinearSystem(int m, Matrix3& N, Vector3& b, Vector3& p);

}  // namespace pelorin
