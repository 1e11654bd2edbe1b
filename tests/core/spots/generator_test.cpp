// The generator's white-light spots are modelled on the sphere: what the
// picture shows agrees with the truth it reports (areas, shared penumbrae,
// positions), so that the accuracy tests measure the finder, not the
// generator.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "SpotPictures.h"
#include "base/Numbers.h"
#include "app/State.h"
#include "app/Geometry.h"
#include "spots/Spots.h"

namespace pelorin {
namespace {

// A clean picture: no blur, noise, granulation, vignetting or JPEG.
gen::WlScene Clean(double orientation, bool northUp) {
  gen::WlScene sc;
  sc.width_px = sc.height_px = 1200;
  sc.x0_px = 600.3;
  sc.y0_px = 598.8;
  sc.rk_px = 540;
  sc.orientation_deg = orientation;
  sc.northUp = northUp;
  sc.blur_px = 0;
  sc.noise = 0;
  sc.granulation = 0;
  sc.vignetting = 0;
  sc.jpegQuality = 0;
  return sc;
}

TEST(SpotGenerator, SpotsAreCapsOnTheSphere) {
  struct Case {
    double cmd, B, orientation;
    bool northUp;
  };
  for (const Case& c : std::vector<Case>{{0, 5, 0, true}, {45, -20, 30, false}, {-68, 15, 200, false}, {72, 0, 0, true}}) {
    gen::WlScene sc = Clean(c.orientation, c.northUp);
    const gen::Ephemeris eph = gen::ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, sc.northUp);
    gen::WlSpot s;
    s.group = "A";
    s.B_deg = c.B;
    s.L_deg = eph.L0_deg + c.cmd;
    s.umbra_deg = 0.8;
    s.penumbra_deg = 2.0;
    s.umbraLevel = 0.2;
    s.penumbraLevel = 0.7;
    sc.spots = {s};
    const gen::WlRendered r = gen::RenderWhiteLight(sc);
    const gen::WlSpotTruth& t = r.truth.spots.at(0);
    EXPECT_NEAR(t.area_msh, 1e6 * (1 - std::cos(2.0 * 3.14159265358979 / 180)), 1e-6);
    // The picture's darkened pixels, against the limb-darkened disc
    // without the spot, weighted by their foreshortening.
    gen::WlScene bare = sc;
    bare.spots.clear();
    const gen::WlRendered q = gen::RenderWhiteLight(bare);
    const gen::Truth& p = r.truth.picture;
    double pen = 0, umb = 0;
    for (int j = 0; j < r.height_px; ++j)
      for (int i = 0; i < r.width_px; ++i) {
        const std::size_t k = static_cast<std::size_t>(j) * static_cast<std::size_t>(r.width_px) + static_cast<std::size_t>(i);
        if (q.grey[k] < 40) continue;  // sky and the limb's last pixels
        const double dx = i - p.x0_px, dy = j - p.y0_px;
        const double mu = std::sqrt(std::max(0.0, 1 - (dx * dx + dy * dy) / (p.rk_px * p.rk_px)));
        if (mu < 0.05 || r.grey[k] == q.grey[k]) continue;
        const double wgt = 1e6 / (2 * 3.14159265358979 * p.rk_px * p.rk_px * mu);
        const double ratio = (r.grey[k] - sc.skyGrey) / (q.grey[k] - sc.skyGrey);
        // Partly covered pixels count by their share of each level.
        pen += wgt * std::clamp((1 - ratio) / (1 - 0.7), 0.0, 1.0) * (ratio > 0.7 - 1e-9 ? 1 : 0) +
               wgt * (ratio <= 0.7 - 1e-9 ? 1 : 0);
        umb += wgt * std::clamp((0.7 - ratio) / (0.7 - 0.2), 0.0, 1.0);
      }
    SCOPED_TRACE("CMD " + std::to_string(c.cmd));
    EXPECT_NEAR(pen / t.area_msh, 1, 0.03);
    EXPECT_NEAR(umb / t.umbra_msh, 1, 0.05);
    // The truth's centre is where the program finds the spot's B and L.
    ProgramState st;
    gen::ApplyCalibration(p, st);
    double B = 0, CMD = 0, L = 0;
    PixelToHeliographic(st, t.x_px, t.y_px, p.orientation_deg, B, CMD, L);
    EXPECT_NEAR(B, c.B, 1e-4);
    EXPECT_NEAR(CMD, c.cmd, 1e-4);
  }
}

TEST(SpotGenerator, SharedPenumbraIsDividedByNearestUmbra) {
  gen::WlScene sc = Clean(0, true);
  const gen::Ephemeris eph = gen::ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, true);
  for (double dl : {-0.5, 0.5}) {
    gen::WlSpot s;
    s.group = "A";
    s.B_deg = 10;
    s.L_deg = eph.L0_deg + 10 + dl;
    s.umbra_deg = 0.3;
    s.penumbra_deg = 0.8;
    s.compound = 0;
    sc.spots.push_back(s);
  }
  const gen::WlRendered r = gen::RenderWhiteLight(sc);
  ASSERT_EQ(r.truth.spots.size(), 2u);
  const double cap = 1e6 * (1 - std::cos(0.8 * 3.14159265358979 / 180));
  // Two equal spots share the union equally; the union is less than two
  // caps (they overlap) and more than one.
  EXPECT_NEAR(r.truth.spots[0].area_msh, r.truth.spots[1].area_msh, 0.01 * cap);
  const double both = r.truth.spots[0].area_msh + r.truth.spots[1].area_msh;
  EXPECT_LT(both, 2 * cap);
  EXPECT_GT(both, 1.3 * cap);
  EXPECT_TRUE(r.truth.spots[0].shared);
}

