// The parts of the spot finder around the finding: pictures refused from
// their header, grouping and classes, counts, names, growing a spot from a
// click, the threshold, and the .spots.csv file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "SpotCalibrationOf.h"
#include "OutlineArea.h"
#include "SpotPictures.h"
#include "spots/Spots.h"
#include "formats/SpotsFile.h"

namespace pelorin {
namespace {

using test::Shoelace;

using test::CalibrationOf;

TEST(SpotRefusal, EuvAndMagnetogramsFromTheirHeader) {
  struct Case {
    std::vector<HeaderCard> cards;
    std::string says;  // "" accepted
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{{"WAVELNTH", "171"}}, "EUV"},
      {{{"WAVELNTH", "6173"}}, ""},
      {{{"WAVELNTH", "30.4"}, {"WAVEUNIT", "nm"}}, "EUV"},
      {{{"WAVELNTH", "617.3"}, {"WAVEUNIT", "nm"}}, ""},
      {{{"WAVELNTH", "1.95e-8"}, {"WAVEUNIT", "m"}}, "EUV"},
      {{{"WAVELNTH", "6563"}}, ""},
      {{{"CONTENT", "MAGNETOGRAM"}}, "magnetogram"},
      {{{"CONTENT", "Full-disk magnetogram"}}, "magnetogram"},
      {{{"CONTENT", "DOPPLERGRAM"}}, "Dopplergram"},
      {{{"CONTENT", "CONTINUUM INTENSITY"}}, ""},
      {{{"WAVELNTH", "unknown"}}, ""},
  };
  for (const Case& c : cases) {
    PictureHeader h;
    h.cards = c.cards;
    const std::string why = SpotRefusalOfHeader(h);
    if (c.says.empty()) {
      EXPECT_EQ(why, "") << (c.cards.empty() ? "" : c.cards[0].value);
    } else {
      EXPECT_NE(why.find(c.says), std::string::npos) << why;
    }
  }
}

FoundSpot At(double B, double CMD, double area, bool penumbra, int cluster) {
  FoundSpot s;
  s.B = B;
  s.CMD = CMD;
  s.L = 100 + CMD;
  s.area_msh = area;
  s.umbra_msh = area / 5;
  s.penumbra = penumbra;
  s.cluster = cluster;
  return s;
}

TEST(SpotGroups, GroupsOnTheSphereWithTheirClasses) {
  struct Case {
    const char* what;
    std::vector<FoundSpot> spots;
    std::vector<std::string> classes;  // groups east to west
  };
  const std::vector<Case> cases = {
      {"one pore", {At(10, 0, 10, false, 0)}, {"Axx"}},
      {"two pores 6 deg apart", {At(10, 0, 10, false, 0), At(10.5, 6, 12, false, 1)}, {"Bxo"}},
      {"a round spot", {At(-12, 5, 120, true, 0)}, {"Hsx"}},
      {"a large round spot", {At(-12, 5, 900, true, 0)}, {"Hhx"}},
      {"leader with penumbra, follower pore", {At(10, 6, 150, true, 0), At(10.5, 0, 12, false, 1)}, {"Cso"}},
      {"both ends with penumbra, pores between",
       {At(10, 8, 150, true, 0), At(10.3, 4, 10, false, 1), At(10.8, 0, 80, true, 2)},
       {"Dsi"}},
      {"a penumbra shared by two umbrae", {At(10, 8, 80, true, 0), At(10.2, 8.5, 70, true, 0), At(10, 0, 60, true, 1)},
       {"Dao"}},
      {"a long group", {At(10, 12, 150, true, 0), At(10.5, 6, 20, true, 1), At(11, 0, 100, true, 2)}, {"Esc"}},
      {"two groups 15 deg apart", {At(10, 0, 100, true, 0), At(10, 15, 100, true, 1)}, {"Hsx", "Hsx"}},
      {"north and south at one longitude", {At(10, 0, 100, true, 0), At(-10, 0, 10, false, 1)}, {"Hsx", "Axx"}},
  };
  for (const Case& c : cases) {
    std::vector<FoundSpot> spots = c.spots;
    std::vector<SpotGroup> groups;
    GroupSpots(spots, groups);
    ASSERT_EQ(groups.size(), c.classes.size()) << c.what;
    for (std::size_t g = 0; g < groups.size(); ++g) {
      EXPECT_EQ(groups[g].mcIntosh, c.classes[g]) << c.what;
      EXPECT_EQ(groups[g].name, "G" + std::to_string(g + 1)) << c.what;
      for (int i : groups[g].spots) EXPECT_EQ(spots[static_cast<std::size_t>(i)].group, static_cast<int>(g));
    }
  }
}

TEST(SpotGroups, CentreAreaCountsAndNames) {
  std::vector<FoundSpot> spots = {At(10, 0, 100, true, 0), At(12, 4, 300, true, 1), At(-20, 30, 50, true, 2),
                                  At(-21, 31, 10, false, 3), At(-22, 33, 10, false, 4)};
  std::vector<SpotGroup> groups;
  GroupSpots(spots, groups);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_NEAR(groups[0].B, (10 * 100 + 12 * 300) / 400.0, 1e-9);
  EXPECT_NEAR(groups[0].CMD, 3, 1e-9);
  EXPECT_NEAR(groups[0].L, 103, 1e-9);
  EXPECT_NEAR(groups[0].area_msh, 400, 1e-9);
  EXPECT_TRUE(groups[0].north);
  EXPECT_FALSE(groups[1].north);
  const SpotCounts c = CountSpots(groups, 0.6);
  EXPECT_EQ(c.groups, 2);
  EXPECT_EQ(c.spots, 5);
  EXPECT_EQ(c.northGroups, 1);
  EXPECT_EQ(c.northSpots, 2);
  EXPECT_EQ(c.southGroups, 1);
  EXPECT_EQ(c.southSpots, 3);
  EXPECT_DOUBLE_EQ(c.wolf, 0.6 * 25);
  EXPECT_DOUBLE_EQ(c.northWolf, 0.6 * 12);
  EXPECT_DOUBLE_EQ(c.southWolf, 0.6 * 13);

  // Names: the catalogue's group within reach, else the next free G number.
  NameGroups(groups, {{"G2", 103.5, 11}, {"8123", 160, -20}});
  EXPECT_EQ(groups[0].name, "G2");
  EXPECT_EQ(groups[1].name, "G1");
  NameGroups(groups, {{"G1", 130.5, -20.5}});
  EXPECT_EQ(groups[0].name, "G2");
  EXPECT_EQ(groups[1].name, "G1");
}

// G<n> from `next` up, clear of the names taken and of those given since.
TEST(SpotGroups, NextGroupNamesSkipTakenOnes) {
  struct Case {
    std::set<std::string> taken;
    int next, calls;
    std::vector<std::string> want;
    int nextAfter;
  } cases[] = {
      {{}, 1, 3, {"G1", "G2", "G3"}, 4},
      {{"G1", "G3", "8123"}, 1, 3, {"G2", "G4", "G5"}, 6},
      {{"G1", "G2"}, 2, 1, {"G3"}, 4},
      {{"g1", "G01", "G1 "}, 1, 1, {"G1"}, 2},  // only the exact name is taken
  };
  for (auto& c : cases) {
    std::vector<std::string> got;
    for (int k = 0; k < c.calls; ++k) got.push_back(TakeNextGroupName(c.taken, c.next));
    EXPECT_EQ(got, c.want);
    EXPECT_EQ(c.next, c.nextAfter);
    for (const std::string& n : got) EXPECT_EQ(c.taken.count(n), 1u) << n;
  }
}

GreyPicture GreyOf(const gen::WlRendered& r) {
  GreyPicture g;
  g.width = r.width_px;
  g.height = r.height_px;
  g.value.assign(r.grey.begin(), r.grey.end());
  return g;
}

TEST(SpotFinder, GrowsASpotFromAClickAndFollowsTheThreshold) {
  const gen::WlRendered r = gen::RenderWhiteLight(gen::RandomScene(7, 1200, gen::WlKind::Groups));
  SpotFinder finder;
  std::string error;
  ASSERT_TRUE(finder.Prepare(GreyOf(r), CalibrationOf(r.truth.picture), error)) << error;
  const SpotReport all = finder.Find(SpotSettings{});
  ASSERT_GE(all.spots.size(), r.truth.spots.size() - 2);
  for (const FoundSpot& f : all.spots) {
    if (f.area_px < 30) continue;
    // A click 2 px off a spot's centre grows the spot Find found there.
    const std::vector<FoundSpot> grown = finder.GrowAt(f.x + 2, f.y - 1, SpotSettings{});
    bool same = false;
    for (const FoundSpot& g : grown)
      same = same || (std::fabs(g.x - f.x) < 1e-9 && std::fabs(g.area_msh - f.area_msh) < 1e-9);
    EXPECT_TRUE(same) << "spot at " << f.x << " " << f.y << ": grown " << grown.size();
  }
  // A click on the quiet Sun far from every spot, and one off the disc,
  // grow nothing.
  double qx = r.truth.picture.x0_px, qy = r.truth.picture.y0_px;
  for (int k = 0; k < 40; ++k) {
    bool clear = true;
    for (const gen::WlSpotTruth& t : r.truth.spots) clear = clear && std::hypot(t.x_px - qx, t.y_px - qy) > 40;
    if (clear) break;
    qx += 17;
    qy -= 11;
  }
  EXPECT_TRUE(finder.GrowAt(qx, qy, {}).empty());
  EXPECT_TRUE(finder.GrowAt(3, 3, {}).empty());
  EXPECT_TRUE(finder.GrowAt(std::nan(""), 3, {}).empty());

  // A stricter threshold finds no more spots, and none larger.
  SpotSettings strict;
  strict.contrastThreshold = 0.75;
  const SpotReport few = finder.Find(strict);
  EXPECT_LT(few.spots.size(), all.spots.size());
  for (const FoundSpot& f : few.spots) {
    bool same = false;
    for (const FoundSpot& a : all.spots) same = same || (a.x == f.x && a.area_msh == f.area_msh);
    EXPECT_TRUE(same) << "spot at " << f.x << " " << f.y;
  }
  // A looser one reaches further, but not into the quiet Sun's scatter.
  SpotSettings loose;
  loose.contrastThreshold = 0.99;
  const SpotReport more = finder.Find(loose);
  EXPECT_GT(more.threshold, all.threshold);
  EXPECT_LT(more.threshold, 0.97);
}

// Every found spot's outline encloses the pixels its area counts, its
// umbra's lies inside it.
TEST(SpotFinder, OutlinesThePixelsMeasured) {
  const gen::WlRendered r = gen::RenderWhiteLight(gen::RandomScene(22, 1500, gen::WlKind::Groups));
  SpotReport rep;
  std::string error;
  ASSERT_TRUE(FindSpots(GreyOf(r), CalibrationOf(r.truth.picture), SpotSettings{}, rep, error)) << error;
  int withUmbra = 0;
  for (const FoundSpot& f : rep.spots) {
    ASSERT_FALSE(f.outline.empty()) << f.x << " " << f.y;
    double whole = 0, umbra = 0;
    for (const SpotOutline& l : f.outline) whole += Shoelace(l);
    for (const SpotOutline& l : f.umbraOutline) umbra += Shoelace(l);
    // The outline holds the pixels the area counts; the umbra lies inside.
    EXPECT_DOUBLE_EQ(whole, f.area_px) << f.x << " " << f.y;
    EXPECT_LE(umbra, whole) << f.x << " " << f.y;
    EXPECT_EQ(f.umbraOutline.empty(), !f.penumbra) << f.x << " " << f.y;
    withUmbra += !f.umbraOutline.empty();
    // and around the spot's centre.
    float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
    for (const SpotOutline& l : f.outline)
      for (const auto& [x, y] : l) {
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
      }
    EXPECT_TRUE(f.x > x0 && f.x < x1 && f.y > y0 && f.y < y1) << f.x << " " << f.y;
  }
  EXPECT_GT(withUmbra, 5);
}

// On a drawing each spot is outlined as on photographs: the whole along its
// drawn penumbra, the umbra along its ink; a click grows the same spot.
// One spot of each way of drawing a penumbra, a pore and two umbrae in one
// outline, near the centre of a clean 1800 px drawing. Source of the
// truth: the generator's caps on the sphere.
TEST(SpotFinder, OutlinesDrawnSpotsWhole) {
  struct Way {
    const char* what;
    gen::WlPen pen;
  };
  const Way ways[] = {{"outline", gen::WlPen::Outline},
                      {"grey-filled outline", gen::WlPen::GreyFill},
                      {"hatched outline", gen::WlPen::Hatched},
                      {"grey", gen::WlPen::Grey}};
  for (const Way& way : ways) {
    gen::WlScene sc = gen::RandomScene(5, 1800, gen::WlKind::Clean);
    sc.drawing = true;
    sc.blur_px = 0.7;
    sc.noise = 0.01;
    sc.centreGrey = 245;
    sc.penumbraGrey = 180;
    sc.jpegQuality = 90;
    const gen::Ephemeris eph = gen::ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, sc.northUp);
    const auto add = [&](double dB, double dL, double u, double p, int compound) {
      gen::WlSpot s;
      s.group = "A";
      s.B_deg = eph.B0_deg + dB;
      s.L_deg = eph.L0_deg + dL;
      s.umbra_deg = u;
      s.penumbra_deg = p;
      s.pen = way.pen;
      s.hatchSpacing_px = 6;
      s.hatchAngle_deg = 30;
      s.compound = compound;
      sc.spots.push_back(s);
    };
    add(5, -10, 0.5, 1.5, -1);    // a spot
    add(5, 0, 0.4, 0.4, -1);      // a pore
    add(5, 10, 0.35, 1.1, 0);     // two umbrae in one outline
    add(5, 11.2, 0.35, 1.1, 0);
    const gen::WlRendered r = gen::RenderWhiteLight(sc);
    SpotFinder finder;
    std::string error;
    ASSERT_TRUE(finder.Prepare(GreyOf(r), CalibrationOf(r.truth.picture), error)) << error;
    const SpotReport rep = finder.Find(SpotSettings{});
    ASSERT_EQ(rep.spots.size(), r.truth.spots.size()) << way.what;
    std::set<int> clusters;
    for (const gen::WlSpotTruth& t : r.truth.spots) {
      const FoundSpot* f = nullptr;
      for (const FoundSpot& s : rep.spots)
        if (std::hypot(s.x - t.x_px, s.y - t.y_px) < 3) f = &s;
      ASSERT_NE(f, nullptr) << way.what << " " << t.index;
      const bool pore = t.area_msh <= t.umbra_msh;
      EXPECT_EQ(f->penumbra, !pore) << way.what << " " << t.index;
      EXPECT_NEAR(f->area_msh / t.area_msh, 1, 0.15) << way.what << " " << t.index;
      EXPECT_NEAR(f->umbra_msh / t.umbra_msh, 1, 0.3) << way.what << " " << t.index;
      double whole = 0, umbra = 0;
      for (const SpotOutline& l : f->outline) whole += Shoelace(l);
      for (const SpotOutline& l : f->umbraOutline) umbra += Shoelace(l);
      // The outline holds the pixels counted (the edge's by their cover).
      EXPECT_NEAR(whole / f->area_px, 1, 0.15) << way.what << " " << t.index;
      EXPECT_EQ(f->umbraOutline.empty(), pore) << way.what << " " << t.index;
      EXPECT_LT(umbra, whole) << way.what << " " << t.index;
      if (t.shared) clusters.insert(f->cluster);
      // A click on the umbra grows the same spot.
      const std::vector<FoundSpot> grown = finder.GrowAt(t.x_px + 1, t.y_px, SpotSettings{});
      const auto same = std::find_if(grown.begin(), grown.end(), [&](const FoundSpot& g) {
        return std::hypot(g.x - f->x, g.y - f->y) < 0.5;
      });
      ASSERT_NE(same, grown.end()) << way.what << " " << t.index;
      EXPECT_NEAR(same->area_msh, f->area_msh, 1e-9) << way.what << " " << t.index;
    }
    EXPECT_EQ(clusters.size(), 1u) << way.what << ": two umbrae in one outline share it";
  }
}

