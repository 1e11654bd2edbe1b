// Sunspots found on a calibrated full-disc picture: each umbra (or pore) a
// spot with its position, area and umbral area; spots grouped on the sphere,
// a McIntosh class suggested for each group, and the day's counts.
//
// The finder works on a picture's grey levels and the calibration passed in,
// never on the program state, so that the window and pelorin-cli share it.
// Picture pixel (0, 0) is the centre of the top-left pixel, y down.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/PictureHeader.h"
#include "formats/SpotTable.h"
#include "geometry/Transform.h"
#include "spots/ImageOps.h"  // TraceOutlines, for the outlines of a mask

namespace pelorin {

struct DataLevels;

// The picture's intensities, one value a pixel, top row first. Larger is
// brighter; a value of 0 is no light.
struct GreyPicture {
  int width = 0, height = 0;
  std::vector<float> value;
};

// (R + G + B) / 3 of 0xAARRGGBB pixels.
GreyPicture GreyOfArgb(int width, int height, const std::uint32_t* argb);
// The measured values of a picture of data (the levels mapped back to
// low .. high); levels of 0 (no value) become 0.
GreyPicture GreyOfLevels(const DataLevels& levels);

// "" when the picture may be searched for spots; otherwise why not, for the
// user: EUV and X-ray pictures (WAVELNTH below 1100 Angstrom, read with
// WAVEUNIT angstrom (the default), nm or m) and magnetograms or Dopplergrams
// (CONTENT or the wavelength's kind saying so).
std::string SpotRefusalOfHeader(const PictureHeader& header);

struct SpotSettings {
  // The one sensitivity setting: a spot is where the contrast to the quiet
  // Sun (1 = quiet) falls below this; 0.5 .. 0.99, default 0.9. A spot is
  // found where it falls 0.04 below it (and 6 times the quiet Sun's scatter
  // below 1), and reaches as far as it stays below it (below 0.9 when the
  // setting is stricter; never within 3 times the scatter of 1).
  double contrastThreshold = 0.9;
  // Umbra below this contrast (0.3 .. 0.8); spots whose darkest part stays
  // above it are pores with no penumbra measured.
  double umbraThreshold = 0.6;
  // Threads for the passes over the whole picture (1 .. 8).
  int threads = 2;
};

// Finds spots on one picture. Prepare does what does not depend on the
// settings (quiet-Sun fit, contrast picture, noise, blur); Find and GrowAt
// then take a few tens of milliseconds on a 4096 x 4096 picture, so a change
// of the threshold updates the proposals at once.
//
// A picture whose surroundings are about as bright as its disc is read as
// an ink drawing: the drawn limb circle is left out, and the spots are the
// ink blobs that survive an opening by 3 x 3 pixels (filled umbrae and
// pores; axes, grid lines, outlines, hatching and labels are thinner), at
// their darkness-weighted centres. A spot's area is that of the penumbra
// drawn about its umbra (an outline round white paper, a grey-filled or
// hatched outline, or grey with no outline) with the umbra inside, shared
// between the umbrae inside one outline as on photographs; umbra_msh is
// the umbra's ink, and a pore's area its ink alone. Lines that cross or
// touch a spot (axes, grid, a group's box, labels) are no penumbra. The
// threshold does not apply.
class SpotFinder {
 public:
  SpotFinder();
  ~SpotFinder();
  SpotFinder(const SpotFinder&) = delete;
  SpotFinder& operator=(const SpotFinder&) = delete;

  // False with `error` for a calibration that does not fit the picture (no
  // radius, centre far off the picture), a picture too small (radius under
  // 20 px) or no light on the disc. `threads` as in SpotSettings.
  // The picture is read here only, not kept. A failed Prepare leaves the
  // finder as it was.
  bool Prepare(const GreyPicture& picture, const DiscCalibration& calibration, std::string& error, int threads = 2);

  // Spots and their groups (named G1, G2, ... in the order of their
  // longitude, east first); empty before a successful Prepare.
  SpotReport Find(const SpotSettings& settings) const;

  // The spots grown from the clicked pixel (x, y) with the same thresholds:
  // the dark region under or within 5 px of the click, refined as Find does;
  // empty when nothing there is darker than the threshold. Not grouped
  // (group -1).
  std::vector<FoundSpot> GrowAt(double x, double y, const SpotSettings& settings) const;

  // The quiet-Sun contrast of a pixel (1 outside the disc), for display and
  // tests.
  double Contrast(int x, int y) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Prepare and Find in one call; false with `error` as Prepare.
bool FindSpots(const GreyPicture& picture, const DiscCalibration& calibration, const SpotSettings& settings,
               SpotReport& out, std::string& error);

// Grouping on the sphere. Spots closer than about 10 degrees in longitude
// and 5 in latitude to a group's area-weighted centre join it (the reach
// grows with the group's extent), and so do spots within 6 degrees in
// longitude and 3 in latitude of one of its spots; every spot ends in exactly one group, a
// single spot is a group. Groups come out in order of longitude, east
// first, named G1, G2, ...; their positions, areas and classes are set.
void GroupSpots(std::vector<FoundSpot>& spots, std::vector<SpotGroup>& groups);

// The group's centre (area-weighted; L as the weighted offset from its first
// spot's, in [0, 360)), area (the sum of its spots'), hemisphere and class
// from its spots, which are put in order of CMD.
void SummarizeGroup(const std::vector<FoundSpot>& spots, SpotGroup& group);

// The McIntosh class suggested for a group: the modified Zurich class from
// polarity (extent in longitude), penumbrae and length; the largest spot's
// penumbra (size and symmetry); the distribution of the spots between its
// ends.
std::string McIntoshClass(const std::vector<FoundSpot>& spots, const SpotGroup& group);

// A reference group of the picture's day (from DPD1.txt, or a region of a
// Solar Region Summary carried to the picture's time).
struct ReferenceGroup {
  std::string name;
  double L = 0, B = 0;  // degrees
  // When reachL_deg > 0 a group matches within reachL_deg in L and
  // reachB_deg in B instead of the great-circle reach.
  double reachL_deg = 0, reachB_deg = 0;
};

// Names the groups: each takes the name of the nearest reference group
// (great circle) within its reach (`reach_deg` great circle, or its own
// box) not taken by a nearer group; the others the next free G1, G2, ...
// (not a reference name, not taken).
void NameGroups(std::vector<SpotGroup>& groups, const std::vector<ReferenceGroup>& references,
                double reach_deg = 5);

// The name of the group numbered n: "G<n>" (n from 1).
std::string GroupName(int n);

// The first GroupName(n), n counting up from `next`, that `taken` does not
// hold; it is added to `taken` and `next` moves past it, so that calls in
// turn give G1, G2, ... clear of every name taken before or given since.
std::string TakeNextGroupName(std::set<std::string>& taken, int& next);

}  // namespace pelorin
