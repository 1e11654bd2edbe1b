#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "DataFiles.h"
#include "TestApp.h"
#include "app/DataFileIO.h"
#include "app/LimbInput.h"
#include "app/OrientationInput.h"
#include "app/PictureLoad.h"
#include "app/Points.h"
#include "app/WorkFiles.h"

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;

// The whole working file of a measured picture and the point log, byte for
// byte. Layouts of the data file format: print lines as they are,
// write lines with quoted strings and comma-separated numbers, CR LF ends.
TEST(WorkFiles, WholeHeaderAndTwoObjectsByteForByte) {
  TestApp t;
  App& app = t.app;
  ProgramState& s = app.s;
  app.file2.Open("temp.dat");
  s.ImageType = 0;
  s.DateDay = 17;
  s.DateMonth = 5;
  s.DateYear = 2003;
  s.TimeUT = 7.75;
  s.P = -21.4512;
  s.B0 = -2.3317;
  s.L0 = 113.0527;
  s.rho0 = 1.011316;
  s.ZeroPointX = 512.25;
  s.ZeroPointY = 498;
  s.LimbRadius = 402.5;
  s.OrientationAngle = -0.125;

  WriteHeaderStart(app, "kanz_halph_xx_20030517_0745.jpg");
  WriteDateLines(app);
  WriteDiscLine(app);
  WriteOrientationLine(app);
  WriteObjectRecord(app, "a", 12.5, -30.25, 82.8027);
  WriteObjectRecord(app, "a", 12.75, -30, 83.0527);
  WriteObjectRecord(app, "b 2", -8, 0.00001, 113.05271);
  LogPoint(app, 100.5, 200.25, true);
  LogPoint(app, 0.1, -3, false);
  LogObjectPoint(app, 12.5, -30.25);
  LogObjectPoint(app, -8, 0.00001);

  // Source: the line table of the data file (lines 1 to 14 and on).
  EXPECT_EQ(ReadAll("temp.dat"),
            test::DataFileHeader("v2.0", "kanz_halph_xx_20030517_0745.jpg") +
                "512.25,498,402.5\r\n"
                "-0.125\r\n"
                "\"a\",12.5,-30.25,82.8027\r\n"
                "\"a\",12.75,-30,83.0527\r\n"
                "\"b 2\",-8,1E-05,113.05271\r\n");
  // Source: the a.tmp layout: "x,y" per captured point, "B, CMD" per
  // point of a finished object.
  EXPECT_EQ(ReadAll("a.tmp"),
            "100.5,200.25\r\n"
            "0.1,-3\r\n"
            "12.5, -30.25\r\n"
            "-8, 1E-05\r\n");
}

// A calibration measured again on a picture opened from its data file (as
// after restoring unsaved work): the new disc, and on a scan the new
// orientation, replace lines 12 and 13 of the working file, so that the
// saved file opens with them and with its record, nothing unread.
TEST(WorkFiles, ACalibrationMeasuredAgainReplacesItsLines) {
  const struct {
    const char* typeWord;
    bool orientation;  // a scan's north is not up: the orientation again too
  } cases[] = {{"photo", false}, {"scan", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typeWord);
    TestApp t;
    std::vector<std::uint32_t> white(1024 * 1024, 0xFFFFFFFFu);
    std::string error;
    ASSERT_TRUE(WriteBmp("x.jpg", 1024, 1024, white.data(), error)) << error;
    test::WriteAll("x.dat", test::DataFile("v2.0", c.typeWord, "-21.4512", {"\"G1\",10,-20,93"}));
    OpenPicture(t.app, t.folder.File("x.jpg"));
    ASSERT_TRUE(t.win.messages.empty()) << t.win.messages.front();
    Limb_Click(t.app);
    t.app.s.ManualSelection = 1;
    for (int i = 0; i < 8; ++i)
      Picture1_MouseDown(t.app, kLeftButton, 0, std::round(520 + 380 * std::cos(i * 0.785 + 0.2)),
                         std::round(490 + 380 * std::sin(i * 0.785 + 0.2)));
    limbend_Click(t.app);
    if (c.orientation) {
      t.win.directionScripts.push_back([](DirectionDialog& d) { d.Command3D1_Click(); });
      dnevnihod_Click(t.app);
      t.app.s.PointCount = 3;
      for (std::size_t i = 1; i <= 3; ++i) {
        t.app.s.PointX[i] = 30.0 * static_cast<double>(i);
        t.app.s.PointY[i] = 3.0 * static_cast<double>(i);
      }
      dirend_Click(t.app);
    }
    ASSERT_EQ(t.app.s.CalibrationState, 3);
    const double x0 = t.app.s.ZeroPointX, rk = t.app.s.LimbRadius, orientation = t.app.s.OrientationAngle;
    EXPECT_NEAR(x0, 520, 0.5);
    t.win.saveAnswers.push_back(t.folder.File("x.dat"));
    spremi_Click(t.app);
    t.win.messages.clear();
    OpenPicture(t.app, t.folder.File("x.jpg"));
    EXPECT_TRUE(t.win.messages.empty()) << t.win.messages.front();
    EXPECT_NEAR(t.app.s.ZeroPointX, x0, 1e-6);
    EXPECT_NEAR(t.app.s.LimbRadius, rk, 1e-6);
    EXPECT_NEAR(t.app.s.OrientationAngle, orientation, 1e-6);
    if (c.orientation) {
      EXPECT_NE(orientation, 12.5);
    }
    const std::string saved = ReadAll("x.dat");
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 14) << saved;
    EXPECT_NE(saved.find("\"G1\",10,-20,93\r\n"), std::string::npos) << saved;
  }
}

}  // namespace
}  // namespace pelorin
