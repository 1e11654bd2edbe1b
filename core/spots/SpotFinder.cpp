// Finding spots: the quiet Sun fitted on the picture itself, the contrast
// picture, hysteresis thresholds tied to the quiet Sun's scatter, and each
// spot refined on its own levels so that seeing blur does not move its edge.
//
// The pipeline, stage by stage (each a function below, in this order):
//
//   Prepare (once a picture; does not depend on the settings)
//     1. quiet Sun      FitQuietSun: medians in annuli of mu, a cubic in mu
//                       fitted with outlying annuli clipped; FitTiles: the
//                       light's unevenness on tiles of a fifth of the radius
//     2. drawing?       LooksDrawn: paper around the disc as bright as it
//     3. limb blur      MeasureBlur: the limb's median profile against a
//                       blurred edge, sigma and edge found coarse then fine,
//                       and the factor by which the blur darkens the limb
//     4. contrast       MakeContrast: picture / (quiet Sun x tiles x limb
//                       factor), 1 = quiet, and its 3 x 3 mean
//     5. scatter        MeasureNoise: the quiet Sun's scatter in the
//                       contrast and in its 3 x 3 mean
//   Find (each change of the settings)
//     6. seeds          Seeds: pixels of the 3 x 3 mean below the seed level
//     7. hysteresis     Regions: each seed flooded (8-connected) while the
//                       mean stays below the low threshold; what the caps
//                       on a region's size and on their number cut is
//                       said in the report's notes
//     8. per region     Refine, on one box about the region (Box):
//          a. filament test by moments    LongLikeAFilament
//          b. local quiet Sun             LocalQuietSun (and other spots)
//          c. umbra level                 UmbraLevel
//          d. filament test by thinness   ThinLikeAFilament
//          e. penumbral plateau           PenumbralPlateau
//          f. umbrae                      FindUmbrae (a spot with penumbra
//                                         or a pore)
//          g. split of touching umbrae    SplitTouchingUmbrae
//          h. no umbra: the whole as one  WholeAsOneUmbra
//          i. pixels the model answers    CarePixels
//          j. blurred model               FitModel (one or two levels; a
//                                         small spot's penumbra by
//                                         PenumbraEvidence), CarryUmbrae
//          k. pixel assignment            AssignPixels (nearest umbra; its
//                                         centre on the sphere in a shared
//                                         penumbra)
//          l. measures                    Measure: centre, areas, outlines
//     9. groups         GroupSpots (SpotGroups.cpp)
//   A drawing instead (FindDrawn):
//     D1. umbrae        UmbraAt: ink cores that survive a 3 x 3 opening
//                       (Core, FloodCore), grown over their ink, not as
//                       long as a line (LongLikeALine)
//     D2. per umbra and those within its reach or its drawing, in one box
//         (DrawnCluster):
//          a. box and reach           CutDrawnBox
//          b. the pen's marks joined  MarksJoined (outline, hatching, grey)
//          c. open paper              OpenPaper (the mask's circle a wall)
//          d. umbrae enclosed         EncloseUmbrae (all round, not by lines)
//          e. what the marks enclose  FillEnclosed (paper inside an outline)
//          f. the umbrae within       UmbraeWithin (they join; a again)
//          g. lines opened away       OpenLinesAway (axes, grid, boxes)
//          h. penumbra shared out     ShareDrawn (nearest umbra, or pores;
//                                     ink where marks meet: MarksMeeting)
//          i. the edge's cover        CoverEdges
//          j. measures                MeasureDrawn
//     D3. groups        GroupSpots
//
// The picture operations (labels, floods, distances, blurs, outlines, the
// parallel loop) are in ImageOps.h.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "base/Brightness.h"
#include "base/Numbers.h"
#include "base/RasterPicture.h"
#include "geometry/Transform.h"
#include "spots/Centroid.h"
#include "spots/ImageOps.h"
#include "spots/Spots.h"

namespace pelorin {

namespace {

// Where a figure below was tuned rather than derived, the test that holds
// it is named: MeetsTheTable is SpotAccuracy/MeetsTheTable (white light),
// Chromospheric is SpotAccuracy.ChromosphericPicturesKeepFilamentsOut,
// Drawings is SpotAccuracy.DrawingsAreMeasuredWhole.

// --- The quiet Sun (FitQuietSun, FitTiles) ---
// The quiet Sun is fitted from this mu inwards: the blurred limb beyond it
// falls faster than the cubic follows, and MeasureBlur's factor takes it.
constexpr double kFitMuMin = 0.08;
// Degree of the polynomial in mu fitted to the annulus medians: limb
// darkening is smooth in mu, and a cubic follows it in every light we read.
constexpr int kFitDegree = 3;
// Annuli of 0.02 in mu each from kFitMuMin to 1.
constexpr int kFitBins = 46;
// About this many samples along a radius (one every rk / 200 px): enough
// for steady medians, few enough on a 4096^2 picture.
constexpr double kFitSamplesPerRadius = 200;
// An annulus with fewer samples gives no median worth fitting.
constexpr std::size_t kFitMinAnnulusSamples = 15;
// Twice the cubic's four coefficients: fewer annuli, and the disc is too
// small or mostly off the picture.
constexpr std::size_t kFitMinAnnuli = 8;
// Annuli further than this many sigmas (from the MAD) from the fit, a large
// spot or plage in them, are left out; three passes settle it.
constexpr double kFitClipSigmas = 4;
constexpr int kFitPasses = 3;
// A Gaussian's sigma over its median absolute deviation.
constexpr double kMadToSigma = 1.4826;
// A floor under the fit's MAD, so that a noiseless picture clips nothing.
constexpr double kFitMinMad = 1e-3;
// The fit must give light at the centre and at this mu.
constexpr double kLitMu = 0.3;
// Tiles of the light's unevenness: a fifth of the radius (vignetting
// changes slowly over it), 24 px at least.
constexpr double kTilesPerRadius = 5, kMinTile = 24;
// About 24 x 24 samples a tile.
constexpr double kTileSamplesAcross = 24;
// Tiles look only inside this mu, where the fitted limb darkening is sure.
constexpr double kTileMuMin = 0.15;
// A tile with fewer samples takes its neighbours' mean instead.
constexpr std::size_t kTileMinSamples = 30;

// --- The limb's blur (MeasureBlur) ---
// The profile across the limb: from kLimbIn px inside the fitted edge to
// kLimbOut outside (wider inside, where the limb darkening's fall joins the
// blur's, than over the flat sky), at kLimbStep px, on radii every
// kLimbAngleStep degrees (180 radii).
constexpr double kLimbStep = 0.25;
constexpr double kLimbIn = 14, kLimbOut = 8;
constexpr int kLimbAngleStep = 2;
// A profile point seen by fewer radii (the limb mostly off the picture):
// no blur measured, 1 px taken.
constexpr std::size_t kLimbMinSamples = 10;
// Padding of the model's profile for the kernel, in steps: 20 px, the
// kernel's reach at the widest blur searched (cut there).
constexpr int kLimbPad = 80;
// The model's kernel reaches 4 sigma (beyond it under 0.01 % of the weight).
constexpr double kLimbKernelSigmas = 4;
// The coarse search: the edge within 3 px of the calibration's radius
// (room for a radius measured a little off), sigma 0.3 .. 5.1 px; then a
// fine one about the best, to an eighth of a pixel and 0.05 px of sigma.
constexpr double kEdgeReach = 3, kEdgeStep = 0.5, kBlurMin = 0.3, kBlurMax = 5.1, kBlurStep = 0.3;
constexpr double kEdgeFineReach = 0.5, kEdgeFineStep = 0.125, kBlurFineReach = 0.3, kBlurFineStep = 0.05;
// The blur's darkening of the limb is followed over 6 sigma inwards, where
// it has fallen under 1e-8; never below 5 % (a pixel there is sky).
constexpr double kEdgeFactorSigmas = 6, kEdgeFactorMin = 0.05;
// A least-squares system this close to singular has no fit.
constexpr double kSingular = 1e-12;

// --- The contrast picture (MakeContrast, MeasureNoise) ---
// On a drawing the drawn limb circle is left out: its ink line, 0.6 % of
// the radius or 5 px.
constexpr double kDrawnLimbWidth = 0.006, kDrawnLimbMinPx = 5;
// On a photograph the last pixel (or blur's width) inside the edge is left
// out: too steep for the edge factor to be trusted there.
constexpr double kLimbCutMinPx = 1;
// The edge factor is looked up only this many blurs inside the mask's edge;
// further in it is 1 (it reaches 6 sigma and half a pixel).
constexpr double kEdgeFactorReach = 8;
// Contrast above this is no sunlight (a hot pixel, text burnt in): kept
// from ruling the 3 x 3 mean.
constexpr float kMaxContrast = 4.0f;
// The scatter is sampled every rk / 150 px inside mu 0.3 (away from the
// limb's steep fall), from at least 50 samples.
constexpr double kNoiseSamplesPerRadius = 150, kNoiseMinMu = 0.3;
constexpr std::size_t kNoiseMinSamples = 50;
// The scatter's floor: a noiseless picture still gets thresholds below 1.
constexpr double kMinNoise = 0.002;
// The scatter taken when too little of the disc is seen to measure it, of
// the order of white-light granulation's (contrast, and its 3 x 3 mean).
constexpr double kDefaultNoise = 0.02, kDefaultNoiseSmoothed = 0.015;
// The blur reported for a drawing, whose limb is a drawn line with no
// seeing to measure; reading the ink does not use it.
constexpr double kDrawingBlur = 0.7;
// The 3 x 3 mean adds the variance of a 3 px box, (3^2 - 1) / 12, to the
// seeing's.
constexpr double kBoxMeanVariance = 2.0 / 3.0;

// --- Seeds and hysteresis (Find) ---
// The sensitivity setting's range and the low threshold's floor (a stricter
// setting asks for darker spots, not for smaller ones cut into pieces).
constexpr double kThresholdMin = 0.5, kThresholdMax = 0.99, kReachFloor = 0.9;
// A spot reaches as far as it stays 3 quiet-Sun scatters below 1, and is
// seeded where it falls 6 below 1, 0.04 below the setting and 0.01 below
// where it reaches: tuned on the generator's pictures, see MeetsTheTable.
constexpr double kReachNoise = 3, kSeedNoise = 6, kSeedBelowSetting = 0.04, kSeedBelowReach = 0.01;
// Regions smaller than this are noise, not refined.
constexpr std::size_t kMinRegionPx = 4;
// The caps on the search: one region's pixels (a region as large as a
// quarter of a 4096^2 picture is no spot, but a picture misread), and the
// regions refined. Hitting either is said in the report's notes.
constexpr std::size_t kMaxRegionPx = 4000000;
constexpr std::size_t kMaxRegions = 20000;
// Rows a piece of the parallel passes over the picture.
constexpr int kRowsAPiece = 64;
// A click finds the darkest pixel within this many px of it.
constexpr int kClickReach = 5;

// --- Refining a region (Refine) ---
// The box reaches 3 blur sigmas beyond the region (its blurred edge) and
// 4 px more for the ring of quiet Sun about it.
constexpr double kBoxBlurSigmas = 3;
constexpr int kBoxRingRoom = 4;
// A region needs this many pixels for its shape to tell a filament.
constexpr std::size_t kShapeMinPx = 40;
// mu's floor where the radial direction is stretched back by 1 / mu: near
// the limb 1 / mu grows without bound and shapes are unsure anyway.
constexpr double kShapeMinMu = 0.2;
// A region longer than 4.5 times its width (second moments) and longer
// than 20 px (4 sigma along it, about a band's length) is a filament
// (H-alpha): tuned on the generator's pictures, see Chromospheric.
constexpr double kFilamentElongation = 4.5, kFilamentLengthSigmas = 4, kFilamentMinLength = 20;
// A dark region whose area is more than kFilamentThinness times its
// largest inscribed circle's, foreshortening taken out (a band about 2.5
// times as long as wide), is a filament unless an umbra darker than
// kUmbraCore lies in it (a sunspot group's long penumbra); one whose
// darkest part stays above kFaintCore is one from kFaintFilamentThinness
// (about 1.7 times). Round spots and pores stay near 1 .. 2.
constexpr double kFilamentThinness = 3.2, kUmbraCore = 0.45;
constexpr double kFaintFilamentThinness = 2.2, kFaintCore = 0.58;
// The local quiet Sun: the ring 2.5 blur sigmas and 2 px beyond the
// region (its blurred edge passed), from at least 15 pixels; a level off by
// half from the fit is no quiet Sun (the limb, another spot): 1 kept.
constexpr double kRingSigmas = 2.5;
constexpr int kRingGap = 2;
constexpr std::size_t kRingMinPx = 15;
constexpr double kRingMinLevel = 0.5, kRingMaxLevel = 1.5;
// The umbra's level: the mean of the darkest 4 % of the region's pixels,
// 1 .. 9 of them (not the single darkest, which noise sets).
constexpr std::size_t kDarkestShare = 25, kDarkestMax = 9;
// The core is what is darker than 40 % of the way from the umbra to the
// spot's edge, low enough that a penumbra in a bright plage, well below its
// surroundings, is not taken for core.
constexpr double kCoreShare = 0.4;
// The plateau: pixels 1.2 blur sigmas (2 px at least) from both the core
// and the outside, at least 5 of them.
constexpr double kPlateauSigmas = 1.2;
constexpr int kPlateauMinGap = 2;
constexpr std::size_t kPlateauMinPx = 5;
// A plateau is penumbra when it lies 2.5 scatters below the quiet Sun and
// 0.1 above the umbra: tuned on the generator's pictures, see MeetsTheTable.
constexpr double kPlateauNoise = 2.5, kPlateauAboveUmbra = 0.1;
// A spot with penumbra grows to 2 px short of its box, the rest kept as
// its surroundings.
constexpr int kRegionBoxGap = 2;
// A pore's region: its blurred edge, 2.5 blur sigmas and 1 px about it.
constexpr double kPoreEdgeSigmas = 2.5;
constexpr int kPoreEdgeGap = 1;
// An umbra of one pixel is noise: dropped.
constexpr int kMinUmbraPx = 2;
// A core: 3 px or more, reaching 1.5 scatters of the 3 x 3 mean (0.03 at
// least) below its level (noise makes no core); tuned on the generator's
// pictures, see MeetsTheTable.
constexpr int kMinCorePx = 3;
constexpr double kCoreDepthNoise = 1.5, kCoreMinDepth = 0.03;
// A contrast level below any picture's.
constexpr double kBelowAll = 10;
// The pixels within 2 blur sigmas of another spot's are left to it.
constexpr double kOtherReachSigmas = 2;
// A two-level model tried for a spot without a plateau starts from a
// penumbra at 0.8; it is kept when it fits clearly better (residual under
// half the pore's for one umbra, under 0.85 of it for several) with a
// penumbra 0.08 .. 0.45 below the quiet Sun, an umbra 0.1 below that, of
// 2 px or more and at most 1 / 2.5 of the spot: tuned on the generator's
// pictures, see MeetsTheTable.
constexpr double kGuessPenumbra = 0.8;
constexpr double kBetterOneUmbra = 0.5, kBetterUmbrae = 0.85;
constexpr double kMinPenumbraDepth = 0.08, kMaxPenumbraDepth = 0.45, kMinUmbraDepth = 0.1;
constexpr int kMinFittedUmbraPx = 2;
constexpr double kMaxUmbraShare = 2.5;
// A spot too small for its penumbra to show as a plateau is taken to have
// one when a blurred umbra-in-penumbra model tells it this much better
// than a blurred pore (an F ratio of the two extra parameters); tuned on
// the generator's pictures, see MeetsTheTable.
constexpr double kPenumbraEvidence = 15;
// A part of the fitted umbra mask of 4 px or more is an umbra of its own.
constexpr int kMinFittedPartPx = 4;
// Darkness weights' floor for an umbra's centre (every pixel counts), and
// mu's for the distances on the sphere in a shared penumbra.
constexpr double kMinDarkWeight = 1e-3, kShareMinMu = 0.1;
// Spots of fewer pixels are dropped.
constexpr double kMinSpotPx = 3;
// A spot reaching beyond this mu has an area not to be trusted.
constexpr double kUncertainMu = 0.1;
// mu's floor in a pixel's area on the sphere: 1 / mu grows without bound.
constexpr double kAreaMinMu = 0.05;

// --- The blurred model (FitBlurredMasks, PenumbraEvidence) ---
// Rounds of levels and edge moves, and passes of edge moves a round:
// enough to settle on the generator's pictures, see MeetsTheTable.
constexpr int kModelRounds = 4, kModelPasses = 6;
// A level shallower than 2 % of the quiet Sun is no spot.
constexpr double kMinDepth = 0.02;
constexpr double kModelSingular = 1e-9;
// Concentric models: 4 x 4 sub-samples a pixel, radii every 0.25 px up to
// 12 px (larger spots show their plateau) and 3 blur sigmas inside the
// box's edge, at least 1 px; 30 pixels cared for at least.
constexpr int kSub = 4;
constexpr double kRadiusStep = 0.25, kMaxModelRadius = 12, kModelEdgeSigmas = 3;
constexpr int kMinRadii = 4;
constexpr std::size_t kMinModelPx = 30;
// Parameters the two-level model spends: its two levels and two radii, and
// the centre's two coordinates taken from the same pixels.
constexpr double kModelParameters = 6;

// --- Drawings (LooksDrawn, Core, DrawnRegion, MeasureDrawn) ---
// Paper: the picture at 1.04 .. 1.12 radii nearly as bright (75 %) as at
// 0.3 .. 0.85, on radii every 3 degrees, at least 20 samples each.
constexpr int kPaperAngleStep = 3;
constexpr double kPaperRadii[] = {0.3, 0.6, 0.85, 1.04, 1.08, 1.12};
constexpr std::size_t kPaperMinSamples = 20;
constexpr double kPaperBright = 0.75;
// Ink is darker than half the paper.
constexpr float kInk = 0.5f;
// Where two drawn lines cross a few pixels survive the opening: a drawn
// spot leaves 5 or more.
constexpr std::size_t kMinDrawnPx = 5;
// A smaller dot (3 to 4 px across, a pen's dot) is an umbra when no ink
// leaves it: where lines cross, their arms run on through the ring 1 to 3
// px beyond the dot's ink, in a few directions; an outline or hatching
// drawn about a dot covers most directions of that ring. One or two
// pixels of the scan's ringing may lie there.
constexpr double kArmRingFrom = 1, kArmRingTo = 3;
constexpr std::size_t kMaxArmPx = 2;
constexpr int kRingSectors = 16, kClosedSectors = 12;
// A drawn penumbra is what the pen marked about the umbra: ink, hatching or
// a grey fill darker than 0.88 of the paper (the paper's scatter and the
// JPEG's ringing about a line stay above it).
constexpr float kMarked = 0.88f;
// It lies within 4.5 umbra radii and 4 px of the umbra's centre (a drawn
// penumbra's radius is at most about four times its umbra's; the umbra's
// radius taken along its longest reach, which foreshortening leaves
// whole): what is enclosed within that reach is penumbra, what opens
// beyond it paper; a box drawn about a group lies beyond it.
constexpr double kReachUmbraRadii = 4.5, kReachPx = 4;
// Lines drawn across or beside a spot (axes, grid, a group's box, a passing
// line: 6 px wide at most where they are darker than kMarked, a pen of
// 2 px blurred by the scan) are opened away by a disc of 3 px radius; a
// spot with its penumbra is wider.
constexpr int kLineOpening = 3;
// An umbra is enclosed (its outline's paper filled) when open paper lies
// on no more than a quarter of the pixels 3 px from its ink (inside the
// narrowest drawn penumbra; beyond the lines that cross at a pore).
constexpr double kOpenRing = 0.25;
constexpr int kRingPx = 3;
// ... nearer for an umbra drawn smaller than the ring (a pen's dot in a
// small grey penumbra, whose radius is some 2.5 times the dot's): as far
// from its ink as the ink reaches from its centre, 2 px at the least
// (beyond the scan's blur of the ink).
constexpr int kMinRingPx = 2;
// Ink with open paper on no more than half of that ring and a spot's
// drawing on the rest lies on the spot's outline; a pore that a line joins
// to a spot has paper on most of it (see Drawings).
constexpr double kOutlineRing = 0.5;
// Enclosed paper that touches no umbra is penumbra only when it is narrow,
// its middle at most 5 px from a mark (between hatching up to 10 px
// apart); wider, it lies between an outline and a box drawn about it.
constexpr int kNarrowHole = 5;
// A drawn penumbra adds at least its umbrae's area and 12 px: less is the
// fillets the opening leaves where lines meet a pore.
constexpr double kMinPenumbraShare = 1.0, kMinPenumbraPx = 12;
// A drawn umbra is round, or as long as foreshortening makes it (1 / mu)
// and twice that for the hand and a line touching it; longer is ink where
// lines meet.
constexpr double kCoreElongation = 2.0;
// Once foreshortening is taken out (1 / mu along the disc's radius) it is
// round again: the hand, a line or the grid through it and the outline it
// touches make it at most about 2.2 times as long as wide, ink where lines
// meet at the limb 4 or more: tuned on the generator's drawings, see
// Drawings.
constexpr double kStretchedElongation = 3.0;
// ... down to mu 0.05, where an umbra drawn 3 px thick is 20 times as long.
constexpr double kLineMinMu = 0.05;
// Umbrae one cluster gathers at most (a chain of touching penumbrae).
constexpr std::size_t kMaxDrawnCluster = 32;

// Solves the n x n system a x = b in place (Gaussian elimination with
// partial pivoting); false when singular.
bool Solve(std::vector<double>& a, std::vector<double>& b, int n) {
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(a[static_cast<std::size_t>(r * n + c)]) > std::fabs(a[static_cast<std::size_t>(p * n + c)])) p = r;
    if (std::fabs(a[static_cast<std::size_t>(p * n + c)]) < 1e-300) return false;
    if (p != c) {
      for (int k = 0; k < n; ++k) std::swap(a[static_cast<std::size_t>(p * n + k)], a[static_cast<std::size_t>(c * n + k)]);
      std::swap(b[static_cast<std::size_t>(p)], b[static_cast<std::size_t>(c)]);
    }
    for (int r = c + 1; r < n; ++r) {
      const double f = a[static_cast<std::size_t>(r * n + c)] / a[static_cast<std::size_t>(c * n + c)];
      for (int k = c; k < n; ++k) a[static_cast<std::size_t>(r * n + k)] -= f * a[static_cast<std::size_t>(c * n + k)];
      b[static_cast<std::size_t>(r)] -= f * b[static_cast<std::size_t>(c)];
    }
  }
  for (int r = n - 1; r >= 0; --r) {
    double s = b[static_cast<std::size_t>(r)];
    for (int k = r + 1; k < n; ++k) s -= a[static_cast<std::size_t>(r * n + k)] * b[static_cast<std::size_t>(k)];
    b[static_cast<std::size_t>(r)] = s / a[static_cast<std::size_t>(r * n + r)];
  }
  return true;
}

}  // namespace

