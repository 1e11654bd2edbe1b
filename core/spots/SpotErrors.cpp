#include "spots/SpotErrors.h"

#include <algorithm>
#include <cmath>

#include "spots/Centroid.h"

namespace pelorin {

namespace {

// The 3 x 3 mean's scatter times sqrt 9: a single pixel's scatter when
// neighbours are independent, more when they move together.
constexpr double kMeanPixels = 3;
// Which pixels make the umbra moves with the noise too (the fitted model's
// edge), which the weights' noise alone leaves out: it about doubles the
// centres' scatter on the generator's white-light pictures. Tuned on one
// scene, it gives 0.85 to 1.35 times the scatter on three others
// (AttachPositionErrors.FoundCentresScatterAsTheirErrorsSay).
constexpr double kPixelChoice = 2;

void SetErrors(const PositionErrors& pe, double& B_err, double& CMD_err, double& L_err) {
  B_err = pe.B_deg;
  CMD_err = pe.CMD_deg;
  L_err = pe.L_deg;
}

}  // namespace

double CentreNoise(const SpotReport& report) {
  return std::max({0.0, report.noise, kMeanPixels * report.noiseSmoothed});
}

void AttachPositionErrors(SpotReport& report, const DiscCalibration& cal, const CalibrationErrors& e) {
  const double noise = CentreNoise(report);
  for (FoundSpot& s : report.spots) {
    s.sx_px = kPixelChoice * CentroidError_px(s.centreSpreadX_px2, s.centreWeight, noise);
    s.sy_px = kPixelChoice * CentroidError_px(s.centreSpreadY_px2, s.centreWeight, noise);
    SetErrors(PropagatePositionErrors(cal, s.x, s.y, cal.orientation, e, s.sx_px, s.sy_px), s.B_err, s.CMD_err,
              s.L_err);
  }
  for (SpotGroup& g : report.groups) {
    double A = 0, x = 0, y = 0, vx = 0, vy = 0;
    for (int i : g.spots) {
      const FoundSpot& s = report.spots[static_cast<std::size_t>(i)];
      A += s.area_msh;
      x += s.area_msh * s.x;
      y += s.area_msh * s.y;
      vx += s.area_msh * s.area_msh * s.sx_px * s.sx_px;
      vy += s.area_msh * s.area_msh * s.sy_px * s.sy_px;
    }
    if (!(A > 0)) continue;
    SetErrors(PropagatePositionErrors(cal, x / A, y / A, cal.orientation, e, std::sqrt(vx) / A, std::sqrt(vy) / A),
              g.B_err, g.CMD_err, g.L_err);
  }
}

}  // namespace pelorin
