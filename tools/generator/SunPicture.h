// Test pictures of the solar disc with their ground truth.
//
// A scene describes an observation (date, UT), a picture (size, disc centre
// and radius in pixels, orientation, the north-up convention, a style) and
// sunspots at heliographic positions. Rendering places every spot where the
// program's PixelToHeliographic, calibrated with the same disc, ephemeris and
// orientation, finds the spot's B and L again; the truth returned with the
// picture says where everything was put.
//
// Picture coordinates are those of the program: pixels, x to the right, y
// downwards, pixel (i, j) centred on the point (i, j).
//
// The orientation angle o is the program's OrientationAngle. From
// PixelToHeliographic, a point in screen direction chi (counted from the
// direction of the x offset towards the top of the picture) has the position
// angle 90 - chi + o, counted from celestial north towards east. So:
//  - on a picture that is not north-up (x offset X - x0), chi is counted
//    counter-clockwise on the screen from the picture's +x axis, and o is the
//    direction in which east lies; solar north lies at 90 + o - P. The view is
//    mirrored against the sky (east is a quarter turn clockwise from north),
//    as in a drawing of the projected disc.
//  - on a north-up picture (x offset x0 - X), chi is counted clockwise from
//    the picture's -x axis, and east lies at o counted that way: with o = 0
//    east is on the left and north at the top, the view of the sky.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/RasterPicture.h"
#include "app/State.h"

namespace pelorin::gen {

enum class Style {
  Drawing,  // white picture, white disc, dark limb line about 2.5 px wide
  Photo,    // dark background, limb-darkened disc
  Halpha,   // dark background, disc with weaker limb darkening
  Euv,      // an EUV picture as an archive's JPEG shows it: a mottled disc
            // (coronal holes, active regions) brightening to a peak at
            // 1.01 rk, a corona falling off over 0.2 rk with streamers and
            // loops, clipped raggedly to black at 1.2 to 1.4 rk
  Coronagraph,  // no disc: a black occulter of radius rk about (x0, y0) with
                // its pylon, a grey field of view cut by the picture's
                // edges, stars
};

// "drawing", "photo", "halpha", "euv", "coronagraph"; Parse returns false for
// any other word.
const char* StyleName(Style s);
bool ParseStyle(const std::string& word, Style& s);

// The solar ephemeris as the program holds it for a picture: P, B0, L0 in
// degrees, rho0 in astronomical units.
struct Ephemeris {
  double P_deg = 0;
  double B0_deg = 0;
  double L0_deg = 0;
  double rho0_AU = 1;
};

// SolarEphemeris for the date and UT (decimal hours), with P set to 0 on a
// north-up picture, as the program does after the date dialog and when it
// reads a data file.
Ephemeris ProgramEphemeris(int year, int month, int day, double ut_hours, bool northUp);

// The ephemeris of a SOHO picture as the program sets it up from the
// catalogues: SolarEphemeris, then P = 0, B0 = the catalogue's value and
// rho0 multiplied by 2/3.
Ephemeris SohoEphemeris(int year, int month, int day, double ut_hours, double catalogueB0_deg);

// One sunspot: a dark round umbra inside a grey round penumbra, both centred
// on the spot's pixel position (round on the picture, not foreshortened, so
// that the darkness-weighted centre of its surroundings is its position).
struct Spot {
  std::string name;  // one word: no blanks, not empty
  double B_deg = 0;  // heliographic latitude, [-90, 90]
  double L_deg = 0;  // Carrington longitude
  double umbraRadius_px = 2.5;
  double penumbraRadius_px = 6;  // umbra <= penumbra <= 15 (half the "Weighted" window)
};

struct Scene {
  int year = 2003, month = 5, day = 17;  // date of observation
  int hour = 7, minute = 45, second = 0;  // UT
  int width_px = 1024, height_px = 1024;  // 1 .. 16384 each
  double x0_px = 512, y0_px = 512;  // disc centre
  double rk_px = 400;               // disc radius, > 0
  double orientation_deg = 0;       // the program's OrientationAngle
  bool northUp = false;             // x offset x0 - X (true) or X - x0 (false)
  Style style = Style::Drawing;
  std::vector<Spot> spots;
  // The ephemeris the program will hold; by default ProgramEphemeris of the
  // date and time (SohoEphemeris for SOHO-like scenes).
  std::optional<Ephemeris> ephemeris;
  int limbPointCount = 12;  // helper points on the limb, 0 .. 1000
  int linePointCount = 9;   // helper points on the parallel and on the axis, 0 .. 1000
  // The daily parallel drawn through the disc centre as a dark line about
  // 1.5 px wide, reaching 1.06 rk either side (as on an observing template),
  // so that the orientation can be clicked along it. Any style.
  bool parallelLine = false;

