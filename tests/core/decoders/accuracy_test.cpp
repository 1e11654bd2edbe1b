// End to end: a FITS (or JPEG 2000) picture the generator writes with a
// known WCS is opened through the program's Open road, calibrated from its
// header alone, and B and L under the pointer and in the records (also after
// saving and opening again) are compared with reference values computed from
// the WCS by the published helioprojective-to-heliographic formulas
// (tests/support/Helioprojective.h), independently of the program's
// transform. Within 0.01 degrees for points within 60 degrees of the disc
// centre.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "DataApp.h"
#include "DataPictures.h"
#include "Decoders.h"
#include "Helioprojective.h"
#include "SolarFitsReference.h"
#include "ScriptedWindow.h"
#include "TestApp.h"
#include "app/Readout.h"
#include "app/Startup.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "app/Points.h"

namespace pelorin {
namespace {

using test::DataApp;

double AngleDiff(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 360.0);
  return std::min(d, 360.0 - d);
}


// "B=12.34" and "L=123.45" of the status text.
double Field(const std::string& text, const std::string& key) {
  const std::size_t at = text.find("  " + key + "=");
  if (at == std::string::npos) return NAN;
  return std::stod(text.substr(at + key.size() + 3));
}

struct Record {
  double B, CMD, L;
};

// The records of object `name` in a data file's text, in order.
std::vector<Record> Records(const std::string& text, const std::string& name) {
  std::vector<Record> out;
  std::istringstream in(text);
  std::string line;
  const std::string head = "\"" + name + "\",";
  while (std::getline(in, line)) {
    if (line.rfind(head, 0) != 0) continue;
    Record r{};
    if (std::sscanf(line.c_str() + head.size(), "%lf,%lf,%lf", &r.B, &r.CMD, &r.L) == 3) out.push_back(r);
  }
  return out;
}

struct Scene {
  const char* name;
  const char* file;
  gen::SolarFits fits;
};

gen::SolarFits Observation(double crpix1, double crpix2, double crval1, double crval2, gen::WcsRotation rotation,
                           double angle, double b0, double l0) {
  gen::SolarFits s;
  s.width = s.height = 1024;
  s.dateObs = "2014-03-20T11:22:33.000";
  s.crpix1 = crpix1;
  s.crpix2 = crpix2;
  s.crval1 = crval1;
  s.crval2 = crval2;
  s.cdelt1 = s.cdelt2 = 2.4;
  s.rotation = rotation;
  s.rotation_deg = angle;
  s.dsun_obs_m = 1.4895e11;
  s.rsun_obs_arcsec = std::asin(test::kRsunRef_m / s.dsun_obs_m) * 180 / M_PI * 3600;
  s.hglt_obs_deg = b0;
  s.crln_obs_deg = l0;  // on purpose off the ephemeris of the date: the header is followed
  s.layout.bitpix = 16;
  s.layout.compression = gen::FitsCompression::Rice;
  return s;
}

TEST(HeaderCalibratedPicture, BAndLUnderThePointerAndInTheRecordsFollowTheWcs) {
  const Scene scenes[] = {
      {"CROTA2 180", "crota180.fits",
       Observation(514.2, 508.9, 0, 0, gen::WcsRotation::Crota2, 180, 7.05, 12.5)},
      {"PC matrix at 33.3 degrees, reference point off the centre", "pc33.fits",
       Observation(530.6, 497.1, 38.4, -22.5, gen::WcsRotation::Pc, 33.3, -4.4, 250.25)},
      {"CD matrix at -117 degrees", "cd117.fits",
       Observation(500.0, 520.0, 0, 0, gen::WcsRotation::Cd, -117, 2.0, 359.9)},
      {"JPEG 2000, PC matrix at 33.3 degrees", "pc33.jp2",
       Observation(530.6, 497.1, 38.4, -22.5, gen::WcsRotation::Pc, 33.3, -4.4, 250.25)},
  };
  for (const Scene& sc : scenes) {
    SCOPED_TRACE(sc.name);
    DataApp t;
    const std::string path = t.folder.File(sc.file);
    if (std::string(sc.file).find(".jp2") != std::string::npos) gen::WriteSolarJp2(path, sc.fits);
    else gen::WriteSolarFits(path, sc.fits);
    OpenPicture(t.app, path);
    ASSERT_TRUE(t.win.messages.empty()) << t.win.messages.front();
    ASSERT_TRUE(t.win.inputAnswers.empty());
    const ProgramState& s = t.app.s;
    ASSERT_EQ(s.CalibrationState, 3) << "not calibrated from the header";
    EXPECT_EQ(s.GridOn, 1);
    const test::WcsPicture w = test::ReferenceOf(sc.fits);

    // Points within 60 degrees of the disc centre, spread over the disc.
    struct Point {
      double X, Y;
      test::HeliographicPoint ref;
    };
    std::vector<Point> points;
    for (double u = -0.9; u <= 0.9; u += 0.15) {
      for (double v = -0.9; v <= 0.9; v += 0.15) {
        Point p{std::round(s.ZeroPointX + u * s.LimbRadius), std::round(s.ZeroPointY + v * s.LimbRadius), {}};
        if (test::ReferenceHeliographic(w, p.X, p.Y, p.ref) && p.ref.sigma <= 60) points.push_back(p);
      }
    }
    ASSERT_GT(points.size(), 60u);

    // Under the pointer: the status line shows B and L to two decimals.
    for (const Point& p : points) {
      const std::string text = ReadoutText(t.app, p.X, p.Y);
      EXPECT_LE(std::fabs(Field(text, "B") - p.ref.B), 0.01) << text << " against B " << p.ref.B;
      EXPECT_LE(AngleDiff(Field(text, "L"), p.ref.L), 0.01) << text << " against L " << p.ref.L;
    }

    // In the records: one object, a click on every point as it is.
    t.app.s.ManualSelection = -1;
    t.win.inputAnswers.push_back("g1");
    Objekt_Click(t.app);
    for (const Point& p : points) Picture1_MouseDown(t.app, 1, 0, p.X, p.Y);
    Objektend_Click(t.app);
    t.win.saveAnswers.push_back(t.folder.File(t.app.s.DataFileName));
    spremi_Click(t.app);
    const std::string saved = test::ReadAll(t.folder.File(t.app.s.DataFileName));
    const std::vector<Record> records = Records(saved, "g1");
    ASSERT_EQ(records.size(), points.size()) << saved;
    double worstB = 0, worstL = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      worstB = std::max(worstB, std::fabs(records[i].B - points[i].ref.B));
      worstL = std::max(worstL, AngleDiff(records[i].L, points[i].ref.L));
    }
    EXPECT_LE(worstB, 0.01);
    EXPECT_LE(worstL, 0.01);

    // Closed and opened again, the data file gives the same B and L.
    form_unload(t.app);
    DataApp again;
    OpenPicture(again.app, path);
    ASSERT_EQ(again.app.s.CalibrationState, 3);
    EXPECT_EQ(again.app.s.StoredPointCount, static_cast<int>(points.size()));
    for (std::size_t i = 0; i < points.size(); i += 7) {
      const std::string text = ReadoutText(again.app, points[i].X, points[i].Y);
      EXPECT_LE(std::fabs(Field(text, "B") - points[i].ref.B), 0.01) << "reopened: " << text;
      EXPECT_LE(AngleDiff(Field(text, "L"), points[i].ref.L), 0.01) << "reopened: " << text;
    }
    std::printf("%-58s records: worst B %.5f L %.5f deg over %zu points\n", sc.name, worstB, worstL, points.size());
  }
}

}  // namespace
}  // namespace pelorin
