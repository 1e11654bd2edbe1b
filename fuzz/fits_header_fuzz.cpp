// The interpretation of a picture's FITS header: dates in every form, the
// WCS (CDELT, PC, CD, CROTA, units, axis types), radius and observer. The
// input is a picture size and keyword cards:
//   first line: width and height ("600 600"; missing or bad: 512 x 512),
//   then one card a line, "KEYWORD=value".
// Whatever the cards, the calibration is either whole and usable or says
// what is missing, and never crashes or hangs.
#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "app/State.h"
#include "base/Text.h"
#include "formats/FitsDate.h"
#include "formats/HeaderCalibration.h"
#include "app/Geometry.h"

using namespace pelorin;

namespace {

bool Finite(double v) { return std::isfinite(v); }

int Size(const std::string& text, int fallback) {
  const double v = LeadingNumber(text);
  return v >= 1 && v <= 20000 ? static_cast<int>(v) : fallback;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 8192) return 0;
  const std::string text = fuzz::Text(data, size);
  const auto lines = fuzz::Split(text, "\n", 400);
  int width = 512, height = 512;
  PictureHeader h;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (i == 0 && line.find('=') == std::string::npos) {
      const std::size_t blank = line.find(' ');
      width = Size(line.substr(0, blank), 512);
      height = blank == std::string::npos ? width : Size(line.substr(blank + 1), 512);
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    h.cards.push_back({line.substr(0, eq), line.substr(eq + 1)});
  }

  // Every value read as a date and as a time: in range when read.
  for (const HeaderCard& c : h.cards) {
    ObservationTime t;
    bool hasTime = false;
    if (ParseFitsDate(c.value, t, hasTime)) {
      fuzz::Check(t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31, "date out of range: " + c.value);
      fuzz::Check(t.hours >= 0 && t.hours < 24 + 1 / 3600.0 && (hasTime || t.hours == 0),
                  "time out of range: " + c.value);
    }
    double hours = -1;
    if (ParseFitsTime(c.value, hours)) {
      fuzz::Check(hours >= 0 && hours < 24 + 1 / 3600.0, "time out of range: " + c.value);
    }
  }

  HeaderCalibration cal;
  std::string missing;
  if (!CalibrateFromHeader(h, width, height, cal, missing)) {
    fuzz::Check(!missing.empty(), "refused without saying why");
    return 0;
  }
  fuzz::Check(Finite(cal.x0) && Finite(cal.y0) && Finite(cal.rk) && Finite(cal.orientation), "non-finite disc");
  fuzz::Check(cal.rk >= 1 && cal.rk <= 1e6, "radius out of range: " + NumberText(cal.rk));
  fuzz::Check(cal.x0 + cal.rk >= 0 && cal.x0 - cal.rk <= width - 1 && cal.y0 + cal.rk >= 0 &&
                  cal.y0 - cal.rk <= height - 1,
              "the disc misses the picture");
  fuzz::Check(cal.P == 0 && std::fabs(cal.B0) <= 90 && cal.L0 >= 0 && cal.L0 < 360, "observer out of range");
  fuzz::Check(cal.rho0 > kSolarRadiusAU && Finite(cal.rho0), "rho0 out of range: " + NumberText(cal.rho0));
  fuzz::Check(cal.northUp == 0 || cal.northUp == 1, "northUp neither 0 nor 1");
  fuzz::Check(cal.time.month >= 1 && cal.time.month <= 12 && cal.time.day >= 1 && cal.time.day <= 31 &&
                  cal.time.hours >= 0 && cal.time.hours < 24,
              "time out of range");
  // Held as the data file writes them.
  for (double v : {cal.x0, cal.y0, cal.rk, cal.orientation, cal.rho0})
    fuzz::Check(LeadingNumber(NumberText(v)) == v, "a value the data file would change: " + NumberText(v));

  // The transform on the calibrated picture: the centre is (B0, L0), and
  // points come back where they were.
  ProgramState s;
  ApplyHeaderCalibration(cal, s);
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographic(s, s.ZeroPointX, s.ZeroPointY, s.OrientationAngle, B, CMD, L);
  fuzz::Check(std::fabs(B - RoundHalfEven(cal.B0, 5)) < 1e-4 && CMD == 0, "the centre is not (B0, L0)");
  const double X = s.ZeroPointX + 0.3 * s.LimbRadius, Y = s.ZeroPointY - 0.2 * s.LimbRadius;
  PixelToHeliographic(s, X, Y, s.OrientationAngle, B, CMD, L);
  double gx = 0, gy = 0;
  HeliographicToPicture(s, L, B, -s.OrientationAngle, gx, gy);
  fuzz::Check(std::fabs(gx - X) < 1e-3 * s.LimbRadius + 0.01 && std::fabs(gy - Y) < 1e-3 * s.LimbRadius + 0.01,
              "a point does not come back: " + NumberText(gx) + ", " + NumberText(gy));
  return 0;
}
