#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "DataFiles.h"
#include "TestApp.h"
#include "base/RasterPicture.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "app/WorkFiles.h"

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;
using test::WriteAll;

const char* const kFilter = "Text files(*.txt,*.dat)|*.txt;*.dat|All files(*.*)|*.*";

const std::string kSaved = test::DataFile("v2.0", "scan", "-21.4512", {"\"a\",1,2,3"});
const std::string kNewRecord = "\"b\",4,5,6\r\n";

// Picture x.jpg of type 0 opened from its data file x.dat, one object
// measured since: temp.dat holds one record more than x.dat.
void OpenMeasured(TestApp& t) {
  WriteAll("x.dat", kSaved);
  ASSERT_EQ(ReadDataFile(t.app, "x.dat", "x.jpg"), "");
  WriteObjectRecord(t.app, "b", 4, 5, 6);
  ASSERT_EQ(ReadAll("temp.dat"), kSaved + kNewRecord);
}

TEST(Save, CancelledDialogSavesUnderThePresetNameAndMeasuringGoesOn) {
  TestApp t;
  OpenMeasured(t);
  spremi_Click(t.app);  // no answer scripted: the dialog is cancelled
  ASSERT_EQ(t.win.dialogCalls.size(), 1u);
  EXPECT_EQ(t.win.dialogCalls[0], std::string("save|Save data|") + kFilter + "|x.dat");
  EXPECT_TRUE(t.win.messages.empty());
  EXPECT_EQ(ReadAll("x.dat"), kSaved + kNewRecord);
  EXPECT_FALSE(std::filesystem::exists("x.dat.part"));

  // temp.dat goes on after the saved lines; a second save carries them.
  WriteObjectRecord(t.app, "c", 7, 8, 9);
  EXPECT_EQ(ReadAll("temp.dat"), kSaved + kNewRecord + "\"c\",7,8,9\r\n");
  EXPECT_EQ(ReadAll("x.dat"), kSaved + kNewRecord);
  spremi_Click(t.app);
  EXPECT_EQ(ReadAll("x.dat"), kSaved + kNewRecord + "\"c\",7,8,9\r\n");
}

// The data file Open created empty for a new picture may be replaced by the
// first Save without a question; once written, or for a picture opened from
// its data file, every existing file asks again.
TEST(Save, OnlyTheEmptyDataFileOfANewPictureIsReplacedUnasked) {
  const struct {
    const char* name;
    const char* type;  // answer to the type question
    bool fromDataFile;
    std::vector<bool> unasked;  // per Save
  } cases[] = {
      {"new picture", "0", false, {true, false}},
      {"new picture of type 2", "2", false, {true, true}},  // its Save writes the point list, not x.dat
      {"picture with its data file", "0", true, {false, false}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    std::vector<std::uint32_t> px(40 * 30, 0xFFFFFFFFu);
    std::string error;
    ASSERT_TRUE(WriteBmp("x.jpg", 40, 30, px.data(), error)) << error;
    if (c.fromDataFile) WriteAll("x.dat", kSaved);
    t.win.inputAnswers = {c.type};
    OpenPicture(t.app, t.folder.File("x.jpg"));
    const std::string dataPath = std::filesystem::absolute("x.dat").string();
    for (std::size_t i = 0; i < c.unasked.size(); ++i) {
      t.win.saveAnswers.push_back(std::nullopt);  // the offered name
      spremi_Click(t.app);
      ASSERT_EQ(t.win.replaceWithoutAsking.size(), i + 1);
      EXPECT_EQ(t.win.replaceWithoutAsking[i], c.unasked[i] ? dataPath : std::string()) << "Save " << i + 1;
    }
  }
}

TEST(Save, ChosenFileGetsTheDataAndTheDataFileIsLeftAlone) {
  TestApp t;
  OpenMeasured(t);
  t.win.saveAnswers.push_back(t.folder.File("copy.txt"));
  spremi_Click(t.app);
  EXPECT_EQ(ReadAll("copy.txt"), kSaved + kNewRecord);
  EXPECT_EQ(ReadAll("x.dat"), kSaved);
  WriteObjectRecord(t.app, "c", 7, 8, 9);
  EXPECT_EQ(ReadAll("temp.dat"), kSaved + kNewRecord + "\"c\",7,8,9\r\n");
}

TEST(Save, FailedSaveKeepsEverythingAndSaysWhy) {
  const struct {
    const char* name;
    std::string target;
  } cases[] = {
      {"folder does not exist", "no-such-folder/x.dat"},
      {"target is a folder", "adir"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    OpenMeasured(t);
    std::filesystem::create_directory("adir");
    t.win.saveAnswers.push_back(c.target);
    spremi_Click(t.app);
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_NE(t.win.messages[0].find(c.target), std::string::npos) << t.win.messages[0];
    EXPECT_EQ(ReadAll("x.dat"), kSaved);
    EXPECT_EQ(ReadAll("temp.dat"), kSaved + kNewRecord);
    EXPECT_FALSE(std::filesystem::exists(c.target + ".part"));
    // Still open for appending.
    WriteObjectRecord(t.app, "c", 7, 8, 9);
    EXPECT_EQ(ReadAll("temp.dat"), kSaved + kNewRecord + "\"c\",7,8,9\r\n");
  }
}

TEST(Save, TypeTwoWritesThePointListUnderTheBareName) {
  // Source: the Save rule for type 2: picture x.jpg with the preset name
  // writes a file named x without extension; the name is shown first.
  TestApp t;
  t.app.s.ImageType = 2;
  t.app.s.DataFileName = "x.jpg";
  t.app.s.PointCount = 3;
  t.app.s.PointX[1] = 10.5;
  t.app.s.PointY[1] = 20;
  t.app.s.PointX[2] = -3.25;
  t.app.s.PointY[2] = 7;
  t.app.s.PointX[3] = 0.1;  // a Single: 7 significant digits
  t.app.s.PointY[3] = 1e6;
  spremi_Click(t.app);
  ASSERT_EQ(t.win.dialogCalls.size(), 1u);
  EXPECT_EQ(t.win.dialogCalls[0], std::string("save|Save data|") + kFilter + "|x");
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.win.messages[0], "x");
  EXPECT_EQ(ReadAll("x"), "10.5,20\r\n-3.25,7\r\n0.1,1000000\r\n");
  EXPECT_FALSE(std::filesystem::exists("temp.dat"));
}

TEST(Save, WithoutAWorkingFileNothingIsOverwritten) {
  TestApp t;
  WriteAll("x.dat", kSaved);
  t.app.s.DataFileName = "x.dat";
  spremi_Click(t.app);  // temp.dat was never started
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_NE(t.win.messages[0].find("temp.dat"), std::string::npos) << t.win.messages[0];
  EXPECT_EQ(ReadAll("x.dat"), kSaved);
}

}  // namespace
}  // namespace pelorin
