#include "base/Brightness.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace pelorin {

namespace {

constexpr std::size_t kSampleSize = std::size_t{1} << 20;

// The index of fraction q (0..1) of `count` sorted values.
std::size_t Rank(std::size_t count, double q) {
  return static_cast<std::size_t>(std::llround(q * static_cast<double>(count - 1)));
}

// Neither NaN nor infinite, in one comparison.
bool Finite(float v) { return std::fabs(v) <= std::numeric_limits<float>::max(); }

}  // namespace

const char* BrightnessScaleCaption(BrightnessScale s) {
  switch (s) {
    case BrightnessScale::Linear: return "Linear";
    case BrightnessScale::SquareRoot: return "Square root";
    case BrightnessScale::Logarithmic: return "Logarithmic";
  }
  return "Linear";
}

bool PlaceOnLevels(const float* values, int width, int height, bool bottomUp, DataLevels& out, std::string& error) {
  out = DataLevels{};
  const std::size_t n = width > 0 && height > 0 ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) : 0;
  // The finite values, or an evenly spaced sample of them.
  const std::size_t stride = std::max<std::size_t>(1, n / kSampleSize);
  std::vector<float> sample;
  sample.reserve(std::min(n, kSampleSize + 1));
  for (std::size_t i = 0; i < n; i += stride)
    if (Finite(values[i])) sample.push_back(values[i]);
  if (sample.empty()) {
    // A sparse picture may have its values between the samples.
    for (std::size_t i = 0; i < n; ++i)
      if (Finite(values[i])) sample.push_back(values[i]);
  }
  if (sample.empty()) {
    error = "it holds no value: every pixel is NaN or blank";
    return false;
  }
  const std::size_t kLow = Rank(sample.size(), 0.005), kHigh = Rank(sample.size(), 0.995);
  const auto lowAt = sample.begin() + static_cast<std::ptrdiff_t>(kLow);
  std::nth_element(sample.begin(), lowAt, sample.end());
  double low = *lowAt;
  // The high one lies among the values above the low one.
  const auto highAt = sample.begin() + static_cast<std::ptrdiff_t>(kHigh);
  if (kHigh > kLow) std::nth_element(lowAt + 1, highAt, sample.end());
  double high = *highAt;
  if (!(high > low)) {
    // The smallest and largest value of the whole picture.
    bool any = false;
    float lowest = 0, highest = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const float v = values[i];
      if (!Finite(v)) continue;
      if (!any) lowest = highest = v, any = true;
      lowest = std::min(lowest, v);
      highest = std::max(highest, v);
    }
    low = lowest;
    high = highest;
  }

  out.width = width;
  out.height = height;
  out.low = low;
  out.high = high;
  out.level.resize(n);
  const bool flat = !(high > low);
  const float lowF = static_cast<float>(low);
  const float scale = flat ? 0.0f : static_cast<float>((kMaxLevel - 1) / (high - low));
  constexpr float kTop = kMaxLevel - 1;
  constexpr std::uint16_t kMiddle = (kMaxLevel + 1) / 2;
  for (int r = 0; r < height; ++r) {
    const float* in = values + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    const int y = bottomUp ? height - 1 - r : r;
    std::uint16_t* row = out.level.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    if (flat) {
      for (int x = 0; x < width; ++x) row[x] = Finite(in[x]) ? kMiddle : kNoValue;
      continue;
    }
    for (int x = 0; x < width; ++x) {
      const float v = in[x];
      const float t = std::min(kTop, std::max(0.0f, (v - lowF) * scale));
      row[x] = Finite(v) ? static_cast<std::uint16_t>(1 + static_cast<int>(t + 0.5f)) : kNoValue;
    }
  }
  return true;
}

std::vector<std::uint8_t> GreyTable(BrightnessScale s) {
  std::vector<std::uint8_t> table(std::size_t{kMaxLevel} + 1);
  table[kNoValue] = 0;
  const double logNorm = std::log10(1001.0);
  for (int level = 1; level <= kMaxLevel; ++level) {
    const double t = static_cast<double>(level - 1) / (kMaxLevel - 1);
    double g = t;
    if (s == BrightnessScale::SquareRoot) g = std::sqrt(t);
    if (s == BrightnessScale::Logarithmic) g = std::log10(1 + 1000 * t) / logNorm;
    table[static_cast<std::size_t>(level)] = static_cast<std::uint8_t>(std::clamp(std::lround(255 * g), 0L, 255L));
  }
  return table;
}

void LevelsToArgb(const DataLevels& levels, BrightnessScale s, std::uint32_t* argb) {
  const std::vector<std::uint32_t> table = ArgbTable(s);
  const std::size_t n = levels.level.size();
  const std::uint16_t* in = levels.level.data();
  for (std::size_t i = 0; i < n; ++i) argb[i] = table[in[i]];
}

std::vector<std::uint32_t> ArgbTable(BrightnessScale s) {
  const std::vector<std::uint8_t> grey = GreyTable(s);
  std::vector<std::uint32_t> table(grey.size());
  for (std::size_t i = 0; i < grey.size(); ++i) {
    const std::uint32_t g = grey[i];
    table[i] = 0xFF000000u | (g << 16) | (g << 8) | g;
  }
  return table;
}

}  // namespace pelorin
