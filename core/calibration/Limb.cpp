#include "calibration/Limb.h"

#include "calibration/Orientation.h"
#include "calibration/LimbDetect.h"

#include <cmath>
#include <exception>
#include <memory>
#include <string>

#include "app/Dispatcher.h"
#include "app/Text.h"
#include "files/WorkFiles.h"
#include "geometry/Grid.h"
#include "geometry/Transform.h"

namespace pelorin {

namespace {

// Reports a failed write of the working file; the calibration in memory
// stands, so the user can still measure and save elsewhere.
void Report(App& app, const FileError& e) { app.win.MessageBox(e.what()); }

// The starting scale: the distance of the first limb point from the zero
// point, or of the first point that lies off the zero point; 0 when none does.
double StartingScale(const ProgramState& s) {
  for (int i = 1; i <= s.PointCount && i <= kMaxPoints; ++i) {
    const double x = s.PointX[static_cast<std::size_t>(i)], y = s.PointY[static_cast<std::size_t>(i)];
    const double d = std::sqrt(x * x + y * y);
    if (d > 0 && std::isfinite(d)) return d;
  }
  return 0;
}

}  // namespace

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

int FitLimbCircle(const ProgramState& s, std::int16_t n, double& xm, double& ym, double& rk, double& exm,
                  double& eym, double& erk) {
  if (n > kMaxPoints) return 2;
  const double S = rk;
  if (!(S > 0) || !std::isfinite(S)) return 4;
  Matrix3 N{};
  Vector3 b{}, p{};
  double sumW2 = 0;
  for (int k = 1; k <= n; ++k) {
    const double u = s.PointX[static_cast<std::size_t>(k)] / S, v = s.PointY[static_cast<std::size_t>(k)] / S;
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
  // Diagonal of the inverse of N by cofactors, before the solver overwrites N.
  const double det = N[1][1] * (N[2][2] * N[3][3] - N[3][2] * N[2][3]) -
                     N[2][1] * (N[1][2] * N[3][3] - N[3][2] * N[1][3]) +
                     N[3][1] * (N[1][2] * N[2][3] - N[2][2] * N[1][3]);
  const double Q11 = (N[2][2] * N[3][3] - N[3][2] * N[2][3]) / det;
  const double Q22 = (N[1][1] * N[3][3] - N[3][1] * N[1][3]) / det;
  const double Q33 = (N[1][1] * N[2][2] - N[2][1] * N[1][2]) / det;
  const Vector3 rhs = b;
  const int code = SolveLinearSystem(3, N, b, p);
  if (code != 0) return code;
  double vtv = sumW2 - p[1] * rhs[1] - p[2] * rhs[2] - p[3] * rhs[3];
  if (vtv < 0) vtv = 0;  // points exactly on a circle: rounding may go below 0
  const double s0 = std::sqrt(vtv / (n - 2));
  const double m1 = s0 * std::sqrt(Q11), m2 = s0 * std::sqrt(Q22), m3 = s0 * std::sqrt(Q33);
  const double a = p[2] / 2, c = p[3] / 2;
  const double r = std::sqrt(p[1] + a * a + c * c);
  const double rxm = S * a, rym = S * c, rrk = S * r;
  const double rexm = S * m2 / 2, reym = S * m3 / 2;
  const double rerk = S * std::sqrt(m1 * m1 + a * a * m2 * m2 + c * c * m3 * m3) / (2 * r);
  for (double v : {rxm, rym, rrk, rexm, reym, rerk})
    if (!std::isfinite(v)) return 3;
  if (!(rrk > 0)) return 3;
  xm = rxm;
  ym = rym;
  rk = rrk;
  exm = rexm;
  eym = reym;
  erk = rerk;
  return 0;
}

int FitLimbPoints(const std::vector<LimbEdgePoint>& points, double& x0, double& y0, double& rk) {
  if (points.size() > static_cast<std::size_t>(kMaxPoints)) return 2;
  auto s = std::make_unique<ProgramState>();
  s->PointCount = static_cast<std::int16_t>(points.size());
  for (std::size_t i = 0; i < points.size(); ++i) {
    s->PointX[i + 1] = static_cast<float>(points[i].x_px);
    s->PointY[i + 1] = static_cast<float>(-points[i].y_px);
  }
  double xm = 0, ym = 0, r = StartingScale(*s), exm = 0, eym = 0, erk = 0;
  if (r == 0) return 4;
  const int code = FitLimbCircle(*s, s->PointCount, xm, ym, r, exm, eym, erk);
  if (code != 0) return code;
  x0 = xm;
  y0 = -ym;
  rk = r;
  return 0;
}

void Limb_Click(App& app) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  s.CoordSystem = 0;
  if (s.CalibrationState == 2) s.CalibrationState = 0;
  else if (s.CalibrationState == 3) s.CalibrationState = 1;
  w.SetEndVisible(EndButton::limbend, true);
  s.PointCount = 0;
  s.StoredPointCount = 0;
  Redraw(app);
  for (Menu m : {Menu::orient, Menu::koor, Menu::Ishodiste, Menu::datum, Menu::Limb}) w.SetMenuEnabled(m, false);
  s.AutoselectMode = 0;
  if (s.ManualSelection == 0) s.SelectModeText = "Autoselect mode " + s.AutoselectNames[0];
}

void AutoLimb_Click(App& app) {
  ProgramState& s = app.s;
  // The picture without the marks of the overlays (a grid circle would be
  // taken for the limb); the redraw of the limb input puts them back.
  app.pic.RestoreClean();
  const LimbDetection found = DetectLimb(app.pic);
  if (!found.found) {
    Redraw(app);
    app.win.MessageBox(kNoDiscMessage);
    return;
  }
  Limb_Click(app);
  bool logFailed = false;
  for (const LimbEdgePoint& p : found.points) {
    if (s.PointCount >= kMaxPoints) break;
    double x = p.x_px, y = p.y_px, R = 0, fi = 0;
    PixelToSystem(s, x, y, R, fi);
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    ++s.PointCount;
    s.PointX[static_cast<std::size_t>(s.PointCount)] = fx;
    s.PointY[static_cast<std::size_t>(s.PointCount)] = fy;
    try {
      if (!logFailed) LogPoint(app, fx, fy, true);
    } catch (const FileError& e) {
      // Reported once; the points are kept in memory, as a click's are.
      logFailed = true;
      Report(app, e);
    }
  }
  PlotInputPoints(app);
}

void limbend_Click(App& app) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  if (s.PointCount < 3) {
    w.MessageBox("You must enter at least 3 points");
    return;
  }
  // Nothing of the calibration changes until the fit has succeeded.
  const double S = StartingScale(s);
  double xm = 0, ym = 0, rk = S, exm = 0, eym = 0, erk = 0;
  if (S == 0 || FitLimbCircle(s, s.PointCount, xm, ym, rk, exm, eym, erk) != 0) {
    w.MessageBox("error");
    return;
  }
  s.LimbRadius = rk;
  w.SetEndVisible(EndButton::limbend, false);
  if (s.CalibrationState == 0) s.CalibrationState = 1;
  else if (s.CalibrationState == 2) s.CalibrationState = 3;
  w.MessageBox("xm=" + NumberText(xm) + " ym=" + NumberText(ym) + " rk=" + NumberText(rk) + " exm=" + NumberText(exm) +
               " eym=" + NumberText(eym) + " erk=" + NumberText(erk));
  s.PointCount = 0;
  s.StoredPointCount = 0;
  s.ZeroPointX = s.ZeroPointX + xm;
  s.ZeroPointY = s.ZeroPointY - ym;
  try {
    WriteDiscLine(app);
    app.file2.Sync();
  } catch (const FileError& e) {
    Report(app, e);
  }
  Redraw(app);
  if (!IsNorthUp(s)) {
    w.SetMenuEnabled(Menu::orient, true);
    w.SetMenuEnabled(Menu::koor, false);
    w.SetMenuEnabled(Menu::Ishodiste, false);
    return;
  }
  // The picture type fixes the orientation: north up, nothing to ask.
  if (s.CalibrationState == 0) s.CalibrationState = 2;
  else if (s.CalibrationState == 1) s.CalibrationState = 3;
  for (Menu m : {Menu::orient, Menu::koor, Menu::Ishodiste}) w.SetMenuEnabled(m, false);
  s.OrientationAngle = 0;
  FinishOrientation(app);
}

}  // namespace pelorin
