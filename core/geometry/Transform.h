// Conversions between picture points, the chosen coordinate system and
// heliographic coordinates, on a plain calibration value. They draw nothing
// and keep no state.
#pragma once

namespace pelorin {

// Solar radius in astronomical units (also the Sun's angular radius in
// radians seen from 1 AU).
inline constexpr double kSolarRadiusAU = 0.004652472;

// What turns picture pixels into heliographic coordinates: the disc in
// picture pixels (x right, y down), the ephemeris of the observation and the
// picture's orientation. A value, never the program's state.
struct DiscCalibration {
  double x0 = 0, y0 = 0;    // disc centre (the zero point), picture pixels
  double rk = 0;            // disc radius, picture pixels; <= 0: no disc yet
  double P = 0;             // position angle of the rotation axis, degrees
  double B0 = 0, L0 = 0;    // heliographic latitude and Carrington longitude of the disc centre, degrees
  double rho0 = 1;          // Sun-observer distance, AU; <= 0: no date yet
  double orientation = 0;   // OrientationAngle, degrees
  bool northUp = false;     // x offsets count positive to the left (SOHO pictures, NorthUpImage 1)
};

// Picture point (X, Y) in pixels, y down, to coordinate system `system`
// (CoordSystem) about the zero point (x0, y0). Systems 0..7 replace X and Y; systems 8 and 9 leave X and Y
// and write the radius R (pixels) and angle fi (degrees from the direction of
// growing x, counter-clockwise on screen for 8, clockwise for 9; [0, 360)
// except -90/90/0 when dx is 0: 8 gives 90 straight up, -90 straight down).
// Other systems change nothing (R and fi included).
void PixelToSystem(float system, double x0, double y0, double& X, double& Y, double& R, double& fi);

// The inverse of PixelToSystem: system values (a, b), for 8 and 9 (R, fi in
// degrees), replaced by the picture point. System 8 on a calibrated picture
// (`calibrated`: CalibrationState 3) returns a and b unchanged (object points
// then hold picture pixels).
void SystemToPixel(float system, double x0, double y0, bool calibrated, double& a, double& b);

// Heliographic latitude B, central meridian distance CMD (both (-180, 180])
// and Carrington longitude L ([0, 360)) in degrees, rounded to 5 decimals, of
// the picture point (X, Y). `orientation_deg` is OrientationAngle (the
// calibration's own orientation is not read). Points
// strictly outside the limb give B = 0, CMD = 0, L = L0. On a north-up
// picture the x offset counts positive to the left. At the zero point the
// result is B = B0, CMD = 0, L = L0. Without a usable disc or distance
// (rk or rho0 not a positive finite number, i.e. before the limb fit
// or the date) every point counts as outside: B = 0, CMD = 0, L = L0.
void PixelToHeliographic(const DiscCalibration& c, double X, double Y, double orientation_deg, double& B,
                         double& CMD, double& L);

// PixelToHeliographic without the rounding to 5 decimals (B, CMD in
// (-180, 180], L in [0, 360)), for derivatives. `centreAngle_deg`, when
// given, receives the point's heliocentric angle from the disc centre in
// degrees (NaN for a point that counts as outside the limb).
void PixelToHeliographicUnrounded(const DiscCalibration& c, double X, double Y, double orientation_deg, double& B,
                                  double& CMD, double& L, double* centreAngle_deg = nullptr);

// Picture point (unrounded pixels) of heliographic L, B (degrees); callers
// pass -OrientationAngle. Ignores the picture type: on a north-up picture the
// point comes out mirrored in the vertical through the zero point. No
// visibility test: far-side points land just inside the limb. The disc
// centre maps to the zero point. Where the arithmetic gives no finite point
// (rho0 equal to the solar radius, a non-finite input) the zero point is
// returned.
void HeliographicToPixel(const DiscCalibration& c, double L_deg, double B_deg, double orientation_deg, double& X,
                         double& Y);

// The picture point where heliographic L, B (degrees) lies on this picture:
// HeliographicToPixel, and on a north-up picture (northUp) reflected back
// in the vertical through the zero point, so that PixelToHeliographic with
// the same orientation finds L, B there on every picture. Callers pass
// -OrientationAngle, as to HeliographicToPixel. Used to put stored points and
// reference catalogue marks on the picture.
void HeliographicToPicture(const DiscCalibration& c, double L_deg, double B_deg, double orientation_deg, double& X,
                           double& Y);

}  // namespace pelorin
