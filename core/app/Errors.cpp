#include "app/Errors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "app/Geometry.h"
#include "base/AtomicFile.h"
#include "base/TextFile.h"

namespace pelorin {

namespace {

int Rank(const std::string& source) { return source == "fit" ? 0 : source == "header" ? 1 : 2; }

void SetDisc(CalErrors& e, const std::array<std::array<double, 3>, 3>& c) {
  e.x0_px = std::sqrt(std::max(0.0, c[0][0]));
  e.y0_px = std::sqrt(std::max(0.0, c[1][1]));
  e.rk_px = std::sqrt(std::max(0.0, c[2][2]));
  e.cov_x0y0 = c[0][1];
  e.cov_x0rk = c[0][2];
  e.cov_y0rk = c[1][2];
}

}  // namespace

CalibrationErrors CalibrationErrorsOf(const App& app) {
  const ProgramState& s = app.s;
  return PropagationErrorsOf(app.calErrors, s.DateKnown != 0, s.DateYear, s.DateMonth, s.DateDay, s.TimeUT,
                             IsNorthUp(s));
}

PositionErrors PositionErrorsAt(const App& app, double X, double Y, double point_px) {
  return PropagatePositionErrors(CalibrationOf(app.s), X, Y, app.s.OrientationAngle, CalibrationErrorsOf(app),
                                 point_px, point_px);
}

namespace {

// The errors at the picture point of (B_deg, L_deg), the point's own errors
// sx_px, sy_px; NaN off the disc.
PositionErrors ErrorsOfPlace(const App& app, double B_deg, double L_deg, double sx_px, double sy_px) {
  double X = 0, Y = 0;
  HeliographicToPixel(app.s, L_deg, B_deg, app.s.OrientationAngle, X, Y);
  if (!std::isfinite(X) || !std::isfinite(Y)) {
    PositionErrors off;
    off.B_deg = off.CMD_deg = off.L_deg = std::nan("");
    off.firstOrder = false;
    return off;
  }
  return PropagatePositionErrors(CalibrationOf(app.s), X, Y, app.s.OrientationAngle, CalibrationErrorsOf(app), sx_px,
                                 sy_px);
}

}  // namespace

PositionErrors RecordErrors(const App& app, double B_deg, double L_deg) {
  return ErrorsOfPlace(app, B_deg, L_deg, kClick_px, kClick_px);
}

PositionErrors RecordErrors(const App& app, const RecordLine& r) {
  const bool own = std::isfinite(r.point_sx_px) && std::isfinite(r.point_sy_px);
  PositionErrors e = ErrorsOfPlace(app, r.B_deg, r.L_deg, own ? r.point_sx_px : kClick_px,
                                   own ? r.point_sy_px : kClick_px);
  if (std::isfinite(r.B_err) && std::isfinite(r.CMD_err) && std::isfinite(r.L_err)) {
    e.B_deg = r.B_err;
    e.CMD_deg = r.CMD_err;
    e.L_deg = r.L_err;
  }
  return e;
}

std::string ErrorSource(const App& app) {
  const CalErrors& e = app.calErrors;
  return Rank(e.discSource) >= Rank(e.orientationSource) ? e.discSource : e.orientationSource;
}

std::string ErrorSourceNote(const App& app) {
  const auto said = [](const std::string& source) {
    return source == "fit" ? "from its fit" : source == "header" ? "the header's precision" : "assumed";
  };
  char time[32];
  std::snprintf(time, sizeof time, "%.2g", app.calErrors.time_min);
  return std::string("1-sigma errors; limb: ") + said(app.calErrors.discSource) +
         "; orientation: " + said(app.calErrors.orientationSource) + "; time: \xC2\xB1" + time + " min";
}

std::string PointErrorNote(const RecordLine& r) {
  if (std::isfinite(r.B_err)) return "the found spot's centre";
  char text[64];
  if (std::isfinite(r.point_sx_px) && std::isfinite(r.point_sy_px)) {
    std::snprintf(text, sizeof text, "the weighted centre, \xC2\xB1%.2g px", std::max(r.point_sx_px, r.point_sy_px));
    return text;
  }
  std::snprintf(text, sizeof text, "a click, \xC2\xB1%.2g px", kClick_px);
  return text;
}

void AssumeCalibrationErrors(App& app) { app.calErrors = AssumedCalErrors(); }

void HeaderCalibrationErrors(App& app) { app.calErrors = HeaderCalErrors(); }

void LimbFitCalibrationErrors(App& app, const std::array<std::array<double, 3>, 3>& disc, const std::string& source) {
  SetDisc(app.calErrors, disc);
  app.calErrors.discSource = source;
}

void OrientationCalibrationErrors(App& app, double orientation_deg, const std::string& source) {
  app.calErrors.orientation_deg = orientation_deg;
  app.calErrors.orientationSource = source;
}

std::string LoadCalBeside(App& app, const std::string& dataFile) {
  AssumeCalibrationErrors(app);
  const std::string path = CalFileNameOf(dataFile);
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return "";
  std::string text, error;
  try {
    text = ReadFileBytes(path);
  } catch (const FileError& e) {
    return std::string("The calibration errors were not read: ") + e.what() + "; the assumed errors are used.";
  }
  CalErrors read;
  if (!ParseCalFile(text, read, error))
    return "The calibration errors in " + path + " were not read (" + error + "); the assumed errors are used.";
  app.calErrors = read;
  return "";
}

void GivePointErrors(App& app) {
  ApplyPointErrors(app.book.list, app.calErrors.points);
  app.calErrors.points.clear();
  ++app.book.generation;
}

std::string SaveCalBeside(const App& app, const std::string& dataFile) {
  CalErrors kept = app.calErrors;
  kept.points = PointErrorsOf(app.book.list);
  const std::string path = CalFileNameOf(dataFile), text = CalFileText(kept);
  // Unchanged since the last Save: no second write and sync.
  std::error_code ec;
  try {
    if (std::filesystem::is_regular_file(path, ec) && ReadFileBytes(path) == text) return "";
  } catch (const FileError&) {
    // Unreadable: written again below.
  }
  return WriteFileAtomically(path, text);
}

std::string PlusMinusText(double err_deg, bool firstOrder) {
  if (!std::isfinite(err_deg)) return "";
  char buf[32];
  std::snprintf(buf, sizeof buf, "\xC2\xB1%.2f%s", err_deg, firstOrder ? "" : "+");
  return buf;
}

}  // namespace pelorin
