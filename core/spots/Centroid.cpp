#include "spots/Centroid.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/Numbers.h"
#include "geometry/PositionErrors.h"

namespace pelorin {

namespace {

// Weights below this are the picture's light, not the feature.
constexpr double kWeightFloor = 15;
// The click's own weight, which keeps an empty square at the click.
constexpr double kClickWeight = 0.001;
// A Gaussian's sigma over its median absolute deviation.
constexpr double kMadToSigma = 1.4826;
// The noise of levels rounded to whole numbers: 1 / sqrt 12.
const double kRoundingNoise = 1 / std::sqrt(12.0);

}  // namespace

double SquareNoise(const WeightedSquare& grey) {
  std::vector<double> steps;
  steps.reserve(grey.size());
  for (int col = 0; col < kWeightedSide; ++col)
    for (int row = 1; row < kWeightedSide; ++row) {
      const std::size_t i = static_cast<std::size_t>(col * kWeightedSide + row);
      steps.push_back(std::fabs(grey[i] - grey[i - 1]));
    }
  return std::max(kRoundingNoise, kMadToSigma * Median(steps) / std::sqrt(2.0));
}

WeightedCentre WeightedCentreOfSquare(double X, double Y, const WeightedSquare& grey) {
  double W = kClickWeight, Sx = X * kClickWeight, Sy = Y * kClickWeight;
  for (int dx = -kWeightedReach_px; dx <= kWeightedReach_px; ++dx)
    for (int dy = -kWeightedReach_px; dy <= kWeightedReach_px; ++dy) {
      double w = 255 - grey[static_cast<std::size_t>((dx + kWeightedReach_px) * kWeightedSide + dy + kWeightedReach_px)];
      if (w < kWeightFloor) w = 0;
      W += w;
      Sx += (X + dx) * w;
      Sy += (Y - dy) * w;
    }
  WeightedCentre c;
  c.x = Sx / W;
  c.y = Sy / W;
  double spreadX = 0, spreadY = 0;
  for (int dx = -kWeightedReach_px; dx <= kWeightedReach_px; ++dx)
    for (int dy = -kWeightedReach_px; dy <= kWeightedReach_px; ++dy)
      if (255 - grey[static_cast<std::size_t>((dx + kWeightedReach_px) * kWeightedSide + dy + kWeightedReach_px)] >=
          kWeightFloor) {
        spreadX += (X + dx - c.x) * (X + dx - c.x);
        spreadY += (Y - dy - c.y) * (Y - dy - c.y);
      }
  if (!(W > kClickWeight)) {
    // Nothing weighs: the click stays, with a click's error.
    c.sx_px = c.sy_px = kClick_px;
    return c;
  }
  const double noise = SquareNoise(grey);
  c.sx_px = CentroidError_px(spreadX, W - kClickWeight, noise);
  c.sy_px = CentroidError_px(spreadY, W - kClickWeight, noise);
  return c;
}

void CentroidSums::Note(FoundSpot& s) const {
  s.centreWeight = w_;
  // sum (x - c)^2 = sum x^2 - 2 c sum x + n c^2, kept from going below 0
  // by rounding.
  s.centreSpreadX_px2 = std::max(0.0, xx_ - 2 * s.x * x_ + n_ * s.x * s.x);
  s.centreSpreadY_px2 = std::max(0.0, yy_ - 2 * s.y * y_ + n_ * s.y * s.y);
}

double CentroidError_px(double spread_px2, double weight, double noise) {
  if (!(weight > 0)) return 0;
  return std::sqrt(spread_px2) * noise / weight;
}

}  // namespace pelorin