// An empty drawing of 1800 px scanned as the drawings' tests scan it (blur
// 0.7 px, JPEG 90), its pen `pen_px` wide, for the spots a test adds.
gen::WlScene DrawnScene(unsigned seed, double pen_px) {
  gen::WlScene sc = gen::RandomScene(seed, 1800, gen::WlKind::Clean);
  sc.drawing = true;
  sc.blur_px = 0.7;
  sc.penWidth_px = pen_px;
  sc.jpegQuality = 90;
  return sc;
}

// On a drawing a line that crosses a spot's outline, runs along it or
// touches a pore makes no spot of its own, and gives no pore a penumbra:
// a spot drawn each way and a pore beside it, the lines about them as an
// observer draws them. Source of the truth: the generator's caps.
TEST(SpotFinder, LinesByDrawnSpotsMakeNoSpots) {
  struct Lines {
    const char* what;
    gen::WlPen pen;
    std::vector<gen::WlLineBy> lines;  // spot 0 is the spot, 1 the pore
  };
  const Lines cases[] = {
      {"outline crossed", gen::WlPen::Outline, {{0, -4, 60, 70}, {0, -1, 60, -20}}},
      {"hatching crossed", gen::WlPen::Hatched, {{0, -4, 60, 70}, {0, -1, 60, -20}}},
      {"grey touched", gen::WlPen::Grey, {{0, -1, 60, 80}, {1, -1, 60, 80}}},
      {"pore between lines", gen::WlPen::Hatched, {{1, -1, 60, 10}, {1, 3, 60, -50}, {1, 4, 60, 70}}},
  };
  for (const Lines& c : cases) {
    gen::WlScene sc = DrawnScene(6, 1.8);
    const gen::Ephemeris eph = gen::ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, sc.northUp);
    for (const double u : {0.0, 0.4}) {
      gen::WlSpot s;
      s.group = "A";
      s.B_deg = eph.B0_deg - 20;
      s.L_deg = eph.L0_deg + (u > 0 ? 3.6 : 0);
      s.umbra_deg = u > 0 ? u : 0.45;
      s.penumbra_deg = u > 0 ? u : 1.3;
      s.pen = c.pen;
      s.hatchAngle_deg = 20;
      sc.spots.push_back(s);
    }
    sc.linesBy = c.lines;
    const gen::WlRendered r = gen::RenderWhiteLight(sc);
    SpotReport rep;
    std::string error;
    ASSERT_TRUE(FindSpots(GreyOf(r), CalibrationOf(r.truth.picture), SpotSettings{}, rep, error)) << error;
    ASSERT_EQ(rep.spots.size(), 2u) << c.what;
    for (const gen::WlSpotTruth& t : r.truth.spots) {
      const auto f = std::find_if(rep.spots.begin(), rep.spots.end(),
                                  [&](const FoundSpot& s) { return std::hypot(s.x - t.x_px, s.y - t.y_px) < 3; });
      ASSERT_NE(f, rep.spots.end()) << c.what << " " << t.index;
      EXPECT_EQ(f->penumbra, t.index == 1) << c.what << " " << t.index;
      EXPECT_NEAR(f->area_msh / t.area_msh, 1, 0.2) << c.what << " " << t.index;
    }
  }
}

