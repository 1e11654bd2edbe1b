// The picture decoders on files the generator writes: FITS of every BITPIX,
// scaled, blank, compressed, in an extension, cubes; JPEG 2000 with its XML
// header; and the bad files each refused with what is wrong.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "DataPictures.h"
#include "Decoders.h"
#include "SpotPictures.h"
#include "TestApp.h"
#include "base/RasterPicture.h"

namespace pelorin {
namespace {

using decoders::DecodedPicture;
using decoders::ReadPicture;

void WriteText(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint32_t Grey(const DecodedPicture& p, int x, int y) {
  return p.argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) + static_cast<std::size_t>(x)] & 0xFF;
}

// A 4 x 3 ramp: value 10 * row + column in FITS order (row 0 at the bottom).
std::vector<double> Ramp(int w, int h) {
  std::vector<double> v;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) v.push_back(10.0 * j + i);
  return v;
}

TEST(Fits, EveryBitpixScaledOrNotReadsTheSameRampBottomRowLast) {
  struct Case {
    const char* what;
    gen::FitsLayout layout;
  } cases[] = {
      {"8", {8, {}, gen::FitsCompression::None, false, 0, 1, {}}},
      {"16", {16, {}, gen::FitsCompression::None, false, 0, 1, {}}},
      {"16 with BZERO 32768", {16, {}, gen::FitsCompression::None, false, 32768, 1, {}}},
      {"16 with BSCALE 0.5 BZERO -3", {16, {}, gen::FitsCompression::None, false, -3, 0.5, {}}},
      {"32", {32, {}, gen::FitsCompression::None, false, 0, 1, {}}},
      {"64", {64, {}, gen::FitsCompression::None, false, 0, 1, {}}},
      {"-32", {-32, {}, gen::FitsCompression::None, false, 0, 1, {}}},
      {"-64", {-64, {}, gen::FitsCompression::None, false, 0, 1, {}}},
      {"16 in an extension", {16, {}, gen::FitsCompression::None, true, 0, 1, {}}},
      {"16 Rice-compressed", {16, {}, gen::FitsCompression::Rice, false, 0, 1, {}}},
      {"32 gzip-compressed", {32, {}, gen::FitsCompression::Gzip, false, 0, 1, {}}},
  };
  test::TempFolder folder;
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.layout.axes = {4, 3};
    const std::string path = folder.File("ramp.fits");
    gen::WriteFits(path, c.layout, {{"DATE-OBS", "2014-01-01T00:00:07", true}, {"CRPIX1", "2.5"}}, Ramp(4, 3));
    DecodedPicture p;
    std::string error;
    ASSERT_TRUE(ReadPicture(path, p, error)) << error;
    EXPECT_EQ(p.kind, decoders::PictureKind::Fits);
    ASSERT_EQ(p.width, 4);
    ASSERT_EQ(p.height, 3);
    EXPECT_TRUE(p.note.empty());
    // The data's lowest value (array pixel 0, 0) is the bottom-left
    // picture pixel, the highest (3, 2) the top-right one.
    EXPECT_EQ(Grey(p, 0, 2), 0u);
    EXPECT_EQ(Grey(p, 3, 0), 255u);
    EXPECT_LT(Grey(p, 3, 2), Grey(p, 0, 1));  // 3 below 10
    EXPECT_NEAR(p.levels.low, 0, 0.6);
    EXPECT_NEAR(p.levels.high, 23, 0.6);
    ASSERT_NE(p.header.Find("DATE-OBS"), nullptr);
    EXPECT_EQ(*p.header.Find("DATE-OBS"), "2014-01-01T00:00:07");
    ASSERT_NE(p.header.Find("NAXIS1"), nullptr);
    EXPECT_EQ(*p.header.Find("NAXIS1"), "4");
    EXPECT_EQ(*p.header.Find("BITPIX"), std::to_string(c.layout.bitpix));
    EXPECT_EQ(p.header.Find("ZBITPIX"), nullptr);
    EXPECT_EQ(p.header.Find("TFORM1"), nullptr);
  }
}

