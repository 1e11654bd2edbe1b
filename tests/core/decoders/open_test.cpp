// Opening FITS and JPEG 2000 pictures through the program's Open road, with
// the decoders' picture: data files, the folder's list, notes, brightness
// scales, and bad files that leave the open picture and its work alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "DataApp.h"
#include "DataPictures.h"
#include "SampleSet.h"
#include "Decoders.h"
#include "ScriptedWindow.h"
#include "TestApp.h"
#include "app/Dispatcher.h"
#include "app/Startup.h"
#include "app/View.h"
#include "app/PictureLoad.h"

namespace fs = std::filesystem;

namespace pelorin {
namespace {

using test::DataApp;

// A small observation without DATE-OBS: it takes the ordinary road of a
// new picture (type question and so on) after a message saying that the
// header is not enough.
gen::SolarFits Undated(int side = 48) {
  gen::SolarFits s;
  s.width = s.height = side;
  s.crpix1 = s.crpix2 = side / 2.0 + 0.5;
  s.cdelt1 = s.cdelt2 = 975.3 / (0.4 * side);
  s.dateObs.clear();
  return s;
}

void Write(const std::string& name, const gen::SolarFits& s) {
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jp2") == 0) {
    gen::WriteSolarJp2(name, s);
  } else if (name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0) {
    const std::string plain = name.substr(0, name.size() - 3);
    gen::WriteSolarFits(plain, s);
    ASSERT_EQ(std::system(("gzip -f '" + plain + "'").c_str()), 0);
  } else {
    gen::WriteSolarFits(name, s);
  }
}

TEST(OpenDataPicture, DataFileIsNamedWithoutTheWholeExtension) {
  struct Case {
    const char* picture;
    const char* data;
  } cases[] = {
      {"a.fits", "a.dat"}, {"b.fits.gz", "b.dat"}, {"c.fit", "c.dat"}, {"d.fts", "d.dat"}, {"e.jp2", "e.dat"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.picture);
    DataApp t;
    Write(c.picture, Undated());
    t.win.inputAnswers = {"0"};
    OpenPicture(t.app, t.folder.File(c.picture));
    ASSERT_EQ(t.win.messages.size(), 1u);
    EXPECT_EQ(t.win.messages[0].rfind(std::string("The picture ") + c.picture + " could not be calibrated from its header", 0),
              0u)
        << t.win.messages[0];
    EXPECT_EQ(t.app.s.DataFileName, c.data);
    EXPECT_TRUE(fs::exists(t.folder.File(c.data)));
    EXPECT_EQ(t.pic.Width(), 48);
    EXPECT_TRUE(t.pic.HasDataLevels());
    EXPECT_FALSE(t.pic.Header().Empty());
  }
}

TEST(OpenDataPicture, CubeOpensWithANoteAndFStepsThroughTheFitsFiles) {
  DataApp t;
  gen::SolarFits cube = Undated();
  cube.dateObs = "2014-01-01T00:00:07.340";  // calibrated from its header: the note alone
  cube.planes = 4;
  Write("b.fits", cube);
  for (const char* n : {"a.fits", "c.fits"}) Write(n, Undated());
  Write("d.jp2", Undated());
  OpenPicture(t.app, t.folder.File("b.fits"));
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.win.messages[0], t.folder.File("b.fits") +
                                   ": The FITS file holds a cube of 48 x 48 x 4 values; its first plane is shown.");
  EXPECT_EQ(t.app.s.PictureCount, 3);
  EXPECT_EQ(t.app.s.PictureIndex, 2);
  t.win.inputAnswers = {"0"};
  Form_KeyPress(t.app, 'f');
  EXPECT_EQ(t.app.s.DataFileName, "c.dat");
  EXPECT_EQ(t.app.s.PictureIndex, 3);
}

