#include "formats/HeaderCalibration.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "base/Text.h"
#include "base/Angles.h"
#include "base/Numbers.h"
#include "formats/PictureNames.h"
#include "geometry/Ephemeris.h"
#include "geometry/Transform.h"

namespace pelorin {
namespace {

constexpr double kAstronomicalUnit_m = 149597870700.0;
// The program's solar radius, in metres.
constexpr double kSolarRadius_m = kSolarRadiusAU * kAstronomicalUnit_m;

std::string Upper(std::string_view s) {
  std::string u(s);
  for (char& c : u)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return u;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A whole header value as a finite number: optional sign, digits, point,
// exponent E or D (as FORTRAN writes it).
std::optional<double> Number(std::string_view text) {
  std::string t(Trim(text));
  for (char& c : t)
    if (c == 'D' || c == 'd') c = 'E';
  return WholeNumber(t);
}

// The value as the data file writes it and reads it back.
double Held(double v) { return LeadingNumber(NumberText(v)); }

// --- Quirks: headers of particular instruments mended into the standard
// keywords before they are read.

struct Quirk {
  const char* name;
  // Mends the header; false when it does not apply.
  bool (*mend)(PictureHeader& h);
};

void Add(PictureHeader& h, const char* keyword, std::string value) { h.cards.push_back({keyword, std::move(value)}); }

const Quirk kQuirks[] = {
    // SOHO/MDI gives the observer's distance as OBS_DIST in AU.
    {"OBS_DIST (AU) as DSUN_OBS",
     [](PictureHeader& h) {
       if (h.Find("DSUN_OBS") != nullptr) return false;
       const std::string* au = h.Find("OBS_DIST");
       if (au == nullptr) return false;
       const auto v = Number(*au);
       if (!v) return false;
       Add(h, "DSUN_OBS", NumberText(*v * kAstronomicalUnit_m));
       return true;
     }},
    // Older headers name the rotation CROTA or CROTA1.
    {"CROTA or CROTA1 as CROTA2",
     [](PictureHeader& h) {
       if (h.Find("CROTA2") != nullptr) return false;
       const std::string* r = h.Find("CROTA");
       if (r == nullptr) r = h.Find("CROTA1");
       if (r == nullptr) return false;
       Add(h, "CROTA2", *r);
       return true;
     }},
};

// --- The standard keywords.

class Reader {
 public:
  explicit Reader(const PictureHeader& h) : h_(h) {}

  // The first of `keywords` that the header has, as a number; a value that
  // is not one is a problem. `name` receives the keyword found.
  std::optional<double> Get(std::initializer_list<const char*> keywords, const char** name = nullptr) {
    for (const char* k : keywords) {
      const std::string* v = h_.Find(k);
      if (v == nullptr) continue;
      if (name != nullptr) *name = k;
      const auto n = Number(*v);
      if (!n) Problem(std::string(k) + " '" + *v + "' is not a number");
      return n;
    }
    return std::nullopt;
  }

  // As Get, and within [lo, hi]; outside is a problem.
  std::optional<double> Ranged(std::initializer_list<const char*> keywords, double lo, double hi, const char* what) {
    const char* name = "";
    auto v = Get(keywords, &name);
    if (v && !(*v >= lo && *v <= hi)) {
      Problem(std::string(name) + " " + NumberText(*v) + " is not " + what);
      return std::nullopt;
    }
    return v;
  }

  const std::string* Text(const char* keyword) const { return h_.Find(keyword); }
  void Problem(std::string p) { problems_.push_back(std::move(p)); }
  const std::vector<std::string>& Problems() const { return problems_; }

 private:
  const PictureHeader& h_;
  std::vector<std::string> problems_;
};

enum class Axis { Missing, Longitude, Latitude, Other };

Axis AxisType(const std::string* ctype) {
  if (ctype == nullptr) return Axis::Missing;
  std::string t;
  for (char c : Upper(*ctype))
    if (c != '-' && c != '_' && c != ' ') t += c;
  if (t.rfind("HPLN", 0) == 0 || t == "SOLARX") return Axis::Longitude;
  if (t.rfind("HPLT", 0) == 0 || t == "SOLARY") return Axis::Latitude;
  return Axis::Other;
}

// Degrees per unit of CUNITi; 0 for a unit that is not an angle.
double UnitDegrees(const std::string* cunit) {
  if (cunit == nullptr) return 1 / 3600.0;
  const std::string u = Upper(Trim(*cunit));
  if (u.empty() || u == "ARCSEC" || u == "ARCSECS" || u == "ASEC" || u == "\"") return 1 / 3600.0;
  if (u == "ARCMIN" || u == "AMIN") return 1 / 60.0;
  if (u == "DEG" || u == "DEGREE" || u == "DEGREES") return 1;
  if (u == "RAD" || u == "RADIAN" || u == "RADIANS") return kDeg;
  if (u == "MAS") return 1 / 3.6e6;
  return 0;
}

// The pixel-to-world matrix: world (longitude, latitude) in degrees per
// header pixel (p1, p2).
struct Matrix {
  double m11 = 0, m12 = 0, m21 = 0, m22 = 0;
  double Det() const { return m11 * m22 - m12 * m21; }
};

// What the stages of CalibrateFromHeader find, each from the header and
// what the stages before it found.
struct Findings {
  bool haveTime = false;
  double eB0 = 0, eL0 = 0, eRho0 = 0;  // the ephemeris of the header's time (0 without one)
  bool swap = false;                   // CTYPE1 is the latitude
  bool axesOk = true;                  // helioprojective axes
  double unit1 = 0, unit2 = 0;         // degrees per unit of CUNIT1, CUNIT2; 0: not an angle
  std::optional<Matrix> m;             // degrees a picture pixel, rows (longitude, latitude)
  double scale_rad = 0;                // radians a pixel
  double rotation_deg = 0;             // the orientation, (-180, 180]
  int northUp = 1;                     // 0: the matrix is mirrored
  bool haveScale = false;
  bool scaleProblem = false;           // the matrix or its scale gave a problem
};

// Time: the observation's date and UT into c.time, and the ephemeris of it.
// A header without a readable time is a problem; the ephemeris stays 0.
void ReadTime(const PictureHeader& h, Reader& r, HeaderCalibration& c, Findings& f) {
  std::string problem;
  f.haveTime = HeaderObservationTime(h, c.time, problem);
  if (!f.haveTime) r.Problem(problem);
  if (f.haveTime) {
    double hours = c.time.hours, eP = 0;
    SolarEphemeris(c.time.year, c.time.month, c.time.day, hours, eP, f.eB0, f.eL0, f.eRho0);
  }
}

// Axes and units: CTYPE1/2 helioprojective in either order (the latitude
// first sets swap), CUNIT1/2 angles. Anything else is a problem.
void ReadAxes(Reader& r, Findings& f) {
  const Axis a1 = AxisType(r.Text("CTYPE1"));
  const Axis a2 = AxisType(r.Text("CTYPE2"));
  if (a1 == Axis::Latitude && (a2 == Axis::Longitude || a2 == Axis::Missing)) {
    f.swap = true;
  } else if (!((a1 == Axis::Longitude || a1 == Axis::Missing) && (a2 == Axis::Latitude || a2 == Axis::Missing))) {
    const std::string* t1 = r.Text("CTYPE1");
    const std::string* t2 = r.Text("CTYPE2");
    r.Problem("the axes CTYPE1 '" + (t1 ? *t1 : std::string()) + "', CTYPE2 '" + (t2 ? *t2 : std::string()) +
              "' are not helioprojective (HPLN-TAN and HPLT-TAN, or Solar-X and Solar-Y)");
    f.axesOk = false;
  }
  f.unit1 = UnitDegrees(r.Text("CUNIT1"));
  f.unit2 = UnitDegrees(r.Text("CUNIT2"));
  if (f.unit1 == 0) r.Problem("CUNIT1 '" + *r.Text("CUNIT1") + "' is not an angle");
  if (f.unit2 == 0) r.Problem("CUNIT2 '" + *r.Text("CUNIT2") + "' is not an angle");
}

// The matrix in header units a pixel, rows by header axis: CDi_j when any is
// given, else CDELTi (one standing for both) with PCi_j, or with CROTA2
// reduced exactly first, so that the cosine and sine are those of the angle
// the header gives however many turns it adds (5e14 degrees turned into
// radians first would lose its last turn). None for a zero or missing CDELT.
std::optional<Matrix> HeaderMatrix(Reader& r) {
  const auto cd11 = r.Get({"CD1_1"}), cd12 = r.Get({"CD1_2"}), cd21 = r.Get({"CD2_1"}), cd22 = r.Get({"CD2_2"});
  if (r.Text("CD1_1") || r.Text("CD1_2") || r.Text("CD2_1") || r.Text("CD2_2"))
    return Matrix{cd11.value_or(0), cd12.value_or(0), cd21.value_or(0), cd22.value_or(0)};
  auto cdelt1 = r.Get({"CDELT1"});
  auto cdelt2 = r.Get({"CDELT2"});
  if (cdelt1 && !r.Text("CDELT2")) cdelt2 = cdelt1;
  if (cdelt2 && !r.Text("CDELT1")) cdelt1 = cdelt2;
  if (cdelt1 && *cdelt1 == 0) r.Problem("CDELT1 is 0: the picture has no scale");
  if (cdelt2 && *cdelt2 == 0) r.Problem("CDELT2 is 0: the picture has no scale");
  if (!cdelt1 || !cdelt2 || *cdelt1 == 0 || *cdelt2 == 0) return std::nullopt;
  double pc11 = 1, pc12 = 0, pc21 = 0, pc22 = 1;
  if (r.Text("PC1_1") || r.Text("PC1_2") || r.Text("PC2_1") || r.Text("PC2_2")) {
    pc11 = r.Get({"PC1_1"}).value_or(1);
    pc12 = r.Get({"PC1_2"}).value_or(0);
    pc21 = r.Get({"PC2_1"}).value_or(0);
    pc22 = r.Get({"PC2_2"}).value_or(1);
  } else {
    const double rot = Wrap180(r.Get({"CROTA2"}).value_or(0)) * kRad;
    const double lambda = *cdelt2 / *cdelt1;
    pc11 = std::cos(rot);
    pc12 = -std::sin(rot) * lambda;
    pc21 = std::sin(rot) / lambda;
    pc22 = std::cos(rot);
  }
  return Matrix{*cdelt1 * pc11, *cdelt1 * pc12, *cdelt2 * pc21, *cdelt2 * pc22};
}

// The header's matrix in degrees, rows (longitude, latitude): into f.m.
void ReadMatrix(Reader& r, Findings& f) {
  f.m = HeaderMatrix(r);
  if (!f.m) return;
  Matrix& m = *f.m;
  m.m11 *= f.unit1;
  m.m12 *= f.unit1;
  m.m21 *= f.unit2;
  m.m22 *= f.unit2;
  if (f.swap) m = Matrix{m.m21, m.m22, m.m11, m.m12};
}

// Scale, orientation and mirror from the matrix, which must be a rotation
// times one scale (mirrored or not; to 2e-5): a singular or skewed matrix is
// a problem. The orientation comes out in (-180, 180] (atan2's -180 end
// taken to +180; its +180 end, a hair over, kept).
void ScaleOfMatrix(Reader& r, Findings& f) {
  if (!f.m || !f.axesOk || f.unit1 == 0 || f.unit2 == 0) return;
  const Matrix& m = *f.m;
  const double det = m.Det();
  if (!std::isfinite(det) || det == 0) {
    r.Problem("the WCS matrix (CDELT with PC or CROTA2, or CD) is singular: the picture has no scale");
    return;
  }
  f.northUp = det > 0 ? 1 : 0;
  // A mirrored matrix is a rotation after the first axis is turned round.
  const double a11 = f.northUp ? m.m11 : -m.m11, a21 = f.northUp ? m.m21 : -m.m21;
  const double a12 = m.m12, a22 = m.m22;
  const double s = std::sqrt(std::fabs(det));
  const double skew = std::max(std::fabs(a11 - a22), std::fabs(a12 + a21)) / s;
  if (!(skew <= 2e-5)) {
    r.Problem("the WCS scales or skews the two axes differently (pixels that are not square)");
    return;
  }
  f.scale_rad = s * kRad;
  f.rotation_deg = std::atan2(a21 - a12, a11 + a22) * kDeg;
  if (f.rotation_deg <= -180) f.rotation_deg += 360;
  f.haveScale = true;
}

// The sine of the Sun's angular radius, R/D: from DSUN_OBS (with RSUN_REF,
// default the program's radius), else RSUN_OBS, else the pixel radius
// (SOLAR_R or R_SUN) times the scale, else for a pixel radius without a
// scale the ephemeris. 0 when none gives one, or when it is absurd (a disc
// 60 degrees wide or more), each with its problem. `radiusPx` receives the
// pixel radius.
double SineOfSolarRadius(Reader& r, const Findings& f, std::optional<double>& radiusPx) {
  const auto rsunRef = r.Ranged({"RSUN_REF"}, 1e7, 1e10, "a solar radius in metres");
  const double R = rsunRef.value_or(kSolarRadius_m);
  const auto dsun = r.Ranged({"DSUN_OBS"}, R * 1.000001, 1e16, "a distance from the Sun in metres");
  const auto rsunObs = r.Ranged({"RSUN_OBS"}, 1e-3, 324000, "a solar radius in arcseconds");
  radiusPx = r.Ranged({"SOLAR_R", "R_SUN"}, 1e-3, 1e7, "a solar radius in pixels");
  double sinAlpha = 0;
  if (dsun) {
    sinAlpha = R / *dsun;
  } else if (rsunObs) {
    sinAlpha = std::sin(*rsunObs / 3600 * kRad);
  } else if (radiusPx && f.haveScale) {
    // An angle past a right angle is as absurd as one of 90 degrees (and
    // its sine would say otherwise).
    const double alpha_rad = *radiusPx * f.scale_rad;
    sinAlpha = alpha_rad < std::asin(1.0) ? std::sin(alpha_rad) : 1.0;
  } else if (radiusPx && f.haveTime) {
    sinAlpha = kSolarRadiusAU / f.eRho0;
  } else {
    if (!r.Text("SOLAR_R") && !r.Text("R_SUN") && !r.Text("DSUN_OBS") && !r.Text("RSUN_OBS"))
      r.Problem("no solar radius (RSUN_OBS, DSUN_OBS with RSUN_REF, SOLAR_R or R_SUN)");
    return 0;
  }
  if (!(sinAlpha > 0 && sinAlpha < 0.5)) {
    if (sinAlpha > 0)
      r.Problem("the Sun would be " + NumberText(2 * std::asin(std::min(sinAlpha, 1.0)) * kDeg) +
                " degrees wide: the radius or distance is absurd");
    else
      r.Problem("the solar radius and the scale give no disc: the radius or distance is absurd");
    return 0;
  }
  return sinAlpha;
}

// The observer's distance c.rho0 from the solar radius; without a matrix,
// the pixel radius gives the scale and CROTA2 the rotation. No usable scale
// at all is a problem unless the matrix has said why already.
void ReadRadius(Reader& r, HeaderCalibration& c, Findings& f) {
  std::optional<double> radiusPx;
  const double sinAlpha = SineOfSolarRadius(r, f, radiusPx);
  if (sinAlpha > 0) {
    c.rho0 = RoundHalfEven(kSolarRadiusAU / sinAlpha, 6);
    if (!f.haveScale && radiusPx) {
      f.scale_rad = kSolarRadiusAU / c.rho0 / *radiusPx;
      f.rotation_deg = Wrap180(r.Get({"CROTA2"}).value_or(0));
      const double t = f.rotation_deg * kRad, sd = f.scale_rad * kDeg;
      f.m = Matrix{sd * std::cos(t), -sd * std::sin(t), sd * std::sin(t), sd * std::cos(t)};
      f.northUp = 1;
      f.haveScale = true;
    }
  }
  if (!f.haveScale && f.axesOk && !f.m && !f.scaleProblem) {
    r.Problem("no usable scale (CDELT1 and CDELT2, CD1_1 to CD2_2, or SOLAR_R)");
  }
}

// The disc centre c.x0, c.y0: the picture pixel of helioprojective (0, 0),
// by the gnomonic projection about the reference point (CRPIX, CRVAL).
// A missing or absurd CRPIX, a CRVAL 80 degrees or more from the centre,
// or no finite centre is a problem. True when the centre is found.
bool ReadCentre(Reader& r, int height, HeaderCalibration& c, const Findings& f) {
  const auto crpix1 = r.Get({"CRPIX1"});
  const auto crpix2 = r.Get({"CRPIX2"});
  if (!r.Text("CRPIX1") || !r.Text("CRPIX2")) r.Problem("no reference pixel (CRPIX1, CRPIX2)");
  for (const auto& [v, name] : {std::pair{crpix1, "CRPIX1"}, std::pair{crpix2, "CRPIX2"}})
    if (v && !(std::fabs(*v) <= 1e7)) r.Problem(std::string(name) + " " + NumberText(*v) + " is absurd");
  double crval1 = r.Get({"CRVAL1"}).value_or(0) * (f.unit1 != 0 ? f.unit1 : 1);
  double crval2 = r.Get({"CRVAL2"}).value_or(0) * (f.unit2 != 0 ? f.unit2 : 1);
  if (f.swap) std::swap(crval1, crval2);
  if (!(f.haveScale && f.m && crpix1 && crpix2 && std::fabs(*crpix1) <= 1e7 && std::fabs(*crpix2) <= 1e7))
    return false;
  // Intermediate coordinates of (0, 0) about (crval1, crval2), degrees.
  const double a0 = crval1 * kRad, d0 = crval2 * kRad;
  const double cosc = std::cos(d0) * std::cos(a0);  // cosine of the angle between them
  if (!(cosc > std::cos(80 * kRad))) {
    const double apart_deg = RoundHalfEven(std::acos(std::clamp(cosc, -1.0, 1.0)) * kDeg, 1);
    r.Problem("CRVAL1 and CRVAL2 put the Sun's centre " + NumberText(apart_deg) + " degrees from the reference pixel");
    return false;
  }
  const Matrix& m = *f.m;
  const double x = -std::sin(a0) / cosc * kDeg;
  const double y = -std::sin(d0) * std::cos(a0) / cosc * kDeg;
  const double det = m.Det();
  const double dp1 = (m.m22 * x - m.m12 * y) / det;
  const double dp2 = (-m.m21 * x + m.m11 * y) / det;
  c.x0 = *crpix1 + dp1 - 1;
  c.y0 = height - (*crpix2 + dp2);
  const bool found = std::isfinite(c.x0) && std::isfinite(c.y0);
  if (!found) r.Problem("CRPIX and CRVAL give no disc centre");
  return found;
}

// The disc radius c.rk from the distance and the scale; a radius outside
// 1 to 1e6 pixels, or a disc that misses the picture, is a problem.
void DiscRadius(Reader& r, int width, int height, HeaderCalibration& c, const Findings& f) {
  c.rk = kSolarRadiusAU / c.rho0 / f.scale_rad;
  if (!(c.rk >= 1 && c.rk <= 1e6)) {
    r.Problem("the disc would be " + NumberText(c.rk) + " pixels in radius: the scale or the radius is absurd");
  } else if (c.x0 + c.rk < 0 || c.x0 - c.rk > width - 1 || c.y0 + c.rk < 0 || c.y0 - c.rk > height - 1) {
    r.Problem("CRPIX and CRVAL put the disc centre at (" + NumberText(c.x0) + ", " + NumberText(c.y0) +
              "), so far out that the disc misses the picture");
  }
}

// The observer: P 0, B0 from HGLT_OBS, CRLT_OBS or SOLAR_B0 (else the
// ephemeris), L0 from CRLN_OBS (else the ephemeris' plus HGLN_OBS), 4
// decimals, L0 in [0, 360).
void ReadObserver(Reader& r, HeaderCalibration& c, const Findings& f) {
  const auto b0 = r.Ranged({"HGLT_OBS", "CRLT_OBS", "SOLAR_B0"}, -90, 90, "a latitude in degrees");
  const auto crln = r.Get({"CRLN_OBS"});
  const auto hgln = r.Get({"HGLN_OBS"});
  c.P = 0;
  c.B0 = b0 ? RoundHalfEven(*b0, 4) : f.eB0;
  double l0 = crln ? *crln : f.eL0 + hgln.value_or(0);
  l0 = RoundHalfEven(Reduce360(l0), 4);
  c.L0 = l0 >= 360 ? 0 : l0;
}

}  // namespace

// The stages in turn; the problems come out in the order the stages meet
// them, and any problem leaves `out` as it was.
bool CalibrateFromHeader(const PictureHeader& header, int width, int height, HeaderCalibration& out,
                         std::string& missing) {
  PictureHeader h = header;
  HeaderCalibration c;
  for (const Quirk& q : kQuirks)
    if (q.mend(h)) c.quirks.emplace_back(q.name);
  Reader r(h);
  Findings f;
  ReadTime(h, r, c, f);
  ReadAxes(r, f);
  const std::size_t problemsBeforeScale = r.Problems().size();
  ReadMatrix(r, f);
  ScaleOfMatrix(r, f);
  f.scaleProblem = r.Problems().size() > problemsBeforeScale;
  ReadRadius(r, c, f);
  if (ReadCentre(r, height, c, f) && c.rho0 > 0) DiscRadius(r, width, height, c, f);
  ReadObserver(r, c, f);

  // Whatever left the disc unset without a problem of its own.
  if (r.Problems().empty() && !(c.rk >= 1)) r.Problem("the header gives no disc radius");
  if (!r.Problems().empty()) {
    missing.clear();
    for (const std::string& p : r.Problems()) missing += (missing.empty() ? "" : "; ") + p;
    return false;
  }
  c.x0 = Held(c.x0);
  c.y0 = Held(c.y0);
  c.rk = Held(c.rk);
  c.orientation = Held(f.rotation_deg);
  c.northUp = f.northUp;
  out = std::move(c);
  return true;
}

std::string HeaderCalibrationRefusal(const HeaderCalibration& c, const std::string& pictureName) {
  // A mirrored picture is recorded with the type word "scan", which names
  // such a picture north up.
  if (c.northUp == 0 && KanzelhoeheKind(pictureName) == KanzelhoeheName::NorthUp)
    return "the picture is mirrored, which its data file cannot record for a name beginning kanz_halph or "
           "kanz_bband";
  return {};
}

}  // namespace pelorin
