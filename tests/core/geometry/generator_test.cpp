// The test-picture generator: spots where the transform finds them again,
// helper points on the limb, the parallel and the axis, dark pixels where
// marks are expected, and the files it writes, read back by the program's
// own autoselect, SOHO lookup and reference comparison.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Catalogues.h"
#include "SunPicture.h"
#include "SunScene.h"
#include "TestApp.h"
#include "base/Text.h"
#include "app/Compare.h"
#include "formats/Soho.h"
#include "base/Angles.h"
#include "app/Geometry.h"
#include "app/Autoselect.h"

namespace pelorin {
namespace {

using test::SampleScene;

// Difference of two angles in degrees, in (-180, 180].
double AngleDiff(double a, double b) {
  double d = std::fmod(a - b, 360.0);
  if (d > 180) d -= 360;
  if (d <= -180) d += 360;
  return d;
}

double Grey(const gen::Rendered& r, int i, int j) {
  if (i < 0 || j < 0 || i >= r.width_px || j >= r.height_px) return 255;
  const std::uint32_t c = r.argb[static_cast<std::size_t>(j) * static_cast<std::size_t>(r.width_px) +
                                 static_cast<std::size_t>(i)];
  return (((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF)) / 3.0;
}

// Cosine of the heliocentric angle of (B, L) seen from the ephemeris.
double Mu(const gen::Ephemeris& e, double B, double L) {
  return std::sin(B * kRad) * std::sin(e.B0_deg * kRad) +
         std::cos(B * kRad) * std::cos(e.B0_deg * kRad) * std::cos((e.L0_deg - L) * kRad);
}

struct Case {
  const char* label;
  SampleScene sample;
  std::int16_t imageType;
};

// A not north-up scene with a large negative P (20 March 2024, P = -25.2)
// and a north-up scene turned by 30 degrees, besides the three samples.
Case SpringScene() {
  SampleScene s = test::KanzelhoeDrawingScene();
  s.scene.year = 2024, s.scene.month = 3, s.scene.day = 20, s.scene.hour = 12, s.scene.minute = 0;
  s.scene.orientation_deg = 0;
  s.scene.style = gen::Style::Photo;
  s.scene.spots = test::SampleSpots(gen::ProgramEphemeris(2024, 3, 20, 12, false));
  return {"spring photo", s, 3};
}

Case TurnedNorthUp() {
  SampleScene s = test::HalphaNorthUpScene();
  s.scene.orientation_deg = 30;
  return {"turned north-up", s, 0};
}

std::vector<Case> Cases() {
  return {{"drawing", test::KanzelhoeDrawingScene(), 0},
          {"halpha north-up", test::HalphaNorthUpScene(), 0},
          {"soho", test::SohoScene(), 1},
          SpringScene(),
          TurnedNorthUp()};
}

std::unique_ptr<ProgramState> Calibrated(const gen::Truth& t, std::int16_t imageType) {
  auto s = std::make_unique<ProgramState>();
  s->ImageType = imageType;
  gen::ApplyCalibration(t, *s);
  return s;
}

TEST(Generator, SpotsConvertBackToTheirPositions) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.label);
    const gen::Truth t = gen::ComputeTruth(c.sample.scene);
    const auto s = Calibrated(t, c.imageType);
    ASSERT_EQ(t.spots.size(), c.sample.scene.spots.size());
    for (const gen::SpotTruth& sp : t.spots) {
      SCOPED_TRACE(sp.name);
      ASSERT_GE(Mu(t.eph, sp.B_deg, sp.L_deg), 0.5);  // within 60 degrees of the centre
      double B = 0, CMD = 0, L = 0;
      PixelToHeliographic(*s, sp.x_px, sp.y_px, s->OrientationAngle, B, CMD, L);
      // Source: the scene itself; 0.01 degrees is about 0.07 px at rk 400.
      EXPECT_NEAR(B, sp.B_deg, 0.01);
      EXPECT_NEAR(AngleDiff(L, sp.L_deg), 0, 0.01);
    }
  }
}

