// Whole roads of pictures that come with a FITS header: opened, measured,
// saved and opened again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestApp.h"
#include "base/RasterPicture.h"
#include "app/Readout.h"
#include "base/Text.h"
#include "app/DataFileIO.h"
#include "formats/HeaderCalibration.h"
#include "app/PictureLoad.h"
#include "base/TextFile.h"
#include "app/Geometry.h"
#include "app/Points.h"

namespace fs = std::filesystem;

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;

constexpr int kSize = 600;

// A 600 x 600 picture's header: 3.5 arcsec a pixel, the disc centre at
// header pixel (300.5, 301.5).
std::vector<std::pair<std::string, std::string>> SunCards() {
  return {{"DATE-OBS", "2014-03-15T10:20:30.25"}, {"CTYPE1", "HPLN-TAN"}, {"CTYPE2", "HPLT-TAN"},
          {"CDELT1", "3.5"},      {"CDELT2", "3.5"},      {"CRPIX1", "300.5"},       {"CRPIX2", "301.5"},
          {"CRVAL1", "0"},        {"CRVAL2", "0"},        {"DSUN_OBS", "1.4718E+11"}, {"HGLT_OBS", "-7.2"},
          {"CRLN_OBS", "123.45"}};
}

PictureHeader Header(std::vector<std::pair<std::string, std::string>> cards,
                     std::vector<std::pair<std::string, std::string>> set = {}) {
  for (const auto& [k, v] : set) {
    bool found = false;
    for (auto& c : cards)
      if (c.first == k) {
        c.second = v;
        found = true;
      }
    if (!found) cards.emplace_back(k, v);
  }
  PictureHeader h;
  for (const auto& [k, v] : cards) h.cards.push_back({k, v});
  return h;
}

// A white picture with the header `h` under `name`.
void MakePicture(TestApp& t, const std::string& name, const PictureHeader& h) {
  std::vector<std::uint32_t> px(static_cast<std::size_t>(kSize * kSize), 0xFFFFFFFFu);
  std::string error;
  ASSERT_TRUE(WriteBmp(name, kSize, kSize, px.data(), error)) << error;
  t.pic.headers[name] = h;
}

std::string HeaderLines(const std::string& picture, const HeaderCalibration& c, const std::string& typeWord) {
  return "Note: Data format: \"name\", B, CMD, L\r\n"
         "B, CMD and L are expresed in degrees.\r\n"
         "v2.0\r\n"
         "Picture: " + picture + "\r\n"
         "\"Date (day, month, year): \",15,3,2014\r\n"
         "\"Time (UT): \",10.342\r\n"
         "\"P=\",0\r\n"
         "\"B0=\",-7.2\r\n"
         "\"L0=\",123.45\r\n"
         "\"rho0=\"," + NumberText(c.rho0) + "\r\n" +
         typeWord + "\r\n" + NumberText(c.x0) + "," + NumberText(c.y0) + "," + NumberText(c.rk) + "\r\n" +
         NumberText(c.orientation) + "\r\n";
}

// B, CMD, L of (X, Y) as the program gives them now.
std::vector<double> Helio(const TestApp& t, double X, double Y) {
  double B = 0, CMD = 0, L = 0;
  PixelToHeliographic(t.app.s, X, Y, t.app.s.OrientationAngle, B, CMD, L);
  return {B, CMD, L};
}

const double kPoints[][2] = {{300, 200}, {420, 310}, {180, 420}, {305, 299}};

