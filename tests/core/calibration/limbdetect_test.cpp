// Finding the limb on generated pictures of every kind, and the road of
// "Automatic limb" from the menu to the fitted disc.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "SunScene.h"
#include "TestApp.h"
#include "app/Dispatcher.h"
#include "base/Text.h"
#include "app/LimbInput.h"
#include "calibration/LimbDetect.h"
#include "app/Points.h"

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;

gen::Scene BaseScene(gen::Style style, int side, double x0, double y0, double rk) {
  gen::Scene sc;
  sc.year = 2003, sc.month = 5, sc.day = 18, sc.hour = 9, sc.minute = 30;
  sc.width_px = side, sc.height_px = side;
  sc.x0_px = x0, sc.y0_px = y0, sc.rk_px = rk;
  sc.northUp = true;
  sc.style = style;
  sc.limbPointCount = 0;
  sc.linePointCount = 0;
  return sc;
}

// Spots on the disc and three on the limb itself (central meridian
// distance 80 to 86 degrees), which cut into its edge.
std::vector<gen::Spot> SpotsWithLimbSpots(const gen::Scene& sc) {
  const gen::Ephemeris eph = gen::ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, sc.northUp);
  std::vector<gen::Spot> spots = test::SampleSpots(eph);
  for (auto [name, B, cmd] : {std::tuple{"l1", 5.0, 84.0}, std::tuple{"l2", -12.0, -86.0}, std::tuple{"l3", 20.0, 80.0}}) {
    gen::Spot s = test::SpotAtCmd(name, B, cmd, eph);
    s.umbraRadius_px = 4;
    s.penumbraRadius_px = 9;
    spots.push_back(s);
  }
  return spots;
}

struct Kind {
  const char* name;
  gen::Scene scene;
  double centreTol_px;
  double radiusTol_px;
};

std::vector<Kind> Kinds() {
  std::vector<Kind> k;
  k.push_back({"clean 2048 white-light photo", BaseScene(gen::Style::Photo, 2048, 1021.4, 1030.8, 905), 0.7, 1});
  {
    gen::Scene sc = BaseScene(gen::Style::Drawing, 1600, 803.7, 788.2, 690);
    sc.northUp = false;
    sc.orientation_deg = 23;
    sc.axisLines = true;
    sc.labels = true;
    sc.spots = SpotsWithLimbSpots(sc);
    sc.noise = 2;
    k.push_back({"drawing: axes, labels, spots on the limb", sc, 1.5, 1.5});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Halpha, 1536, 770.2, 765.9, 690);
    sc.prominences = 14;
    sc.spots = SpotsWithLimbSpots(sc);
    sc.noise = 3;
    k.push_back({"H-alpha with prominences", sc, 1.5, 1.5});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Photo, 1400, 380.5, 1130.2, 640);
    sc.spots = SpotsWithLimbSpots(sc);
    k.push_back({"disc cut by the left and bottom edges", sc, 1.5, 1.5});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Drawing, 1200, 640.3, 150.8, 560);
    sc.axisLines = true;
    k.push_back({"drawing cut by the top edge", sc, 1.5, 1.5});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Euv, 1024, 515.3, 505.9, 400);
    sc.tintR = 0.9, sc.tintG = 0.75, sc.tintB = 0.2;
    sc.prominences = 12;
    sc.noise = 12;
    k.push_back({"EUV, coloured, noisy, soft bright limb", sc, 2, 0.02 * 400});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Photo, 1024, 500.6, 520.1, 430);
    sc.skyGrey = 235;
    sc.tintR = 1, sc.tintG = 0.85, sc.tintB = 0.6;
    sc.spots = SpotsWithLimbSpots(sc);
    sc.noise = 3;
    k.push_back({"photo on a bright sky, colour", sc, 1.5, 1.5});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Photo, 1000, 60.4, 40.8, 700);
    k.push_back({"a quarter of the disc in a corner", sc, 1.5, 1.5});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Halpha, 640, 200.2, 300.7, 150);
    k.push_back({"small disc off the centre", sc, 1, 1});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Photo, 1200, 610.3, 590.8, 500);
    sc.cloud = 0.8;
    sc.spots = SpotsWithLimbSpots(sc);
    sc.noise = 3;
    k.push_back({"photo dimmed unevenly by thin cloud", sc, 1.5, 1.5});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Photo, 1200, 700.6, 530.1, 520);
    sc.vignetting = 0.8;
    sc.noise = 2;
    k.push_back({"photo with strong vignetting, off the middle", sc, 1.5, 1.5});
  }
  {
    gen::Scene sc = BaseScene(gen::Style::Halpha, 1300, 650.4, 655.2, 560);
    sc.slitStripes = 0.12;
    sc.prominences = 10;
    sc.noise = 2;
    k.push_back({"spectroheliograph H-alpha with the stripes of its slit", sc, 1.5, 1.5});
  }
  for (int seed = 1; seed <= 3; ++seed) {
    gen::Scene sc = BaseScene(gen::Style::Euv, 1024, 509.4 + seed, 515.8 - seed, 400);
    sc.seed = static_cast<unsigned>(seed);
    sc.noise = 3;
    k.push_back({"EUV: mottled disc, limb-brightening peak, clipped corona", sc, 2, 0.02 * 400});
  }
  return k;
}

