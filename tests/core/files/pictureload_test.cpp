#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "TestApp.h"
#include "app/Dispatcher.h"
#include "base/RasterPicture.h"
#include "app/Startup.h"
#include "app/PictureLoad.h"

namespace fs = std::filesystem;

namespace pelorin {
namespace {

using test::TestApp;

// A small white BMP picture, which the in-memory picture can decode.
void MakePicture(const std::string& path, int w = 40, int h = 30) {
  std::vector<std::uint32_t> px(static_cast<std::size_t>(w * h), 0xFFFFFFFFu);
  std::string error;
  ASSERT_TRUE(WriteBmp(path, w, h, px.data(), error)) << error;
}

TEST(KanzelhoeheNames, DateTimeAndCaseSensitivePrefixes) {
  struct Case {
    const char* name;
    bool known;
    double y, m, d, h;
  } cases[] = {
      {"kanz_halph_xx_20030517_0745.jpg", true, 2003, 5, 17, 7.75},
      {"kanz_drawx_fi_19921013_1230.jpg", true, 1992, 10, 13, 12.5},
      {"kanz_bband_xx_20240320_2359.jpg", true, 2024, 3, 20, 23 + 59 / 60.0},
      {"KANZ_HALPH_xx_20030517_0745.jpg", false, 0, 0, 0, 0},
      {"kanz_halp", false, 0, 0, 0, 0},
      {"kanz_drawx", true, 0, 0, 0, 0},  // too short: fields without digits read 0
  };
  for (const auto& c : cases) {
    double y = 0, m = 0, d = 0, h = 0;
    EXPECT_EQ(KanzelhoeheDate(c.name, y, m, d, h), c.known) << c.name;
    EXPECT_DOUBLE_EQ(y, c.y) << c.name;
    EXPECT_DOUBLE_EQ(m, c.m) << c.name;
    EXPECT_DOUBLE_EQ(d, c.d) << c.name;
    EXPECT_NEAR(h, c.h, 1e-12) << c.name;
  }
}

TEST(OpenPicture, NewKanzelhoehePictureTakesDateAndOrientationFromItsName) {
  struct Case {
    const char* name;
    std::int16_t northUp;
  } cases[] = {{"kanz_halph_xx_20030517_0745.jpg", 1}, {"kanz_drawx_xx_20030517_0745.jpg", 0}};
  for (const auto& c : cases) {
    TestApp t;
    MakePicture(c.name);
    t.win.inputAnswers = {"0"};
    OpenPicture(t.app, t.folder.File(c.name));
    const ProgramState& s = t.app.s;
    EXPECT_EQ(s.DateYear, 2003);
    EXPECT_EQ(s.DateMonth, 5);
    EXPECT_EQ(s.DateDay, 17);
    EXPECT_DOUBLE_EQ(s.TimeUT, 7.75);
    EXPECT_EQ(s.DateKnown, 1);
    EXPECT_EQ(s.NorthUpImage, c.northUp);
    std::string stem = std::string(c.name).substr(0, std::string(c.name).size() - 3);
    EXPECT_EQ(s.DataFileName, stem + "dat");
    EXPECT_TRUE(t.win.MenuEnabled(Menu::datum));
    EXPECT_FALSE(t.win.MenuEnabled(Menu::Limb));
    EXPECT_TRUE(fs::exists(stem + "dat"));
    t.app.file2.Close();
    EXPECT_EQ(test::ReadAll("temp.dat"),
              "Note: Data format: \"name\", B, CMD, L\r\n"
              "B, CMD and L are expresed in degrees.\r\n"
              "v2.0\r\n"
              "Picture: " + std::string(c.name) + "\r\n");
  }
}

TEST(OpenPicture, TypeAnswersOutsideTheRangeAskAgain) {
  struct Case {
    std::vector<std::string> answers;
    std::int16_t type;
    std::size_t asked;
  } cases[] = {
      {{"7", "3"}, 3, 2}, {{"-1", "1.4"}, 1, 2}, {{"abc"}, 0, 1}, {{}, 0, 1}, {{"2.5"}, 2, 1},
  };
  for (const auto& c : cases) {
    TestApp t;
    MakePicture("p.jpg");
    t.win.inputAnswers.assign(c.answers.begin(), c.answers.end());
    OpenPicture(t.app, t.folder.File("p.jpg"));
    EXPECT_EQ(t.app.s.ImageType, c.type);
    ASSERT_EQ(t.win.inputPrompts.size(), c.asked);
    EXPECT_EQ(t.win.inputPrompts[0],
              "Type of image|0=scan Kanzelhöhe; 1=SOHO; 2=other type of image; 3=photo Kanzelhöhe|0");
  }
}

TEST(OpenPicture, OtherTypeLeavesNoWorkingFileAndOffersOnlyTheCoordinateSystem) {
  TestApp t;
  MakePicture("x.jpg");
  t.win.inputAnswers = {"2"};
  OpenPicture(t.app, t.folder.File("x.jpg"));
  EXPECT_EQ(t.app.s.DataFileName, "x.jpg");
  EXPECT_FALSE(fs::exists("temp.dat"));
  EXPECT_TRUE(fs::exists("x.dat"));
  EXPECT_TRUE(t.win.MenuEnabled(Menu::koor));
  EXPECT_FALSE(t.win.MenuEnabled(Menu::datum));
}

TEST(OpenPicture, ThreeCharactersAreCutNotTheExtension) {
  TestApp t;
  MakePicture("name.jpeg");
  OpenPicture(t.app, t.folder.File("name.jpeg"));
  EXPECT_EQ(t.app.s.DataFileName, "name.jdat");
  EXPECT_TRUE(fs::exists("name.jdat"));
}

TEST(OpenPicture, NotAPictureKeepsTheOpenPictureAndItsWork) {
  TestApp t;
  MakePicture("a.jpg");
  t.win.inputAnswers = {"0"};
  OpenPicture(t.app, t.folder.File("a.jpg"));
  t.app.file2.PrintLine("work in progress");
  test::WriteAll("b.jpg", "this is text, not a picture");
  OpenPicture(t.app, t.folder.File("b.jpg"));
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.win.messages[0].rfind(t.folder.File("b.jpg") + " Invalid picture format!\r", 0), 0u) << t.win.messages[0];
  EXPECT_EQ(t.app.s.DataFileName, "a.dat");
  EXPECT_EQ(t.pic.Width(), 40);
  t.app.file2.PrintLine("more work");
  EXPECT_NE(test::ReadAll("temp.dat").find("work in progress\r\nmore work\r\n"), std::string::npos);
}

TEST(OpenPicture, MissingFileIsReported) {
  TestApp t;
  OpenPicture(t.app, t.folder.File("nothing.jpg"));
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("nothing.jpg"), std::string::npos);
}

