// The 1-sigma errors of a heliographic position, propagated to first order
// through the transform from everything the position is made of: the disc
// (centre and radius), the orientation, the time (through P, B0 and L0) and
// the picture point itself.
//
// First order holds while the transform is nearly linear over the errors:
// on the disc up to about 70 degrees from its centre, where the
// foreshortening (cos of the heliocentric angle) is still above 0.34 and
// changes slowly. Beyond that a radius or point error moves the position by
// an amount that grows faster than linearly, and the result is flagged.
#pragma once

#include <array>

#include "geometry/Transform.h"

namespace pelorin {

// Heliocentric angle from the disc centre beyond which first order is not
// trusted, degrees (the propagation was checked against sampling up to it).
inline constexpr double kFirstOrderLimit_deg = 70;

// The errors assumed where nothing measured them, 1 sigma. A calibration
// read from a picture's header: its centre and radius to a quarter of a
// pixel and its orientation to a hundredth of a degree (what a pipeline's
// limb fit and pointing give). The time of a picture to half a minute (the
// exposure's middle as a header or file name gives it). A click on the
// picture to half a pixel (a pixel's own width). A limb fitted to three
// points leaves no residual: each point is taken as good to a pixel.
inline constexpr double kHeaderDisc_px = 0.25;
inline constexpr double kHeaderOrientation_deg = 0.01;
inline constexpr double kDefaultTime_h = 0.5 / 60;
inline constexpr double kClick_px = 0.5;
inline constexpr double kAssumedLimbPoint_px = 1;

// The errors of a calibration, 1 sigma.
struct CalibrationErrors {
  // Covariance of the disc centre x0, y0 and radius rk, pixels squared, in
  // that order.
  std::array<std::array<double, 3>, 3> disc{};
  double orientation_deg = 0;  // of the orientation angle
  double time_h = 0;           // of the UT, hours
  // How P, B0 and L0 change with the time, degrees per hour (EphemerisRates);
  // a time error moves all three together.
  double dP_dh = 0, dB0_dh = 0, dL0_dh = 0;
};

// The disc's covariance of independent errors of x0, y0 and rk (pixels).
std::array<std::array<double, 3>, 3> IndependentDiscCovariance(double sx0_px, double sy0_px, double srk_px);

// The rates of P, B0 and L0 (degrees per hour) at a date and UT (decimal
// hours), from the ephemeris an hour either side; L0's carried across 0/360.
void EphemerisRates(double year, double month, double day, double hours, double& dP_dh, double& dB0_dh,
                    double& dL0_dh);

struct PositionErrors {
  double B_deg = 0, CMD_deg = 0, L_deg = 0;  // 1 sigma, degrees
  double centreAngle_deg = 0;                // heliocentric angle of the point from the disc centre
  // False off the disc (no position, the errors NaN) and beyond
  // kFirstOrderLimit_deg (the errors are those of first order, an
  // underestimate there).
  bool firstOrder = true;
};

// The errors of the position of picture point (X, Y) (pixels, y down) on
// calibration `c` with orientation `orientation_deg` (as PixelToHeliographic
// takes them), for calibration errors `e` and independent errors sx, sy of
// the point (pixels). Derivatives by central differences of the unrounded
// transform.
PositionErrors PropagatePositionErrors(const DiscCalibration& c, double X, double Y, double orientation_deg,
                                       const CalibrationErrors& e, double sx_px, double sy_px);

}  // namespace pelorin