TEST(DetectLimb, FindsTheDiscOfEveryKindOfPicture) {
  for (const Kind& k : Kinds()) {
    SCOPED_TRACE(k.name);
    RasterPicture pic;
    const gen::Truth truth = gen::RenderInto(k.scene, pic);
    const LimbDetection d = DetectLimb(pic);
    ASSERT_TRUE(d.found);
    // What the limb fit makes of the entered points.
    double x0 = 0, y0 = 0, rk = 0;
    ASSERT_EQ(FitLimbPoints(d.points, x0, y0, rk), 0);
    EXPECT_NEAR(x0, truth.x0_px, k.centreTol_px);
    EXPECT_NEAR(y0, truth.y0_px, k.centreTol_px);
    EXPECT_NEAR(rk, truth.rk_px, k.radiusTol_px);
    EXPECT_GE(d.points.size(), 24u);
    EXPECT_LE(d.points.size(), 90u);
    // Every point on the picture, on the true limb, and spread along it:
    // no gap between neighbours wider than a quarter of the visible arc.
    double worst = 0;
    std::vector<double> angles;
    for (const LimbEdgePoint& p : d.points) {
      EXPECT_TRUE(p.x_px >= 0 && p.y_px >= 0 && p.x_px <= pic.Width() - 1 && p.y_px <= pic.Height() - 1);
      worst = std::max(worst, std::fabs(std::hypot(p.x_px - truth.x0_px, p.y_px - truth.y0_px) - truth.rk_px));
      angles.push_back(std::atan2(truth.y0_px - p.y_px, p.x_px - truth.x0_px));
    }
    EXPECT_LT(worst, k.radiusTol_px + 1.5);
    // Gaps between neighbours round the circle: the widest is the part of
    // the limb off the picture, the next one must be small beside the rest.
    std::sort(angles.begin(), angles.end());
    std::vector<double> gaps{angles.front() + 2 * std::numbers::pi - angles.back()};
    for (std::size_t i = 1; i < angles.size(); ++i) gaps.push_back(angles[i] - angles[i - 1]);
    std::sort(gaps.rbegin(), gaps.rend());
    EXPECT_LT(gaps[1], (2 * std::numbers::pi - gaps[0]) / 4);
  }
}

TEST(DetectLimb, EdgesOfACleanDiscLieOnItToAFractionOfAPixel) {
  for (gen::Style style : {gen::Style::Photo, gen::Style::Drawing, gen::Style::Halpha}) {
    SCOPED_TRACE(gen::StyleName(style));
    RasterPicture pic;
    const gen::Truth truth = gen::RenderInto(BaseScene(style, 900, 452.3, 447.6, 380.4), pic);
    const LimbDetection d = DetectLimb(pic);
    ASSERT_TRUE(d.found);
    double sum = 0;
    for (const LimbEdgePoint& p : d.points)
      sum += std::fabs(std::hypot(p.x_px - truth.x0_px, p.y_px - truth.y0_px) - truth.rk_px);
    EXPECT_LT(sum / static_cast<double>(d.points.size()), 0.25);
  }
}