TEST(OpenPicture, NextPictureDiscardsTheEmptyDataFileAndTempDatOfThePreviousOne) {
  TestApp t;
  fs::create_directory("one");
  fs::create_directory("two");
  MakePicture("one/a.jpg");
  MakePicture("two/b.jpg");
  OpenPicture(t.app, t.folder.File("one/a.jpg"));
  EXPECT_TRUE(fs::exists(t.folder.File("one/a.dat")));
  EXPECT_TRUE(fs::exists(t.folder.File("one/temp.dat")));
  OpenPicture(t.app, t.folder.File("two/b.jpg"));
  // Found by their full paths although the current folder moved on.
  EXPECT_FALSE(fs::exists(t.folder.File("one/a.dat")));
  EXPECT_FALSE(fs::exists(t.folder.File("one/temp.dat")));
  EXPECT_TRUE(fs::exists(t.folder.File("two/temp.dat")));
  EXPECT_EQ(fs::current_path(), fs::path(t.folder.File("two")));
}

TEST(PictureList, FAndFStepThroughTheFolderAndStopAtTheEnds) {
  TestApp t;
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg"}) MakePicture(n);
  MakePicture("d.bmp");
  OpenPicture(t.app, t.folder.File("b.jpg"));
  EXPECT_EQ(t.app.s.PictureCount, 3);
  EXPECT_EQ(t.app.s.PictureIndex, 2);
  const struct {
    char key;
    int index;
    const char* data;
  } steps[] = {{'f', 3, "c.dat"}, {'f', 3, "c.dat"}, {'F', 2, "b.dat"}, {'F', 1, "a.dat"}, {'F', 1, "a.dat"}};
  for (const auto& st : steps) {
    Form_KeyPress(t.app, st.key);
    EXPECT_EQ(t.app.s.PictureIndex, st.index) << st.key;
    EXPECT_EQ(t.app.s.DataFileName, st.data) << st.key;
    EXPECT_EQ(t.app.s.OpenFromList, 0);
  }
  // A .bmp picture is not in the list: the index stays.
  OpenPicture(t.app, t.folder.File("d.bmp"));
  EXPECT_EQ(t.app.s.PictureIndex, 1);
  EXPECT_EQ(t.app.s.PictureCount, 3);
}

TEST(OpenCommand, CancelChangesNothing) {
  TestApp t;
  ucitavanje_Click(t.app);
  ASSERT_EQ(t.win.dialogCalls.size(), 1u);
  EXPECT_EQ(t.win.dialogCalls[0],
            "open|Open picture|Pictures|*.bmp;*.jpg;*.fits;*.fit;*.fts;*.fits.gz;*.fit.gz;*.fts.gz;*.jp2;*.png;*.tif;"
            "*.tiff|FITS|*.fits;*.fit;*.fts;*.fits.gz;*.fit.gz;*.fts.gz|JPEG 2000|*.jp2|PNG|*.png|TIFF|*.tif;*.tiff|"
            "All files(*.*)|*.*");
  EXPECT_TRUE(t.app.s.DataFileName.empty());
}

}  // namespace
}  // namespace pelorin
