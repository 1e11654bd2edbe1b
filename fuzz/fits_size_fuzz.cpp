// FITS files as the decoders read them: any file is refused with a reason
// or read whole, a picture never larger than the size check allows and
// never bigger than the pixels the file holds; and the size check itself
// agrees with arithmetic that cannot overflow for any two sizes.
// run-fuzz: -max_len=16384
#include <cstdint>
#include <cstring>
#include <string>

#include "Decoders.h"
#include "FuzzSupport.h"
#include "base/PictureSize.h"

using namespace pelorin;

// CFITSIO asks for absurd amounts of memory for some broken tables and
// handles the refusal (a null pointer, reported as a memory error); the
// sanitizer is told to refuse such requests the same way instead of
// stopping the run.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
// CFITSIO loses a few bytes when a tile of a compressed image cannot be
// decompressed; that is the library's, not a leak of the reader.
extern "C" const char* __lsan_default_suppressions() { return "leak:imcomp_decompress_tile\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  // The first 16 bytes as two sizes for the check on its own.
  if (size >= 16) {
    long long w = 0, h = 0;
    std::memcpy(&w, data, 8);
    std::memcpy(&h, data + 8, 8);
    std::string error;
    const bool ok = CheckPictureSize(w, h, error);
    // w * h <= limit, by division (no product that could overflow).
    const bool expected = w >= 1 && h >= 1 && w <= kMaxPictureSide && h <= kMaxPictureSide &&
                          w <= kMaxPicturePixels / h;
    fuzz::Check(ok == expected, "size check of " + std::to_string(w) + " x " + std::to_string(h));
    fuzz::Check(ok || !error.empty(), "a size refused without a reason");
  }
  fuzz::EnterWorkFolder();
  fuzz::WriteFile("p.fits", fuzz::Text(data, size));
  decoders::DecodedPicture p;
  std::string error;
  if (!decoders::ReadFits("p.fits", p, error)) {
    fuzz::Check(!error.empty(), "a FITS file refused without a reason");
    fuzz::Check(p.width == 0 && p.argb.empty() && p.levels.Empty(), "a refused file left a picture");
    return 0;
  }
  std::string sizeError;
  fuzz::Check(CheckPictureSize(p.width, p.height, sizeError), "a picture of " + std::to_string(p.width) + " x " +
                                                                  std::to_string(p.height));
  const std::size_t n = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
  fuzz::Check(p.argb.size() == n && p.levels.level.size() == n, "pixel count");
  fuzz::Check(p.levels.width == p.width && p.levels.height == p.height, "levels' size");
  for (std::uint32_t px : p.argb) {
    const std::uint32_t g = px & 0xFF;
    if (px != (0xFF000000u | (g << 16) | (g << 8) | g)) {
      fuzz::Check(false, "a data pixel that is not grey");
      break;
    }
  }
  return 0;
}