// On a drawing an umbra drawn as a dot of the pen, about 4 px across, in a
// grey penumbra or an outline is found and measured whole. (Where the
// grid's lines cross no such dot is seen: the drawings' own test. A dot in
// hatching, or a lone dot this small, is not told from where lines cross.)
// Source of the truth: the generator's caps.
TEST(SpotFinder, SmallDrawnUmbraeAreFound) {
  struct Dot {
    const char* what;
    gen::WlPen pen;
    double umbra_deg, penumbra_deg;  // 1 degree is about 14 px here
  };
  const Dot cases[] = {
      {"in grey", gen::WlPen::Grey, 0.15, 0.38},
      {"in an outline", gen::WlPen::Outline, 0.16, 0.4},
  };

  for (const Dot& c : cases) {
    gen::WlScene sc = DrawnScene(8, 1.6);
    const gen::Ephemeris eph = gen::ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, sc.northUp);
    gen::WlSpot s;
    s.group = "A";
    s.B_deg = eph.B0_deg + 12;
    s.L_deg = eph.L0_deg - 10;
    s.umbra_deg = c.umbra_deg;
    s.penumbra_deg = c.penumbra_deg;
    s.pen = c.pen;
    sc.spots.push_back(s);
    const gen::WlRendered r = gen::RenderWhiteLight(sc);
    SpotReport rep;
    std::string error;
    ASSERT_TRUE(FindSpots(GreyOf(r), CalibrationOf(r.truth.picture), SpotSettings{}, rep, error)) << error;
    EXPECT_EQ(rep.spots.size(), 1u) << c.what;
    if (rep.spots.size() != 1) continue;
    const gen::WlSpotTruth& t = r.truth.spots.front();
    const FoundSpot& f = rep.spots.front();
    EXPECT_LT(std::hypot(f.x - t.x_px, f.y - t.y_px), 0.5) << c.what;
    EXPECT_EQ(f.penumbra, c.penumbra_deg > c.umbra_deg) << c.what << ": " << f.area_msh << " (umbra " << f.umbra_msh
                                                        << ") against " << t.area_msh << " (" << t.umbra_msh << ")";
    EXPECT_NEAR(f.area_msh / t.area_msh, 1, 0.2) << c.what << ": " << f.area_msh << " against " << t.area_msh;
  }
}

