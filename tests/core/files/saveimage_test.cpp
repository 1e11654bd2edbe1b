// Save Image: the picture with its marks as DataFileName & ".BMP".
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestApp.h"
#include "app/Dispatcher.h"
#include "base/RasterPicture.h"
#include "app/SaveImage.h"

namespace pelorin {
namespace {

using test::TestApp;

std::uint32_t At(const std::vector<std::uint32_t>& argb, int w, int x, int y) {
  return argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
}

// A 60 x 40 white picture with grid dots (yellow) and reference marks drawn
// by the redraw. Source: the overlay colours (14 yellow, 12 red, 11 cyan).
TEST(SaveImage, WritesThePictureWithItsMarks) {
  TestApp t;
  t.pic.Fill(60, 40, RGB(255, 255, 255));
  ProgramState& s = t.app.s;
  s.DataFileName = "x.dat";
  s.GridOn = 1;
  s.GridColour = 14;
  s.GridPointX.fill(5);  // every grid point on (5, 35) but one
  s.GridPointY.fill(35);
  s.GridPointX[7] = 50;
  s.GridPointY[7] = 3;
  s.CompareOn = 1;
  s.RefSpotCount = 1;
  s.RefSpotX[1] = 20;
  s.RefSpotY[1] = 10;
  s.RefGroupCount = 1;
  s.RefGroupX[1] = 40;
  s.RefGroupY[1] = 20;
  Redraw(t.app);
  spremisliku_Click(t.app);
  EXPECT_TRUE(t.win.messages.empty());

  int w = 0, h = 0;
  std::vector<std::uint32_t> argb;
  std::string error;
  ASSERT_TRUE(ReadBmp("x.dat.BMP", w, h, argb, error)) << error;
  ASSERT_EQ(60, w);
  ASSERT_EQ(40, h);
  struct Probe {
    int x, y;
    std::uint32_t colour;
  };
  const std::vector<Probe> probes = {
      {5, 35, RGB(255, 255, 0)},   {50, 3, RGB(255, 255, 0)},                             // grid dots
      {19, 9, RGB(255, 0, 0)},     {20, 10, RGB(255, 0, 0)},   {21, 11, RGB(255, 0, 0)},  // spot mark
      {39, 21, RGB(0, 255, 255)},  {41, 19, RGB(0, 255, 255)},                            // group mark
      {22, 10, RGB(255, 255, 255)}, {0, 0, RGB(255, 255, 255)}, {59, 39, RGB(255, 255, 255)}};
  for (const Probe& p : probes)
    EXPECT_EQ(static_cast<std::int32_t>(p.colour), RasterPicture::ToBgr(At(argb, w, p.x, p.y)))
        << p.x << "," << p.y;
}

// Saving twice replaces the file; nothing is left beside it.
TEST(SaveImage, SecondSaveReplacesTheFirst) {
  TestApp t;
  t.pic.Fill(8, 6, RGB(255, 255, 255));
  t.app.s.DataFileName = "x.jpg";
  spremisliku_Click(t.app);
  const std::string first = test::ReadAll("x.jpg.BMP");
  ASSERT_FALSE(first.empty());
  t.pic.PSet(2, 3, QBColor(0));
  spremisliku_Click(t.app);
  const std::string second = test::ReadAll("x.jpg.BMP");
  EXPECT_EQ(first.size(), second.size());
  EXPECT_NE(first, second);
  int w = 0, h = 0;
  std::vector<std::uint32_t> argb;
  std::string error;
  ASSERT_TRUE(ReadBmp("x.jpg.BMP", w, h, argb, error)) << error;
  EXPECT_EQ(0, RasterPicture::ToBgr(At(argb, w, 2, 3)));
  EXPECT_TRUE(t.win.messages.empty());
  std::size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::current_path()))
    files += e.path().filename().string().find(".BMP") != std::string::npos ? 1 : 0;
  EXPECT_EQ(1u, files);
}

// A failed write is reported with the file's name and the program goes on.
TEST(SaveImage, FailuresAreReported) {
  struct Case {
    const char* name;
    int w;
    const char* dataFile;
    const char* file;
  };
  const std::vector<Case> cases = {
      {"missing folder", 8, "nofolder/x.dat", "nofolder/x.dat.BMP"},
      {"no picture yet", 0, "", ".BMP"},
  };
  for (const Case& c : cases) {
    TestApp t;
    if (c.w > 0) t.pic.Fill(c.w, c.w, RGB(255, 255, 255));
    t.app.s.DataFileName = c.dataFile;
    spremisliku_Click(t.app);
    ASSERT_EQ(1u, t.win.messages.size()) << c.name;
    EXPECT_NE(std::string::npos, t.win.messages[0].find(c.file)) << c.name << ": " << t.win.messages[0];
    EXPECT_FALSE(std::filesystem::exists(c.file)) << c.name;
  }
}

}  // namespace
}  // namespace pelorin