GreyPicture GreyOfArgb(int width, int height, const std::uint32_t* argb) {
  GreyPicture g;
  g.width = width;
  g.height = height;
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  g.value.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t c = argb[i];
    g.value[i] = static_cast<float>(((c >> 16) & 0xFFu) + ((c >> 8) & 0xFFu) + (c & 0xFFu)) / 3.0f;
  }
  return g;
}

GreyPicture GreyOfLevels(const DataLevels& levels) {
  GreyPicture g;
  g.width = levels.width;
  g.height = levels.height;
  g.value.resize(levels.level.size());
  const double step = (levels.high - levels.low) / std::max(1, static_cast<int>(kMaxLevel) - 1);
  for (std::size_t i = 0; i < levels.level.size(); ++i) {
    const std::uint16_t l = levels.level[i];
    g.value[i] = l == 0 ? 0.0f : static_cast<float>(levels.low + (l - 1) * step);
  }
  return g;
}

struct SpotFinder::Impl {
  // The picture, while Prepare runs.
  const GreyPicture* pic = nullptr;
  DiscCalibration cal;
  int threads = 2;
  int w = 0, h = 0;
  std::vector<double> poly;  // quiet Sun against mu
  // Tile surface of the light's unevenness (vignetting), tile centres at
  // (i + 0.5) * tile - 0.5.
  int tnx = 0, tny = 0;
  double tile = 1;
  std::vector<double> tiles;
  // Blurred limb: the factor by which the blurred disc falls below the
  // quiet Sun within a few sigma of the edge, at steps of kLimbStep px
  // inwards from the fitted edge rk + limbOffset.
  std::vector<double> edgeFactor;
  double limbOffset = 0;
  double blur = 1, sigmaEff = 1;
  // An ink drawing on paper (the sky as bright as the disc).
  bool drawing = false;
  double maskRadius = 0;
  // Contrast and its 3 x 3 mean; every pixel written once by MakeContrast.
  std::vector<float, PixelAllocator<float>> C, Cs;
  double noise = kDefaultNoise, noiseS = kDefaultNoiseSmoothed;
  int yMin = 0, yMax = -1, xMin = 0, xMax = -1;

  // One dark region's box and what Refine's stages learn in it. Box pixel
  // i (y bw + x) is picture pixel (x0 + x, y0 + y).
  struct Box {
    int x0 = 0, y0 = 0, bw = 0, bh = 0;
    int margin = 0;  // px the box reaches beyond the region
    std::size_t bn = 0;
    // Contrast and its 3 x 3 mean; over the local quiet Sun once
    // LocalQuietSun ran.
    std::vector<float> c, cs;
    std::vector<std::uint8_t> in;     // the region's pixels
    std::vector<std::uint8_t> other;  // other spots' pixels
    std::vector<int> dOut;            // grid steps to the region
    double shapeMu = 1;               // mu at the region's centre (kShapeMinMu at least)
    double cu = 0;                    // the umbra's level
    double cp = 1;                    // the penumbral plateau's level
    bool twoLevel = false;            // a penumbra is measured
    double halfLevel = 0;             // the umbrae's edge
    std::vector<std::uint8_t> region; // the spot's pixels
    std::vector<int> lab;             // each umbra pixel's umbra, from 1
    int nUmbrae = 0;
    std::vector<std::uint8_t> care;   // the pixels the blurred model answers for
    std::vector<int> owner;           // each spot pixel's umbra
    double X(std::size_t i) const { return static_cast<double>(x0 + static_cast<int>(i) % bw); }
    double Y(std::size_t i) const { return static_cast<double>(y0 + static_cast<int>(i) / bw); }
  };

  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x); }
  double Mu(double x, double y) const {
    const double dx = x - cal.x0, dy = y - cal.y0;
    const double r2 = (dx * dx + dy * dy) / (cal.rk * cal.rk);
    return r2 >= 1 ? 0.0 : std::sqrt(1 - r2);
  }
  double Poly(double mu) const {
    double v = 0;
    for (int k = kFitDegree; k >= 0; --k) v = v * mu + poly[static_cast<std::size_t>(k)];
    return v;
  }
  double Tile(double x, double y) const;
  double EdgeFactor(double r) const;
  // The smallest box holding the pixels (indices y w + x), inclusive.
  void Bounds(const std::vector<int>& pixels, int& x0, int& y0, int& x1, int& y1) const;
  // A pixel's area in millionths of the hemisphere (MSH): 2 pi rk^2 px
  // make a hemisphere seen at mu 1.
  double PixelWeightMsh(double x, double y) const {
    return 1e6 / (2 * kPiExact * cal.rk * cal.rk * std::max(kAreaMinMu, Mu(x, y)));
  }
  void Locate(FoundSpot& s) const {
    double B = 0, CMD = 0, L = 0;
    PixelToHeliographic(cal, s.x, s.y, cal.orientation, B, CMD, L);
    s.B = B;
    s.CMD = CMD;
    s.L = L;
    s.mu = Mu(s.x, s.y);
  }

  // Prepare's stages.
  bool FitQuietSun(std::string& error);
  bool AnnulusMedians(std::vector<double>& mu, std::vector<double>& level, std::vector<double>& weight) const;
  bool FitLimbDarkening(const std::vector<double>& mu, const std::vector<double>& level,
                        const std::vector<double>& weight);
  void FitTiles();
  void FillEmptyTiles(std::vector<double>& t, std::vector<bool>& ok) const;
  bool LimbProfile(std::vector<double>& prof) const;
  void MeasureBlur();
  void MakeEdgeFactors();
  void MakeContrast();
  void ContrastRows(int first, int last, const std::vector<int>& tix, const std::vector<float>& tax);
  void SmoothRows(int first, int last);
  void MeasureNoise();
  bool LooksDrawn() const;

  // Find's stages.
  std::vector<int> Seeds(double tSeed, int threads) const;
  std::vector<std::vector<int>> Regions(const std::vector<int>& seeds, double tLow,
                                        std::vector<std::string>& notes) const;
  // The 8-connected pixels whose 3 x 3 mean stays below `level`, reached
  // from `seed` (index y w + x), marked in `seen` (one byte a pixel); cut
  // at kMaxRegionPx and one more pixel, `cut` then set.
  std::vector<int> Flood(int seed, double level, std::vector<std::uint8_t>& seen, bool& cut) const;
  std::vector<FoundSpot> Refine(const std::vector<int>& comp, const SpotSettings& st, double tLow, int cluster) const;

  // Refine's stages, in order.
  Box CutBox(const std::vector<int>& comp) const;
  bool LongLikeAFilament(const std::vector<int>& comp, Box& b) const;
  void LocalQuietSun(Box& b, double tLow) const;
  void UmbraLevel(Box& b) const;
  bool ThinLikeAFilament(std::size_t area, const Box& b) const;
  void PenumbralPlateau(Box& b, double tLow) const;
  void FindUmbrae(Box& b) const;
  int CoresOf(const Box& b, int u, double mn, std::vector<int>& clab, std::vector<int>& keep) const;
  void SplitTouchingUmbrae(Box& b) const;
  bool WholeAsOneUmbra(Box& b) const;
  void CarePixels(Box& b) const;
  void FitModel(Box& b, const SpotSettings& st) const;
  double PenumbraEvidenceOf(const Box& b) const;
  void TryTwoLevels(Box& b, const SpotSettings& st, double oneSse, bool oneOk, std::vector<std::uint8_t>& P,
                    std::vector<std::uint8_t>& Um) const;
  void CarryUmbrae(Box& b, const std::vector<std::uint8_t>& P, const std::vector<std::uint8_t>& Um) const;
  void AssignPixels(Box& b) const;
  void ShareByNearestCentre(Box& b) const;
  std::vector<FoundSpot> Measure(const Box& b, int cluster) const;

  // Drawings.
  // One drawn umbra (or pore): its ink and its darkness-weighted centre.
  struct DrawnUmbra {
    std::vector<int> blob;  // picture indices (y w + x), the cores first
    double x = 0, y = 0;    // picture pixels
    double reach = 0;       // px from (x, y) that its penumbra may reach
    double far = 0;         // px from (x, y) to its farthest ink
    CentroidSums spread;    // of the ink weighed for (x, y), for the centre's error (SpotErrors.h)
  };
  // The umbrae met so far, and for each picture pixel the umbra whose ink
  // it is (kNotInk: none met yet; kNoUmbra: ink too small for one).
  struct DrawnUmbrae {
    std::vector<DrawnUmbra> list;
    std::vector<int> of;
    std::vector<std::uint8_t> seen;  // cores flooded
  };
  static constexpr int kNotInk = -1, kNoUmbra = -2;
  // A box about some umbrae (its members) and what the stages learn in it.
  // Box pixel i is picture pixel (x0 + i % bw, y0 + i / bw).
  struct DrawnBox {
    int x0 = 0, y0 = 0, bw = 0, bh = 0;
    std::vector<int> members;          // indices into DrawnUmbrae::list
    std::vector<std::uint8_t> disc;    // inside the mask's circle
    std::vector<std::uint8_t> reach;   // and within a member's reach
    std::vector<std::uint8_t> marked;  // the pen's marks within the reach
    std::vector<std::uint8_t> open;    // paper open to beyond the reach
    std::vector<int> inkOf;            // each pixel's member whose ink it is, -1 none
    std::vector<std::uint8_t> whole;   // the spots' pixels
    std::vector<int> owner;            // each pixel's member (index into members), -1 none
    std::vector<std::uint8_t> enclosed;  // each member's: marks or what they enclose all round it
    std::vector<std::uint8_t> onOutline;  // each member's: marks or what they enclose on half its round
    std::vector<std::uint8_t> penumbra;  // each member's: a penumbra drawn about it
    std::vector<int> part;             // each member's connected part of `whole`
    std::vector<std::uint8_t> marksMeet;  // each member's: ink where a spot's marks meet, no spot
    std::vector<float> cover;          // the share of each pixel that the spot's drawing covers
    int X(std::size_t i) const { return x0 + static_cast<int>(i) % bw; }
    int Y(std::size_t i) const { return y0 + static_cast<int>(i) / bw; }
  };
  bool Core(int x, int y) const;
  // The 8-connected ink cores (Core) reached from the core pixel `start`
  // (index y w + x), marked in `seen` (one byte a pixel).
  std::vector<int> FloodCore(int start, std::vector<std::uint8_t>& seen) const;
  std::vector<int> GrowOverInk(const std::vector<int>& core) const;
  double Elongation(const std::vector<int>& ink, double mx, double my, double stretch) const;
  bool LongLikeALine(const std::vector<int>& core) const;
  bool InkLeaves(double cx, double cy, double far) const;
  int UmbraAt(int p, DrawnUmbrae& u) const;
  DrawnBox CutDrawnBox(const std::vector<int>& members, const DrawnUmbrae& u) const;
  void MarksJoined(DrawnBox& b, const DrawnUmbrae& u) const;
  std::vector<int> UmbraeWithin(const DrawnBox& b, DrawnUmbrae& u) const;
  void OpenPaper(DrawnBox& b) const;
  void EncloseUmbrae(DrawnBox& b, const DrawnUmbrae& u) const;
  std::vector<std::uint8_t> InsideOutlines(const DrawnBox& b, const DrawnUmbrae& u, const std::vector<std::uint8_t>& hole,
                                           const std::vector<int>& lab, int parts) const;
  void FillEnclosed(DrawnBox& b, const DrawnUmbrae& u) const;
  void OpenLinesAway(DrawnBox& b, const DrawnUmbrae& u) const;
  void MarksMeeting(DrawnBox& b, const DrawnUmbrae& u, std::vector<std::uint8_t>& ink) const;
  void ShareDrawn(DrawnBox& b, const DrawnUmbrae& u) const;
  void CoverEdges(DrawnBox& b) const;
  std::vector<FoundSpot> MeasureDrawn(const DrawnBox& b, const DrawnUmbrae& u, int& cluster) const;
  std::vector<FoundSpot> DrawnCluster(int first, DrawnUmbrae& u, std::vector<std::uint8_t>& done, int& cluster) const;
  void FindDrawn(SpotReport& rep) const;
};