TEST(OpenDataPicture, BadFilesLeaveTheOpenPictureAndItsWork) {
  DataApp t;
  Write("good.fits", Undated(40));
  t.win.inputAnswers = {"0"};
  OpenPicture(t.app, t.folder.File("good.fits"));
  ASSERT_EQ(t.win.messages.size(), 1u);  // the header is not enough
  t.app.file2.PrintLine("work in progress");
  const std::string whole = test::ReadAll(t.folder.File("good.fits"));

  gen::WriteFits("nan.fits", {-32, {6, 6}, gen::FitsCompression::None, false, 0, 1, {}}, {},
                 std::vector<double>(36, std::numeric_limits<double>::quiet_NaN()));
  gen::WriteFits("line.fits", {16, {50}, gen::FitsCompression::None, false, 0, 1, {}}, {}, std::vector<double>(50, 1));
  test::WriteAll("huge.fits", gen::RawFitsHeader({{"SIMPLE", "T"}, {"BITPIX", "-32"}, {"NAXIS", "2"},
                                                  {"NAXIS1", "200000"}, {"NAXIS2", "200000"}}));
  test::WriteAll("cutdata.fits", whole.substr(0, whole.size() - 3000));
  test::WriteAll("cuthead.fits", whole.substr(0, 800));
  test::WriteAll("empty.fits", "");
  test::WriteAll("text.fits", "Observing notes: seeing 3, clouds at 10 UT\n");
  struct Case {
    const char* file;
    const char* says;
  } cases[] = {
      {"nan.fits", "It holds no value: every pixel is NaN or blank"},
      {"line.fits", "1-D array of 50 values"},
      {"huge.fits", "200000 x 200000 pixels"},
      {"cutdata.fits", "The FITS file is cut short"},
      {"cuthead.fits", "It is not a readable FITS file"},
      {"empty.fits", "The file is empty"},
      {"text.fits", "It is not a readable FITS file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    t.win.messages.clear();
    OpenPicture(t.app, t.folder.File(c.file));
    ASSERT_EQ(t.win.messages.size(), 1u);
    const std::string& m = t.win.messages[0];
    EXPECT_EQ(m.rfind(t.folder.File(c.file) + " Invalid picture format!\r", 0), 0u) << m;
    EXPECT_NE(m.find(c.says), std::string::npos) << m;
    EXPECT_EQ(t.app.s.DataFileName, "good.dat");
    EXPECT_EQ(t.pic.Width(), 40);
    EXPECT_TRUE(t.pic.HasDataLevels());
  }
  t.app.file2.PrintLine("more work");
  t.app.file2.Close();
  EXPECT_EQ(test::ReadAll(t.folder.File("temp.dat")).find("work in progress\r\nmore work\r\n") != std::string::npos,
            true);
}

TEST(OpenDataPicture, BrightnessScaleRedrawsTheDataAndTheMarks) {
  DataApp t;
  Write("sun.fits", Undated(64));
  t.win.inputAnswers = {"0"};
  OpenPicture(t.app, t.folder.File("sun.fits"));
  ASSERT_TRUE(BrightnessScaleApplies(t.app));
  const DataLevels& levels = t.pic.Levels();
  // A pixel between the limits: the limb-darkened disc half way out.
  const int x = 32 + 8, y = 32;
  const std::uint16_t level = levels.level[static_cast<std::size_t>(y) * 64 + x];
  ASSERT_GT(level, 1);
  ASSERT_LT(level, kMaxLevel);
  for (BrightnessScale s : {BrightnessScale::Logarithmic, BrightnessScale::SquareRoot, BrightnessScale::Linear}) {
    SCOPED_TRACE(BrightnessScaleCaption(s));
    EXPECT_TRUE(BrightnessScale_Click(t.app, s));
    const int g = GreyTable(s)[level];
    EXPECT_EQ(t.pic.Point(x, y), static_cast<std::int32_t>(RGB(g, g, g)));
    EXPECT_EQ(t.pic.Brightness(), s);
  }
  // A picture without data keeps its look.
  std::vector<std::uint32_t> px(8 * 8, 0xFF204060u);
  std::string error;
  ASSERT_TRUE(WriteBmp(t.folder.File("p.bmp"), 8, 8, px.data(), error));
  t.win.inputAnswers = {"0"};
  OpenPicture(t.app, t.folder.File("p.bmp"));
  EXPECT_FALSE(BrightnessScaleApplies(t.app));
  EXPECT_FALSE(BrightnessScale_Click(t.app, BrightnessScale::Logarithmic));
  EXPECT_EQ(t.pic.Point(1, 1), static_cast<std::int32_t>(RGB(0x20, 0x40, 0x60)));
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

TEST(OpenDataPicture, BundledFitsSampleOpensCalibratedWhereItsDiscIs) {
  const gen::SampleSet set = gen::BundledSamples();
  ASSERT_FALSE(set.fitsName.empty());
  DataApp t;
  fs::copy_file(std::string(PELORIN_SOURCE_DIR) + "/samples/" + set.fitsName, t.folder.File(set.fitsName));
  OpenPicture(t.app, t.folder.File(set.fitsName));
  EXPECT_TRUE(t.win.messages.empty()) << t.win.messages.front();
  const ProgramState& s = t.app.s;
  ASSERT_EQ(s.CalibrationState, 3);
  EXPECT_EQ(s.GridOn, 1);
  EXPECT_EQ(s.DataFileName, "fits_20030518_1000.dat");
  EXPECT_EQ(t.pic.Width(), set.fits.width);
  // The disc the generator drew is where the header puts it.
  const gen::DiscPx disc = gen::SolarDisc(set.fits);
  EXPECT_NEAR(s.ZeroPointX, disc.x0, 0.5);
  EXPECT_NEAR(s.ZeroPointY, disc.y0, 0.5);
  EXPECT_NEAR(s.LimbRadius, disc.r, 0.01 * disc.r);
  EXPECT_EQ(s.DateYear, 2003);
  EXPECT_EQ(s.DateMonth, 5);
  EXPECT_EQ(s.DateDay, 18);
  EXPECT_NEAR(s.TimeUT, 10.0, 1e-9);
}

}  // namespace
}  // namespace pelorin
