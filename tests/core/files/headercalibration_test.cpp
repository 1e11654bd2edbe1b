#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "Helioprojective.h"
#include "app/State.h"
#include "base/Text.h"
#include "formats/HeaderCalibration.h"
#include "geometry/Ephemeris.h"
#include "app/Geometry.h"

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

// A complete header of a 4096 x 4096 picture, as an AIA-like instrument
// writes it; the cases below change it.
std::vector<std::pair<std::string, std::string>> Base() {
  return {{"DATE-OBS", "2014-03-15T10:20:30.25"}, {"CTYPE1", "HPLN-TAN"}, {"CTYPE2", "HPLT-TAN"},
          {"CUNIT1", "arcsec"}, {"CUNIT2", "arcsec"}, {"CDELT1", "0.6"}, {"CDELT2", "0.6"},
          {"CRPIX1", "2048.5"}, {"CRPIX2", "2048.5"}, {"CRVAL1", "0"}, {"CRVAL2", "0"},
          {"DSUN_OBS", "1.4718E+11"}, {"RSUN_REF", "696000000"}, {"HGLT_OBS", "-7.2"}, {"CRLN_OBS", "123.45"}};
}

PictureHeader Changed(std::vector<std::pair<std::string, std::string>> set, std::vector<std::string> remove = {}) {
  auto cards = Base();
  for (const std::string& r : remove)
    cards.erase(std::remove_if(cards.begin(), cards.end(), [&](const auto& c) { return c.first == r; }), cards.end());
  for (const auto& [k, v] : set) {
    auto it = std::find_if(cards.begin(), cards.end(), [&](const auto& c) { return c.first == k; });
    if (it != cards.end()) it->second = v;
    else cards.emplace_back(k, v);
  }
  return Cards(cards);
}

const double kBaseRho0 = RoundHalfEven(0.004652472 * 1.4718e11 / 696e6, 6);

TEST(CalibrateFromHeader, TheCalibrationOfACompleteHeader) {
  HeaderCalibration c;
  std::string missing;
  ASSERT_TRUE(CalibrateFromHeader(Changed({}), 4096, 4096, c, missing)) << missing;
  // Header pixel (2048.5, 2048.5) is picture pixel (2047.5, 4096 - 2048.5).
  EXPECT_EQ(c.x0, 2047.5);
  EXPECT_EQ(c.y0, 2047.5);
  EXPECT_EQ(c.P, 0);
  EXPECT_EQ(c.B0, -7.2);
  EXPECT_EQ(c.L0, 123.45);
  // rho0 = 0.004652472 * DSUN_OBS / RSUN_REF.
  EXPECT_EQ(c.rho0, kBaseRho0);
  // rk = (solar radius / distance) / scale = 0.004652472 / rho0 radians
  // over 0.6 arcsec.
  EXPECT_NEAR(c.rk, 0.004652472 / c.rho0 * kDegPerRad * 3600 / 0.6, 1e-9);
  EXPECT_EQ(c.orientation, 0);
  EXPECT_EQ(c.northUp, 1);
  EXPECT_EQ(c.time.year, 2014);
  EXPECT_EQ(c.time.month, 3);
  EXPECT_EQ(c.time.day, 15);
  EXPECT_EQ(c.time.hours, 10.342);
  EXPECT_TRUE(c.quirks.empty());
}