double SpotFinder::Impl::Tile(double x, double y) const {
  double fx = (x + 0.5) / tile - 0.5, fy = (y + 0.5) / tile - 0.5;
  fx = std::clamp(fx, 0.0, static_cast<double>(tnx - 1));
  fy = std::clamp(fy, 0.0, static_cast<double>(tny - 1));
  const int ix = std::min(static_cast<int>(fx), tnx - 1), iy = std::min(static_cast<int>(fy), tny - 1);
  const int jx = std::min(ix + 1, tnx - 1), jy = std::min(iy + 1, tny - 1);
  const double ax = fx - ix, ay = fy - iy;
  auto at = [&](int i, int j) { return tiles[static_cast<std::size_t>(j * tnx + i)]; };
  return (at(ix, iy) * (1 - ax) + at(jx, iy) * ax) * (1 - ay) + (at(ix, jy) * (1 - ax) + at(jx, jy) * ax) * ay;
}

double SpotFinder::Impl::EdgeFactor(double r) const {
  const double t = (cal.rk + limbOffset - r) / kLimbStep;  // steps inwards from the edge
  if (edgeFactor.empty() || t >= static_cast<double>(edgeFactor.size() - 1)) return 1;
  if (t <= 0) return edgeFactor.front();
  const auto i = static_cast<std::size_t>(t);
  const double a = t - static_cast<double>(i);
  return edgeFactor[i] * (1 - a) + edgeFactor[i + 1] * a;
}

void SpotFinder::Impl::Bounds(const std::vector<int>& pixels, int& x0, int& y0, int& x1, int& y1) const {
  x0 = w;
  y0 = h;
  x1 = y1 = -1;
  for (int p : pixels) {
    x0 = std::min(x0, p % w);
    x1 = std::max(x1, p % w);
    y0 = std::min(y0, p / w);
    y1 = std::max(y1, p / w);
  }
}

// ---------------------------------------------------------------------------
// Prepare's stages.

// The median level of each annulus of mu (kFitBins from kFitMuMin to 1)
// with enough samples, at its samples' mean mu, weighted by the root of
// their count; false when too few annuli are seen.
bool SpotFinder::Impl::AnnulusMedians(std::vector<double>& bx, std::vector<double>& by, std::vector<double>& bw) const {
  std::vector<std::vector<float>> bins(kFitBins);
  std::vector<double> muSum(kFitBins, 0.0);
  const int step = std::max(1, static_cast<int>(cal.rk / kFitSamplesPerRadius));
  for (int y = yMin; y <= yMax; y += step)
    for (int x = xMin; x <= xMax; x += step) {
      const double mu = Mu(x, y);
      if (mu < kFitMuMin) continue;
      const int b = std::min(kFitBins - 1, static_cast<int>((mu - kFitMuMin) / (1 - kFitMuMin) * kFitBins));
      bins[static_cast<std::size_t>(b)].push_back(pic->value[Index(x, y)]);
      muSum[static_cast<std::size_t>(b)] += mu;
    }
  for (int b = 0; b < kFitBins; ++b) {
    auto& v = bins[static_cast<std::size_t>(b)];
    if (v.size() < kFitMinAnnulusSamples) continue;
    const double n = static_cast<double>(v.size());
    bx.push_back(muSum[static_cast<std::size_t>(b)] / n);
    by.push_back(UpperMedian(v));
    bw.push_back(std::sqrt(n));
  }
  return bx.size() >= kFitMinAnnuli;
}

// The cubic in mu (poly) through the annulus medians by weighted least
// squares, annuli far off the fit left out, kFitPasses times; false when
// the system is singular.
bool SpotFinder::Impl::FitLimbDarkening(const std::vector<double>& bx, const std::vector<double>& by,
                                        const std::vector<double>& bw) {
  constexpr int n = kFitDegree + 1;
  std::vector<bool> use(bx.size(), true);
  for (int pass = 0; pass < kFitPasses; ++pass) {
    std::vector<double> a(n * n, 0.0), rhs(n, 0.0);
    for (std::size_t i = 0; i < bx.size(); ++i) {
      if (!use[i]) continue;
      double p[n];
      p[0] = 1;
      for (int k = 1; k < n; ++k) p[k] = p[k - 1] * bx[i];
      for (int r = 0; r < n; ++r) {
        rhs[static_cast<std::size_t>(r)] += bw[i] * p[r] * by[i];
        for (int c = 0; c < n; ++c) a[static_cast<std::size_t>(r * n + c)] += bw[i] * p[r] * p[c];
      }
    }
    if (!Solve(a, rhs, n)) return false;
    poly = rhs;
    std::vector<float> res;
    for (std::size_t i = 0; i < bx.size(); ++i) res.push_back(static_cast<float>(std::fabs(by[i] / Poly(bx[i]) - 1)));
    std::vector<float> sorted = res;
    const double mad = std::max(kFitMinMad, UpperMedian(sorted));
    for (std::size_t i = 0; i < bx.size(); ++i) use[i] = res[i] <= kFitClipSigmas * kMadToSigma * mad;
  }
  return true;
}

// The quiet Sun against mu (poly); false with `error` when the disc is too
// small or off the picture, the fit fails or it gives no light.
bool SpotFinder::Impl::FitQuietSun(std::string& error) {
  std::vector<double> bx, by, bw;
  if (!AnnulusMedians(bx, by, bw)) {
    error = "the disc is too small or lies off the picture";
    return false;
  }
  if (!FitLimbDarkening(bx, by, bw)) {
    error = "the quiet Sun could not be fitted";
    return false;
  }
  if (!(Poly(1) > 0) || !(Poly(kLitMu) > 0)) {
    error = "there is no light on the disc";
    return false;
  }
  return true;
}

// Tiles without enough disc (ok false) take the mean of their known
// neighbours, ring by ring, until every tile that can be reached has one.
void SpotFinder::Impl::FillEmptyTiles(std::vector<double>& t, std::vector<bool>& ok) const {
  for (bool changed = true; changed;) {
    changed = false;
    std::vector<bool> next = ok;
    std::vector<double> nt = t;
    for (int j = 0; j < tny; ++j)
      for (int i = 0; i < tnx; ++i) {
        if (ok[static_cast<std::size_t>(j * tnx + i)]) continue;
        double s = 0;
        int c = 0;
        for (int dj = -1; dj <= 1; ++dj)
          for (int di = -1; di <= 1; ++di) {
            const int a = i + di, b = j + dj;
            if (a < 0 || b < 0 || a >= tnx || b >= tny || !ok[static_cast<std::size_t>(b * tnx + a)]) continue;
            s += t[static_cast<std::size_t>(b * tnx + a)];
            ++c;
          }
        if (c > 0) {
          nt[static_cast<std::size_t>(j * tnx + i)] = s / c;
          next[static_cast<std::size_t>(j * tnx + i)] = true;
          changed = true;
        }
      }
    ok = next;
    t = nt;
  }
}

// The light's unevenness over the fitted quiet Sun, as the median on each
// tile (tiles), empty tiles filled from their neighbours, then a 3 x 3
// median of tiles, which keeps a large spot from darkening its tile.
void SpotFinder::Impl::FitTiles() {
  tile = std::max(kMinTile, cal.rk / kTilesPerRadius);
  tnx = std::max(1, static_cast<int>(std::ceil(w / tile)));
  tny = std::max(1, static_cast<int>(std::ceil(h / tile)));
  std::vector<double> t(static_cast<std::size_t>(tnx * tny), 0.0);
  std::vector<bool> ok(t.size(), false);
  const int step = std::max(1, static_cast<int>(tile / kTileSamplesAcross));
  std::vector<float> v;
  for (int j = 0; j < tny; ++j)
    for (int i = 0; i < tnx; ++i) {
      v.clear();
      const int x0 = static_cast<int>(i * tile), x1 = std::min(w, static_cast<int>((i + 1) * tile));
      const int y0 = static_cast<int>(j * tile), y1 = std::min(h, static_cast<int>((j + 1) * tile));
      for (int y = y0; y < y1; y += step)
        for (int x = x0; x < x1; x += step) {
          const double mu = Mu(x, y);
          if (mu < kTileMuMin) continue;
          v.push_back(static_cast<float>(pic->value[Index(x, y)] / Poly(mu)));
        }
      if (v.size() >= kTileMinSamples) {
        t[static_cast<std::size_t>(j * tnx + i)] = UpperMedian(v);
        ok[static_cast<std::size_t>(j * tnx + i)] = true;
      }
    }
  if (std::none_of(ok.begin(), ok.end(), [](bool b) { return b; })) {
    tiles.assign(t.size(), 1.0);
    return;
  }
  FillEmptyTiles(t, ok);
  tiles = t;
  for (int j = 0; j < tny; ++j)
    for (int i = 0; i < tnx; ++i) {
      v.clear();
      for (int dj = -1; dj <= 1; ++dj)
        for (int di = -1; di <= 1; ++di) {
          const int a = i + di, b = j + dj;
          if (a < 0 || b < 0 || a >= tnx || b >= tny) continue;
          v.push_back(static_cast<float>(t[static_cast<std::size_t>(b * tnx + a)]));
        }
      tiles[static_cast<std::size_t>(j * tnx + i)] = UpperMedian(v);
    }
}

// The median profile across the limb (observed over the tiles' light), from
// kLimbIn px inside rk to kLimbOut outside at kLimbStep; false when a point
// of it has too few samples.
bool SpotFinder::Impl::LimbProfile(std::vector<double>& prof) const {
  const int ns = static_cast<int>((kLimbIn + kLimbOut) / kLimbStep) + 1;
  std::vector<std::vector<float>> samples(static_cast<std::size_t>(ns));
  const double rk = cal.rk;
  for (int a = 0; a < 360; a += kLimbAngleStep) {
    const double ca = std::cos(a * kPiExact / 180), sa = std::sin(a * kPiExact / 180);
    for (int k = 0; k < ns; ++k) {
      const double r = rk - kLimbIn + k * kLimbStep;
      const double x = cal.x0 + r * ca, y = cal.y0 + r * sa;
      if (x < 0 || y < 0 || x > w - 1.001 || y > h - 1.001) continue;
      const int ix = static_cast<int>(x), iy = static_cast<int>(y);
      const double ax = x - ix, ay = y - iy;
      const double v = (pic->value[Index(ix, iy)] * (1 - ax) + pic->value[Index(ix + 1, iy)] * ax) * (1 - ay) +
                       (pic->value[Index(ix, iy + 1)] * (1 - ax) + pic->value[Index(ix + 1, iy + 1)] * ax) * ay;
      samples[static_cast<std::size_t>(k)].push_back(static_cast<float>(v / Tile(x, y)));
    }
  }
  prof.assign(static_cast<std::size_t>(ns), 0.0);
  for (int k = 0; k < ns; ++k) {
    if (samples[static_cast<std::size_t>(k)].size() < kLimbMinSamples) return false;
    prof[static_cast<std::size_t>(k)] = UpperMedian(samples[static_cast<std::size_t>(k)]);
  }
  return true;
}

namespace {

// The limb's model for MeasureBlur: the quiet Sun `poly` (against mu) cut
// at an edge and blurred, its disc's and sky's light fitted to the
// observed profile `prof` (kLimbStep px steps from rk - kLimbIn).
struct LimbModel {
  const std::vector<double>& prof;
  double rk;
  std::function<double(double)> quiet;  // the quiet Sun at mu
  std::vector<double> disc, sky, m1, m2;

  LimbModel(const std::vector<double>& profile, double radius, std::function<double(double)> q)
      : prof(profile), rk(radius), quiet(std::move(q)), disc(profile.size() + 2 * kLimbPad), sky(disc.size()),
        m1(profile.size()), m2(profile.size()) {}

  // The squared misfit of the edge at `off` (px outward from rk) blurred by
  // `sigma` px, the disc's and the sky's light fitted; infinity when they
  // cannot be told apart.
  double Misfit(double off, double sigma) {
    const int ns = static_cast<int>(prof.size());
    for (std::size_t i = 0; i < disc.size(); ++i) {
      const double r = rk - kLimbIn + (static_cast<double>(i) - kLimbPad) * kLimbStep;
      const double re = rk + off;
      const double rho = r / re;
      disc[i] = r < re ? quiet(std::sqrt(std::max(0.0, 1 - rho * rho))) : 0.0;
      sky[i] = r < re ? 0.0 : 1.0;
    }
    const int half = std::min(kLimbPad, static_cast<int>(std::ceil(kLimbKernelSigmas * sigma / kLimbStep)));
    double gs = 0;
    const std::vector<double> g = SampledGaussian(half, kLimbStep, sigma, gs);
    double s11 = 0, s12 = 0, s22 = 0, t1 = 0, t2 = 0;
    for (int k = 0; k < ns; ++k) {
      double a1 = 0, a2 = 0;
      for (int j = -half; j <= half; ++j) {
        const std::size_t at = static_cast<std::size_t>(k + kLimbPad + j);
        a1 += g[static_cast<std::size_t>(j + half)] * disc[at];
        a2 += g[static_cast<std::size_t>(j + half)] * sky[at];
      }
      const auto kk = static_cast<std::size_t>(k);
      m1[kk] = a1 / gs;
      m2[kk] = a2 / gs;
      s11 += m1[kk] * m1[kk];
      s12 += m1[kk] * m2[kk];
      s22 += m2[kk] * m2[kk];
      t1 += m1[kk] * prof[kk];
      t2 += m2[kk] * prof[kk];
    }
    const double det = s11 * s22 - s12 * s12;
    if (std::fabs(det) < kSingular) return std::numeric_limits<double>::infinity();
    const double A = (t1 * s22 - t2 * s12) / det, Bs = (s11 * t2 - s12 * t1) / det;
    double ss = 0;
    for (int k = 0; k < ns; ++k) {
      const auto kk = static_cast<std::size_t>(k);
      const double d = prof[kk] - A * m1[kk] - Bs * m2[kk];
      ss += d * d;
    }
    return ss;
  }
};

}  // namespace

// The seeing's blur (sigma, px) and the limb's offset from rk, from the
// limb's profile against a blurred edge, coarse then fine; then the edge
// factors. Without a profile (the limb mostly off the picture) blur is 1.
void SpotFinder::Impl::MeasureBlur() {
  std::vector<double> prof;
  if (!LimbProfile(prof)) {
    blur = 1;
    return;
  }
  LimbModel model(prof, cal.rk, [this](double mu) { return Poly(mu); });
  double best = std::numeric_limits<double>::infinity();
  double bestSigma = 1, bestOff = 0;
  auto search = [&](double off0, double off1, double offStep, double s0, double s1, double sStep) {
    for (double off = off0; off <= off1 + 1e-9; off += offStep)
      for (double sigma = std::max(kBlurMin, s0); sigma <= s1 + 1e-9; sigma += sStep) {
        const double ss = model.Misfit(off, sigma);
        if (ss < best) {
          best = ss;
          bestSigma = sigma;
          bestOff = off;
        }
      }
  };
  search(-kEdgeReach, kEdgeReach, kEdgeStep, kBlurMin, kBlurMax, kBlurStep);
  search(bestOff - kEdgeFineReach, bestOff + kEdgeFineReach, kEdgeFineStep, bestSigma - kBlurFineReach,
         bestSigma + kBlurFineReach, kBlurFineStep);
  blur = bestSigma;
  limbOffset = bestOff;
  MakeEdgeFactors();
}

// The factor by which the blurred disc falls short of the quiet Sun, from
// the edge inwards over kEdgeFactorSigmas (edgeFactor).
void SpotFinder::Impl::MakeEdgeFactors() {
  const double re = cal.rk + limbOffset;
  const int n = static_cast<int>(std::ceil(kEdgeFactorSigmas * blur / kLimbStep)) + 2;
  const int half = static_cast<int>(std::ceil(kLimbKernelSigmas * blur / kLimbStep));
  double gs = 0;
  const std::vector<double> g = SampledGaussian(half, kLimbStep, blur, gs);
  edgeFactor.assign(static_cast<std::size_t>(n), 1.0);
  for (int k = 0; k < n; ++k) {
    const double r = re - k * kLimbStep;
    double a = 0;
    for (int j = -half; j <= half; ++j) {
      const double rr = r + j * kLimbStep;
      const double rho = rr / re;
      if (rr < re) a += g[static_cast<std::size_t>(j + half)] * Poly(std::sqrt(std::max(0.0, 1 - rho * rho)));
    }
    const double rho = r / re;
    const double q = Poly(std::sqrt(std::max(0.0, 1 - rho * rho)));
    edgeFactor[static_cast<std::size_t>(k)] = q > 0 ? std::clamp(a / gs / q, kEdgeFactorMin, 1.0) : 1.0;
  }
}

