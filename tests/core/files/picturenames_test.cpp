#include <gtest/gtest.h>

#include "formats/PictureNames.h"

namespace pelorin {
namespace {

TEST(PictureNames, DataFileAndTheKindThatFAndFStepThrough) {
  struct Case {
    const char* picture;
    const char* data;
    const char* listed;
  } cases[] = {
      {"x.jpg", "x.dat", ".jpg"},
      {"x.JPG", "x.dat", ".jpg"},
      {"x.bmp", "x.dat", ".jpg"},  // BMP pictures step through the JPEGs, as ever
      {"x.jpeg", "x.jdat", ".jpg"},
      {"x.fits", "x.dat", ".fits"},
      {"x.FITS", "x.dat", ".FITS"},
      {"x.fits.gz", "x.dat", ".fits.gz"},
      {"x.fit.gz", "x.dat", ".fit.gz"},
      {"x.fts.gz", "x.dat", ".fts.gz"},
      {"x.fit", "x.dat", ".fit"},
      {"x.fts", "x.dat", ".fts"},
      {"x.jp2", "x.dat", ".jp2"},
      {"x.tiff", "x.dat", ".tiff"},
      {"x.tif", "x.dat", ".tif"},
      {"x.png", "x.dat", ".png"},
      {"a.b.fits", "a.b.dat", ".fits"},
      {"dir/x.gz", "dir/xdat", ".gz"},  // not a FITS name: the three-character rule
      {".fits", ".fdat", ".jpg"},
      {"ab", "dat", ".jpg"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DataFileNameOf(c.picture), c.data) << c.picture;
    EXPECT_EQ(PictureListEnding(c.picture), c.listed) << c.picture;
  }
}

}  // namespace
}  // namespace pelorin
