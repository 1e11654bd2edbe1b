// Orientation of the picture from the daily parallel or the rotation axis,
// with the dialogs "smjer" and "smjerosi".
#pragma once

#include <cstdint>

#include "app/App.h"

namespace pelorin {

// The model of both orientation dialogs. `axis` false: "smjer" (caption
// "orientation", east frames, "Parallel to WE"); true: "smjerosi" (caption
// "Orientation of polar axe", north frames, "Paralel to NS").
class DirectionDialog {
 public:
  DirectionDialog(App& app, bool axis);
  bool Axis() const { return axis_; }
  // The frame shown red (selected); frame 0 on loading.
  int SelectedFrame() const { return selected_; }
  // Option1(0) "Parallel ..." (true) or Option1(1) "Perpendicular ..." (false).
  bool ParallelOption() const { return parallel_; }
  void Option1_Click(int index);
  void Frame1_Click(int index);
  void Command3D1_Click();
  // Closing by the close box.
  void Close();
  bool Unloaded() const { return unloaded_; }

 private:
  App& app_;
  bool axis_;
  int selected_ = 0;
  bool parallel_ = true;
  bool unloaded_ = false;
};

// Settings -> Input -> Orientation -> "Parallel to the Earth's equator".
void dnevnihod_Click(App& app);
// Settings -> Input -> Orientation -> "Sun's rotation axis".
void ossunca_Click(App& app);
// The direction input's End button.
void dirend_Click(App& app);

// Least-squares line y = k x + q through PointX/PointY(1..n); angle of the
// line from +x towards +y in degrees, (-90, 90), or 90 for a vertical line.
void FitDailyParallel(const ProgramState& s, std::int16_t n, double& angle_deg);

}  // namespace pelorin
