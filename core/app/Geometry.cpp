#include "app/Geometry.h"

#include <stdexcept>

#include "app/Dispatcher.h"

namespace pelorin {

bool IsNorthUp(const ProgramState& s) { return s.ImageType == 1 || s.NorthUpImage == 1; }

DiscCalibration CalibrationOf(const ProgramState& s) {
  DiscCalibration c;
  c.x0 = s.ZeroPointX;
  c.y0 = s.ZeroPointY;
  c.rk = s.LimbRadius;
  c.P = s.P;
  c.B0 = s.B0;
  c.L0 = s.L0;
  c.rho0 = s.rho0;
  c.orientation = s.OrientationAngle;
  c.northUp = IsNorthUp(s);
  return c;
}

void PixelToSystem(const ProgramState& s, double& X, double& Y, double& R, double& fi) {
  PixelToSystem(s.CoordSystem, s.ZeroPointX, s.ZeroPointY, X, Y, R, fi);
}

void SystemToPixel(const ProgramState& s, double& a, double& b) {
  SystemToPixel(s.CoordSystem, s.ZeroPointX, s.ZeroPointY, s.CalibrationState == 3, a, b);
}

void PixelToHeliographic(const ProgramState& s, double X, double Y, double orientation_deg, double& B,
                         double& CMD, double& L) {
  PixelToHeliographic(CalibrationOf(s), X, Y, orientation_deg, B, CMD, L);
}

void HeliographicToPixel(const ProgramState& s, double L_deg, double B_deg, double orientation_deg, double& X,
                         double& Y) {
  HeliographicToPixel(CalibrationOf(s), L_deg, B_deg, orientation_deg, X, Y);
}

void HeliographicToPicture(const ProgramState& s, double L_deg, double B_deg, double orientation_deg, double& X,
                           double& Y) {
  HeliographicToPicture(CalibrationOf(s), L_deg, B_deg, orientation_deg, X, Y);
}

void ApplyHeaderCalibration(const HeaderCalibration& c, ProgramState& s) {
  s.DateYear = c.time.year;
  s.DateMonth = c.time.month;
  s.DateDay = c.time.day;
  s.TimeUT = c.time.hours;
  s.P = c.P;
  s.B0 = c.B0;
  s.L0 = c.L0;
  s.rho0 = c.rho0;
  s.ZeroPointX = c.x0;
  s.ZeroPointY = c.y0;
  s.LimbRadius = c.rk;
  s.OrientationAngle = c.orientation;
  s.ImageType = static_cast<std::int16_t>(c.northUp == 1 ? 1 : 0);
  s.NorthUpImage = static_cast<std::int16_t>(c.northUp == 1 ? 1 : 0);
  s.DateKnown = 1;
  s.CalibrationState = 3;
}

void ComputeGrid(ProgramState& s) { ComputeGrid(CalibrationOf(s), s.GridPointX, s.GridPointY); }

void mreza_Click(App& app) {
  ProgramState& s = app.s;
  if (s.GridOn == 1) {
    s.GridOn = 0;
  } else {
    s.GridOn = 1;
    try {
      ComputeGrid(s);
    } catch (const std::overflow_error&) {
      s.GridOn = 0;
      app.win.MessageBox(
          "The heliographic grid cannot be drawn: a grid point lies beyond the pixel range -32768 to 32767. "
          "Check the limb radius and the ephemeris.");
    }
  }
  Redraw(app);
}

}  // namespace pelorin