TEST(HeaderRoad, AHeaderThatIsEnoughIsMeasuredAtOnceAndReopensTheSame) {
  const struct {
    const char* name;
    PictureHeader h;
    const char* typeWord;
    std::int16_t northUp;
  } cases[] = {
      {"north up", Header(SunCards()), "SOHO", 1},
      {"turned by CROTA2", Header(SunCards(), {{"CROTA2", "167.25"}}), "SOHO", 1},
      {"mirrored", Header(SunCards(), {{"CDELT1", "-3.5"}, {"CROTA2", "20"}}), "scan", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    MakePicture(t, "sun.fts", c.h);
    HeaderCalibration cal;
    std::string missing;
    ASSERT_TRUE(CalibrateFromHeader(c.h, kSize, kSize, cal, missing)) << missing;

    OpenPicture(t.app, t.folder.File("sun.fts"));
    // No type question, no date dialog, no limb: measuring starts.
    EXPECT_TRUE(t.win.inputPrompts.empty());
    EXPECT_TRUE(t.win.messages.empty()) << t.win.messages.front();
    const ProgramState& s = t.app.s;
    EXPECT_EQ(s.CalibrationState, 3);
    EXPECT_EQ(s.NorthUpImage, c.northUp);
    EXPECT_EQ(s.GridOn, 1);
    for (Menu m : {Menu::Objekt, Menu::mreza, Menu::Compare, Menu::objectview}) EXPECT_TRUE(t.win.MenuEnabled(m));
    for (Menu m : {Menu::datum, Menu::Limb, Menu::orient, Menu::koor}) EXPECT_FALSE(t.win.MenuEnabled(m));
    EXPECT_EQ(s.DataFileName, "sun.dat");
    EXPECT_EQ(ReadAll("sun.dat"), "");  // the placeholder, until Save
    const std::string header = HeaderLines("sun.fts", cal, c.typeWord);
    EXPECT_EQ(ReadAll("temp.dat"), header);
    EXPECT_NE(ReadoutText(t.app, 300, 200).find("B="), std::string::npos);

    // One object of four points, saved.
    t.app.s.ManualSelection = kTrue;
    t.win.inputAnswers.push_back("G1");
    Objekt_Click(t.app);
    std::vector<std::vector<double>> before;
    std::string records;
    for (const auto& p : kPoints) {
      Picture1_MouseDown(t.app, kLeftButton, 0, p[0], p[1]);
      before.push_back(Helio(t, p[0], p[1]));
      records += "\"G1\"," + NumberText(before.back()[0]) + "," + NumberText(before.back()[1]) + "," +
                 NumberText(before.back()[2]) + "\r\n";
    }
    Objektend_Click(t.app);
    spremi_Click(t.app);
    EXPECT_EQ(ReadAll("sun.dat"), header + records);
    const std::string readout = ReadoutText(t.app, 250, 350);

    // Opened again: the data file gives the same calibration, B, CMD, L
    // under the pointer, and the stored points where they were clicked.
    OpenPicture(t.app, t.folder.File("sun.fts"));
    EXPECT_TRUE(t.win.inputPrompts.size() == 1u) << "only the object's name was asked for";
    EXPECT_EQ(t.app.s.ZeroPointX, cal.x0);
    EXPECT_EQ(t.app.s.ZeroPointY, cal.y0);
    EXPECT_EQ(t.app.s.LimbRadius, cal.rk);
    EXPECT_EQ(t.app.s.OrientationAngle, cal.orientation);
    EXPECT_EQ(t.app.s.NorthUpImage, c.northUp);
    EXPECT_EQ(ReadoutText(t.app, 250, 350), readout);
    ASSERT_EQ(t.app.s.StoredPointCount, 4);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(Helio(t, kPoints[i][0], kPoints[i][1]), before[static_cast<std::size_t>(i)]);
      EXPECT_NEAR(t.app.s.PointX[static_cast<std::size_t>(i + 1)], kPoints[i][0], 0.01);
      EXPECT_NEAR(t.app.s.PointY[static_cast<std::size_t>(i + 1)], kPoints[i][1], 0.01);
    }
    EXPECT_EQ(t.app.s.GridOn, 1);
    EXPECT_EQ(ReadAll("temp.dat"), header + records);
  }
}

