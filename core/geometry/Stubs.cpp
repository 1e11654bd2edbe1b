// Placeholders until the solar geometry lands; each is removed as its real
// definition is written.
#include <stdexcept>

#include "geometry/Angles.h"
#include "geometry/Ephemeris.h"
#include "geometry/Grid.h"
#include "geometry/Transform.h"

namespace pelorin {
double ArcSin(double) { throw std::logic_error("ArcSin not built yet"); }
double Reduce360(double) { throw std::logic_error("Reduce360 not built yet"); }
void JulianDay(double, double, double, double, double&) { throw std::logic_error("JulianDay not built yet"); }
void SexagesimalToDecimal(double, double, double, double&) { throw std::logic_error("not built yet"); }
void DecimalToSexagesimal(double, double&, double&, double&) { throw std::logic_error("not built yet"); }
void SolarEphemeris(double, double, double, double&, double&, double&, double&, double&) {
  throw std::logic_error("SolarEphemeris not built yet");
}
bool IsNorthUp(const ProgramState& s) { return s.ImageType == 1 || s.NorthUpImage == 1; }
void PixelToSystem(const ProgramState&, double&, double&, double&, double&) { throw std::logic_error("not built yet"); }
void SystemToPixel(const ProgramState&, double&, double&) { throw std::logic_error("not built yet"); }
void PixelToHeliographic(const ProgramState&, double, double, double, double&, double&, double&) {
  throw std::logic_error("not built yet");
}
void HeliographicToPixel(const ProgramState&, double, double, double, double&, double&) {
  throw std::logic_error("not built yet");
}
void ComputeGrid(ProgramState&) { throw std::logic_error("not built yet"); }
void mreza_Click(App&) { throw std::logic_error("not built yet"); }
}  // namespace pelorin
