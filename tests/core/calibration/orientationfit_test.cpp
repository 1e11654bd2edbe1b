// The orientation's line fit and the error of its angle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <utility>
#include <vector>

#include "base/Angles.h"
#include "calibration/Orientation.h"

namespace pelorin {
namespace {

// Points (x, y) in system 0 turned by `turn_deg` about the origin.
void Load(const std::vector<std::pair<double, double>>& pts, double turn_deg, PointArray& px, PointArray& py) {
  const double c = std::cos(turn_deg * kRad), s = std::sin(turn_deg * kRad);
  for (std::size_t i = 0; i < pts.size(); ++i) {
    px[i + 1] = pts[i].first * c - pts[i].second * s;
    py[i + 1] = pts[i].first * s + pts[i].second * c;
  }
}

TEST(OrientationFit, AngleErrorFromResiduals) {
  // Six points about y = 0 whose deviations +-d leave the slope 0: the
  // scatter across is d (4 degrees of freedom, sum d^2 = 4 d^2) and the
  // spread along sqrt(17.5), so the error is d / sqrt(17.5) radians.
  auto zigzag = [](double d) {
    return std::vector<std::pair<double, double>>{{0, 0}, {1, d}, {2, -d}, {3, -d}, {4, d}, {5, 0}};
  };
  const double zig_deg = 0.1 / std::sqrt(17.5) / kRad;  // 1.3697
  struct Case {
    const char* name;
    std::vector<std::pair<double, double>> pts;
    double turn_deg, angle_deg, error_deg, tolerance_deg;
    double angleTolerance_deg = 1e-9;
  };
  const Case cases[] = {
      {"exact line", {{1, 0}, {2, 0}, {3, 0}, {7, 0}}, 30, 30, 0, 1e-9},
      {"two points leave no residual", {{1, 0.3}, {4, -0.2}}, 0, std::atan2(-0.5, 3) / kRad, 0, 1e-9},
      {"all x equal: the vertical", {{5, 10}, {5, 20}, {5, 35}}, 0, 90, 0, 1e-9},
      {"zigzag along x", zigzag(0.1), 0, 0, zig_deg, 1e-9},
      // Turned, y on x tilts the line by a fraction of its error (0.08 and
      // 0.23 degrees), and the error moves at second order only.
      {"zigzag turned 30", zigzag(0.1), 30, 30, zig_deg, 0.01, 0.1},
      {"zigzag turned -60", zigzag(0.1), -60, -60, zig_deg, 0.03, 0.3},
      {"ten times the scatter", zigzag(1), 0, 0, 10 * zig_deg, 1e-9},
  };
  for (const Case& c : cases) {
    PointArray px{}, py{};
    Load(c.pts, c.turn_deg, px, py);
    double angle = 0, error = -1;
    FitDailyParallel(px, py, static_cast<int>(c.pts.size()), angle, &error);
    EXPECT_NEAR(angle, c.angle_deg, c.angleTolerance_deg) << c.name << ": angle";
    EXPECT_NEAR(error, c.error_deg, c.tolerance_deg) << c.name << ": error";
  }
}

TEST(OrientationFit, ErrorMatchesTheScatterOfRepeatedInputs) {
  // Ten clicks 1 px apart from a line at 20 degrees, 20 px apart along it,
  // drawn again and again: the mean claimed error must match the angles'
  // own scatter (to 5 %, well above the sampling's 1.6 %).
  std::mt19937 rng(7);
  std::normal_distribution<double> click(0, 1);
  const double truth_deg = 20;
  const int draws = 2000, n = 10;
  double sumSq = 0, sumErr = 0;
  for (int k = 0; k < draws; ++k) {
    PointArray px{}, py{};
    for (int i = 1; i <= n; ++i) {
      const double t = 20.0 * i - 110;
      px[static_cast<std::size_t>(i)] = t * std::cos(truth_deg * kRad) + click(rng);
      py[static_cast<std::size_t>(i)] = t * std::sin(truth_deg * kRad) + click(rng);
    }
    double angle = 0, error = 0;
    FitDailyParallel(px, py, n, angle, &error);
    sumSq += (angle - truth_deg) * (angle - truth_deg);
    sumErr += error;
  }
  const double scatter = std::sqrt(sumSq / draws), claimed = sumErr / draws;
  std::printf("orientation fit: angles scatter %.4f deg, claimed %.4f deg\n", scatter, claimed);
  EXPECT_NEAR(claimed / scatter, 1, 0.05);
}

}  // namespace
}  // namespace pelorin