TEST(Generator, NorthUpSpotsAreMirroredAgainstTheOtherConvention) {
  // The same spot drawn in both conventions lands mirrored in the vertical
  // through the centre (regression of the north-up rule).
  SampleScene a = test::HalphaNorthUpScene();
  SampleScene b = a;
  b.scene.northUp = false;
  b.scene.ephemeris = gen::ProgramEphemeris(2003, 5, 17, 7.75, true);  // same P = 0
  const gen::Truth ta = gen::ComputeTruth(a.scene), tb = gen::ComputeTruth(b.scene);
  for (std::size_t k = 0; k < ta.spots.size(); ++k) {
    EXPECT_NEAR(ta.spots[k].x_px - ta.x0_px, -(tb.spots[k].x_px - tb.x0_px), 1e-9) << ta.spots[k].name;
    EXPECT_NEAR(ta.spots[k].y_px, tb.spots[k].y_px, 1e-9) << ta.spots[k].name;
  }
}

TEST(Generator, HelperPointsLieOnLimbAxisAndParallel) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.label);
    const gen::Truth t = gen::ComputeTruth(c.sample.scene);
    const auto s = Calibrated(t, c.imageType);
    ASSERT_EQ(t.limb.size(), 12u);
    for (const gen::PointPx& p : t.limb)
      EXPECT_NEAR(std::hypot(p.x_px - t.x0_px, p.y_px - t.y0_px), t.rk_px, 1e-9);

    // The projected rotation axis is the central meridian; its points run
    // from south to north.
    ASSERT_EQ(t.axis.size(), 9u);
    double lastB = -91;
    for (const gen::PointPx& p : t.axis) {
      double B = 0, CMD = 0, L = 0;
      PixelToHeliographic(*s, p.x_px, p.y_px, s->OrientationAngle, B, CMD, L);
      EXPECT_NEAR(CMD, 0, 1e-4);
      EXPECT_GT(B, lastB);
      lastB = B;
    }

    // The daily parallel runs from west (CMD > 0) to east (CMD < 0).
    ASSERT_EQ(t.parallel.size(), 9u);
    double B = 0, CMDwest = 0, CMDeast = 0, L = 0;
    PixelToHeliographic(*s, t.parallel.front().x_px, t.parallel.front().y_px, s->OrientationAngle, B, CMDwest, L);
    PixelToHeliographic(*s, t.parallel.back().x_px, t.parallel.back().y_px, s->OrientationAngle, B, CMDeast, L);
    EXPECT_GT(CMDwest, 20);
    EXPECT_LT(CMDeast, -20);
  }
}

TEST(Generator, ParallelIsTheEquatorWhenPAndB0AreZero) {
  // With P = 0 and B0 = 0 the daily parallel through the centre is the solar
  // equator, whatever the orientation.
  for (bool northUp : {false, true}) {
    for (double o : {0.0, 75.0, 200.0}) {
      SCOPED_TRACE(std::to_string(o) + (northUp ? " north-up" : ""));
      gen::Scene sc = test::KanzelhoeDrawingScene().scene;
      sc.northUp = northUp;
      sc.orientation_deg = o;
      sc.ephemeris = gen::Ephemeris{0, 0, 120, 0.99};
      sc.spots.clear();
      const gen::Truth t = gen::ComputeTruth(sc);
      const auto s = Calibrated(t, 0);
      for (const gen::PointPx& p : t.parallel) {
        double B = 0, CMD = 0, L = 0;
        PixelToHeliographic(*s, p.x_px, p.y_px, o, B, CMD, L);
        EXPECT_NEAR(B, 0, 1e-4);
      }
    }
  }
}

