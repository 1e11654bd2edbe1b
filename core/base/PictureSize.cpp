#include "base/PictureSize.h"

namespace pelorin {

bool CheckPictureSize(long long width, long long height, std::string& error) {
  const std::string claim = "the header claims " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
  if (width < 1 || height < 1) {
    error = claim + "; a picture needs at least one pixel each way";
    return false;
  }
  // Each side is checked first, so the product below cannot overflow.
  if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels) {
    error = claim + "; at most " + std::to_string(kMaxPictureSide) + " pixels a side and " +
            std::to_string(kMaxPicturePixels / 1'000'000) + " million pixels can be opened";
    return false;
  }
  return true;
}

}  // namespace pelorin
