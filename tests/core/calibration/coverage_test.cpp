// Do the positions' claimed errors cover the truth? Positions measured
// through a limb fitted to noisy clicks and through the automatic limb on
// generated pictures, each against the generator's truth, their errors
// propagated from the fit's own errors and the click's.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "Coverage.h"
#include "SunPicture.h"
#include "base/Angles.h"
#include "base/Numbers.h"
#include "base/RasterPicture.h"
#include "calibration/Limb.h"
#include "calibration/LimbDetect.h"
#include "geometry/PositionErrors.h"

namespace pelorin {
namespace {

// A calibration drawn at random: a date in 2000 .. 2024, an orientation,
// north up or not, the disc given.
DiscCalibration RandomCalibration(std::mt19937& rng, double x0, double y0, double rk) {
  std::uniform_int_distribution<int> year(2000, 2024), month(1, 12), day(1, 28);
  std::uniform_real_distribution<double> hours(0, 24), turn(0, 360);
  const bool northUp = rng() % 2 == 0;
  const gen::Ephemeris eph = gen::ProgramEphemeris(year(rng), month(rng), day(rng), hours(rng), northUp);
  DiscCalibration c;
  c.x0 = x0;
  c.y0 = y0;
  c.rk = rk;
  c.P = eph.P_deg;
  c.B0 = eph.B0_deg;
  c.L0 = eph.L0_deg;
  c.rho0 = eph.rho0_AU;
  c.orientation = turn(rng);
  c.northUp = northUp;
  return c;
}

// One click on the disc within 0.85 of its radius (within 60 degrees of
// the centre): the true point's position against the clicked point's on
// the fitted disc, with the errors the fit and the click claim.
void ClickOnDisc(std::mt19937& rng, const DiscCalibration& truth, const DiscCalibration& fitted,
                 const CalibrationErrors& e, test::Coverage& coverage) {
  std::uniform_real_distribution<double> unit(-1, 1);
  std::normal_distribution<double> click(0, kClick_px);
  double dx = 0, dy = 0;
  do {
    dx = unit(rng);
    dy = unit(rng);
  } while (dx * dx + dy * dy > 0.85 * 0.85);
  const double X = truth.x0 + dx * truth.rk, Y = truth.y0 + dy * truth.rk;
  const double Xc = X + click(rng), Yc = Y + click(rng);
  double B = 0, CMD = 0, L = 0, Bt = 0, CMDt = 0, Lt = 0;
  PixelToHeliographicUnrounded(truth, X, Y, truth.orientation, Bt, CMDt, Lt);
  PixelToHeliographicUnrounded(fitted, Xc, Yc, fitted.orientation, B, CMD, L);
  const PositionErrors pe = PropagatePositionErrors(fitted, Xc, Yc, fitted.orientation, e, kClick_px, kClick_px);
  coverage.Add(B - Bt, pe.B_deg, Wrap180(L - Lt), pe.L_deg);
}

// The disc's errors as the fit gives them, with their covariances.
CalibrationErrors ErrorsOfFit(const LimbFitErrors& f) {
  CalibrationErrors e;
  e.disc = f.cov;
  return e;
}

TEST(PositionCoverage, LimbClickedWithOnePixelOfNoise) {
  // 400 pictures a road, each its own disc and date; 6 to 12 clicks on the
  // limb, each 1 px off in x and y; one position clicked on each. The
  // clicks go round the whole limb, or along the part of it a picture
  // shows (a disc cut by the frame or by a drawing's edge), where the
  // centre and the radius move together.
  struct Road {
    const char* name;
    double arc_deg;  // the clicks lie on an arc this long
  };
  for (const Road& road : {Road{"clicked limb", 360}, Road{"clicked limb, 200 degrees of it", 200},
                           Road{"clicked limb, 120 degrees of it", 120}}) {
    std::mt19937 rng(20261209);
    std::uniform_real_distribution<double> centre(300, 700), radius(250, 600), angle(0, road.arc_deg), turn(0, 360);
    std::uniform_int_distribution<int> clicks(6, 12);
    std::normal_distribution<double> limbNoise(0, 1);
    test::Coverage coverage;
    for (int k = 0; k < 400; ++k) {
      const DiscCalibration truth = RandomCalibration(rng, centre(rng), centre(rng), radius(rng));
      std::vector<LimbEdgePoint> points(static_cast<std::size_t>(clicks(rng)));
      const double start = turn(rng);
      for (LimbEdgePoint& p : points) {
        const double a = (start + angle(rng)) * kRad;
        p.x_px = truth.x0 + truth.rk * std::cos(a) + limbNoise(rng);
        p.y_px = truth.y0 + truth.rk * std::sin(a) + limbNoise(rng);
      }
      DiscCalibration fitted = truth;
      LimbFitErrors errors;
      ASSERT_EQ(FitLimbPoints(points, fitted.x0, fitted.y0, fitted.rk, &errors), 0);
      ClickOnDisc(rng, truth, fitted, ErrorsOfFit(errors), coverage);
    }
    coverage.Print(road.name);
    test::ExpectCoverage(coverage, road.name);
  }
}

TEST(PositionCoverage, AutomaticLimbOnGeneratedPhotos) {
  // 40 white-light photos, each its own disc, date, noise, vignetting,
  // thin cloud (an aureole about the disc) and seed; the disc found by DetectLimb and fitted with its errors; six
  // positions clicked on each.
  std::mt19937 rng(1209);
  std::uniform_real_distribution<double> offset(-20, 20), radius(220, 280), noise(1, 6), vignetting(0, 0.3),
      cloud(0, 0.5);
  test::Coverage coverage;
  for (int k = 0; k < 40; ++k) {
    const DiscCalibration drawn = RandomCalibration(rng, 320 + offset(rng), 320 + offset(rng), radius(rng));
    gen::Scene sc;
    sc.style = gen::Style::Photo;
    sc.width_px = sc.height_px = 640;
    sc.x0_px = drawn.x0;
    sc.y0_px = drawn.y0;
    sc.rk_px = drawn.rk;
    sc.northUp = drawn.northUp;
    sc.orientation_deg = drawn.orientation;
    sc.year = 2003 + k % 10;
    sc.month = 1 + k % 12;
    sc.day = 1 + k % 28;
    sc.hour = k % 24;
    sc.limbPointCount = 0;
    sc.linePointCount = 0;
    sc.noise = noise(rng);
    sc.vignetting = vignetting(rng);
    sc.cloud = cloud(rng);
    sc.seed = static_cast<unsigned>(1000 + k);
    RasterPicture pic;
    const gen::Truth t = gen::RenderInto(sc, pic);
    DiscCalibration truth = drawn;
    truth.x0 = t.x0_px;
    truth.y0 = t.y0_px;
    truth.rk = t.rk_px;
    truth.P = t.eph.P_deg;
    truth.B0 = t.eph.B0_deg;
    truth.L0 = t.eph.L0_deg;
    truth.rho0 = t.eph.rho0_AU;
    const LimbDetection d = DetectLimb(pic);
    ASSERT_TRUE(d.found) << "picture " << k;
    DiscCalibration fitted = truth;
    LimbFitErrors errors;
    ASSERT_EQ(FitLimbPoints(d.points, fitted.x0, fitted.y0, fitted.rk, &errors), 0);
    for (int i = 0; i < 6; ++i) ClickOnDisc(rng, truth, fitted, ErrorsOfFit(errors), coverage);
  }
  coverage.Print("automatic limb");
  test::ExpectCoverage(coverage, "automatic limb");
}

}  // namespace
}  // namespace pelorin
