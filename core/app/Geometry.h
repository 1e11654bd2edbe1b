// The geometry of the open picture: the program state's calibration as a
// value, the transforms on it, the heliographic grid and its menu item.
#pragma once

#include "app/App.h"
#include "formats/HeaderCalibration.h"
#include "geometry/Grid.h"
#include "geometry/Transform.h"

namespace pelorin {

// A north-up picture: ImageType 1 (SOHO) or NorthUpImage 1.
bool IsNorthUp(const ProgramState& s);

// The state's calibration: the zero point as disc centre, LimbRadius, the
// ephemeris, OrientationAngle and IsNorthUp. Whatever is not set yet stays as
// the state holds it (0), which the transforms treat as no disc or no date.
DiscCalibration CalibrationOf(const ProgramState& s);

// The transforms of geometry/Transform.h on the state's calibration and its
// CoordSystem (contracts there).
void PixelToSystem(const ProgramState& s, double& X, double& Y, double& R, double& fi);
void SystemToPixel(const ProgramState& s, double& a, double& b);
void PixelToHeliographic(const ProgramState& s, double X, double Y, double orientation_deg, double& B,
                         double& CMD, double& L);
void HeliographicToPixel(const ProgramState& s, double L_deg, double B_deg, double orientation_deg, double& X,
                         double& Y);
void HeliographicToPicture(const ProgramState& s, double L_deg, double B_deg, double orientation_deg, double& X,
                           double& Y);

// The grid of the state's calibration into GridPointX/GridPointY (see
// geometry/Grid.h; throws std::overflow_error as ComputeGrid does).
void ComputeGrid(ProgramState& s);

// Puts a calibration into the program state as a calibrated picture:
// date, time, P, B0, L0, rho0, disc, orientation; ImageType 1 (SOHO, north
// up) or, for a mirrored picture, 0 (scan) with NorthUpImage 0; DateKnown 1,
// CalibrationState 3.
void ApplyHeaderCalibration(const HeaderCalibration& c, ProgramState& s);

// Settings -> grid: toggles GridOn, computing the grid when it comes on (a
// point beyond the 16-bit range leaves it off, with a message), then redraws.
void mreza_Click(App& app);

}  // namespace pelorin
