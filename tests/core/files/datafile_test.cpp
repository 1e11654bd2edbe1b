#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataFiles.h"
#include "TestApp.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "app/WorkFiles.h"
#include "app/Geometry.h"

namespace pelorin {
namespace {

using test::DataFile;
using test::ReadAll;
using test::TestApp;
using test::WriteAll;

std::vector<std::string> Lines(const std::string& text) {
  test::TempFolder folder;
  WriteAll(folder.File("lines.txt"), text);
  return ReadLines(folder.File("lines.txt"));
}

TEST(ReadDataFile, Version2IsWrittenBackWithRoundingAndNorthUpP) {
  // Source: the data file format: a v2 file comes back
  // unchanged but for B, CMD, L rounded to 5 decimals (halves to even) and P
  // = 0 on a north-up picture.
  const std::vector<std::string> in = {
      "\"a\",12.5,-30.25,82.8027",
      "\"a\",12.123455,200,83.0000049",  // tie: 12.12345|5 goes to the even 12.12346
      "\"spot, big\",-8.000005,1.5,113.05271",
  };
  const std::vector<std::string> out = {
      "\"a\",12.5,-30.25,82.8027",
      "\"a\",12.12346,200,83",
      "\"spot, big\",-8,1.5,113.05271",
  };
  const struct {
    const char* typeWord;
    const char* picture;
    const char* writtenP;
    int imageType, northUp;
  } cases[] = {
      {"scan", "x.jpg", "-21.4512", 0, 0},
      {"scan", "kanz_halph_xx_20030517_0745.jpg", "0", 0, 1},
      {"SOHO", "x.jpg", "0", 1, 1},
      {"photo", "x.jpg", "0", 3, 1},
      {"photo", "kanz_drawx_xx_20030517_0745.jpg", "-21.4512", 3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typeWord) + " " + c.picture);
    TestApp t;
    WriteAll("x.dat", DataFile("v2.0", c.typeWord, "-21.4512", in, c.picture));
    EXPECT_EQ(ReadDataFile(t.app, "x.dat", c.picture), "");
    std::string want = DataFile("v2.0", c.typeWord, c.writtenP, out, c.picture);
    EXPECT_EQ(ReadAll("temp.dat"), want);
    EXPECT_EQ(t.app.s.ImageType, c.imageType);
    EXPECT_EQ(t.app.s.NorthUpImage, c.northUp);
    EXPECT_EQ(t.app.s.CalibrationState, 3.0f);
    EXPECT_EQ(t.app.s.StoredPointCount, 3);
    EXPECT_EQ(t.app.s.PointCount, 0);
    EXPECT_EQ(t.app.s.DataFileName, "x.dat");
    EXPECT_TRUE(t.app.file2.IsOpen());
  }
}

TEST(ReadDataFile, StoredPointsLieWhereTheirRecordsSay) {
  // The picture position kept for each record is where the program's own
  // read-out finds the record's B and L again, on pictures that are north up
  // as on the others (B and L of the records; 1e-3 degrees covers their 5
  // decimals and the round trip of the projection, regression only).
  const std::vector<std::string> records = {"\"a\",12.5,-30.25,82.8027", "\"b\",-8,20,133.0527"};
  const struct {
    const char* typeWord;
    const char* picture;
  } cases[] = {
      {"scan", "x.jpg"},
      {"scan", "kanz_halph_xx_20030517_0745.jpg"},
      {"SOHO", "x.jpg"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typeWord) + " " + c.picture);
    TestApp t;
    WriteAll("x.dat", DataFile("v2.0", c.typeWord, "-21.4512", records, c.picture));
    ASSERT_EQ(ReadDataFile(t.app, "x.dat", c.picture), "");
    const struct {
      double B, L;
    } want[] = {{12.5, 82.8027}, {-8, 133.0527}};
    ASSERT_EQ(t.app.s.StoredPointCount, 2);
    for (int i = 1; i <= 2; ++i) {
      double B = 0, CMD = 0, L = 0;
      PixelToHeliographic(t.app.s, t.app.s.PointX[static_cast<std::size_t>(i)],
                          t.app.s.PointY[static_cast<std::size_t>(i)], t.app.s.OrientationAngle, B, CMD, L);
      EXPECT_NEAR(B, want[i - 1].B, 1e-3) << "record " << i;
      EXPECT_NEAR(L, want[i - 1].L, 1e-3) << "record " << i;
    }
  }
}

