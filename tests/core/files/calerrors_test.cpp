// The calibration's errors beside the data file (x.cal): written on Save,
// read back on opening, defaults said when it is missing or malformed; and
// what they give, the ± of the read-out and of Export.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "DataFiles.h"
#include "TestApp.h"
#include "app/DataFileIO.h"
#include "app/Edits.h"
#include "app/Errors.h"
#include "app/ExportMeasurements.h"
#include "app/LimbInput.h"
#include "app/PictureLoad.h"
#include "app/Points.h"
#include "app/Readout.h"
#include "calibration/Limb.h"
#include "formats/CalFile.h"

namespace pelorin {
namespace {

using test::ReadAll;
using test::TestApp;
using test::WriteAll;

CalErrors Example() {
  CalErrors e;
  e.x0_px = 0.3125;
  e.y0_px = 1.0 / 3;
  e.rk_px = 0.2;
  e.cov_x0y0 = -0.01;
  e.cov_x0rk = 0.002;
  e.cov_y0rk = 1e-5;
  e.orientation_deg = 0.07;
  e.time_min = 0.5;
  e.discSource = "fit";
  e.orientationSource = "header";
  return e;
}

TEST(CalFile, ReadsBackWhatItWritesToTheLastBit) {
  const CalErrors e = Example();
  CalErrors back;
  std::string error;
  ASSERT_TRUE(ParseCalFile(CalFileText(e), back, error)) << error;
  EXPECT_EQ(back.x0_px, e.x0_px);
  EXPECT_EQ(back.y0_px, e.y0_px);
  EXPECT_EQ(back.cov_x0y0, e.cov_x0y0);
  EXPECT_EQ(back.cov_y0rk, e.cov_y0rk);
  EXPECT_EQ(back.orientation_deg, e.orientation_deg);
  EXPECT_EQ(back.discSource, "fit");
  EXPECT_EQ(back.orientationSource, "header");
  EXPECT_TRUE(back.points.empty());
  // The points' own errors, any number of them, in order.
  CalErrors withPoints = e;
  withPoints.points = {{12.34567, 301.5, 0.0123, 1.0 / 7}, {-3.2, 0.00001, 0, 0.5}};
  ASSERT_TRUE(ParseCalFile(CalFileText(withPoints), back, error)) << error;
  ASSERT_EQ(back.points.size(), 2u);
  EXPECT_EQ(back.points[0].B_deg, 12.34567);
  EXPECT_EQ(back.points[0].sy_px, 1.0 / 7);
  EXPECT_EQ(back.points[1].L_deg, 0.00001);
  EXPECT_EQ(CalFileNameOf("dir/x.dat"), "dir/x.cal");
  EXPECT_EQ(CalFileNameOf("x.txt"), "x.txt.cal");
}

TEST(CalFile, AFaultIsNamedByLineAndKeyAndNothingIsTaken) {
  const std::string good = CalFileText(Example());  // line 1 the comment, x0_err on line 2
  const auto with = [&](const std::string& from, const std::string& to) {
    std::string t = good;
    t.replace(t.find(from), from.size(), to);
    return t;
  };
  const struct {
    const char* name;
    std::string text;
    const char* error;
  } cases[] = {
      {"not a number", with("x0_err=0.3125", "x0_err=0,3125"), "line 2: x0_err: not a number"},
      {"negative error", with("rk_err=0.2", "rk_err=-0.2"), "line 4: rk_err: negative"},
      {"infinite", with("orientation_err=0.07", "orientation_err=inf"), "line 8: orientation_err: not a number"},
      {"unknown source", with("disc_source=fit", "disc_source=guess"), "line 10: disc_source: not fit, header or assumed"},
      {"no equals sign", with("time_err_min=0.5", "time_err_min 0.5"), "line 9: not key=value"},
      {"a key missing", with("cov_x0_rk=0.002\n", ""), "no cov_x0_rk"},
      {"a key twice", good + "y0_err=1\n", "line 12: y0_err: given twice (first on line 3)"},
      {"empty file", "", "no x0_err"},
      {"a point's field", good + "point_err=1,2,x,4\n", "line 12: point_err: field 3 not a number"},
      {"a point short", good + "point_err=1,2,3\n", "line 12: point_err: not four numbers (B,L,sx,sy)"},
      {"a point long", good + "point_err=1,2,3,4,5\n", "line 12: point_err: more than four numbers"},
      {"a point's negative error", good + "point_err=1,2,-3,4\n", "line 12: point_err: negative"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CalErrors out = Example();
    out.x0_px = 42;
    std::string error;
    EXPECT_FALSE(ParseCalFile(c.text, out, error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(out.x0_px, 42);
  }
  // A key of a later version and CR LF line ends are read.
  CalErrors out;
  std::string error, crlf;
  for (char ch : good + "future_key=1\n") crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  EXPECT_TRUE(ParseCalFile(crlf, out, error)) << error;
}

// The circle through three points with 1 px on each coordinate: the stated
// covariance against the scatter of the circles through noisy points.
TEST(LimbErrors, ThreePointCovarianceMatchesSampling) {
  const struct {
    const char* name;
    std::array<double, 3> angles_deg;  // of the points on a circle of 400 px about (512, 498)
  } cases[] = {{"spread", {10, 130, 250}}, {"one side", {-30, 0, 40}}, {"a third of the limb", {30, 90, 150}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::array<double, 3> x{}, y{};
    for (int i = 0; i < 3; ++i) {
      x[i] = 512 + 400 * std::cos(c.angles_deg[i] * M_PI / 180);
      y[i] = 498 + 400 * std::sin(c.angles_deg[i] * M_PI / 180);
    }
    const auto cov = ThreePointDiscCovariance(x, y, 1);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 1);
    std::array<double, 3> sum{}, sum2{};
    const int n = 4000;
    for (int k = 0; k < n; ++k) {
      std::array<double, 3> xn = x, yn = y;
      for (int i = 0; i < 3; ++i) {
        xn[i] += noise(rng);
        yn[i] += noise(rng);
      }
      // The centre and radius through the noisy points, by the covariance's
      // own kind of sum: an error-free circle gives zeros.
      const auto zero = ThreePointDiscCovariance(xn, yn, 0);
      ASSERT_EQ(zero[0][0], 0);
      const double d = 2 * (xn[0] * (yn[1] - yn[2]) + xn[1] * (yn[2] - yn[0]) + xn[2] * (yn[0] - yn[1]));
      const double s0 = xn[0] * xn[0] + yn[0] * yn[0], s1 = xn[1] * xn[1] + yn[1] * yn[1],
                   s2 = xn[2] * xn[2] + yn[2] * yn[2];
      const double cx = (s0 * (yn[1] - yn[2]) + s1 * (yn[2] - yn[0]) + s2 * (yn[0] - yn[1])) / d;
      const double cy = (s0 * (xn[2] - xn[1]) + s1 * (xn[0] - xn[2]) + s2 * (xn[1] - xn[0])) / d;
      const double v[3] = {cx - 512, cy - 498, std::hypot(xn[0] - cx, yn[0] - cy) - 400};
      for (int i = 0; i < 3; ++i) {
        sum[static_cast<std::size_t>(i)] += v[i];
        sum2[static_cast<std::size_t>(i)] += v[i] * v[i];
      }
    }
    for (std::size_t i = 0; i < 3; ++i) {
      const double mean = sum[i] / n, sd = std::sqrt(sum2[i] / n - mean * mean);
      EXPECT_NEAR(std::sqrt(cov[i][i]) / sd, 1, 0.1) << "parameter " << i;
    }
  }
  const auto line = ThreePointDiscCovariance({0, 1, 2}, {0, 1, 2}, 1);
  EXPECT_EQ(line[0][0], 0);
}

// The limb fit's covariance against the scatter of fits to noisy points:
// on the whole limb and on part of it, where the centre and the radius move
// together, and with the disc near the picture's origin or far from it.
TEST(LimbErrors, FitCovarianceMatchesSampling) {
  const struct {
    const char* name;
    double arc_deg, x0, y0;
  } cases[] = {{"whole limb", 360, 512, 498},
               {"half the limb", 180, 512, 498},
               {"a third of the limb", 120, 512, 498},
               {"a third, far from the origin", 120, 4100, 3600}};
  const int points = 30, draws = 2000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0, 1);
    std::array<std::array<double, 3>, 3> stated{}, sampled{};
    for (int k = 0; k < draws; ++k) {
      std::vector<LimbEdgePoint> p(points);
      for (int i = 0; i < points; ++i) {
        const double a = (15 + c.arc_deg * i / (points - 1)) * M_PI / 180;
        p[static_cast<std::size_t>(i)] = {c.x0 + 400 * std::cos(a) + noise(rng), c.y0 + 400 * std::sin(a) + noise(rng)};
      }
      double x0 = 0, y0 = 0, rk = 0;
      LimbFitErrors e;
      ASSERT_EQ(FitLimbPoints(p, x0, y0, rk, &e), 0);
      EXPECT_DOUBLE_EQ(e.rk * e.rk, e.cov[2][2]);
      const double v[3] = {x0 - c.x0, y0 - c.y0, rk - 400};
      for (std::size_t i = 0; i < 3; ++i)
        for (std::size_t j = 0; j < 3; ++j) {
          stated[i][j] += e.cov[i][j] / draws;
          sampled[i][j] += v[i] * v[j] / draws;
        }
    }
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_NEAR(std::sqrt(stated[i][i] / sampled[i][i]), 1, 0.1) << "parameter " << i;
      for (std::size_t j = 0; j < i; ++j) {
        const double scale = std::sqrt(sampled[i][i] * sampled[j][j]);
        EXPECT_NEAR(stated[i][j] / scale, sampled[i][j] / scale, 0.1) << "parameters " << i << ", " << j;
      }
    }
  }
}

// A picture x.jpg opened from its data file; `cal` ("" for none) beside it.
void OpenWith(TestApp& t, const std::string& cal,
              const std::vector<std::uint32_t>& px = std::vector<std::uint32_t>(1024 * 1024, 0xFFFFFFFFu)) {
  std::string error;
  ASSERT_TRUE(WriteBmp("x.jpg", 1024, 1024, px.data(), error)) << error;
  // A photograph: north up, so that a new limb needs no new orientation.
  if (!std::filesystem::exists("x.dat")) WriteAll("x.dat", test::DataFile("v2.0", "photo", "-21.4512", {}));
  std::filesystem::remove("x.cal");
  if (!cal.empty()) WriteAll("x.cal", cal);
  OpenPicture(t.app, t.folder.File("x.jpg"));
}

// The limb clicked at `n` points of the data file's disc (400 px about
// (512, 498)), each off by up to a pixel, and ended.
void ClickLimb(TestApp& t, int n) {
  Limb_Click(t.app);
  t.app.s.ManualSelection = 1;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * M_PI * i / n + 0.3;
    const double r = 400 + ((i * 7) % 5 - 2) * 0.5;
    Picture1_MouseDown(t.app, kLeftButton, 0, std::round(512 + r * std::cos(a)), std::round(498 + r * std::sin(a)));
  }
  limbend_Click(t.app);
}

TEST(CalErrors, SavedWithTheDataAndShownAgainAfterReopening) {
  TestApp t;
  OpenWith(t, "");
  ASSERT_EQ(t.app.s.CalibrationState, 3);
  EXPECT_EQ(ErrorSource(t.app), "assumed");  // an older file: the defaults
  EXPECT_EQ(t.app.calErrors.rk_px, kAssumedDisc_px);
  const std::string assumed = ReadoutText(t.app, 700, 400);
  LimbFitCalibrationErrors(t.app, IndependentDiscCovariance(0.12, 0.34, 0.056), "fit");
  OrientationCalibrationErrors(t.app, 0.031, "fit");
  const std::string fitted = ReadoutText(t.app, 700, 400);
  EXPECT_NE(fitted, assumed);
  EXPECT_NE(fitted.find("\xC2\xB1"), std::string::npos) << fitted;

  t.win.saveAnswers.push_back(t.folder.File("x.dat"));
  spremi_Click(t.app);
  ASSERT_TRUE(std::filesystem::exists("x.cal"));
  AssumeCalibrationErrors(t.app);
  OpenPicture(t.app, t.folder.File("x.jpg"));  // opened again, from its files
  EXPECT_TRUE(t.win.messages.empty()) << t.win.messages.front();
  EXPECT_EQ(ReadoutText(t.app, 700, 400), fitted);
  EXPECT_EQ(ErrorSource(t.app), "fit");
}

// The limb clicked: the fit's errors, or for three points a pixel assumed on
// each. (The disc clicked is the data file's, read in its own frame.)
TEST(CalErrors, TheClickedLimbGivesTheFitsErrors) {
  const struct {
    int points;
    const char* source;
    double rkMin_px, rkMax_px;
  } cases[] = {
      {8, "fit", 0.05, 0.6},      // the clicks are off by up to a pixel
      {3, "assumed", 0.4, 1.5},   // about 1 px / sqrt(3), more with the centre
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.points);
    TestApp t;
    OpenWith(t, "");
    ClickLimb(t, c.points);
    EXPECT_EQ(t.app.calErrors.discSource, c.source);
    EXPECT_GT(t.app.calErrors.rk_px, c.rkMin_px);
    EXPECT_LT(t.app.calErrors.rk_px, c.rkMax_px);
    EXPECT_EQ(t.app.calErrors.orientationSource, "header");  // a photograph's north is up
  }
}