TEST(CalibrateFromHeader, WhatEachKeywordGives) {
  double eh = 10.342, eP = 0, eB0 = 0, eL0 = 0, eRho0 = 0;
  SolarEphemeris(2014, 3, 15, eh, eP, eB0, eL0, eRho0);
  const double pxRad = 0.6 / 3600 / kDegPerRad;
  const struct {
    const char* name;
    PictureHeader h;
    double B0, L0, rho0, orientation;
    int northUp;
    double rk;  // 0: not checked
  } cases[] = {
      {"B0 from CRLT_OBS", Changed({{"CRLT_OBS", "3.25"}}, {"HGLT_OBS"}), 3.25, 123.45, kBaseRho0, 0, 1, 0},
      {"B0 from SOLAR_B0", Changed({{"SOLAR_B0", "-1.5"}}, {"HGLT_OBS"}), -1.5, 123.45, kBaseRho0, 0, 1, 0},
      {"HGLT_OBS before CRLT_OBS", Changed({{"CRLT_OBS", "3.25"}}), -7.2, 123.45, kBaseRho0, 0, 1, 0},
      {"B0 and L0 from the ephemeris", Changed({}, {"HGLT_OBS", "CRLN_OBS"}), eB0, eL0, kBaseRho0, 0, 1, 0},
      {"L0 from HGLN_OBS and the ephemeris", Changed({{"HGLN_OBS", "-60"}}, {"CRLN_OBS"}), -7.2,
       RoundHalfEven(std::fmod(eL0 - 60 + 360, 360), 4), kBaseRho0, 0, 1, 0},
      // The header's L0 wins where the ephemeris says otherwise.
      {"CRLN_OBS before HGLN_OBS", Changed({{"HGLN_OBS", "-60"}}), -7.2, 123.45, kBaseRho0, 0, 1, 0},
      {"CRLN_OBS reduced to a turn", Changed({{"CRLN_OBS", "-0.5"}}), -7.2, 359.5, kBaseRho0, 0, 1, 0},
      {"RSUN_REF 695700 km", Changed({{"RSUN_REF", "6.957E8"}}), -7.2, 123.45,
       RoundHalfEven(0.004652472 * 1.4718e11 / 6.957e8, 6), 0, 1, 0},
      // Without RSUN_REF, rho0 is DSUN_OBS in AU.
      {"without RSUN_REF", Changed({}, {"RSUN_REF"}), -7.2, 123.45, RoundHalfEven(1.4718e11 / kAU, 6), 0, 1, 0},
      {"DSUN_OBS before RSUN_OBS", Changed({{"RSUN_OBS", "900"}}), -7.2, 123.45, kBaseRho0, 0, 1, 0},
      {"RSUN_OBS without DSUN_OBS", Changed({{"RSUN_OBS", "975.3"}}, {"DSUN_OBS"}), -7.2, 123.45,
       RoundHalfEven(0.004652472 / std::sin(975.3 / 3600 / kDegPerRad), 6), 0, 1, 0},
      {"SOLAR_R in pixels with the scale", Changed({{"SOLAR_R", "1620"}}, {"DSUN_OBS"}), -7.2, 123.45,
       RoundHalfEven(0.004652472 / std::sin(1620 * pxRad), 6), 0, 1, 0},
      {"R_SUN in pixels without a scale: the ephemeris' distance",
       Changed({{"R_SUN", "1620"}}, {"DSUN_OBS", "CDELT1", "CDELT2"}),
       -7.2, 123.45, eRho0, 0, 1, 1620},
      {"a pixel radius and CROTA2 without a scale",
       Changed({{"R_SUN", "1620"}, {"CROTA2", "-20"}}, {"DSUN_OBS", "CDELT1", "CDELT2"}), -7.2, 123.45, eRho0, -20, 1,
       1620},
      {"CROTA2 180", Changed({{"CROTA2", "180"}}), -7.2, 123.45, kBaseRho0, 180, 1, 0},
      // Whole turns taken off exactly, whatever their number.
      {"CROTA2 -540", Changed({{"CROTA2", "-540"}}), -7.2, 123.45, kBaseRho0, 180, 1, 0},
      {"CROTA2 of 5e14 degrees", Changed({{"CROTA2", "5.106e14"}}), -7.2, 123.45, kBaseRho0, 120, 1, 0},
      {"a pixel radius and CROTA2 of 5e14 degrees without a scale",
       Changed({{"R_SUN", "1620"}, {"CROTA2", "05106e11"}}, {"DSUN_OBS", "CDELT1", "CDELT2"}), -7.2, 123.45, eRho0,
       120, 1, 1620},
      {"CDELT1 < 0: mirrored", Changed({{"CDELT1", "-0.6"}}), -7.2, 123.45, kBaseRho0, 0, 0, 0},
      {"CDELT2 < 0: mirrored and turned round", Changed({{"CDELT2", "-0.6"}}), -7.2, 123.45, kBaseRho0, 180, 0, 0},
      {"CDELT1 alone", Changed({}, {"CDELT2"}), -7.2, 123.45, kBaseRho0, 0, 1, 0},
      {"no CUNIT: arcsec", Changed({}, {"CUNIT1", "CUNIT2"}), -7.2, 123.45, kBaseRho0, 0, 1, 0},
      {"CDELT in arcmin", Changed({{"CUNIT1", "arcmin"}, {"CUNIT2", "ARCMIN"}, {"CDELT1", "0.01"}, {"CDELT2", "0.01"}}),
       -7.2, 123.45, kBaseRho0, 0, 1, 0},
      {"FORTRAN exponents", Changed({{"CDELT1", "6.0D-01"}, {"CDELT2", "6.0d-1"}}), -7.2, 123.45, kBaseRho0, 0, 1, 0},
      {"PC before CROTA2", Changed({{"CROTA2", "45"}, {"PC1_1", "0"}, {"PC1_2", "-1"}, {"PC2_1", "1"}, {"PC2_2", "0"}}),
       -7.2, 123.45, kBaseRho0, 90, 1, 0},
      {"CD before PC", Changed({{"PC1_1", "-1"}, {"CD1_1", "0.6"}, {"CD2_2", "0.6"}}), -7.2, 123.45, kBaseRho0, 0, 1,
       0},
  };
  for (const auto& c : cases) {
    HeaderCalibration cal;
    std::string missing;
    ASSERT_TRUE(CalibrateFromHeader(c.h, 4096, 4096, cal, missing)) << c.name << ": " << missing;
    EXPECT_EQ(cal.B0, c.B0) << c.name;
    EXPECT_NEAR(cal.L0, c.L0, 1e-9) << c.name;
    EXPECT_EQ(cal.rho0, c.rho0) << c.name;
    EXPECT_NEAR(cal.orientation, c.orientation, 1e-9) << c.name;
    EXPECT_EQ(cal.northUp, c.northUp) << c.name;
    if (c.rk != 0) {
      EXPECT_NEAR(cal.rk, c.rk, 1e-6) << c.name;
    }
    EXPECT_EQ(cal.P, 0) << c.name;
  }
}

