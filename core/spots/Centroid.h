// Darkness-weighted centres and their errors from the noise of the pixels
// weighed. Picture pixels, y down.
//
// A centre x_c = sum w_i x_i / W (W = sum w_i) moves, when each weight
// carries an independent error s, by sigma_x = s sqrt(sum (x_i - x_c)^2) / W
// to first order; the sum runs over the pixels that weigh, and pixels
// clipped to weight 0 move it only when the noise lifts them over the
// clip.
#pragma once

#include <array>

#include "formats/SpotTable.h"

namespace pelorin {

// The square autoselect's "Weighted" mode weighs about a click: 31 x 31
// pixels.
inline constexpr int kWeightedReach_px = 15;
inline constexpr int kWeightedSide = 2 * kWeightedReach_px + 1;
using WeightedSquare = std::array<double, kWeightedSide * kWeightedSide>;

struct WeightedCentre {
  double x = 0, y = 0;          // picture pixels, unrounded
  double sx_px = 0, sy_px = 0;  // 1 sigma, from the grey levels' noise
};

// The centre autoselect's "Weighted" mode takes about picture point (X, Y):
// grey[(dx + 15) * 31 + (dy + 15)] is the grey level (0 .. 255) at
// (X + dx, Y - dy); weight 255 - grey, below 15 counted 0, and (X, Y) itself
// with 0.001, summed in that order (columns left to right, each from the
// bottom up). Its errors take the grey levels' noise from the square itself
// (the median step between vertical neighbours, as a sigma, at least the
// rounding to whole levels); a click's kClick_px when no pixel weighs and
// the click stays. Never fails.
WeightedCentre WeightedCentreOfSquare(double X, double Y, const WeightedSquare& grey);

// The grey levels' noise of a square of samples (1 sigma, grey levels):
// the median absolute step between vertical neighbours over sqrt 2, as a
// Gaussian's sigma, and no less than the rounding to whole levels.
double SquareNoise(const WeightedSquare& grey);

// Sums of a weighted centre that give its spread: add each pixel weighed,
// then Note writes the centre's weight and spread into a found spot.
class CentroidSums {
 public:
  void Add(double x, double y, double w) {
    if (!(w > 0)) return;
    n_ += 1;
    w_ += w;
    x_ += x;
    y_ += y;
    xx_ += x * x;
    yy_ += y * y;
  }
  // centreWeight and centreSpread*_px2 of `s` about its centre (s.x, s.y).
  void Note(FoundSpot& s) const;

 private:
  double n_ = 0, w_ = 0, x_ = 0, y_ = 0, xx_ = 0, yy_ = 0;
};

// The centre's 1-sigma error, pixels, for weights of noise `noise` (in the
// weights' unit): sqrt(spread_px2) noise / weight; 0 without weight.
double CentroidError_px(double spread_px2, double weight, double noise);

}  // namespace pelorin
