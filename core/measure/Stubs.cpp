// Placeholders until measuring lands; each is removed as its real definition
// is written.
#include <stdexcept>

#include "measure/Autoselect.h"
#include "measure/Points.h"

namespace pelorin {
void Picture1_MouseDown(App&, int, int, double, double) { throw std::logic_error("not built yet"); }
void Objekt_Click(App&) { throw std::logic_error("not built yet"); }
void Objektend_Click(App&) { throw std::logic_error("not built yet"); }
void Selectmode_Click(App&) { throw std::logic_error("not built yet"); }
void AutoselectNearest(App&, double&, double&) { throw std::logic_error("not built yet"); }
void AutoselectDarkest(App&, double&, double&) { throw std::logic_error("not built yet"); }
void AutoselectWeighted(App&, double&, double&) { throw std::logic_error("not built yet"); }
void Autoselect(App&, double&, double&) { throw std::logic_error("not built yet"); }
}  // namespace pelorin
