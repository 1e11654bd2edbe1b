// BMP pictures as the core reads them: any file is refused with a reason or
// read whole, never by allocating more than the file can fill, and a picture
// read is written and read back unchanged.
// The whole road through files and the program state; the parser alone is
// fuzzed by bmp_fuzz.cpp.
// run-fuzz: -max_len=16384
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "base/RasterPicture.h"

using namespace pelorin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1u << 20)) return 0;
  fuzz::EnterWorkFolder();
  fuzz::WriteFile("p.bmp", fuzz::Text(data, size));
  int w = -1, h = -1;
  std::vector<std::uint32_t> argb;
  std::string error;
  if (!ReadBmp("p.bmp", w, h, argb, error)) {
    fuzz::Check(!error.empty(), "a picture refused without a reason");
    return 0;
  }
  fuzz::Check(w >= 1 && h >= 1 && w <= 30000 && h <= 30000, "a picture of " + std::to_string(w) + " x " +
                                                                 std::to_string(h));
  fuzz::Check(argb.size() == static_cast<std::size_t>(w) * static_cast<std::size_t>(h), "pixel count");
  // Every pixel came from the file: at least three bytes each.
  fuzz::Check(argb.size() * 3 <= size, "more pixels than the file holds");
  std::string writeError;
  fuzz::Check(WriteBmp("q.bmp", w, h, argb.data(), writeError), "cannot write back: " + writeError);
  int w2 = 0, h2 = 0;
  std::vector<std::uint32_t> again;
  fuzz::Check(ReadBmp("q.bmp", w2, h2, again, writeError), "cannot read back: " + writeError);
  fuzz::Check(w2 == w && h2 == h && again == argb, "the picture changed on its way through a file");
  return 0;
}
