// Do the found spots' claimed errors cover the truth? White-light pictures
// of the generator, the spots found on each and every spot measured through
// a calibration of its own, off the true one by a draw of the errors it
// claims (the assumed errors of a header's calibration and of the time):
// B and L with their errors (AttachPositionErrors: the centre's from its
// pixels' noise and the calibration's) against the spots' true positions
// on the sphere. A draw for each spot keeps the positions' calibration
// errors independent, as over many pictures; the finder's centres do not
// depend on a calibration a quarter of a pixel off.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "Coverage.h"
#include "SpotCalibrationOf.h"
#include "SpotPictures.h"
#include "base/Angles.h"
#include "base/Numbers.h"
#include "geometry/PositionErrors.h"
#include "spots/SpotErrors.h"
#include "spots/Spots.h"

namespace pelorin {
namespace {

// The calibration errors assumed for a header, and a calibration off
// `truth` by one draw of them (the time's through the ephemeris' rates).
struct Drawn {
  DiscCalibration cal;
  CalibrationErrors errors;
};

Drawn DrawCalibration(const gen::WlScene& scene, const DiscCalibration& truth, std::mt19937& rng) {
  Drawn d{truth, {}};
  d.errors.disc = IndependentDiscCovariance(kHeaderDisc_px, kHeaderDisc_px, kHeaderDisc_px);
  d.errors.orientation_deg = kHeaderOrientation_deg;
  d.errors.time_h = kDefaultTime_h;
  EphemerisRates(scene.year, scene.month, scene.day, scene.hour + scene.minute / 60.0, d.errors.dP_dh,
                 d.errors.dB0_dh, d.errors.dL0_dh);
  if (truth.northUp) d.errors.dP_dh = 0;
  std::normal_distribution<double> disc(0, kHeaderDisc_px), turn(0, kHeaderOrientation_deg), time(0, kDefaultTime_h);
  d.cal.x0 += disc(rng);
  d.cal.y0 += disc(rng);
  d.cal.rk += disc(rng);
  d.cal.orientation += turn(rng);
  const double dt = time(rng);
  d.cal.P += d.errors.dP_dh * dt;
  d.cal.B0 += d.errors.dB0_dh * dt;
  d.cal.L0 += d.errors.dL0_dh * dt;
  return d;
}

TEST(PositionCoverage, FoundSpotsWithTheirCentresAndAHeaderCalibration) {
  // Spots of at least 3 px across within 70 degrees of the centre, each
  // matched to the nearest found spot within its radius; spots closer than
  // 3 seeing sigmas to another are one patch and left out (as in
  // SpotAccuracy).
  std::mt19937 rng(5);
  test::Coverage coverage;
  for (unsigned seed = 301; seed <= 324; ++seed) {
    const gen::WlScene scene = gen::RandomScene(seed, 1024, gen::WlKind::Groups);
    const gen::WlRendered r = gen::RenderWhiteLight(scene);
    const DiscCalibration truth = test::CalibrationOf(r.truth.picture);
    GreyPicture grey{r.width_px, r.height_px, std::vector<float>(r.grey.begin(), r.grey.end())};
    SpotReport found;
    std::string error;
    ASSERT_TRUE(FindSpots(grey, truth, SpotSettings{}, found, error)) << error;
    for (const gen::WlSpotTruth& t : r.truth.spots) {
      if (t.mu < std::cos(kFirstOrderLimit_deg * kRad) || 2 * std::sqrt(t.area_px / kPiExact) < 3) continue;
      bool resolved = true;
      for (const gen::WlSpotTruth& o : r.truth.spots)
        if (&o != &t && std::hypot(o.x_px - t.x_px, o.y_px - t.y_px) < 3 * scene.blur_px) resolved = false;
      if (!resolved) continue;
      const FoundSpot* best = nullptr;
      double reach = std::max(3.0, 0.6 * std::sqrt(t.area_px / kPiExact));
      for (const FoundSpot& f : found.spots)
        if (const double dist = std::hypot(f.x - t.x_px, f.y - t.y_px); dist < reach) {
          reach = dist;
          best = &f;
        }
      if (!best) continue;
      const Drawn d = DrawCalibration(scene, truth, rng);
      SpotReport one;
      one.noise = found.noise;
      one.noiseSmoothed = found.noiseSmoothed;
      one.spots = {*best};
      AttachPositionErrors(one, d.cal, d.errors);
      double B = 0, CMD = 0, L = 0;
      PixelToHeliographicUnrounded(d.cal, best->x, best->y, d.cal.orientation, B, CMD, L);
      coverage.Add(B - t.B_deg, one.spots[0].B_err, Wrap180(L - t.L_deg), one.spots[0].L_err);
    }
  }
  coverage.Print("found spots");
  test::ExpectCoverage(coverage, "found spots");
}

}  // namespace
}  // namespace pelorin
