// The three autoselect routines: sampling order, grey level, picture border
// and the magenta marker.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "TestApp.h"
#include "app/Autoselect.h"

namespace pelorin {
namespace {

using test::TestApp;

constexpr std::uint32_t kWhite = RGB(255, 255, 255);
constexpr std::uint32_t kBlack = RGB(0, 0, 0);

struct Pixel {
  int x, y;
  std::uint32_t colour;
};

// A w x h picture of `background` with the given pixels painted into its
// clean copy (so a redraw keeps them).
void Paint(RasterPicture& pic, int w, int h, std::uint32_t background, const std::vector<Pixel>& pixels) {
  std::vector<std::uint32_t> argb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h),
                                  RasterPicture::ToArgb(background));
  for (const Pixel& p : pixels)
    argb[static_cast<std::size_t>(p.y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(p.x)] =
        RasterPicture::ToArgb(p.colour);
  pic.SetPixels(w, h, std::move(argb));
}

// The zero point of every case: picture (100, 100). A click at system-0
// (x, y) is the picture point (100 + x, 100 - y).
struct Fixture {
  TestApp t;
  Fixture() {
    t.app.s.ZeroPointX = 100;
    t.app.s.ZeroPointY = 100;
  }
  void ExpectMarkerAt(int X, int Y) {
    // The corners of the 3x3 marker (its centre may be the found pixel).
    for (int i : {-1, 1})
      for (int j : {-1, 1})
        EXPECT_EQ(t.pic.Point(X + i, Y + j), static_cast<std::int32_t>(QBColor(5))) << "marker at " << X + i << "," << Y + j;
  }
};

struct NearestCase {
  const char* name;
  std::vector<Pixel> dark;
  int wantX, wantY;  // picture point of the result
};

TEST(AutoselectNearest, FollowsTheRingOrder) {
  // Click on the whole pixel (110, 105). Expected positions follow from the
  // sampling rule (floor(X + r cos t), ceil(Y - r sin t)) worked by hand:
  // ring 1 visits (X,Y) at 15..75 deg, (X,Y-1) at 90, (X-1,Y) at 105..180,
  // (X-1,Y+1) at 195..255, (X,Y+1) at 270..345 and (X+1,Y) at 360. 360 deg
  // in radians (with the factor 0.017453292519943278) is a hair under 2 pi,
  // its sine is -6.5e-15, so from ring 2 on the 360 deg sample lies one row
  // below: (X+r, Y+1).
  const std::vector<NearestCase> cases = {
      {"dark under the click: the 15 deg sample is the clicked pixel", {{110, 105, kBlack}}, 110, 105},
      {"right neighbour: the last sample of ring 1", {{111, 105, kBlack}}, 111, 105},
      {"above wins over right (90 deg comes first)", {{111, 105, kBlack}, {110, 104, kBlack}}, 110, 104},
      {"left wins over below-left", {{109, 106, kBlack}, {109, 105, kBlack}}, 109, 105},
      {"ring 49 at 360 deg is still taken", {{159, 106, kBlack}}, 159, 106},
      {"only the very last sample (ring 50, 360 deg): stays", {{160, 106, kBlack}}, 110, 105},
      {"nothing darker than 128: stays", {{112, 105, RGB(128, 128, 128)}}, 110, 105},
  };
  for (const NearestCase& c : cases) {
    Fixture f;
    Paint(f.t.pic, 300, 300, kWhite, c.dark);
    double x = 10, y = -5;
    AutoselectNearest(f.t.app, x, y);
    EXPECT_EQ(x, c.wantX - 100) << c.name;
    EXPECT_EQ(y, 100 - c.wantY) << c.name;
    f.ExpectMarkerAt(c.wantX, c.wantY);
  }
}

struct DarkestCase {
  const char* name;
  std::uint32_t background;
  std::vector<Pixel> dark;
  int wantX, wantY;
};

TEST(AutoselectDarkest, ScansColumnsLeftToRightBottomUp) {
  // Click at picture (110, 105); the square runs x 100..120, y 95..115.
  const std::vector<DarkestCase> cases = {
      {"all white keeps the click", kWhite, {}, 110, 105},
      {"one dark pixel", kWhite, {{117, 98, RGB(50, 50, 50)}}, 117, 98},
      {"equal pixels, one column: the lower comes first", kWhite,
       {{107, 100, kBlack}, {107, 110, kBlack}}, 107, 110},
      {"equal pixels: the left column comes first", kWhite, {{112, 114, kBlack}, {108, 96, kBlack}}, 108, 96},
      // Grey 100.33 is kept as 100, which no later 100.33 beats: the first
      // sample (left column, bottom row) stays.
      {"uniform grey rounding down: first sample", RGB(100, 100, 101), {}, 100, 115},
      // Grey 100.67 is kept as 101, which every later 100.67 beats: the last
      // sample (right column, top row) wins.
      {"uniform grey rounding up: last sample", RGB(100, 101, 101), {}, 120, 95},
      {"darkest pixel outside the square is not seen", kWhite, {{121, 105, kBlack}}, 110, 105},
  };
  for (const DarkestCase& c : cases) {
    Fixture f;
    Paint(f.t.pic, 300, 300, c.background, c.dark);
    double x = 10, y = -5;
    AutoselectDarkest(f.t.app, x, y);
    EXPECT_EQ(x, c.wantX - 100) << c.name;
    EXPECT_EQ(y, 100 - c.wantY) << c.name;
    f.ExpectMarkerAt(c.wantX, c.wantY);
  }
}

TEST(AutoselectWeighted, WhiteKeepsTheClickAndADotGivesItsCentre) {
  struct Case {
    const char* name;
    std::vector<Pixel> dark;
    double wantX, wantY;  // picture point
    double tol;           // px
  };
  std::vector<Pixel> dot;
  for (int i = -1; i <= 1; ++i)
    for (int j = -1; j <= 1; ++j) dot.push_back({114 + i, 99 + j, kBlack});
  const std::vector<Case> cases = {
      {"white: the click", {}, 110, 105, 1e-9},
      // Weight 255 - 245 = 10 is below 15 and counts 0.
      {"faint pixels carry no weight", {{112, 103, RGB(245, 245, 245)}}, 110, 105, 1e-9},
      // The click's weight 0.001 against 9 x 255 shifts the centre by about
      // 0.001 * 7 px / 2295, i.e. 3e-6 px.
      {"symmetric 3x3 dot: its centre", dot, 114, 99, 1e-5},
  };
  for (const Case& c : cases) {
    Fixture f;
    Paint(f.t.pic, 300, 300, kWhite, c.dark);
    double x = 10, y = -5;
    AutoselectWeighted(f.t.app, x, y);
    EXPECT_NEAR(x, c.wantX - 100, c.tol) << c.name;
    EXPECT_NEAR(y, 100 - c.wantY, c.tol) << c.name;
    f.ExpectMarkerAt(static_cast<int>(c.wantX), static_cast<int>(c.wantY));
  }
}

TEST(Autoselect, SamplesOutsideThePictureCountAsWhite) {
  // Click on the top-left corner pixel (0, 0) of a 40 x 40 picture.
  {
    // Weighted on uniform grey 200: only x, y in 0..15 lie inside, so the
    // centroid is their centre (7.5, 7.5); outside samples weigh nothing.
    Fixture f;
    f.t.app.s.ZeroPointX = 0;
    f.t.app.s.ZeroPointY = 0;
    Paint(f.t.pic, 40, 40, RGB(200, 200, 200), {});
    double x = 0, y = 0;
    AutoselectWeighted(f.t.app, x, y);
    EXPECT_NEAR(x, 7.5, 1e-5);
    EXPECT_NEAR(y, -7.5, 1e-5);
  }
  {
    // Nearest and Darkest on white: nothing darker anywhere, the click stays.
    for (int mode : {0, 1}) {
      Fixture f;
      f.t.app.s.ZeroPointX = 0;
      f.t.app.s.ZeroPointY = 0;
      f.t.app.s.AutoselectMode = static_cast<std::int16_t>(mode);
      Paint(f.t.pic, 40, 40, kWhite, {});
      double x = 0, y = 0;
      Autoselect(f.t.app, x, y);
      EXPECT_EQ(x, 0) << "mode " << mode;
      EXPECT_EQ(y, 0) << "mode " << mode;
      EXPECT_EQ(f.t.pic.Point(1, 1), static_cast<std::int32_t>(QBColor(5))) << "mode " << mode;
    }
  }
}

}  // namespace
}  // namespace pelorin