TEST(CalErrors, AMissingOrMalformedFileGivesTheDefaultsAndANote) {
  const struct {
    const char* name;
    std::string cal;
    const char* note;  // "" for none
  } cases[] = {
      {"none", "", ""},
      {"malformed", "x0_err=oops\n", "The calibration errors in x.cal were not read (line 1: x0_err: not a number)"},
      {"read", CalFileText(Example()), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestApp t;
    OpenWith(t, c.cal);
    ASSERT_EQ(t.app.s.CalibrationState, 3);  // opened all the same
    const bool noted = !t.win.messages.empty() && t.win.messages.back().rfind(c.note, 0) == 0;
    EXPECT_EQ(noted, *c.note != 0) << (t.win.messages.empty() ? "" : t.win.messages.back());
    EXPECT_EQ(t.app.calErrors.x0_px, std::string(c.name) == "read" ? Example().x0_px : kAssumedDisc_px);
  }
}

// A white picture with a round blot of ink 4 px in radius about
// (600.3, 450.6), its edge soft and the paper's grain (about 3 grey levels)
// all over: what autoselect's weighted centre sees on a drawing.
std::vector<std::uint32_t> InkBlot() {
  std::vector<std::uint32_t> px(1024 * 1024);
  std::mt19937 rng(5);
  std::normal_distribution<double> grain(0, 3);
  for (int y = 0; y < 1024; ++y)
    for (int x = 0; x < 1024; ++x) {
      const double d = std::hypot(x - 600.3, y - 450.6);
      const double ink = std::clamp(4.5 - d, 0.0, 1.0);
      const int g = std::clamp(static_cast<int>(std::lround(245 - 225 * ink + grain(rng))), 0, 255);
      px[static_cast<std::size_t>(y) * 1024 + static_cast<std::size_t>(x)] =
          0xFF000000u | static_cast<std::uint32_t>(g * 0x010101);
    }
  return px;
}

// Measured with autoselect's weighted centre, a point keeps its own error
// (not a click's) in the panel's and Export's errors, through an edit and
// its undo, and through Save and opening again (the .cal keeps it); a point
// clicked beside it keeps a click's.
TEST(CalErrors, AnAutoselectedPointKeepsItsOwnError) {
  TestApp t;
  OpenWith(t, CalFileText(Example()), InkBlot());
  t.app.s.AutoselectMode = 2;
  t.win.inputAnswers.push_back("G1");
  Objekt_Click(t.app);
  t.app.s.ManualSelection = 0;
  Picture1_MouseDown(t.app, kLeftButton, 0, 604, 453);
  t.app.s.ManualSelection = 1;
  Picture1_MouseDown(t.app, kLeftButton, 0, 512, 498);
  Objektend_Click(t.app);
  const auto lines = [&] {
    std::vector<RecordLine> r;
    for (const RecordLine& l : t.app.book.list.lines)
      if (l.record) r.push_back(l);
    return r;
  };
  ASSERT_EQ(lines().size(), 2u);
  const RecordLine blot = lines()[0];
  EXPECT_GT(blot.point_sx_px, 0);
  EXPECT_LT(blot.point_sx_px, 0.1);  // many dark pixels against faint grain
  EXPECT_TRUE(std::isnan(lines()[1].point_sx_px));
  const PositionErrors own = RecordErrors(t.app, blot), click = RecordErrors(t.app, blot.B_deg, blot.L_deg);
  EXPECT_LT(own.B_deg, click.B_deg);
  EXPECT_LT(own.L_deg, click.L_deg);
  const PositionErrors clicked = RecordErrors(t.app, lines()[1]);
  EXPECT_EQ(clicked.B_deg, RecordErrors(t.app, lines()[1].B_deg, lines()[1].L_deg).B_deg);
  EXPECT_NE(PointErrorNote(blot).find("weighted centre"), std::string::npos);
  EXPECT_NE(PointErrorNote(lines()[1]).find("a click"), std::string::npos);

  ASSERT_EQ(ExportMeasurements(t.app, t.folder.File("x.csv")), "");
  char row[96];
  std::snprintf(row, sizeof row, ",%.4f,%.4f,%.4f,", own.B_deg, own.CMD_deg, own.L_deg);
  EXPECT_NE(ReadAll(t.folder.File("x.csv")).find(row), std::string::npos) << row;

  ASSERT_EQ(RenameObject(t.app, "G1", "G2"), "");
  EXPECT_EQ(lines()[0].point_sx_px, blot.point_sx_px);
  ASSERT_EQ(UndoEdit(t.app), "");
  EXPECT_EQ(lines()[0].point_sy_px, blot.point_sy_px);

  t.win.saveAnswers.push_back(t.folder.File("x.dat"));
  spremi_Click(t.app);
  EXPECT_NE(ReadAll(t.folder.File("x.cal")).find("\npoint_err="), std::string::npos);
  AssumeCalibrationErrors(t.app);
  OpenPicture(t.app, t.folder.File("x.jpg"));
  EXPECT_TRUE(t.win.messages.empty()) << t.win.messages.front();
  ASSERT_EQ(lines().size(), 2u);
  EXPECT_EQ(lines()[0].point_sx_px, blot.point_sx_px);
  EXPECT_EQ(lines()[0].point_sy_px, blot.point_sy_px);
  EXPECT_TRUE(std::isnan(lines()[1].point_sx_px));
  EXPECT_EQ(RecordErrors(t.app, lines()[0]).B_deg, own.B_deg);
}

TEST(CalErrors, ExportGivesEachRecordItsErrors) {
  TestApp t;
  OpenWith(t, CalFileText(Example()));
  t.win.inputAnswers.push_back("G1");
  Objekt_Click(t.app);
  t.app.s.ManualSelection = 1;
  Picture1_MouseDown(t.app, kLeftButton, 0, 600, 450);
  Picture1_MouseDown(t.app, kLeftButton, 0, 512, 498);
  Objektend_Click(t.app);
  ASSERT_EQ(ExportMeasurements(t.app, t.folder.File("x.csv")), "");
  const std::string csv = ReadAll(t.folder.File("x.csv"));
  ASSERT_EQ(csv.rfind("name,B,CMD,L,B_err,CMD_err,L_err,err_source\n", 0), 0u) << csv;
  // Each row: the record, its three errors as the status line gives them at
  // its pixel, and the source.
  const std::string status = ReadoutText(t.app, 512, 498);
  const PositionErrors e = PositionErrorsAt(t.app, 512, 498, kClick_px);
  EXPECT_NE(status.find(PlusMinusText(e.B_deg, true) + "  CMD="), std::string::npos) << status;
  char row[96];
  std::snprintf(row, sizeof row, ",%.4f,%.4f,%.4f,header\n", e.B_deg, e.CMD_deg, e.L_deg);
  EXPECT_NE(csv.find(row), std::string::npos) << csv << row;
}

}  // namespace
}  // namespace pelorin