// A spot a few pixels from the limb is found, its area marked uncertain;
// one well on the disc is not.
TEST(SpotFinder, MarksAreasAtTheLimbUncertain) {
  gen::WlScene sc = gen::RandomScene(3, 1600, gen::WlKind::Clean);
  const gen::Ephemeris eph = gen::ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, sc.northUp);
  for (double cmd : {30.0, 85.5}) {
    gen::WlSpot s;
    s.group = "A";
    s.B_deg = eph.B0_deg;
    s.L_deg = eph.L0_deg + cmd;
    s.umbra_deg = 0.6;
    s.penumbra_deg = 1.4;
    sc.spots.push_back(s);
  }
  const gen::WlRendered r = gen::RenderWhiteLight(sc);
  ASSERT_LT(r.truth.spots[1].mu, 0.1);
  SpotReport rep;
  std::string error;
  ASSERT_TRUE(FindSpots(GreyOf(r), CalibrationOf(r.truth.picture), SpotSettings{}, rep, error)) << error;
  for (const gen::WlSpotTruth& t : r.truth.spots) {
    const FoundSpot* f = nullptr;
    for (const FoundSpot& s : rep.spots)
      if (std::hypot(s.x - t.x_px, s.y - t.y_px) < 4) f = &s;
    ASSERT_NE(f, nullptr) << "mu " << t.mu;
    EXPECT_EQ(f->uncertain, t.mu < 0.1) << "mu " << t.mu;
    EXPECT_NEAR(f->L, t.L_deg, t.mu < 0.1 ? 1.0 : 0.05) << "mu " << t.mu;
  }
}