TEST(Generator, PicturesAreDarkAtSpotsAndOnTheLimbLine) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.label);
    const gen::Rendered r = gen::Render(c.sample.scene);
    const gen::Truth& t = r.truth;
    ASSERT_EQ(r.argb.size(), static_cast<std::size_t>(t.width_px) * static_cast<std::size_t>(t.height_px));
    for (const gen::SpotTruth& sp : t.spots) {
      SCOPED_TRACE(sp.name);
      const int X = static_cast<int>(std::lround(sp.x_px)), Y = static_cast<int>(std::lround(sp.y_px));
      EXPECT_LT(Grey(r, X, Y), 60);
    }
    for (const gen::PointPx& p : t.limb) {
      const double ux = (p.x_px - t.x0_px) / t.rk_px, uy = (p.y_px - t.y0_px) / t.rk_px;
      auto at = [&](double f) {
        return Grey(r, static_cast<int>(std::lround(p.x_px + f * ux)), static_cast<int>(std::lround(p.y_px + f * uy)));
      };
      if (t.style == gen::Style::Drawing) {
        EXPECT_LT(at(0), 128);   // the limb line, found by "Nearest"
        EXPECT_GE(at(-5), 250);  // white disc
        EXPECT_GE(at(5), 250);   // white paper
      } else {
        // Within 60 degrees of the centre (0.85 rk) the disc weighs nothing
        // for "Weighted" (grey 241 or brighter).
        EXPECT_GE(at(-0.15 * t.rk_px), 241);
        EXPECT_GT(at(-3), 128);  // bright disc
        EXPECT_LT(at(3), 20);    // dark sky
      }
    }
  }
}

TEST(Generator, RejectsBadScenes) {
  struct Bad {
    const char* label;
    void (*spoil)(gen::Scene&);
  };
  const Bad bad[] = {
      {"zero radius", [](gen::Scene& s) { s.rk_px = 0; }},
      {"NaN centre", [](gen::Scene& s) { s.x0_px = std::nan(""); }},
      {"no width", [](gen::Scene& s) { s.width_px = 0; }},
      {"month 13", [](gen::Scene& s) { s.month = 13; }},
      {"30 February", [](gen::Scene& s) { s.month = 2, s.day = 30; }},
      {"minute 60", [](gen::Scene& s) { s.minute = 60; }},
      {"infinite orientation", [](gen::Scene& s) { s.orientation_deg = INFINITY; }},
      {"far-side spot", [](gen::Scene& s) { s.spots[1].L_deg = s.spots[0].L_deg + 120; }},
      {"spot name with a blank", [](gen::Scene& s) { s.spots[0].name = "a b"; }},
      {"penumbra wider than the window", [](gen::Scene& s) { s.spots[0].penumbraRadius_px = 16; }},
      {"umbra wider than penumbra", [](gen::Scene& s) { s.spots[0].umbraRadius_px = 7; }},
      {"latitude 95", [](gen::Scene& s) { s.spots[0].B_deg = 95; }},
      {"51 prominences", [](gen::Scene& s) { s.prominences = 51; }},
      {"sky grey 256", [](gen::Scene& s) { s.skyGrey = 256; }},
      {"tint above 1", [](gen::Scene& s) { s.tintG = 1.5; }},
      {"negative noise", [](gen::Scene& s) { s.noise = -1; }},
  };
  for (const Bad& b : bad) {
    gen::Scene sc = test::KanzelhoeDrawingScene().scene;
    b.spoil(sc);
    EXPECT_THROW(gen::ComputeTruth(sc), std::invalid_argument) << b.label;
    RasterPicture pic;
    pic.Fill(2, 2, 0);
    EXPECT_THROW(gen::RenderInto(sc, pic), std::invalid_argument) << b.label;
    EXPECT_EQ(pic.Width(), 2) << b.label;  // left as it was
  }
}

