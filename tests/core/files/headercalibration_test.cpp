#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "Helioprojective.h"
#include "app/State.h"
#include "app/Text.h"
#include "files/HeaderCalibration.h"
#include "geometry/Ephemeris.h"
#include "geometry/Transform.h"

namespace pelorin {
namespace {

using test::HeliographicPoint;
using test::ReferenceHeliographic;
using test::WcsPicture;

constexpr double kAU = 149597870700.0;
constexpr double kDegPerRad = 57.29577951308232;

PictureHeader Cards(const std::vector<std::pair<std::string, std::string>>& cards) {
  PictureHeader h;
  for (const auto& [k, v] : cards) h.cards.push_back({k, v});
  return h;
}

std::string N(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.12g", v);
  return buf;
}

// A picture's WCS, written into a header in one of the ways FITS allows.
enum class Form { Crota, Pc, CdDegrees, SwappedAxes, SolarXY };

struct Scene {
  const char* name;
  int width, height;
  double crpix1, crpix2;  // header pixels
  double crval1, crval2;  // arcsec, helioprojective longitude and latitude
  double cdelt;           // arcsec a pixel
  double rotation_deg;    // of the world axes against the picture's
  bool mirrored;          // longitude growing to the left
  Form form;
  double dsun_m;          // 0: not in the header
  double rsunRef_m;       // 0: not in the header
  double rsunObs_arcsec;  // 0: not in the header
  double B0, L0;          // HGLT_OBS, CRLN_OBS
};

// The matrix M (arcsec a pixel) of the scene: cdelt * R(rotation) * F, F
// turning the first axis round for a mirrored picture.
void SceneMatrix(const Scene& sc, double& m11, double& m12, double& m21, double& m22) {
  const double t = sc.rotation_deg / kDegPerRad, f = sc.mirrored ? -1 : 1;
  m11 = sc.cdelt * std::cos(t) * f;
  m12 = -sc.cdelt * std::sin(t);
  m21 = sc.cdelt * std::sin(t) * f;
  m22 = sc.cdelt * std::cos(t);
}

PictureHeader SceneHeader(const Scene& sc) {
  double m11, m12, m21, m22;
  SceneMatrix(sc, m11, m12, m21, m22);
  const double t = sc.rotation_deg / kDegPerRad, f = sc.mirrored ? -1 : 1;
  std::vector<std::pair<std::string, std::string>> c = {
      {"DATE-OBS", "2014-03-15T10:20:30.25"}, {"CRPIX1", N(sc.crpix1)}, {"CRPIX2", N(sc.crpix2)},
      {"HGLT_OBS", N(sc.B0)},                 {"CRLN_OBS", N(sc.L0)},
  };
  switch (sc.form) {
    case Form::Crota:
    case Form::SolarXY:
      c.insert(c.end(), {{"CTYPE1", sc.form == Form::SolarXY ? "Solar-X" : "HPLN-TAN"},
                         {"CTYPE2", sc.form == Form::SolarXY ? "Solar-Y" : "HPLT-TAN"},
                         {"CDELT1", N(f * sc.cdelt)},
                         {"CDELT2", N(sc.cdelt)},
                         {"CROTA2", N(sc.rotation_deg)},
                         {"CRVAL1", N(sc.crval1)},
                         {"CRVAL2", N(sc.crval2)}});
      break;
    case Form::Pc:
      c.insert(c.end(), {{"CTYPE1", "HPLN-TAN"}, {"CTYPE2", "HPLT-TAN"}, {"CUNIT1", "arcsec"}, {"CUNIT2", "arcsec"},
                         {"CDELT1", N(sc.cdelt)}, {"CDELT2", N(sc.cdelt)}, {"PC1_1", N(f * std::cos(t))},
                         {"PC1_2", N(-std::sin(t))}, {"PC2_1", N(f * std::sin(t))}, {"PC2_2", N(std::cos(t))},
                         {"CRVAL1", N(sc.crval1)}, {"CRVAL2", N(sc.crval2)}});
      break;
    case Form::CdDegrees:
      c.insert(c.end(), {{"CTYPE1", "HPLN-TAN"}, {"CTYPE2", "HPLT-TAN"}, {"CUNIT1", "deg"}, {"CUNIT2", "deg"},
                         {"CD1_1", N(m11 / 3600)}, {"CD1_2", N(m12 / 3600)}, {"CD2_1", N(m21 / 3600)},
                         {"CD2_2", N(m22 / 3600)}, {"CRVAL1", N(sc.crval1 / 3600)}, {"CRVAL2", N(sc.crval2 / 3600)}});
      break;
    case Form::SwappedAxes:
      // World axis 1 is the latitude: the matrix rows and CRVAL swap.
      c.insert(c.end(), {{"CTYPE1", "HPLT-TAN"}, {"CTYPE2", "HPLN-TAN"}, {"CDELT1", N(sc.cdelt)},
                         {"CDELT2", N(sc.cdelt)}, {"PC1_1", N(m21 / sc.cdelt)}, {"PC1_2", N(m22 / sc.cdelt)},
                         {"PC2_1", N(m11 / sc.cdelt)}, {"PC2_2", N(m12 / sc.cdelt)}, {"CRVAL1", N(sc.crval2)},
                         {"CRVAL2", N(sc.crval1)}});
      break;
  }
  if (sc.dsun_m > 0) c.push_back({"DSUN_OBS", N(sc.dsun_m)});
  if (sc.rsunRef_m > 0) c.push_back({"RSUN_REF", N(sc.rsunRef_m)});
  if (sc.rsunObs_arcsec > 0) c.push_back({"RSUN_OBS", N(sc.rsunObs_arcsec)});
  return Cards(c);
}

WcsPicture SceneWcs(const Scene& sc) {
  WcsPicture w;
  w.height = sc.height;
  w.crpix1 = sc.crpix1;
  w.crpix2 = sc.crpix2;
  w.crval1 = sc.crval1;
  w.crval2 = sc.crval2;
  SceneMatrix(sc, w.m11, w.m12, w.m21, w.m22);
  // The solar radius: RSUN_REF, else the program's 0.004652472 AU.
  w.R_m = sc.rsunRef_m > 0 ? sc.rsunRef_m : 0.004652472 * kAU;
  // The observer: DSUN_OBS, else where the Sun shows the radius RSUN_OBS.
  w.D_m = sc.dsun_m > 0 ? sc.dsun_m : w.R_m / std::sin(sc.rsunObs_arcsec / 3600 / kDegPerRad);
  w.B0_deg = sc.B0;
  w.L0_deg = sc.L0;
  return w;
}

double AngleDiff(double a, double b) {
  double d = std::fmod(a - b, 360);
  if (d > 180) d -= 360;
  if (d < -180) d += 360;
  return std::fabs(d);
}

// Source of the expected values: the reference formulas of
// tests/support/Helioprojective.h on the same WCS. Tolerance 0.01 degrees
// in B and L within 60 degrees of the disc centre.
TEST(CalibrateFromHeader, BAndLFollowTheWcsWithin0Point01Degrees) {
  const Scene scenes[] = {
      {"AIA-like 4096, CROTA2 0", 4096, 4096, 2048.5, 2049.25, 0, 0, 0.6, 0, false, Form::Crota, 1.4718e11, 696e6,
       0, -7.2, 123.45},
      {"HMI-like, CROTA2 180", 4096, 4096, 2040.3, 2052.7, 0, 0, 0.504, 180, false, Form::Crota, 1.5106e11, 696e6,
       0, 7.1, 359.99},
      {"CROTA2 -0.13 and a reference point off the disc centre", 2048, 2048, 1000, 1100, 250, -140, 1.2, -0.13,
       false, Form::Crota, 1.49e11, 0, 0, 1.5, 10},
      {"PC matrix at 37.5 degrees, IAU solar radius", 1024, 1024, 530.2, 498.9, 120, -80, 2.1, 37.5, false,
       Form::Pc, 1.48e11, 695.7e6, 0, 4.2, 200},
      {"PC matrix at -123 degrees", 1024, 1024, 512, 512, -30, 40, 2.4, -123, false, Form::Pc, 1.5e11, 0, 0, -3, 45},
      {"mirrored, PC at 10 degrees", 800, 800, 400.5, 390.5, 0, 0, 2.6, 10, true, Form::Pc, 1.47e11, 0, 0, 2, 300},
      {"mirrored by CDELT1 < 0, CROTA2 180", 900, 900, 450, 455, 10, 20, 2.3, 180, true, Form::Crota, 1.52e11, 0, 0,
       -5, 90},
      {"CD matrix in degrees at -63 degrees, picture wider than high", 1000, 900, 505, 452, 60, 30, 2.2, -63, false,
       Form::CdDegrees, 1.49e11, 0, 0, 6, 170},
      {"latitude as the first axis", 1024, 1024, 512, 500, 15, -25, 2.1, 25, false, Form::SwappedAxes, 1.5e11, 0, 0,
       0.5, 20},
      {"Solar-X/Solar-Y with RSUN_OBS only", 1024, 1024, 511, 515, 0, 0, 2.5, 0, false, Form::SolarXY, 0, 0, 950.5,
       3.3, 77},
      {"observer at 0.3 AU", 2048, 2048, 1020, 1030, 0, 0, 4.4, 12, false, Form::Pc, 0.3 * kAU, 695.7e6, 0, -6,
       222},
  };
  for (const Scene& sc : scenes) {
    HeaderCalibration c;
    std::string missing;
    ASSERT_TRUE(CalibrateFromHeader(SceneHeader(sc), sc.width, sc.height, c, missing)) << sc.name << ": " << missing;
    ProgramState s;
    ApplyHeaderCalibration(c, s);
    const WcsPicture w = SceneWcs(sc);
    int compared = 0;
    double worstB = 0, worstL = 0;
    for (double u = -0.95; u <= 0.95; u += 0.05) {
      for (double v = -0.95; v <= 0.95; v += 0.05) {
        const double X = s.ZeroPointX + u * s.LimbRadius, Y = s.ZeroPointY + v * s.LimbRadius;
        HeliographicPoint ref;
        if (!ReferenceHeliographic(w, X, Y, ref) || ref.sigma > 60) continue;
        double B = 0, CMD = 0, L = 0;
        PixelToHeliographic(s, X, Y, s.OrientationAngle, B, CMD, L);
        worstB = std::max(worstB, std::fabs(B - ref.B));
        worstL = std::max(worstL, AngleDiff(L, ref.L));
        EXPECT_NEAR(B, ref.B, 0.01) << sc.name << " B at (" << X << ", " << Y << ")";
        EXPECT_LT(AngleDiff(L, ref.L), 0.01) << sc.name << " L at (" << X << ", " << Y << "): " << L << " against "
                                             << ref.L;
        EXPECT_LT(AngleDiff(CMD, ref.lon), 0.01) << sc.name << " CMD at (" << X << ", " << Y << ")";
        ++compared;
      }
    }
    EXPECT_GT(compared, 600) << sc.name;
    // The grid and stored points go back to the same pixels.
    double gx = 0, gy = 0, B = 0, CMD = 0, L = 0;
    PixelToHeliographic(s, s.ZeroPointX + 0.3 * s.LimbRadius, s.ZeroPointY - 0.4 * s.LimbRadius, s.OrientationAngle,
                        B, CMD, L);
    HeliographicToPicture(s, L, B, -s.OrientationAngle, gx, gy);
    EXPECT_NEAR(gx, s.ZeroPointX + 0.3 * s.LimbRadius, 0.05) << sc.name;
    EXPECT_NEAR(gy, s.ZeroPointY - 0.4 * s.LimbRadius, 0.05) << sc.name;
    std::printf("%-62s worst B %.6f L %.6f deg over %d points\n", sc.name, worstB, worstL, compared);
  }
}

}  // namespace
}  // namespace pelorin
