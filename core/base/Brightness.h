// How measured data (FITS, grey JPEG 2000) become the 8-bit grey picture
// that is shown, measured on and read out.
//
// The data are first placed on a scale of levels between two robust limits,
// the 0.5 and 99.5 percentiles of the pixels that hold a value: level 1 at
// or below the low limit, kMaxLevel at or above the high one, and level 0
// (shown black) for pixels without a value (NaN, BLANK). The levels are kept
// with the picture (two bytes a pixel), so that the brightness scale can be
// changed without reading the file again; the scale maps a level to grey.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelorin {

enum class BrightnessScale { Linear, SquareRoot, Logarithmic };
inline constexpr int kBrightnessScaleCount = 3;

// "Linear", "Square root", "Logarithmic": the captions of View -> "Brightness
// scale".
const char* BrightnessScaleCaption(BrightnessScale s);

inline constexpr std::uint16_t kNoValue = 0;
inline constexpr std::uint16_t kMaxLevel = 65535;

// The levels of a picture and the limits they were placed between (in the
// data's own units, after BZERO and BSCALE).
struct DataLevels {
  int width = 0, height = 0;
  std::vector<std::uint16_t> level;  // width x height, top row first
  double low = 0, high = 0;          // values at level 1 and kMaxLevel

  bool Empty() const { return level.empty(); }
};

// Places `values` (width x height, row r of the input is picture row r, or
// row height - 1 - r when `bottomUp`) on levels between the 0.5 and 99.5
// percentiles of its finite values. The percentiles are those of every
// value for pictures of up to 2^20 pixels and of an evenly spaced sample of
// about 2^20 values beyond (all finite values when the sample holds none). When the two percentiles are equal the limits
// are the smallest and largest value; when those are equal too (a flat
// picture), every value is put at the middle level. Returns false with
// `error` ("it holds no value: every pixel is NaN or blank") when no value
// is finite; `out` is then empty. Throws std::bad_alloc.
bool PlaceOnLevels(const float* values, int width, int height, bool bottomUp, DataLevels& out, std::string& error);

// The grey (0..255) of every level under scale `s`: level 0 is 0; level 1
// .. kMaxLevel run from 0 to 255 as t, sqrt(t) or log10(1 + 1000 t) / log10(1001)
// of t = (level - 1) / (kMaxLevel - 1), rounded.
std::vector<std::uint8_t> GreyTable(BrightnessScale s);

// The same as 0xFFRRGGBB grey words.
std::vector<std::uint32_t> ArgbTable(BrightnessScale s);

// The picture of `levels` as 0xFFRRGGBB grey words, top row first.
void LevelsToArgb(const DataLevels& levels, BrightnessScale s, std::uint32_t* argb);

}  // namespace pelorin
