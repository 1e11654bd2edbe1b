#include <gtest/gtest.h>

#include <filesystem>

#include "TestApp.h"
#include "app/Dispatcher.h"
#include "app/Startup.h"

namespace pelorin {
namespace {

using test::TestApp;

TEST(Startup, OnlyFileSelectModeAndHelpAreUsable) {
  TestApp t;
  const Menu disabled[] = {Menu::koor, Menu::Ishodiste, Menu::datum, Menu::Limb, Menu::orient,
                           Menu::Objekt, Menu::Compare, Menu::mreza, Menu::objectview, Menu::FindSpots};
  for (Menu m : disabled) EXPECT_FALSE(t.win.MenuEnabled(m)) << MenuName(m);
  const Menu enabled[] = {Menu::ucitavanje, Menu::spremi, Menu::spremisliku, Menu::Close, Menu::Selectmode,
                          Menu::Series, Menu::MonthlyReport, Menu::ObserverK, Menu::uputa, Menu::naredbe, Menu::about};
  for (Menu m : enabled) EXPECT_TRUE(t.win.MenuEnabled(m)) << MenuName(m);
  for (auto b : {EndButton::limbend, EndButton::dirend, EndButton::Objektend}) EXPECT_FALSE(t.win.EndVisible(b));
  EXPECT_EQ(t.app.s.SelectModeText, "Autoselect mode Nearest");
  EXPECT_EQ(t.app.s.GroupNameIndex, 1);
  EXPECT_EQ(t.app.s.RefGroupCount, 0);
  EXPECT_EQ(t.app.s.PixelGridStep, 1280);
  EXPECT_EQ(t.app.s.AllGroupNames, -1);
  EXPECT_TRUE(std::filesystem::exists("a.tmp"));
}

TEST(Startup, InitStateKeepsPictureListSelectionAndGridColour) {
  TestApp t;
  ProgramState& s = t.app.s;
  s.PictureList[1] = "a.jpg";
  s.PictureCount = 1;
  s.PictureIndex = 1;
  s.AutoselectMode = 2;
  s.ManualSelection = -1;
  s.GridColour = 14;
  s.CalibrationState = 3;
  s.PointCount = 7;
  s.DateYear = 2003;
  s.PixelGridStep = 40;
  InitState(t.app);
  EXPECT_EQ(s.PictureList[1], "a.jpg");
  EXPECT_EQ(s.PictureCount, 1);
  EXPECT_EQ(s.PictureIndex, 1);
  EXPECT_EQ(s.AutoselectMode, 2);
  EXPECT_EQ(s.ManualSelection, -1);
  EXPECT_EQ(s.GridColour, 14);
  EXPECT_EQ(s.CalibrationState, 0);
  EXPECT_EQ(s.PointCount, 0);
  EXPECT_EQ(s.DateYear, 1995);
  EXPECT_EQ(s.PixelGridStep, 1280);
}

TEST(Layout, GuardsForTinyWindows) {
  TestApp t;
  t.app.s.TwipsPerPixel = 15;
  struct Case {
    int w, h, hTop;
    int vLeft, vHeight, hTopOut, hWidth;
  } cases[] = {
      {7575, 6495, 0, 7575 - 255, 6495 - 255, 6495 - 255, 7575 - 255},  // designed size
      {200, 6495, 0, 0, 6495 - 255, 6495 - 255, 0},                      // narrower than the bar
      {7575, 100, 4000, 7320, 0, 4000, 7320},                            // lower than the bar
  };
  for (const auto& c : cases) {
    ResizeInput in;
    in.innerWidth = c.w;
    in.innerHeight = c.h;
    in.outerWidth = c.w + 120;
    in.outerHeight = c.h + 600;
    in.hscrollHeight = 255;
    in.hscrollTop = c.hTop;
    Layout l = Form_Resize(t.app, in);
    EXPECT_EQ(l.vscrollLeft, c.vLeft) << c.w << "x" << c.h;
    EXPECT_EQ(l.vscrollHeight, c.vHeight) << c.w << "x" << c.h;
    EXPECT_EQ(l.hscrollTop, c.hTopOut) << c.w << "x" << c.h;
    EXPECT_EQ(l.hscrollWidth, c.hWidth) << c.w << "x" << c.h;
    EXPECT_EQ(l.frameTop, l.hscrollTop - 372);
    EXPECT_EQ(l.frameWidth, l.hscrollWidth);
    EXPECT_EQ(l.hscrollMax, 32000 - in.outerWidth);
    EXPECT_EQ(t.win.hMax, 32000 - in.outerWidth);
  }
}

TEST(Unload, BeforeAnyPictureDeletesNothingAndKeepsPointLog) {
  TestApp t;
  test::WriteAll("temp.dat", "keep");
  form_unload(t.app);
  EXPECT_TRUE(std::filesystem::exists("a.tmp"));
  EXPECT_TRUE(std::filesystem::exists("temp.dat"));
}

TEST(Unload, AfterANewPictureDeletesItsEmptyDataFileAndTempDat) {
  TestApp t;
  t.app.s.DataFileName = "x.dat";
  t.app.dataFilePath = t.folder.File("x.dat");
  test::WriteAll("x.dat", "");
  t.app.file2.Open("temp.dat");
  t.app.file2.PrintLine("v2.0");
  form_unload(t.app);
  EXPECT_FALSE(std::filesystem::exists("x.dat"));
  EXPECT_FALSE(std::filesystem::exists("temp.dat"));
  EXPECT_TRUE(std::filesystem::exists("a.tmp"));
}

TEST(Unload, KeepsAWrittenDataFile) {
  TestApp t;
  t.app.s.DataFileName = "x.dat";
  t.app.dataFilePath = t.folder.File("x.dat");
  test::WriteAll("x.dat", "Note\r\n");
  form_unload(t.app);
  EXPECT_TRUE(std::filesystem::exists("x.dat"));
}

}  // namespace
}  // namespace pelorin