// The contrast of rows first .. last - 1 (C): the picture over the quiet
// Sun, the tiles' light and the blurred limb's factor, clamped to 0 ..
// kMaxContrast; 1 outside the mask's circle. `tix`, `tax`: each column's
// tile and weight along x.
void SpotFinder::Impl::ContrastRows(int first, int last, const std::vector<int>& tix, const std::vector<float>& tax) {
  const double mr2 = maskRadius * maskRadius;
  const double edgeFrom = maskRadius - kEdgeFactorReach * blur;
  const double edge2 = edgeFrom > 0 ? edgeFrom * edgeFrom : 0.0;
  const double inv = 1 / (cal.rk * cal.rk);
  const float p0 = static_cast<float>(poly[0]), p1 = static_cast<float>(poly[1]), p2 = static_cast<float>(poly[2]),
              p3 = static_cast<float>(poly[3]);
  std::vector<float> trow(static_cast<std::size_t>(tnx + 1));
  for (int y = first; y < last; ++y) {
    float* out = &C[Index(0, y)];
    const double dy = y - cal.y0;
    const double half2 = mr2 - dy * dy;
    if (half2 <= 0) {
      std::fill(out, out + w, 1.0f);
      continue;
    }
    const double half = std::sqrt(half2);
    const int xa = std::max(0, static_cast<int>(std::ceil(cal.x0 - half)));
    const int xb = std::min(w - 1, static_cast<int>(std::floor(cal.x0 + half)));
    std::fill(out, out + std::max(0, xa), 1.0f);
    if (xb + 1 < w) std::fill(out + std::max(0, xb + 1), out + w, 1.0f);
    if (xa > xb) continue;
    // The tile surface along this row.
    const double fy = std::clamp((y + 0.5) / tile - 0.5, 0.0, static_cast<double>(tny - 1));
    const int iy = std::min(static_cast<int>(fy), std::max(0, tny - 2));
    const int jy = std::min(iy + 1, tny - 1);
    const double ay = fy - iy;
    for (int i = 0; i < tnx; ++i)
      trow[static_cast<std::size_t>(i)] = static_cast<float>(tiles[static_cast<std::size_t>(iy * tnx + i)] * (1 - ay) +
                                                             tiles[static_cast<std::size_t>(jy * tnx + i)] * ay);
    trow[static_cast<std::size_t>(tnx)] = trow[static_cast<std::size_t>(tnx - 1)];
    const float* in = &pic->value[Index(0, y)];
    const float fdy2 = static_cast<float>(dy * dy * inv);
    for (int x = xa; x <= xb; ++x) {
      const float dx = static_cast<float>(x - cal.x0);
      const float mu = std::sqrt(std::max(0.0f, 1.0f - (dx * dx * static_cast<float>(inv) + fdy2)));
      const int ix = tix[static_cast<std::size_t>(x)];
      const float ax = tax[static_cast<std::size_t>(x)];
      float bg = ((p3 * mu + p2) * mu + p1) * mu + p0;
      bg *= trow[static_cast<std::size_t>(ix)] * (1 - ax) + trow[static_cast<std::size_t>(ix + 1)] * ax;
      const double r2 = dx * dx + dy * dy;
      if (r2 > edge2) bg *= static_cast<float>(EdgeFactor(std::sqrt(r2)));
      const float v = bg > 0 ? in[x] / bg : 1.0f;
      out[x] = std::clamp(v, 0.0f, kMaxContrast);
    }
  }
}

// The 3 x 3 mean of the contrast for rows first .. last - 1 (Cs); 1
// outside the disc's box and one pixel about it.
void SpotFinder::Impl::SmoothRows(int first, int last) {
  std::vector<float> row(static_cast<std::size_t>(w));
  const int xa = std::max(1, xMin - 1), xb = std::min(w - 2, xMax + 1);
  for (int y = first; y < last; ++y) {
    float* out = &Cs[Index(0, y)];
    if (y < yMin - 1 || y > yMax + 1 || xa > xb) {
      std::fill(out, out + w, 1.0f);
      continue;
    }
    std::fill(out, out + xa, 1.0f);
    std::fill(out + xb + 1, out + w, 1.0f);
    const float* r0 = &C[Index(0, std::max(0, y - 1))];
    const float* r1 = &C[Index(0, y)];
    const float* r2 = &C[Index(0, std::min(h - 1, y + 1))];
    for (int x = xa - 1; x <= xb + 1; ++x) row[static_cast<std::size_t>(x)] = r0[x] + r1[x] + r2[x];
    for (int x = xa; x <= xb; ++x)
      out[x] = (row[static_cast<std::size_t>(x - 1)] + row[static_cast<std::size_t>(x)] + row[static_cast<std::size_t>(x + 1)]) *
               (1.0f / 9.0f);
  }
}

// The contrast picture C and its 3 x 3 mean Cs, every pixel written once,
// in pieces of rows on `threads` threads.
void SpotFinder::Impl::MakeContrast() {
  // Left unset here: each piece of rows is written whole by its own thread.
  C.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  Cs.resize(C.size());
  // On a drawing the drawn limb circle is left out.
  maskRadius = drawing ? cal.rk - std::max(kDrawnLimbMinPx, kDrawnLimbWidth * cal.rk)
                       : cal.rk + limbOffset - std::max(kLimbCutMinPx, blur);
  // The tile surface's interpolation along x, once for every column.
  std::vector<int> tix(static_cast<std::size_t>(w));
  std::vector<float> tax(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) {
    const double fx = std::clamp((x + 0.5) / tile - 0.5, 0.0, static_cast<double>(tnx - 1));
    const int ix = std::min(static_cast<int>(fx), std::max(0, tnx - 2));
    tix[static_cast<std::size_t>(x)] = ix;
    tax[static_cast<std::size_t>(x)] = static_cast<float>(tnx == 1 ? 0.0 : fx - ix);
  }
  ParallelFor(0, h, threads, kRowsAPiece, [&](int a, int b) { ContrastRows(a, b, tix, tax); });
  ParallelFor(0, h, threads, kRowsAPiece, [&](int a, int b) { SmoothRows(a, b); });
}

// The quiet Sun's scatter (noise, and noiseS for the 3 x 3 mean): the
// MAD of the contrast about 1, as a sigma, on samples inside kNoiseMinMu.
void SpotFinder::Impl::MeasureNoise() {
  std::vector<float> a, b;
  const int step = std::max(1, static_cast<int>(cal.rk / kNoiseSamplesPerRadius));
  for (int y = yMin; y <= yMax; y += step)
    for (int x = xMin; x <= xMax; x += step)
      if (Mu(x, y) > kNoiseMinMu) {
        a.push_back(std::fabs(C[Index(x, y)] - 1.0f));
        b.push_back(std::fabs(Cs[Index(x, y)] - 1.0f));
      }
  if (a.size() < kNoiseMinSamples) return;
  noise = std::max(kMinNoise, kMadToSigma * UpperMedian(a));
  noiseS = std::max(kMinNoise, kMadToSigma * UpperMedian(b));
}

// Paper around the disc: the picture just outside the limb nearly as
// bright as inside it.
bool SpotFinder::Impl::LooksDrawn() const {
  std::vector<float> in, out;
  for (int a = 0; a < 360; a += kPaperAngleStep) {
    const double ca = std::cos(a * kPiExact / 180), sa = std::sin(a * kPiExact / 180);
    for (const double f : kPaperRadii) {
      const double x = cal.x0 + f * cal.rk * ca, y = cal.y0 + f * cal.rk * sa;
      if (x < 0 || y < 0 || x > w - 1 || y > h - 1) continue;
      (f < 1 ? in : out).push_back(pic->value[Index(static_cast<int>(x), static_cast<int>(y))]);
    }
  }
  if (in.size() < kPaperMinSamples || out.size() < kPaperMinSamples) return false;
  const double mi = UpperMedian(in), mo = UpperMedian(out);
  return mi > 0 && mo > kPaperBright * mi;
}

// ---------------------------------------------------------------------------
// Find's stages.

std::vector<int> SpotFinder::Impl::Flood(int seed, double level, std::vector<std::uint8_t>& seen, bool& cut) const {
  std::vector<int> comp;
  seen[static_cast<std::size_t>(seed)] = 1;
  const auto take = [&](int q) {
    const auto k = static_cast<std::size_t>(q);
    if (seen[k] || !(Cs[k] < level)) return false;
    seen[k] = 1;
    return true;
  };
  const auto reached = [&](int p) {
    comp.push_back(p);
    return comp.size() <= kMaxRegionPx;
  };
  ::pelorin::Flood(seed, w, h, take, reached);
  cut = comp.size() > kMaxRegionPx;
  return comp;
}

// The pixels of the disc's box whose 3 x 3 mean is below `tSeed`, in rows
// from the top, each from the left (indices y w + x).
std::vector<int> SpotFinder::Impl::Seeds(double tSeed, int threadCount) const {
  const int rows = yMax - yMin + 1;
  std::vector<std::vector<int>> seedsOf(static_cast<std::size_t>(std::max(0, (rows + kRowsAPiece - 1) / kRowsAPiece)));
  const float ts = static_cast<float>(tSeed);
  ParallelFor(yMin, yMax + 1, threadCount, kRowsAPiece, [&](int a, int b) {
    auto& out = seedsOf[static_cast<std::size_t>((a - yMin) / kRowsAPiece)];
    for (int y = a; y < b; ++y) {
      const float* row = &Cs[Index(0, y)];
      for (int x = xMin; x <= xMax; ++x)
        if (row[x] < ts) out.push_back(y * w + x);
    }
  });
  std::vector<int> seeds;
  for (const auto& s : seedsOf) seeds.insert(seeds.end(), s.begin(), s.end());
  return seeds;
}

// The regions: each seed not yet reached flooded while the 3 x 3 mean stays
// below `tLow` (hysteresis), those of kMinRegionPx or more kept, at most
// kMaxRegions; what the caps cut is said in `notes`.
std::vector<std::vector<int>> SpotFinder::Impl::Regions(const std::vector<int>& seeds, double tLow,
                                                        std::vector<std::string>& notes) const {
  std::vector<std::uint8_t> seen(C.size(), 0);
  std::vector<std::vector<int>> comps;
  std::size_t cutRegions = 0, leftOut = 0;
  for (int p : seeds) {
    if (seen[static_cast<std::size_t>(p)]) continue;
    bool cut = false;
    std::vector<int> comp = Flood(p, tLow, seen, cut);
    if (comp.size() < kMinRegionPx) continue;
    if (comps.size() >= kMaxRegions) {
      ++leftOut;
      continue;
    }
    cutRegions += cut;
    comps.push_back(std::move(comp));
  }
  if (cutRegions > 0)
    notes.push_back(std::to_string(cutRegions) + " dark region(s) larger than " + std::to_string(kMaxRegionPx) +
                    " pixels cut at that size: the spots in them are not all measured");
  if (leftOut > 0)
    notes.push_back(std::to_string(leftOut) + " dark region(s) beyond the first " + std::to_string(kMaxRegions) +
                    " left out: their spots are not measured");
  return comps;
}

namespace {

// Fits a blurred two-level model of a spot to the contrast `c` of its box:
// c = 1 - a G*P - b G*U, with G the seeing's Gaussian (sigma px), P the
// spot's pixels and U its umbra's (inside P; a pore has only P: b = 0).
// Starting from the masks given, pixels on the masks' edges are moved in or
// out while that brings the model closer to the picture, and the levels a
// and b are fitted again, a few times over. The masks' areas are then the
// spot's unblurred areas.
struct MaskFit {
  bool ok = false;
  double a = 0, b = 0;  // 1 - penumbra level; penumbra level - umbra level
  double sse = 0;       // squared residual left
};

// The model's frame: the box, the pixels cared for and the seeing's
// Gaussian, one-dimensional (g1) and as a (2R + 1)^2 square (G).
struct ModelFrame {
  int bw, bh, R, K;
  const std::vector<std::uint8_t>& care;
  std::vector<double> g1, G;

  ModelFrame(int boxW, int boxH, const std::vector<std::uint8_t>& cared, double sigma)
      : bw(boxW), bh(boxH), R(0), K(0), care(cared), g1(GaussianKernel(sigma)) {
    K = static_cast<int>(g1.size());
    R = K / 2;
    G.resize(static_cast<std::size_t>(K * K));
    for (int j = 0; j < K; ++j)
      for (int i = 0; i < K; ++i) G[static_cast<std::size_t>(j * K + i)] = g1[static_cast<std::size_t>(i)] * g1[static_cast<std::size_t>(j)];
  }

  // The change of the squared residual `r` (bw x bh) over the cared pixels
  // when the model changes by -sgn amp G about (x, y). The frame's figures
  // are read into locals once: the masks' byte stores between calls could
  // otherwise make the compiler read them again in the inner loop.
  double SseChange(const double* r, int x, int y, double sgn, double amp) const {
    const int w = bw, h = bh, half = R, side = K;
    const std::uint8_t* cared = care.data();
    const double* g = G.data();
    double dsse = 0;
    for (int k = -half; k <= half; ++k) {
      const int yy = y + k;
      if (yy < 0 || yy >= h) continue;
      for (int l = -half; l <= half; ++l) {
        const int xx = x + l;
        if (xx < 0 || xx >= w) continue;
        if (!cared[yy * w + xx]) continue;
        const double dm = -sgn * amp * g[(k + half) * side + (l + half)];
        const double rv = r[yy * w + xx];
        dsse += dm * dm - 2 * rv * dm;
      }
    }
    return dsse;
  }

  // The residual `r` after the model changed by -sgn amp G about (x, y).
  void Apply(double* r, int x, int y, double sgn, double amp) const {
    const int w = bw, h = bh, half = R, side = K;
    const std::uint8_t* cared = care.data();
    const double* g = G.data();
    for (int k = -half; k <= half; ++k) {
      const int yy = y + k;
      if (yy < 0 || yy >= h) continue;
      for (int l = -half; l <= half; ++l) {
        const int xx = x + l;
        if (xx < 0 || xx >= w) continue;
        if (cared[yy * w + xx]) r[yy * w + xx] -= -sgn * amp * g[(k + half) * side + (l + half)];
      }
    }
  }
};

// The levels of 1 - c = a gP + b gU by least squares over the cared
// pixels (b = 0 for one level); false when the system is singular or a
// level is shallower than kMinDepth.
bool FitLevels(const std::vector<float>& c, const std::vector<std::uint8_t>& care, const std::vector<double>& gP,
               const std::vector<double>& gU, bool twoLevel, double& a, double& b) {
  double s11 = 0, s12 = 0, s22 = 0, t1 = 0, t2 = 0;
  for (std::size_t i = 0; i < c.size(); ++i) {
    if (!care[i]) continue;
    const double d = 1 - c[i];
    s11 += gP[i] * gP[i];
    s12 += gP[i] * gU[i];
    s22 += gU[i] * gU[i];
    t1 += gP[i] * d;
    t2 += gU[i] * d;
  }
  if (twoLevel) {
    const double det = s11 * s22 - s12 * s12;
    if (std::fabs(det) < kModelSingular) return false;
    a = (t1 * s22 - t2 * s12) / det;
    b = (s11 * t2 - s12 * t1) / det;
    return a > kMinDepth && b > kMinDepth;
  }
  if (s11 < kModelSingular) return false;
  a = t1 / s11;
  b = 0;
  return a > kMinDepth;
}

// One pass over the masks' edge pixels (P's, then U's for two levels),
// each moved in or out where that lowers the residual `r`, which follows;
// the number moved.
int MoveEdgePixels(const ModelFrame& f, std::vector<std::uint8_t>& P, std::vector<std::uint8_t>& U, double a,
                   double b, bool twoLevel, std::vector<double>& r) {
  const int bw = f.bw, bh = f.bh;
  const std::uint8_t* care = f.care.data();
  double* res = r.data();
  int flips = 0;
  for (int layer = 0; layer < (twoLevel ? 2 : 1); ++layer) {
    std::uint8_t* M = layer == 0 ? P.data() : U.data();
    const std::uint8_t* inP = P.data();
    const std::uint8_t* inU = U.data();
    const double amp = layer == 0 ? a : b;
    for (int y = 1; y < bh - 1; ++y)
      for (int x = 1; x < bw - 1; ++x) {
        const int i = y * bw + x;
        const bool inM = M[i] != 0;
        const bool edge = M[i - 1] != M[i] || M[i + 1] != M[i] || M[i - bw] != M[i] || M[i + bw] != M[i];
        if (!edge || (!inM && !care[i])) continue;
        // U stays inside P.
        if (layer == 0 && inM && twoLevel && inU[i]) continue;
        if (layer == 1 && !inM && !inP[i]) continue;
        // Adding the pixel darkens the model by amp G around it.
        const double sgn = inM ? -1.0 : 1.0;
        if (f.SseChange(res, x, y, sgn, amp) >= 0) continue;
        M[i] = inM ? 0 : 1;
        ++flips;
        f.Apply(res, x, y, sgn, amp);
      }
  }
  return flips;
}

MaskFit FitBlurredMasks(int bw, int bh, const std::vector<float>& c, const std::vector<std::uint8_t>& care,
                        double sigma, std::vector<std::uint8_t>& P, std::vector<std::uint8_t>& U, bool twoLevel) {
  MaskFit fit;
  const ModelFrame frame(bw, bh, care, sigma);
  const std::size_t bn = c.size();
  double a = 0, b = 0;
  std::vector<double> gP, gU, r(bn);
  for (int round = 0; round < kModelRounds; ++round) {
    BlurMask(bw, bh, P, frame.g1, gP);
    if (twoLevel) BlurMask(bw, bh, U, frame.g1, gU);
    else gU.assign(bn, 0.0);
    if (!FitLevels(c, care, gP, gU, twoLevel, a, b)) return fit;
    for (std::size_t i = 0; i < bn; ++i) r[i] = care[i] ? c[i] - (1 - a * gP[i] - b * gU[i]) : 0.0;
    // Edge pixels in or out, while the squared residual falls.
    for (int pass = 0; pass < kModelPasses; ++pass)
      if (MoveEdgePixels(frame, P, U, a, b, twoLevel, r) == 0) break;
  }
  fit.ok = true;
  fit.a = a;
  fit.b = b;
  for (double v : r) fit.sse += v * v;
  return fit;
}

// Each pixel's kSub x kSub sub-samples' radii about (cx, cy), the radial
// direction (rx, ry) shrunk by muC, sorted, so that a disc's coverage of
// the pixel is the count below its radius.
std::vector<std::array<float, kSub * kSub>> SubSampleRadii(int bw, int bh, double cx, double cy, double rx, double ry,
                                                          double muC) {
  std::vector<std::array<float, kSub * kSub>> rad(static_cast<std::size_t>(bw) * static_cast<std::size_t>(bh));
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      auto& rs = rad[static_cast<std::size_t>(y * bw + x)];
      for (int j = 0; j < kSub; ++j)
        for (int i = 0; i < kSub; ++i) {
          const double dx = x + (i + 0.5) / kSub - 0.5 - cx, dy = y + (j + 0.5) / kSub - 0.5 - cy;
          const double a = (dx * rx + dy * ry) / muC, b = -dx * ry + dy * rx;
          rs[static_cast<std::size_t>(j * kSub + i)] = static_cast<float>(std::hypot(a, b));
        }
      std::sort(rs.begin(), rs.end());
    }
  return rad;
}