TEST(SpotFinder, RefusesACalibrationThatDoesNotFit) {
  GreyPicture g;
  g.width = g.height = 200;
  g.value.assign(200 * 200, 100.0f);
  struct Case {
    double x0, y0, rk, rho0;
    const char* says;
  };
  const std::vector<Case> cases = {
      {100, 100, 10, 1, "20 pixels"},  {100, 100, std::nan(""), 1, "20 pixels"}, {5000, 100, 90, 1, "off the picture"},
      {100, 100, 90, 0, "rho0"},        {100, 100, 90, 1, ""},
  };
  for (const Case& c : cases) {
    DiscCalibration cal;
    cal.x0 = c.x0;
    cal.y0 = c.y0;
    cal.rk = c.rk;
    cal.rho0 = c.rho0;
    SpotFinder f;
    std::string error;
    const bool ok = f.Prepare(g, cal, error);
    if (*c.says) {
      EXPECT_FALSE(ok);
      EXPECT_NE(error.find(c.says), std::string::npos) << error;
      EXPECT_TRUE(f.Find({}).spots.empty());
    } else {
      EXPECT_TRUE(ok) << error;
      EXPECT_TRUE(f.Find({}).spots.empty());  // a flat disc has no spot
    }
  }
  SpotFinder f;
  std::string error;
  EXPECT_FALSE(f.Prepare(GreyPicture{}, DiscCalibration{}, error));
}

