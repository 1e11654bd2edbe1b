// The calibration's errors kept beside a data file: "x.dat" -> "x.cal", plain
// key=value lines. The data file holds the calibration itself; what its
// errors need and it does not hold (the fit's covariance, the errors of the
// orientation and of the time) is written here on Save and read back when
// the picture opens.
#pragma once

#include <string>
#include <vector>

#include "geometry/PositionErrors.h"

namespace pelorin {

// A measured point whose own error is not a click's (autoselect's weighted
// centre): its record's B and L (degrees, as the data file holds them, 5
// decimals) and the point's 1-sigma errors in picture x and y (pixels).
struct PointError {
  double B_deg = 0, L_deg = 0, sx_px = 0, sy_px = 0;
};

// 1 sigma errors of a calibration, as they were measured or assumed.
struct CalErrors {
  // The disc centre and radius, pixels, and their covariances, pixels squared.
  double x0_px = 0, y0_px = 0, rk_px = 0;
  double cov_x0y0 = 0, cov_x0rk = 0, cov_y0rk = 0;
  double orientation_deg = 0;  // of the orientation angle
  double time_min = 0;         // of the UT, minutes
  // Where the disc's and the orientation's errors come from: "fit" (a fit's
  // residuals), "header" (a header's precision) or "assumed" (a default,
  // nothing measured: a limb of three points, a calibration read from a data
  // file without its .cal).
  std::string discSource = "assumed", orientationSource = "assumed";
  // The records' points with errors of their own, in file order.
  std::vector<PointError> points;
};

// The errors taken where nothing measured them: a calibration read from a
// data file without its .cal (kAssumedDisc_px, kAssumedOrientation_deg), or
// one from a picture's header (kHeaderDisc_px, kHeaderOrientation_deg);
// the time's kDefaultTime_h in both.
CalErrors AssumedCalErrors();
CalErrors HeaderCalErrors();

// The errors as the propagation takes them: the disc's covariance, the
// orientation's and the time's, with the rates of P, B0 and L0 at the
// picture's date and UT (hours) when the date is known (none otherwise: the
// time then moves nothing); on a north-up picture the time does not move P.
CalibrationErrors PropagationErrorsOf(const CalErrors& c, bool dateKnown, double year, double month, double day,
                                      double hours, bool northUp);

// "x.dat" -> "x.cal" (a name without ".dat" gets ".cal" added).
std::string CalFileNameOf(const std::string& dataFileName);

// The file's text: a comment line, then one key=value per line, LF ends;
// each point last, "point_err=B,L,sx,sy".
std::string CalFileText(const CalErrors& e);

// Reads the text of a .cal file. Unknown keys are ignored (a later version
// may add some); every key of CalFileText must be there once, with a finite
// number (not negative for the errors) or, for the two sources, one of the
// three words; point_err may come any number of times, four numbers, the
// errors not negative. Returns false on the first fault, `error` then naming its line and
// key ("line 3: x0_err: not a number"), `out` left untouched.
bool ParseCalFile(const std::string& text, CalErrors& out, std::string& error);

}  // namespace pelorin
