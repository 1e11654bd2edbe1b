// pelorin-cli calibrate FILE: the calibration a picture's FITS header gives
// (FITS, or JPEG 2000 with the header in its XML box), as one line of the
// key=value pairs that the helio command takes.
#include <cstdio>
#include <string>

#include "Commands.h"
#include "Decoders.h"
#include "base/Text.h"
#include "formats/HeaderCalibration.h"

namespace pelorin::cli {

std::string CalibrationLine(const HeaderCalibration& c) {
  return PairsLine({
      {"x0", c.x0},   {"y0", c.y0},   {"rk", c.rk},
      {"P", c.P},     {"B0", c.B0},   {"L0", c.L0},
      {"rho0", c.rho0}, {"orientation", c.orientation}, {"northup", static_cast<double>(c.northUp)},
      {"year", static_cast<double>(c.time.year)}, {"month", static_cast<double>(c.time.month)},
      {"day", static_cast<double>(c.time.day)}, {"hours", c.time.hours},
  });
}

int CalibrateHeader(const std::string& file, const PictureHeader& header, int width, int height) {
  if (header.Empty()) {
    std::fprintf(stderr, "pelorin-cli calibrate: %s: the picture has no header (FITS keywords) to calibrate from\n",
                 file.c_str());
    return 1;
  }
  HeaderCalibration c;
  std::string missing;
  if (!CalibrateFromHeader(header, width, height, c, missing)) {
    std::fprintf(stderr, "pelorin-cli calibrate: %s: cannot be calibrated from its header: %s\n", file.c_str(),
                 missing.c_str());
    return 1;
  }
  std::printf("%s\n", CalibrationLine(c).c_str());
  return 0;
}

int RunCalibrate(const std::vector<std::string>& args) {
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
    std::fprintf(stderr, "usage: pelorin-cli calibrate FILE\n");
    return 2;
  }
  const std::string& file = args[0];
  decoders::DecodedPicture picture;
  std::string error;
  if (!decoders::ReadPicture(file, picture, error)) {
    std::fprintf(stderr, "pelorin-cli calibrate: %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  return CalibrateHeader(file, picture.header, picture.width, picture.height);
}

}  // namespace pelorin::cli
