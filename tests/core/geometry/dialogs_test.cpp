#include <gtest/gtest.h>

#include <filesystem>

#include "TestApp.h"
#include "app/CoordDialog.h"
#include "app/DateDialog.h"

namespace pelorin {
namespace {

using test::TestApp;

TEST(DateDialog, OpensWithTheTimeInSexagesimalForm) {
  TestApp t;
  t.app.s.TimeUT = 10.51;
  DateDialog d(t.app);
  d.Form_Load();
  EXPECT_EQ(d.ra[0], "10");
  EXPECT_EQ(d.ra[1], "30");
  EXPECT_EQ(d.ra[2], "36");
  EXPECT_EQ(d.raprom[0], -10);
  EXPECT_EQ(d.de[2], "1995");
}

TEST(DateDialog, TypingIsClampedToEachFieldsRange) {
  struct Case {
    bool date;
    int box;
    const char* typed;
    const char* shown;
  } cases[] = {
      {false, 0, "25", "23"}, {false, 1, "70", "59"}, {false, 2, "-4", "0"}, {true, 0, "40", "31"},
      {true, 0, "0", "1"},    {true, 1, "13", "12"},  {true, 2, "abc", "1"}, {true, 2, "2003", "2003"},
  };
  for (const auto& c : cases) {
    TestApp t;
    DateDialog d(t.app);
    d.Form_Load();
    if (c.date) d.de_Change(c.box, c.typed);
    else d.ra_Change(c.box, c.typed);
    const auto& box = c.date ? d.de : d.ra;
    EXPECT_EQ(box[static_cast<std::size_t>(c.box)], c.shown) << c.typed;
  }
}

TEST(DateDialog, EnterConfirmsAndWritesTheSevenRecords) {
  TestApp t;
  t.app.file2.Open("temp.dat");
  t.win.dateScripts.push_back([](DateDialog& d) {
    d.de_Change(0, "28");
    d.de_Change(1, "10");
    d.de_Change(2, "2003");
    d.ra_Change(0, "11");
    d.ra_Change(1, "0");
    d.ra_Change(2, "0");
    d.ra_KeyPress(2, 13);
  });
  t.win.SetMenuEnabled(Menu::datum, true);
  datum_Click(t.app);
  const ProgramState& s = t.app.s;
  // 28 October 2003, 11 h UT: the ephemeris example.
  EXPECT_DOUBLE_EQ(s.TimeUT, 11);
  EXPECT_DOUBLE_EQ(s.P, 25.1065);
  EXPECT_DOUBLE_EQ(s.B0, 4.7688);
  EXPECT_DOUBLE_EQ(s.L0, 295.1946);
  EXPECT_DOUBLE_EQ(s.rho0, 0.993636);
  EXPECT_EQ(s.DateKnown, 1);
  EXPECT_FALSE(t.win.MenuEnabled(Menu::datum));
  EXPECT_TRUE(t.win.MenuEnabled(Menu::Limb));
  EXPECT_TRUE(t.win.mainEnabled);
  ASSERT_EQ(t.win.mainEnabledDuringDialogs.size(), 1u);
  EXPECT_FALSE(t.win.mainEnabledDuringDialogs[0]);
  t.app.file2.Close();
  EXPECT_EQ(test::ReadAll("temp.dat"),
            "\"Date (day, month, year): \",28,10,2003\r\n"
            "\"Time (UT): \",11\r\n"
            "\"P=\",25.1065\r\n"
            "\"B0=\",4.7688\r\n"
            "\"L0=\",295.1946\r\n"
            "\"rho0=\",0.993636\r\n"
            "scan\r\n");
}

TEST(DateDialog, NorthUpPicturesGetPZeroAndOtherPicturesNoTypeLine) {
  TestApp t;
  t.app.file2.Open("temp.dat");
  t.app.s.NorthUpImage = 1;
  t.app.s.ImageType = 2;
  DateDialog d(t.app);
  d.Form_Load();
  d.de_Change(0, "28");
  d.de_Change(1, "10");
  d.de_Change(2, "2003");
  d.ra_Change(0, "11");
  d.OK_Click();
  EXPECT_EQ(t.app.s.P, 0);
  t.app.file2.Close();
  const std::string text = test::ReadAll("temp.dat");
  EXPECT_NE(text.find("\"P=\",0\r\n"), std::string::npos);
  EXPECT_EQ(text.find("scan"), std::string::npos);
}

TEST(DateDialog, CancelStoresNothingAndForgetsTheConfirmedDate) {
  TestApp t;
  t.app.s.DateKnown = 1;
  t.app.s.DateYear = 2003;
  t.win.SetMenuEnabled(Menu::datum, true);
  datum_Click(t.app);  // no script: cancelled
  EXPECT_EQ(t.app.s.DateKnown, 0);
  EXPECT_EQ(t.app.s.DateYear, 2003);
  EXPECT_TRUE(t.win.MenuEnabled(Menu::datum));
  EXPECT_FALSE(t.win.MenuEnabled(Menu::Limb));
}

TEST(CoordDialog, DiagramResetsCalibrationLabelKeepsIt) {
  struct Case {
    bool byLabel;
    float wantCalibration;
    bool wantZeroMenu;
  } cases[] = {{false, 0, true}, {true, 3, false}};
  for (const auto& c : cases) {
    TestApp t;
    t.app.s.CalibrationState = 3;
    t.app.s.PointCount = 4;
    t.app.file1.PrintLine("1,2");
    t.win.coordScripts.push_back([&](CoordDialog& d) {
      if (c.byLabel) d.Label1_Click(3);
      else d.Picture_Click(3);
    });
    koor_Click(t.app);
    EXPECT_EQ(t.app.s.CoordSystem, 3);
    EXPECT_EQ(t.app.s.CalibrationState, c.wantCalibration);
    EXPECT_EQ(t.app.s.PointCount, 0);
    EXPECT_EQ(t.win.MenuEnabled(Menu::Ishodiste), c.wantZeroMenu);
    EXPECT_EQ(std::filesystem::file_size("a.tmp"), 0u);
    EXPECT_TRUE(t.win.mainEnabled);
  }
}

TEST(ZeroPoint, OtherPicturesDisableTheDateMenu) {
  for (int type : {0, 2}) {
    TestApp t;
    t.app.s.ImageType = static_cast<std::int16_t>(type);
    t.app.s.StoredPointCount = 3;
    Ishodiste_Click(t.app);
    EXPECT_EQ(t.app.s.ZeroPointPending, 1);
    EXPECT_EQ(t.app.s.StoredPointCount, 0);
    EXPECT_EQ(t.win.MenuEnabled(Menu::datum), type != 2);
  }
}

}  // namespace
}  // namespace pelorin
