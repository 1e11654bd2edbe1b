// The coordinate-system dialog "Koordinate" and the zero point.
#pragma once

#include "app/App.h"

namespace pelorin {

class CoordDialog {
 public:
  explicit CoordDialog(App& app) : app_(app) {}
  // A diagram clicked: system `index`, calibration reset, a.tmp emptied,
  // points discarded, Zero point enabled, dialog unloaded.
  void Picture_Click(int index);
  // A diagram's label clicked: as Picture_Click but keeps CalibrationState and
  // does not enable Zero point.
  void Label1_Click(int index);
  void Cancel_Click();
  bool Unloaded() const { return unloaded_; }

 private:
  void Choose(int index);
  App& app_;
  bool unloaded_ = false;
};

// Settings -> "Coor. system".
void koor_Click(App& app);
// Settings -> "Zero point": the next click on the picture sets the zero point.
void Ishodiste_Click(App& app);

}  // namespace pelorin
