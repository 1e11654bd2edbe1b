// Orientation of the picture from the daily parallel or the rotation axis,
// with the dialogs "smjer" and "smjerosi".
#pragma once

#include <cstdint>
#include <string>

#include "app/App.h"

namespace pelorin {

// The model of both orientation dialogs. `axis` false: "smjer" (caption
// "orientation", frames showing where east lies, "Parallel to WE" /
// "Perpendicular to WE"); true: "smjerosi" (caption "Orientation of polar
// axe", frames showing where north lies, "Paralel to NS" / "Perpendicular to
// NS"). Loading shows frame 0 selected and sets DirectionChoice to 0 to
// match it, and "Parallel" chosen. Unloading (Command3D1 or the close box)
// enables the main window again.
class DirectionDialog {
 public:
  DirectionDialog(App& app, bool axis);
  bool Axis() const { return axis_; }
  // Texts of the dialog.
  std::string Caption() const;
  std::string OptionCaption(int index) const;  // Option1(0), Option1(1)
  std::string FrameLabel() const;              // "E" or "N"
  // The frame shown red (selected); frame 0 on loading.
  int SelectedFrame() const { return selected_; }
  // Colour (0x00BBGGRR) of the lines and label of frame `index`: red (255)
  // for the selected frame, black (0) for the others.
  std::uint32_t FrameColour(int index) const { return index == selected_ ? 255u : 0u; }
  // Option1(0) "Parallel ..." (true) or Option1(1) "Perpendicular ..." (false).
  bool ParallelOption() const { return parallel_; }
  void Option1_Click(int index);
  // Frame `index` (0..3; others ignored): DirectionChoice = index, that frame
  // selected.
  void Frame1_Click(int index);
  // Confirms: DirectionChoice + 4 when "Perpendicular" is chosen, then unloads.
  void Command3D1_Click();
  // Closing by the close box: unloads without adding anything.
  void Close();
  bool Unloaded() const { return unloaded_; }

 private:
  void Unload();
  App& app_;
  bool axis_;
  int selected_ = 0;
  bool parallel_ = true;
  bool unloaded_ = false;
};

// Settings -> Input -> Orientation -> "Parallel to the Earth's equator":
// shows "smjer" (main window disabled until it unloads), then opens the
// direction input: AxisInput 0, system 0, a previous orientation discarded,
// dirend shown, "Weighted", points cleared, menus of other inputs disabled.
void dnevnihod_Click(App& app);
// Settings -> Input -> Orientation -> "Sun's rotation axis": as dnevnihod_Click
// with "smjerosi", AxisInput true and the selection mode left alone.
void ossunca_Click(App& app);
// The direction input's End button. Fewer than 3 points: "You must enter at
// least 3 points" and the input stays open. Otherwise OrientationAngle
// (degrees, [0, 360)) = the fitted direction, + 90 for the perpendicular
// option, for the axis input - 90 + P, reduced, then turned by 180 as the
// chosen frame requires; "daily parallel=" & angle & "°" is shown, the
// orientation line goes to temp.dat, the measuring menus are enabled and the
// grid is shown. A failed write of temp.dat is reported naming the file; the
// orientation in memory stands.
void dirend_Click(App& app);

// The orientation is known (after the direction input, or at once for a
// north-up picture after the limb fit): records OrientationAngle in temp.dat
// (a failed write is reported), enables the measuring menus and shows the
// heliographic grid computed afresh.
void FinishOrientation(App& app);

// FitDailyParallel (calibration/Orientation.h) on the state's PointX/PointY,
// with the angle's 1-sigma error when `angleError_deg` is given.
void FitDailyParallel(const ProgramState& s, std::int16_t n, double& angle_deg, double* angleError_deg = nullptr);

}  // namespace pelorin