  // What real pictures add around the limb, for finding the limb (all off
  // by default; a picture without them is rendered as before).
  // The two axes of an observing template: dark lines about 1.5 px wide
  // through the centre, along the daily parallel and across it, reaching
  // 1.15 rk either side. Any style.
  bool axisLines = false;
  // Hand-written letters N, E, S, W (strokes about 1.6 px wide, 0.05 rk
  // high) just outside the limb at the ends of the axes. Any style.
  bool labels = false;
  // Faint bright prominences standing on the limb (about a quarter of the
  // limb's brightness, 0.02 .. 0.07 rk high), at angles drawn from `seed`.
  // Styles with a dark sky.
  int prominences = 0;  // 0 .. 50
  // Grey level of the sky around the disc (paper for a drawing), 0 .. 255;
  // by default black sky (white paper).
  std::optional<double> skyGrey;
  // Each colour channel is the grey level times its factor (0 .. 1):
  // {1, 1, 1} is a grey picture.
  double tintR = 1, tintG = 1, tintB = 1;
  // Gaussian noise of this standard deviation (grey levels, >= 0) on every
  // pixel, drawn from `seed`.
  double noise = 0;
  // Thin cloud over a photo, 0 .. 1: the picture dimmed unevenly by 20 to
  // 80 % of this, and an aureole of scattered light about the disc.
  double cloud = 0;
  // Vignetting, 0 .. 1: the light falls to 1 - this at the picture's corners.
  double vignetting = 0;
  // The stripes of a spectroheliograph's scanning slit, 0 .. 0.3: the gain
  // spread of its columns and rows, with a few dark lines of dust.
  double slitStripes = 0;
  unsigned seed = 1;
};

struct PointPx {
  double x_px = 0, y_px = 0;
};

struct SpotTruth {
  std::string name;
  double B_deg = 0, L_deg = 0;  // as given in the scene
  double x_px = 0, y_px = 0;    // where the spot's centre was drawn (unrounded)
};

struct Truth {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  double ut_hours = 0;  // UT as the program holds it (rounded to 0.001 h)
  int width_px = 0, height_px = 0;
  double x0_px = 0, y0_px = 0, rk_px = 0;
  double orientation_deg = 0;
  bool northUp = false;
  Style style = Style::Drawing;
  bool parallelLine = false;
  Ephemeris eph;
  std::vector<SpotTruth> spots;
  // limb: points on the limb circle, counter-clockwise on the screen from the
  // picture's +x direction. parallel: points on the line through the centre
  // along the daily parallel, from west to east, the last one 0.8 rk from the
  // centre towards east. axis: points on the projected rotation axis, from
  // south to north, the last one 0.8 rk from the centre towards solar north.
  std::vector<PointPx> limb, parallel, axis;
};

struct Rendered {
  int width_px = 0, height_px = 0;
  std::vector<std::uint32_t> argb;  // 0xAARRGGBB, top row first, alpha 0xFF
  Truth truth;
};

// The geometry of the scene without the pixels. Throws std::invalid_argument
// naming the field for a value out of range, a spot named badly or a spot on
// the far side of the Sun.
Truth ComputeTruth(const Scene& scene);

// The picture and its truth. Throws as ComputeTruth.
Rendered Render(const Scene& scene);

// Renders into `picture` (replacing its picture and clean copy) and returns
// the truth. Throws as ComputeTruth; `picture` is then unchanged.
Truth RenderInto(const Scene& scene, RasterPicture& picture);

// Puts the calibration of the truth into the program state, as the program
// holds it once date, limb and orientation are set: date and UT, P, B0, L0,
// rho0, ZeroPointX/Y, LimbRadius, OrientationAngle, NorthUpImage (1 or 0),
// DateKnown 1 and CalibrationState 3. ImageType is left alone: the caller
// keeps it consistent (1, SOHO, only with a north-up truth).
void ApplyCalibration(const Truth& truth, ProgramState& s);

// The truth as text: key=value lines (date, time, width, height, style, x0,
// y0, rk, orientation, northup, P, B0, L0, rho0), then "spot name B L x y"
// for each spot and "limb x y", "parallel x y", "axis x y" for the helper
// points. Numbers in their full general text form; lines end with CR LF.
std::string TruthText(const Truth& truth);

// Writes TruthText to `path`. Throws FileError naming the path.
void WriteTruth(const std::string& path, const Truth& truth);

}  // namespace pelorin::gen
