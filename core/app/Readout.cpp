#include "app/Readout.h"

#include <cmath>

#include "app/Errors.h"
#include "app/Navigation.h"
#include "base/Text.h"
#include "app/Geometry.h"

namespace pelorin {

double GreyLevel(std::int32_t colour) {
  const double r = colour & 255;
  const double g = (colour & 65280) / 256;
  const double b = (colour & 16711680) / 65536;
  return (r + g + b) / 3.0;
}

namespace {

std::string GreyText(App& app, double X, double Y) {
  return NumberText(std::floor(GreyLevel(app.pic.Point(X, Y))));
}

// The status text in its three forms. `havePosition` false leaves the
// coordinate fields empty (the keys "a" and "m").
std::string Compose(App& app, bool havePosition, double X, double Y) {
  ProgramState& s = app.s;
  double x = X, y = Y, R = 0, fi = 0, B = 0, CMD = 0, L = 0;
  PositionErrors err;
  if (s.CalibrationState == 3) {
    s.CoordSystem = 8;
    if (havePosition) {
      PixelToHeliographic(s, X, Y, s.OrientationAngle, B, CMD, L);
      err = PositionErrorsAt(app, X, Y, kClick_px);
    }
  } else if (havePosition) {
    PixelToSystem(s, x, y, R, fi);
  }
  const std::string n = "n=" + NumberText(s.PointCount);
  const double gx = havePosition ? X : 0, gy = havePosition ? Y : 0;
  if (s.CoordSystem != 8 && s.CoordSystem != 9) {
    return n + " , X=" + (havePosition ? SingleText(x) : "") + " , Y=" + (havePosition ? SingleText(y) : "") +
           " grayscale=" + GreyText(app, gx, gy) + " " + s.SelectModeText;
  }
  if (s.CalibrationState == 3) {
    // Each coordinate with its 1-sigma error: "B=12.33±0.05".
    const auto pm = [&](double e) { return havePosition ? PlusMinusText(e, err.firstOrder) : std::string(); };
    return n + "  B=" + (havePosition ? FixedText(B, 2, 2) : "") + pm(err.B_deg) +
           "  CMD=" + (havePosition ? FixedText(CMD, 3, 2) : "") + pm(err.CMD_deg) +
           "  L=" + (havePosition ? FixedText(L, 3, 2) : "") + pm(err.L_deg) + " grayscale=" + GreyText(app, gx, gy) +
           " " + s.SelectModeText;
  }
  return n + " , R=" + (havePosition ? NumberText(R) : "") + " , fi=" + (havePosition ? NumberText(fi) : "");
}

}  // namespace

std::string ReadoutText(App& app, double X, double Y) { return Compose(app, true, X, Y); }

void Picture1_MouseMove(App& app, int button, int shift, double X, double Y) {
  if (button == 1 && shift == 1) {
    if (app.s.QuickMoveActive == 1) QuickMoveStep(app, X, Y);
    return;
  }
  try {
    app.win.SetStatus(ReadoutText(app, X, Y));
  } catch (...) {
    // A conversion that fails leaves the status line as it was.
  }
}

void RewriteStatus(App& app) { app.win.SetStatus(Compose(app, false, 0, 0)); }

}  // namespace pelorin
