// The date dialog's boxes on their own: whatever is typed into a box, it
// then shows a number of its range and its spin button the negated number;
// and the six boxes, confirmed, give a time of day and an ephemeris within
// their stated ranges.
//
// Input: up to six lines, the texts typed into day, month, year, hours,
// minutes and seconds.
// run-fuzz: -max_len=512
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/Text.h"
#include "base/Angles.h"
#include "app/DateDialog.h"
#include "geometry/Ephemeris.h"

using namespace pelorin;

namespace {

struct Range {
  int lo, hi;
};
constexpr std::array<Range, 6> kRanges{{{1, 31}, {1, 12}, {1, 3000}, {0, 23}, {0, 59}, {0, 59}}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> typed = fuzz::Split(fuzz::Text(data, size), "\n", 6);
  typed.resize(6);
  std::array<double, 6> v{};
  for (std::size_t i = 0; i < 6; ++i) {
    const Range r = kRanges[i];
    const TypedField f = TypeIntoField(typed[i], r.lo, r.hi);
    v[i] = LeadingNumber(f.text);
    if (!(v[i] >= r.lo && v[i] <= r.hi)) fuzz::Fail("box " + std::to_string(i) + " shows \"" + f.text + "\"");
    if (f.spin != -static_cast<int>(RoundToWhole(v[i]))) fuzz::Fail("spin button " + std::to_string(i));
    // Text within the range stays as typed; other text becomes the bound.
    const double typedValue = LeadingNumber(typed[i]);
    if (typedValue >= r.lo && typedValue <= r.hi) fuzz::Check(f.text == typed[i], "text in range was changed");
    else fuzz::Check(v[i] == (typedValue > r.hi ? r.hi : r.lo), "text out of range did not become its bound");
  }
  double hours = 0;
  SexagesimalToDecimal(v[3], v[4], v[5], hours);
  fuzz::Check(hours >= 0 && hours < 24, "a time of day out of range: " + NumberText(hours));
  double P = 0, B0 = 0, L0 = 0, rho0 = 0;
  SolarEphemeris(v[2], v[1], v[0], hours, P, B0, L0, rho0);
  if (!(P > -330 && P <= 30) || !(B0 >= -7.25 && B0 <= 7.25) || !(L0 >= 0 && L0 < 360) || !(rho0 > 0.98 && rho0 < 1.02))
    fuzz::Fail("the ephemeris of " + NumberText(v[0]) + "." + NumberText(v[1]) + "." + NumberText(v[2]) + " " +
               NumberText(hours) + " UT: P " + NumberText(P) + ", B0 " + NumberText(B0) + ", L0 " + NumberText(L0) +
               ", rho0 " + NumberText(rho0));
  return 0;
}
