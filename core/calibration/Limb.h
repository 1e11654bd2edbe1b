// The limb's circle fitted to points on it.
#pragma once

#include <array>
#include <vector>

#include "base/PointStore.h"
#include "calibration/LimbDetect.h"

namespace pelorin {

// The starting scale of the limb fit: the distance of the first of the
// points px/py(1..n) (pixels about the zero point) from the zero point, or of
// the first point that lies off it; 0 when none does.
double StartingScale(const PointArray& px, const PointArray& py, int n);

// Algebraic (Kasa) circle fit through px/py(1..n) (coordinate system
// 0, pixels, y up), on coordinates divided by the scale S. In: rk = S.
// Out: centre xm, ym, radius rk and their standard errors exm, eym, erk, all
// pixels; the errors use the divisor n - 2 and a negative residual sum counts
// as 0. Returns 0 when solved; otherwise nothing is written and the code
// says why: 2 n above 1000, 3 the normal equations are (nearly) singular or
// give no finite circle, 4 S is not a positive finite number. The result
// does not depend on S beyond rounding.
int FitLimbCircle(const PointArray& px, const PointArray& py, int n, double& xm, double& ym, double& rk, double& exm,
                  double& eym, double& erk);

// The covariance of the centre xm, ym and radius rk that FitLimbCircle fits
// to px/py(1..n) with the scale S (pixels squared, the points' frame, y up;
// in the order xm, ym, rk), from the whole inverse of its normal equations
// and its residuals with the divisor n - 2: the errors of the centre are
// FitLimbCircle's exm and eym, the radius's takes in its covariances with
// the centre, which FitLimbCircle's erk leaves out (they grow with the
// centre's distance from the zero point). All zero when the fit fails.
std::array<std::array<double, 3>, 3> LimbCircleCovariance(const PointArray& px, const PointArray& py, int n,
                                                          double S);

// A covariance of x0, y0, rk in a frame with y up turned into one with y
// down (the picture's): the covariances of y0 change sign.
std::array<std::array<double, 3>, 3> PictureFrameCovariance(std::array<std::array<double, 3>, 3> cov);

// The circle the limb fit gives from limb points in picture pixels (y
// down), entered as limb input enters them on a picture whose zero point is
// (0, 0): single precision, the scale from the first point off the zero
// point. Out: centre x0, y0 (picture pixels) and radius rk. Returns the code
// of FitLimbCircle (0 when fitted; 4 when no point lies off (0, 0); 2 for
// more than 1000 points); nothing is written unless it is 0. `errors`, when
// given, receives the fit's covariance of x0, y0 and rk (pixels squared,
// picture frame, LimbCircleCovariance) and their 1-sigma errors, its
// diagonal's roots (0 for three points, which leave no residuals).
struct LimbFitErrors {
  double x0 = 0, y0 = 0, rk = 0;
  std::array<std::array<double, 3>, 3> cov{};
};
int FitLimbPoints(const std::vector<LimbEdgePoint>& points, double& x0, double& y0, double& rk,
                  LimbFitErrors* errors = nullptr);

// Gaussian elimination with partial pivoting (through a permutation of row
// indices; on equal magnitudes the first row wins) on the m x m system
// N p = b, indices 1..m, m <= 3; N and b are overwritten. Returns 0 solved,
// 1 m <= 0, 2 m larger than the arrays, 3 (nearly) singular (a pivot below
// 1e-15). m = 1 divides without the threshold test.
using Matrix3 = std::array<std::array<double, 4>, 4>;
using Vector3 = std::array<double, 4>;
int SolveLinearSystem(int m, Matrix3& N, Vector3& b, Vector3& p);

}  // namespace pelorin

namespace pelorin {

// The covariance of the centre x0, y0 and radius rk (pixels squared, in that
// order) of the circle through three points (pixels, any frame), each of
// whose coordinates has the independent error `point_px`; propagated to
// first order through the circle, by central differences. All zero when the
// points lie on a line (no circle).
std::array<std::array<double, 3>, 3> ThreePointDiscCovariance(const std::array<double, 3>& x,
                                                              const std::array<double, 3>& y, double point_px);

}  // namespace pelorin
