// Conversions between picture points, the chosen coordinate system and
// heliographic coordinates. They read the zero point (ZeroPointX/Y), the limb
// radius, CoordSystem, CalibrationState, the ephemeris and the picture type
// from the program state and draw nothing.
#pragma once

#include "app/State.h"

namespace pelorin {

// Solar radius in astronomical units (also the Sun's angular radius in
// radians seen from 1 AU).
inline constexpr double kSolarRadiusAU = 0.004652472;

// A north-up picture: ImageType 1 (SOHO) or NorthUpImage 1.
bool IsNorthUp(const ProgramState& s);

// Picture point (X, Y) in pixels, y down, to the current CoordSystem about
// the zero point. Systems 0..7 replace X and Y; systems 8 and 9 leave X and Y
// and write the radius R (pixels) and angle fi (degrees from the direction of
// growing x, counter-clockwise on screen for 8, clockwise for 9; [0, 360)
// except -90/90/0 when dx is 0: 8 gives 90 straight up, -90 straight down).
// Other systems change nothing (R and fi included).
void PixelToSystem(const ProgramState& s, double& X, double& Y, double& R, double& fi);

// The inverse of PixelToSystem: system values (a, b), for 8 and 9 (R, fi in
// degrees), replaced by the picture point. System 8 while CalibrationState is
// 3 returns a and b unchanged (object points then hold picture pixels).
void SystemToPixel(const ProgramState& s, double& a, double& b);

// Heliographic latitude B, central meridian distance CMD (both (-180, 180])
// and Carrington longitude L ([0, 360)) in degrees, rounded to 5 decimals, of
// the picture point (X, Y). `orientation_deg` is OrientationAngle. Points
// strictly outside the limb give B = 0, CMD = 0, L = L0. On a north-up
// picture the x offset counts positive to the left. At the zero point the
// result is B = B0, CMD = 0, L = L0. Without a usable disc or distance
// (LimbRadius or rho0 not a positive finite number, i.e. before the limb fit
// or the date) every point counts as outside: B = 0, CMD = 0, L = L0.
void PixelToHeliographic(const ProgramState& s, double X, double Y, double orientation_deg, double& B,
                         double& CMD, double& L);

// Picture point (unrounded pixels) of heliographic L, B (degrees); callers
// pass -OrientationAngle. Ignores the picture type: on a north-up picture the
// point comes out mirrored in the vertical through the zero point. No
// visibility test: far-side points land just inside the limb. The disc
// centre maps to the zero point. Where the arithmetic gives no finite point
// (rho0 equal to the solar radius, a non-finite input) the zero point is
// returned.
void HeliographicToPixel(const ProgramState& s, double L_deg, double B_deg, double orientation_deg, double& X,
                         double& Y);

// The picture point where heliographic L, B (degrees) lies on this picture:
// HeliographicToPixel, and on a north-up picture (IsNorthUp) reflected back
// in the vertical through the zero point, so that PixelToHeliographic with
// the same orientation finds L, B there on every picture. Callers pass
// -OrientationAngle, as to HeliographicToPixel. Used to put stored points and
// reference catalogue marks on the picture.
void HeliographicToPicture(const ProgramState& s, double L_deg, double B_deg, double orientation_deg, double& X,
                           double& Y);

}  // namespace pelorin
