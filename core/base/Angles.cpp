#include "base/Angles.h"

#include <cmath>

namespace pelorin {

double ArcSin(double x) {
  if (x <= -1) return -kPi / 2;
  if (x >= 1) return kPi / 2;
  return std::atan(x / std::sqrt(1 - x * x));
}

double Reduce360(double x) {
  const double turns = x / 360;
  const double r = 360 * (turns - std::floor(turns));
  // A tiny negative x leaves turns - floor(turns) at exactly 1.
  return r == 360 ? 0.0 : r;
}

void JulianDay(double year, double month, double day, double hours, double& julianDay) {
  double y = year;
  double m = month;
  if (m <= 2) {
    y = y - 1;
    m = m + 12;
  }
  const double a = std::floor(y / 100);
  const double b = 2 - a + std::floor(a / 4);
  julianDay = std::floor(365.25 * y) + std::floor(30.6001 * (m + 1)) + day + 1720994.5 + b + hours / 24;
}

void SexagesimalToDecimal(double a, double b, double c, double& value) {
  const double s = a < 0 ? -1.0 : 1.0;
  value = s * (std::fabs(a) + b / 60 + c / 3600);
}

void DecimalToSexagesimal(double value, double& a, double& b, double& c) {
  const double s = value < 0 ? -1.0 : 1.0;
  const double v = std::fabs(value);
  double h = std::trunc(v);
  double m = std::trunc((v - h) * 60);
  double sec = std::trunc((v - h - m / 60) * 3600 + 0.5);
  if (sec == 60) {
    sec = 0;
    m = m + 1;
  }
  if (m == 60) {
    m = 0;
    h = h + 1;
  }
  a = s * h;
  b = m;
  c = sec;
}

}  // namespace pelorin
