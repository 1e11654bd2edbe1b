// BMP pictures decoded in memory: any bytes are refused with a reason or
// decoded whole into opaque pixels, never into more pixels than the bytes
// can fill.
// run-fuzz: -max_len=16384
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/RasterPicture.h"

using namespace pelorin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = fuzz::Text(data, size);
  int w = -1, h = -1;
  std::vector<std::uint32_t> argb;
  std::string error;
  if (!DecodeBmp(bytes, w, h, argb, error)) {
    fuzz::Check(!error.empty(), "a picture refused without a reason");
    return 0;
  }
  fuzz::Check(error.empty(), "a picture decoded with a reason to refuse it");
  fuzz::Check(w >= 1 && h >= 1 && w <= 30000 && h <= 30000, "a picture of " + std::to_string(w) + " x " +
                                                                 std::to_string(h));
  fuzz::Check(argb.size() == static_cast<std::size_t>(w) * static_cast<std::size_t>(h), "pixel count");
  // Every pixel came from the bytes: at least three bytes each.
  fuzz::Check(argb.size() * 3 <= size, "more pixels than the bytes hold");
  for (std::uint32_t p : argb)
    if ((p >> 24) != 0xFF) fuzz::Fail("a pixel that is not opaque");
  return 0;
}