TEST(CalibrateFromHeader, AHeaderThatIsNotEnoughSaysWhatIsMissing) {
  const struct {
    const char* name;
    PictureHeader h;
    std::string missing;
  } cases[] = {
      {"no date", Changed({}, {"DATE-OBS"}), "no date of observation (DATE-OBS)"},
      {"unreadable date", Changed({{"DATE-OBS", "tomorrow"}}), "the date DATE-OBS 'tomorrow' cannot be read"},
      {"zero CDELT", Changed({{"CDELT1", "0"}}), "CDELT1 is 0: the picture has no scale"},
      {"no radius", Changed({}, {"DSUN_OBS"}),
       "no solar radius (RSUN_OBS, DSUN_OBS with RSUN_REF, SOLAR_R or R_SUN)"},
      {"absurd CRPIX", Changed({{"CRPIX1", "1e30"}}), "CRPIX1 1E+30 is absurd"},
      {"CRPIX far off the picture", Changed({{"CRPIX2", "-20000"}}),
       "CRPIX and CRVAL put the disc centre at (2047.5, 24096), so far out that the disc misses the picture"},
      {"CRVAL far off the Sun", Changed({{"CRVAL1", "300000"}}),
       "CRVAL1 and CRVAL2 put the Sun's centre 83.3 degrees from the reference pixel"},
      {"no reference pixel", Changed({}, {"CRPIX2"}), "no reference pixel (CRPIX1, CRPIX2)"},
      {"no scale", Changed({}, {"CDELT1", "CDELT2"}),
       "no usable scale (CDELT1 and CDELT2, CD1_1 to CD2_2, or SOLAR_R)"},
      {"pixels that are not square", Changed({{"CDELT2", "0.61"}}),
       "the WCS scales or skews the two axes differently (pixels that are not square)"},
      {"a skewed PC matrix", Changed({{"PC1_2", "0.01"}}),
       "the WCS scales or skews the two axes differently (pixels that are not square)"},
      {"a singular CD matrix", Changed({{"CD1_1", "0.6"}, {"CD2_1", "0.6"}}),
       "the WCS matrix (CDELT with PC or CROTA2, or CD) is singular: the picture has no scale"},
      {"not helioprojective", Changed({{"CTYPE1", "RA---TAN"}, {"CTYPE2", "DEC--TAN"}}),
       "the axes CTYPE1 'RA---TAN', CTYPE2 'DEC--TAN' are not helioprojective (HPLN-TAN and HPLT-TAN, or Solar-X and "
       "Solar-Y)"},
      {"two longitudes", Changed({{"CTYPE2", "HPLN-TAN"}}),
       "the axes CTYPE1 'HPLN-TAN', CTYPE2 'HPLN-TAN' are not helioprojective (HPLN-TAN and HPLT-TAN, or Solar-X and "
       "Solar-Y)"},
      {"a unit that is not an angle", Changed({{"CUNIT1", "km"}}), "CUNIT1 'km' is not an angle"},
      {"DSUN_OBS in AU", Changed({{"DSUN_OBS", "0.98"}}), "DSUN_OBS 0.98 is not a distance from the Sun in metres"},
      {"a text for a number", Changed({{"CDELT1", "abc"}}), "CDELT1 'abc' is not a number"},
      {"a latitude beyond the pole", Changed({{"HGLT_OBS", "95"}}), "HGLT_OBS 95 is not a latitude in degrees"},
      {"a radius of no size", Changed({{"RSUN_OBS", "0"}}, {"DSUN_OBS"}),
       "RSUN_OBS 0 is not a solar radius in arcseconds"},
      {"a disc of a million pixels", Changed({{"CDELT1", "1e-7"}, {"CDELT2", "1e-7"}}),
       "the disc would be 9754067347.03047 pixels in radius: the scale or the radius is absurd"},
      {"a Sun seen from close by", Changed({{"RSUN_OBS", "200000"}}, {"DSUN_OBS"}),
       "the Sun would be 111.111111111111 degrees wide: the radius or distance is absurd"},
      // A pixel radius times the scale past a right angle: its sine would
      // have made it any size, even none.
      {"a pixel radius spanning half the sky", Changed({{"R_SUN", "480.2"}, {"CDELT1", "1.98e15"}, {"CDELT2", "1.98e15"}},
                                                       {"DSUN_OBS", "RSUN_OBS"}),
       "the Sun would be 180 degrees wide: the radius or distance is absurd"},
      {"several at once", Changed({{"CDELT1", "0"}}, {"DATE-OBS", "DSUN_OBS"}),
       "no date of observation (DATE-OBS); CDELT1 is 0: the picture has no scale; no solar radius (RSUN_OBS, "
       "DSUN_OBS with RSUN_REF, SOLAR_R or R_SUN)"},
      {"an empty header", Cards({}),
       "no date of observation (DATE-OBS); no solar radius (RSUN_OBS, DSUN_OBS with RSUN_REF, SOLAR_R or R_SUN); no "
       "usable scale (CDELT1 and CDELT2, CD1_1 to CD2_2, or SOLAR_R); no reference pixel (CRPIX1, CRPIX2)"},
  };
  for (const auto& c : cases) {
    HeaderCalibration cal;
    cal.x0 = 12345;
    std::string missing;
    EXPECT_FALSE(CalibrateFromHeader(c.h, 4096, 4096, cal, missing)) << c.name;
    EXPECT_EQ(missing, c.missing) << c.name;
    EXPECT_EQ(cal.x0, 12345) << c.name << ": the result is left alone";
  }
}