TEST(Fits, BlankAndNanPixelsHaveNoValueAndShowBlack) {
  test::TempFolder folder;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> v = Ramp(4, 3);
  v[11] = nan;  // array (3, 2): top right
  struct Case {
    const char* what;
    gen::FitsLayout layout;
  } cases[] = {
      {"BLANK of 16 bits", {16, {4, 3}, gen::FitsCompression::None, false, 0, 1, -32768}},
      {"NaN of -32", {-32, {4, 3}, gen::FitsCompression::None, false, 0, 1, {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    gen::WriteFits(folder.File("b.fits"), c.layout, {}, v);
    DecodedPicture p;
    std::string error;
    ASSERT_TRUE(ReadPicture(folder.File("b.fits"), p, error)) << error;
    EXPECT_EQ(p.levels.level[3], kNoValue);
    EXPECT_EQ(Grey(p, 3, 0), 0u);
    EXPECT_EQ(Grey(p, 2, 0), 255u);  // the highest value left
  }
}

TEST(Fits, CubeShowsItsFirstPlaneWithANote) {
  test::TempFolder folder;
  gen::SolarFits s;
  s.width = s.height = 32;
  s.crpix1 = s.crpix2 = 16.5;
  s.cdelt1 = s.cdelt2 = 70;
  s.planes = 3;
  gen::WriteSolarFits(folder.File("cube.fits"), s);
  DecodedPicture p;
  std::string error;
  ASSERT_TRUE(ReadPicture(folder.File("cube.fits"), p, error)) << error;
  EXPECT_EQ(p.width, 32);
  EXPECT_EQ(p.height, 32);
  EXPECT_NE(p.note.find("cube of 32 x 32 x 3"), std::string::npos) << p.note;
  EXPECT_NE(p.note.find("first plane"), std::string::npos) << p.note;
}

TEST(Fits, GzipCompressedFileReadsLikeThePlainOne) {
  test::TempFolder folder;
  gen::SolarFits s;
  s.width = s.height = 40;
  s.crpix1 = s.crpix2 = 20.5;
  s.cdelt1 = s.cdelt2 = 55;
  gen::WriteSolarFits(folder.File("sun.fits"), s);
  ASSERT_EQ(std::system(("gzip -k -f " + folder.File("sun.fits")).c_str()), 0);
  DecodedPicture plain, packed;
  std::string error;
  ASSERT_TRUE(ReadPicture(folder.File("sun.fits"), plain, error)) << error;
  ASSERT_TRUE(ReadPicture(folder.File("sun.fits.gz"), packed, error)) << error;
  EXPECT_EQ(packed.argb, plain.argb);
  EXPECT_EQ(packed.header.cards.size(), plain.header.cards.size());
}

TEST(Fits, LongStringsContinuedOnCardsAfterThemAreJoined) {
  const std::string history =
      "Prepared from level 1 data with a point spread function deconvolved, then rebinned to 40 pixels; "
      "O'Brien's flat field applied & checked.";
  for (const auto compression : {gen::FitsCompression::None, gen::FitsCompression::Rice}) {
    test::TempFolder folder;
    gen::SolarFits s;
    s.width = s.height = 40;
    s.crpix1 = s.crpix2 = 20.5;
    s.cdelt1 = s.cdelt2 = 55;
    s.layout.compression = compression;
    s.extra = {{"PROCESS", history, true}, {"SHORTAMP", "ends in &", true}};
    gen::WriteSolarFits(folder.File("sun.fits"), s);
    DecodedPicture p;
    std::string error;
    ASSERT_TRUE(ReadPicture(folder.File("sun.fits"), p, error)) << error;
    ASSERT_NE(p.header.Find("PROCESS"), nullptr);
    EXPECT_EQ(*p.header.Find("PROCESS"), history);
    EXPECT_EQ(*p.header.Find("SHORTAMP"), "ends in &");
    EXPECT_EQ(p.header.Find("CONTINUE"), nullptr);
    EXPECT_EQ(*p.header.Find("DATE-OBS"), "2014-01-01T00:00:07.340");
  }
}

TEST(Fits, BadFilesAreRefusedWithWhatIsWrong) {
  test::TempFolder folder;
  gen::SolarFits s;
  s.width = s.height = 64;
  s.crpix1 = s.crpix2 = 32.5;
  s.cdelt1 = s.cdelt2 = 35;
  s.layout.bitpix = 16;
  gen::WriteSolarFits(folder.File("whole.fits"), s);
  const std::string whole = ReadAll(folder.File("whole.fits"));
  ASSERT_GT(whole.size(), 2880u * 2);

  const std::string nanPath = folder.File("nan.fits");
  gen::WriteFits(nanPath, {-32, {8, 8}, gen::FitsCompression::None, false, 0, 1, {}}, {}, std::vector<double>(64, std::numeric_limits<double>::quiet_NaN()));
  gen::WriteFits(folder.File("line.fits"), {16, {100}, gen::FitsCompression::None, false, 0, 1, {}}, {}, std::vector<double>(100, 5));
  WriteText(folder.File("huge.fits"), gen::RawFitsHeader({{"SIMPLE", "T"}, {"BITPIX", "16"}, {"NAXIS", "2"},
                                                            {"NAXIS1", "200000"}, {"NAXIS2", "200000"}}));
  WriteText(folder.File("cutdata.fits"), whole.substr(0, whole.size() - 2000));
  WriteText(folder.File("cuthead.fits"), whole.substr(0, 1000));
  WriteText(folder.File("empty.fits"), "");
  WriteText(folder.File("text.fits"), "These are notes about the observation, not a picture.\n");
  WriteText(folder.File("text.jp2"), "not a picture either\n");
  WriteText(folder.File("cut.jp2"), std::string("\0\0\0\x0cjP  \r\n\x87\n", 12) + "\0\0\0\x14" "ftyp");
  // A gzip-compressed image whose tile stream never ends: CFITSIO alone would
  // grow its buffer for ever (found by the fits_size fuzz target).
  // A compressed image with a tile size of 0, which CFITSIO divides by as it
  // moves to the HDU (found by the fits_size fuzz target).
  WriteText(folder.File("tile0.fits"),
            ReadAll(std::string(PELORIN_SOURCE_DIR) + "/fuzz/corpus/fits_size/compressed-tile-size-zero"));
  // A table column named by unquoted text, which CFITSIO copies past the end
  // of its buffer as it moves to the HDU (found by the fits_size fuzz target).
  WriteText(folder.File("unquoted.fits"),
            ReadAll(std::string(PELORIN_SOURCE_DIR) + "/fuzz/corpus/fits_size/column-name-without-quotes"));
  WriteText(folder.File("endless.fits"),
            ReadAll(std::string(PELORIN_SOURCE_DIR) + "/fuzz/corpus/fits_size/gzip-tile-stream-without-end"));

  struct Case {
    const char* file;
    const char* says;  // part of the error
  } cases[] = {
      {"nan.fits", "every pixel is NaN or blank"},
      {"line.fits", "1-D array of 100 values"},
      {"huge.fits", "200000 x 200000 pixels"},
      {"cutdata.fits", "the FITS file is cut short"},
      {"cuthead.fits", "not a readable FITS file"},
      {"empty.fits", "the file is empty"},
      {"text.fits", "not a readable FITS file"},
      {"text.jp2", "not a JPEG 2000 file"},
      {"cut.jp2", "JPEG 2000 header cannot be read"},
      {"tile0.fits", "HDU 2: its compressed image gives ZTILE2 as 0, which is no size"},
      {"unquoted.fits", "HDU 2: its header card TTYPE1 holds no quoted text"},
      {"endless.fits", "of its compressed image is damaged (its gzip stream does not end)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    DecodedPicture p;
    p.width = 7;
    std::string error;
    EXPECT_FALSE(ReadPicture(folder.File(c.file), p, error));
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
    EXPECT_EQ(p.width, 0);
    EXPECT_TRUE(p.argb.empty());
  }
}

TEST(Jpeg2000, GreyDataWithItsXmlHeaderAndColour) {
  test::TempFolder folder;
  gen::SolarFits s;
  s.width = 48;
  s.height = 40;
  s.crpix1 = 24.5;
  s.crpix2 = 20.5;
  s.cdelt1 = s.cdelt2 = 50;
  s.extra = {{"OBSERVER", "A & B <obs>", true}};
  gen::WriteSolarJp2(folder.File("sun.jp2"), s);
  DecodedPicture p;
  std::string error;
  ASSERT_TRUE(ReadPicture(folder.File("sun.jp2"), p, error)) << error;
  EXPECT_EQ(p.kind, decoders::PictureKind::Jpeg2000);
  EXPECT_EQ(p.width, 48);
  EXPECT_EQ(p.height, 40);
  EXPECT_FALSE(p.levels.Empty());
  ASSERT_NE(p.header.Find("CRPIX1"), nullptr);
  EXPECT_DOUBLE_EQ(std::stod(*p.header.Find("CRPIX1")), 24.5);
  EXPECT_EQ(*p.header.Find("OBSERVER"), "A & B <obs>");
  EXPECT_EQ(*p.header.Find("DATE-OBS"), "2014-01-01T00:00:07.340");
  // Shown as decoded: the disc centre is bright, the corners dark.
  EXPECT_GT(Grey(p, 24, 20), 200u);
  EXPECT_EQ(Grey(p, 0, 0), 0u);

  // Rows keep their order: a picture whose top row alone is bright.
  std::vector<std::uint16_t> g(16 * 8, 10);
  for (int x = 0; x < 16; ++x) g[static_cast<std::size_t>(x)] = 200;
  gen::WriteJp2(folder.File("top.jp2"), 16, 8, g, 8, "");
  ASSERT_TRUE(ReadPicture(folder.File("top.jp2"), p, error)) << error;
  EXPECT_EQ(Grey(p, 5, 0), 255u);
  EXPECT_EQ(Grey(p, 5, 7), 0u);
  EXPECT_TRUE(p.header.Empty());

  std::vector<std::uint32_t> rgb(8 * 8, 0x102030u);
  rgb[0] = 0xFF8000u;
  gen::WriteJp2Rgb(folder.File("colour.jp2"), 8, 8, rgb);
  ASSERT_TRUE(ReadPicture(folder.File("colour.jp2"), p, error)) << error;
  EXPECT_TRUE(p.levels.Empty());
  EXPECT_EQ(p.argb[0], 0xFFFF8000u);
  EXPECT_EQ(p.argb[9], 0xFF102030u);
}

TEST(Jpeg2000, XmlBoxIsFoundAmongTheTopLevelBoxes) {
  auto box = [](const std::string& type, const std::string& body) {
    std::string b;
    const auto n = static_cast<std::uint32_t>(body.size() + 8);
    for (int s = 24; s >= 0; s -= 8) b += static_cast<char>((n >> s) & 0xFF);
    return b + type + body;
  };
  struct Case {
    std::string bytes;
    bool ok;
    std::string xml;
  } cases[] = {
      {box("jP  ", "\r\n\x87\n") + box("jp2h", "xx") + box("xml ", "<meta/>") + box("jp2c", "data"), true, "<meta/>"},
      {box("jP  ", "\r\n\x87\n") + box("jp2c", "data") + box("xml ", "<late/>"), true, ""},
      {box("jP  ", "\r\n\x87\n") + box("xml ", "<meta/>").substr(0, 10), false, ""},
      {box("jP  ", "\r\n\x87\n") + std::string("\0\0\0\x03xml ", 8), false, ""},
  };
  for (const auto& c : cases) {
    std::string xml, error;
    EXPECT_EQ(decoders::FindJp2XmlBox(c.bytes, xml, error), c.ok) << error;
    EXPECT_EQ(xml, c.xml);
    if (!c.ok) {
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(Jpeg, BmpAndJpegReadByContent) {
  test::TempFolder folder;
  std::vector<std::uint32_t> px(6 * 4, 0xFF336699u);
  std::string error;
  ASSERT_TRUE(WriteBmp(folder.File("p.bmp"), 6, 4, px.data(), error)) << error;
  DecodedPicture p;
  ASSERT_TRUE(ReadPicture(folder.File("p.bmp"), p, error)) << error;
  EXPECT_EQ(p.kind, decoders::PictureKind::Bmp);
  EXPECT_EQ(p.argb, px);
  // A JPEG under a .bmp name is read as JPEG; one cut short is refused.
  ASSERT_TRUE(gen::WriteGreyJpeg(folder.File("g.jpg"), std::vector<std::uint8_t>(16 * 8, 128), 16, 8, 90, error))
      << error;
  std::string jpeg = ReadAll(folder.File("g.jpg"));
  WriteText(folder.File("g.bmp"), jpeg);
  ASSERT_TRUE(ReadPicture(folder.File("g.bmp"), p, error)) << error;
  EXPECT_EQ(p.kind, decoders::PictureKind::Jpeg);
  EXPECT_EQ(p.width, 16);
  EXPECT_NEAR(static_cast<int>(Grey(p, 3, 3)), 128, 2);
  WriteText(folder.File("cut.jpg"), jpeg.substr(0, jpeg.size() - 2));
  EXPECT_FALSE(ReadPicture(folder.File("cut.jpg"), p, error));
  EXPECT_NE(error.find("cut short"), std::string::npos) << error;
}

}  // namespace
}  // namespace pelorin
