// Automatic limb on pictures read from their files as the program reads
// them: EUV pictures like an archive's (the mottled disc, the
// limb-brightening peak, the corona clipped raggedly) at 1024, 2048 and
// 4096 pixels a side as JPEG of quality 75 to 95, as float FITS data and as
// JPEG 2000; and coronagraph pictures, which have no disc.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "DataPictures.h"
#include "Decoders.h"
#include "SunPicture.h"
#include "TestApp.h"
#include "base/RasterPicture.h"
#include "app/LimbInput.h"
#include "calibration/LimbDetect.h"

namespace pelorin {
namespace {

enum class Format { Jpeg, Fits, Jp2 };

// Writes the rendered picture in the format: JPEG at `quality`; FITS as
// float data, exponential in the grey level (what a logarithmic stretch
// made the grey of), which the program stretches linearly; JPEG 2000 grey.
std::string Write(const test::TempFolder& folder, const gen::Rendered& r, Format f, int quality) {
  const std::size_t n = r.argb.size();
  switch (f) {
    case Format::Jpeg: {
      const std::string path = folder.File("sun.jpg");
      gen::WriteJpeg(path, r.width_px, r.height_px, r.argb, quality);
      return path;
    }
    case Format::Fits: {
      const std::string path = folder.File("sun.fits");
      std::vector<double> values(n);
      for (std::size_t k = 0; k < n; ++k) values[k] = 20 * std::exp((r.argb[k] & 0xFFu) / 46.0);
      gen::FitsLayout layout;
      layout.axes = {r.width_px, r.height_px};
      gen::WriteFits(path, layout, {{"INSTRUME", "AIA_4", true}, {"WAVELNTH", "193"}},
                     gen::FitsRowOrder(values, r.width_px, r.height_px));
      return path;
    }
    case Format::Jp2: {
      const std::string path = folder.File("sun.jp2");
      std::vector<std::uint16_t> grey(n);
      for (std::size_t k = 0; k < n; ++k) grey[k] = static_cast<std::uint16_t>(r.argb[k] & 0xFFu);
      gen::WriteJp2(path, r.width_px, r.height_px, grey, 8, "");
      return path;
    }
  }
  return "";
}

const char* Name(Format f) { return f == Format::Jpeg ? "JPEG" : f == Format::Fits ? "FITS" : "JPEG 2000"; }

LimbDetection Detect(const std::string& path) {
  decoders::DecodedPicture d;
  std::string error;
  EXPECT_TRUE(decoders::ReadPicture(path, d, error)) << error;
  RasterPicture pic;
  pic.SetPixels(d.width, d.height, std::move(d.argb));
  pic.SetHeader(std::move(d.header));
  return DetectLimb(pic);
}

TEST(AutomaticLimb, FindsTheDiscOfEuvPicturesInEveryFormatAndSize) {
  const struct {
    int side;
    unsigned seed;
    std::vector<std::pair<Format, int>> forms;
  } sizes[] = {
      {1024, 11, {{Format::Jpeg, 75}, {Format::Fits, 0}, {Format::Jp2, 0}}},
      {2048, 12, {{Format::Jpeg, 85}, {Format::Fits, 0}, {Format::Jp2, 0}}},
      {4096, 13, {{Format::Jpeg, 95}, {Format::Fits, 0}, {Format::Jp2, 0}}},
  };
  for (const auto& size : sizes) {
    // The photospheric radius of an AIA picture (0.39 of the side), its
    // centre a little off the middle.
    gen::Scene sc;
    sc.width_px = sc.height_px = size.side;
    sc.x0_px = size.side / 2.0 - 0.0071 * size.side, sc.y0_px = size.side / 2.0 + 0.0043 * size.side;
    sc.rk_px = 0.39 * size.side;
    sc.style = gen::Style::Euv;
    sc.limbPointCount = sc.linePointCount = 0;
    sc.noise = 2;
    sc.seed = size.seed;
    const gen::Rendered r = gen::Render(sc);
    for (const auto& [format, quality] : size.forms) {
      SCOPED_TRACE(std::to_string(size.side) + " " + Name(format) + (quality ? " q" + std::to_string(quality) : ""));
      test::TempFolder folder;
      const LimbDetection d = Detect(Write(folder, r, format, quality));
      ASSERT_TRUE(d.found);
      double x0 = 0, y0 = 0, rk = 0;
      ASSERT_EQ(FitLimbPoints(d.points, x0, y0, rk), 0);
      EXPECT_NEAR(x0, sc.x0_px, 2);
      EXPECT_NEAR(y0, sc.y0_px, 2);
      EXPECT_NEAR(rk, sc.rk_px, 0.02 * sc.rk_px);
      // The outer corona is never taken for the limb: every point within
      // 3 % of the radius.
      for (const LimbEdgePoint& p : d.points)
        EXPECT_NEAR(std::hypot(p.x_px - sc.x0_px, p.y_px - sc.y0_px), sc.rk_px, 0.03 * sc.rk_px);
    }
  }
}

TEST(AutomaticLimb, CoronagraphPicturesHaveNoDisc) {
  gen::Scene sc;
  sc.width_px = sc.height_px = 1024;
  sc.x0_px = 519.2, sc.y0_px = 503.7, sc.rk_px = 75;
  sc.style = gen::Style::Coronagraph;
  sc.limbPointCount = sc.linePointCount = 0;
  sc.noise = 3;
  const gen::Rendered r = gen::Render(sc);
  for (const auto& [format, quality] : {std::pair{Format::Jp2, 0}, std::pair{Format::Jpeg, 80}}) {
    test::TempFolder folder;
    EXPECT_FALSE(Detect(Write(folder, r, format, quality)).found) << Name(format);
  }
  // A FITS header naming the instrument says so before the pixels are
  // looked at.
  test::TempFolder folder;
  const std::string path = folder.File("c2.fits");
  std::vector<double> values;
  for (std::uint32_t c : r.argb) values.push_back(c & 0xFFu);
  gen::FitsLayout layout;
  layout.axes = {1024, 1024};
  gen::WriteFits(path, layout, {{"INSTRUME", "LASCO", true}, {"DETECTOR", "C2", true}},
                 gen::FitsRowOrder(values, 1024, 1024));
  EXPECT_FALSE(Detect(path).found);
}

}  // namespace
}  // namespace pelorin