// What the pictures for finding the limb add, each where it belongs.
TEST(Generator, LimbFeaturesLieWhereTheySay) {
  gen::Scene base;
  base.width_px = base.height_px = 400;
  base.x0_px = 200, base.y0_px = 200, base.rk_px = 150;
  base.northUp = true;
  base.style = gen::Style::Halpha;
  const gen::Rendered plain = gen::Render(base);
  // Prominences brighten the sky outside the limb and nothing inside.
  gen::Scene sc = base;
  sc.prominences = 8;
  const gen::Rendered prom = gen::Render(sc);
  int brighter = 0;
  for (int j = 0; j < 400; ++j)
    for (int i = 0; i < 400; ++i) {
      const double r = std::hypot(i - 200.0, j - 200.0), d = Grey(prom, i, j) - Grey(plain, i, j);
      if (r < 149) {
        EXPECT_EQ(d, 0) << i << "," << j;
      }
      if (r > 151 && d > 5) ++brighter;
      EXPECT_LE(d, 0.5 * 191) << i << "," << j;  // faint beside the limb (191), where two overlap too
    }
  EXPECT_GT(brighter, 100);
  // The axes cross the limb: dark at 1.1 rk along each axis, which are the
  // picture's axes for orientation 0.
  sc = base;
  sc.style = gen::Style::Drawing;
  sc.axisLines = true;
  const gen::Rendered axes = gen::Render(sc);
  for (auto [i, j] : {std::pair{365, 200}, std::pair{35, 200}, std::pair{200, 35}, std::pair{200, 365}})
    EXPECT_LT(Grey(axes, i, j), 60) << i << "," << j;
  // The labels: ink just outside the limb, nowhere else but the limb line.
  sc.axisLines = false;
  sc.labels = true;
  const gen::Rendered labels = gen::Render(sc);
  int ink = 0;
  for (int j = 0; j < 400; ++j)
    for (int i = 0; i < 400; ++i) {
      const double q = std::hypot(i - 200.0, j - 200.0) / 150;
      if (Grey(labels, i, j) >= 128 || std::fabs(q - 1) < 0.02) continue;
      EXPECT_TRUE(q > 1.05 && q < 1.14) << i << "," << j;
      ++ink;
    }
  EXPECT_GT(ink, 40);
  // Tint and noise: the channels scaled, the noise the same for one seed.
  sc = base;
  sc.tintR = 1, sc.tintG = 0.5, sc.tintB = 0;
  sc.noise = 5;
  const gen::Rendered tinted = gen::Render(sc), again = gen::Render(sc);
  EXPECT_EQ(tinted.argb, again.argb);
  const std::uint32_t c = tinted.argb[200 * 400 + 200];
  EXPECT_NEAR(static_cast<double>((c >> 8) & 0xFF), 0.5 * ((c >> 16) & 0xFF), 1);
  EXPECT_EQ(c & 0xFF, 0u);
  sc.seed = 2;
  EXPECT_NE(gen::Render(sc).argb, tinted.argb);
}

// The EUV picture against the radial profile of a real SDO/AIA 193 picture
// (median, 10th and 90th percentile of the grey levels in rings 0.01 rk
// wide).
TEST(Generator, EuvPicturesFollowTheRadialProfileOfARealOne) {
  gen::Scene sc;
  sc.width_px = sc.height_px = 1024;
  sc.x0_px = 511.7, sc.y0_px = 512.4, sc.rk_px = 400;
  sc.style = gen::Style::Euv;
  sc.limbPointCount = sc.linePointCount = 0;
  const gen::Rendered r = gen::Render(sc);
  const struct {
    double q, p10, median, p90;
  } rings[] = {{0.50, 111, 148, 190}, {0.80, 102, 151, 219}, {0.90, 125, 166, 230}, {0.95, 143, 172, 235},
               {0.98, 157, 182, 229}, {0.99, 164, 186, 228}, {1.01, 193, 212, 239}, {1.02, 186, 206, 233},
               {1.05, 160, 184, 212}, {1.10, 118, 149, 182}, {1.15, 70, 112, 156}, {1.20, 9, 72, 130},
               {1.30, 0, 0, 84}};
  std::vector<double> median;
  for (const auto& ring : rings) {
    std::vector<double> v;
    for (int j = 0; j < 1024; ++j)
      for (int i = 0; i < 1024; ++i) {
        const double q = std::hypot(i - sc.x0_px, j - sc.y0_px) / sc.rk_px;
        if (std::fabs(q - ring.q) <= 0.005) v.push_back(Grey(r, i, j));
      }
    ASSERT_GT(v.size(), 100u) << ring.q;
    std::sort(v.begin(), v.end());
    const auto at = [&](double f) { return v[static_cast<std::size_t>(f * static_cast<double>(v.size() - 1))]; };
    EXPECT_NEAR(at(0.5), ring.median, 12) << "median at " << ring.q;
    EXPECT_NEAR(at(0.1), ring.p10, 35) << "10th percentile at " << ring.q;
    EXPECT_NEAR(at(0.9), ring.p90, 35) << "90th percentile at " << ring.q;
    median.push_back(at(0.5));
  }
  // The peak of the median just outside the limb: no step at the limb.
  EXPECT_EQ(std::max_element(median.begin(), median.end()) - median.begin(), 6);
}

