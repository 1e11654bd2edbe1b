#include "Decoders.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <new>

#include "base/RasterPicture.h"

namespace pelorin::decoders {

namespace {

bool EndsWith(const std::string& s, const char* tail) {
  const std::size_t n = std::strlen(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

}  // namespace

const char* KindName(PictureKind k) {
  switch (k) {
    case PictureKind::Bmp: return "BMP";
    case PictureKind::Jpeg: return "JPEG";
    case PictureKind::Fits: return "FITS";
    case PictureKind::Jpeg2000: return "JPEG 2000";
    case PictureKind::Unknown: break;
  }
  return "unknown";
}

PictureKind SniffPicture(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char b[12] = {};
  in.read(reinterpret_cast<char*>(b), sizeof b);
  const std::streamsize n = in.gcount();
  if (n >= 2 && b[0] == 'B' && b[1] == 'M') return PictureKind::Bmp;
  if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return PictureKind::Jpeg;
  if (n >= 9 && std::memcmp(b, "SIMPLE  =", 9) == 0) return PictureKind::Fits;
  if (n >= 2 && b[0] == 0x1F && b[1] == 0x8B) return PictureKind::Fits;
  static const unsigned char kJp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  if (n >= 12 && std::memcmp(b, kJp2, 12) == 0) return PictureKind::Jpeg2000;
  if (n >= 4 && b[0] == 0xFF && b[1] == 0x4F && b[2] == 0xFF && b[3] == 0x51) return PictureKind::Jpeg2000;
  return PictureKind::Unknown;
}

bool HasDataPictureName(const std::string& path) {
  std::string lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (EndsWith(lower, ".jp2") || EndsWith(lower, ".j2k")) return true;
  if (EndsWith(lower, ".gz")) lower.resize(lower.size() - 3);
  for (const char* ext : {".fits", ".fit", ".fts"})
    if (EndsWith(lower, ext)) return true;
  return false;
}

bool ReadPicture(const std::string& path, DecodedPicture& out, std::string& error) {
  return ReadPicture(path, out, error, ReadOptions{});
}

bool ReadPicture(const std::string& path, DecodedPicture& out, std::string& error, const ReadOptions& options) {
  out = DecodedPicture{};
  std::ifstream probe(path, std::ios::binary | std::ios::ate);
  if (!probe) {
    error = "the file cannot be opened";
    return false;
  }
  if (probe.tellg() == 0) {
    error = "the file is empty";
    return false;
  }
  probe.close();
  PictureKind kind = SniffPicture(path);
  if (kind == PictureKind::Unknown && HasDataPictureName(path)) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    kind = EndsWith(lower, ".jp2") || EndsWith(lower, ".j2k") ? PictureKind::Jpeg2000 : PictureKind::Fits;
  }
  bool ok = false;
  try {
    switch (kind) {
      case PictureKind::Fits: ok = ReadFits(path, out, error, options); break;
      case PictureKind::Jpeg2000: ok = ReadJpeg2000(path, out, error, options); break;
      case PictureKind::Jpeg: ok = ReadJpeg(path, out, error); break;
      case PictureKind::Bmp: {
        ok = ReadBmp(path, out.width, out.height, out.argb, error);
        out.kind = PictureKind::Bmp;
        break;
      }
      case PictureKind::Unknown:
        error = "it is not a BMP, JPEG, FITS or JPEG 2000 picture";
        break;
    }
  } catch (const std::bad_alloc&) {
    error = "there is not enough memory to open it";
    ok = false;
  }
  if (!ok) out = DecodedPicture{};
  return ok;
}

bool LoadInto(const std::string& path, RasterPicture& picture, std::string& error) {
  try {
    DecodedPicture d;
    ReadOptions options;
    options.greyOfData = false;  // the picture makes its pixels from the levels
    if (!ReadPicture(path, d, error, options)) return false;
    if (!d.levels.Empty()) {
      picture.SetLevels(std::move(d.levels));
    } else {
      const int w = d.width;
      picture.SetPixelRows(d.width, d.height, [&d, w](int y, std::uint32_t* row) {
        std::memcpy(row, d.argb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w),
                    static_cast<std::size_t>(w) * sizeof(std::uint32_t));
      });
    }
    picture.SetHeader(std::move(d.header));
    picture.SetNote(std::move(d.note));
  } catch (const std::bad_alloc&) {
    error = "there is not enough memory to open it";
    return false;
  }
  return true;
}

GreyPicture GreyOfDecoded(const DecodedPicture& picture) {
  return picture.levels.Empty() ? GreyOfArgb(picture.width, picture.height, picture.argb.data())
                                : GreyOfLevels(picture.levels);
}

bool ReadBatchPicture(const std::string& path, BatchPicture& out, std::string& error) {
  DecodedPicture picture;
  ReadOptions options;
  options.greyOfData = false;
  if (!ReadPicture(path, picture, error, options)) return false;
  out.grey = GreyOfDecoded(picture);
  out.header = std::move(picture.header);
  return true;
}

}  // namespace pelorin::decoders
