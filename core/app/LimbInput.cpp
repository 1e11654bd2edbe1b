#include "app/LimbInput.h"

#include "app/OrientationInput.h"
#include "calibration/LimbDetect.h"
#include "app/Errors.h"

#include <cmath>
#include <exception>
#include <string>

#include "app/Dispatcher.h"
#include "base/Text.h"
#include "app/WorkFiles.h"
#include "app/Geometry.h"
#include "calibration/Limb.h"

namespace pelorin {

namespace {

// Reports a failed write of the working file; the calibration in memory
// stands, so the user can still measure and save elsewhere.
void Report(App& app, const FileError& e) { app.win.MessageBox(e.what()); }

}  // namespace

int FitLimbCircle(const ProgramState& s, std::int16_t n, double& xm, double& ym, double& rk, double& exm,
                  double& eym, double& erk) {
  return FitLimbCircle(s.PointX, s.PointY, n, xm, ym, rk, exm, eym, erk);
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

namespace {

// The disc's errors of the limb fit just made on the points entered: the
// fit's own covariance from its residuals, or for three points, which leave
// none, that of the circle through them with kAssumedLimbPoint_px on each.
void RecordLimbFitErrors(App& app, double S) {
  const ProgramState& s = app.s;
  if (s.PointCount > 3) {
    LimbFitCalibrationErrors(app, PictureFrameCovariance(LimbCircleCovariance(s.PointX, s.PointY, s.PointCount, S)),
                             "fit");
    return;
  }
  std::array<double, 3> x{}, y{};
  for (std::size_t i = 0; i < 3; ++i) {
    x[i] = s.PointX[i + 1];
    y[i] = -s.PointY[i + 1];  // the points' y is up, the disc's down
  }
  LimbFitCalibrationErrors(app, ThreePointDiscCovariance(x, y, kAssumedLimbPoint_px), "assumed");
}

}  // namespace

void limbend_Click(App& app) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  if (s.PointCount < 3) {
    w.MessageBox("You must enter at least 3 points");
    return;
  }
  // Nothing of the calibration changes until the fit has succeeded.
  const double S = StartingScale(s.PointX, s.PointY, s.PointCount);
  double xm = 0, ym = 0, rk = S, exm = 0, eym = 0, erk = 0;
  if (S == 0 || FitLimbCircle(s, s.PointCount, xm, ym, rk, exm, eym, erk) != 0) {
    w.MessageBox("error");
    return;
  }
  s.LimbRadius = rk;
  RecordLimbFitErrors(app, S);
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
  OrientationCalibrationErrors(app, kHeaderOrientation_deg, "header");
  FinishOrientation(app);
}

}  // namespace pelorin
