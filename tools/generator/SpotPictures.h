// White-light pictures of the disc whose spots are modelled on the sphere,
// so that every spot's true area is exact: a round spot of angular radius
// alpha covers 10^6 (1 - cos alpha) millionths of the hemisphere, however
// foreshortened it looks. The pictures carry what real ones do: limb
// darkening, faint granulation, vignetting, seeing blur, noise and JPEG.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "SunPicture.h"

namespace pelorin::gen {

// How a drawing shows a penumbra: an outline round white paper, an outline
// filled with grey, an outline filled with hatching, or a grey area with
// no outline.
enum class WlPen { Outline, GreyFill, Hatched, Grey };

// One spot: an umbra cap inside a penumbra cap, both centred on (B, L).
// A pore has penumbra_deg == umbra_deg. Spots with the same `compound`
// (>= 0) share one penumbra, the union of theirs, divided by nearest umbra.
struct WlSpot {
  std::string group;           // the group's name
  double B_deg = 0, L_deg = 0;
  double umbra_deg = 0.3;      // angular radius of the umbra, degrees
  double penumbra_deg = 0.3;   // of the penumbra, >= umbra_deg
  double umbraLevel = 0.25;    // contrast to the quiet Sun, 0 .. 1
  double penumbraLevel = 0.78;
  int compound = -1;
  // On a drawing: how its penumbra is drawn, and its hatching's spacing
  // (px between the lines) and angle (degrees on the picture).
  WlPen pen = WlPen::Outline;
  double hatchSpacing_px = 5, hatchAngle_deg = 45;
};

// A straight line an observer drew beside spot `spot` (an index into the
// scene's spots), at `angle_deg` to the disc's radius through it, with
// `gap_px` of paper between it and the spot's drawn edge (negative: it
// crosses the spot's edge), 2 x `halfLength_px` long.
struct WlLineBy {
  int spot = 0;
  double gap_px = 4, halfLength_px = 60, angle_deg = 0;
};

struct WlGroup {
  std::string name;
  std::string mcIntosh;  // the class the group was built as, e.g. "Dao"
};

// A long dark filament (H-alpha): an arc of `length_deg` through (B, L),
// `width_deg` wide, at `angle_deg` to the equator. With `curve_deg` it
// bends by that much along its length (sinuous, its width varying), and
// with `gap` it is broken into pieces.
struct WlFilament {
  double B_deg = 0, L_deg = 0, length_deg = 15, width_deg = 0.6, angle_deg = 30, level = 0.75;
  double curve_deg = 0;
  bool gap = false;
};

// A bright plage (or facular field) about an active region, a patch of
// overlapping caps on the sphere.
struct WlPlage {
  double B_deg = 0, L_deg = 0, radius_deg = 2, level = 1.2;
};

// What light the picture is taken in: the photosphere's white light, or the
// chromosphere's H-alpha line or Ca II K line (weaker limb darkening, a
// coarse mottle, bright plages about the groups, fainter penumbrae; long
// dark filaments in H-alpha, a bright network in Ca II K).
enum class WlLight { WhiteLight, HAlpha, CaK };

struct WlScene {
  int year = 2014, month = 3, day = 12;
  int hour = 9, minute = 30;  // UT
  int width_px = 1024, height_px = 1024;
  double x0_px = 511.5, y0_px = 511.5, rk_px = 450;
  double orientation_deg = 0;
  bool northUp = true;
  // Picture and sky in grey levels (0 .. 255) before noise and JPEG.
  double centreGrey = 215, skyGrey = 6;
  double blur_px = 1.2;        // Gaussian sigma of the seeing, picture pixels
  double noise = 0.006;        // Gaussian noise, fraction of the centre's light
  double granulation = 0.025;  // rms contrast of the granulation
  double vignetting = 0.06;    // a tilt of the light across the picture (fraction)
  int jpegQuality = 0;         // 0: no JPEG; else 1 .. 100
  // An ink drawing on paper instead: the limb circle, the two axes and the
  // letters N E S W drawn, umbrae filled, penumbrae drawn as each spot's
  // `pen` says, then scanned (blur, noise and JPEG as above; centreGrey is
  // the paper's grey).
  bool drawing = false;
  double penWidth_px = 1.4;       // outlines, hatching, lines and boxes
  double inkGrey = 25;            // the ink on the scan, grey level
  double penumbraGrey = 170;      // a grey fill on the scan
  // The template's square grid, turned by the scan's tilt (degrees on the
  // picture), every gridStep_px (0: none), one line through the umbra of
  // spot gridThroughSpot (-1: none); drawn in gridGrey.
  double gridStep_px = 0, tilt_deg = 0, gridGrey = 90;
  int gridThroughSpot = -1;
  std::vector<WlLineBy> linesBy;
  // Groups the observer boxed, `boxMargin_px` clear of their spots and
  // turned by boxTurn_deg from the grid, the group's number written at the
  // box's corner.
  std::vector<std::string> boxed;
  double boxMargin_px = 20, boxTurn_deg = 0;
  // The paper's unevenness on the scan: a tilt of its light across the
  // picture (fraction).
  double paperShade = 0;
  // The picture's colour in Argb(): each channel the grey times these (a
  // yellowed paper on a colour scan); 1, 1, 1 is grey.
  double tintR = 1, tintG = 1, tintB = 1;
  WlLight light = WlLight::WhiteLight;
  double mottle = 0;           // rms contrast of the chromosphere's mottle
  std::vector<WlPlage> plages;
  std::vector<WlSpot> spots;
  std::vector<WlGroup> groups;
  std::vector<WlFilament> filaments;
  unsigned seed = 1;
};

struct WlSpotTruth {
  std::string group;
  int index = 0;             // within the group, from 1
  double B_deg = 0, L_deg = 0, CMD_deg = 0;
  double x_px = 0, y_px = 0; // where the spot's centre is on the picture
  double mu = 1;
  double area_msh = 0;       // umbra + its share of the penumbra
  double umbra_msh = 0;
  double area_px = 0;        // the same on the picture, pixels
  bool shared = false;       // shares its penumbra with other spots
};

struct WlGroupTruth {
  std::string name, mcIntosh;
  double B_deg = 0, L_deg = 0, CMD_deg = 0;  // area-weighted centre
  double area_msh = 0;
  int spots = 0;
};

struct WlTruth {
  Truth picture;  // date, size, disc, orientation, ephemeris (no spots)
  std::vector<WlSpotTruth> spots;
  std::vector<WlGroupTruth> groups;
};

struct WlRendered {
  int width_px = 0, height_px = 0;
  std::vector<std::uint8_t> grey;   // top row first, after noise and JPEG
  WlTruth truth;
  // Where the filaments lie: points along each, picture pixels, at most
  // about a filament's width apart.
  std::vector<std::pair<double, double>> filamentPoints_px;
  double tintR = 1, tintG = 1, tintB = 1;  // the scene's
  // The picture as 0xAARRGGBB, each channel the grey times its tint.
  std::vector<std::uint32_t> Argb() const;
};

// What kind of picture RandomScene builds.
enum class WlKind {
  Clean,      // no spot
  Groups,     // groups of the classes Axx Bxo Hsx Hhx Cso Dso Dao Dai, >= 15 degrees apart
  Limb,       // Groups, and spots near the limb
  Filaments,  // Groups and long dark filaments
  Drawing,    // Groups drawn in ink (see RandomScene), a group near the limb, the template's grid,
              // lines beside spots, groups boxed and numbered
  HAlpha,     // Groups in H-alpha: plages, mottle, sinuous and broken dark filaments
  CaK,        // Groups in Ca II K: bright plages and network, faint filaments
};

// A scene of `size` x `size` pixels with spots of known class, drawn from
// `seed`: disc radius 0.44 size, a random date, orientation and north-up
// convention, blur 0.8 .. 1.5 px, noise, granulation, vignetting and JPEG
// (quality 85 .. 95). A drawing: penumbrae drawn one way (by seed % 5: an
// outline, a grey-filled outline, a hatched outline, grey, or each spot
// its own way), pen 1.2 .. 2.2 px, hatching every 4 .. 9 px at any
// angle, grey fills 0.62 .. 0.8 of the paper, a yellowed, unevenly lit paper,
// the scan tilted by up to 1.5 degrees; two spots touching in their
// penumbrae, the template's grid through one umbra, lines beside and across
// spots, a group boxed.
WlScene RandomScene(unsigned seed, int size, WlKind kind);

// The picture and its truth. Throws std::invalid_argument for a scene out of
// range (as ComputeTruth) or a spot on the far side.
WlRendered RenderWhiteLight(const WlScene& scene);

// The truth as CSV: "group,class,spot,x,y,B,CMD,L,mu,area_msh,umbra_msh,area_px,shared",
// one row per spot; then a line "# x0=.. y0=.. rk=.. P=.. B0=.. L0=.. rho0=.. orientation=.. northup=..".
std::string WlTruthCsv(const WlTruth& truth);
// Writes WlTruthCsv to `path`. Throws FileError naming the path.
void WriteWlTruth(const std::string& path, const WlTruth& truth);

// JPEG in memory and back (libjpeg-turbo), grey; quality 1 .. 100.
std::vector<std::uint8_t> JpegRoundTrip(const std::vector<std::uint8_t>& grey, int w, int h, int quality);
// Writes a grey JPEG file; false with `error`.
bool WriteGreyJpeg(const std::string& path, const std::vector<std::uint8_t>& grey, int w, int h, int quality,
                   std::string& error);

}  // namespace pelorin::gen
