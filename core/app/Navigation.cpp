#include "app/Navigation.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "app/Dispatcher.h"
#include "base/Text.h"

namespace pelorin {

void HScroll1_Change(App& app) {
  if (app.s.QuickMoveActive != 1) Redraw(app);
}
void VScroll1_Change(App& app) {
  if (app.s.QuickMoveActive != 1) Redraw(app);
}
void HScroll1_Scroll(App& app) { Redraw(app); }
void VScroll1_Scroll(App& app) { Redraw(app); }

void StepScroll(App& app, ScrollBar bar, int delta) {
  const long v = static_cast<long>(app.win.ScrollValue(bar)) + delta;
  if (v < 0 || v > app.win.ScrollMax(bar)) throw std::out_of_range("scroll step beyond the range");
  app.win.SetScrollValue(bar, static_cast<int>(v));
}

void StartQuickMove(App& app, double X, double Y) {
  ProgramState& s = app.s;
  s.QuickMoveX = ToInt16(std::clamp(X, -32768.0, 32767.0));
  s.QuickMoveY = ToInt16(std::clamp(Y, -32768.0, 32767.0));
  s.QuickMoveActive = 1;
}

void QuickMoveStep(App& app, double X, double Y) {
  ProgramState& s = app.s;
  WindowPort& w = app.win;
  const double h = w.ScrollValue(ScrollBar::H) + s.QuickMoveX - X;
  const double v = w.ScrollValue(ScrollBar::V) + s.QuickMoveY - Y;
  const int hMax = w.ScrollMax(ScrollBar::H), vMax = w.ScrollMax(ScrollBar::V);
  s.QuickMoveValueH = static_cast<std::int32_t>(std::lround(std::clamp(h, -1.0, static_cast<double>(hMax))));
  s.QuickMoveValueV = static_cast<std::int32_t>(std::lround(std::clamp(v, -1.0, static_cast<double>(vMax))));
  if (app.geo.pictureWidth < app.geo.frameWidth) s.QuickMoveValueH = -1;
  if (s.QuickMoveValueH < 0) s.QuickMoveValueH = 0;
  if (s.QuickMoveValueV < 0) s.QuickMoveValueV = 0;
  w.SetScrollValue(ScrollBar::H, s.QuickMoveValueH);
  w.SetScrollValue(ScrollBar::V, s.QuickMoveValueV);
}

void Picture1_MouseUp(App& app, int, int, double, double) {
  app.s.QuickMoveActive = 0;
  Redraw(app);
}

}  // namespace pelorin
