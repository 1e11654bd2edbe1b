#include <gtest/gtest.h>

#include "DataFiles.h"
#include "TestApp.h"
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

}  // namespace
}  // namespace pelorin
