// The independent reference for a full-disc FITS picture the generator
// writes: its header's numbers as the helioprojective formulas take them.
#pragma once

#include <cmath>

#include "DataPictures.h"
#include "Helioprojective.h"

namespace pelorin::test {

// The solar radius the header calibration assumes without RSUN_REF, metres.
constexpr double kRsunRef_m = 696e6;

inline WcsPicture ReferenceOf(const gen::SolarFits& s) {
  WcsPicture w;
  w.height = s.height;
  w.crpix1 = s.crpix1;
  w.crpix2 = s.crpix2;
  w.crval1 = s.crval1;
  w.crval2 = s.crval2;
  const double t = s.rotation_deg * M_PI / 180;
  const double c = s.rotation == gen::WcsRotation::None ? 1 : std::cos(t);
  const double sn = s.rotation == gen::WcsRotation::None ? 0 : std::sin(t);
  w.m11 = s.cdelt1 * c;
  w.m12 = -s.cdelt1 * sn;
  w.m21 = s.cdelt2 * sn;
  w.m22 = s.cdelt2 * c;
  w.D_m = s.dsun_obs_m;
  w.R_m = kRsunRef_m;
  w.B0_deg = s.hglt_obs_deg;
  w.L0_deg = s.crln_obs_deg;
  return w;
}

}  // namespace pelorin::test
