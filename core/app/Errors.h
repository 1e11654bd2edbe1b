// The errors of the open picture's positions: where the calibration's errors
// come from (the fits, a header, the .cal beside the data file, the
// defaults), and the 1-sigma errors of a point or a record propagated
// through the transform (geometry/PositionErrors.h).
#pragma once

#include <string>

#include "app/App.h"
#include "geometry/PositionErrors.h"

namespace pelorin {

// The calibration's errors as the propagation takes them: app.calErrors with
// the rates of P, B0 and L0 at the picture's date and time.
CalibrationErrors CalibrationErrorsOf(const App& app);

// The errors of picture point (X, Y) (pixels, y down) whose own error is
// `point_px` in x and in y; needs a full calibration (CalibrationState 3).
PositionErrors PositionErrorsAt(const App& app, double X, double Y, double point_px);

// The errors of a record at (B_deg, L_deg): its picture point found by the
// inverse transform, a click's error (kClick_px). firstOrder false when the
// point is off the disc.
PositionErrors RecordErrors(const App& app, double B_deg, double L_deg);

// The errors of a record of the list: a found spot's own (the finder's, or
// the .spots.csv's), otherwise as above with the point's own error where it
// has one (autoselect's weighted centre) instead of a click's.
PositionErrors RecordErrors(const App& app, const RecordLine& r);

// "fit", "header" or "assumed": the weaker of the disc's and the
// orientation's sources, as Export's err_source column gives it.
std::string ErrorSource(const App& app);

// Where the errors come from, for the ± columns' tooltip, e.g. "1-sigma
// errors; limb: from its fit; orientation: assumed; time: ±0.5 min". A part
// without measured errors is named "assumed" (the defaults in the README).
std::string ErrorSourceNote(const App& app);

// What a record's point's error is, for the tooltip: "a click, ±0.5 px",
// "the weighted centre, ±0.04 px" (autoselect) or "the found spot's centre"
// (its errors are the finder's).
std::string PointErrorNote(const RecordLine& r);

// The sources of the errors, as the calibration is made.
// A new picture: nothing measured yet, the assumed defaults.
void AssumeCalibrationErrors(App& app);
// A header's calibration: its default precision (kHeaderDisc_px,
// kHeaderOrientation_deg).
void HeaderCalibrationErrors(App& app);
// A limb fit: the disc's covariance (pixels squared, x0 y0 rk) and its
// source ("fit", or "assumed" for three points).
void LimbFitCalibrationErrors(App& app, const std::array<std::array<double, 3>, 3>& disc, const std::string& source);
// An orientation fit, or an orientation fixed by the picture's type.
void OrientationCalibrationErrors(App& app, double orientation_deg, const std::string& source);

// After the data file was read: the .cal beside `dataFile` gives the errors;
// without one, the assumed defaults. "" when read or absent; otherwise a
// note naming the file and the fault (the defaults are then used). Its
// points' errors wait in app.calErrors.points for the records
// (GivePointErrors).
std::string LoadCalBeside(App& app, const std::string& dataFile);

// Once the records are listed: the points' errors read from the .cal go to
// their records, and leave app.calErrors.
void GivePointErrors(App& app);

// On Save, after the data file was written: the errors into the .cal beside
// it, with those of the records' own points (atomically; not written again
// when it holds them already). "" when done, otherwise why, naming the file.
std::string SaveCalBeside(const App& app, const std::string& dataFile);

// " B_err=..": the ± text of an error for the read-out and the panel: two
// decimals, "+" after it beyond first order (a lower bound there).
std::string PlusMinusText(double err_deg, bool firstOrder);

}  // namespace pelorin
