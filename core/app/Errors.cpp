#include "app/Errors.h"

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

PositionErrors RecordErrors(const App& app, double B_deg, double L_deg) {
  double X = 0, Y = 0;
  HeliographicToPixel(app.s, L_deg, B_deg, app.s.OrientationAngle, X, Y);
  if (!std::isfinite(X) || !std::isfinite(Y)) {
    PositionErrors off;
    off.B_deg = off.CMD_deg = off.L_deg = std::nan("");
    off.firstOrder = false;
    return off;
  }
  return PositionErrorsAt(app, X, Y, kClick_px);
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

std::string SaveCalBeside(const App& app, const std::string& dataFile) {
  const std::string path = CalFileNameOf(dataFile), text = CalFileText(app.calErrors);
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
