#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestApp.h"
#include "app/Dispatcher.h"
#include "app/Startup.h"

namespace pelorin {
namespace {

using test::TestApp;

void Press(App& app, char c) { Form_KeyPress(app, static_cast<std::int16_t>(c)); }

TEST(Keys, PlusHalvesTheGridStepDownToTenAndMinusDoublesBack) {
  TestApp t;
  const std::vector<int> down = {640, 320, 160, 80, 40, 20, 10, 10};
  for (int want : down) {
    Press(t.app, '+');
    EXPECT_EQ(t.app.s.PixelGridStep, want);
  }
  const std::vector<int> up = {20, 40, 80, 160, 320, 640, 1280, 1280};
  for (int want : up) {
    Press(t.app, '-');
    EXPECT_EQ(t.app.s.PixelGridStep, want);
  }
}

TEST(Keys, ToggleAndClampTable) {
  struct Case {
    const char* keys;
    std::int16_t ProgramState::*field;
    std::int16_t want;
  } cases[] = {
      {"l", &ProgramState::GroupNameIndex, 0},     // no groups
      {"k", &ProgramState::GroupNameIndex, 1},
      {"j", &ProgramState::ShowGroupNames, -1},
      {"jJ", &ProgramState::ShowGroupNames, 0},
      {"h", &ProgramState::AllGroupNames, 0},
      {"c", &ProgramState::GridColour, 14},
      {"cC", &ProgramState::GridColour, 0},
      {"a", &ProgramState::AutoselectMode, 1},
      {"aA", &ProgramState::AutoselectMode, 2},
      {"aaa", &ProgramState::AutoselectMode, 0},
      {"x", &ProgramState::PixelGridStep, 1280},
  };
  for (const auto& c : cases) {
    TestApp t;
    for (const char* k = c.keys; *k; ++k) Press(t.app, *k);
    EXPECT_EQ(t.app.s.*c.field, c.want) << c.keys;
  }
}

TEST(Keys, PWithNoCatalogueGivesBlockZero) {
  TestApp t;
  Press(t.app, 'p');
  EXPECT_EQ(t.app.s.CatalogueBlock, 0);
  Press(t.app, 'o');
  EXPECT_EQ(t.app.s.CatalogueBlock, 1);
}

TEST(Keys, FiveAndUAreInertWhileTheirMenusAreDisabled) {
  TestApp t;
  Press(t.app, '5');
  Press(t.app, 'u');
  EXPECT_EQ(t.app.s.CompareOn, 0);
  EXPECT_EQ(t.app.s.ShowObjects, 0);
  t.win.SetMenuEnabled(Menu::objectview, true);
  Press(t.app, 'U');
  EXPECT_EQ(t.app.s.ShowObjects, 1);
}

TEST(Keys, AutoselectTextFollowsOnlyInAutoselectMode) {
  TestApp t;
  Press(t.app, 'a');
  EXPECT_EQ(t.app.s.SelectModeText, "Autoselect mode Darkest");
  EXPECT_NE(t.win.status.find("Autoselect mode Darkest"), std::string::npos);
  t.app.s.ManualSelection = -1;
  t.app.s.SelectModeText = "Manual selection";
  Press(t.app, 'a');
  EXPECT_EQ(t.app.s.AutoselectMode, 2);
  EXPECT_EQ(t.app.s.SelectModeText, "Manual selection");
}

TEST(Keys, ScrollStepsStopAtTheEnds) {
  struct Case {
    char key;
    int h, v, wantH, wantV;
  } cases[] = {
      {'8', 0, 500, 0, 0},       // 500 - 1000 stops at the minimum
      {'2', 0, 9500, 0, 10000},  // beyond the maximum stops at it
      {'6', 9700, 0, 10000, 0},  // maximum minus 300
      {'4', 300, 0, 0, 0},
      {'6', 0, 0, 1000, 0},
      {'2', 0, 0, 0, 1000},
  };
  for (const auto& c : cases) {
    TestApp t;
    t.win.hMax = 10000;
    t.win.vMax = 10000;
    t.win.hValue = c.h;
    t.win.vValue = c.v;
    Press(t.app, c.key);
    EXPECT_EQ(t.win.hValue, c.wantH) << c.key;
    EXPECT_EQ(t.win.vValue, c.wantV) << c.key;
  }
}

TEST(Keys, MinusAtItsLimitPlotsTheInputPointsUntilTheNextCall) {
  TestApp t;
  t.pic.Fill(50, 50, RGB(255, 255, 255));
  ProgramState& s = t.app.s;
  s.ZeroPointX = 10;
  s.ZeroPointY = 40;
  s.CoordSystem = 0;
  s.PointCount = 1;
  s.PointX[1] = 5;   // picture (15, 35)
  s.PointY[1] = 5;
  Press(t.app, '-');
  EXPECT_EQ(t.pic.Point(15, 35), 0);
  Press(t.app, 'x');
  EXPECT_EQ(t.pic.Point(15, 35), static_cast<std::int32_t>(RGB(255, 255, 255)));
}

TEST(Redraw, PixelGridWithZeroPointOutsideTheSquare) {
  TestApp t;
  t.pic.Fill(3100, 3100, RGB(255, 255, 255));
  ProgramState& s = t.app.s;
  s.PixelGridStep = 640;
  s.ZeroPointX = 3000;
  s.ZeroPointY = 3000;
  Redraw(t.app);
  const auto blue = static_cast<std::int32_t>(QBColor(1));
  const auto red = static_cast<std::int32_t>(QBColor(4));
  EXPECT_EQ(t.pic.Point(3000 - 640, 100), blue);  // downward loop inside the square
  EXPECT_EQ(t.pic.Point(3000, 100), red);         // the axis itself, outside the square
  EXPECT_EQ(t.pic.Point(100, 3000), red);
  EXPECT_EQ(t.pic.Point(3000 + 640 - 3000, 2600), static_cast<std::int32_t>(RGB(255, 255, 255)));
}

TEST(Redraw, GridStepTenDrawsEveryTenPixelsAndTheAxesOnTop) {
  TestApp t;
  t.pic.Fill(100, 100, RGB(255, 255, 255));
  t.app.s.PixelGridStep = 10;
  t.app.s.ZeroPointX = 45;
  t.app.s.ZeroPointY = 55;
  Redraw(t.app);
  EXPECT_EQ(t.pic.Point(35, 3), static_cast<std::int32_t>(QBColor(1)));
  EXPECT_EQ(t.pic.Point(45, 3), static_cast<std::int32_t>(QBColor(4)));
  EXPECT_EQ(t.pic.Point(36, 3), static_cast<std::int32_t>(RGB(255, 255, 255)));
}

TEST(Redraw, GroupNamesAllOrOnlyTheChosenOne) {
  struct Case {
    std::int16_t all, index;
    std::vector<std::string> want;
  } cases[] = {
      {-1, 1, {"A", "B"}},
      {0, 2, {"B"}},
      {0, 0, {}},  // no groups chosen: no name
  };
  for (const auto& c : cases) {
    TestApp t;
    t.pic.Fill(100, 100, RGB(255, 255, 255));
    ProgramState& s = t.app.s;
    s.CompareOn = 1;
    s.RefGroupCount = 2;
    s.RefGroupName[1] = "A";
    s.RefGroupName[2] = "B";
    s.RefGroupX[1] = 10;
    s.RefGroupY[1] = 10;
    s.RefGroupX[2] = 50;
    s.RefGroupY[2] = 50;
    s.ShowGroupNames = -1;
    s.AllGroupNames = c.all;
    s.GroupNameIndex = c.index;
    Redraw(t.app);
    std::vector<std::string> got;
    for (const auto& text : t.pic.Texts()) got.push_back(text.text);
    EXPECT_EQ(got, c.want);
    EXPECT_EQ(t.pic.Point(50, 51), static_cast<std::int32_t>(QBColor(11)));
  }
}

TEST(Redraw, ShowObjectsMarksStoredPointsInGreen) {
  TestApp t;
  t.pic.Fill(100, 100, RGB(255, 255, 255));
  ProgramState& s = t.app.s;
  s.CoordSystem = 8;
  s.CalibrationState = 3;  // object points hold picture pixels
  s.StoredPointCount = 1;
  s.PointX[1] = 20;
  s.PointY[1] = 30;
  t.win.SetMenuEnabled(Menu::objectview, true);
  objectview_Click(t.app);
  EXPECT_EQ(t.pic.Point(21, 31), static_cast<std::int32_t>(QBColor(10)));
  objectview_Click(t.app);
  EXPECT_EQ(t.pic.Point(21, 31), static_cast<std::int32_t>(RGB(255, 255, 255)));
}

}  // namespace
}  // namespace pelorin