TEST(DetectLimb, FindsNoDiscWhereThereIsNone) {
  struct Case {
    const char* name;
    std::function<void(RasterPicture&)> make;
  };
  std::vector<Case> cases = {
      {"no picture", [](RasterPicture&) {}},
      {"white paper", [](RasterPicture& p) { p.Fill(800, 600, RGB(255, 255, 255)); }},
      {"a picture too small to hold a disc", [](RasterPicture& p) { p.Fill(10, 10, RGB(0, 0, 0)); }},
      {"grey noise",
       [](RasterPicture& p) {
         std::vector<std::uint32_t> px(640 * 480);
         std::uint32_t v = 1;
         for (auto& c : px) {
           v = v * 1664525u + 1013904223u;
           const std::uint32_t g = 100 + (v >> 24) % 40;
           c = 0xFF000000u | g << 16 | g << 8 | g;
         }
         p.SetPixels(640, 480, std::move(px));
       }},
      {"a grid of straight lines",
       [](RasterPicture& p) {
         std::vector<std::uint32_t> px(700 * 700, 0xFFFFFFFFu);
         for (int y = 0; y < 700; ++y)
           for (int x = 0; x < 700; ++x)
             if (x % 70 < 2 || y % 90 < 2 || std::abs(x - y) < 2) px[static_cast<std::size_t>(y * 700 + x)] = 0xFF141414u;
         p.SetPixels(700, 700, std::move(px));
       }},
      {"a bright half plane",
       [](RasterPicture& p) {
         std::vector<std::uint32_t> px(600 * 600, 0xFF080808u);
         for (int y = 0; y < 600; ++y)
           for (int x = 0; x < 600; ++x)
             if (x + y / 3 > 350) px[static_cast<std::size_t>(y * 600 + x)] = 0xFFE0E0E0u;
         p.SetPixels(600, 600, std::move(px));
       }},
  };
  const auto coronagraph = [](int side, double occulter, unsigned seed, double noise) {
    return [=](RasterPicture& p) {
      gen::Scene sc = BaseScene(gen::Style::Coronagraph, side, side / 2.0 + 7.3, side / 2.0 - 12.6, occulter);
      sc.seed = seed;
      sc.noise = noise;
      gen::RenderInto(sc, p);
    };
  };
  cases.push_back({"a coronagraph (C3-like occulter)", coronagraph(1024, 70, 1, 2)});
  cases.push_back({"a coronagraph (C2-like occulter)", coronagraph(1024, 190, 2, 4)});
  cases.push_back({"a coronagraph, 2048", coronagraph(2048, 150, 3, 3)});
  for (const Case& c : cases) {
    RasterPicture pic;
    c.make(pic);
    const LimbDetection d = DetectLimb(pic);
    EXPECT_FALSE(d.found) << c.name;
    EXPECT_TRUE(d.points.empty()) << c.name;
  }
}

// A header that names a coronagraph and gives no solar radius says there
// is no disc, whatever the picture shows; with a radius the picture decides.
TEST(DetectLimb, AHeaderNamingACoronagraphWithoutARadiusMeansNoDisc) {
  const struct {
    const char* keyword;
    const char* value;
    bool radius;
    bool found;
  } cases[] = {
      {"INSTRUME", "LASCO", false, false}, {"DETECTOR", "C3", false, false}, {"DETECTOR", "COR2", false, false},
      {"INSTRUME", "SECCHI", false, true}, {"INSTRUME", "AIA", false, true},  {"INSTRUME", "LASCO", true, true},
  };
  for (const auto& c : cases) {
    RasterPicture pic;
    gen::RenderInto(BaseScene(gen::Style::Photo, 600, 300.3, 290.6, 250), pic);
    PictureHeader h;
    h.cards.push_back({c.keyword, c.value});
    if (c.radius) h.cards.push_back({"RSUN_OBS", "960"});
    pic.SetHeader(h);
    EXPECT_EQ(DetectLimb(pic).found, c.found) << c.keyword << " " << c.value << (c.radius ? " with RSUN_OBS" : "");
  }
}

