// pelorin-cli spots: the spots of a picture, their groups and the day's
// counts, with the calibration from the keys, the data file or the header.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "CliRun.h"
#include "DataPictures.h"
#include "MeasuredFile.h"
#include "SpotPictures.h"
#include "TestApp.h"
#include "base/Text.h"

namespace pelorin {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

std::string Keys(const gen::Truth& t) {
  return "x0=" + NumberText(t.x0_px) + " y0=" + NumberText(t.y0_px) + " rk=" + NumberText(t.rk_px) +
         " P=" + NumberText(t.eph.P_deg) + " B0=" + NumberText(t.eph.B0_deg) + " L0=" + NumberText(t.eph.L0_deg) +
         " rho0=" + NumberText(t.eph.rho0_AU) + " orientation=" + NumberText(t.orientation_deg) +
         " northup=" + (t.northUp ? "1" : "0");
}

// A white-light picture of known groups written as JPEG in `folder`.
gen::WlRendered WritePicture(const test::TempFolder& folder, const std::string& name) {
  gen::WlScene sc = gen::RandomScene(5, 1400, gen::WlKind::Groups);
  const gen::WlRendered r = gen::RenderWhiteLight(sc);
  std::string error;
  EXPECT_TRUE(gen::WriteGreyJpeg(folder.File(name), r.grey, r.width_px, r.height_px, 92, error)) << error;
  return r;
}

TEST(CliSpots, PrintsSpotsGroupsAndCountsOfACalibratedPicture) {
  test::TempFolder folder;
  const gen::WlRendered r = WritePicture(folder, "sun.jpg");
  const std::string keys = Keys(r.truth.picture);

  const test::CliResult spots = test::RunCli(folder.path(), "spots sun.jpg " + keys);
  ASSERT_EQ(spots.status, 0) << spots.err;
  EXPECT_EQ(spots.err, "");
  const std::vector<std::string> rows = Lines(spots.out);
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(rows[0], "group,spot,x,y,B,CMD,L,area_msh,umbra_msh");
  EXPECT_GE(rows.size() - 1, r.truth.spots.size() - 1) << spots.out;
  // Every true spot 4 px across or more has a row within a pixel, whose B
  // is the helio command's at that pixel.
  for (const gen::WlSpotTruth& t : r.truth.spots) {
    if (t.area_px < 3.14159 * 4) continue;
    bool seen = false;
    for (std::size_t i = 1; i < rows.size() && !seen; ++i) {
      double x = 0, y = 0, B = 0, CMD = 0, L = 0, area = 0, umbra = 0;
      char group[32];
      int n = 0;
      ASSERT_EQ(std::sscanf(rows[i].c_str(), "%31[^,],%d,%lf,%lf,%lf,%lf,%lf,%lf,%lf", group, &n, &x, &y, &B, &CMD,
                            &L, &area, &umbra),
                9)
          << rows[i];
      if (std::hypot(x - t.x_px, y - t.y_px) > 1) continue;
      seen = true;
      EXPECT_NEAR(B, t.B_deg, 0.1) << rows[i];
      EXPECT_LE(umbra, area) << rows[i];
      const test::CliResult helio = test::RunCli(
          folder.path(), "helio " + keys + " x=" + NumberText(std::round(x * 100) / 100) + " y=" +
                             NumberText(std::round(y * 100) / 100));
      EXPECT_NEAR(std::atof(helio.out.c_str() + 2), B, 1e-3) << helio.out;
    }
    EXPECT_TRUE(seen) << t.group << "/" << t.index;
  }

  const test::CliResult groups = test::RunCli(folder.path(), "spots --groups sun.jpg " + keys);
  ASSERT_EQ(groups.status, 0) << groups.err;
  const std::vector<std::string> g = Lines(groups.out);
  ASSERT_FALSE(g.empty());
  EXPECT_EQ(g[0], "group,spots,B,CMD,L,area_msh,class");
  EXPECT_EQ(g.size() - 1, r.truth.groups.size()) << groups.out;

  const test::CliResult summary = test::RunCli(folder.path(), "spots --summary sun.jpg " + keys);
  ASSERT_EQ(summary.status, 0) << summary.err;
  // The counts of the groups printed, each in the hemisphere of its centre.
  int G = 0, f = 0, north = 0, northSpots = 0;
  for (std::size_t i = 1; i < g.size(); ++i) {
    char name[32];
    int n = 0;
    double B = 0;
    ASSERT_EQ(std::sscanf(g[i].c_str(), "%31[^,],%d,%lf", name, &n, &B), 3) << g[i];
    ++G;
    f += n;
    if (B >= 0) {
      ++north;
      northSpots += n;
    }
  }
  EXPECT_EQ(f, static_cast<int>(rows.size()) - 1);
  EXPECT_EQ(summary.out, "groups=" + std::to_string(G) + " spots=" + std::to_string(f) +
                             " wolf=" + std::to_string(10 * G + f) + " north_groups=" + std::to_string(north) +
                             " north_spots=" + std::to_string(northSpots) + " south_groups=" +
                             std::to_string(G - north) + " south_spots=" + std::to_string(f - northSpots) + "\n");
}

TEST(CliSpots, TakesTheCalibrationFromTheDataFileOrTheHeader) {
  test::TempFolder folder;
  const gen::WlRendered r = WritePicture(folder, "sun_20140312.jpg");
  // A photo is north up; a scan of another name is not.
  gen::WriteMeasuredDataFile(folder.File("sun_20140312.dat"), r.truth.picture, r.truth.picture.northUp ? 3 : 0,
                             "sun_20140312.jpg", {});
  const test::CliResult byFile = test::RunCli(folder.path(), "spots --summary sun_20140312.jpg");
  const test::CliResult byKeys =
      test::RunCli(folder.path(), "spots --summary sun_20140312.jpg " + Keys(r.truth.picture));
  ASSERT_EQ(byFile.status, 0) << byFile.err;
  EXPECT_EQ(byFile.out, byKeys.out);

  // A FITS picture calibrated by its header: its one dark spot.
  gen::SolarFits fits;
  fits.width = fits.height = 600;
  fits.crpix1 = fits.crpix2 = 300.5;
  fits.cdelt1 = fits.cdelt2 = 3.6;
  gen::WriteSolarFits(folder.File("sun.fits"), fits);
  const test::CliResult byHeader = test::RunCli(folder.path(), "spots --summary sun.fits");
  ASSERT_EQ(byHeader.status, 0) << byHeader.err;
  EXPECT_EQ(byHeader.out.rfind("groups=1 spots=1 wolf=11 ", 0), 0u) << byHeader.out;
}

// The white-light sample: its data file calibrates it, DPD1.txt beside it
// names its groups, and the classes are those it was drawn with.
TEST(CliSpots, NamesTheSamplesGroupsFromTheCatalogue) {
  const std::string samples = std::string(PELORIN_SOURCE_DIR) + "/samples/";
  const std::string truth = test::ReadAll(samples + "kanz_bband_wl_20030518_0800.truth.csv");
  // A copy of the picture and its data file, with and without the catalogue.
  test::TempFolder with, without;
  for (const char* f : {"kanz_bband_wl_20030518_0800.jpg", "kanz_bband_wl_20030518_0800.dat"}) {
    std::filesystem::copy_file(samples + f, with.File(f));
    std::filesystem::copy_file(samples + f, without.File(f));
  }
  std::filesystem::copy_file(samples + "DPD1.txt", with.File("DPD1.txt"));
  const test::CliResult run = test::RunCli(with.path(), "spots --groups kanz_bband_wl_20030518_0800.jpg");
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<std::string> g = Lines(run.out);
  ASSERT_EQ(g.size(), 5u) << run.out;
  for (std::size_t i = 1; i < g.size(); ++i) {
    const std::string name = g[i].substr(0, g[i].find(','));
    const std::string cls = g[i].substr(g[i].rfind(',') + 1);
    EXPECT_NE(truth.find("\n" + name + "," + cls + ","), std::string::npos) << g[i];
  }
  // Without the catalogue the same groups are G1 to G4 from east to west.
  const test::CliResult bare = test::RunCli(without.path(), "spots --groups kanz_bband_wl_20030518_0800.jpg");
  ASSERT_EQ(bare.status, 0) << bare.err;
  const std::vector<std::string> b = Lines(bare.out);
  ASSERT_EQ(b.size(), 5u) << bare.out;
  for (std::size_t i = 1; i < b.size(); ++i) EXPECT_EQ(b[i].rfind("G" + std::to_string(i) + ",", 0), 0u) << b[i];
}

TEST(CliSpots, RefusesWhatItCannotMeasure) {
  test::TempFolder folder;
  gen::SolarFits euv;
  euv.extra = {{"WAVELNTH", "171", false}};
  gen::WriteSolarFits(folder.File("euv.fits"), euv);
  gen::SolarFits mag;
  mag.extra = {{"CONTENT", "MAGNETOGRAM", true}};
  gen::WriteSolarFits(folder.File("mag.fits"), mag);
  const gen::WlRendered r = WritePicture(folder, "bare.jpg");  // no data file, no header
  test::WriteAll(folder.File("text.jpg"), "not a picture\n");
  struct Case {
    std::string args;
    int status;
    std::string says;
  };
  const std::vector<Case> cases = {
      {"spots euv.fits", 1, "EUV"},
      {"spots mag.fits", 1, "magnetogram"},
      {"spots bare.jpg", 1, "not calibrated"},
      {"spots text.jpg", 1, "text.jpg"},
      {"spots missing.jpg", 1, "missing.jpg"},
      {"spots", 2, "no FILE"},
      {"spots bare.jpg x0=5", 2, "missing argument 'y0'"},
      {"spots bare.jpg colour=1", 2, "unknown argument"},
      {"spots --groups --summary bare.jpg", 2, "only one"},
      {"spots bare.jpg " + Keys(r.truth.picture) + " x0=3", 2, "twice"},
  };
  for (const Case& c : cases) {
    const test::CliResult run = test::RunCli(folder.path(), c.args);
    EXPECT_EQ(run.status, c.status) << c.args << ": " << run.err;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << c.args << ": " << run.err;
    EXPECT_EQ(run.out, "") << c.args;
  }
}

}  // namespace
}  // namespace pelorin
