// Reference values for the tests: heliographic coordinates of a picture
// pixel computed straight from a picture's WCS with the published
// helioprojective-to-heliographic formulas, independently of the program's
// transform:
// - W. T. Thompson, "Coordinate systems for solar image data", A&A 449, 791
//   (2006): helioprojective to heliocentric-Cartesian (eq. 15-16), to
//   Stonyhurst heliographic (eq. 12), Carrington longitude = Stonyhurst
//   longitude + L0;
// - M. R. Calabretta, E. W. Greisen, "Representations of celestial
//   coordinates in FITS", A&A 395, 1077 (2002): the gnomonic (TAN)
//   projection (eq. 54) and the native-to-celestial rotation (eq. 2) with the
//   native pole's longitude 180 degrees.
#pragma once

namespace pelorin::test {

struct WcsPicture {
  int height = 0;                    // picture rows; header pixel (p1, p2) is picture (p1 - 1, height - p2)
  double crpix1 = 0, crpix2 = 0;     // header pixels of the reference point
  double crval1 = 0, crval2 = 0;     // helioprojective longitude, latitude there, arcsec
  // Intermediate coordinates (x, y) in arcsec = M (p - crpix): CDELT times PC.
  double m11 = 1, m12 = 0, m21 = 0, m22 = 1;
  double D_m = 0, R_m = 0;           // observer distance from the Sun's centre, solar radius, metres
  double B0_deg = 0, L0_deg = 0;     // observer's heliographic latitude, Carrington longitude
};

struct HeliographicPoint {
  double B = 0;     // Stonyhurst (= Carrington) latitude, degrees
  double lon = 0;   // Stonyhurst longitude (the central meridian distance), degrees, (-180, 180]
  double L = 0;     // Carrington longitude, degrees, [0, 360)
  double sigma = 0; // angle at the Sun's centre between the point and the observer, degrees
};

// The point on the visible hemisphere at picture pixel (X, Y); false when
// the line of sight misses the Sun.
bool ReferenceHeliographic(const WcsPicture& w, double X, double Y, HeliographicPoint& out);

}  // namespace pelorin::test
