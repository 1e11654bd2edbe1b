// Placeholders until calibration lands; each is removed as its real
// definition is written.
#include <stdexcept>

#include "calibration/Limb.h"
#include "calibration/Orientation.h"

namespace pelorin {
void Limb_Click(App&) { throw std::logic_error("not built yet"); }
void limbend_Click(App&) { throw std::logic_error("not built yet"); }
int FitLimbCircle(const ProgramState&, std::int16_t, double&, double&, double&, double&, double&, double&) {
  throw std::logic_error("not built yet");
}
int SolveLinearSystem(int, Matrix3&, Vector3&, Vector3&) { throw std::logic_error("not built yet"); }
DirectionDialog::DirectionDialog(App& app, bool axis) : app_(app), axis_(axis) {}
void DirectionDialog::Option1_Click(int index) { parallel_ = index == 0; }
void DirectionDialog::Frame1_Click(int index) { selected_ = index; }
void DirectionDialog::Command3D1_Click() { unloaded_ = true; }
void DirectionDialog::Close() { unloaded_ = true; }
void dnevnihod_Click(App&) { throw std::logic_error("not built yet"); }
void ossunca_Click(App&) { throw std::logic_error("not built yet"); }
void dirend_Click(App&) { throw std::logic_error("not built yet"); }
void FitDailyParallel(const ProgramState&, std::int16_t, double&) { throw std::logic_error("not built yet"); }
}  // namespace pelorin
