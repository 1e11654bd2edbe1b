// Start-up without a point log, and overlays of a zero point far outside the
// picture.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "TestApp.h"
#include "app/Dispatcher.h"
#include "base/RasterPicture.h"
#include "app/Startup.h"
#include "base/Text.h"
#include "app/LimbInput.h"
#include "base/TextFile.h"
#include "app/PictureLoad.h"
#include "app/Points.h"

namespace fs = std::filesystem;

namespace pelorin {
namespace {

// a.tmp cannot be created (a folder holds its name): start-up says so once
// and goes on; the menus are as at any start; a picture opened there is
// measured without a message per click.
TEST(StartupHardening, PointLogThatCannotBeCreated) {
  test::TempFolder folder;
  fs::create_directory("a.tmp");
  test::ScriptedWindow win;
  RasterPicture pic;
  App app{win, pic};
  Form_Load(app, 15.0f);
  ASSERT_EQ(win.messages.size(), 1u);
  EXPECT_NE(win.messages[0].find("a.tmp"), std::string::npos) << win.messages[0];
  EXPECT_FALSE(app.file1.IsOpen());
  EXPECT_EQ(app.s.SelectModeText, "Autoselect mode Nearest");
  EXPECT_FALSE(win.MenuEnabled(Menu::datum));
  EXPECT_TRUE(win.MenuEnabled(Menu::ucitavanje));

  // A picture in the same folder: its Open tries a.tmp again and says so.
  pic.Fill(40, 40, RGB(255, 255, 255));
  std::string error;
  ASSERT_TRUE(pic.SaveBmp(folder.File("x.bmp"), error)) << error;
  win.inputAnswers.push_back("0");
  OpenPicture(app, folder.File("x.bmp"));
  ASSERT_EQ(win.messages.size(), 2u);
  EXPECT_NE(win.messages[1].find("a.tmp"), std::string::npos) << win.messages[1];

  // Limb points are stored and the fit made, without further messages.
  app.s.ManualSelection = kTrue;
  Limb_Click(app);
  for (auto [x, y] : std::vector<std::pair<double, double>>{{30, 20}, {20, 30}, {10, 20}, {20, 10}})
    Picture1_MouseDown(app, kLeftButton, 0, x, y);
  EXPECT_EQ(app.s.PointCount, 4);
  EXPECT_EQ(win.messages.size(), 2u);
  limbend_Click(app);
  // The circle through the four clicks; its line follows the first four.
  EXPECT_NEAR(app.s.LimbRadius, 10.0, 1e-9);
  EXPECT_NEAR(app.s.ZeroPointX, 20.0, 1e-9);
  EXPECT_NEAR(app.s.ZeroPointY, 20.0, 1e-9);
  EXPECT_EQ(ReadLines("temp.dat").size(), 5u);
}

// The pixel grid through a zero point far off the picture: the lines still
// fall every step from the zero point, and the redraw takes no longer than
// for a zero point inside (a step of 10 pixels cannot even move a coordinate
// of 1E+20). Source: the grid rule, lines through the zero point every step.
TEST(RedrawHardening, PixelGridOfAFarZeroPoint) {
  const struct {
    const char* name;
    double x0, y0;
    int blueX, whiteX;  // a grid column and a column beside it
  } cases[] = {
      {"a million pixels right", 1e6 + 5, 55, 15, 16},
      {"a million pixels left", -1e6 + 3, 55, 13, 15},
      {"beyond the precision of a step", 1e20, 1e20, 10, 11},  // 1E+20 is a multiple of 10
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestApp t;
    t.pic.Fill(100, 100, RGB(255, 255, 255));
    t.app.s.PixelGridStep = 10;
    t.app.s.ZeroPointX = c.x0;
    t.app.s.ZeroPointY = c.y0;
    const auto start = std::chrono::steady_clock::now();
    Redraw(t.app);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(t.pic.Point(c.blueX, 3), static_cast<std::int32_t>(QBColor(1)));
    EXPECT_EQ(t.pic.Point(c.whiteX, 3), static_cast<std::int32_t>(RGB(255, 255, 255)));
  }
}

}  // namespace
}  // namespace pelorin
