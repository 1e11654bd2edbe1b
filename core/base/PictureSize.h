// The largest picture that is opened, checked against the size a file's
// header claims before any memory is set aside for its pixels. Every reader
// (BMP, JPEG, FITS, JPEG 2000, and the toolkit's readers) asks this one
// function.
#pragma once

#include <string>

namespace pelorin {

inline constexpr long long kMaxPictureSide = 30000;
inline constexpr long long kMaxPicturePixels = 400'000'000;

// True when a picture of `width` x `height` pixels can be opened: both at
// least 1, each at most kMaxPictureSide and their product at most
// kMaxPicturePixels. Any value of either argument is safe (no overflow).
// Otherwise false with `error` saying what the header claims and the limit,
// e.g. "the header claims 200000 x 200000 pixels; at most 30000 pixels a side
// and 400 million pixels can be opened".
bool CheckPictureSize(long long width, long long height, std::string& error);

}  // namespace pelorin
