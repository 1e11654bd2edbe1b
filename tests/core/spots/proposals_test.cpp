// The review of proposed spots before Accept: each correction leaves every
// spot in exactly one group with its centre, area and class computed again;
// names clear of the picture's objects; a new threshold and a clicked spot
// go through the finder; the day's counts.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "SpotCalibrationOf.h"
#include "SpotPictures.h"
#include "spots/Proposals.h"

namespace pelorin {
namespace {

using test::CalibrationOf;

FoundSpot Spot(double B, double CMD, double area) {
  FoundSpot f;
  f.B = B;
  f.CMD = CMD;
  f.L = 100 + CMD;
  f.area_msh = area;
  f.x = 500 + 5 * CMD;
  f.y = 500 - 5 * B;
  return f;
}

// Three groups: two spots at N10 E20, three at S15 W5, one at N5 W30.
SpotProposals Three(std::set<std::string> existing = {}) {
  SpotProposals p = ProposeSpots(nullptr, {}, {}, std::move(existing));
  p.report.spots = {Spot(10, -20, 40), Spot(11, -17, 20), Spot(-15, 5, 100), Spot(-14, 7, 10),
                    Spot(-16, 3, 10), Spot(5, 30, 5)};
  GroupSpots(p.report.spots, p.report.groups);
  p.checked.assign(p.report.groups.size(), true);
  return p;
}

// Every spot in exactly one group, which lists it; group numbers agree.
void ExpectConsistent(const SpotProposals& p) {
  ASSERT_EQ(p.checked.size(), p.report.groups.size());
  std::vector<int> seen(p.report.spots.size(), 0);
  for (std::size_t g = 0; g < p.report.groups.size(); ++g) {
    EXPECT_FALSE(p.report.groups[g].spots.empty());
    for (int i : p.report.groups[g].spots) {
      ++seen[static_cast<std::size_t>(i)];
      EXPECT_EQ(p.report.spots[static_cast<std::size_t>(i)].group, static_cast<int>(g));
    }
  }
  for (int n : seen) EXPECT_EQ(n, 1);
}

std::vector<std::string> Names(const SpotProposals& p) {
  std::vector<std::string> n;
  for (const SpotGroup& g : p.report.groups) n.push_back(g.name);
  return n;
}

TEST(SpotProposals, EachCorrectionKeepsTheGroupsWhole) {
  struct Case {
    const char* what;
    std::string (*op)(SpotProposals&);
    std::vector<std::string> names;
    std::vector<int> sizes;
  };
  const std::vector<Case> cases = {
      {"remove a spot", [](SpotProposals& p) { return RemoveSpots(p, {0}); }, {"G1", "G2", "G3"}, {1, 3, 1}},
      {"remove the last spot of a group", [](SpotProposals& p) { return RemoveSpots(p, {5}); }, {"G1", "G2"}, {2, 3}},
      {"remove a group", [](SpotProposals& p) { return RemoveGroups(p, {1}); }, {"G1", "G3"}, {2, 1}},
      {"merge", [](SpotProposals& p) { return MergeGroups(p, {2, 0}); }, {"G2", "G3"}, {3, 3}},
      {"new group", [](SpotProposals& p) { return NewGroupOfSpots(p, {3, 4}); }, {"G1", "G2", "G3", "G4"}, {2, 1, 1, 2}},
      {"rename", [](SpotProposals& p) { return RenameGroup(p, 1, "12345a"); }, {"G1", "12345a", "G3"}, {2, 3, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SpotProposals p = Three();
    ASSERT_EQ(Names(p), (std::vector<std::string>{"G1", "G2", "G3"}));
    ASSERT_EQ(c.op(p), "");
    ExpectConsistent(p);
    EXPECT_EQ(Names(p), c.names);
    std::vector<int> sizes;
    for (const SpotGroup& g : p.report.groups) sizes.push_back(static_cast<int>(g.spots.size()));
    EXPECT_EQ(sizes, c.sizes);
  }
  // A merged group's centre is the area-weighted centre of all its spots.
  SpotProposals p = Three();
  ASSERT_EQ(MergeGroups(p, {0, 1}), "");
  double w = 0, b = 0;
  for (int i : p.report.groups[0].spots) {
    w += p.report.spots[static_cast<std::size_t>(i)].area_msh;
    b += p.report.spots[static_cast<std::size_t>(i)].area_msh * p.report.spots[static_cast<std::size_t>(i)].B;
  }
  EXPECT_NEAR(p.report.groups[0].B, b / w, 1e-9);
  EXPECT_DOUBLE_EQ(p.report.groups[0].area_msh, 180);
  EXPECT_EQ(p.report.groups[0].mcIntosh, McIntoshClass(p.report.spots, p.report.groups[0]));
}

TEST(SpotProposals, RefusalsChangeNothing) {
  const SpotProposals start = Three();
  const std::vector<std::pair<const char*, std::string (*)(SpotProposals&)>> cases = {
      {"quote", [](SpotProposals& p) { return RenameGroup(p, 0, "a\"b"); }},
      {"comma", [](SpotProposals& p) { return RenameGroup(p, 0, "a,b"); }},
      {"empty", [](SpotProposals& p) { return RenameGroup(p, 0, ""); }},
      {"another group's", [](SpotProposals& p) { return RenameGroup(p, 0, "G2"); }},
      {"no group", [](SpotProposals& p) { return RenameGroup(p, 7, "X"); }},
      {"merge one", [](SpotProposals& p) { return MergeGroups(p, {1, 1, 9}); }},
      {"remove nothing", [](SpotProposals& p) { return RemoveSpots(p, {-1, 6}); }},
      {"no finder", [](SpotProposals& p) { return AddSpotAt(p, 500, 500); }},
  };
  for (const auto& [what, op] : cases) {
    SCOPED_TRACE(what);
    SpotProposals p = Three();
    EXPECT_NE(op(p), "");
    EXPECT_EQ(Names(p), Names(start));
    EXPECT_EQ(p.report.spots.size(), start.report.spots.size());
  }
}

TEST(SpotProposals, NewNamesAvoidThePicturesObjects) {
  SpotProposals p = Three({"G1", "G3"});
  EXPECT_EQ(NextFreeGroupName(p), "G4");
  ASSERT_EQ(NewGroupOfSpots(p, {5}), "");
  EXPECT_EQ(p.report.groups.back().name, "G4");
  EXPECT_EQ(NextFreeGroupName(p), "G5");
}

TEST(SpotProposals, CountsTheAcceptedAndTheCheckedProposals) {
  SpotProposals p = Three();
  // Groups: G1 (2 spots, north), G2 (3, south), G3 (1, north).
  SpotCounts c = ReviewCounts(&p, {}, 1);
  EXPECT_EQ(c.groups, 3);
  EXPECT_EQ(c.spots, 6);
  EXPECT_DOUBLE_EQ(c.wolf, 36);
  EXPECT_EQ(c.northGroups, 2);
  EXPECT_EQ(c.northSpots, 3);
  EXPECT_EQ(c.southSpots, 3);
  CheckGroup(p, 1, false);
  c = ReviewCounts(&p, {{4, -20}}, 0.6);
  EXPECT_EQ(c.groups, 3);
  EXPECT_EQ(c.spots, 7);
  EXPECT_DOUBLE_EQ(c.wolf, 0.6 * 37);
  EXPECT_DOUBLE_EQ(c.southWolf, 0.6 * 14);
  EXPECT_EQ(CountsLine(ReviewCounts(nullptr, {{4, -20}, {1, 3}}, 1)),
            "g=2 f=5 R=25 (N: g=1 f=1 R=11; S: g=1 f=4 R=14)");
}

TEST(SpotProposals, ThresholdAndClickGoThroughTheFinder) {
  const gen::WlRendered r = gen::RenderWhiteLight(gen::RandomScene(7, 1200, gen::WlKind::Groups));
  auto finder = std::make_shared<SpotFinder>();
  GreyPicture grey;
  grey.width = r.width_px;
  grey.height = r.height_px;
  grey.value.assign(r.grey.begin(), r.grey.end());
  std::string error;
  ASSERT_TRUE(finder->Prepare(grey, CalibrationOf(r.truth.picture), error)) << error;
  SpotProposals p = ProposeSpots(finder, {}, {}, {"G1"});
  ASSERT_FALSE(p.report.groups.empty());
  ExpectConsistent(p);
  for (const SpotGroup& g : p.report.groups) EXPECT_NE(g.name, "G1");
  const std::size_t all = p.report.spots.size();

  // A removed spot comes back with a click on it, in a group.
  const FoundSpot big = *std::max_element(p.report.spots.begin(), p.report.spots.end(),
                                          [](const FoundSpot& a, const FoundSpot& b) { return a.area_px < b.area_px; });
  int index = -1;
  for (std::size_t i = 0; i < p.report.spots.size(); ++i)
    if (p.report.spots[i].x == big.x && p.report.spots[i].y == big.y) index = static_cast<int>(i);
  ASSERT_EQ(RemoveSpots(p, {index}), "");
  ASSERT_EQ(AddSpotAt(p, big.x + 1, big.y), "");
  ExpectConsistent(p);
  EXPECT_EQ(p.report.spots.size(), all);
  // A second click there adds nothing.
  EXPECT_NE(AddSpotAt(p, big.x, big.y), "");

  // A stricter threshold proposes fewer spots; back again, the same ones.
  ChangeThreshold(p, 0.75);
  ExpectConsistent(p);
  EXPECT_LT(p.report.spots.size(), all);
  EXPECT_DOUBLE_EQ(p.settings.contrastThreshold, 0.75);
  ChangeThreshold(p, 0.9);
  EXPECT_EQ(p.report.spots.size(), all);
}

}  // namespace
}  // namespace pelorin
