// The robust stretch of measured data, the brightness scales, and the size
// every reader checks before it sets memory aside.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "base/Brightness.h"
#include "base/RasterPicture.h"
#include "base/PictureSize.h"

namespace pelorin {
namespace {

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

TEST(PlaceOnLevels, LimitsAreThePercentilesOfTheFiniteValues) {
  // 0 .. 999 with outliers and values without a number mixed in.
  std::vector<float> v;
  for (int i = 0; i < 1000; ++i) v.push_back(static_cast<float>(i));
  std::vector<float> withOutliers = v;
  withOutliers[10] = 1e9f;   // one hot pixel
  withOutliers[20] = -1e9f;  // one cold pixel
  std::vector<float> withNan = v;
  for (int i = 0; i < 1000; i += 2) withNan[static_cast<std::size_t>(i)] = kNan;
  withNan[1] = std::numeric_limits<float>::infinity();
  struct Case {
    const char* what;
    const std::vector<float>* values;
    double low, high;
  } cases[] = {
      {"a ramp", &v, 5, 994},
      {"hot and cold pixels do not move the limits", &withOutliers, 5, 994},
      {"NaN and infinity are passed over", &withNan, 7, 995},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DataLevels out;
    std::string error;
    ASSERT_TRUE(PlaceOnLevels(c.values->data(), 40, 25, false, out, error)) << error;
    EXPECT_NEAR(out.low, c.low, 1.01);
    EXPECT_NEAR(out.high, c.high, 1.01);
    ASSERT_EQ(out.level.size(), 1000u);
  }
  DataLevels out;
  std::string error;
  ASSERT_TRUE(PlaceOnLevels(withNan.data(), 40, 25, false, out, error));
  EXPECT_EQ(out.level[0], kNoValue);
  EXPECT_EQ(out.level[1], kNoValue);  // infinity has no value either
  EXPECT_EQ(out.level[3], 1);         // below the low limit
  EXPECT_EQ(out.level[999], kMaxLevel);
}

TEST(PlaceOnLevels, BottomUpRowsFlatPicturesAndNoValueAtAll) {
  const std::vector<float> rows = {1, 2, 3, 4, 5, 6};  // 3 x 2, row 0 = {1, 2, 3}
  DataLevels out;
  std::string error;
  ASSERT_TRUE(PlaceOnLevels(rows.data(), 3, 2, true, out, error));
  const auto levelOf = [](double v) { return 1 + std::lround((v - 1) / 5 * (kMaxLevel - 1)); };
  EXPECT_EQ(out.level[0], levelOf(4));  // value 4 is now top left
  EXPECT_EQ(out.level[3], 1);           // value 1 bottom left
  EXPECT_EQ(out.level[5], levelOf(3));  // value 3 bottom right

  const std::vector<float> flat(12, 7.5f);
  ASSERT_TRUE(PlaceOnLevels(flat.data(), 4, 3, false, out, error));
  for (std::uint16_t l : out.level) EXPECT_EQ(l, (kMaxLevel + 1) / 2);

  // Equal percentiles but a few other values: the limits are min and max.
  std::vector<float> mostlyFlat(1000, 10.0f);
  mostlyFlat[3] = 20.0f;
  ASSERT_TRUE(PlaceOnLevels(mostlyFlat.data(), 100, 10, false, out, error));
  EXPECT_EQ(out.low, 10);
  EXPECT_EQ(out.high, 20);
  EXPECT_EQ(out.level[3], kMaxLevel);

  const std::vector<float> none(6, kNan);
  out.width = 9;
  EXPECT_FALSE(PlaceOnLevels(none.data(), 3, 2, false, out, error));
  EXPECT_EQ(error, "it holds no value: every pixel is NaN or blank");
  EXPECT_TRUE(out.Empty());
  EXPECT_EQ(out.width, 0);
}

TEST(GreyTable, ScalesRunFromBlackToWhiteAndDifferInTheMiddle) {
  const std::uint16_t quarter = 1 + (kMaxLevel - 1) / 4;
  struct Case {
    BrightnessScale scale;
    const char* caption;
    int atQuarter;
  } cases[] = {
      {BrightnessScale::Linear, "Linear", 64},
      {BrightnessScale::SquareRoot, "Square root", 128},
      {BrightnessScale::Logarithmic, "Logarithmic", 204},  // log10(251) / log10(1001) = 0.8
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    EXPECT_STREQ(BrightnessScaleCaption(c.scale), c.caption);
    const std::vector<std::uint8_t> t = GreyTable(c.scale);
    ASSERT_EQ(t.size(), std::size_t{kMaxLevel} + 1);
    EXPECT_EQ(t[kNoValue], 0);
    EXPECT_EQ(t[1], 0);
    EXPECT_EQ(t[kMaxLevel], 255);
    EXPECT_NEAR(t[quarter], c.atQuarter, 1);
    for (std::size_t i = 2; i < t.size(); ++i) ASSERT_GE(t[i], t[i - 1]) << i;
  }
}

TEST(RasterPicture, DataPictureIsShownUnderTheChosenScaleWithoutItsMarks) {
  RasterPicture pic;
  DataLevels levels;
  levels.width = 2;
  levels.height = 1;
  const std::uint16_t quarter = 1 + (kMaxLevel - 1) / 4;
  levels.level = {kNoValue, quarter};
  pic.SetLevels(levels);
  ASSERT_TRUE(pic.HasDataLevels());
  EXPECT_EQ(pic.Point(0, 0), 0);
  const int linear = GreyTable(BrightnessScale::Linear)[quarter];
  const int root = GreyTable(BrightnessScale::SquareRoot)[quarter];
  ASSERT_EQ(linear, 64);
  ASSERT_EQ(root, 127);  // sqrt(0.24999) of 255
  EXPECT_EQ(pic.Point(1, 0), static_cast<std::int32_t>(RGB(linear, linear, linear)));
  pic.PSet(0, 0, RGB(255, 0, 0));
  EXPECT_TRUE(pic.SetBrightness(BrightnessScale::SquareRoot));
  EXPECT_EQ(pic.Point(0, 0), 0);  // the mark went with the old grey
  EXPECT_EQ(pic.Point(1, 0), static_cast<std::int32_t>(RGB(root, root, root)));
  pic.PSet(1, 0, RGB(255, 0, 0));
  pic.RestoreClean();
  EXPECT_EQ(pic.Point(1, 0), static_cast<std::int32_t>(RGB(root, root, root)));
  // The scale holds for the next picture of data; other pictures have none.
  pic.SetLevels(levels);
  EXPECT_EQ(pic.Point(1, 0), static_cast<std::int32_t>(RGB(root, root, root)));
  pic.Fill(2, 2, RGB(10, 20, 30));
  EXPECT_FALSE(pic.HasDataLevels());
  EXPECT_FALSE(pic.SetBrightness(BrightnessScale::Linear));
  EXPECT_EQ(pic.Point(1, 1), static_cast<std::int32_t>(RGB(10, 20, 30)));
}

TEST(CheckPictureSize, LimitsWithoutOverflow) {
  struct Case {
    long long w, h;
    bool ok;
    const char* says;
  } cases[] = {
      {1, 1, true, ""},
      {30000, 13333, true, ""},
      {20000, 20000, true, ""},
      {20001, 20000, false, "400 million pixels"},
      {30001, 1, false, "at most 30000 pixels a side"},
      {200000, 200000, false, "the header claims 200000 x 200000 pixels"},
      {0, 10, false, "at least one pixel"},
      {10, -5, false, "at least one pixel"},
      {std::numeric_limits<long long>::max(), std::numeric_limits<long long>::max(), false, "at most"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(CheckPictureSize(c.w, c.h, error), c.ok) << c.w << " x " << c.h;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace pelorin
