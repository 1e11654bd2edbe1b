#include "app/Brightness.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace pelorin {

namespace {

constexpr std::size_t kSampleSize = std::size_t{1} << 21;

// The value at fraction q (0..1) of the sorted sample, by selection.
double Quantile(std::vector<float>& sample, double q) {
  const std::size_t k = static_cast<std::size_t>(std::llround(q * static_cast<double>(sample.size() - 1)));
  std::nth_element(sample.begin(), sample.begin() + static_cast<std::ptrdiff_t>(k), sample.end());
  return sample[k];
}

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
  float lowest = 0, highest = 0;
  bool any = false;
  for (std::size_t i = 0; i < n; ++i) {
    const float v = values[i];
    if (!std::isfinite(v)) continue;
    if (!any) lowest = highest = v, any = true;
    lowest = std::min(lowest, v);
    highest = std::max(highest, v);
    if (i % stride == 0) sample.push_back(v);
  }
  if (!any) {
    error = "it holds no value: every pixel is NaN or blank";
    return false;
  }
  if (sample.empty()) sample.push_back(lowest);
  double low = Quantile(sample, 0.005), high = Quantile(sample, 0.995);
  if (!(high > low)) low = lowest, high = highest;

  out.width = width;
  out.height = height;
  out.low = low;
  out.high = high;
  out.level.resize(n);
  const bool flat = !(high > low);
  const double scale = flat ? 0 : (kMaxLevel - 1) / (high - low);
  constexpr std::uint16_t kMiddle = (kMaxLevel + 1) / 2;
  for (int r = 0; r < height; ++r) {
    const float* in = values + static_cast<std::size_t>(r) * static_cast<std::size_t>(width);
    const int y = bottomUp ? height - 1 - r : r;
    std::uint16_t* row = out.level.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      const float v = in[x];
      if (!std::isfinite(v)) {
        row[x] = kNoValue;
      } else if (flat) {
        row[x] = kMiddle;
      } else {
        const double t = std::clamp((static_cast<double>(v) - low) * scale, 0.0, double{kMaxLevel - 1});
        row[x] = static_cast<std::uint16_t>(1 + static_cast<int>(t + 0.5));
      }
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
  const std::vector<std::uint8_t> table = GreyTable(s);
  std::uint32_t grey[256];
  for (std::uint32_t g = 0; g < 256; ++g) grey[g] = 0xFF000000u | (g << 16) | (g << 8) | g;
  const std::size_t n = levels.level.size();
  for (std::size_t i = 0; i < n; ++i) argb[i] = grey[table[levels.level[i]]];
}

}  // namespace pelorin
