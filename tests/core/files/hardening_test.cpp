// Bad input meets a message and loses nothing: pictures that cannot be read,
// damaged data files, working files and save targets that cannot be written,
// SOHO catalogues with missing or short lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DataFiles.h"
#include "TestApp.h"
#include "base/RasterPicture.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "app/SaveImage.h"
#include "base/TextFile.h"
#include "app/WorkFiles.h"

namespace fs = std::filesystem;

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;
using test::WriteAll;
using namespace std::string_literals;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// All messages shown, one per line, for failure output.
std::string Shown(const TestApp& t) {
  std::string all;
  for (const auto& m : t.win.messages) all += m + "\n";
  return all;
}

// The bytes of a white BMP picture w x h, 24 bits.
std::string Bmp(int w, int h) {
  TestApp scratch;
  std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFFFFFFFFu);
  std::string error;
  EXPECT_TRUE(WriteBmp("p.bmp", w, h, px.data(), error)) << error;
  return ReadAll("p.bmp");
}

// A BMP header (54 bytes) that promises w x h pixels of 24 bits and holds none.
std::string BmpHeaderOnly(int w, int h) {
  std::string bytes = Bmp(1, 1).substr(0, 54);
  for (int i = 0; i < 4; ++i) {
    bytes[static_cast<std::size_t>(18 + i)] = static_cast<char>((w >> (8 * i)) & 0xFF);
    bytes[static_cast<std::size_t>(22 + i)] = static_cast<char>((h >> (8 * i)) & 0xFF);
  }
  return bytes;
}

const std::string kHeader = test::DataFileHeader("v2.0", "x.bmp") + "20,15,10\r\n12.5\r\n";

std::string Records(int n) {
  std::string r;
  for (int i = 1; i <= n; ++i) r += "\"g\"," + std::to_string(i % 50) + ",1,2\r\n";
  return r;
}

// x.bmp in the test folder, opened as a picture of type 0 (the type is asked
// only when it has no data file).
void OpenX(TestApp& t) {
  WriteAll("x.bmp", Bmp(40, 30));
  t.win.inputAnswers.push_back("0");
  OpenPicture(t.app, t.folder.File("x.bmp"));
}

