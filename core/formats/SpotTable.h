// What the spot finder reports: the spots of one picture with their
// positions, areas and outlines, their groups and the day's counts. Plain
// values, written and read by the .spots.csv (formats/SpotsFile.h).
#pragma once

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
  // The pixels measured, outlined: the whole spot (umbra and its share of
  // penumbra) and its umbra (empty for a pore, whose outline is its own).
  std::vector<SpotOutline> outline, umbraOutline;
};

struct SpotGroup {
  std::string name;
  std::vector<int> spots;        // indices into SpotReport::spots
  double B = 0, CMD = 0, L = 0;  // area-weighted centre of its spots, degrees
  double area_msh = 0;           // sum of its spots
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