TEST(Generator, TruthFileByteForByte) {
  test::TempFolder folder;
  gen::Scene sc;
  sc.width_px = 64, sc.height_px = 48;
  sc.x0_px = 32, sc.y0_px = 24, sc.rk_px = 20;
  sc.ephemeris = gen::Ephemeris{0, 5, 100, 0.99};
  sc.spots = {gen::Spot{"c", 5, 100, 2, 4}};
  sc.limbPointCount = 4;
  sc.linePointCount = 3;
  gen::WriteTruth(folder.File("t.txt"), gen::ComputeTruth(sc));
  // Source: worked by hand (the spot at B0, L0 is the centre; east to the
  // right, north up).
  EXPECT_EQ(test::ReadAll(folder.File("t.txt")),
            "date=2003-05-17\r\ntime=07:45:00\r\nwidth=64\r\nheight=48\r\nstyle=drawing\r\n"
            "x0=32\r\ny0=24\r\nrk=20\r\norientation=0\r\nnorthup=0\r\nP=0\r\nB0=5\r\nL0=100\r\nrho0=0.99\r\n"
            "spot c 5 100 32 24\r\n"
            "limb 52 24\r\nlimb 32 4\r\nlimb 12 24\r\nlimb 32 44\r\n"
            "parallel 16 24\r\nparallel 32 24\r\nparallel 48 24\r\n"
            "axis 32 40\r\naxis 32 24\r\naxis 32 8\r\n");
  EXPECT_THROW(gen::WriteTruth(folder.File("no/such/folder/t.txt"), gen::ComputeTruth(sc)), FileError);
}

TEST(Generator, KanzelhoeNameAndSohoKeyCarryTheDateAtTheirPositions) {
  // Source: the file-name and key layouts of the picture loader.
  const std::string n = gen::KanzelhoeName(gen::KanzelhoeKind::Halpha, 2003, 5, 17, 7, 45, "jpg");
  EXPECT_EQ(n, "kanz_halph_fi_20030517_0745.jpg");
  EXPECT_EQ(Mid(n, 15, 4), "2003");
  EXPECT_EQ(Mid(n, 24, 2), "07");
  EXPECT_EQ(Mid(n, 26, 2), "45");
  const std::string k = gen::SohoKey(2003, 10, 28, 11, 12, 30);
  EXPECT_EQ(k, "SOH20031028_111230");
  EXPECT_EQ(Mid(k, 4, 4), "2003");
  EXPECT_EQ(Mid(k, 13, 2), "11");
  EXPECT_EQ(Mid(k, 17, 2), "30");
}

