// Angle and calendar helpers. Pure; no program state.
#pragma once

namespace pelorin {

// pi as the program writes it everywhere (the decimal literal, not M_PI).
inline constexpr double kPi = 3.14159265358979;
// Degrees to radians (pi/180 with the pi above) and radians to degrees
// (the program's own literal, a hair above 180 / kPi = 57.29577951308238).
inline constexpr double kRad = 0.017453292519943278;
inline constexpr double kDeg = 57.2957795130824;

// Arc sine in radians, [-pi/2, pi/2]; arguments at or beyond +-1 clamp to
// +-pi/2 (never fails, for finite input).
double ArcSin(double x);

// x degrees reduced to [0, 360) as 360 * (x/360 - floor(x/360)) (in this
// form, so 725 gives 5 only to within the rounding of the divide and
// multiply). A result that comes out as exactly 360 (x a tiny negative
// number) is returned as 0. A non-finite x gives NaN.
double Reduce360(double x);

// Julian day of a Gregorian calendar date (day may carry a fraction) at
// `hours` UT (decimal hours). January and February count as months 13 and 14
// of the previous year. The Gregorian correction is applied to every date,
// also before the calendar reform.
void JulianDay(double year, double month, double day, double hours, double& julianDay);

// value = sign(a) * (|a| + b/60 + c/3600), sign(0) taken as +1.
void SexagesimalToDecimal(double a, double b, double c, double& value);

// Whole hours (or degrees) a carrying the sign, minutes b and seconds c
// (rounded to the nearest second, carried into minutes and hours; b and c are
// never negative). A value in (-1, 0) gives a = -0.0, whose sign
// SexagesimalToDecimal does not read back.
void DecimalToSexagesimal(double value, double& a, double& b, double& c);

}  // namespace pelorin
