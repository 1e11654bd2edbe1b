// Numbers shared by the whole core: medians, and angles brought into a range.
// Pure; no program state.
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

// An angle in degrees brought into (-180, 180].
double Wrap180(double deg);

}  // namespace pelorin