TEST(Generator, SohoCatalogueFiles) {
  test::TempFolder folder;
  const gen::SohoPicture p{"soho1028", "SOH20031028_111230", 511.5, 509.25, 470.4, 4.7688};
  const gen::SohoPicture q{"x", "SOH20031029_000000", 1, 2, 3, -4};
  gen::WriteNameconv(folder.File("nameconv.txt"), {p, q});
  EXPECT_EQ(test::ReadAll(folder.File("nameconv.txt")),
            "SOH20031028_111230      soho1028\r\nSOH20031029_000000      x\r\n");
  EXPECT_EQ(Mid(gen::NameconvLine(p), 25, 8), "soho1028");

  gen::WriteCatalog(folder.File("catalog.txt"), {p, q});
  const std::vector<std::string> lines = ReadLines(folder.File("catalog.txt"));
  ASSERT_EQ(lines.size(), 60u);
  EXPECT_EQ(lines[0], "&#");
  EXPECT_EQ(lines[9], "511.5,509.25,470.4,4.7688");  // the 9th line after "&#"
  EXPECT_EQ(lines[29], "SOH20031028_111230");        // the 20th line after the numbers
  EXPECT_EQ(lines[30], "&#");
  EXPECT_EQ(lines[39], "1,2,3,-4");
  EXPECT_EQ(lines[59], "SOH20031029_000000");

  gen::SohoPicture longName = p;
  longName.baseName = "soho10281";
  EXPECT_THROW(gen::NameconvLine(longName), std::invalid_argument);
  gen::SohoPicture shortKey = p;
  shortKey.key = "SOH2003";
  EXPECT_THROW(gen::CatalogEntryLines(shortKey), std::invalid_argument);
}

TEST(Generator, DpdLinesPutFieldsAtTheirColumns) {
  test::TempFolder folder;
  gen::DpdBlock b;
  b.year = 2003, b.month = 5, b.day = 17, b.hour = 9, b.minute = 15, b.second = 7;
  b.source = "DPD";
  b.groups = {{"10365", 295.19, -12.3, {{296.5, -11.25}, {0.004, 7}}}};
  gen::WriteDpd(folder.File("DPD1.txt"), {b});
  const std::vector<std::string> lines = ReadLines(folder.File("DPD1.txt"));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "d 2003 05 17 09 15 07 DPD");
  struct Field {
    std::size_t line, pos, len;
    const char* text;
  };
  // Source: the DPD layout of the reference comparison.
  const Field fields[] = {{1, 1, 1, "g"},       {1, 23, 6, "10365 "}, {1, 60, 6, "295.19"},
                          {1, 67, 6, "-12.30"}, {2, 1, 1, "s"},       {2, 60, 6, "296.50"},
                          {2, 67, 6, "-11.25"}, {3, 60, 6, "  0.00"}, {3, 67, 6, "  7.00"}};
  for (const Field& f : fields) EXPECT_EQ(Mid(lines[f.line], f.pos, f.len), f.text) << f.line << ":" << f.pos;
  EXPECT_EQ(lines[1].size(), 72u);
  EXPECT_NEAR(LeadingNumber(Mid(lines[1], 60, 6)), 295.19, 1e-9);

  const gen::DpdGroup bad[] = {{"1234567", 10, 0, {}}, {"", 10, 0, {}}, {"g", 360, 0, {}}, {"g", 10, -91, {}}};
  for (const gen::DpdGroup& g : bad) EXPECT_THROW(gen::DpdGroupLine(g), std::invalid_argument) << g.name;
  b.source = "LONGER";
  EXPECT_THROW(gen::DpdDayLine(b), std::invalid_argument);

  // A block made from a truth holds one group with one spot per spot.
  const gen::Truth t = gen::ComputeTruth(test::SohoScene().scene);
  const gen::DpdBlock fromTruth = gen::DpdBlockFor(t);
  ASSERT_EQ(fromTruth.groups.size(), t.spots.size());
  EXPECT_EQ(gen::DpdDayLine(fromTruth), "d 2003 10 28 11 12 30 DPD");
  EXPECT_NEAR(fromTruth.groups[1].spots.at(0).B_deg, t.spots[1].B_deg, 1e-12);
}

// The program's own readers take what the generator wrote.