// The road: a new picture with its date, "Automatic limb", one point
// removed and one clicked, End.
struct Road {
  TestApp t;
  gen::Truth truth;
  explicit Road(const gen::Scene& sc) {
    truth = gen::RenderInto(sc, t.pic);
    t.app.file2.Open("temp.dat");
    t.win.SetMenuEnabled(Menu::Limb, true);
  }
};

TEST(AutoLimb, FollowsSunsLimbInTheMenus) {
  TestApp t;
  EXPECT_FALSE(t.win.MenuEnabled(Menu::AutoLimb));  // after start-up, as Limb
  for (bool on : {true, false, true}) {
    t.win.SetMenuEnabled(Menu::Limb, on);
    EXPECT_EQ(t.win.MenuEnabled(Menu::AutoLimb), on);
  }
  EXPECT_STREQ(MenuCaption(Menu::AutoLimb), "Automatic limb");
}

TEST(AutoLimb, EntersThePointsAsLimbInputAndEndFitsThem) {
  gen::Scene sc = BaseScene(gen::Style::Photo, 1000, 497.3, 505.6, 420.2);
  sc.northUp = false;
  Road r(sc);
  ProgramState& s = r.t.app.s;
  s.ZeroPointX = 100;
  s.ZeroPointY = 50;
  s.CalibrationState = 2;  // an orientation that the limb input discards
  s.ManualSelection = 0;
  s.AutoselectMode = 2;
  AutoLimb_Click(r.t.app);
  ASSERT_TRUE(r.t.win.messages.empty()) << r.t.win.messages.front();

  // Exactly the state of "Sun's limb", with the points entered.
  EXPECT_TRUE(r.t.win.EndVisible(EndButton::limbend));
  EXPECT_EQ(s.CoordSystem, 0.0f);
  EXPECT_EQ(s.CalibrationState, 0.0f);
  EXPECT_EQ(s.AutoselectMode, 0);
  EXPECT_EQ(s.SelectModeText, "Autoselect mode Nearest");
  for (Menu m : {Menu::orient, Menu::koor, Menu::Ishodiste, Menu::datum, Menu::Limb, Menu::AutoLimb})
    EXPECT_FALSE(r.t.win.MenuEnabled(m)) << MenuName(m);
  const int n = s.PointCount;
  ASSERT_GE(n, 24);
  ASSERT_LE(n, 90);
  // Stored in system 0 about the zero point, y up, single precision; each
  // dotted black and logged to a.tmp as a click would be.
  std::string log;
  for (int i = 1; i <= n; ++i) {
    const double X = s.PointX[static_cast<std::size_t>(i)] + 100, Y = 50 - s.PointY[static_cast<std::size_t>(i)];
    EXPECT_NEAR(std::hypot(X - r.truth.x0_px, Y - r.truth.y0_px), r.truth.rk_px, 1) << i;
    EXPECT_EQ(r.t.pic.Point(X, Y), static_cast<std::int32_t>(QBColor(0))) << i;
    log += SingleText(s.PointX[static_cast<std::size_t>(i)]) + "," + SingleText(s.PointY[static_cast<std::size_t>(i)]) + "\r\n";
  }
  r.t.app.file1.Close();
  EXPECT_EQ(ReadAll(r.t.folder.File("a.tmp")), log);

  // The observer stays in charge: a point removed, one clicked.
  Picture1_MouseDown(r.t.app, kRightButton, 0, 0, 0);
  EXPECT_EQ(s.PointCount, n - 1);
  s.ManualSelection = 1;
  Picture1_MouseDown(r.t.app, kLeftButton, 0, r.truth.x0_px, r.truth.y0_px - r.truth.rk_px);
  EXPECT_EQ(s.PointCount, n);

  // End: the limb fit of those points, with its message and disc line.
  std::vector<LimbEdgePoint> pts;
  for (int i = 1; i <= n; ++i)
    pts.push_back({s.PointX[static_cast<std::size_t>(i)] + 0.0, s.PointY[static_cast<std::size_t>(i)] + 0.0});
  double xm = 0, ym = 0, rk = std::hypot(pts[0].x_px, pts[0].y_px), exm = 0, eym = 0, erk = 0;
  ASSERT_EQ(FitLimbCircle(s, s.PointCount, xm, ym, rk, exm, eym, erk), 0);
  limbend_Click(r.t.app);
  ASSERT_EQ(r.t.win.messages.size(), 1u);
  EXPECT_EQ(r.t.win.messages[0], "xm=" + NumberText(xm) + " ym=" + NumberText(ym) + " rk=" + NumberText(rk) +
                                     " exm=" + NumberText(exm) + " eym=" + NumberText(eym) + " erk=" + NumberText(erk));
  EXPECT_NEAR(s.ZeroPointX, r.truth.x0_px, 0.7);
  EXPECT_NEAR(s.ZeroPointY, r.truth.y0_px, 0.7);
  EXPECT_NEAR(s.LimbRadius, r.truth.rk_px, 1);
  EXPECT_EQ(s.CalibrationState, 1.0f);
  EXPECT_TRUE(r.t.win.MenuEnabled(Menu::orient));
  r.t.app.file2.Close();
  EXPECT_EQ(ReadAll(r.t.folder.File("temp.dat")),
            NumberText(s.ZeroPointX) + "," + NumberText(s.ZeroPointY) + "," + NumberText(s.LimbRadius) + "\r\n");
}

