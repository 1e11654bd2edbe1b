#include "app/OrientationInput.h"

#include "app/Errors.h"

#include "calibration/Orientation.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include "app/Dispatcher.h"
#include "base/Text.h"
#include "app/WorkFiles.h"
#include "base/Angles.h"
#include "app/Geometry.h"

namespace pelorin {

DirectionDialog::DirectionDialog(App& app, bool axis) : app_(app), axis_(axis) {
  // The choice starts where the dialog shows it: frame 0.
  app_.s.DirectionChoice = 0;
}

std::string DirectionDialog::Caption() const { return axis_ ? "Orientation of polar axe" : "orientation"; }

std::string DirectionDialog::OptionCaption(int index) const {
  if (axis_) return index == 0 ? "Paralel to NS" : "Perpendicular to NS";
  return index == 0 ? "Parallel to WE" : "Perpendicular to WE";
}

std::string DirectionDialog::FrameLabel() const { return axis_ ? "N" : "E"; }

void DirectionDialog::Option1_Click(int index) { parallel_ = index == 0; }

void DirectionDialog::Frame1_Click(int index) {
  if (index < 0 || index > 3) return;
  app_.s.DirectionChoice = index;
  selected_ = index;
}

void DirectionDialog::Command3D1_Click() {
  const int v = parallel_ ? -1 : 0;  // Option1(0) as a truth value
  app_.s.DirectionChoice += 4 * (v + 1);
  Unload();
}

void DirectionDialog::Close() { Unload(); }

void DirectionDialog::Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  app_.win.SetMainEnabled(true);
}

namespace {

// The steps both orientation inputs share; `axis` is the rotation-axis input.
void StartDirectionInput(App& app, bool axis) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  w.SetMainEnabled(false);
  {
    DirectionDialog dialog(app, axis);
    w.ShowDirectionDialog(dialog);
    if (!dialog.Unloaded()) dialog.Close();
  }
  s.AxisInput = axis ? kTrue : kFalse;
  s.CoordSystem = 0;
  if (s.CalibrationState == 2) s.CalibrationState = 0;
  else if (s.CalibrationState == 3) s.CalibrationState = 1;
  w.SetEndVisible(EndButton::dirend, true);
  if (!axis) s.AutoselectMode = 2;
  s.PointCount = 0;
  s.StoredPointCount = 0;
  if (!axis && s.ManualSelection == 0) s.SelectModeText = "Autoselect mode " + s.AutoselectNames[2];
  Redraw(app);
  for (Menu m : {Menu::Limb, Menu::koor, Menu::Ishodiste, Menu::datum, Menu::orient}) w.SetMenuEnabled(m, false);
}

double HalfTurn(double a) { return Reduce360(a + 180); }

}  // namespace

void FitDailyParallel(const ProgramState& s, std::int16_t n, double& angle_deg, double* angleError_deg) {
  FitDailyParallel(s.PointX, s.PointY, n, angle_deg, angleError_deg);
}

void dnevnihod_Click(App& app) { StartDirectionInput(app, false); }

void ossunca_Click(App& app) { StartDirectionInput(app, true); }

void dirend_Click(App& app) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  if (s.PointCount < 3) {
    w.MessageBox("You must enter at least 3 points");
    return;
  }
  double a = 0, error_deg = 0;
  FitDailyParallel(s, s.PointCount, a, &error_deg);
  double c = s.DirectionChoice;
  if (c > 3) {
    a += 90;
    c -= 4;
  }
  const bool axis = s.AxisInput != 0;
  if (axis) a = a - 90 + s.P;
  try {
    a = Reduce360(a);
    if (!axis) {
      if ((c == 1 && a > 180) || c == 2 || (c == 3 && a < 270)) a = HalfTurn(a);
    } else {
      if ((c == 1 && a > 90 && a < 270) || (c == 2 && a > 180) || (c == 3 && (a > 270 || a < 90))) a = HalfTurn(a);
    }
  } catch (const std::exception& e) {
    w.MessageBox(std::string("The orientation cannot be computed: ") + e.what());
    return;
  }
  if (!std::isfinite(a)) {
    w.MessageBox("error");
    return;
  }
  s.OrientationAngle = a;
  OrientationCalibrationErrors(app, error_deg, "fit");
  s.DirectionChoice = c;
  w.SetEndVisible(EndButton::dirend, false);
  if (s.CalibrationState == 0) s.CalibrationState = 2;
  else if (s.CalibrationState == 1) s.CalibrationState = 3;
  w.MessageBox("daily parallel=" + NumberText(s.OrientationAngle) + "\xC2\xB0");
  s.PointCount = 0;
  s.StoredPointCount = 0;
  Redraw(app);
  FinishOrientation(app);
}

void FinishOrientation(App& app) {
  WindowPort& w = app.win;
  try {
    WriteOrientationLine(app);
    app.file2.Sync();
  } catch (const FileError& e) {
    w.MessageBox(e.what());
  }
  for (Menu m : {Menu::Objekt, Menu::Compare, Menu::mreza, Menu::objectview}) w.SetMenuEnabled(m, true);
  // The grid of the new calibration is shown at once, computed afresh.
  app.s.GridOn = 0;
  try {
    mreza_Click(app);
  } catch (const std::exception& e) {
    w.MessageBox(std::string("The heliographic grid cannot be drawn: ") + e.what());
  }
}

}  // namespace pelorin