TEST(GeneratorWithTheProgram, WeightedAutoselectFindsEachSpot) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.label);
    test::TestApp t;
    const gen::Truth truth = gen::RenderInto(c.sample.scene, t.pic);
    t.app.s.ImageType = c.imageType;
    gen::ApplyCalibration(truth, t.app.s);
    for (const gen::SpotTruth& sp : truth.spots) {
      SCOPED_TRACE(sp.name);
      // A click 3 px right of and 2 px above the spot's pixel, in system 0.
      double x = std::lround(sp.x_px) + 3 - truth.x0_px, y = truth.y0_px - (std::lround(sp.y_px) - 2);
      AutoselectWeighted(t.app, x, y);
      // Source: the scene; the spot is symmetric and the disc around it
      // weighs nothing, so only the sampling of its edge is left.
      EXPECT_NEAR(x + truth.x0_px, sp.x_px, 0.1);
      EXPECT_NEAR(truth.y0_px - y, sp.y_px, 0.1);
    }
  }
}

TEST(GeneratorWithTheProgram, SohoCataloguesAreFound) {
  test::TempFolder folder;
  const SampleScene sample = test::SohoScene();
  const gen::Truth truth = gen::ComputeTruth(sample.scene);
  const gen::SohoPicture other{"other", gen::SohoKey(2003, 10, 27, 0, 0, 0), 1, 2, 3, 4};
  const gen::SohoPicture pic = gen::SohoPictureFor(truth, "soho1028");
  gen::WriteNameconv(folder.File("nameconv.txt"), {other, pic});
  gen::WriteCatalog(folder.File("catalog.txt"), {other, pic});
  SohoEntry e;
  std::string error;
  ASSERT_TRUE(SohoLookup(folder.path().string(), sample.pictureName, e, error)) << error;
  // Source: the scene (28 October 2003, 11:12:30 UT).
  EXPECT_EQ(e.key, "SOH20031028_111230");
  EXPECT_EQ(e.year, 2003);
  EXPECT_EQ(e.month, 10);
  EXPECT_EQ(e.day, 28);
  EXPECT_NEAR(e.timeUT, 11.2083333, 1e-6);
  EXPECT_EQ(e.x0, truth.x0_px);
  EXPECT_EQ(e.y0, truth.y0_px);
  EXPECT_EQ(e.rk, truth.rk_px);
  EXPECT_EQ(e.B0, truth.eph.B0_deg);
}

TEST(GeneratorWithTheProgram, ReferenceMarksLandOnTheSpots) {
  test::TestApp t;
  const SampleScene sample = test::KanzelhoeDrawingScene();
  const gen::Truth truth = gen::RenderInto(sample.scene, t.pic);
  gen::ApplyCalibration(truth, t.app.s);
  gen::DpdBlock before = gen::DpdBlockFor(truth);
  before.hour = 6;
  gen::WriteDpd("DPD1.txt", {before, gen::DpdBlockFor(truth)});
  ASSERT_TRUE(CompareCatalogue(t.app)) << (t.win.messages.empty() ? "" : t.win.messages.back());
  EXPECT_EQ(t.app.s.CatalogueBlock, 2);  // the block at the picture's time
  ASSERT_EQ(t.app.s.RefSpotCount, static_cast<int>(truth.spots.size()));
  ASSERT_EQ(t.app.s.RefGroupCount, static_cast<int>(truth.spots.size()));
  for (std::size_t k = 0; k < truth.spots.size(); ++k) {
    SCOPED_TRACE(truth.spots[k].name);
    // Marks are whole pixels; L and B are written with 2 decimals (0.005
    // degrees, under 0.05 px here).
    EXPECT_NEAR(t.app.s.RefSpotX[k + 1], truth.spots[k].x_px, 0.55);
    EXPECT_NEAR(t.app.s.RefSpotY[k + 1], truth.spots[k].y_px, 0.55);
    // The name is read from its 6 columns, blanks included.
    EXPECT_EQ(Left(t.app.s.RefGroupName[k + 1], truth.spots[k].name.size()), truth.spots[k].name);
  }
}

}  // namespace
}  // namespace pelorin