// A drawing's penumbra as each way draws it, read along the disc's radius
// through the spot: ink in the umbra; at the penumbra's middle paper inside
// an outline, grey in a grey fill; at its edge the outline's ink, or grey
// with no outline; paper beyond. Source: the scene's own grey levels.
TEST(SpotGenerator, DrawsEachWayOfDrawingAPenumbra) {
  struct Way {
    gen::WlPen pen;
    const char* what;
    const char* middle;  // "paper", "grey" or "either" (hatching)
    const char* edge;    // "ink" or "grey"
  };
  const Way ways[] = {{gen::WlPen::Outline, "outline", "paper", "ink"},
                      {gen::WlPen::GreyFill, "grey-filled outline", "grey", "ink"},
                      {gen::WlPen::Hatched, "hatched outline", "either", "ink"},
                      {gen::WlPen::Grey, "grey", "grey", "grey"}};
  for (const Way& way : ways) {
    gen::WlScene sc = Clean(0, true);
    sc.drawing = true;
    sc.centreGrey = 240;
    sc.inkGrey = 20;
    sc.penumbraGrey = 170;
    sc.penWidth_px = 2;
    const gen::Ephemeris eph = gen::ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, true);
    gen::WlSpot s;
    s.group = "A";
    s.B_deg = eph.B0_deg + 8;  // clear of the axes drawn through the centre
    s.L_deg = eph.L0_deg;
    s.umbra_deg = 0.8;
    s.penumbra_deg = 2.4;
    s.pen = way.pen;
    s.hatchSpacing_px = 7;
    sc.spots.push_back(s);
    const gen::WlRendered r = gen::RenderWhiteLight(sc);
    const gen::WlSpotTruth& t = r.truth.spots[0];
    const double ru = sc.rk_px * std::sin(0.8 * kPiExact / 180), rp = sc.rk_px * std::sin(2.4 * kPiExact / 180);
    // Along the picture's row through the spot (across the disc's radius:
    // not foreshortened).
    const auto at = [&](double dx) -> int {
      return r.grey[static_cast<std::size_t>(std::lround(t.y_px)) * static_cast<std::size_t>(r.width_px) +
                    static_cast<std::size_t>(std::lround(t.x_px + dx))];
    };
    const auto is = [&](int v, const std::string& kind) {
      if (kind == "ink") return v < 60;
      if (kind == "grey") return v > 150 && v < 190;
      if (kind == "paper") return v > 225;
      return true;
    };
    EXPECT_TRUE(is(at(0), "ink")) << way.what << ": umbra " << at(0);
    EXPECT_TRUE(is(at((ru + rp) / 2), way.middle)) << way.what << ": middle " << at((ru + rp) / 2);
    EXPECT_TRUE(is(at(rp - 1), way.edge)) << way.what << ": edge " << at(rp - 1);
    EXPECT_TRUE(is(at(rp + 3), "paper")) << way.what << ": beyond " << at(rp + 3);
  }
}

}  // namespace
}  // namespace pelorin
