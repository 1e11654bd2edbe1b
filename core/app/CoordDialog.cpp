#include "app/CoordDialog.h"

#include "app/WorkSlot.h"

namespace pelorin {

namespace {
// Empties the window's point log by opening it afresh in the current folder.
void RestartPointLog(App& app) {
  app.file1.Close();
  OpenPointLog(app);
}
}  // namespace

void CoordDialog::Choose(int index) {
  app_.s.CoordSystem = static_cast<float>(index);
  RestartPointLog(app_);
  app_.s.PointCount = 0;
}

void CoordDialog::Picture_Click(int index) {
  if (index < 0 || index > 9 || unloaded_) return;
  app_.s.CalibrationState = 0;
  Choose(index);
  app_.win.SetMenuEnabled(Menu::Ishodiste, true);
  unloaded_ = true;
}

void CoordDialog::Label1_Click(int index) {
  if (index < 0 || index > 9 || unloaded_) return;
  Choose(index);
  unloaded_ = true;
}

void CoordDialog::Cancel_Click() { unloaded_ = true; }

void koor_Click(App& app) {
  app.win.SetMainEnabled(false);
  CoordDialog dialog(app);
  app.win.ShowCoordDialog(dialog);
  app.win.SetMainEnabled(true);
}

void Ishodiste_Click(App& app) {
  ProgramState& s = app.s;
  s.ZeroPointPending = 1;
  s.PointCount = 0;
  s.StoredPointCount = 0;
  RestartPointLog(app);
  const bool other = s.ImageType == 2;
  app.win.SetMenuEnabled(Menu::datum, !other);
}

}  // namespace pelorin
