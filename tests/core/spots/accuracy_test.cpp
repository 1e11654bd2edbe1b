// The spot finder against the generator's white-light pictures, whose spots
// are modelled on the sphere: detection, false spots, positions, areas,
// groups and R, over several seeds and kinds of picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "SpotCalibrationOf.h"
#include "SpotPictures.h"
#include "spots/Spots.h"

namespace pelorin {
namespace {

using test::CalibrationOf;

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t i = std::min(v.size() - 1, static_cast<std::size_t>(std::ceil(p * static_cast<double>(v.size())) - 1));
  return v[i];
}

double LDiff(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return d;
}

// What one picture gives, for the table's figures.
struct Tally {
  int eligible = 0, found = 0;  // spots >= 3 px across with mu >= 0.3
  std::vector<int> falsePerPicture;
  std::vector<double> posErr;   // max(|dB|, |dL|), mu >= 0.5
  std::vector<double> areaErr;  // |relative|, spots >= 50 px
  int groupPictures = 0, groupsExact = 0;
  std::vector<double> wolfErr;
  int classes = 0, classesRight = 0;
};

void Measure(const gen::WlRendered& r, const SpotReport& rep, Tally& tally, const std::string& what, double blur_px) {
  const auto& truth = r.truth.spots;
  std::vector<int> matchOf(truth.size(), -1);
  std::vector<bool> used(rep.spots.size(), false);
  // Nearest found spot to each true one, within its radius or 3 px.
  for (std::size_t i = 0; i < truth.size(); ++i) {
    const double reach = std::max(3.0, 0.6 * std::sqrt(truth[i].area_px / 3.14159));
    double best = reach;
    for (std::size_t j = 0; j < rep.spots.size(); ++j) {
      const double d = std::hypot(rep.spots[j].x - truth[i].x_px, rep.spots[j].y - truth[i].y_px);
      if (d < best && !used[j]) {
        best = d;
        matchOf[i] = static_cast<int>(j);
      }
    }
    if (matchOf[i] >= 0) used[static_cast<std::size_t>(matchOf[i])] = true;
  }
  int falseSpots = 0;
  for (std::size_t j = 0; j < rep.spots.size(); ++j)
    if (!used[j]) {
      ++falseSpots;
      std::printf("  %s: false spot at %.1f %.1f area %.1f px mu %.2f\n", what.c_str(), rep.spots[j].x, rep.spots[j].y,
                  rep.spots[j].area_px, rep.spots[j].mu);
    }
  tally.falsePerPicture.push_back(falseSpots);
  for (std::size_t i = 0; i < truth.size(); ++i) {
    const auto& t = truth[i];
    const double across = 2 * std::sqrt(t.area_px / 3.14159265);
    if (across >= 3 && t.mu >= 0.3) {
      ++tally.eligible;
      if (matchOf[i] >= 0) ++tally.found;
      else std::printf("  %s: missed %s/%d at %.1f %.1f, %.1f px across, mu %.2f\n", what.c_str(), t.group.c_str(),
                       t.index, t.x_px, t.y_px, across, t.mu);
    }
    if (matchOf[i] < 0) continue;
    const FoundSpot& f = rep.spots[static_cast<std::size_t>(matchOf[i])];
    // Two umbrae closer than three times the seeing's sigma are one dark
    // patch on the picture: one of them is counted missed, and the place of
    // the patch is no measure of either.
    bool resolved = true;
    for (const auto& o : truth)
      if (&o != &t && std::hypot(o.x_px - t.x_px, o.y_px - t.y_px) < 3 * blur_px) resolved = false;
    if (t.mu >= 0.5 && resolved) tally.posErr.push_back(std::max(std::fabs(f.B - t.B_deg), std::fabs(LDiff(f.L, t.L_deg))));
    if (t.area_px >= 50 && t.mu >= 0.3) {
      const double e = std::fabs(f.area_msh / t.area_msh - 1);
      tally.areaErr.push_back(e);
      if (e > 0.12)
        std::printf("  %s: area of %s/%d %.1f MSH against %.1f (%.0f px, mu %.2f, shared %d, penumbra %d)\n",
                    what.c_str(), t.group.c_str(), t.index, f.area_msh, t.area_msh, t.area_px, t.mu, t.shared,
                    f.penumbra);
    }
  }
  if (!r.truth.groups.empty()) {
    ++tally.groupPictures;
    const SpotCounts c = CountSpots(rep.groups);
    const int trueGroups = static_cast<int>(r.truth.groups.size());
    const int trueSpots = static_cast<int>(truth.size());
    if (c.groups == trueGroups) ++tally.groupsExact;
    else std::printf("  %s: %d groups found, %d true\n", what.c_str(), c.groups, trueGroups);
    const double R = 10.0 * trueGroups + trueSpots;
    tally.wolfErr.push_back(std::fabs(c.wolf / R - 1));
    // Classes of the groups found where they match a true group's centre.
    for (const auto& g : r.truth.groups) {
      for (const SpotGroup& fg : rep.groups)
        if (std::fabs(fg.B - g.B_deg) < 2 && std::fabs(fg.CMD - g.CMD_deg) < 3) {
          ++tally.classes;
          if (fg.mcIntosh.substr(0, 1) == g.mcIntosh.substr(0, 1)) ++tally.classesRight;
          else std::printf("  %s: class %s for %s\n", what.c_str(), fg.mcIntosh.c_str(), g.mcIntosh.c_str());
        }
    }
  }
}

// The generator's picture of `scene` and what the finder finds on it with
// the default settings.
struct Found {
  gen::WlRendered picture;
  SpotReport report;
};

Found FindOn(const gen::WlScene& scene) {
  Found f{gen::RenderWhiteLight(scene), {}};
  GreyPicture grey;
  grey.width = f.picture.width_px;
  grey.height = f.picture.height_px;
  grey.value.assign(f.picture.grey.begin(), f.picture.grey.end());
  // A drawing's scan in colour, read as the program reads a picture.
  if (scene.drawing) grey = GreyOfArgb(grey.width, grey.height, f.picture.Argb().data());
  std::string error;
  EXPECT_TRUE(FindSpots(grey, CalibrationOf(f.picture.truth.picture), SpotSettings{}, f.report, error)) << error;
  return f;
}

struct Case {
  const char* name;
  gen::WlKind kind;
  int size;
  std::vector<unsigned> seeds;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

Tally RunCase(const Case& c) {
  Tally tally;
  for (unsigned seed : c.seeds) {
    const gen::WlScene scene = gen::RandomScene(seed, c.size, c.kind);
    const Found result = FindOn(scene);
    const gen::WlRendered& r = result.picture;
    const SpotReport& rep = result.report;
    EXPECT_FALSE(rep.drawing);
    std::printf("%s seed %u: blur %.2f (true %.2f) noise %.4f threshold %.3f\n", c.name, seed, rep.blur_px, scene.blur_px,
                rep.noise, rep.threshold);
    Measure(r, rep, tally, std::string(c.name) + " seed " + std::to_string(seed), scene.blur_px);
  }
  return tally;
}

class SpotAccuracy : public ::testing::TestWithParam<Case> {};

TEST_P(SpotAccuracy, MeetsTheTable) {
  const Case& c = GetParam();
  const Tally t = RunCase(c);
  const double found = t.eligible ? static_cast<double>(t.found) / t.eligible : 1;
  const int maxFalse = t.falsePerPicture.empty() ? 0 : *std::max_element(t.falsePerPicture.begin(), t.falsePerPicture.end());
  std::printf("%s: found %d/%d (%.1f %%), false max %d, position median %.3f worst %.3f deg (%zu), "
              "area median %.1f %% p90 %.1f %% (%zu), groups exact %d/%d, R worst %.1f %%, classes %d/%d\n",
              c.name, t.found, t.eligible, 100 * found, maxFalse, Percentile(t.posErr, 0.5),
              Percentile(t.posErr, 1.0), t.posErr.size(), 100 * Percentile(t.areaErr, 0.5),
              100 * Percentile(t.areaErr, 0.9), t.areaErr.size(), t.groupsExact, t.groupPictures,
              100 * Percentile(t.wolfErr, 1.0), t.classesRight, t.classes);
  EXPECT_GE(found, 0.98);
  if (c.kind == gen::WlKind::Clean) {
    EXPECT_EQ(maxFalse, 0);
  }
  EXPECT_LE(maxFalse, 1);
  EXPECT_LE(Percentile(t.posErr, 0.5), 0.1);
  EXPECT_LE(Percentile(t.posErr, 1.0), 0.3);
  EXPECT_LE(Percentile(t.areaErr, 0.5), 0.05);
  EXPECT_LE(Percentile(t.areaErr, 0.9), 0.12);
  EXPECT_EQ(t.groupsExact, t.groupPictures);
  EXPECT_LE(Percentile(t.wolfErr, 1.0), 0.10);
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, SpotAccuracy,
    ::testing::Values(Case{"clean1024", gen::WlKind::Clean, 1024, {1, 2, 3}},
                      Case{"clean2048", gen::WlKind::Clean, 2048, {4}},
                      Case{"groups1024", gen::WlKind::Groups, 1024, {25, 26, 27, 28, 29, 30, 101, 102, 103, 104, 105, 106, 107, 108}},
                      Case{"groups2048", gen::WlKind::Groups, 2048, {21, 22, 23, 24}},
                      Case{"limb2048", gen::WlKind::Limb, 2048, {31, 32}},
                      Case{"filaments2048", gen::WlKind::Filaments, 2048, {41, 42}}),
    [](const ::testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// Chromospheric pictures: plages about the groups, a coarse mottle (a
// bright network in Ca II K), fainter penumbrae, and long dark filaments,
// sinuous, some broken in pieces (dark in H-alpha, faint in Ca II K). The
// spots are found, and no filament or piece of one is taken for a spot.
TEST(SpotAccuracy, ChromosphericPicturesKeepFilamentsOut) {
  struct Light {
    const char* name;
    gen::WlKind kind;
    std::vector<unsigned> seeds;
  };
  for (const Light& l : {Light{"H-alpha", gen::WlKind::HAlpha, {71, 73, 173, 176}},
                         Light{"Ca II K", gen::WlKind::CaK, {81, 83, 181, 183}}}) {
    int eligible = 0, found = 0, falseSpots = 0, onFilaments = 0, filaments = 0;
    for (unsigned seed : l.seeds) {
      const gen::WlScene scene = gen::RandomScene(seed, 1800, l.kind);
      filaments += static_cast<int>(scene.filaments.size());
      const Found result = FindOn(scene);
      const gen::WlRendered& r = result.picture;
      const SpotReport& rep = result.report;
      Tally t;
      Measure(r, rep, t, std::string(l.name) + " seed " + std::to_string(seed), scene.blur_px);
      eligible += t.eligible;
      found += t.found;
      falseSpots += t.falsePerPicture.front();
      // A found spot within a filament's width of its path, and no true
      // spot near it, is a filament taken for a spot.
      const double reach = 1.2 * r.truth.picture.rk_px * 3.14159265 / 180;
      for (const FoundSpot& f : rep.spots) {
        bool spot = false, filament = false;
        for (const gen::WlSpotTruth& s : r.truth.spots) spot = spot || std::hypot(s.x_px - f.x, s.y_px - f.y) < 30;
        for (const auto& [x, y] : r.filamentPoints_px) filament = filament || std::hypot(x - f.x, y - f.y) < reach;
        if (filament && !spot) {
          ++onFilaments;
          std::printf("  %s seed %u: a filament at %.1f %.1f taken for a spot\n", l.name, seed, f.x, f.y);
        }
      }
    }
    std::printf("%s (%d filaments): found %d/%d, false %d, on filaments %d\n", l.name, filaments, found, eligible,
                falseSpots, onFilaments);
    EXPECT_GE(found, 0.95 * eligible) << l.name;
    EXPECT_EQ(onFilaments, 0) << l.name;
  }
}

// Ink drawings measured whole: filled umbrae, their penumbrae drawn each
// way (an outline, a grey-filled outline, a hatched outline at any spacing
// and angle, grey with no outline, or mixed), the limb circle, axes, the
// letters N E S W, the template's grid through an umbra, lines beside and
// across spots and pores, a boxed group, a spot reaching almost to the limb
// and two touching penumbrae; scanned in colour with blur, noise, a yellowed
// paper, a tilt and JPEG. Source of the truth: the generator's caps on the
// sphere.
struct DrawingCase {
  unsigned seed;  // seed % 5 is the way penumbrae are drawn
  int size;
  const char* way;
};

TEST(SpotAccuracy, DrawingsAreMeasuredWhole) {
  const DrawingCase cases[] = {{70, 1700, "outline"}, {71, 2048, "grey-filled outline"}, {72, 2400, "hatched"},
                               {73, 1800, "grey"},    {74, 2200, "mixed"},               {75, 2048, "outline"},
                               {77, 1700, "hatched"}, {79, 2400, "mixed"},
                               // Drawings the finder's figures were not tuned on.
                               {96, 1900, "grey-filled outline"}, {97, 2300, "hatched"}};
  int eligible = 0, found = 0, falseSpots = 0, falseMax = 0, pores = 0;
  double worst = 0;
  std::vector<double> areaErr, poreGain;
  for (const DrawingCase& c : cases) {
    const gen::WlScene scene = gen::RandomScene(c.seed, c.size, gen::WlKind::Drawing);
    const Found result = FindOn(scene);
    const gen::WlRendered& r = result.picture;
    const SpotReport& rep = result.report;
    const double rk = r.truth.picture.rk_px;
    EXPECT_TRUE(rep.drawing) << c.way;
    std::vector<bool> used(rep.spots.size(), false);
    std::vector<double> errHere;
    std::map<std::string, std::vector<int>> clusterOfShared;  // group -> clusters of its shared spots
    for (std::size_t i = 0; i < r.truth.spots.size(); ++i) {
      const gen::WlSpotTruth& t = r.truth.spots[i];
      // Drawn at least 3 px thick across the limb's foreshortening.
      const double ru = std::acos(1 - t.umbra_msh / 1e6);
      const bool seen = 2 * rk * std::sin(ru) * t.mu >= 3;
      eligible += seen;
      int best = -1;
      double bestD = std::max(3.0, std::sqrt(t.area_px / 3.14159));
      for (std::size_t j = 0; j < rep.spots.size(); ++j) {
        const double d = std::hypot(rep.spots[j].x - t.x_px, rep.spots[j].y - t.y_px);
        if (!used[j] && d < bestD) {
          bestD = d;
          best = static_cast<int>(j);
        }
      }
      if (best < 0) {
        if (seen) std::printf("  %s seed %u: missed %s/%d at %.1f %.1f mu %.2f\n", c.way, c.seed, t.group.c_str(),
                              t.index, t.x_px, t.y_px, t.mu);
        continue;
      }
      used[static_cast<std::size_t>(best)] = true;
      found += seen;
      const FoundSpot& f = rep.spots[static_cast<std::size_t>(best)];
      worst = std::max({worst, std::fabs(f.B - t.B_deg), std::fabs(LDiff(f.L, t.L_deg))});
      const bool pore = t.area_msh <= t.umbra_msh * 1.0001;
      // A pore's area is its ink, whatever line passes by or touches it.
      if (pore) {
        poreGain.push_back(f.area_msh / f.umbra_msh);
        ++pores;
        if (f.penumbra)
          std::printf("  %s seed %u: pore %s/%d given a penumbra\n", c.way, c.seed, t.group.c_str(), t.index);
      }
      if (t.mu >= 0.3 && !pore) {
        const double e = std::fabs(f.area_msh / t.area_msh - 1);
        errHere.push_back(e);
        areaErr.push_back(e);
        if (!f.penumbra)
          std::printf("  %s seed %u: no penumbra found about %s/%d\n", c.way, c.seed, t.group.c_str(), t.index);
        if (e > 0.2)
          std::printf("  %s seed %u: area of %s/%d %.1f MSH against %.1f (umbra %.1f against %.1f, mu %.2f)\n", c.way,
                      c.seed, t.group.c_str(), t.index, f.area_msh, t.area_msh, f.umbra_msh, t.umbra_msh, t.mu);
      }
      if (t.shared) clusterOfShared[t.group].push_back(f.cluster);
    }
    // Umbrae in one outline share its penumbra.
    for (const auto& [group, clusters] : clusterOfShared)
      for (int k : clusters) EXPECT_EQ(k, clusters.front()) << c.way << " seed " << c.seed << ": " << group;
    int here = 0;
    for (std::size_t j = 0; j < rep.spots.size(); ++j)
      if (!used[j]) {
        ++here;
        std::printf("  %s seed %u: false spot at %.1f %.1f\n", c.way, c.seed, rep.spots[j].x, rep.spots[j].y);
      }
    falseSpots += here;
    falseMax = std::max(falseMax, here);
    std::printf("%s (seed %u, %d px): area median error %.1f %%, 90th percentile %.1f %%\n", c.way, c.seed, c.size,
                100 * Percentile(errHere, 0.5), 100 * Percentile(errHere, 0.9));
  }
  std::printf("drawings: found %d/%d, false %d, worst position %.3f deg, area median %.1f %% 90th %.1f %% (%zu "
              "spots), pores' area over their ink at most %.2f (%d pores)\n",
              found, eligible, falseSpots, worst, 100 * Percentile(areaErr, 0.5), 100 * Percentile(areaErr, 0.9),
              areaErr.size(), poreGain.empty() ? 0.0 : *std::max_element(poreGain.begin(), poreGain.end()), pores);
  EXPECT_GE(found, 0.95 * eligible);
  EXPECT_LE(worst, 0.5);
  // Where two hatched outlines touch, their lines and the hatching's meet
  // in ink as thick as a small umbra's, enclosed as one is (3 on these
  // drawings, two of them on seed 72).
  EXPECT_LE(falseMax, 2);
  EXPECT_LE(falseSpots, 3);
  EXPECT_LE(Percentile(areaErr, 0.5), 0.10);
  EXPECT_LE(Percentile(areaErr, 0.9), 0.30);
  // A pore keeps its ink's area, whatever line passes by or touches it,
  // also where lines, the grid and another spot's outline close the paper
  // about it (seed 72).
  int poresWithPenumbra = 0;
  for (double g : poreGain) poresWithPenumbra += std::fabs(g - 1) > 1e-9;
  EXPECT_EQ(poresWithPenumbra, 0) << "a pore's area is its umbra's";
}

}  // namespace
}  // namespace pelorin
