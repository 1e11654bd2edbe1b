// pelorin-cli limb: the disc of a picture file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DataPictures.h"
#include "SunPicture.h"
#include "CliRun.h"
#include "TestApp.h"
#include "base/RasterPicture.h"

namespace pelorin {
namespace {

test::CliResult RunLimb(const test::TempFolder& folder, const std::string& args) {
  return test::RunCli(folder.path(), "limb " + args);
}

double Field(const std::string& line, const std::string& key) {
  const std::size_t at = line.find(key + "=");
  return at == std::string::npos ? -1e9 : std::atof(line.c_str() + at + key.size() + 1);
}

TEST(CliLimb, PrintsTheDiscOfAPicture) {
  test::TempFolder folder;
  gen::Scene sc;
  sc.width_px = 700, sc.height_px = 640;
  sc.x0_px = 352.6, sc.y0_px = 330.2, sc.rk_px = 290.4;
  sc.style = gen::Style::Halpha;
  sc.prominences = 8;
  const gen::Rendered r = gen::Render(sc);
  std::string error;
  ASSERT_TRUE(WriteBmp(folder.File("sun.bmp"), r.width_px, r.height_px, r.argb.data(), error)) << error;
  const test::CliResult run = RunLimb(folder, "sun.bmp");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(run.out.rfind("x0=", 0), 0u) << run.out;
  EXPECT_NEAR(Field(run.out, "x0"), 352.6, 0.5) << run.out;
  EXPECT_NEAR(Field(run.out, " y0"), 330.2, 0.5) << run.out;
  EXPECT_NEAR(Field(run.out, " rk"), 290.4, 0.5) << run.out;
  EXPECT_EQ(Field(run.out, " points"), 72) << run.out;
  EXPECT_EQ(run.out.back(), '\n');
}

TEST(CliLimb, ReadsFitsAndJpeg2000Pictures) {
  test::TempFolder folder;
  gen::Scene sc;
  sc.width_px = 600, sc.height_px = 560;
  sc.x0_px = 290.3, sc.y0_px = 301.7, sc.rk_px = 240.2;
  sc.style = gen::Style::Euv;
  const gen::Rendered r = gen::Render(sc);
  std::vector<double> values;
  std::vector<std::uint16_t> grey;
  for (std::uint32_t c : r.argb) {
    values.push_back(static_cast<double>(c & 0xFFu) * 12.5);  // data levels, not grey levels
    grey.push_back(static_cast<std::uint16_t>(c & 0xFFu));
  }
  gen::FitsLayout layout;
  layout.axes = {sc.width_px, sc.height_px};
  gen::WriteFits(folder.File("sun.fits"), layout, {}, gen::FitsRowOrder(values, sc.width_px, sc.height_px));
  gen::WriteJp2(folder.File("sun.jp2"), sc.width_px, sc.height_px, grey, 8, "");
  for (const char* name : {"sun.fits", "sun.jp2"}) {
    const test::CliResult run = RunLimb(folder, name);
    ASSERT_EQ(run.status, 0) << name << ": " << run.err;
    EXPECT_NEAR(Field(run.out, "x0"), 290.3, 1) << name << ": " << run.out;
    EXPECT_NEAR(Field(run.out, " y0"), 301.7, 1) << name << ": " << run.out;
    EXPECT_NEAR(Field(run.out, " rk"), 240.2, 0.02 * 240.2) << name << ": " << run.out;
  }
}

// The picture's header goes with it: a disc under a header that names a
// coronagraph and gives no radius is no disc.
TEST(CliLimb, AHeaderNamingACoronagraphMeansNoDisc) {
  test::TempFolder folder;
  gen::Scene sc;
  sc.width_px = 400, sc.height_px = 400;
  sc.x0_px = 201.3, sc.y0_px = 198.2, sc.rk_px = 160;
  sc.style = gen::Style::Photo;
  const gen::Rendered r = gen::Render(sc);
  std::vector<double> values;
  for (std::uint32_t c : r.argb) values.push_back(static_cast<double>(c & 0xFFu));
  gen::FitsLayout layout;
  layout.axes = {400, 400};
  for (const bool radius : {false, true}) {
    std::vector<gen::FitsCard> cards = {{"INSTRUME", "LASCO", true}, {"DETECTOR", "C2", true}};
    if (radius) cards.push_back({"RSUN", "960.0"});
    gen::WriteFits(folder.File("c2.fits"), layout, cards, gen::FitsRowOrder(values, 400, 400));
    const test::CliResult run = RunLimb(folder, "c2.fits");
    EXPECT_EQ(run.status, radius ? 0 : 1) << run.err;
    if (!radius) {
      EXPECT_NE(run.err.find("no solar disc was found"), std::string::npos) << run.err;
    }
  }
}

TEST(CliLimb, SaysWhatWentWrong) {
  test::TempFolder folder;
  const std::vector<std::uint32_t> white(300 * 200, 0xFFFFFFFFu);
  std::string error;
  ASSERT_TRUE(WriteBmp(folder.File("blank.bmp"), 300, 200, white.data(), error)) << error;
  test::WriteAll(folder.File("text.bmp"), "not a picture\n");
  struct Case {
    const char* args;
    int status;
    const char* errHas;
  };
  const Case cases[] = {
      {"blank.bmp", 1, "blank.bmp: no solar disc was found"},
      {"text.bmp", 1, "text.bmp"},
      {"missing.bmp", 1, "missing.bmp"},
      {"", 2, "usage: pelorin-cli limb FILE"},
      {"blank.bmp blank.bmp", 2, "usage"},
  };
  for (const Case& c : cases) {
    const test::CliResult run = RunLimb(folder, c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
    EXPECT_NE(run.err.find(c.errHas), std::string::npos) << c.args << ": " << run.err;
  }
}

}  // namespace
}  // namespace pelorin