// The discs of radius k kRadiusStep (k = 1 .. nR; index 0 unused) as they
// cover the box's pixels, blurred by the seeing's Gaussian.
std::vector<std::vector<double>> BlurredDiscs(int bw, int bh, const std::vector<std::array<float, kSub * kSub>>& rad,
                                              int nR, double sigma) {
  const std::vector<double> g1 = GaussianKernel(sigma);
  const std::size_t bn = rad.size();
  std::vector<std::vector<double>> disc(static_cast<std::size_t>(nR + 1));
  std::vector<double> cov(bn);
  for (int k = 1; k <= nR; ++k) {
    const float r = static_cast<float>(k * kRadiusStep);
    for (std::size_t i = 0; i < bn; ++i)
      cov[i] = static_cast<double>(std::lower_bound(rad[i].begin(), rad[i].end(), r) - rad[i].begin()) / (kSub * kSub);
    BlurRepeatingEdges(bw, bh, cov, g1, disc[static_cast<std::size_t>(k)]);
  }
  return disc;
}

// The least squared residual of two concentric blurred discs, 1 - c =
// a D(rp) + b D(ru) with ru < rp and both depths above kMinDepth, over the
// pixels `idx`; `sDD` and `sDd` hold each disc's sums; `best` when none
// does better.
double TwoDiscMisfit(const std::vector<std::vector<double>>& disc, const std::vector<std::size_t>& idx,
                     const std::vector<double>& sDD, const std::vector<double>& sDd, double s00, double best) {
  const int nR = static_cast<int>(disc.size()) - 1;
  for (int kp = 2; kp <= nR; ++kp) {
    const auto& dp = disc[static_cast<std::size_t>(kp)];
    for (int ku = 1; ku < kp; ++ku) {
      const auto& du = disc[static_cast<std::size_t>(ku)];
      double spu = 0;
      for (std::size_t i : idx) spu += dp[i] * du[i];
      const double s11 = sDD[static_cast<std::size_t>(kp)], s22 = sDD[static_cast<std::size_t>(ku)];
      const double t1 = sDd[static_cast<std::size_t>(kp)], t2 = sDd[static_cast<std::size_t>(ku)];
      const double det = s11 * s22 - spu * spu;
      if (det <= kSingular) continue;
      const double a = (t1 * s22 - t2 * spu) / det, b = (s11 * t2 - spu * t1) / det;
      if (!(a > kMinDepth) || !(b > kMinDepth)) continue;
      const double sse = s00 - a * t1 - b * t2;
      best = std::min(best, sse);
    }
  }
  return best;
}

// How much better a small spot is told by a blurred umbra-in-penumbra
// model than by a blurred pore of one level: both models are concentric
// ellipses (the radial axis foreshortened by mu) about (cx, cy) in the box,
// their radii searched on a grid of kRadiusStep px and their levels fitted
// by least squares over the `care` pixels (`c` is the contrast, 1 = quiet
// Sun; sigma the seeing's Gaussian, px; (rx, ry) the unit radial
// direction). Returns the F ratio of the two extra parameters' gain to the
// umbra-in-penumbra model's residual variance; 0 when that model is no
// better or too few pixels are cared for.
double PenumbraEvidence(int bw, int bh, const std::vector<float>& c, const std::vector<std::uint8_t>& care,
                        double sigma, double cx, double cy, double rx, double ry, double mu) {
  const std::size_t bn = c.size();
  const auto rad = SubSampleRadii(bw, bh, cx, cy, rx, ry, std::clamp(mu, kShapeMinMu, 1.0));
  // The largest disc whose blur stays inside the box.
  double rMax = 0;
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x)
      if (x == 0 || y == 0 || x == bw - 1 || y == bh - 1)
        rMax = std::max(rMax, static_cast<double>(rad[static_cast<std::size_t>(y * bw + x)][0]));
  rMax = std::min(rMax - kModelEdgeSigmas * sigma, kMaxModelRadius);
  const int nR = static_cast<int>(rMax / kRadiusStep);
  if (nR < kMinRadii) return 0;
  const std::vector<std::vector<double>> disc = BlurredDiscs(bw, bh, rad, nR, sigma);
  std::vector<std::size_t> idx;
  for (std::size_t i = 0; i < bn; ++i)
    if (care[i]) idx.push_back(i);
  if (idx.size() < kMinModelPx) return 0;
  double s00 = 0;
  for (std::size_t i : idx) s00 += (1 - c[i]) * (1 - c[i]);
  // One level: 1 - c = a D(r).
  double one = s00;
  std::vector<double> sDD(static_cast<std::size_t>(nR + 1), 0), sDd(static_cast<std::size_t>(nR + 1), 0);
  for (int k = 1; k <= nR; ++k) {
    const auto& d = disc[static_cast<std::size_t>(k)];
    double a = 0, b = 0;
    for (std::size_t i : idx) {
      a += d[i] * d[i];
      b += d[i] * (1 - c[i]);
    }
    sDD[static_cast<std::size_t>(k)] = a;
    sDd[static_cast<std::size_t>(k)] = b;
    if (a > 0) one = std::min(one, s00 - b * b / a);
  }
  const double two = TwoDiscMisfit(disc, idx, sDD, sDd, s00, one);
  const double var = two / (static_cast<double>(idx.size()) - kModelParameters);
  if (!(var > 0) || two >= one) return 0;
  return (one - two) / 2 / var;
}

}  // namespace

// ---------------------------------------------------------------------------
// Refine's stages, each on the region's Box.

// The box about the region `comp` (picture indices) reaching `margin` px
// beyond it, clipped to the picture, with its contrast and the region.
SpotFinder::Impl::Box SpotFinder::Impl::CutBox(const std::vector<int>& comp) const {
  Box b;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  Bounds(comp, x0, y0, x1, y1);
  b.margin = static_cast<int>(std::ceil(kBoxBlurSigmas * sigmaEff)) + kBoxRingRoom;
  b.x0 = std::max(0, x0 - b.margin);
  b.y0 = std::max(0, y0 - b.margin);
  x1 = std::min(w - 1, x1 + b.margin);
  y1 = std::min(h - 1, y1 + b.margin);
  b.bw = x1 - b.x0 + 1;
  b.bh = y1 - b.y0 + 1;
  b.bn = static_cast<std::size_t>(b.bw) * static_cast<std::size_t>(b.bh);
  b.c.resize(b.bn);
  b.cs.resize(b.bn);
  b.in.assign(b.bn, 0);
  for (int y = 0; y < b.bh; ++y)
    for (int x = 0; x < b.bw; ++x) {
      b.c[static_cast<std::size_t>(y * b.bw + x)] = C[Index(b.x0 + x, b.y0 + y)];
      b.cs[static_cast<std::size_t>(y * b.bw + x)] = Cs[Index(b.x0 + x, b.y0 + y)];
    }
  for (int p : comp) b.in[static_cast<std::size_t>((p / w - b.y0) * b.bw + (p % w - b.x0))] = 1;
  return b;
}

// A long dark filament (H-alpha) is no spot: true when the region's second
// moments, the radial direction stretched back by 1 / mu, show it long
// and narrow. Sets the box's shapeMu.
bool SpotFinder::Impl::LongLikeAFilament(const std::vector<int>& comp, Box& b) const {
  double mx = 0, my = 0;
  for (int p : comp) {
    mx += p % w;
    my += p / w;
  }
  mx /= static_cast<double>(comp.size());
  my /= static_cast<double>(comp.size());
  double rx = mx - cal.x0, ry = my - cal.y0;
  const double rl = std::hypot(rx, ry);
  if (rl > 0) {
    rx /= rl;
    ry /= rl;
  } else {
    rx = 1;
    ry = 0;
  }
  const double mu = std::max(kShapeMinMu, Mu(mx, my));
  double sxx = 0, syy = 0, sxy = 0;
  for (int p : comp) {
    const double dx = p % w - mx, dy = p / w - my;
    const double a = (dx * rx + dy * ry) / mu, c = -dx * ry + dy * rx;
    sxx += a * a;
    syy += c * c;
    sxy += a * c;
  }
  const double tr = sxx + syy, det = sxx * syy - sxy * sxy;
  const double disc = std::sqrt(std::max(0.0, tr * tr / 4 - det));
  const double l1 = tr / 2 + disc, l2 = std::max(1e-9, tr / 2 - disc);
  const double n = static_cast<double>(comp.size());
  if (comp.size() >= kShapeMinPx && std::sqrt(l1 / l2) > kFilamentElongation &&
      kFilamentLengthSigmas * std::sqrt(l1 / n) > kFilamentMinLength)
    return true;
  b.shapeMu = mu;
  return false;
}

// The local quiet Sun: the median of a ring about the region beyond its
// blurred edge; the box's contrast is divided by it. Marks the other
// spots' pixels in the box first (as dark as a spot reaches, not this
// region's: they would have been found with it).
void SpotFinder::Impl::LocalQuietSun(Box& b, double tLow) const {
  b.dOut = GridDistance(b.bw, b.bh, b.in, {});
  const int dq = static_cast<int>(std::ceil(kRingSigmas * sigmaEff)) + kRingGap;
  std::vector<float> ring;
  for (std::size_t i = 0; i < b.bn; ++i)
    if (b.dOut[i] >= dq && b.dOut[i] < kUnreached) ring.push_back(b.c[i]);
  double q = 1;
  if (ring.size() >= kRingMinPx) q = UpperMedian(ring);
  if (!(q > kRingMinLevel && q < kRingMaxLevel)) q = 1;
  b.other.assign(b.bn, 0);
  for (std::size_t i = 0; i < b.bn; ++i) b.other[i] = b.cs[i] < tLow && !b.in[i];
  for (std::size_t i = 0; i < b.bn; ++i) {
    b.c[i] = static_cast<float>(b.c[i] / q);
    b.cs[i] = static_cast<float>(b.cs[i] / q);
  }
}

// The umbra's level (cu): the mean 3 x 3 contrast of the region's darkest
// few pixels.
void SpotFinder::Impl::UmbraLevel(Box& b) const {
  std::vector<float> dark;
  for (std::size_t i = 0; i < b.bn; ++i)
    if (b.in[i]) dark.push_back(b.cs[i]);
  std::sort(dark.begin(), dark.end());
  const std::size_t k = std::clamp<std::size_t>(dark.size() / kDarkestShare, 1, kDarkestMax);
  b.cu = std::accumulate(dark.begin(), dark.begin() + static_cast<std::ptrdiff_t>(k), 0.0) / static_cast<double>(k);
}

// Thinness, which a bent filament cannot hide as it hides its second
// moments: the area (px) against the largest circle inside (a round spot
// 1, a foreshortened one 1 / mu before mu is taken out, a band k times as
// long as wide 4 k / pi). True for a filament: long and thin without an
// umbra, or a piece of one with no dark core, told by a smaller ratio.
bool SpotFinder::Impl::ThinLikeAFilament(std::size_t area, const Box& b) const {
  if (area < kShapeMinPx) return false;
  // The pixels' centres lie half a pixel inside the edge.
  const double r = ChamferDepth(b.bw, b.bh, b.in) / 3.0 - 0.5;
  // No circle inside at all: as thin as a region can be.
  const double thin = r > 0 ? static_cast<double>(area) / (kPiExact * r * r) * b.shapeMu : 1e9;
  return (thin > kFilamentThinness && b.cu > kUmbraCore) || (thin > kFaintFilamentThinness && b.cu > kFaintCore);
}

// A penumbral plateau: pixels well away from both the dark core and the
// outside. Sets cp, the plateau's median, and twoLevel when it is
// penumbra: clearly below the quiet Sun and above the umbra.
void SpotFinder::Impl::PenumbralPlateau(Box& b, double tLow) const {
  const double coreLevel = b.cu + kCoreShare * (tLow - b.cu);
  std::vector<std::uint8_t> core(b.bn, 0), notIn(b.bn, 0);
  for (std::size_t i = 0; i < b.bn; ++i) {
    core[i] = b.in[i] && b.cs[i] < coreLevel;
    notIn[i] = !b.in[i];
  }
  const std::vector<int> dCore = GridDistance(b.bw, b.bh, core, {});
  const std::vector<int> dEdge = GridDistance(b.bw, b.bh, notIn, {});
  const int dp = std::max(kPlateauMinGap, static_cast<int>(std::lround(kPlateauSigmas * sigmaEff)));
  std::vector<float> plateau;
  for (std::size_t i = 0; i < b.bn; ++i)
    if (b.in[i] && !core[i] && dCore[i] >= dp && dEdge[i] >= dp) plateau.push_back(b.c[i]);
  b.cp = 1;
  b.twoLevel = false;
  if (plateau.size() >= kPlateauMinPx) {
    b.cp = UpperMedian(plateau);
    b.twoLevel = b.cp < 1 - kPlateauNoise * noise && b.cp > b.cu + kPlateauAboveUmbra;
  }
}

// The spot's pixels (region) and its umbrae (lab, nUmbrae) with their edge
// level (halfLevel). With a penumbra: the spot grown from the region where
// darker than halfway between the quiet Sun and the penumbra, its umbrae
// where darker than halfway between penumbra and umbra. A pore: its
// blurred edge about the region, its core where darker than halfway to its
// own darkest.
void SpotFinder::Impl::FindUmbrae(Box& b) const {
  b.region.assign(b.bn, 0);
  std::vector<std::uint8_t> um(b.bn, 0);
  if (b.twoLevel) {
    const double lout = (1 + b.cp) / 2, lum = (b.cp + b.cu) / 2;
    b.halfLevel = lum;
    std::vector<std::uint8_t> pass(b.bn, 0), seedm(b.bn, 0);
    for (std::size_t i = 0; i < b.bn; ++i) {
      pass[i] = b.cs[i] < lout && b.dOut[i] <= b.margin - kRegionBoxGap && !b.other[i];
      seedm[i] = b.in[i] && pass[i];
    }
    const std::vector<int> dReg = GridDistance(b.bw, b.bh, seedm, pass);
    for (std::size_t i = 0; i < b.bn; ++i) b.region[i] = dReg[i] < kUnreached;
    for (std::size_t i = 0; i < b.bn; ++i) um[i] = b.region[i] && b.cs[i] < lum;
  } else {
    b.halfLevel = (1 + b.cu) / 2;
    for (std::size_t i = 0; i < b.bn; ++i) {
      b.region[i] = b.dOut[i] <= static_cast<int>(std::ceil(kPoreEdgeSigmas * sigmaEff)) + kPoreEdgeGap;
      um[i] = b.in[i] && b.cs[i] < b.halfLevel;
    }
  }
  b.nUmbrae = Label(b.bw, b.bh, um, b.lab);
}

// The cores of umbra `u` (darkest level mn): its parts darker than a level
// between mn and the umbrae's edge, of kMinCorePx or more, each reaching
// well below the level (noise makes no core). Of the levels a quarter,
// half and three quarters of the way (half first), the one that shows the
// most cores: `clab` gets its parts' labels, `keep` each part's core number
// (from 1; 0 no core). Returns the number of cores.
int SpotFinder::Impl::CoresOf(const Box& b, int u, double mn, std::vector<int>& clab, std::vector<int>& keep) const {
  int kept = 0;
  for (const double f : {0.5, 0.25, 0.75}) {
    const double cl = mn + f * (b.halfLevel - mn);
    std::vector<std::uint8_t> cm(b.bn, 0);
    for (std::size_t i = 0; i < b.bn; ++i) cm[i] = b.lab[i] == u && b.cs[i] < cl;
    std::vector<int> l;
    const int nc = Label(b.bw, b.bh, cm, l);
    std::vector<int> size(static_cast<std::size_t>(nc + 1), 0);
    std::vector<double> low(static_cast<std::size_t>(nc + 1), kBelowAll);
    for (std::size_t i = 0; i < b.bn; ++i) {
      size[static_cast<std::size_t>(l[i])]++;
      low[static_cast<std::size_t>(l[i])] = std::min(low[static_cast<std::size_t>(l[i])], static_cast<double>(b.cs[i]));
    }
    std::vector<int> k(static_cast<std::size_t>(nc + 1), 0);
    int n = 0;
    for (int j = 1; j <= nc; ++j)
      if (size[static_cast<std::size_t>(j)] >= kMinCorePx &&
          low[static_cast<std::size_t>(j)] < cl - std::max(kCoreMinDepth, kCoreDepthNoise * noiseS))
        k[static_cast<std::size_t>(j)] = ++n;
    if (n > kept || clab.empty()) {
      kept = n;
      clab = std::move(l);
      keep = std::move(k);
    }
  }
  return kept;
}

