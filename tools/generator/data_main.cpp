// pelorin-generate-data: writes a full-disc FITS or JPEG 2000 test picture
// with a known WCS header (the generator's SolarFits).
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <stdexcept>
#include <string>

#include "Args.h"
#include "DataPictures.h"

namespace {

const char* const kUsage =
    "usage: pelorin-generate-data out=FILE.fits|FILE.jp2 [key=value ...]\n"
    "  size=N             picture side in pixels (default 512)\n"
    "  date=TEXT          DATE-OBS (default 2014-01-01T00:00:07.340; empty: none)\n"
    "  cdelt=ARCSEC       scale, arcsec per pixel (default: the disc fills 80% of the side)\n"
    "  crpix1= crpix2=    reference pixel (default the picture's centre)\n"
    "  crval1= crval2=    its helioprojective position, arcsec (default 0)\n"
    "  rotation=none|crota2|pc|cd   angle=DEGREES (default none, 0)\n"
    "  solarxy=0|1        Solar-X/Solar-Y axes instead of HPLN-TAN/HPLT-TAN\n"
    "  bitpix=8|16|32|64|-32|-64    (FITS; default -32)\n"
    "  compress=none|rice|gzip      (FITS; default none)\n"
    "  extension=0|1      (FITS) the image in an extension\n"
    "  planes=N           (FITS) a cube of N planes\n"
    "  b0= l0=            HGLT_OBS, CRLN_OBS in degrees (default -3, 150)\n"
    "  rsun=ARCSEC dsun=METRES       RSUN_OBS, DSUN_OBS\n";

}  // namespace

using pelorin::gen::NumberArg;

int main(int argc, char** argv) {
  try {
    std::map<std::string, std::string> kv;
    if (!pelorin::gen::ParseKeyValues(argc, argv, kv)) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    const std::string out = kv.count("out") ? kv["out"] : "";
    const bool jp2 = out.size() > 4 && out.compare(out.size() - 4, 4, ".jp2") == 0;
    if (out.empty()) throw std::invalid_argument("missing out=FILE");
    pelorin::gen::SolarFits s;
    s.width = s.height = static_cast<int>(NumberArg(kv, "size", 512));
    if (kv.count("date")) s.dateObs = kv["date"];
    s.rsun_obs_arcsec = NumberArg(kv, "rsun", s.rsun_obs_arcsec);
    s.dsun_obs_m = NumberArg(kv, "dsun", s.dsun_obs_m);
    s.cdelt1 = s.cdelt2 = NumberArg(kv, "cdelt", s.rsun_obs_arcsec / (0.4 * s.width));
    s.crpix1 = NumberArg(kv, "crpix1", s.width / 2.0 + 0.5);
    s.crpix2 = NumberArg(kv, "crpix2", s.height / 2.0 + 0.5);
    s.crval1 = NumberArg(kv, "crval1", 0);
    s.crval2 = NumberArg(kv, "crval2", 0);
    const std::string rot = kv.count("rotation") ? kv["rotation"] : "none";
    if (rot == "crota2") s.rotation = pelorin::gen::WcsRotation::Crota2;
    else if (rot == "pc") s.rotation = pelorin::gen::WcsRotation::Pc;
    else if (rot == "cd") s.rotation = pelorin::gen::WcsRotation::Cd;
    else if (rot != "none") throw std::invalid_argument("rotation=" + rot + ": none, crota2, pc or cd");
    s.rotation_deg = NumberArg(kv, "angle", 0);
    s.solarXY = NumberArg(kv, "solarxy", 0) != 0;
    s.layout.bitpix = static_cast<int>(NumberArg(kv, "bitpix", -32));
    const std::string c = kv.count("compress") ? kv["compress"] : "none";
    if (c == "rice") s.layout.compression = pelorin::gen::FitsCompression::Rice;
    else if (c == "gzip") s.layout.compression = pelorin::gen::FitsCompression::Gzip;
    else if (c != "none") throw std::invalid_argument("compress=" + c + ": none, rice or gzip");
    s.layout.extension = NumberArg(kv, "extension", 0) != 0;
    s.planes = static_cast<int>(NumberArg(kv, "planes", 1));
    s.hglt_obs_deg = NumberArg(kv, "b0", s.hglt_obs_deg);
    s.crln_obs_deg = NumberArg(kv, "l0", s.crln_obs_deg);
    if (jp2) pelorin::gen::WriteSolarJp2(out, s);
    else pelorin::gen::WriteSolarFits(out, s);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelorin-generate-data: %s\n%s", e.what(), kUsage);
    return 2;
  }
  return 0;
}
