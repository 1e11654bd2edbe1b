// The pictures the measuring tests click on. Header only.
#pragma once

#include "TestApp.h"
#include "base/Text.h"

namespace pelorin::test {

// A 200 x 200 white picture, zero point (100, 100), clicks taken as they are.
inline void Blank(TestApp& t) {
  t.pic.Fill(200, 200, RGB(255, 255, 255));
  t.app.s.ZeroPointX = 100;
  t.app.s.ZeroPointY = 100;
  t.app.s.ManualSelection = kTrue;
}

// That picture calibrated: disc of radius 50 px about (100, 100), P = B0 = 0,
// L0 = 100, orientation 0; temp.dat open.
inline void Calibrated(TestApp& t) {
  Blank(t);
  ProgramState& s = t.app.s;
  s.CalibrationState = 3;
  s.CoordSystem = 8;
  s.LimbRadius = 50;
  s.rho0 = 1;
  s.L0 = 100;
  t.app.file2.Open("temp.dat");
  t.win.SetMenuEnabled(Menu::Objekt, true);
}

}  // namespace pelorin::test