// Umbrae that touch: each split where it holds two or more separate cores,
// flooded from its cores, darkest first; one-pixel umbrae dropped.
void SpotFinder::Impl::SplitTouchingUmbrae(Box& b) const {
  std::vector<int> newLab(b.bn, 0);
  int next = 0;
  for (int u = 1; u <= b.nUmbrae; ++u) {
    double mn = kBelowAll;
    int count = 0;
    for (std::size_t i = 0; i < b.bn; ++i)
      if (b.lab[i] == u) {
        mn = std::min(mn, static_cast<double>(b.cs[i]));
        ++count;
      }
    if (count < kMinUmbraPx) continue;
    std::vector<int> clab, keep;
    const int kept = CoresOf(b, u, mn, clab, keep);
    if (kept <= 1) {
      ++next;
      for (std::size_t i = 0; i < b.bn; ++i)
        if (b.lab[i] == u) newLab[i] = next;
      continue;
    }
    std::vector<int> seeds;
    for (std::size_t i = 0; i < b.bn; ++i)
      if (clab[i] && keep[static_cast<std::size_t>(clab[i])]) {
        newLab[i] = next + keep[static_cast<std::size_t>(clab[i])];
        seeds.push_back(static_cast<int>(i));
      }
    GrowLowestFirst(b.bw, b.bh, b.cs, seeds, newLab, [&](int q) { return b.lab[static_cast<std::size_t>(q)] == u; });
    next += kept;
  }
  b.lab = newLab;
  b.nUmbrae = next;
}

// Penumbra without an umbra: one spot, the whole of it, its one umbra. False
// when nothing of the region is left.
bool SpotFinder::Impl::WholeAsOneUmbra(Box& b) const {
  std::vector<std::uint8_t> all(b.bn, 0);
  for (std::size_t i = 0; i < b.bn; ++i) all[i] = b.region[i] && b.in[i];
  b.nUmbrae = Label(b.bw, b.bh, all, b.lab) > 0 ? 1 : 0;
  for (int& l : b.lab) l = l > 0 ? 1 : 0;
  return b.nUmbrae > 0;
}

// The pixels the model answers for (care): all but other spots' pixels
// and their blurred surroundings. The fitted masks cannot grow into them.
void SpotFinder::Impl::CarePixels(Box& b) const {
  const std::vector<int> dOther = GridDistance(b.bw, b.bh, b.other, {});
  const int reach = static_cast<int>(std::ceil(kOtherReachSigmas * sigmaEff));
  b.care.assign(b.bn, 1);
  for (std::size_t i = 0; i < b.bn; ++i) b.care[i] = dOther[i] > reach || (dOther[i] > 0 && b.dOut[i] <= 1);
}

// The pore's weighted centre in the box and PenumbraEvidence about it; 0
// when the region holds no darkness.
double SpotFinder::Impl::PenumbraEvidenceOf(const Box& b) const {
  double wsum = 0, mx = 0, my = 0;
  for (std::size_t i = 0; i < b.bn; ++i)
    if (b.in[i]) {
      const double wd = std::max(0.0, 1.0 - b.c[i]);
      wsum += wd;
      mx += wd * (static_cast<int>(i) % b.bw);
      my += wd * (static_cast<int>(i) / b.bw);
    }
  if (!(wsum > 0)) return 0;
  mx /= wsum;
  my /= wsum;
  double rx = b.x0 + mx - cal.x0, ry = b.y0 + my - cal.y0;
  const double rl = std::hypot(rx, ry);
  rx = rl > 0 ? rx / rl : 1;
  ry = rl > 0 ? ry / rl : 0;
  return PenumbraEvidence(b.bw, b.bh, b.c, b.care, blur, mx, my, rx, ry, Mu(b.x0 + mx, b.y0 + my));
}

// Without a penumbral plateau to see, a two-level model is tried beside the
// pore's one level (residual oneSse, fitted when oneOk) when the umbra is
// dark or a single umbra's concentric models tell a penumbra; it replaces
// the masks P, Um when it fits clearly better with plausible levels. For a
// single umbra "better" is judged on the concentric models with few
// parameters: the masks' pixel freedom fits granulation about as well as
// a penumbra.
void SpotFinder::Impl::TryTwoLevels(Box& b, const SpotSettings& st, double oneSse, bool oneOk,
                                    std::vector<std::uint8_t>& P, std::vector<std::uint8_t>& Um) const {
  const double evidence = b.nUmbrae == 1 ? PenumbraEvidenceOf(b) : 0;
  if (!(b.cu < st.umbraThreshold || evidence >= kPenumbraEvidence)) return;
  std::vector<std::uint8_t> P2(b.bn, 0), U2(b.bn, 0);
  for (std::size_t i = 0; i < b.bn; ++i) {
    P2[i] = b.in[i] && b.cs[i] < (1 + kGuessPenumbra) / 2;
    U2[i] = P2[i] && b.cs[i] < (b.cu + kGuessPenumbra) / 2;
  }
  const MaskFit two = FitBlurredMasks(b.bw, b.bh, b.c, b.care, blur, P2, U2, true);
  int nP = 0, nU = 0;
  for (std::size_t i = 0; i < b.bn; ++i) {
    nP += P2[i];
    nU += U2[i];
  }
  const bool better = b.nUmbrae == 1 ? evidence >= kPenumbraEvidence || (oneOk && two.sse < kBetterOneUmbra * oneSse)
                                     : !oneOk || two.sse < kBetterUmbrae * oneSse;
  if (two.ok && better && two.a >= kMinPenumbraDepth && two.a <= kMaxPenumbraDepth && two.b >= kMinUmbraDepth &&
      nU >= kMinFittedUmbraPx && nP >= kMaxUmbraShare * nU) {
    P = P2;
    Um = U2;
    b.twoLevel = true;
  }
}

// The blurred model fitted: the spot's and the umbrae's unblurred pixels
// (region, lab) from the fitted masks.
void SpotFinder::Impl::FitModel(Box& b, const SpotSettings& st) const {
  std::vector<std::uint8_t> P(b.bn, 0), Um(b.bn, 0);
  for (std::size_t i = 0; i < b.bn; ++i) {
    Um[i] = b.lab[i] > 0;
    P[i] = b.twoLevel ? b.region[i] : Um[i];
  }
  const MaskFit fit = FitBlurredMasks(b.bw, b.bh, b.c, b.care, blur, P, Um, b.twoLevel);
  if (!b.twoLevel) TryTwoLevels(b, st, fit.sse, fit.ok, P, Um);
  CarryUmbrae(b, P, Um);
}

// The umbrae keep their labels, carried to the fitted pixels; umbrae that
// the fit shows apart are taken apart. A part of the fitted umbra mask
// counts as an umbra of its own where it holds pixels darker than the
// umbrae's edge; a fragment without any is penumbra the model did not
// follow. Sets region to P and lab to the fitted umbrae.
void SpotFinder::Impl::CarryUmbrae(Box& b, const std::vector<std::uint8_t>& P,
                                   const std::vector<std::uint8_t>& Um) const {
  std::vector<std::uint8_t> src(b.bn, 0);
  for (std::size_t i = 0; i < b.bn; ++i) src[i] = b.lab[i] > 0;
  std::vector<int> carried(b.bn, 0);
  GridDistanceCarrying(b.bw, b.bh, src, {}, b.lab, carried);
  const std::vector<std::uint8_t>& UM = b.twoLevel ? Um : P;
  std::vector<int> flab;
  const int nf = Label(b.bw, b.bh, UM, flab, Touch::Four);
  std::vector<int> fsize(static_cast<std::size_t>(nf + 1), 0);
  std::vector<double> flow(static_cast<std::size_t>(nf + 1), kBelowAll);
  for (std::size_t i = 0; i < b.bn; ++i) {
    fsize[static_cast<std::size_t>(flab[i])]++;
    flow[static_cast<std::size_t>(flab[i])] = std::min(flow[static_cast<std::size_t>(flab[i])], static_cast<double>(b.cs[i]));
  }
  int big = 0;
  std::vector<int> renum(static_cast<std::size_t>(nf + 1), 0);
  for (int j = 1; j <= nf; ++j)
    if (fsize[static_cast<std::size_t>(j)] >= kMinFittedPartPx && flow[static_cast<std::size_t>(j)] < b.halfLevel)
      renum[static_cast<std::size_t>(j)] = ++big;
  if (b.twoLevel && big > b.nUmbrae) {
    std::vector<std::uint8_t> s2(b.bn, 0);
    std::vector<int> l2(b.bn, 0);
    for (std::size_t i = 0; i < b.bn; ++i) {
      l2[i] = renum[static_cast<std::size_t>(flab[i])];
      s2[i] = l2[i] > 0;
    }
    GridDistanceCarrying(b.bw, b.bh, s2, {}, l2, carried);
    b.nUmbrae = big;
  }
  for (std::size_t i = 0; i < b.bn; ++i) {
    b.region[i] = P[i];
    b.lab[i] = UM[i] ? carried[i] : 0;
  }
}

// Every pixel of the spot to its nearest umbra (owner); where umbrae share
// a penumbra, to the nearest umbra's centre on the sphere.
void SpotFinder::Impl::AssignPixels(Box& b) const {
  std::vector<std::uint8_t> src(b.bn, 0);
  for (std::size_t i = 0; i < b.bn; ++i) src[i] = b.lab[i] > 0;
  b.owner.assign(b.bn, 0);
  GridDistanceCarrying(b.bw, b.bh, src, b.region, b.lab, b.owner);
  if (b.nUmbrae > 1) ShareByNearestCentre(b);
}

// The penumbra of several umbrae shared out: each penumbra pixel to the
// umbra whose darkness-weighted centre is nearest on the sphere (the
// picture's offsets with the radial part stretched by 1 / mu).
void SpotFinder::Impl::ShareByNearestCentre(Box& b) const {
  const auto nl = static_cast<std::size_t>(b.nUmbrae);
  std::vector<double> cw(nl + 1, 0), cx(nl + 1, 0), cy(nl + 1, 0);
  for (std::size_t i = 0; i < b.bn; ++i)
    if (b.lab[i] > 0) {
      const double wd = std::max(kMinDarkWeight, 1.0 - b.c[i]);
      cw[static_cast<std::size_t>(b.lab[i])] += wd;
      cx[static_cast<std::size_t>(b.lab[i])] += wd * b.X(i);
      cy[static_cast<std::size_t>(b.lab[i])] += wd * b.Y(i);
    }
  double mx = 0, my = 0, mw = 0;
  for (std::size_t l = 1; l <= nl; ++l) {
    mx += cx[l];
    my += cy[l];
    mw += cw[l];
    if (cw[l] > 0) {
      cx[l] /= cw[l];
      cy[l] /= cw[l];
    }
  }
  double rx = mx / mw - cal.x0, ry = my / mw - cal.y0;
  const double rl = std::hypot(rx, ry);
  rx = rl > 0 ? rx / rl : 1;
  ry = rl > 0 ? ry / rl : 0;
  const double mu = std::max(kShareMinMu, Mu(mx / mw, my / mw));
  for (std::size_t i = 0; i < b.bn; ++i) {
    if (!b.region[i] || b.lab[i] > 0) continue;
    double best = std::numeric_limits<double>::max();
    for (std::size_t l = 1; l <= nl; ++l) {
      if (cw[l] <= 0) continue;
      const double dx = b.X(i) - cx[l], dy = b.Y(i) - cy[l];
      const double a = (dx * rx + dy * ry) / mu, c = -dx * ry + dy * rx;
      const double d = a * a + c * c;
      if (d < best) {
        best = d;
        b.owner[i] = static_cast<int>(l);
      }
    }
  }
}

// Each umbra's spot: its darkness-weighted centre, its area and its
// umbra's on the picture and on the sphere, its outlines; spots of fewer
// than kMinSpotPx pixels dropped.
std::vector<FoundSpot> SpotFinder::Impl::Measure(const Box& b, int cluster) const {
  const auto nu = static_cast<std::size_t>(b.nUmbrae);
  std::vector<double> umPx(nu + 1, 0), umMsh(nu + 1, 0), totPx(nu + 1, 0), totMsh(nu + 1, 0), sw(nu + 1, 0),
      sx(nu + 1, 0), sy(nu + 1, 0), minMu(nu + 1, 1);
  std::vector<CentroidSums> spread(nu + 1);  // for the centre's error (SpotErrors.h)
  for (std::size_t i = 0; i < b.bn; ++i) {
    if (!b.region[i] || b.owner[i] <= 0) continue;
    const auto o = static_cast<std::size_t>(b.owner[i]);
    const double wm = PixelWeightMsh(b.X(i), b.Y(i));
    minMu[o] = std::min(minMu[o], Mu(b.X(i), b.Y(i)));
    totPx[o] += 1;
    totMsh[o] += wm;
    if (b.lab[i] > 0) {
      umPx[o] += 1;
      umMsh[o] += wm;
      const double wd = std::max(0.0, 1.0 - b.c[i]);
      sw[o] += wd;
      sx[o] += wd * b.X(i);
      sy[o] += wd * b.Y(i);
      spread[o].Add(b.X(i), b.Y(i), wd);
    }
  }
  std::vector<FoundSpot> out;
  for (std::size_t o = 1; o <= nu; ++o) {
    if (sw[o] <= 0 || totPx[o] < kMinSpotPx) continue;
    FoundSpot s;
    s.cluster = cluster;
    std::vector<std::uint8_t> whole(b.bn, 0), umbra(b.bn, 0);
    for (std::size_t i = 0; i < b.bn; ++i) {
      whole[i] = b.region[i] && b.owner[i] == static_cast<int>(o);
      umbra[i] = whole[i] && b.lab[i] > 0;
    }
    s.outline = TraceOutlines(b.bw, b.bh, whole, b.x0, b.y0);
    if (b.twoLevel) s.umbraOutline = TraceOutlines(b.bw, b.bh, umbra, b.x0, b.y0);
    s.x = sx[o] / sw[o];
    s.y = sy[o] / sw[o];
    spread[o].Note(s);
    s.area_px = totPx[o];
    s.area_msh = totMsh[o];
    s.umbra_msh = umMsh[o];
    s.penumbra = b.twoLevel;
    s.uncertain = minMu[o] < kUncertainMu;
    Locate(s);
    out.push_back(s);
  }
  return out;
}

std::vector<FoundSpot> SpotFinder::Impl::Refine(const std::vector<int>& comp, const SpotSettings& st, double tLow,
                                                int cluster) const {
  Box b = CutBox(comp);
  if (LongLikeAFilament(comp, b)) return {};
  LocalQuietSun(b, tLow);
  UmbraLevel(b);
  if (ThinLikeAFilament(comp.size(), b)) return {};
  PenumbralPlateau(b, tLow);
  FindUmbrae(b);
  SplitTouchingUmbrae(b);
  if (b.nUmbrae == 0 && !WholeAsOneUmbra(b)) return {};
  CarePixels(b);
  FitModel(b, st);
  AssignPixels(b);
  return Measure(b, cluster);
}

// ---------------------------------------------------------------------------
// Drawings.

// Ink that survives an opening by 3 x 3 pixels: all nine pixels dark.
// Drawn lines (axes, grid, outlines, hatching) are thinner than that.
bool SpotFinder::Impl::Core(int x, int y) const {
  if (x < 1 || y < 1 || x >= w - 1 || y >= h - 1) return false;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (!(C[Index(x + dx, y + dy)] < kInk)) return false;
  return true;
}

std::vector<int> SpotFinder::Impl::FloodCore(int start, std::vector<std::uint8_t>& seen) const {
  std::vector<int> core;
  seen[static_cast<std::size_t>(start)] = 1;
  const auto take = [&](int q) {
    const auto k = static_cast<std::size_t>(q);
    if (seen[k] || !Core(q % w, q / w)) return false;
    seen[k] = 1;
    return true;
  };
  ::pelorin::Flood(start, w, h, take, [&](int p) {
    core.push_back(p);
    return true;
  });
  return core;
}

// The opened blob: the cores (picture indices) grown by one pixel over ink,
// the cores first, then the pixels added in the order they were met.
std::vector<int> SpotFinder::Impl::GrowOverInk(const std::vector<int>& core) const {
  std::vector<int> blob = core;
  std::vector<int> sorted = core;
  std::sort(sorted.begin(), sorted.end());
  for (int p : core)
    ForNeighbours(p, w, h, [&](int q) {
      if (C[static_cast<std::size_t>(q)] < kInk && !std::binary_search(sorted.begin(), sorted.end(), q)) {
        sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), q), q);
        blob.push_back(q);
      }
    });
  return blob;
}

// The ratio of the longer to the shorter axis (from the second moments)
// of the picture pixels `ink` (indices y w + x), with their offsets along
// the disc's radius through their centre (mx, my) stretched by `stretch`
// (1: as on the picture); very large for a single row of pixels.
double SpotFinder::Impl::Elongation(const std::vector<int>& ink, double mx, double my, double stretch) const {
  double rx = mx - cal.x0, ry = my - cal.y0;
  const double rl = std::hypot(rx, ry);
  rx = rl > 0 ? rx / rl : 1;
  ry = rl > 0 ? ry / rl : 0;
  double saa = 0, scc = 0, sac = 0;  // along the radius (stretched) and across it
  for (int p : ink) {
    const double dx = p % w - mx, dy = p / w - my;
    const double along = (dx * rx + dy * ry) * stretch, across = -dx * ry + dy * rx;
    saa += along * along;
    scc += across * across;
    sac += along * across;
  }
  const double n = static_cast<double>(ink.size());
  const double tr = (saa + scc) / n, det = (saa * scc - sac * sac) / (n * n);
  const double root = std::sqrt(std::max(0.0, tr * tr / 4 - det));
  return std::sqrt((tr / 2 + root) / std::max(tr / 2 - root, 1e-6));
}

// Ink (a core grown over its ink) longer than kCoreElongation times its
// width, the limb's foreshortening allowed for in any direction, or than
// kStretchedElongation times once the foreshortening is taken out along
// the disc's radius (offsets along it stretched by 1 / mu): where a line
// runs along an outline it touches, or two lines cross at a narrow angle,
// also near the limb, where any direction is allowed 1 / mu.
bool SpotFinder::Impl::LongLikeALine(const std::vector<int>& core) const {
  double mx = 0, my = 0;
  for (int p : core) {
    mx += p % w;
    my += p / w;
  }
  mx /= static_cast<double>(core.size());
  my /= static_cast<double>(core.size());
  const double mu = std::max(kLineMinMu, Mu(mx, my));
  return Elongation(core, mx, my, 1) > kCoreElongation / mu ||
         Elongation(core, mx, my, 1 / mu) > kStretchedElongation;
}