// A disc of `size` px (radius rk, quiet Sun 200 over a sky of 10) strewn
// with dark lines 30 px long and one high, 34 px apart along a row and 7
// rows apart, within `reach` radii; `lines` gets their number. Each line is
// one region (its 3 x 3 mean falls to 2/3 and stays apart from the next),
// too long and thin for a spot; less than half the disc lies in regions,
// so the quiet Sun's scatter stays at its floor.
GreyPicture LinedDisc(int size, double rk, double reach, int& lines) {
  GreyPicture g;
  g.width = g.height = size;
  g.value.assign(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 10.0f);
  const double c = size / 2.0;
  auto at = [&](int x, int y) -> float& { return g.value[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) + static_cast<std::size_t>(x)]; };
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if (std::hypot(x - c, y - c) <= rk) at(x, y) = 200.0f;
  lines = 0;
  for (int y = 0; y < size; y += 7)
    for (int x = 0; x + 29 < size; x += 34) {
      if (std::hypot(x - c, y - c) > reach * rk || std::hypot(x + 29 - c, y - c) > reach * rk) continue;
      for (int k = 0; k < 30; ++k) at(x + k, y) = 0.0f;
      ++lines;
    }
  return g;
}

// The finder measures at most 20000 dark regions; beyond them it says how
// many it left out, and under them it says nothing.
TEST(SpotFinder, SaysHowManyRegionsItLeftOut) {
  struct Case {
    int size;
    double rk, reach;
    bool over;  // more lines than the finder measures
  };
  for (const Case& c : {Case{2860, 1400, 0.92, true}, Case{800, 350, 0.9, false}}) {
    int lines = 0;
    const GreyPicture g = LinedDisc(c.size, c.rk, c.reach, lines);
    ASSERT_EQ(lines > 20000, c.over) << lines << " lines";
    DiscCalibration cal;
    cal.x0 = cal.y0 = c.size / 2.0;
    cal.rk = c.rk;
    SpotReport rep;
    std::string error;
    ASSERT_TRUE(FindSpots(g, cal, SpotSettings{}, rep, error)) << error;
    if (!c.over) {
      EXPECT_TRUE(rep.notes.empty()) << rep.notes.front();
      continue;
    }
    ASSERT_EQ(rep.notes.size(), 1u);
    const std::string& note = rep.notes.front();
    EXPECT_EQ(note.find(std::to_string(lines - 20000) + " dark region"), 0u) << note;
    EXPECT_NE(note.find("first 20000"), std::string::npos) << note;
  }
}

