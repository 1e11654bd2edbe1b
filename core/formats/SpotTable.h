// What the spot finder reports: the spots of one picture with their
// positions, areas and outlines, their groups and the day's counts. Plain
// values, written and read by the .spots.csv (formats/SpotsFile.h).
#pragma once

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace pelorin {

// A closed outline along pixel edges, in picture pixels: the corners
// between pixels, (x - 0.5, y - 0.5) for the top-left corner of pixel
// (x, y); the last point joins the first.
using SpotOutline = std::vector<std::pair<float, float>>;

struct FoundSpot {
  double x = 0, y = 0;           // umbra's darkness-weighted centre, picture pixels
  double B = 0, CMD = 0, L = 0;  // degrees, through PixelToHeliographic
  double mu = 1;                 // cos of the heliocentric angle at (x, y)
  double area_msh = 0;           // umbra + its share of penumbra, foreshortening corrected
  double umbra_msh = 0;          // the umbra alone (a pore: all of it)
  double area_px = 0;            // the same area on the picture, pixels
  bool penumbra = false;         // a penumbra was measured around it
  bool uncertain = false;        // reaches beyond mu 0.1: area not to be trusted
  int cluster = 0;               // spots sharing one penumbra share this number
  int group = -1;                // index into SpotReport::groups
  // What the centre's error is made from, as the finder measured the
  // centre: the sum of the darkness weights (contrast below 1) and the
  // weighed pixels' spread about the centre, sum (x - x_c)^2 and
  // sum (y - y_c)^2, px^2. 0 when not measured.
  double centreWeight = 0, centreSpreadX_px2 = 0, centreSpreadY_px2 = 0;
  // The centre's 1-sigma error from the noise of its pixels, picture
  // pixels, and the position's 1-sigma errors (the centre's and the
  // calibration's), degrees; set by AttachPositionErrors (spots/SpotErrors.h),
  // NaN until then or where unknown (off the disc).
  double sx_px = std::numeric_limits<double>::quiet_NaN(), sy_px = std::numeric_limits<double>::quiet_NaN();
  double B_err = std::numeric_limits<double>::quiet_NaN(), CMD_err = std::numeric_limits<double>::quiet_NaN(),
         L_err = std::numeric_limits<double>::quiet_NaN();
  // The pixels measured, outlined: the whole spot (umbra and its share of
  // penumbra) and its umbra (empty for a pore, whose outline is its own).
  std::vector<SpotOutline> outline, umbraOutline;
};

struct SpotGroup {
  std::string name;
  std::vector<int> spots;        // indices into SpotReport::spots
  double B = 0, CMD = 0, L = 0;  // area-weighted centre of its spots, degrees
  double area_msh = 0;           // sum of its spots
  // The 1-sigma errors of its centre, degrees (AttachPositionErrors); NaN
  // until set.
  double B_err = std::numeric_limits<double>::quiet_NaN(), CMD_err = std::numeric_limits<double>::quiet_NaN(),
         L_err = std::numeric_limits<double>::quiet_NaN();
  std::string mcIntosh;          // three letters, e.g. "Dao"
  bool north = true;             // B >= 0
};

struct SpotCounts {
  int groups = 0, spots = 0;
  int northGroups = 0, northSpots = 0, southGroups = 0, southSpots = 0;
  // R = k (10 g + f) for the k given.
  double wolf = 0, northWolf = 0, southWolf = 0;
};

struct SpotReport {
  std::vector<FoundSpot> spots;
  std::vector<SpotGroup> groups;
  double blur_px = 0;   // Gaussian sigma of the seeing blur measured at the limb
  double noise = 0;     // the quiet Sun's contrast scatter (granulation and noise)
  double noiseSmoothed = 0;  // the same of the contrast's 3 x 3 mean
  double threshold = 0; // the contrast below which the spots reach
  bool drawing = false; // the picture was read as an ink drawing
  // What the finder cut short, one sentence each for the user (a dark
  // region too large to follow whole, more regions than it measures);
  // empty when nothing was.
  std::vector<std::string> notes;
};

// g, f and R = k (10 g + f), all and by hemisphere of the group's centre.
SpotCounts CountSpots(const std::vector<SpotGroup>& groups, double k = 1);

}  // namespace pelorin
