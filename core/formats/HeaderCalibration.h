// The calibration of a picture from its FITS header (a FITS file, or the XML
// box of a JPEG 2000 file): date, disc and observer in the program's own
// terms, so that the ordinary transform gives B, CMD and L that follow the
// picture's WCS.
#pragma once

#include <string>
#include <vector>

#include "formats/FitsDate.h"
#include "base/PictureHeader.h"

namespace pelorin {

struct HeaderCalibration {
  double x0 = 0, y0 = 0;  // disc centre, picture pixels (x right, y down)
  double rk = 0;          // disc radius, picture pixels
  double P = 0;           // degrees; 0: the helioprojective axes point to solar north
  double B0 = 0, L0 = 0;  // degrees, 4 decimals; L0 in [0, 360)
  double rho0 = 0;        // the observer's distance in the program's unit (see below), 6 decimals
  double orientation = 0; // OrientationAngle, degrees
  int northUp = 1;        // 1: west to the right of north (NorthUpImage); 0: mirrored
  ObservationTime time;   // UT
  std::vector<std::string> quirks;  // names of the header mends that were applied
};

// Works the calibration out of `header` for a picture of `width` x `height`
// pixels. Header pixel (p1, p2) is picture pixel (p1 - 1, height - p2).
//
// Read, each keyword's first card:
// - time: DATE-OBS or DATE_OBS, with TIME-OBS or TIME_OBS when the date
//   holds only the day (HeaderObservationTime); UT.
// - axes: CTYPE1/CTYPE2 HPLN-xxx/HPLT-xxx or Solar-X/Solar-Y (either
//   order; both missing counts as helioprojective). CUNITi arcsec (the
//   default), arcmin, deg, rad or mas. The pixel-to-world matrix from
//   CDi_j when any is given, else CDELTi with PCi_j when any is given, else
//   with CROTA2 (0 by default). It must be a rotation times one scale,
//   mirrored or not (square pixels, no skew, to 2e-5); its angle is the
//   orientation and a mirror makes northUp 0.
// - centre: the picture pixel of helioprojective (0, 0), through CRPIX1/2
//   and CRVAL1/2 (0 by default) with the gnomonic (TAN) projection.
// - observer distance over solar radius, D/R, which sets the perspective:
//   DSUN_OBS (m) over RSUN_REF (m, default the program's 696000 km); else
//   1/sin(RSUN_OBS) (arcsec); else 1/sin of SOLAR_R or R_SUN (pixels) times
//   the scale; else, for a pixel radius without a scale, the ephemeris.
//   rho0 = 0.004652472 * D/R, which is DSUN_OBS in AU when RSUN_REF is the
//   default; and rk = (R/D) / scale, which keeps the transform's angular
//   scale (0.004652472 / rho0 / rk radians a pixel) equal to the WCS's.
// - scale: from the matrix; without one, from SOLAR_R or R_SUN (pixels).
// - B0: HGLT_OBS, CRLT_OBS or SOLAR_B0. L0: CRLN_OBS, else the ephemeris'
//   L0 plus HGLN_OBS (the observer's Stonyhurst longitude, 0 for the Earth).
//   What is missing comes from the ephemeris of the date.
// Quirks mended first (named in `quirks`): OBS_DIST (AU) for a missing
// DSUN_OBS; CROTA or CROTA1 for a missing CROTA2.
//
// x0, y0, rk and the orientation are held as the data file writes them
// (15 significant digits), so that a data file gives back the same values.
//
// Returns true and fills `out`. Returns false, `out` unchanged, with
// `missing` naming everything the header lacks or gets wrong ("; " between
// items): no or unreadable date, no usable scale (zero CDELT, skewed or
// singular matrix), no reference pixel, an absurd CRPIX or CRVAL (the disc
// would not reach into the picture), no radius, values that are not numbers
// or out of range.
bool CalibrateFromHeader(const PictureHeader& header, int width, int height, HeaderCalibration& out,
                         std::string& missing);

// Why a picture named `pictureName` (bare name) cannot be measured with the
// calibration `c` of its header ("" when it can): a mirrored picture whose
// Kanzelhoehe name says north up, which its data file cannot record.
std::string HeaderCalibrationRefusal(const HeaderCalibration& c, const std::string& pictureName);

}  // namespace pelorin
