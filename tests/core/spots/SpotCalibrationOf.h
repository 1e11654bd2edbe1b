// The calibration of a generated picture as the spot finder takes it.
// Header only.
#pragma once

#include "SunPicture.h"
#include "spots/Spots.h"

namespace pelorin::test {

inline DiscCalibration CalibrationOf(const gen::Truth& t) {
  DiscCalibration c;
  c.x0 = t.x0_px;
  c.y0 = t.y0_px;
  c.rk = t.rk_px;
  c.P = t.eph.P_deg;
  c.B0 = t.eph.B0_deg;
  c.L0 = t.eph.L0_deg;
  c.rho0 = t.eph.rho0_AU;
  c.orientation = t.orientation_deg;
  c.northUp = t.northUp;
  return c;
}

}  // namespace pelorin::test
