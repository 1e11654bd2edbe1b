// The bundled sample set: the folder samples/ is what the generator writes,
// its data file reads back as the program's own, and every picture is one
// the program can measure (names, conventions, spots clear of each other,
// a reference block for its day).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "MeasuredFile.h"
#include "SampleSet.h"
#include "TestApp.h"
#include "app/DataFileIO.h"
#include "app/PictureLoad.h"
#include "app/WorkFiles.h"
#include "base/Angles.h"

namespace pelorin {
namespace {

const gen::SamplePicture& Picture(const gen::SampleSet& set, const std::string& prefix) {
  for (const gen::SamplePicture& p : set.pictures)
    if (p.fileName.rfind(prefix, 0) == 0) return p;
  throw std::logic_error("no sample " + prefix);
}

// Half the side of the "Weighted" autoselect window, pixels.
constexpr double kWindowHalf = 15;

TEST(SampleSet, FolderHoldsWhatTheGeneratorWrites) {
  // The text files are compared byte for byte; the pictures only by name
  // (their encoding is Qt's). scripts/make-samples --check compares all.
  test::TempFolder folder;
  const gen::SampleSet set = gen::BundledSamples();
  const std::string samples = std::string(PELORIN_SOURCE_DIR) + "/samples/";
  for (const std::string& name : gen::WriteSampleTexts(set, folder.path().string())) {
    SCOPED_TRACE(name);
    const std::string bundled = test::ReadAll(samples + name);
    ASSERT_FALSE(bundled.empty()) << "samples/" << name << " is missing";
    EXPECT_TRUE(bundled == test::ReadAll(folder.File(name)))
        << "samples/" << name << " is not what the generator writes: run scripts/make-samples";
  }
  for (const gen::SamplePicture& p : set.pictures) EXPECT_TRUE(std::filesystem::exists(samples + p.fileName)) << p.fileName;
}

TEST(SampleSet, DrawingDataFileReadsBackAsMeasured) {
  test::TestApp t;
  const gen::SampleSet set = gen::BundledSamples();
  const gen::SamplePicture& p = Picture(set, "kanz_drawx");
  const gen::Truth truth = gen::ComputeTruth(p.scene);
  const std::string dataName = gen::DataFileNameOf(p.fileName);
  gen::WriteMeasuredDataFile(dataName, truth, p.imageType, p.fileName, p.measured);
  ASSERT_EQ(ReadDataFile(t.app, dataName, p.fileName), "");
  const ProgramState& s = t.app.s;
  // Source: the scene of the drawing (17 May 2003 07:45 UT, not north up).
  EXPECT_EQ(s.ImageType, 0);
  EXPECT_EQ(s.NorthUpImage, 0);
  EXPECT_EQ(s.DateKnown, 1.0f);
  EXPECT_EQ(s.DateDay, 17);
  EXPECT_EQ(s.DateMonth, 5);
  EXPECT_EQ(s.DateYear, 2003);
  EXPECT_DOUBLE_EQ(s.TimeUT, 7.75);
  // The calibration comes back as written (15 significant digits).
  EXPECT_DOUBLE_EQ(s.P, truth.eph.P_deg);
  EXPECT_DOUBLE_EQ(s.B0, truth.eph.B0_deg);
  EXPECT_DOUBLE_EQ(s.L0, truth.eph.L0_deg);
  EXPECT_DOUBLE_EQ(s.rho0, truth.eph.rho0_AU);
  EXPECT_DOUBLE_EQ(s.ZeroPointX, truth.x0_px);
  EXPECT_DOUBLE_EQ(s.ZeroPointY, truth.y0_px);
  EXPECT_DOUBLE_EQ(s.LimbRadius, truth.rk_px);
  EXPECT_DOUBLE_EQ(s.OrientationAngle, truth.orientation_deg);
  EXPECT_EQ(s.CalibrationState, 3.0f);
  // Two groups, five points, each stored point on its spot: B, L to 5
  // decimals are 1e-5 degrees, under 0.001 px at this radius.
  std::size_t k = 0;
  for (const gen::MeasuredObject& o : p.measured) {
    for (const std::string& spot : o.spots) {
      ++k;
      SCOPED_TRACE(spot);
      const auto it = std::find_if(truth.spots.begin(), truth.spots.end(),
                                   [&](const gen::SpotTruth& st) { return st.name == spot; });
      ASSERT_NE(it, truth.spots.end());
      EXPECT_NEAR(s.PointX[k], it->x_px, 0.01);
      EXPECT_NEAR(s.PointY[k], it->y_px, 0.01);
    }
  }
  EXPECT_EQ(s.StoredPointCount, 5);
  EXPECT_EQ(k, 5u);
  // The working copy the program starts from it is the file itself, so Save
  // without a new measurement leaves the data file as it was.
  t.app.file2.Close();
  EXPECT_EQ(test::ReadAll("temp.dat"), test::ReadAll(dataName));
}

TEST(SampleSet, PicturesSuitTheProgram) {
  const gen::SampleSet set = gen::BundledSamples();
  ASSERT_EQ(set.pictures.size(), 5u);
  for (const gen::SamplePicture& p : set.pictures) {
    SCOPED_TRACE(p.fileName);
    const gen::Scene& sc = p.scene;
    const gen::Truth truth = gen::ComputeTruth(sc);
    // Realistic sizes, the whole disc on the picture.
    EXPECT_GE(std::max(sc.width_px, sc.height_px), 1024);
    EXPECT_LE(std::max(sc.width_px, sc.height_px), 2048);
    EXPECT_GE(sc.x0_px - sc.rk_px, 0.0);
    EXPECT_GE(sc.y0_px - sc.rk_px, 0.0);
    EXPECT_LE(sc.x0_px + sc.rk_px, sc.width_px - 1.0);
    EXPECT_LE(sc.y0_px + sc.rk_px, sc.height_px - 1.0);
    EXPECT_GE(truth.spots.size(), 6u);

    // A click on one spot: the autoselect window around it holds no other
    // spot and no drawn line.
    for (const gen::SpotTruth& a : truth.spots) {
      for (std::size_t j = 0; j < truth.spots.size(); ++j) {
        const gen::SpotTruth& b = truth.spots[j];
        if (&a == &b) continue;
        const double reach = kWindowHalf * std::sqrt(2.0) + sc.spots[j].penumbraRadius_px;
        EXPECT_GT(std::hypot(a.x_px - b.x_px, a.y_px - b.y_px), reach) << a.name << " and " << b.name;
      }
      if (sc.parallelLine && truth.parallel.size() >= 2) {
        const gen::PointPx& u = truth.parallel.front();
        const gen::PointPx& v = truth.parallel.back();
        const double len = std::hypot(v.x_px - u.x_px, v.y_px - u.y_px);
        const double across = std::fabs((a.x_px - u.x_px) * (v.y_px - u.y_px) - (a.y_px - u.y_px) * (v.x_px - u.x_px)) / len;
        EXPECT_GT(across, kWindowHalf * std::sqrt(2.0) + 2) << a.name << " near the drawn parallel";
      }
    }

    // What the program makes of the name: the date of a Kanzelhöhe name,
    // the length of a SOHO name, and the north-up rule both when the picture
    // is new and when its data file is read back.
    double y = 0, m = 0, d = 0, h = 0;
    const bool kanz = KanzelhoeheDate(p.fileName, y, m, d, h);
    if (kanz) {
      EXPECT_EQ(y, sc.year);
      EXPECT_EQ(m, sc.month);
      EXPECT_EQ(d, sc.day);
      EXPECT_DOUBLE_EQ(h, sc.hour + sc.minute / 60.0);
    }
    if (p.imageType == 1) {
      EXPECT_LE(p.fileName.size() - 4, 8u);
    }
    if (p.imageType == 0 || p.imageType == 3) {
      EXPECT_TRUE(kanz);
    }
    if (p.imageType != 2) {
      const bool newNorthUp = p.imageType == 1 || p.fileName.rfind("kanz_drawx", 0) != 0;
      EXPECT_EQ(newNorthUp, sc.northUp) << "as a new picture";
      std::int16_t type = 0, northUp = 0;
      float known = 0;
      ApplyTypeWord(TypeWord(p.imageType), p.fileName, type, northUp, known);
      EXPECT_EQ(type, p.imageType);
      EXPECT_EQ(northUp == 1, sc.northUp) << "read back from its data file";
    }

    // The comparison shows the block of the picture's day (the first block
    // not earlier than the picture), holding every group on the picture.
    double jPicture = 0;
    JulianDay(sc.year, sc.month, sc.day, truth.ut_hours, jPicture);
    const gen::DpdBlock* shown = nullptr;
    for (const gen::DpdBlock& b : set.reference) {
      double j = 0;
      JulianDay(b.year, b.month, b.day, b.hour + b.minute / 60.0 + b.second / 3600.0, j);
      if (j >= jPicture) {
        shown = &b;
        break;
      }
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->day, sc.day);
    EXPECT_EQ(shown->month, sc.month);
    for (const gen::SpotTruth& st : truth.spots) {
      const std::string group = st.name.substr(0, st.name.size() - 1);
      EXPECT_TRUE(std::any_of(shown->groups.begin(), shown->groups.end(),
                              [&](const gen::DpdGroup& g) { return g.name == group; }))
          << group;
    }
  }
}

TEST(MeasuredFile, RefusesWhatTheProgramWouldNotWrite) {
  const gen::SampleSet set = gen::BundledSamples();
  const gen::SamplePicture& p = Picture(set, "kanz_drawx");
  const gen::Truth truth = gen::ComputeTruth(p.scene);
  const struct {
    const char* label;
    int type;
    gen::MeasuredObject object;
  } rows[] = {
      {"type 2 has no data file", 2, {"G1", {"G1a"}}},
      {"unknown type", 4, {"G1", {"G1a"}}},
      {"unknown spot", 0, {"G1", {"G9z"}}},
      {"comma in the name", 0, {"G1,b", {"G1a"}}},
      {"quote in the name", 0, {"G\"1", {"G1a"}}},
  };
  test::TempFolder folder;
  for (const auto& r : rows) {
    SCOPED_TRACE(r.label);
    EXPECT_THROW(gen::WriteMeasuredDataFile(folder.File("x.dat"), truth, r.type, "x.jpg", {r.object}),
                 std::invalid_argument);
    EXPECT_FALSE(std::filesystem::exists(folder.File("x.dat")));
  }
}

// The daily parallel drawn on a drawing: ink under every helper point of the
// parallel, paper there without it.
TEST(Generator, ParallelLineIsDrawnAlongTheParallel) {
  const gen::SampleSet set = gen::BundledSamples();
  gen::Scene sc = Picture(set, "kanz_drawx").scene;
  sc.spots.clear();
  for (bool drawn : {true, false}) {
    SCOPED_TRACE(drawn ? "drawn" : "not drawn");
    sc.parallelLine = drawn;
    const gen::Rendered r = gen::Render(sc);
    ASSERT_EQ(r.truth.parallel.size(), 9u);
    for (const gen::PointPx& q : r.truth.parallel) {
      const std::uint32_t c = r.argb[static_cast<std::size_t>(std::lround(q.y_px)) * static_cast<std::size_t>(r.width_px) +
                                     static_cast<std::size_t>(std::lround(q.x_px))];
      const int grey = static_cast<int>(c & 0xFF);
      // Source: the generator's ink (grey 20) over a pixel at most half a
      // pixel from the line's middle, which the 1.5 px line covers at least
      // half; paper is 255.
      if (drawn) {
        EXPECT_LT(grey, 140) << q.x_px << "," << q.y_px;
      } else {
        EXPECT_EQ(grey, 255) << q.x_px << "," << q.y_px;
      }
    }
  }
}

}  // namespace
}  // namespace pelorin