TEST(ReadDataFile, ConvertsOlderVersions) {
  const struct {
    const char* name;
    const char* version;
    std::vector<std::string> records;
    std::vector<std::string> written;
  } cases[] = {
      // Source: the v1 rule, CMD above 180 less 360; v2 values stay.
      {"v1 CMD above 180", "v1.0", {"Obj name:     g1", "10,200,300"}, {"\"g1\",10,-160,300"}},
      {"v2 CMD 200", "v2.0", {"\"g1\",10,200,300"}, {"\"g1\",10,200,300"}},
      // Source: the v1 rule: records before any "Obj" line have no name.
      {"v1 before Obj", "v1.0", {"1,2,3", "Obj 1234567890g2", "4,5,6"}, {"\"\",1,2,3", "\"g2\",4,5,6"}},
      // v0 with B = 0: CMD = asin(sin Y) = Y; L = Reduce360(L0 + CMD),
      // L0 = 113.0527 (hand calculation). Third field unused.
      {"v0 on the equator", "", {"Obj 1234567890g", "0,30,999", "0,-120,0"},
       {"\"g\",0,30,143.0527", "\"g\",0,-60,53.0527"}},
      // v0 with B = 60, Y = 30: sin Y / cos B = 1, so CMD = asin(cos(60 *
      // (pi/180)^2)) = 90 deg - 60*pi/180 deg = 88.9528024 (hand calculation:
      // asin(cos x) = pi/2 - x); L = 113.0527 + 88.95280 = 202.00550.
      {"v0 squared pi/180", "", {"60,30"}, {"\"\",60,88.9528,202.0055"}},
      // Source: the version rule: an unknown version line gives the header
      // and no records.
      {"unknown version", "v3.0", {"\"g1\",10,20,30"}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    WriteAll("x.dat", DataFile(c.version, "scan", "-21.4512", c.records));
    ReadDataFile(t.app, "x.dat", "x.jpg");
    EXPECT_EQ(ReadAll("temp.dat"), DataFile("v2.0", "scan", "-21.4512", c.written));
    EXPECT_EQ(t.app.s.StoredPointCount, static_cast<int>(c.written.size()));
  }
}

TEST(ReadDataFile, UnknownVersionIsReported) {
  TestApp t;
  WriteAll("x.dat", DataFile("v3.0", "scan", "1", {"", "\"g1\",10,20,30"}));
  const std::string warning = ReadDataFile(t.app, "x.dat", "x.jpg");
  EXPECT_NE(warning.find("x.dat"), std::string::npos) << warning;
  EXPECT_NE(warning.find("line 15"), std::string::npos) << warning;
}

TEST(ReadDataFile, SkipsBlankAndCommaLessRecordLines) {
  const struct {
    const char* version;
    std::vector<std::string> records;
    std::vector<std::string> written;
    std::vector<int> reportedLines;  // lines named in the warning
  } cases[] = {
      {"v2.0", {"", "\"a\",1,2,3", "   ", "\"a\",1,2", "\"a\"", "garbage", "\"a\",4,5,6", ""},
       {"\"a\",1,2,3", "\"a\",4,5,6"}, {17, 18, 19}},
      {"v1.0", {"Obj 1234567890a", "", "1,2", "1,2,3", "x"}, {"\"a\",1,2,3"}, {16, 18}},
      {"", {"Obj 1234567890a", "7", "", "0,10"}, {"\"a\",0,10,123.0527"}, {15}},
      // B or Y so large that the v0 conversion overflows: no CMD to keep.
      {"", {"Obj 1234567890a", "0,1e308", "1e308,10", "0,10"}, {"\"a\",0,10,123.0527"}, {15, 16}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("version '") + c.version + "'");
    TestApp t;
    WriteAll("x.dat", DataFile(c.version, "scan", "1", c.records));
    const std::string warning = ReadDataFile(t.app, "x.dat", "x.jpg");
    EXPECT_EQ(ReadAll("temp.dat"), DataFile("v2.0", "scan", "1", c.written));
    for (int line : c.reportedLines) {
      EXPECT_NE(warning.find("line " + std::to_string(line) + ":"), std::string::npos) << warning;
    }
    EXPECT_EQ(warning.find("line 14:"), std::string::npos) << warning;  // blank lines pass silently
  }
}

TEST(ReadDataFile, HeaderCutShortThrowsNamingFileAndLine) {
  const std::string whole = DataFile("v2.0", "scan", "1", {});
  const std::vector<std::string> lines = Lines(whole);
  const struct {
    const char* name;
    std::string text;
    const char* line;
  } cases[] = {
      {"empty file", "", "line 1:"},
      {"ends after line 9", [&] {
         std::string s;
         for (int i = 0; i < 9; ++i) s += lines[static_cast<std::size_t>(i)] + "\r\n";
         return s;
       }(),
       "line 10:"},
      {"date without year", [&] {
         std::string s = whole;
         s.replace(s.find(",2003"), 5, "");
         return s;
       }(),
       "line 5:"},
      {"disc line with two numbers", [&] {
         std::string s = whole;
         s.replace(s.find("512,498,400"), 11, "512,498");
         return s;
       }(),
       "line 12:"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    WriteAll("x.dat", c.text);
    t.app.s.ImageType = 3;
    try {
      ReadDataFile(t.app, "x.dat", "x.jpg");
      ADD_FAILURE() << "no FileError";
    } catch (const FileError& e) {
      const std::string what = e.what();
      EXPECT_NE(what.find("x.dat"), std::string::npos) << what;
      EXPECT_NE(what.find(c.line), std::string::npos) << what;
    }
    EXPECT_EQ(t.app.s.ImageType, 3);  // the state is left alone
    EXPECT_EQ(t.app.s.CalibrationState, 0.0f);
    EXPECT_FALSE(t.app.file2.IsOpen());
  }
  TestApp t;
  EXPECT_THROW(ReadDataFile(t.app, "missing.dat", "missing.jpg"), FileError);
}

TEST(ReadDataFile, StopsAfterTheThousandthRecord) {
  TestApp t;
  std::vector<std::string> records;
  for (int i = 1; i <= 1001; ++i) records.push_back("\"g\"," + std::to_string(i % 80) + ",1,2");
  WriteAll("x.dat", DataFile("v2.0", "scan", "1", records));
  const std::string warning = ReadDataFile(t.app, "x.dat", "x.jpg");
  EXPECT_EQ(t.app.s.StoredPointCount, 1000);
  // The 1001st record is on line 13 + 1001.
  EXPECT_NE(warning.find("line 1014:"), std::string::npos) << warning;
  records.pop_back();
  EXPECT_EQ(ReadAll("temp.dat"), DataFile("v2.0", "scan", "1", records));
  // A file of exactly 1000 records reads without a word.
  TestApp u;
  WriteAll("x.dat", DataFile("v2.0", "scan", "1", records));
  EXPECT_EQ(ReadDataFile(u.app, "x.dat", "x.jpg"), "");
}

TEST(ReadDataFile, OpeningThePictureShowsWhatWasNotRead) {
  TestApp t;
  std::string error;
  t.pic.Fill(8, 8, 0xFFFFFF);
  ASSERT_TRUE(t.pic.SaveBmp(t.folder.File("x.bmp"), error)) << error;
  std::vector<std::string> records(1001, "\"g\",1,2,3");
  WriteAll("x.dat", DataFile("v2.0", "scan", "1", records, "x.bmp"));
  OpenPicture(t.app, t.folder.File("x.bmp"));
  EXPECT_EQ(t.app.s.StoredPointCount, 1000);
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("line 1014:"), std::string::npos) << t.win.messages[0];
}

TEST(ReadDataFile, StoredPointsLandOnThePicture) {
  // The point at the disc centre (L = L0, B = B0) maps to the zero point
  // whatever P and the orientation are (property of the transform).
  TestApp t;
  WriteAll("x.dat", DataFile("v2.0", "scan", "-21.4512", {"\"c\",-2.3317,0,113.0527"}));
  ReadDataFile(t.app, "x.dat", "x.jpg");
  EXPECT_NEAR(t.app.s.PointX[1], 512, 1e-6);
  EXPECT_NEAR(t.app.s.PointY[1], 498, 1e-6);
}

TEST(ApplyTypeWord, FollowsTheTypeWordTable) {
  // Source: the type-word table of picture loading.
  const struct {
    const char* word;
    const char* picture;
    int type, northUp;
    float dateKnown;  // starting from 0.5 ("unchanged" keeps 0.5)
  } cases[] = {
      {"SOHO", "kanz_drawx_a.jpg", 1, 1, 0.5f},
      {"scan", "kanz_drawx_a.jpg", 0, 0, 1.0f},
      {"scan", "kanz_halph_a.jpg", 0, 1, 1.0f},
      {"scan", "kanz_bband_a.jpg", 0, 1, 1.0f},
      {"scan", "KANZ_HALPH_a.jpg", 0, 0, 0.5f},
      {"scan", "other.jpg", 0, 0, 0.5f},
      {"photo", "kanz_drawx_a.jpg", 3, 0, 1.0f},
      {"photo", "kanz_halph_a.jpg", 3, 1, 1.0f},
      {"photo", "other.jpg", 3, 1, 1.0f},
      {"Scan", "kanz_halph_a.jpg", 2, 0, 0.5f},
      {"", "other.jpg", 2, 0, 0.5f},
  };
  for (const auto& c : cases) {
    std::int16_t type = 9, northUp = 9;
    float dateKnown = 0.5f;
    ApplyTypeWord(c.word, c.picture, type, northUp, dateKnown);
    EXPECT_EQ(type, c.type) << c.word << " " << c.picture;
    EXPECT_EQ(northUp, c.northUp) << c.word << " " << c.picture;
    EXPECT_EQ(dateKnown, c.dateKnown) << c.word << " " << c.picture;
  }
}

TEST(ReadDataFile, UnknownTypeWordKeepsItsLine) {
  // An unknown type word makes the picture type 2; its line stays in the
  // working file so that the header keeps 13 lines.
  TestApp t;
  WriteAll("x.dat", DataFile("v2.0", "drawing", "1", {"\"a\",1,2,3"}));
  ReadDataFile(t.app, "x.dat", "x.jpg");
  EXPECT_EQ(t.app.s.ImageType, 2);
  EXPECT_EQ(ReadAll("temp.dat"), DataFile("v2.0", "drawing", "1", {"\"a\",1,2,3"}));
}

}  // namespace
}  // namespace pelorin