// Whether ink runs on from a blob of ink centred at (cx, cy), reaching
// `far` px from it: more than kMaxArmPx ink pixels in the ring kArmRingFrom
// to kArmRingTo px beyond it, in fewer than kClosedSectors of its
// kRingSectors directions (more: an outline or hatching about a dot).
bool SpotFinder::Impl::InkLeaves(double cx, double cy, double far) const {
  const double r0 = far + kArmRingFrom, r1 = far + kArmRingTo;
  const int reach = static_cast<int>(std::ceil(r1));
  std::size_t inkPx = 0;
  std::array<std::uint8_t, kRingSectors> sectors{};
  for (int y = static_cast<int>(std::floor(cy)) - reach; y <= static_cast<int>(std::ceil(cy)) + reach; ++y)
    for (int x = static_cast<int>(std::floor(cx)) - reach; x <= static_cast<int>(std::ceil(cx)) + reach; ++x) {
      if (x < 0 || y < 0 || x >= w || y >= h) continue;
      const double d = std::hypot(x - cx, y - cy);
      if (!(d > r0 && d <= r1) || !(C[Index(x, y)] < kInk)) continue;
      ++inkPx;
      const double turn = (std::atan2(y - cy, x - cx) + kPiExact) / (2 * kPiExact);
      sectors[static_cast<std::size_t>(std::min(kRingSectors - 1, static_cast<int>(turn * kRingSectors)))] = 1;
    }
  int covered = 0;
  for (std::uint8_t k : sectors) covered += k;
  return inkPx > kMaxArmPx && covered < kClosedSectors;
}

// The umbra whose ink the picture pixel p is, made from its cores when p is
// a core not met before; kNotInk when p is no umbra's ink, kNoUmbra when
// its cores are too few (where two lines cross).
int SpotFinder::Impl::UmbraAt(int p, DrawnUmbrae& u) const {
  const auto k = static_cast<std::size_t>(p);
  if (u.of[k] != kNotInk || !Core(p % w, p / w)) return u.of[k];
  const std::vector<int> core = FloodCore(p, u.seen);
  const std::vector<int> blob = GrowOverInk(core);
  double sw = 0, sx = 0, sy = 0;
  CentroidSums spread;
  for (int q : blob) {
    const double wd = std::max(0.0, 1.0 - C[static_cast<std::size_t>(q)]);
    sw += wd;
    sx += wd * (q % w);
    sy += wd * (q / w);
    spread.Add(q % w, q / w, wd);
  }
  double far2 = 0;  // the farthest ink from the centre, squared
  for (int q : blob)
    if (sw > 0) far2 = std::max(far2, (q % w - sx / sw) * (q % w - sx / sw) + (q / w - sy / sw) * (q / w - sy / sw));
  const bool enough = core.size() >= kMinDrawnPx || (sw > 0 && !InkLeaves(sx / sw, sy / sw, std::sqrt(far2)));
  const bool umbra = enough && sw > 0 && !LongLikeALine(blob);
  const int id = umbra ? static_cast<int>(u.list.size()) : kNoUmbra;
  for (int q : blob)
    if (u.of[static_cast<std::size_t>(q)] == kNotInk) u.of[static_cast<std::size_t>(q)] = id;
  if (!umbra) return kNoUmbra;
  DrawnUmbra d;
  d.x = sx / sw;
  d.y = sy / sw;
  d.reach = kReachUmbraRadii * (std::sqrt(far2) + 0.5) + kReachPx;
  d.far = std::sqrt(far2);
  d.blob = blob;
  d.spread = spread;
  u.list.push_back(std::move(d));
  return id;
}

// The box over the members' reaches (and a pixel about them for the edge's
// cover), with the pixels inside the mask and those within a reach.
SpotFinder::Impl::DrawnBox SpotFinder::Impl::CutDrawnBox(const std::vector<int>& members, const DrawnUmbrae& u) const {
  DrawnBox b;
  b.members = members;
  double xa = w, ya = h, xb = 0, yb = 0;
  for (int m : members) {
    const DrawnUmbra& d = u.list[static_cast<std::size_t>(m)];
    xa = std::min(xa, d.x - d.reach);
    ya = std::min(ya, d.y - d.reach);
    xb = std::max(xb, d.x + d.reach);
    yb = std::max(yb, d.y + d.reach);
  }
  b.x0 = std::max(0, static_cast<int>(std::floor(xa)) - 1);
  b.y0 = std::max(0, static_cast<int>(std::floor(ya)) - 1);
  b.bw = std::min(w - 1, static_cast<int>(std::ceil(xb)) + 1) - b.x0 + 1;
  b.bh = std::min(h - 1, static_cast<int>(std::ceil(yb)) + 1) - b.y0 + 1;
  const auto n = static_cast<std::size_t>(b.bw) * static_cast<std::size_t>(b.bh);
  b.disc.assign(n, 0);
  b.reach.assign(n, 0);
  const double mr2 = maskRadius * maskRadius;
  for (std::size_t i = 0; i < n; ++i) {
    const double x = b.X(i), y = b.Y(i);
    b.disc[i] = (x - cal.x0) * (x - cal.x0) + (y - cal.y0) * (y - cal.y0) < mr2;
    for (int m : members) {
      const DrawnUmbra& d = u.list[static_cast<std::size_t>(m)];
      if (b.disc[i] && (x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) <= d.reach * d.reach) b.reach[i] = 1;
    }
  }
  return b;
}

// The pen's marks (pixels darker than kMarked within the reach) joined to
// the members' ink, 8-connected, into `whole`.
void SpotFinder::Impl::MarksJoined(DrawnBox& b, const DrawnUmbrae& u) const {
  b.whole.assign(b.disc.size(), 0);
  const auto take = [&](int q) {
    const auto k = static_cast<std::size_t>(q);
    if (b.whole[k] || !b.reach[k] || !(C[Index(b.X(k), b.Y(k))] < kMarked)) return false;
    b.whole[k] = 1;
    return true;
  };
  for (int m : b.members)
    for (int p : u.list[static_cast<std::size_t>(m)].blob) {
      const auto q = static_cast<std::size_t>((p / w - b.y0) * b.bw + (p % w - b.x0));
      if (b.whole[q]) continue;
      b.whole[q] = 1;
      ::pelorin::Flood(static_cast<int>(q), b.bw, b.bh, take, [](int) { return true; });
    }
}

// The umbrae whose ink lies in `whole` or within the reach that are not
// members (each once), made from their cores where not met before: they
// are measured in one box, so that an outline about two umbrae, reaching
// beyond the reach of either, is whole.
std::vector<int> SpotFinder::Impl::UmbraeWithin(const DrawnBox& b, DrawnUmbrae& u) const {
  std::vector<int> met;
  for (std::size_t i = 0; i < b.whole.size(); ++i) {
    if (!b.whole[i] && !(b.reach[i] && C[Index(b.X(i), b.Y(i))] < kInk)) continue;
    const int id = UmbraAt(b.Y(i) * w + b.X(i), u);
    if (id >= 0 && std::find(b.members.begin(), b.members.end(), id) == b.members.end() &&
        std::find(met.begin(), met.end(), id) == met.end())
      met.push_back(id);
  }
  return met;
}

// The paper open to the outside: unmarked pixels that a 4-connected path
// through unmarked paper leads to from beyond the reach, the mask's circle
// counting as a wall (a spot on the drawn limb); `marked` the pen's marks
// within the reach.
void SpotFinder::Impl::OpenPaper(DrawnBox& b) const {
  b.open.assign(b.whole.size(), 0);
  b.marked.assign(b.whole.size(), 0);
  for (std::size_t i = 0; i < b.open.size(); ++i) b.marked[i] = b.reach[i] && C[Index(b.X(i), b.Y(i))] < kMarked;
  std::vector<int> stack;
  for (std::size_t i = 0; i < b.open.size(); ++i) {
    const int x = static_cast<int>(i) % b.bw, y = static_cast<int>(i) / b.bw;
    const bool edge = x == 0 || y == 0 || x == b.bw - 1 || y == b.bh - 1;
    if (b.disc[i] && !b.marked[i] && (!b.reach[i] || edge)) {
      b.open[i] = 1;
      stack.push_back(static_cast<int>(i));
    }
  }
  while (!stack.empty()) {
    const int p = stack.back();
    stack.pop_back();
    ForNeighbours(
        p, b.bw, b.bh,
        [&](int q) {
          const auto k = static_cast<std::size_t>(q);
          if (b.open[k] || !b.disc[k] || b.marked[k]) return;
          b.open[k] = 1;
          stack.push_back(q);
        },
        Touch::Four);
  }
}

// The umbrae that something encloses all round: open paper on no more than
// kOpenRing of the pixels kRingPx from their ink (lines crossing at a pore
// cover only some of them); on an outline (`onOutline`) with open paper on
// no more than kOutlineRing of them. `inkOf` marks each member's ink with
// the member's index (-1 elsewhere).
void SpotFinder::Impl::EncloseUmbrae(DrawnBox& b, const DrawnUmbrae& u) const {
  b.enclosed.assign(b.members.size(), 0);
  b.onOutline.assign(b.members.size(), 0);
  b.inkOf.assign(b.whole.size(), -1);
  for (std::size_t mk = 0; mk < b.members.size(); ++mk) {
    std::vector<std::uint8_t> own(b.whole.size(), 0);
    for (int p : u.list[static_cast<std::size_t>(b.members[mk])].blob)
      own[static_cast<std::size_t>((p / w - b.y0) * b.bw + (p % w - b.x0))] = 1;
    const std::vector<int> from = GridDistance(b.bw, b.bh, own, {});
    const int ringPx =
        std::clamp(static_cast<int>(std::floor(u.list[static_cast<std::size_t>(b.members[mk])].far)), kMinRingPx, kRingPx);
    double ring = 0, open = 0;
    for (std::size_t k = 0; k < own.size(); ++k)
      if (from[k] == ringPx && b.disc[k]) {
        ring += 1;
        open += b.open[k];
      }
    b.enclosed[mk] = ring > 0 && open <= kOpenRing * ring;
    b.onOutline[mk] = ring > 0 && open <= kOutlineRing * ring;
    for (std::size_t k = 0; k < own.size(); ++k)
      if (own[k]) b.inkOf[k] = static_cast<int>(mk);
  }
}

// For each part (label 1 .. parts of `lab`, 4-connected) of the enclosed
// paper `hole`: 1 when it lies inside an outline drawn about umbrae, that
// is when it touches the ink of enclosed members and lies wholly within
// their reach; 0 when it touches none, or when it reaches beyond the
// umbrae it touches (paper closed in by lines, the grid and other spots'
// outlines about a pore, wider than any penumbra drawn about it).
std::vector<std::uint8_t> SpotFinder::Impl::InsideOutlines(const DrawnBox& b, const DrawnUmbrae& u,
                                                           const std::vector<std::uint8_t>& hole,
                                                           const std::vector<int>& lab, int parts) const {
  const auto np = static_cast<std::size_t>(parts) + 1;
  std::vector<std::vector<int>> touched(np);  // the enclosed members each part touches
  for (std::size_t i = 0; i < hole.size(); ++i) {
    if (!hole[i]) continue;
    auto& t = touched[static_cast<std::size_t>(lab[i])];
    ForNeighbours(static_cast<int>(i), b.bw, b.bh, [&](int q) {
      const int m = b.inkOf[static_cast<std::size_t>(q)];
      if (m >= 0 && b.enclosed[static_cast<std::size_t>(m)] && std::find(t.begin(), t.end(), m) == t.end())
        t.push_back(m);
    });
  }
  std::vector<std::uint8_t> inside(np, 0);
  for (std::size_t l = 1; l < np; ++l) inside[l] = !touched[l].empty();
  for (std::size_t i = 0; i < hole.size(); ++i) {
    const auto l = static_cast<std::size_t>(lab[i]);
    if (!hole[i] || !inside[l]) continue;
    bool within = false;
    for (int m : touched[l]) {
      const DrawnUmbra& d = u.list[static_cast<std::size_t>(b.members[static_cast<std::size_t>(m)])];
      const double dx = b.X(i) - d.x, dy = b.Y(i) - d.y;
      within = within || dx * dx + dy * dy <= d.reach * d.reach;
    }
    inside[l] = within;
  }
  return inside;
}

// What the marks enclose joined to `whole`: the paper inside an outline
// about enclosed umbrae (InsideOutlines) or, about an enclosed umbra,
// narrow and touching the marks joined to it (between hatching), and the
// marks about that paper; the paper between an outline and a box or line
// drawn about it, or between lines by a pore, is left.
void SpotFinder::Impl::FillEnclosed(DrawnBox& b, const DrawnUmbrae& u) const {
  const std::size_t n = b.whole.size();
  std::vector<std::uint8_t> hole(n, 0), rest(n, 0);
  for (std::size_t i = 0; i < n; ++i) {
    hole[i] = b.reach[i] && !b.open[i] && !b.marked[i];
    rest[i] = !hole[i];
  }
  const bool anyEnclosed = std::find(b.enclosed.begin(), b.enclosed.end(), 1) != b.enclosed.end();
  std::vector<int> lab;
  const int parts = Label(b.bw, b.bh, hole, lab, Touch::Four);
  const std::vector<int> depth = GridDistance(b.bw, b.bh, rest, {});
  const std::vector<std::uint8_t> fill = InsideOutlines(b, u, hole, lab, parts);
  std::vector<std::uint8_t> joined(fill.size(), 0);
  std::vector<int> deepest(fill.size(), 0);
  for (std::size_t i = 0; i < n; ++i) {
    if (!hole[i]) continue;
    const auto l = static_cast<std::size_t>(lab[i]);
    deepest[l] = std::max(deepest[l], depth[i]);
    ForNeighbours(static_cast<int>(i), b.bw, b.bh, [&](int q) {
      if (b.whole[static_cast<std::size_t>(q)]) joined[l] = 1;
    });
  }
  for (std::size_t i = 0; i < n; ++i) {
    const auto l = static_cast<std::size_t>(lab[i]);
    hole[i] = hole[i] && (fill[l] || (anyEnclosed && joined[l] && deepest[l] <= kNarrowHole));
  }
  // With the paper filled, the marks about it (an outline round white
  // paper) and those joined to the ink.
  std::vector<int> mlab;
  const int marks = Label(b.bw, b.bh, b.marked, mlab);
  std::vector<std::uint8_t> keep(static_cast<std::size_t>(marks) + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    if (!b.marked[i]) continue;
    const auto l = static_cast<std::size_t>(mlab[i]);
    if (b.whole[i]) keep[l] = 1;
    ForNeighbours(static_cast<int>(i), b.bw, b.bh, [&](int q) {
      if (hole[static_cast<std::size_t>(q)]) keep[l] = 1;
    });
  }
  for (std::size_t i = 0; i < n; ++i)
    if (hole[i] || (b.marked[i] && keep[static_cast<std::size_t>(mlab[i])])) b.whole[i] = 1;
}

// The lines that cross or touch a spot (axes, grid, a box, a passing line)
// opened away, the members' ink kept, and only the parts that hold a
// member's ink kept.
void SpotFinder::Impl::OpenLinesAway(DrawnBox& b, const DrawnUmbrae& u) const {
  std::vector<std::uint8_t> open = OpenByDisc(b.bw, b.bh, b.whole, kLineOpening);
  std::vector<std::uint8_t> ink(open.size(), 0);
  for (int m : b.members)
    for (int p : u.list[static_cast<std::size_t>(m)].blob) {
      const auto q = static_cast<std::size_t>((p / w - b.y0) * b.bw + (p % w - b.x0));
      open[q] = ink[q] = 1;
    }
  std::vector<int> lab;
  const int parts = Label(b.bw, b.bh, open, lab);
  std::vector<std::uint8_t> keep(static_cast<std::size_t>(parts) + 1, 0);
  for (std::size_t i = 0; i < ink.size(); ++i)
    if (ink[i]) keep[static_cast<std::size_t>(lab[i])] = 1;
  for (std::size_t i = 0; i < open.size(); ++i) b.whole[i] = open[i] && keep[static_cast<std::size_t>(lab[i])];
}

// The members not enclosed all round but on an outline (onOutline) that
// the opening leaves joined to a penumbra, their centre within the reach
// of its umbra and their ink less than the umbra's (`marksMeet`): ink
// where a spot's marks meet (a line along or across its outline, hatching
// along it), no pore. Their ink is taken out of `ink` (box pixels), to be
// shared out with the penumbra.
void SpotFinder::Impl::MarksMeeting(DrawnBox& b, const DrawnUmbrae& u, std::vector<std::uint8_t>& ink) const {
  const std::size_t nm = b.members.size();
  b.marksMeet.assign(nm, 0);
  for (std::size_t k = 0; k < nm; ++k) {
    const DrawnUmbra& m = u.list[static_cast<std::size_t>(b.members[k])];
    for (std::size_t j = 0; j < nm && !b.enclosed[k] && b.onOutline[k]; ++j) {
      const DrawnUmbra& d = u.list[static_cast<std::size_t>(b.members[j])];
      if (b.penumbra[j] && b.part[j] == b.part[k] && m.blob.size() < d.blob.size() &&
          std::hypot(m.x - d.x, m.y - d.y) <= d.reach)
        b.marksMeet[k] = 1;
    }
    if (!b.marksMeet[k]) continue;
    for (int p : m.blob) {
      const auto q = static_cast<std::size_t>((p / w - b.y0) * b.bw + (p % w - b.x0));
      if (b.owner[q] == static_cast<int>(k)) ink[q] = 0;
    }
  }
}

