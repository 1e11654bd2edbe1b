#include "geometry/Ephemeris.h"

#include <cmath>

#include "base/Text.h"
#include "base/Angles.h"

namespace pelorin {

namespace {

// Sine and cosine of an angle in degrees, reduced to one turn first (the
// perturbation arguments).
double SinReduced(double deg) { return std::sin(Reduce360(deg) * kRad); }
double CosReduced(double deg) { return std::cos(Reduce360(deg) * kRad); }

}  // namespace

void SolarEphemeris(double year, double month, double day, double& hours, double& P, double& B0, double& L0,
                    double& rho0) {
  // Time scales: UT to ephemeris time with the Delta-T polynomial (minutes).
  double jd = 0;
  JulianDay(year, month, day, hours, jd);
  double T = (jd - 2415020) / 36525;
  const double deltaT = (0.41 + 1.2053 * T + 0.4992 * T * T) / 1440;
  const double jde = jd + deltaT;
  T = (jde - 2415020) / 36525;           // centuries from 1900 January 0.5
  const double T2 = (jde - 2451545) / 36525;  // centuries from 2000 January 1.5

  // Carrington elements.
  const double theta = Reduce360((jde - 2398220) * 14.18439716312);
  const double I = 7.25;
  const double K = 73.66667 + (1.3958333 * (jde - 2396758)) / 36525;

  // Mean elements of the Sun.
  double L = 280.46645 + 36000.76983 * T2 + 0.0003032 * T2 * T2;
  double M = 357.5291 + 35999.0503 * T2 - 0.0001559 * T2 * T2 - 0.00000048 * T2 * T2 * T2;
  const double e = 0.016708617 - 0.000042037 * T2 - 0.0000001236 * T2 * T2;
  L = Reduce360(L);
  M = Reduce360(M);

  // Equation of the centre.
  const double C = (1.91946 - 0.004798 * T - 0.000014 * T * T) * std::sin(M * kRad) +
                   (0.020094 - 0.0001 * T) * std::sin(2 * M * kRad) + 0.000293 * std::sin(3 * M * kRad);
  const double S = L + C;   // true longitude
  const double nu = M + C;  // true anomaly

  // Perturbations by Venus, Mars, Jupiter and the Moon.
  const double A = 153.23 + 22518.7541 * T;
  const double B = 216.57 + 45037.5082 * T;
  const double Cp = 312.69 + 32964.3577 * T;
  const double D = 350.74 + 445267.1142 * T - 0.00144 * T * T;
  const double E = 231.19 + 20.2 * T;
  const double H = 353.4 + 65928.7155 * T;
  const double dLambda =
      0.00134 * CosReduced(A) + 0.00154 * CosReduced(B) + 0.002 * CosReduced(Cp) + 0.00179 * SinReduced(D) +
      0.00178 * SinReduced(E);
  const double dR = 0.00000543 * SinReduced(A) + 0.00001575 * SinReduced(B) + 0.00001627 * SinReduced(Cp) +
                    0.00003076 * CosReduced(D) + 0.00000927 * SinReduced(H);

  // Radius vector.
  const double rho = 1.0000002 * (1 - e * e) / (1 + e * std::cos(nu * kRad)) + dR;

  // Apparent longitude and obliquity.
  const double omega = Reduce360(259.1833 - 1934.142 * T + 0.002078 * T * T);
  const double lambda = Reduce360(S - 0.00569 - 0.00479 * std::sin(omega * kRad) + dLambda);
  const double eps = 23.452294 - 0.0130125 * T - 0.00000164 * T * T + 0.000000503 * T * T * T +
                     0.00256 * std::cos(omega * kRad);

  // Physical ephemeris.
  const double x = std::atan(-std::cos(lambda * kRad) * std::tan(eps * kRad));
  const double y = std::atan(-std::cos((lambda - K) * kRad) * std::tan(I * kRad));
  double p = Reduce360((x + y) * kDeg);
  if (p > 30) p = p - 360;
  const double b0 = ArcSin(std::sin(I * kRad) * std::sin((lambda - K) * kRad)) * kDeg;
  double eta = std::atan(std::tan((lambda - K) * kRad) * std::cos(I * kRad)) * kDeg;
  if (-std::cos((lambda - K) * kRad) < 0) eta = eta + 180;
  const double l0 = Reduce360(eta - theta);

  // Rounding, last of all. P stays in (-330, 30] and L0 in [0, 360) after it.
  hours = RoundHalfEven(hours, 3);
  P = RoundHalfEven(p, 4);
  if (P == -330) P = 30;
  B0 = RoundHalfEven(b0, 4);
  L0 = RoundHalfEven(l0, 4);
  if (L0 == 360) L0 = 0;
  rho0 = RoundHalfEven(rho, 6);
}

}  // namespace pelorin
