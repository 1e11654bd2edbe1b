// JPEG pictures through libjpeg-turbo's TurboJPEG interface.
#include <turbojpeg.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Decoders.h"
#include "base/PictureSize.h"

namespace pelorin::decoders {

bool ReadJpeg(const std::string& path, DecodedPicture& out, std::string& error) {
  out = DecodedPicture{};
  out.kind = PictureKind::Jpeg;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "the file cannot be opened";
    return false;
  }
  const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // A file cut inside its pixel data decodes without failing (the missing
  // rows come out grey); the end-of-image marker after the last scan is what
  // tells a whole file.
  std::size_t lastScan = std::string::npos;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) lastScan = i;
  bool ended = false;
  for (std::size_t i = lastScan == std::string::npos ? bytes.size() : lastScan; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xD9) ended = true;

  tjhandle tj = tjInitDecompress();
  if (!tj) {
    error = "the JPEG decoder cannot be started";
    return false;
  }
  struct Release {
    tjhandle h;
    ~Release() { tjDestroy(h); }
  } release{tj};
  int w = 0, h = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(tj, bytes.data(), static_cast<unsigned long>(bytes.size()), &w, &h, &subsampling,
                          &colourspace) != 0) {
    error = std::string("its JPEG header cannot be read: ") + tjGetErrorStr2(tj);
    return false;
  }
  if (!CheckPictureSize(w, h, error)) return false;
  if (!ended) {
    error = "the JPEG picture is cut short: its data end before the end-of-image marker";
    return false;
  }
  out.argb.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  // BGRX in memory is 0xXXRRGGBB in a little-endian word, XRGB in a
  // big-endian one.
  const int format = std::endian::native == std::endian::little ? TJPF_BGRX : TJPF_XRGB;
  if (tjDecompress2(tj, bytes.data(), static_cast<unsigned long>(bytes.size()),
                    reinterpret_cast<unsigned char*>(out.argb.data()), w, w * 4, h, format, 0) != 0 &&
      tjGetErrorCode(tj) != TJERR_WARNING) {
    error = std::string("its JPEG data cannot be decoded: ") + tjGetErrorStr2(tj);
    out = DecodedPicture{};
    return false;
  }
  for (std::uint32_t& p : out.argb) p |= 0xFF000000u;
  out.width = w;
  out.height = h;
  return true;
}

}  // namespace pelorin::decoders