// Each part's penumbra (what it holds beyond its umbrae's ink, when that is
// enough to be one) shared out: the ink to its umbra, the rest to the
// umbra of the part enclosed all round whose centre is nearest on the
// sphere (the picture's offsets with the radial part stretched by 1 / mu),
// as on photographs. An umbra not enclosed is a pore even where what is
// left of a line joins it to a spot (its ink alone), unless it lies on an
// outline (onOutline): then it is ink where the spot's marks meet
// (MarksMeeting), shared out with the penumbra, or an umbra whose
// penumbra is drawn narrow on one side, sharing it. A part with no
// penumbra is its pores' ink alone.
void SpotFinder::Impl::ShareDrawn(DrawnBox& b, const DrawnUmbrae& u) const {
  const std::size_t nm = b.members.size();
  b.owner.assign(b.whole.size(), -1);
  std::vector<std::uint8_t> ink(b.whole.size(), 0);
  std::vector<int> lab;
  Label(b.bw, b.bh, b.whole, lab);
  b.part.assign(nm, 0);
  std::map<int, std::pair<double, double>> partPx;  // part -> px beyond the ink, ink px
  for (std::size_t k = 0; k < nm; ++k)
    for (int p : u.list[static_cast<std::size_t>(b.members[k])].blob) {
      const auto q = static_cast<std::size_t>((p / w - b.y0) * b.bw + (p % w - b.x0));
      b.part[k] = lab[q];
      if (b.owner[q] >= 0) continue;
      b.owner[q] = static_cast<int>(k);
      ink[q] = 1;
      partPx[lab[q]].second += 1;
    }
  for (std::size_t i = 0; i < b.whole.size(); ++i)
    if (b.whole[i] && !ink[i]) partPx[lab[i]].first += 1;
  b.penumbra.assign(nm, 0);
  for (std::size_t k = 0; k < nm; ++k) {
    const auto& [beyond, inkPx] = partPx[b.part[k]];
    b.penumbra[k] = b.enclosed[k] && beyond >= std::max(kMinPenumbraPx, kMinPenumbraShare * inkPx);
  }
  MarksMeeting(b, u, ink);
  std::vector<std::uint8_t> drawnPart(static_cast<std::size_t>(*std::max_element(b.part.begin(), b.part.end())) + 1, 0);
  for (std::size_t k = 0; k < nm; ++k) drawnPart[static_cast<std::size_t>(b.part[k])] |= b.penumbra[k];
  for (std::size_t k = 0; k < nm; ++k)
    b.penumbra[k] = b.penumbra[k] || (b.onOutline[k] && !b.marksMeet[k] && drawnPart[static_cast<std::size_t>(b.part[k])]);
  for (std::size_t i = 0; i < b.whole.size(); ++i) {
    if (!b.whole[i] || ink[i]) continue;
    double best = std::numeric_limits<double>::max();
    for (std::size_t k = 0; k < nm; ++k) {
      if (b.part[k] != lab[i] || !b.penumbra[k]) continue;
      const DrawnUmbra& d = u.list[static_cast<std::size_t>(b.members[k])];
      const double mu = std::max(kShareMinMu, Mu(d.x, d.y));
      double rx = d.x - cal.x0, ry = d.y - cal.y0;
      const double rl = std::hypot(rx, ry);
      rx = rl > 0 ? rx / rl : 1;
      ry = rl > 0 ? ry / rl : 0;
      const double dx = b.X(i) - d.x, dy = b.Y(i) - d.y;
      const double along = (dx * rx + dy * ry) / mu, across = -dx * ry + dy * rx;
      const double dd = along * along + across * across;
      if (dd < best) {
        best = dd;
        b.owner[i] = static_cast<int>(k);
      }
    }
    if (b.owner[i] < 0) b.whole[i] = 0;  // beside pores only: no penumbra
  }
}

// The share of each pixel the drawing covers: 1 inside, and at the spot's
// outer edge (in its last pixels and the paper just beyond them) the
// pixel's darkness over that of the darkest mark within 2 px, so that the
// scan's blur does not widen the spot. Pixels beyond the edge take the
// owner of a neighbour inside.
void SpotFinder::Impl::CoverEdges(DrawnBox& b) const {
  b.cover.assign(b.whole.size(), 0.0f);
  const auto cOf = [&](std::size_t i) { return C[Index(b.X(i), b.Y(i))]; };
  const auto darkest = [&](std::size_t i) {
    float m = 1;
    const int x = static_cast<int>(i) % b.bw, y = static_cast<int>(i) / b.bw;
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx) {
        const int xx = x + dx, yy = y + dy;
        if (xx < 0 || yy < 0 || xx >= b.bw || yy >= b.bh) continue;
        const auto k = static_cast<std::size_t>(yy * b.bw + xx);
        if (b.whole[k]) m = std::min(m, cOf(k));
      }
    return m;
  };
  for (std::size_t i = 0; i < b.whole.size(); ++i) {
    int inside = 0, neighbour = -1;
    ForNeighbours(
        static_cast<int>(i), b.bw, b.bh,
        [&](int q) {
          if (b.whole[static_cast<std::size_t>(q)]) {
            ++inside;
            neighbour = q;
          }
        },
        Touch::Four);
    const int x = static_cast<int>(i) % b.bw, y = static_cast<int>(i) / b.bw;
    const bool edgeOfBox = x == 0 || y == 0 || x == b.bw - 1 || y == b.bh - 1;
    if (b.whole[i] && inside == 4 && !edgeOfBox) {
      b.cover[i] = 1;
      continue;
    }
    if (!b.whole[i] && (inside == 0 || !b.disc[i])) continue;
    if (!b.whole[i]) b.owner[i] = b.owner[static_cast<std::size_t>(neighbour)];
    if (b.owner[i] < 0 || !b.penumbra[static_cast<std::size_t>(b.owner[i])]) continue;
    const float m = darkest(i);
    b.cover[i] = m < 1 ? std::clamp((1.0f - cOf(i)) / (1.0f - m), 0.0f, 1.0f) : 0.0f;
  }
}

// Each member's spot: the ink's darkness-weighted centre; the whole's area
// (its cover) with a penumbra, the ink's without; the umbra's; outlines.
// Members sharing a part share a cluster number, taken from `cluster`.
std::vector<FoundSpot> SpotFinder::Impl::MeasureDrawn(const DrawnBox& b, const DrawnUmbrae& u, int& cluster) const {
  std::map<int, int> clusterOf;
  std::vector<FoundSpot> out;
  for (std::size_t k = 0; k < b.members.size(); ++k) {
    const DrawnUmbra& d = u.list[static_cast<std::size_t>(b.members[k])];
    FoundSpot s;
    if (!clusterOf.count(b.part[k])) clusterOf[b.part[k]] = cluster++;
    s.cluster = clusterOf[b.part[k]];
    s.x = d.x;
    s.y = d.y;
    d.spread.Note(s);
    s.penumbra = b.penumbra[k];
    std::vector<std::uint8_t> mine(b.whole.size(), 0), inkMask(b.whole.size(), 0);
    double inkPx = 0, inkMsh = 0, px = 0, msh = 0, minMu = 1;
    for (int p : d.blob) {
      const auto q = static_cast<std::size_t>((p / w - b.y0) * b.bw + (p % w - b.x0));
      if (b.owner[q] != static_cast<int>(k)) continue;
      inkMask[q] = 1;
      inkPx += 1;
      inkMsh += PixelWeightMsh(p % w, p / w);
      minMu = std::min(minMu, Mu(p % w, p / w));
    }
    for (std::size_t i = 0; i < b.whole.size() && s.penumbra; ++i) {
      if (b.owner[i] != static_cast<int>(k) || b.cover[i] <= 0) continue;
      mine[i] = b.whole[i];
      px += b.cover[i];
      msh += b.cover[i] * PixelWeightMsh(b.X(i), b.Y(i));
      minMu = std::min(minMu, Mu(b.X(i), b.Y(i)));
    }
    s.umbra_msh = inkMsh;
    s.area_px = s.penumbra ? px : inkPx;
    s.area_msh = s.penumbra ? msh : inkMsh;
    s.uncertain = minMu < kUncertainMu;
    s.outline = TraceOutlines(b.bw, b.bh, s.penumbra ? mine : inkMask, b.x0, b.y0);
    if (s.penumbra) s.umbraOutline = TraceOutlines(b.bw, b.bh, inkMask, b.x0, b.y0);
    Locate(s);
    out.push_back(std::move(s));
  }
  return out;
}

// The spots of the umbra `first` and of every umbra its marks meet (a
// shared penumbra, touching penumbrae), measured in one box; umbrae measured
// before (`done`) are left out of what is returned.
std::vector<FoundSpot> SpotFinder::Impl::DrawnCluster(int first, DrawnUmbrae& u, std::vector<std::uint8_t>& done,
                                                      int& cluster) const {
  std::vector<int> members{first};
  DrawnBox b;
  for (;;) {
    b = CutDrawnBox(members, u);
    MarksJoined(b, u);
    OpenPaper(b);
    EncloseUmbrae(b, u);
    FillEnclosed(b, u);
    const std::vector<int> met = UmbraeWithin(b, u);
    if (met.empty() || members.size() >= kMaxDrawnCluster) break;
    members.insert(members.end(), met.begin(), met.end());
  }
  OpenLinesAway(b, u);
  ShareDrawn(b, u);
  CoverEdges(b);
  std::vector<FoundSpot> all = MeasureDrawn(b, u, cluster), out;
  done.resize(u.list.size(), 0);
  for (std::size_t k = 0; k < members.size(); ++k) {
    auto& d = done[static_cast<std::size_t>(members[k])];
    if (!d && !b.marksMeet[k] && all[k].area_px >= kMinSpotPx) out.push_back(all[k]);
    d = 1;
  }
  return out;
}

// Every umbra and pore on the disc (ink cores that survive the opening),
// each measured with the penumbra drawn about it, then grouped.
void SpotFinder::Impl::FindDrawn(SpotReport& rep) const {
  DrawnUmbrae u;
  u.of.assign(C.size(), kNotInk);
  u.seen.assign(C.size(), 0);
  for (int y = yMin; y <= yMax; ++y)
    for (int x = xMin; x <= xMax; ++x)
      if (u.of[Index(x, y)] == kNotInk && Core(x, y)) UmbraAt(y * w + x, u);
  std::vector<std::uint8_t> done;
  int cluster = 0;
  for (std::size_t i = 0; i < u.list.size(); ++i) {
    if (i < done.size() && done[i]) continue;
    for (FoundSpot& f : DrawnCluster(static_cast<int>(i), u, done, cluster)) rep.spots.push_back(std::move(f));
  }
  GroupSpots(rep.spots, rep.groups);
}

// ---------------------------------------------------------------------------
// The finder.

SpotFinder::SpotFinder() : impl_(std::make_unique<Impl>()) {}
SpotFinder::~SpotFinder() = default;

bool SpotFinder::Prepare(const GreyPicture& picture, const DiscCalibration& cal, std::string& error, int threads) {
  auto im = std::make_unique<Impl>();
  im->threads = std::clamp(threads, 1, 8);
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.value.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
    error = "the picture holds no pixels";
    return false;
  }
  if (!std::isfinite(cal.rk) || cal.rk < 20 || !std::isfinite(cal.x0) || !std::isfinite(cal.y0)) {
    error = "the calibration gives no disc of 20 pixels' radius or more";
    return false;
  }
  if (!std::isfinite(cal.rho0) || cal.rho0 <= kSolarRadiusAU || !std::isfinite(cal.P) || !std::isfinite(cal.B0) ||
      !std::isfinite(cal.L0) || !std::isfinite(cal.orientation)) {
    error = "the calibration's P, B0, L0, rho0 or orientation is not a number";
    return false;
  }
  im->w = picture.width;
  im->h = picture.height;
  im->cal = cal;
  im->yMin = std::max(0, static_cast<int>(std::floor(cal.y0 - cal.rk)));
  im->yMax = std::min(im->h - 1, static_cast<int>(std::ceil(cal.y0 + cal.rk)));
  im->xMin = std::max(0, static_cast<int>(std::floor(cal.x0 - cal.rk)));
  im->xMax = std::min(im->w - 1, static_cast<int>(std::ceil(cal.x0 + cal.rk)));
  if (im->yMin > im->yMax || im->xMin > im->xMax) {
    error = "the disc lies off the picture";
    return false;
  }
  im->pic = &picture;
  if (!im->FitQuietSun(error)) return false;
  im->tiles.assign(1, 1.0);
  im->tnx = im->tny = 1;
  im->tile = std::max(im->w, im->h);
  im->FitTiles();
  im->drawing = im->LooksDrawn();
  if (im->drawing) im->blur = kDrawingBlur;
  else im->MeasureBlur();
  im->sigmaEff = std::sqrt(im->blur * im->blur + kBoxMeanVariance);
  im->MakeContrast();
  im->MeasureNoise();
  im->pic = nullptr;
  impl_ = std::move(im);
  return true;
}

double SpotFinder::Contrast(int x, int y) const {
  const Impl& m = *impl_;
  if (x < 0 || y < 0 || x >= m.w || y >= m.h || m.C.empty()) return 1;
  return m.C[m.Index(x, y)];
}

namespace {

// A spot reaches as far as the contrast stays below this: the threshold
// set, but never tighter than kReachFloor (a stricter setting asks for
// darker spots, not for smaller ones cut into pieces), and never within
// kReachNoise times the quiet Sun's scatter of 1.
double LowThreshold(double t, double noiseS) {
  return std::min(std::max(std::clamp(t, kThresholdMin, kThresholdMax), kReachFloor), 1 - kReachNoise * noiseS);
}

}  // namespace

SpotReport SpotFinder::Find(const SpotSettings& st) const {
  SpotReport rep;
  const Impl& m = *impl_;
  if (m.C.empty()) return rep;
  const double tLow = LowThreshold(st.contrastThreshold, m.noiseS);
  const double tSeed = std::min({tLow - kSeedBelowReach,
                                 std::clamp(st.contrastThreshold, kThresholdMin, kThresholdMax) - kSeedBelowSetting,
                                 1 - kSeedNoise * m.noiseS});
  rep.blur_px = m.blur;
  rep.noise = m.noise;
  rep.noiseSmoothed = m.noiseS;
  rep.threshold = tLow;
  rep.drawing = m.drawing;
  const int threads = std::clamp(st.threads, 1, 8);
  if (m.drawing) {
    m.FindDrawn(rep);
    return rep;
  }
  const std::vector<std::vector<int>> comps = m.Regions(m.Seeds(tSeed, threads), tLow, rep.notes);
  std::vector<std::vector<FoundSpot>> found(comps.size());
  ParallelFor(0, static_cast<int>(comps.size()), threads, 1, [&](int a, int b) {
    for (int i = a; i < b; ++i)
      found[static_cast<std::size_t>(i)] = m.Refine(comps[static_cast<std::size_t>(i)], st, tLow, i);
  });
  for (auto& f : found) rep.spots.insert(rep.spots.end(), f.begin(), f.end());
  GroupSpots(rep.spots, rep.groups);
  return rep;
}

std::vector<FoundSpot> SpotFinder::GrowAt(double x, double y, const SpotSettings& st) const {
  const Impl& m = *impl_;
  if (m.C.empty() || !std::isfinite(x) || !std::isfinite(y)) return {};
  const double tLow = LowThreshold(st.contrastThreshold, m.noiseS);
  const int cx = static_cast<int>(std::lround(x)), cy = static_cast<int>(std::lround(y));
  if (m.drawing) {
    // The drawn blob nearest the click, within kClickReach px.
    int start = -1;
    for (int r = 0; r <= kClickReach && start < 0; ++r)
      for (int dy = -r; dy <= r && start < 0; ++dy)
        for (int dx = -r; dx <= r && start < 0; ++dx)
          if (m.Core(cx + dx, cy + dy)) start = (cy + dy) * m.w + (cx + dx);
    if (start < 0) return {};
    Impl::DrawnUmbrae u;
    u.of.assign(m.C.size(), Impl::kNotInk);
    u.seen.assign(m.C.size(), 0);
    const int umbra = m.UmbraAt(start, u);
    if (umbra < 0) return {};
    std::vector<std::uint8_t> done;
    int cluster = 0;
    return m.DrawnCluster(umbra, u, done, cluster);
  }
  int best = -1;
  float bv = static_cast<float>(tLow);
  for (int dy = -kClickReach; dy <= kClickReach; ++dy)
    for (int dx = -kClickReach; dx <= kClickReach; ++dx) {
      const int xx = cx + dx, yy = cy + dy;
      if (xx < 0 || yy < 0 || xx >= m.w || yy >= m.h || dx * dx + dy * dy > kClickReach * kClickReach) continue;
      if (m.Cs[m.Index(xx, yy)] < bv) {
        bv = m.Cs[m.Index(xx, yy)];
        best = yy * m.w + xx;
      }
    }
  if (best < 0) return {};
  std::vector<std::uint8_t> seen(m.C.size(), 0);
  bool cut = false;
  const std::vector<int> comp = m.Flood(best, tLow, seen, cut);
  if (comp.size() < 2) return {};
  return m.Refine(comp, st, tLow, 0);
}

bool FindSpots(const GreyPicture& picture, const DiscCalibration& calibration, const SpotSettings& settings,
               SpotReport& out, std::string& error) {
  SpotFinder f;
  if (!f.Prepare(picture, calibration, error, settings.threads)) return false;
  out = f.Find(settings);
  return true;
}

}  // namespace pelorin