TEST(HeaderRoad, AHeaderThatIsNotEnoughTakesTheOrdinaryRoadAndSaysWhatIsMissing) {
  const struct {
    const char* name;
    const char* picture;
    PictureHeader h;
    std::string message;
  } cases[] = {
      {"no date", "sun.fts", Header({{"CDELT1", "3.5"}, {"CRPIX1", "300"}, {"CRPIX2", "300"}, {"DSUN_OBS", "1.5e11"}}),
       "The picture sun.fts could not be calibrated from its header: no date of observation (DATE-OBS).\r"
       "Give its type, date, limb and orientation by hand."},
      {"zero CDELT", "sun.fts", Header(SunCards(), {{"CDELT2", "0"}}),
       "The picture sun.fts could not be calibrated from its header: CDELT2 is 0: the picture has no scale.\r"
       "Give its type, date, limb and orientation by hand."},
      {"mirrored under a north-up Kanzelhoehe name", "kanz_halph_fi_20140315_1020.fts",
       Header(SunCards(), {{"CDELT1", "-3.5"}}),
       "The picture kanz_halph_fi_20140315_1020.fts could not be calibrated from its header: the picture is "
       "mirrored, which its data file cannot record for a name beginning kanz_halph or kanz_bband.\r"
       "Give its type, date, limb and orientation by hand."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    MakePicture(t, c.picture, c.h);
    t.win.inputAnswers = {"3"};
    OpenPicture(t.app, t.folder.File(c.picture));
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0], c.message);
    ASSERT_EQ(t.win.inputPrompts.size(), 1u);
    EXPECT_EQ(t.win.inputPrompts[0].substr(0, 14), "Type of image|");
    EXPECT_EQ(t.app.s.ImageType, 3);
    EXPECT_EQ(t.app.s.CalibrationState, 0);
    EXPECT_TRUE(t.win.MenuEnabled(Menu::datum));
    EXPECT_FALSE(t.win.MenuEnabled(Menu::mreza));
  }
}

TEST(HeaderRoad, APictureWithoutAHeaderIsAskedForItsType) {
  TestApp t;
  MakePicture(t, "plain.jpg", PictureHeader{});
  t.win.inputAnswers = {"0"};
  OpenPicture(t.app, t.folder.File("plain.jpg"));
  EXPECT_TRUE(t.win.messages.empty());
  EXPECT_EQ(t.win.inputPrompts.size(), 1u);
}

// A data file read back is calibrated whatever its type word says.
TEST(HeaderRoad, ADataFileWithAnotherTypeWordOpensWithTheGridAndCompare) {
  TestApp t;
  MakePicture(t, "x.jpg", PictureHeader{});
  test::WriteAll("x.dat", "Note: Data format: \"name\", B, CMD, L\r\n"
                          "B, CMD and L are expresed in degrees.\r\n"
                          "v2.0\r\nPicture: x.jpg\r\n"
                          "\"Date (day, month, year): \",17,5,2003\r\n\"Time (UT): \",7.75\r\n\"P=\",-21.4512\r\n"
                          "\"B0=\",-2.3317\r\n\"L0=\",113.0527\r\n\"rho0=\",1.011316\r\nEIT\r\n"
                          "300,300,250\r\n0\r\n\"G1\",1,2,115.0527\r\n");
  OpenPicture(t.app, t.folder.File("x.jpg"));
  EXPECT_EQ(t.app.s.ImageType, 2);
  EXPECT_EQ(t.app.s.GridOn, 1);
  for (Menu m : {Menu::mreza, Menu::Compare, Menu::objectview, Menu::Objekt}) EXPECT_TRUE(t.win.MenuEnabled(m));
  EXPECT_EQ(t.app.s.StoredPointCount, 1);
}

// Rule: a picture whose data file cannot be read is not calibrated, even
// right after a calibrated picture.
TEST(HeaderRoad, AnUnreadableDataFileLeavesNoCalibrationOfThePicturesBefore) {
  TestApp t;
  MakePicture(t, "sun.fts", Header(SunCards()));
  OpenPicture(t.app, t.folder.File("sun.fts"));
  ASSERT_EQ(t.app.s.CalibrationState, 3);
  MakePicture(t, "cut.jpg", PictureHeader{});
  test::WriteAll("cut.dat", "Note: Data format: \"name\", B, CMD, L\r\nB, CMD and L are expresed in degrees.\r\n");
  OpenPicture(t.app, t.folder.File("cut.jpg"));
  EXPECT_EQ(t.app.s.CalibrationState, 0);
  EXPECT_EQ(ReadoutText(t.app, 300, 200).find("B="), std::string::npos);
  EXPECT_TRUE(t.win.MenuEnabled(Menu::datum));
  EXPECT_FALSE(t.win.MenuEnabled(Menu::mreza));
}

}  // namespace
}  // namespace pelorin
