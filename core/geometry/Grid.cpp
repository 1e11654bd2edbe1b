#include "geometry/Grid.h"

#include <array>
#include <cstdint>
#include <stdexcept>

#include "app/Dispatcher.h"
#include "app/Text.h"
#include "geometry/Transform.h"

namespace pelorin {

void ComputeGrid(ProgramState& s) {
  // Build into copies so that a failure leaves the stored grid as it was.
  std::array<std::int16_t, kGridArray + 1> gx = s.GridPointX;
  std::array<std::int16_t, kGridArray + 1> gy = s.GridPointY;
  const double o = -s.OrientationAngle;
  std::size_t n = 0;
  auto put = [&](double L, double B) {
    double X = 0;
    double Y = 0;
    // Where the point lies on this picture, as the read-out finds it (on a
    // north-up picture turned by its orientation too).
    HeliographicToPicture(s, L, B, o, X, Y);
    ++n;
    gx[n] = ToInt16(X);
    gy[n] = ToInt16(Y);
  };
  // Parallels every 10 degrees, traced at 1-degree steps of longitude.
  for (int i = 0; i <= 16; ++i)
    for (int j = 0; j <= 180; ++j) put(s.L0 - 90 + j, -80 + 10 * i);
  // Meridians every 10 degrees, traced at 1-degree steps of latitude.
  for (int i = 0; i <= 160; ++i)
    for (int j = 0; j <= 18; ++j) put(s.L0 - 90 + 10 * j, -80 + i);
  s.GridPointX = gx;
  s.GridPointY = gy;
}

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
