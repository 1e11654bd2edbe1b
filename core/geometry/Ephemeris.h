// The solar ephemeris for physical observations.
#pragma once

namespace pelorin {

// P, B0, L0 (degrees) and rho0 (astronomical units) for a Gregorian date and
// UT. Low-precision solar theory with Carrington's elements. `hours` (UT,
// decimal hours) is rounded to 3 decimals on return; P, B0, L0 come back
// rounded to 4 decimals and rho0 to 6, halves to even. P lies in (-330, 30]
// (a raw P above 30 is taken minus 360; one that rounds to -330 is given as
// 30), L0 in [0, 360) (one that rounds to 360 is given as 0). B0 is within
// +-7.25. Checks nothing: the caller passes a plausible date.
void SolarEphemeris(double year, double month, double day, double& hours, double& P, double& B0, double& L0,
                    double& rho0);

}  // namespace pelorin
