#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "CliRun.h"
#include "DataPictures.h"
#include "Decoders.h"
#include "Helioprojective.h"
#include "TestApp.h"
#include "base/RasterPicture.h"
#include "app/State.h"
#include "base/Text.h"
#include "formats/HeaderCalibration.h"
#include "app/Geometry.h"

namespace pelorin {
namespace {

// Runs pelorin-cli with `args` (shell-safe) in the current folder.
test::CliResult Cli(const std::string& args) { return test::RunCli(std::filesystem::current_path(), args); }

// The first nine pairs of a calibrate line: the picture the helio command takes.
std::string NinePairs(const std::string& line) {
  std::size_t at = 0;
  for (int i = 0; i < 9 && at != std::string::npos; ++i) at = line.find(' ', at + 1);
  return line.substr(0, at);
}

double ArcsecPer(const std::string& unit) { return unit == "deg" ? 3600 : unit == "arcmin" ? 60 : 1; }

// The scene's WCS for the reference formulas.
test::WcsPicture Wcs(const gen::SolarFits& s) {
  const double u = ArcsecPer(s.cunit);
  const double t = s.rotation == gen::WcsRotation::None ? 0 : s.rotation_deg * M_PI / 180;
  test::WcsPicture w;
  w.height = s.height;
  w.crpix1 = s.crpix1;
  w.crpix2 = s.crpix2;
  w.crval1 = s.crval1 * u;
  w.crval2 = s.crval2 * u;
  w.m11 = s.cdelt1 * u * std::cos(t);
  w.m12 = -s.cdelt2 * u * std::sin(t);
  w.m21 = s.cdelt1 * u * std::sin(t);
  w.m22 = s.cdelt2 * u * std::cos(t);
  w.D_m = s.dsun_obs_m;
  w.R_m = 0.004652472 * 149597870700.0;
  w.B0_deg = s.hglt_obs_deg;
  w.L0_deg = s.crln_obs_deg;
  return w;
}

gen::SolarFits Scene(double crota2, double cdelt1, gen::WcsRotation rotation = gen::WcsRotation::Crota2) {
  gen::SolarFits s;
  s.width = s.height = 600;
  s.crpix1 = 301.5;
  s.crpix2 = 298.25;
  s.crval1 = 12;
  s.crval2 = -8;
  s.cdelt1 = cdelt1;
  s.cdelt2 = 3.6;
  s.rotation = rotation;
  s.rotation_deg = crota2;
  return s;
}

// Source of the expected values: the program's own transform on the
// calibration of the same header (helio must repeat it exactly), and the
// reference formulas (tests/support/Helioprojective.h) on the header the
// generator wrote, within 0.01 degrees.
TEST(CliCalibrate, TheLineGivesHelioTheProgramsBCmdAndL) {
  const struct {
    const char* name;
    const char* file;
    gen::SolarFits scene;
  } cases[] = {
      {"FITS, CROTA2 0", "sun.fits", Scene(0, 3.6)},
      {"FITS, CROTA2 180", "hmi.fits", Scene(180, 3.6)},
      {"FITS, PC at 33 degrees", "pc.fits", Scene(33, 3.6, gen::WcsRotation::Pc)},
      {"FITS, mirrored", "mirror.fits", Scene(-20, -3.6)},
      {"JPEG 2000 with its XML box", "sun.jp2", Scene(12.5, 3.6, gen::WcsRotation::Cd)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempFolder folder;
    if (std::string(c.file).ends_with(".jp2")) gen::WriteSolarJp2(c.file, c.scene);
    else gen::WriteSolarFits(c.file, c.scene);

    const test::CliResult r = Cli(std::string("calibrate ") + c.file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The program's calibration of the same picture.
    decoders::DecodedPicture pic;
    std::string error;
    ASSERT_TRUE(decoders::ReadPicture(c.file, pic, error)) << error;
    HeaderCalibration cal;
    ASSERT_TRUE(CalibrateFromHeader(pic.header, pic.width, pic.height, cal, error)) << error;
    ProgramState s;
    ApplyHeaderCalibration(cal, s);
    EXPECT_EQ(r.out, "x0=" + NumberText(s.ZeroPointX) + " y0=" + NumberText(s.ZeroPointY) + " rk=" +
                         NumberText(s.LimbRadius) + " P=0 B0=-3 L0=150 rho0=" + NumberText(s.rho0) +
                         " orientation=" + NumberText(s.OrientationAngle) + " northup=" +
                         (c.scene.cdelt1 < 0 ? "0" : "1") + " year=2014 month=1 day=1 hours=0.002\n");

    const std::string picture = NinePairs(r.out);
    const test::WcsPicture w = Wcs(c.scene);
    for (const auto& [X, Y] : {std::pair{300.0, 300.0}, {420.0, 250.0}, {200.5, 401.25}, {333.0, 150.0}}) {
      const test::CliResult h = Cli("helio " + picture + " x=" + NumberText(X) + " y=" + NumberText(Y));
      ASSERT_EQ(h.status, 0) << h.err;
      double B = 0, CMD = 0, L = 0;
      PixelToHeliographic(s, X, Y, s.OrientationAngle, B, CMD, L);
      EXPECT_EQ(h.out, "B=" + NumberText(B) + " CMD=" + NumberText(CMD) + " L=" + NumberText(L) + "\n");
      test::HeliographicPoint ref;
      ASSERT_TRUE(test::ReferenceHeliographic(w, X, Y, ref));
      EXPECT_NEAR(B, ref.B, 0.01) << X << ", " << Y;
      EXPECT_NEAR(CMD, ref.lon, 0.01) << X << ", " << Y;
    }
  }
}

TEST(CliCalibrate, NoCalibrationIsSaidOnStderrWithStatus1) {
  test::TempFolder folder;
  gen::SolarFits undated = Scene(0, 3.6);
  undated.dateObs = "";
  gen::WriteSolarFits("undated.fits", undated);
  gen::SolarFits flat = Scene(0, 3.6);
  flat.extra = {{"CDELT1", "0"}};
  gen::WriteSolarFits("flat.fits", flat);
  std::vector<std::uint32_t> px(40 * 30, 0xFFFFFFFFu);
  std::string error;
  ASSERT_TRUE(WriteBmp("plain.bmp", 40, 30, px.data(), error)) << error;
  test::WriteAll("text.fits", "this is not a FITS file\n");

  const struct {
    std::string args;
    int status;
    std::string errStart;  // what stderr starts with
  } cases[] = {
      {"calibrate undated.fits", 1,
       "pelorin-cli calibrate: undated.fits: cannot be calibrated from its header: no date of observation (DATE-OBS)"},
      {"calibrate flat.fits", 1, "pelorin-cli calibrate: flat.fits: cannot be calibrated from its header: CDELT1 is 0"},
      {"calibrate plain.bmp", 1,
       "pelorin-cli calibrate: plain.bmp: the picture has no header (FITS keywords) to calibrate from"},
      {"calibrate text.fits", 1, "pelorin-cli calibrate: text.fits: "},
      {"calibrate nothing.fits", 1, "pelorin-cli calibrate: nothing.fits: the file cannot be opened"},
      {"calibrate", 2, "usage: pelorin-cli calibrate FILE"},
      {"calibrate a.fits b.fits", 2, "usage: pelorin-cli calibrate FILE"},
  };
  for (const auto& c : cases) {
    const test::CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart) << c.args << ": " << r.err;
    EXPECT_EQ(r.err.back(), '\n') << c.args;
  }
}

}  // namespace
}  // namespace pelorin