// Source: the failure handling of Open: a file the loader cannot read gives
// the file name followed by " Invalid picture format!" and what is wrong, and the open picture
// with its working file stays as it was.
TEST(Hardening, PicturesThatCannotBeReadLeaveTheOpenOneAlone) {
  const std::string whole = Bmp(16, 16);
  const struct {
    const char* name;
    const char* file;
    std::string bytes;
  } cases[] = {
      {"empty file named .jpg", "bad.jpg", ""},
      {"text renamed .bmp", "bad.bmp", "Sunspots, 17 May 2003\r\n"},
      {"truncated BMP", "bad.bmp", whole.substr(0, whole.size() / 2)},
      {"header claims 100000 x 100000", "bad.bmp", BmpHeaderOnly(100000, 100000)},
      {"header claims 29999 x 29999 and holds no pixels", "bad.bmp", BmpHeaderOnly(29999, 29999)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    OpenX(t);
    t.app.file2.PrintLine("work in progress");
    WriteAll(c.file, c.bytes);
    OpenPicture(t.app, t.folder.File(c.file));
    ASSERT_EQ(t.win.messages.size(), 1u) << Shown(t);
    EXPECT_EQ(t.win.messages[0].rfind(t.folder.File(c.file) + " Invalid picture format!\r", 0), 0u) << t.win.messages[0];
    EXPECT_EQ(t.app.s.DataFileName, "x.dat");
    EXPECT_EQ(t.pic.Width(), 40);
    t.app.file2.PrintLine("more work");
    EXPECT_TRUE(Contains(ReadAll("temp.dat"), "work in progress\r\nmore work\r\n"));
  }
}

// Source: the data-file reading rules (header lines 1 to 13, at most 1000
// records, record lines without their commas skipped) and the rule that
// opening never writes the data file.
TEST(Hardening, DamagedDataFilesAreReadAsFarAsTheyGoAndLeftAsTheyAre) {
  const std::string longName(10000, 'n');
  const struct {
    const char* name;
    std::string file;
    int points;                      // StoredPointCount afterwards
    std::vector<std::string> shown;  // parts of the one message, none when empty
    std::string workRecords;         // temp.dat after the header ("" for a new picture)
  } cases[] = {
      {"cut inside its header", kHeader.substr(0, kHeader.find("\"B0=")), 0, {"x.dat", "line 8:", "without"}, ""},
      {"2000 records", kHeader + Records(2000), 1000, {"x.dat", "line 1014:"}, Records(1000)},
      {"a record of 10000 characters", kHeader + "\"" + longName + "\",1,2,3\r\n", 1, {},
       "\"" + longName + "\",1,2,3\r\n"},
      {"a line of 10000 digits", kHeader + std::string(10000, '7') + "\r\n\"a\",1,2,3\r\n", 1, {"line 14:"},
       "\"a\",1,2,3\r\n"},
      {"NUL bytes", kHeader + "\"a\0b\",1,2\0,3\r\n\0\0\0\r\n"s, 1, {"line 15:"},
       "\"a\0b\",1,2,3\r\n"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    WriteAll("x.dat", c.file);
    OpenX(t);
    EXPECT_EQ(t.app.s.StoredPointCount, c.points);
    if (c.shown.empty()) {
      EXPECT_TRUE(t.win.messages.empty()) << Shown(t);
    } else {
      ASSERT_EQ(t.win.messages.size(), 1u) << Shown(t);
      for (const auto& part : c.shown) EXPECT_TRUE(Contains(t.win.messages[0], part)) << t.win.messages[0];
    }
    EXPECT_EQ(ReadAll("x.dat"), c.file);
    const std::string work = ReadAll("temp.dat");
    if (c.workRecords.empty()) {
      // Opened as a new picture: the four first lines only.
      EXPECT_EQ(work, kHeader.substr(0, kHeader.find("\"Date")));
      EXPECT_EQ(t.app.s.CalibrationState, 0.0f);
    } else {
      EXPECT_EQ(work, kHeader + c.workRecords);
    }
  }
}

// A working file that cannot be created (a folder in its place): the data
// file is not read into a half-set state, and Save then says it did not save
// and leaves the data file as it was.
TEST(Hardening, TempDatThatCannotBeWritten) {
  TestApp t;
  const std::string file = kHeader + Records(3);
  WriteAll("x.dat", file);
  fs::create_directory("temp.dat");
  OpenX(t);
  ASSERT_EQ(t.win.messages.size(), 2u) << Shown(t);
  EXPECT_TRUE(Contains(t.win.messages[0], "temp.dat") && Contains(t.win.messages[0], "without its measurements"))
      << t.win.messages[0];
  EXPECT_TRUE(Contains(t.win.messages[1], "temp.dat") && Contains(t.win.messages[1], "cannot be recorded"))
      << t.win.messages[1];
  EXPECT_EQ(t.app.s.CalibrationState, 0.0f);
  EXPECT_EQ(t.app.s.StoredPointCount, 0);
  EXPECT_EQ(t.app.s.LimbRadius, 0.0);

  spremi_Click(t.app);
  ASSERT_EQ(t.win.messages.size(), 3u) << Shown(t);
  EXPECT_TRUE(Contains(t.win.messages[2], "not saved")) << t.win.messages[2];
  EXPECT_EQ(ReadAll("x.dat"), file);
}

// Save and Save Image either complete or say they did not; the previous file
// and temp.dat survive. A write that fails midway is made by pointing the
// file written beside the target at /dev/full, which takes the open and
// refuses the data.
TEST(Hardening, SavesThatFailMidwayOrAimAtTheWorkingFiles) {
  const struct {
    const char* name;
    const char* answer;  // the save dialog's answer (none: the preset x.dat)
    const char* devFull;  // this name is linked to /dev/full first
    const char* says;
  } cases[] = {
      {"write fails midway", nullptr, "x.dat.part", "not saved to x.dat"},
      {"target is temp.dat", "temp.dat", nullptr, "working file"},
      {"target is a.tmp", "a.tmp", nullptr, "working file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    const std::string file = kHeader + Records(2);
    WriteAll("x.dat", file);
    OpenX(t);
    ASSERT_TRUE(t.win.messages.empty()) << Shown(t);
    WriteObjectRecord(t.app, "new", 1, 2, 3);
    const std::string work = ReadAll("temp.dat");
    const std::string log = ReadAll("a.tmp");
    if (c.devFull) fs::create_symlink("/dev/full", c.devFull);
    if (c.answer) t.win.saveAnswers.push_back(t.folder.File(c.answer));
    spremi_Click(t.app);
    ASSERT_EQ(t.win.messages.size(), 1u) << Shown(t);
    EXPECT_TRUE(Contains(t.win.messages[0], c.says)) << t.win.messages[0];
    EXPECT_EQ(ReadAll("x.dat"), file);
    EXPECT_EQ(ReadAll("temp.dat"), work);
    EXPECT_EQ(ReadAll("a.tmp"), log);
    EXPECT_FALSE(fs::exists(fs::symlink_status("x.dat.part")));
    // Measuring goes on into the same working file.
    WriteObjectRecord(t.app, "later", 4, 5, 6);
    EXPECT_EQ(ReadAll("temp.dat"), work + "\"later\",4,5,6\r\n");
  }
}

TEST(Hardening, PointListSaveThatFailsMidwayKeepsThePreviousList) {
  // Source: the Save rule for type 2 (the clicked points to the bare name).
  TestApp t;
  t.app.s.ImageType = 2;
  t.app.s.DataFileName = "x.jpg";
  t.app.s.PointCount = 1;
  t.app.s.PointX[1] = 1;
  t.app.s.PointY[1] = 2;
  WriteAll("x", "9,9\r\n");
  fs::create_symlink("/dev/full", "x.part");
  spremi_Click(t.app);
  ASSERT_EQ(t.win.messages.size(), 2u) << Shown(t);  // the name, then the failure
  EXPECT_TRUE(Contains(t.win.messages[1], "not saved")) << t.win.messages[1];
  EXPECT_EQ(ReadAll("x"), "9,9\r\n");
}

TEST(Hardening, SaveImageThatFailsSaysSoAndKeepsThePreviousImage) {
  const struct {
    const char* name;
    bool folder;   // a folder named like the image
    bool devFull;  // the file written beside it linked to /dev/full
  } cases[] = {
      {"a folder in the image's place", true, false},
      {"write fails midway", false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    t.pic.Fill(30, 20, RGB(255, 255, 255));
    t.app.s.DataFileName = "x.dat";
    if (c.folder) fs::create_directory("x.dat.BMP");
    else WriteAll("x.dat.BMP", "previous image");
    if (c.devFull) fs::create_symlink("/dev/full", "x.dat.BMP.part");
    spremisliku_Click(t.app);
    ASSERT_EQ(t.win.messages.size(), 1u) << Shown(t);
    EXPECT_TRUE(Contains(t.win.messages[0], "x.dat.BMP")) << t.win.messages[0];
    if (c.folder) EXPECT_TRUE(fs::is_directory("x.dat.BMP"));
    else EXPECT_EQ(ReadAll("x.dat.BMP"), "previous image");
    EXPECT_FALSE(fs::exists(fs::symlink_status("x.dat.BMP.part")));
  }
}

// Source: the SOHO catalogue layout (key at 1 to 18, name at 25 to 32; an
// entry "&#", 8 lines, 4 numbers, the key 20 lines on). A lookup that fails
// is reported; the picture stays open, uncalibrated, with the four first
// lines of temp.dat, and the date can be entered by hand.
TEST(Hardening, SohoCataloguesMissingEmptyOrShort) {
  const std::string key = "0C220030517_074530";
  const std::string names = key + "      soho1234\r\n";
  const struct {
    const char* name;
    const char* nameconv;  // nullptr: no file
    std::string catalog;
    const char* says;
  } cases[] = {
      {"no nameconv.txt", nullptr, "", "nameconv.txt"},
      {"empty catalog.txt", "", "", "nameconv.txt"},
      {"nameconv lines too short for the name", "0C2\r\n\r\n0C220030517_074530 soho\r\n", "", "soho1234"},
      {"catalog.txt empty", names.c_str(), "", "catalog.txt"},
      {"catalog entry cut after its marker", names.c_str(), "&#\r\n1\r\n2\r\n", "catalog.txt"},
      {"catalog numbers on short lines, key missing", names.c_str(),
       "&#\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n1\r\n2\r\n", "catalog.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    if (c.nameconv) WriteAll("nameconv.txt", c.nameconv);
    if (std::string(c.name) != "no nameconv.txt") WriteAll("catalog.txt", c.catalog);
    WriteAll("soho1234.bmp", Bmp(20, 20));
    t.win.inputAnswers.push_back("1");
    OpenPicture(t.app, t.folder.File("soho1234.bmp"));
    ASSERT_EQ(t.win.messages.size(), 1u) << Shown(t);
    EXPECT_TRUE(Contains(t.win.messages[0], "could not be calibrated")) << t.win.messages[0];
    EXPECT_TRUE(Contains(t.win.messages[0], c.says)) << t.win.messages[0];
    EXPECT_EQ(t.app.s.CalibrationState, 0.0f);
    EXPECT_EQ(t.app.s.ImageType, 1);
    EXPECT_EQ(ReadAll("temp.dat"), kHeader.substr(0, kHeader.find("Picture:")) + "Picture: soho1234.bmp\r\n");
    EXPECT_TRUE(t.win.MenuEnabled(Menu::datum));
  }
}

}  // namespace
}  // namespace pelorin