TEST(AutoLimb, AGridOverThePictureIsNotTakenForTheLimb) {
  // A calibrated picture with its heliographic grid shown, the grid's
  // outline 30 px inside the true limb.
  Road r(BaseScene(gen::Style::Halpha, 900, 450.4, 440.3, 380));
  ProgramState& s = r.t.app.s;
  gen::ApplyCalibration(r.truth, s);
  s.LimbRadius = 350;
  s.GridOn = 1;
  Redraw(r.t.app);
  AutoLimb_Click(r.t.app);
  double x0 = 0, y0 = 0, rk = 0;
  std::vector<LimbEdgePoint> pts;
  for (int i = 1; i <= s.PointCount; ++i)
    pts.push_back({s.PointX[static_cast<std::size_t>(i)] + s.ZeroPointX, s.ZeroPointY - s.PointY[static_cast<std::size_t>(i)]});
  ASSERT_EQ(FitLimbPoints(pts, x0, y0, rk), 0);
  EXPECT_NEAR(rk, 380, 1);
}

TEST(AutoLimb, NoDiscIsSaidAndNothingChanges) {
  TestApp t;
  t.pic.Fill(500, 400, RGB(255, 255, 255));
  t.win.SetMenuEnabled(Menu::Limb, true);
  ProgramState& s = t.app.s;
  s.CalibrationState = 3;
  s.CoordSystem = 4;
  s.PointCount = 2;
  s.AutoselectMode = 1;
  AutoLimb_Click(t.app);
  EXPECT_EQ(t.win.messages, std::vector<std::string>{kNoDiscMessage});
  EXPECT_FALSE(t.win.EndVisible(EndButton::limbend));
  EXPECT_EQ(s.CalibrationState, 3.0f);
  EXPECT_EQ(s.CoordSystem, 4.0f);
  EXPECT_EQ(s.PointCount, 2);
  EXPECT_EQ(s.AutoselectMode, 1);
  EXPECT_TRUE(t.win.MenuEnabled(Menu::Limb));
  EXPECT_TRUE(t.win.MenuEnabled(Menu::AutoLimb));
}

}  // namespace
}  // namespace pelorin