SpotReport SmallReport() {
  SpotReport r;
  r.spots = {At(10.123456, -3.5, 120.04, true, 0), At(10.5, 2.25, 8.96, false, 1), At(-20, 30, 50, true, 2)};
  r.spots[0].x = 101.234;
  r.spots[0].y = 55.5;
  GroupSpots(r.spots, r.groups);
  return r;
}

TEST(SpotsFile, WritesAndReadsBack) {
  const SpotReport r = SmallReport();
  const std::string text = SpotsFileText(r, 1);
  EXPECT_EQ(text.rfind("group,spot,x,y,B,CMD,L,area_msh,umbra_msh\r\nG1,1,101.23,55.50,10.12346,-3.50000,96.50000,120.0,24.0\r\n", 0), 0u)
      << text;
  SpotsFileContents c;
  std::string error;
  ASSERT_TRUE(ParseSpotsFile(text, c, error)) << error;
  ASSERT_EQ(c.spots.size(), 3u);
  ASSERT_EQ(c.groups.size(), 2u);
  EXPECT_EQ(c.spots[1].group, "G1");
  EXPECT_EQ(c.spots[1].spot, 2);
  EXPECT_DOUBLE_EQ(c.spots[1].area_msh, 9.0);
  EXPECT_EQ(c.groups[0].mcIntosh, r.groups[0].mcIntosh);
  EXPECT_EQ(c.groups[0].spots, 2);
  EXPECT_EQ(c.counts.groups, 2);
  EXPECT_EQ(c.counts.spots, 3);
  EXPECT_DOUBLE_EQ(c.counts.wolf, 23);
  EXPECT_EQ(c.counts.southSpots, 1);
  EXPECT_EQ(SpotsFileNameOf("x_20030518.dat"), "x_20030518.spots.csv");
  EXPECT_EQ(SpotsFileNameOf("x"), "x.spots.csv");
}

