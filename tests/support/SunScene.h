// Ready scenes of the test-picture generator: a Kanzelhöhe drawing (not
// north-up, rotated), a north-up Kanzelhöhe H-alpha picture and a SOHO-like
// picture with its catalogue record. Each spot lies within 60 degrees of the
// disc centre, at least 20 degrees from every other, so a 31 x 31 window
// around one holds no other spot and no limb. Header only; a test that uses it
// links sungen.
#pragma once

#include <string>
#include <vector>

#include "Catalogues.h"
#include "SunPicture.h"

namespace pelorin::test {

struct SampleScene {
  gen::Scene scene;
  std::string pictureName;  // the file name the program would be given
};

// A spot at latitude B and central meridian distance cmd (degrees) for the
// ephemeris `eph`: its longitude is L0 + cmd.
inline gen::Spot SpotAtCmd(const std::string& name, double B_deg, double cmd_deg, const gen::Ephemeris& eph) {
  gen::Spot s;
  s.name = name;
  s.B_deg = B_deg;
  double L = eph.L0_deg + cmd_deg;
  if (L >= 360) L -= 360;
  if (L < 0) L += 360;
  s.L_deg = L;
  return s;
}

// Five spots: the centre of the disc and four towards the quadrants.
inline std::vector<gen::Spot> SampleSpots(const gen::Ephemeris& eph) {
  return {SpotAtCmd("c", eph.B0_deg, 0, eph), SpotAtCmd("ne", 25, -35, eph), SpotAtCmd("nw", 18, 40, eph),
          SpotAtCmd("se", -22, -28, eph), SpotAtCmd("sw", -30, 33, eph)};
}

// Kanzelhöhe drawing of 17 May 2003, 07:45 UT: white paper, limb line, not
// north-up, east at 203.5 degrees.
inline SampleScene KanzelhoeDrawingScene() {
  SampleScene s;
  gen::Scene& sc = s.scene;
  sc.year = 2003, sc.month = 5, sc.day = 17, sc.hour = 7, sc.minute = 45, sc.second = 0;
  sc.width_px = 900, sc.height_px = 860;
  sc.x0_px = 447.3, sc.y0_px = 431.8, sc.rk_px = 380;
  sc.orientation_deg = 203.5;
  sc.northUp = false;
  sc.style = gen::Style::Drawing;
  sc.spots = SampleSpots(gen::ProgramEphemeris(2003, 5, 17, 7.75, false));
  s.pictureName = gen::KanzelhoeName(gen::KanzelhoeKind::Drawing, 2003, 5, 17, 7, 45, "jpg");
  return s;
}

// Kanzelhöhe H-alpha picture of the same morning, north up (P taken as 0).
inline SampleScene HalphaNorthUpScene() {
  SampleScene s;
  gen::Scene& sc = s.scene;
  sc.year = 2003, sc.month = 5, sc.day = 17, sc.hour = 7, sc.minute = 45, sc.second = 0;
  sc.width_px = 800, sc.height_px = 800;
  sc.x0_px = 401.6, sc.y0_px = 398.2, sc.rk_px = 350.5;
  sc.orientation_deg = 0;
  sc.northUp = true;
  sc.style = gen::Style::Halpha;
  sc.spots = SampleSpots(gen::ProgramEphemeris(2003, 5, 17, 7.75, true));
  s.pictureName = gen::KanzelhoeName(gen::KanzelhoeKind::Halpha, 2003, 5, 17, 7, 45, "jpg");
  return s;
}

// SOHO-like picture of 28 October 2003, 11:12:30 UT, with the ephemeris the
// program sets up from the catalogues (catalogue B0 = the ephemeris' B0).
inline SampleScene SohoScene() {
  SampleScene s;
  gen::Scene& sc = s.scene;
  sc.year = 2003, sc.month = 10, sc.day = 28, sc.hour = 11, sc.minute = 12, sc.second = 30;
  sc.width_px = 1024, sc.height_px = 1024;
  sc.x0_px = 511.7, sc.y0_px = 509.2, sc.rk_px = 470.4;
  sc.orientation_deg = 0;
  sc.northUp = true;
  sc.style = gen::Style::Photo;
  const double ut = 11 + 12 / 60.0 + 30 / 3600.0;
  const gen::Ephemeris plain = gen::ProgramEphemeris(2003, 10, 28, ut, true);
  sc.ephemeris = gen::SohoEphemeris(2003, 10, 28, ut, plain.B0_deg);
  sc.spots = SampleSpots(*sc.ephemeris);
  s.pictureName = "soho1028.jpg";
  return s;
}

}  // namespace pelorin::test
