#include "calibration/Limb.h"

#include <cmath>
#include <memory>

namespace pelorin {

double StartingScale(const PointArray& px, const PointArray& py, int n) {
  for (int i = 1; i <= n && i <= kMaxPoints; ++i) {
    const double x = px[static_cast<std::size_t>(i)], y = py[static_cast<std::size_t>(i)];
    const double d = std::sqrt(x * x + y * y);
    if (d > 0 && std::isfinite(d)) return d;
  }
  return 0;
}

int SolveLinearSystem(int m, Matrix3& N, Vector3& b, Vector3& p) {
  constexpr double kEpsilon = 1e-15;
  constexpr int kDimension = 3;
  if (m <= 0) return 1;
  if (m > kDimension) return 2;
  if (m == 1) {
    p[1] = b[1] / N[1][1];
    return 0;
  }
  std::array<int, kDimension + 1> P{};
  for (int i = 1; i <= m; ++i) P[static_cast<std::size_t>(i)] = i;
  const auto at = [&N](int row, int col) -> double& {
    return N[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  };
  const auto perm = [&P](int i) { return P[static_cast<std::size_t>(i)]; };
  for (int k = 1; k <= m - 1; ++k) {
    double largest = 0;
    int pivot = k;
    for (int i = k; i <= m; ++i) {
      const double v = std::fabs(at(perm(i), k));
      if (v > largest) {
        largest = v;
        pivot = i;
      }
    }
    if (largest < kEpsilon) return 3;
    if (perm(k) != perm(pivot)) std::swap(P[static_cast<std::size_t>(k)], P[static_cast<std::size_t>(pivot)]);
    const int pk = perm(k);
    for (int i = k + 1; i <= m; ++i) {
      const int pi = perm(i);
      const double f = -at(pi, k) / at(pk, k);
      if (f == 0) continue;
      for (int j = k; j <= m; ++j) at(pi, j) += f * at(pk, j);
      b[static_cast<std::size_t>(pi)] += f * b[static_cast<std::size_t>(pk)];
    }
  }
  if (std::fabs(at(perm(m), m)) < kEpsilon) return 3;
  for (int i = m; i >= 1; --i) {
    const int pi = perm(i);
    double sum = b[static_cast<std::size_t>(pi)];
    for (int j = i + 1; j <= m; ++j) sum -= at(pi, j) * p[static_cast<std::size_t>(j)];
    p[static_cast<std::size_t>(i)] = sum / at(pi, i);
  }
  return 0;
}

namespace {

// The residuals' degrees of freedom are the points less the circle's three
// parameters; FitLimbCircle's errors divide by n - 2, the covariance by n - 3.
constexpr int kFittedParameters = 3;

// The algebraic fit's whole result: the circle (pixels, the points' frame),
// the errors FitLimbCircle gives, and the covariance of x0, y0 and rk from
// the whole inverse of the normal equations (pixels squared).
struct KasaFit {
  int code = 0;
  double xm = 0, ym = 0, rk = 0, exm = 0, eym = 0, erk = 0;
  std::array<std::array<double, 3>, 3> cov{};
};

// The normal equations of the fit of w = p1 + p2 u + p3 v, w = u^2 + v^2,
// on the points divided by S; sumW2 receives the sum of w^2.
void KasaNormalEquations(const PointArray& px, const PointArray& py, int n, double S, Matrix3& N, Vector3& b,
                         double& sumW2) {
  N = Matrix3{};
  b = Vector3{};
  sumW2 = 0;
  for (int k = 1; k <= n; ++k) {
    const double u = px[static_cast<std::size_t>(k)] / S, v = py[static_cast<std::size_t>(k)] / S;
    const double w = u * u + v * v;
    N[2][1] += u;
    N[3][1] += v;
    N[2][2] += u * u;
    N[3][3] += v * v;
    N[3][2] += u * v;
    b[1] += w;
    b[2] += w * u;
    b[3] += w * v;
    sumW2 += w * w;
  }
  N[1][1] = n;
  N[1][2] = N[2][1];
  N[1][3] = N[3][1];
  N[2][3] = N[3][2];
}

// The inverse of the symmetric N (indices 1..3) by cofactors, 0-based.
std::array<std::array<double, 3>, 3> InverseOfNormal(const Matrix3& N) {
  const auto m = [&](int i, int j) { return N[static_cast<std::size_t>(i + 1)][static_cast<std::size_t>(j + 1)]; };
  std::array<std::array<double, 3>, 3> Q{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const int i1 = (j + 1) % 3, i2 = (j + 2) % 3, j1 = (i + 1) % 3, j2 = (i + 2) % 3;
      Q[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = m(i1, j1) * m(i2, j2) - m(i1, j2) * m(i2, j1);
    }
  const double det = m(0, 0) * Q[0][0] + m(0, 1) * Q[1][0] + m(0, 2) * Q[2][0];
  for (auto& row : Q)
    for (double& q : row) q /= det;
  return Q;
}

KasaFit FitKasa(const PointArray& px, const PointArray& py, int n, double S) {
  KasaFit f;
  if (n > kMaxPoints) return f.code = 2, f;
  if (!(S > 0) || !std::isfinite(S)) return f.code = 4, f;
  Matrix3 N{};
  Vector3 b{}, p{};
  double sumW2 = 0;
  KasaNormalEquations(px, py, n, S, N, b, sumW2);
  const std::array<std::array<double, 3>, 3> Q = InverseOfNormal(N);  // before the solver overwrites N
  const Vector3 rhs = b;
  if ((f.code = SolveLinearSystem(3, N, b, p)) != 0) return f;
  double vtv = sumW2 - p[1] * rhs[1] - p[2] * rhs[2] - p[3] * rhs[3];
  if (vtv < 0) vtv = 0;  // points exactly on a circle: rounding may go below 0
  const double s0 = std::sqrt(vtv / (n - 2));
  const double m1 = s0 * std::sqrt(Q[0][0]), m2 = s0 * std::sqrt(Q[1][1]), m3 = s0 * std::sqrt(Q[2][2]);
  const double a = p[2] / 2, c = p[3] / 2;
  const double r = std::sqrt(p[1] + a * a + c * c);
  f.xm = S * a;
  f.ym = S * c;
  f.rk = S * r;
  f.exm = S * m2 / 2;
  f.eym = S * m3 / 2;
  f.erk = S * std::sqrt(m1 * m1 + a * a * m2 * m2 + c * c * m3 * m3) / (2 * r);
  // x0, y0 and rk to first order in p1, p2, p3, with every covariance of p;
  // three points leave no residuals to tell.
  const double w2 = n > kFittedParameters ? vtv / (n - kFittedParameters) : 0;
  const double J[3][3] = {{0, S / 2, 0}, {0, 0, S / 2}, {S / (2 * r), S * a / (2 * r), S * c / (2 * r)}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      double v = 0;
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) v += J[i][k] * Q[static_cast<std::size_t>(k)][static_cast<std::size_t>(l)] * J[j][l];
      f.cov[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] = w2 * v;
    }
  for (double v : {f.xm, f.ym, f.rk, f.exm, f.eym, f.erk})
    if (!std::isfinite(v)) return f.code = 3, f;
  if (!(f.rk > 0)) f.code = 3;
  return f;
}

}  // namespace

int FitLimbCircle(const PointArray& px, const PointArray& py, int n, double& xm, double& ym, double& rk, double& exm,
                  double& eym, double& erk) {
  const KasaFit f = FitKasa(px, py, n, rk);
  if (f.code != 0) return f.code;
  xm = f.xm;
  ym = f.ym;
  rk = f.rk;
  exm = f.exm;
  eym = f.eym;
  erk = f.erk;
  return 0;
}

std::array<std::array<double, 3>, 3> LimbCircleCovariance(const PointArray& px, const PointArray& py, int n,
                                                          double S) {
  const KasaFit f = FitKasa(px, py, n, S);
  return f.code == 0 ? f.cov : std::array<std::array<double, 3>, 3>{};
}

std::array<std::array<double, 3>, 3> PictureFrameCovariance(std::array<std::array<double, 3>, 3> cov) {
  // y = -y': the covariances of y0 with x0 and with rk change sign.
  cov[0][1] = -cov[0][1];
  cov[1][0] = -cov[1][0];
  cov[1][2] = -cov[1][2];
  cov[2][1] = -cov[2][1];
  return cov;
}

int FitLimbPoints(const std::vector<LimbEdgePoint>& points, double& x0, double& y0, double& rk,
                  LimbFitErrors* errors) {
  if (points.size() > static_cast<std::size_t>(kMaxPoints)) return 2;
  // Held as limb input holds clicked points: single precision, y up.
  auto px = std::make_unique<PointArray>(), py = std::make_unique<PointArray>();
  const int n = static_cast<int>(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    (*px)[i + 1] = static_cast<float>(points[i].x_px);
    (*py)[i + 1] = static_cast<float>(-points[i].y_px);
  }
  const double S = StartingScale(*px, *py, n);
  if (S == 0) return 4;
  const KasaFit f = FitKasa(*px, *py, n, S);
  if (f.code != 0) return f.code;
  x0 = f.xm;
  y0 = -f.ym;
  rk = f.rk;
  if (errors) {
    errors->cov = PictureFrameCovariance(f.cov);
    errors->x0 = std::sqrt(errors->cov[0][0]);
    errors->y0 = std::sqrt(errors->cov[1][1]);
    errors->rk = std::sqrt(errors->cov[2][2]);
  }
  return 0;
}

}  // namespace pelorin

namespace pelorin {

namespace {

// The circle through three points; false when they lie on a line.
bool Circumcircle(const std::array<double, 3>& x, const std::array<double, 3>& y, std::array<double, 3>& c) {
  const double d = 2 * (x[0] * (y[1] - y[2]) + x[1] * (y[2] - y[0]) + x[2] * (y[0] - y[1]));
  if (std::abs(d) < 1e-12) return false;
  const double s0 = x[0] * x[0] + y[0] * y[0], s1 = x[1] * x[1] + y[1] * y[1], s2 = x[2] * x[2] + y[2] * y[2];
  c[0] = (s0 * (y[1] - y[2]) + s1 * (y[2] - y[0]) + s2 * (y[0] - y[1])) / d;
  c[1] = (s0 * (x[2] - x[1]) + s1 * (x[0] - x[2]) + s2 * (x[1] - x[0])) / d;
  c[2] = std::hypot(x[0] - c[0], y[0] - c[1]);
  return std::isfinite(c[2]);
}

}  // namespace

std::array<std::array<double, 3>, 3> ThreePointDiscCovariance(const std::array<double, 3>& x,
                                                              const std::array<double, 3>& y, double point_px) {
  std::array<std::array<double, 3>, 3> cov{};
  std::array<double, 3> c{};
  if (!Circumcircle(x, y, c)) return cov;
  // Small beside a pixel, large beside the rounding of coordinates of
  // thousands of pixels.
  const double h = 1e-4;
  for (int k = 0; k < 6; ++k) {
    std::array<double, 3> xp = x, yp = y, xm = x, ym = y, cp{}, cm{};
    double& up = k < 3 ? xp[k] : yp[k - 3];
    double& um = k < 3 ? xm[k] : ym[k - 3];
    up += h;
    um -= h;
    if (!Circumcircle(xp, yp, cp) || !Circumcircle(xm, ym, cm)) return {};
    std::array<double, 3> g{};
    for (int i = 0; i < 3; ++i) g[i] = (cp[i] - cm[i]) / (2 * h);
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) cov[i][j] += g[i] * g[j] * point_px * point_px;
  }
  return cov;
}

}  // namespace pelorin