// Instruments whose headers need mending, each with a header of its kind.
TEST(CalibrateFromHeader, InstrumentQuirks) {
  const struct {
    const char* name;
    PictureHeader h;
    std::vector<std::string> quirks;
    double rho0, orientation;
  } cases[] = {
      // SOHO/MDI-like: the distance as OBS_DIST in AU, old axes, R_SUN in
      // pixels, no CUNIT.
      {"OBS_DIST",
       Cards({{"DATE_OBS", "2003-05-17T07:45:00.000Z"}, {"CTYPE1", "Solar_X"}, {"CTYPE2", "Solar_Y"},
              {"CDELT1", "1.98"}, {"CDELT2", "1.98"}, {"CRPIX1", "512.5"}, {"CRPIX2", "512.5"}, {"CRVAL1", "0"},
              {"CRVAL2", "0"}, {"OBS_DIST", "0.9987"}, {"R_SUN", "480.2"}, {"CRLN_OBS", "10"}, {"CRLT_OBS", "-2.3"}}),
       {"OBS_DIST (AU) as DSUN_OBS"}, 0.9987, 0},
      // A header that names the rotation CROTA1.
      {"CROTA1",
       Cards({{"DATE-OBS", "2003-05-17"}, {"TIME-OBS", "07:45:00"}, {"CDELT1", "2.5"}, {"CDELT2", "2.5"},
              {"CRPIX1", "512"}, {"CRPIX2", "512"}, {"CROTA1", "179.5"}, {"RSUN_OBS", "948.0"}}),
       {"CROTA or CROTA1 as CROTA2"}, RoundHalfEven(0.004652472 / std::sin(948.0 / 3600 / kDegPerRad), 6), 179.5},
      // ... or CROTA.
      {"CROTA",
       Cards({{"DATE-OBS", "2003-05-17T07:45"}, {"CDELT1", "2.5"}, {"CDELT2", "2.5"}, {"CRPIX1", "512"},
              {"CRPIX2", "512"}, {"CROTA", "-1.25"}, {"RSUN_OBS", "948.0"}}),
       {"CROTA or CROTA1 as CROTA2"}, RoundHalfEven(0.004652472 / std::sin(948.0 / 3600 / kDegPerRad), 6), -1.25},
      // CROTA2 given: CROTA1 is not read.
      {"CROTA2 and CROTA1",
       Cards({{"DATE-OBS", "2003-05-17T07:45"}, {"CDELT1", "2.5"}, {"CDELT2", "2.5"}, {"CRPIX1", "512"},
              {"CRPIX2", "512"}, {"CROTA1", "30"}, {"CROTA2", "-1.25"}, {"RSUN_OBS", "948.0"}}),
       {}, RoundHalfEven(0.004652472 / std::sin(948.0 / 3600 / kDegPerRad), 6), -1.25},
  };
  for (const auto& c : cases) {
    HeaderCalibration cal;
    std::string missing;
    ASSERT_TRUE(CalibrateFromHeader(c.h, 1024, 1024, cal, missing)) << c.name << ": " << missing;
    EXPECT_EQ(cal.quirks, c.quirks) << c.name;
    EXPECT_EQ(cal.rho0, c.rho0) << c.name;
    EXPECT_NEAR(cal.orientation, c.orientation, 1e-12) << c.name;
  }
}

