// Groups named from a Solar Region Summary, in the core and through
// pelorin-cli spots (--catalogue, --srs).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "TestApp.h"
#include "app/SpotReview.h"
#include "base/TextFile.h"
#include "formats/Srs.h"
#include "spots/Spots.h"

namespace pelorin {
namespace {

void Write(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Summary(const std::string& rows) {
  return ":Product: 0518SRS.txt\n:Issued: 2003 May 18 0030 UTC\n"
         "I.  Regions with Sunspots.  Locations Valid at 17/2400Z\n"
         "Nmbr Location  Lo  Area  Z   LL   NN Mag Type\n" +
         rows +
         "IA. H-alpha Plages without Spots.\nNmbr  Location  Lo\nNone\n"
         "II. Regions Due to Return\nNmbr Lat    Lo\nNone\n";
}

TEST(SrsNames, RegionsCarriedToThePictureAndMatchedInTheirBox) {
  test::TempFolder folder;
  Write(folder.File("20030518SRS.txt"), Summary("0365 S00E03   100  0160 Cso  06   02 Beta\n"
                                                "0366 N30W11   200  0290 Dsi  09   03 Beta\n"));
  // 2.5 days after 00:00 UT of May 18: the equator gains 0.2856 deg/day on
  // the Carrington frame, latitude 30 loses 0.3794 deg/day.
  const std::vector<ReferenceGroup> refs =
      SrsGroupsAt(folder.File("20030518SRS.txt"), 2003, 5, 20, 12);
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_EQ(refs[0].name, "10365");
  EXPECT_NEAR(refs[0].L, 100 + 2.5 * (14.47 - 14.1844), 1e-9);
  EXPECT_NEAR(refs[1].L, 200 + 2.5 * (14.47 - 2.66 * 0.25 - 14.1844), 1e-9);
  EXPECT_EQ(refs[1].B, 30);

  struct Case {
    double dL, dB;
    const char* name;
  } cases[] = {{0, 0, "10365"},   {4.9, 0, "10365"}, {-4.9, 0, "10365"}, {5.2, 0, "G1"},
               {0, 2.9, "10365"}, {0, -3.1, "G1"},   {4.5, 2.5, "10365"}};
  for (const Case& c : cases) {
    std::vector<SpotGroup> groups(1);
    groups[0].L = refs[0].L + c.dL;
    groups[0].B = c.dB;
    NameGroups(groups, refs);
    EXPECT_EQ(groups[0].name, c.name) << c.dL << " " << c.dB;
  }
  // Two groups within reach of one region: the nearer takes its number.
  std::vector<SpotGroup> two(2);
  two[0].L = refs[1].L + 3;
  two[0].B = 30;
  two[1].L = refs[1].L - 1;
  two[1].B = 31;
  NameGroups(two, refs);
  EXPECT_EQ(two[0].name, "G1");
  EXPECT_EQ(two[1].name, "10366");
}

TEST(SrsNames, TheDayFoundBesideThePictureUnderEitherName) {
  struct Case {
    const char* file;
    int day;
    std::size_t regions;
  } cases[] = {{"20030518SRS.txt", 18, 1}, {"0518SRS.txt", 18, 1}, {"0518SRS.TXT", 18, 1}, {"20030517SRS.txt", 18, 0}};
  for (const Case& c : cases) {
    test::TempFolder folder;
    Write(folder.File(c.file), Summary("0365 S00E03   100  0160 Cso  06   02 Beta\nbroken\n"));
    std::vector<std::string> problems;
    EXPECT_EQ(ReferenceGroupsOfDay(folder.path().string(), 2003, 5, c.day, 8, &problems).size(), c.regions) << c.file;
    EXPECT_EQ(problems.size(), c.regions) << c.file;  // the broken line, named
    if (!problems.empty()) {
      EXPECT_NE(problems[0].find(std::string(c.file) + ":6: section I"), std::string::npos) << problems[0];
    }
  }
}

// The white-light sample with its data file, and a summary whose regions
// lie on two of its four groups; the other two are off by 6 deg in L and
// 4 deg in B.
class CliSrs : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::filesystem::path samples = std::filesystem::path(PELORIN_SOURCE_DIR) / "samples";
    for (const char* f : {"kanz_bband_wl_20030518_0800.jpg", "kanz_bband_wl_20030518_0800.dat"})
      std::filesystem::copy_file(samples / f, folder.path() / f);
    summary = Summary("0365 S15E03   289  0160 Cso  06   02 Beta\n"
                      "0366 N13W11   300  0290 Dsi  09   03 Beta\n"
                      "0367 N21W27   324  0120 Hsx  00   01 Alpha\n"
                      "0368 S12E22   269  0030 Bxo  05   02 Beta\n");
  }
  test::TempFolder folder;
  std::string summary;
  const std::string picture = "kanz_bband_wl_20030518_0800.jpg";
};

TEST_F(CliSrs, GroupsNamedFromTheSummaryBesideOrGivenAndWrittenBack) {
  Write(folder.File("20030518SRS.txt"), summary);
  const std::string want =
      "group,spots,B,CMD,L,area_msh,class\n"
      "G1,2,-8.04775,-22.10528,269.21362,30.8,Bxo\n"
      "10365,2,-14.93931,-2.80331,288.51559,161.5,Cso\n"
      "10366,3,12.51051,10.67791,301.99681,287.6,Dsi\n"
      "G2,1,21.49625,26.68086,317.99976,122.7,Hsx\n";
  const test::CliResult beside = test::RunCli(folder.path(), "spots --groups " + picture + " --srs day.srs");
  ASSERT_EQ(beside.status, 0) << beside.err;
  EXPECT_EQ(beside.out, want);
  std::filesystem::rename(folder.File("20030518SRS.txt"), folder.File("given.txt"));
  const test::CliResult given = test::RunCli(folder.path(), "spots --catalogue given.txt --groups " + picture);
  EXPECT_EQ(given.out, want);

  const SrsSummary back = ParseSrs(ReadFileBytes(folder.File("day.srs")), "day.srs");
  EXPECT_TRUE(back.problems.empty());
  ASSERT_EQ(back.regions.size(), 4u);
  const int numbers[] = {10001, 10365, 10366, 10002};  // G1 and G2 keep their running numbers
  const double area[] = {30, 160, 290, 120};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(back.regions[i].number, numbers[i]);
    EXPECT_EQ(back.regions[i].area_msh, area[i]);
  }
  EXPECT_EQ(back.regions[2].B, 13);
  EXPECT_EQ(back.regions[2].CMD, 11);
  EXPECT_EQ(back.regions[2].Lo, 302);
  EXPECT_EQ(back.regions[2].spots, 3);
}

TEST_F(CliSrs, WrongCataloguesAndArguments) {
  Write(folder.File("bad.txt"), Summary("0365 S15E03   289  0160 Cso  06   02 Beta\n0366 N13Q11 300\n"));
  struct Case {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"spots --summary --catalogue bad.txt " + picture, 0,
       "pelorin-cli spots: bad.txt:6: section I: 3 fields, not the 7 or 8 of a region\n"},
      {"spots --catalogue none.txt " + picture, 1, "pelorin-cli spots: none.txt: the catalogue cannot be read\n"},
      {"spots " + picture + " --srs", 2, "pelorin-cli spots: --srs needs a FILE\n"},
      {"spots --srs a --srs b " + picture, 2, "pelorin-cli spots: --srs given twice\n"},
      {"spots --srs nofolder/a.txt " + picture, 1, "pelorin-cli spots: nofolder/a.txt: cannot create"},
  };
  for (const Case& c : cases) {
    const test::CliResult r = test::RunCli(folder.path(), c.args);
    EXPECT_EQ(r.status, c.status) << c.args;
    EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args;
  }
}

}  // namespace
}  // namespace pelorin
