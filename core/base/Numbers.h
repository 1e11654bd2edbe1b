// Numbers shared by the whole core: medians, angles brought into a range,
// circular means. Pure; no program state.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace pelorin {

// pi to the precision of a double, for the picture work (areas, blurs,
// circles); the transforms and the stored numbers keep kPi (base/Angles.h).
inline constexpr double kPiExact = 3.14159265358979323846;

// The median of `v`: its middle value, or the mean of the two middle values
// when it holds an even number. Reorders v. Undefined for an empty v.
double Median(std::vector<double>& v);

// The upper median of `v`: the value at index n/2 once sorted (for an even
// number, the larger of the two middle values), as a robust level where no
// averaging of two samples is wanted. Reorders v; 0 for an empty v.
template <class T>
double UpperMedian(std::vector<T>& v) {
  if (v.empty()) return 0;
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return static_cast<double>(*mid);
}

// UpperMedian of a copy of `v`, which stays as it is.
template <class T>
double UpperMedianOf(std::vector<T> v) {
  return UpperMedian(v);
}

// An angle in degrees brought into (-180, 180], exactly (std::fmod and one
// turn added or taken away, neither of which rounds): 180 and -180 give 180,
// -0 stays -0. A non-finite angle gives NaN.
double Wrap180(double deg);

// An angle in degrees brought into [0, 360), exactly as Wrap180; a result
// that would round to 360 (a tiny negative angle) is 0; -0 stays -0. A
// non-finite angle gives NaN. Unlike Reduce360 (base/Angles.h), which keeps the program's
// rounding of the stored coordinates, nothing is lost on the way.
double Wrap360(double deg);

// Sums of the sines and cosines of angles in degrees, for their circular
// mean: the direction of the mean of their unit vectors. Radians are
// deg * kRad and the mean comes back as atan2 * kDeg (base/Angles.h).
struct CircularSum {
  double sinSum = 0, cosSum = 0;
  // Adds one angle, degrees (a non-finite one makes the means NaN).
  void Add(double deg);
  // The mean, degrees, in (-180, 180] (Wrap180) or in [0, 360) (Wrap360).
  // 0 for no angles; when the unit vectors cancel, the direction of what
  // rounding leaves of them.
  double Mean180() const;
  double Mean360() const;
};

}  // namespace pelorin