TEST(SpotsFile, SaysWhereItCannotBeRead) {
  const std::string good = SpotsFileText(SmallReport(), 1);
  struct Case {
    std::string text, says;
  };
  const std::vector<Case> cases = {
      {"", "empty"},
      {"name,B,CMD,L\r\n", "line 1"},
      {"group,spot,x,y,B,CMD,L,area_msh,umbra_msh\r\nG1,1,2,3\r\n", "line 2: a spot row needs 9 fields"},
      {"group,spot,x,y,B,CMD,L,area_msh,umbra_msh\r\nG1,1,2,3,x,5,6,7,8\r\n", "line 2: field 5 is not a number"},
      {"group,spot,x,y,B,CMD,L,area_msh,umbra_msh\r\nG1,1,2,3,4,5,6,7,8\r\n\r\ngroup,spots\r\n", "line 4"},
      {"group,spot,x,y,B,CMD,L,area_msh,umbra_msh\r\nG1,1,2,3,4,5,6,7,8\r\n\r\ngroup,spots,B,CMD,L,area_msh,class\r\n"
       "G9,1,2,3,4,5,Axx\r\n",
       "line 5: group G9 has no spot row"},
      {good.substr(0, good.rfind("groups=")) + "groups=two\r\n", "key=number"},
  };
  for (const Case& c : cases) {
    SpotsFileContents out;
    std::string error;
    EXPECT_FALSE(ParseSpotsFile(c.text, out, error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

TEST(SpotsFile, ErrorsColumnsWhenKnownAndOlderFilesStillRead) {
  SpotReport r = SmallReport();
  for (FoundSpot& f : r.spots) {
    f.B_err = 0.0312345;
    f.CMD_err = 0.04;
    f.L_err = 0.05;
  }
  r.spots[2].L_err = std::nan("");  // unknown: an empty field
  r.groups[0].B_err = 0.02;
  r.groups[0].CMD_err = r.groups[0].L_err = 0.03;
  const std::string text = SpotsFileText(r, 1, true);
  EXPECT_EQ(text.rfind("group,spot,x,y,B,CMD,L,area_msh,umbra_msh,B_err,CMD_err,L_err\r\n"
                       "G1,1,101.23,55.50,10.12346,-3.50000,96.50000,120.0,24.0,0.03123,0.04000,0.05000\r\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("group,spots,B,CMD,L,area_msh,class,B_err,CMD_err,L_err\r\n"), std::string::npos) << text;
  // Without the errors the file is as it always was.
  EXPECT_EQ(SpotsFileText(r, 1, false), SpotsFileText(SmallReport(), 1));
  struct Case {
    const char* name;
    std::string text;
    bool errors;
  };
  const Case cases[] = {{"with errors", text, true}, {"an older file", SpotsFileText(SmallReport(), 1), false}};
  for (const Case& c : cases) {
    SpotsFileContents back;
    std::string error;
    ASSERT_TRUE(ParseSpotsFile(c.text, back, error)) << c.name << ": " << error;
    ASSERT_EQ(back.spots.size(), 3u) << c.name;
    ASSERT_EQ(back.groups.size(), 2u) << c.name;
    EXPECT_DOUBLE_EQ(back.spots[0].B, 10.12346) << c.name;
    EXPECT_EQ(std::isnan(back.spots[0].B_err), !c.errors) << c.name;
    EXPECT_TRUE(std::isnan(back.spots[2].L_err)) << c.name;
    if (!c.errors) continue;
    EXPECT_DOUBLE_EQ(back.spots[0].B_err, 0.03123) << c.name;
    EXPECT_DOUBLE_EQ(back.spots[2].CMD_err, 0.04) << c.name;
    EXPECT_DOUBLE_EQ(back.groups[0].B_err, 0.02) << c.name;
    EXPECT_DOUBLE_EQ(back.groups[0].L_err, 0.03) << c.name;
  }
}

TEST(SpotsFile, SaysWhereItsErrorsCannotBeRead) {
  const std::string head = "group,spot,x,y,B,CMD,L,area_msh,umbra_msh,B_err,CMD_err,L_err\r\n";
  struct Case {
    std::string text, says;
  };
  const std::vector<Case> cases = {
      {head + "G1,1,2,3,4,5,6,7,8\r\n", "line 2: a spot row needs 12 fields, it has 9"},
      {head + "G1,1,2,3,4,5,6,7,8,0.1,x,0.1\r\n", "line 2: field 11 is not an error"},
      {head + "G1,1,2,3,4,5,6,7,8,-0.1,0.1,0.1\r\n", "line 2: field 10 is not an error"},
      {"group,spot,x,y,B,CMD,L,area_msh,umbra_msh,B_err\r\n", "line 1: the first line must be"},
      {head + "G1,1,2,3,4,5,6,7,8,0.1,0.1,0.1\r\n\r\ngroup,spots,B,CMD,L,area_msh,class,B_err,CMD_err,L_err\r\n"
              "G1,1,2,3,4,5,Axx\r\n",
       "line 5: a group row needs 10 fields, it has 7"},
  };
  for (const Case& c : cases) {
    SpotsFileContents out;
    std::string error;
    EXPECT_FALSE(ParseSpotsFile(c.text, out, error)) << c.text;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

TEST(SpotsFile, ChecksTheDataFilesRecords) {
  SpotsFileContents c;
  std::string error;
  ASSERT_TRUE(ParseSpotsFile(SpotsFileText(SmallReport(), 1), c, error)) << error;
  std::vector<DataRecord> records;
  int line = 14;
  for (const SpotsFileRow& s : c.spots) records.push_back({s.group, s.B, s.CMD, s.L, line++});
  records.push_back({"hand", 1, 2, 3, line++});  // the observer's own record
  struct Case {
    const char* what;
    std::vector<DataRecord> records;
    std::string says;  // "" matches
  };
  std::vector<DataRecord> changed = records, missing = records, extra = records;
  changed[1].B += 0.01;
  missing.erase(missing.begin() + 2);
  extra.push_back({"G1", 5, 5, 5, 40});
  const std::vector<Case> cases = {
      {"as written", records, ""},
      {"a record changed by hand", changed, "spot 2 of group G1"},
      {"a record deleted", missing, "group G2"},
      {"a record added to a group", extra, "line 40"},
  };
  for (const Case& k : cases) {
    std::string why;
    EXPECT_EQ(SpotsMatchRecords(c, k.records, why), k.says.empty()) << k.what;
    if (!k.says.empty()) {
      EXPECT_NE(why.find(k.says), std::string::npos) << k.what << ": " << why;
    }
  }
}

}  // namespace
}  // namespace pelorin
