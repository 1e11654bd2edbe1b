#include "app/Autoselect.h"

#include <cmath>

#include "app/Readout.h"
#include "base/Text.h"
#include "base/Angles.h"

namespace pelorin {

namespace {

// Reads the pixel at picture point (X, Y) into the sample variables and
// returns its grey level (255 outside the picture).
double Sample(App& app, double X, double Y) {
  ProgramState& s = app.s;
  s.SampleX = static_cast<float>(X);
  s.SampleY = static_cast<float>(-Y);
  s.SampleColor = app.pic.Point(s.SampleX, -s.SampleY);
  s.SampleRed = s.SampleColor & 255;
  s.SampleGreen = (s.SampleColor & 65280) / 256;
  s.SampleBlue = (s.SampleColor & 16711680) / 65536;
  return GreyLevel(s.SampleColor);
}

// The magenta 3x3 marker around the final picture point.
void Marker(App& app, double X, double Y) {
  app.pic.Mark3x3(X, Y, QBColor(5));
}

// System 0 (about the zero point, y up) to picture pixels and back.
void ToPicture(const ProgramState& s, double x, double y, double& X, double& Y) {
  X = x + s.ZeroPointX;
  Y = s.ZeroPointY - y;
}
void FromPicture(const ProgramState& s, double X, double Y, double& x, double& y) {
  x = X - s.ZeroPointX;
  y = s.ZeroPointY - Y;
}

}  // namespace

void AutoselectNearest(App& app, double& x, double& y) {
  double X = 0, Y = 0;
  ToPicture(app.s, x, y, X, Y);
  int r = 1;
  double theta = 0;
  double px = X, py = Y;
  for (;;) {
    theta += 15;
    px = std::floor(X + r * std::cos(theta * kRad));
    py = std::ceil(Y - r * std::sin(theta * kRad));
    const double grey = Sample(app, px, py);
    if (theta >= 360) {
      theta = 0;
      ++r;
    }
    if (r > 50 || grey < 128) break;
  }
  if (r <= 50) {
    X = px;
    Y = py;
    FromPicture(app.s, X, Y, x, y);
  }
  Marker(app, X, Y);
}

void AutoselectDarkest(App& app, double& x, double& y) {
  double X = 0, Y = 0;
  ToPicture(app.s, x, y, X, Y);
  double best = 255;
  double bestX = X, bestY = Y;  // kept when nothing is darker than white
  bool found = false;
  for (int dx = -10; dx <= 10; ++dx) {
    for (int dy = -10; dy <= 10; ++dy) {
      const double grey = Sample(app, X + dx, Y - dy);
      if (best > grey) {
        best = RoundToWhole(grey);
        bestX = X + dx;
        bestY = Y - dy;
        found = true;
      }
    }
  }
  if (found) FromPicture(app.s, bestX, bestY, x, y);
  Marker(app, bestX, bestY);
}

void AutoselectWeighted(App& app, double& x, double& y, WeightedCentre* centre) {
  double X = 0, Y = 0;
  ToPicture(app.s, x, y, X, Y);
  WeightedSquare grey{};
  for (int dx = -kWeightedReach_px; dx <= kWeightedReach_px; ++dx)
    for (int dy = -kWeightedReach_px; dy <= kWeightedReach_px; ++dy)
      grey[static_cast<std::size_t>((dx + kWeightedReach_px) * kWeightedSide + dy + kWeightedReach_px)] =
          Sample(app, X + dx, Y - dy);
  const WeightedCentre c = WeightedCentreOfSquare(X, Y, grey);
  if (centre) *centre = c;
  FromPicture(app.s, c.x, c.y, x, y);
  Marker(app, c.x, c.y);
}

void Autoselect(App& app, double& x, double& y, double* sx_px, double* sy_px) {
  WeightedCentre c;
  c.sx_px = c.sy_px = std::nan("");
  switch (app.s.AutoselectMode) {
    case 0: AutoselectNearest(app, x, y); break;
    case 1: AutoselectDarkest(app, x, y); break;
    case 2: AutoselectWeighted(app, x, y, &c); break;
    default: break;
  }
  if (sx_px) *sx_px = c.sx_px;
  if (sy_px) *sy_px = c.sy_px;
}

}  // namespace pelorin
