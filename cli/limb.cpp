// pelorin-cli limb FILE: the solar disc found on a picture, as the program's
// limb fit gives it from the limb points that "Automatic limb" enters.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "Commands.h"
#include "base/RasterPicture.h"
#include "base/Text.h"
#include "calibration/Limb.h"
#include "calibration/LimbDetect.h"
#include "calibration/LimbDetect.h"
#include "Decoders.h"

namespace pelorin::cli {

namespace {

// The one place that reads a picture file for the CLI (BMP, JPEG, FITS,
// JPEG 2000, as the program shows it): w x h pixels, 0xAARRGGBB, top row
// first, and the header it came with (FITS and JPEG 2000); false with
// `error` set when it cannot.
bool ReadPictureFile(const std::string& path, int& w, int& h, std::vector<std::uint32_t>& argb, PictureHeader& header,
                     std::string& error) {
  decoders::DecodedPicture picture;
  if (!decoders::ReadPicture(path, picture, error)) return false;
  w = picture.width;
  h = picture.height;
  argb = std::move(picture.argb);
  header = std::move(picture.header);
  return true;
}

}  // namespace

int RunLimb(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty()) {
    std::fprintf(stderr, "usage: pelorin-cli limb FILE\n");
    return 2;
  }
  const std::string& path = args[0];
  int w = 0, h = 0;
  std::vector<std::uint32_t> argb;
  PictureHeader header;
  std::string error;
  if (!ReadPictureFile(path, w, h, argb, header, error)) {
    std::fprintf(stderr, "pelorin-cli: %s: %s\n", path.c_str(), error.c_str());
    return 1;
  }
  RasterPicture picture;
  picture.SetPixels(w, h, std::move(argb));
  picture.SetHeader(std::move(header));
  const LimbDetection found = DetectLimb(picture);
  double x0 = 0, y0 = 0, rk = 0;
  LimbFitErrors err;
  if (!found.found || FitLimbPoints(found.points, x0, y0, rk, &err) != 0) {
    std::fprintf(stderr, "pelorin-cli: %s: no solar disc was found on the picture\n", path.c_str());
    return 1;
  }
  std::printf("%s\n", PairsLine({{"x0", x0}, {"y0", y0}, {"rk", rk},
                                  {"points", static_cast<double>(found.points.size())},
                                  {"x0_err", err.x0}, {"y0_err", err.y0}, {"rk_err", err.rk}}).c_str());
  return 0;
}

}  // namespace pelorin::cli