// The reference itself, on points whose place follows from plane geometry:
// a point at heliocentric angle sigma from the sub-observer point, seen from
// D, lies tan(rho) = R sin(sigma) / (D - R cos(sigma)) from the disc centre.
// (1e-7 degrees: near the limb the line of sight grazes the sphere.)
TEST(ReferenceHeliographic, PointsOfKnownPlace) {
  const double R = 696e6, D = 1.5e11;
  for (const double sigma : {0.0, 10.0, 30.0, 60.0, 85.0}) {
    const double s = sigma / kDegPerRad;
    const double rho_arcsec = std::atan(R * std::sin(s) / (D - R * std::cos(s))) * kDegPerRad * 3600;
    for (const double angle : {0.0, 90.0, 180.0, 270.0}) {  // north, west, south, east
      const double a = angle / kDegPerRad;
      WcsPicture w;
      w.height = 1000;
      w.crpix1 = 501;
      w.crpix2 = 500;  // picture pixel (500, 500) is helioprojective (0, 0)
      w.m11 = w.m22 = 1;
      w.crval1 = rho_arcsec * std::sin(a);  // the point sits on the reference pixel
      w.crval2 = rho_arcsec * std::cos(a);
      w.D_m = D;
      w.R_m = R;
      w.L0_deg = 100;
      HeliographicPoint p;
      ASSERT_TRUE(ReferenceHeliographic(w, 500, 500, p));
      EXPECT_NEAR(p.sigma, sigma, 1e-7) << sigma << " " << angle;
      EXPECT_NEAR(p.B, sigma * std::cos(a), 1e-7) << sigma << " " << angle;
      EXPECT_NEAR(p.lon, sigma * std::sin(a), 1e-7) << sigma << " " << angle;
      EXPECT_NEAR(p.L, std::fmod(100 + sigma * std::sin(a) + 360, 360), 1e-7) << sigma << " " << angle;
    }
  }
  // Beyond the limb the line of sight misses the Sun.
  WcsPicture w;
  w.height = 1000;
  w.crpix1 = 501;
  w.crpix2 = 500;
  w.crval1 = 1000;
  w.D_m = D;
  w.R_m = R;
  HeliographicPoint p;
  EXPECT_FALSE(ReferenceHeliographic(w, 500, 500, p));
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
