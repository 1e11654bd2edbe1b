// FITS pictures through CFITSIO.
#include <fitsio.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Decoders.h"
#include "base/PictureSize.h"

namespace pelorin::decoders {

namespace {

// CFITSIO's explanation of `status`, with the messages it stacked up.
std::string FitsError(int status) {
  char text[FLEN_STATUS] = {};
  fits_get_errstatus(status, text);
  std::string out = text;
  char msg[FLEN_ERRMSG] = {};
  std::string details;
  while (fits_read_errmsg(msg)) {
    std::string m = msg;
    while (!m.empty() && (m.back() == ' ' || m.back() == '\n')) m.pop_back();
    if (m.empty() || m == out) continue;
    if (!details.empty()) details += "; ";
    details += m;
  }
  if (!details.empty()) out += " (" + details + ")";
  return out;
}

// A gzip-compressed tile whose stream never ends sends CFITSIO round a loop
// that grows its buffer without bound. Every tile of a GZIP_1 or GZIP_2
// image is therefore inflated here first, into no more than the tile can
// hold; false with `error` set for the first one that is damaged or too big.
bool GzipTilesSound(fitsfile* f, std::string& error) {
  int status = 0;
  char text[FLEN_VALUE] = {};
  if (fits_read_key(f, TSTRING, "ZCMPTYPE", text, nullptr, &status)) return true;  // CFITSIO says why, later
  if (std::string(text).rfind("GZIP", 0) != 0) return true;
  // The largest tile: ZTILEn values (ZTILE1 defaults to ZNAXIS1, the others
  // to 1) of at most 8 bytes each.
  int naxis = 0;
  if (fits_read_key(f, TINT, "ZNAXIS", &naxis, nullptr, &status) || naxis < 1 || naxis > 999) return true;
  LONGLONG tileBytes = 8;
  for (int i = 1; i <= naxis; ++i) {
    LONGLONG n = 1;
    int s = 0;
    if (fits_read_key(f, TLONGLONG, ("ZTILE" + std::to_string(i)).c_str(), &n, nullptr, &s)) {
      n = 1;
      s = 0;
      if (i == 1) fits_read_key(f, TLONGLONG, "ZNAXIS1", &n, nullptr, &s);
    }
    if (n < 1 || n > (LONGLONG{1} << 40) / tileBytes) {
      error = "its compressed image has tiles of an absurd size";
      return false;
    }
    tileBytes *= n;
  }
  // Whatever cannot be read here would be read no better by CFITSIO's
  // inflating.
  const auto unreadable = [&error](int st) {
    error = "its compressed image cannot be read: " + FitsError(st);
    return false;
  };
  LONGLONG rows = 0;
  if (fits_get_num_rowsll(f, &rows, &status)) return unreadable(status);
  std::vector<unsigned char> in, outBuf(static_cast<std::size_t>(std::min<LONGLONG>(tileBytes, 1 << 20)) + 1);
  for (const char* column : {"COMPRESSED_DATA", "GZIP_COMPRESSED_DATA"}) {
    int col = 0;
    status = 0;
    if (fits_get_colnum(f, CASEINSEN, const_cast<char*>(column), &col, &status)) continue;
    for (LONGLONG row = 1; row <= rows; ++row) {
      LONGLONG repeat = 0, offset = 0;
      if (fits_read_descriptll(f, col, row, &repeat, &offset, &status)) return unreadable(status);
      if (repeat <= 0) continue;
      // Memory for a tile's bytes only once the file is known to hold them.
      if (repeat > f->Fptr->filesize) {
        error = "tile " + std::to_string(row) + " of its compressed image claims " + std::to_string(repeat) +
                " bytes, more than the file holds";
        return false;
      }
      in.resize(static_cast<std::size_t>(repeat));
      int anyNull = 0;
      unsigned char zero = 0;
      if (fits_read_col(f, TBYTE, col, row, 1, repeat, &zero, in.data(), &anyNull, &status))
        return unreadable(status);
      z_stream z{};
      if (inflateInit2(&z, 15 + 32) != Z_OK) return true;  // gzip or zlib, told by its header
      z.next_in = in.data();
      z.avail_in = static_cast<uInt>(in.size());
      LONGLONG produced = 0;
      int rc = Z_OK;
      while (rc == Z_OK && produced <= tileBytes) {
        z.next_out = outBuf.data();
        z.avail_out = static_cast<uInt>(outBuf.size());
        rc = inflate(&z, Z_NO_FLUSH);
        produced += static_cast<LONGLONG>(outBuf.size() - z.avail_out);
        if (rc == Z_BUF_ERROR || (rc == Z_OK && z.avail_in == 0 && z.avail_out != 0)) break;
      }
      inflateEnd(&z);
      if (rc != Z_STREAM_END || produced > tileBytes) {
        error = "tile " + std::to_string(row) + " of its compressed image is damaged (its gzip stream " +
                (produced > tileBytes ? "holds more than the tile" : "does not end") + ")";
        return false;
      }
    }
  }
  return true;
}

// Closes the file however the reader leaves.
struct FitsFile {
  fitsfile* f = nullptr;
  ~FitsFile() {
    int status = 0;
    if (f) fits_close_file(f, &status);
  }
};

// A card's value as PictureHeader keeps it: strings without their quotes
// (doubled quotes made single) and without trailing blanks.
std::string CardValue(const char* raw) {
  std::string v = raw;
  while (!v.empty() && v.back() == ' ') v.pop_back();
  std::size_t start = v.find_first_not_of(' ');
  if (start == std::string::npos) return "";
  v = v.substr(start);
  if (v.front() != '\'') return v;
  std::string s;
  for (std::size_t i = 1; i < v.size(); ++i) {
    if (v[i] == '\'') {
      if (i + 1 < v.size() && v[i + 1] == '\'') {
        s += '\'';
        ++i;
        continue;
      }
      break;
    }
    s += v[i];
  }
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// Cards that describe the file's structure rather than the picture: kept
// out of the header of a tile-compressed image (whose table they describe).
bool CompressionCard(const std::string& k) {
  static const char* const kExact[] = {"XTENSION", "BITPIX", "NAXIS", "PCOUNT", "GCOUNT", "TFIELDS", "ZIMAGE",
                                       "ZCMPTYPE", "ZBITPIX", "ZNAXIS", "ZQUANTIZ", "ZDITHER0", "ZSIMPLE",
                                       "ZEXTEND", "ZBLOCKED", "ZTENSION", "ZPCOUNT", "ZGCOUNT", "ZHECKSUM",
                                       "ZDATASUM", "THEAP", "EXTNAME"};
  for (const char* e : kExact)
    if (k == e) return true;
  for (const char* prefix : {"NAXIS", "TTYPE", "TFORM", "TUNIT", "TDIM", "ZNAXIS", "ZTILE", "ZNAME", "ZVAL", "TSCAL",
                             "TZERO", "TNULL"}) {
    const std::string p = prefix;
    if (k.size() > p.size() && k.compare(0, p.size(), p) == 0 &&
        k.find_first_not_of("0123456789", p.size()) == std::string::npos)
      return true;
  }
  return false;
}

bool ReadCards(fitsfile* f, bool compressed, int bitpix, const std::vector<LONGLONG>& axes, PictureHeader& header,
               int& status) {
  int count = 0, more = 0;
  if (fits_get_hdrspace(f, &count, &more, &status)) return false;
  if (compressed) {
    header.cards.push_back({"BITPIX", std::to_string(bitpix)});
    header.cards.push_back({"NAXIS", std::to_string(axes.size())});
    for (std::size_t i = 0; i < axes.size(); ++i)
      header.cards.push_back({"NAXIS" + std::to_string(i + 1), std::to_string(axes[i])});
  }
  for (int i = 1; i <= count; ++i) {
    char name[FLEN_KEYWORD] = {}, value[FLEN_VALUE] = {}, comment[FLEN_COMMENT] = {};
    if (fits_read_keyn(f, i, name, value, comment, &status)) return false;
    const std::string k = name;
    if (k.empty() || k == "COMMENT" || k == "HISTORY" || k == "END") continue;
    if (compressed && CompressionCard(k)) continue;
    if (k == "CONTINUE") {
      // The rest of a long string: its whole card, read in the core.
      char card[FLEN_CARD] = {};
      if (fits_read_record(f, i, card, &status)) return false;
      const std::string c = card;
      header.cards.push_back({k, c.size() > 8 ? c.substr(8) : std::string()});
      continue;
    }
    header.cards.push_back({k, CardValue(value)});
  }
  JoinContinuedStrings(header);
  return true;
}

// CFITSIO divides by the tile sizes of a compressed image as soon as it
// moves to its HDU, before anything can be asked of it: a tile size of 0
// would stop the program. The header that starts at byte `start` is
// therefore read as bytes first; false with `error` set when it describes a
// compressed image with a tile or axis size below 1 (ZTILEn, ZNAXISn), or
// when a column's name, format, unit, display or dimensions
// is not a quoted text (CFITSIO copies those into buffers of a fixed size).
bool CompressedHeaderSound(const std::string& path, LONGLONG start, std::string& error) {
  // The bytes come through zlib, which reads a gzip-compressed file as
  // CFITSIO unpacks it and any other file as it is.
  std::string bytes;
  if (gzFile gz = gzopen(path.c_str(), "rb")) {
    if (gzseek(gz, static_cast<z_off_t>(start), SEEK_SET) == static_cast<z_off_t>(start)) {
      bytes.resize(1 << 20);
      const int got = gzread(gz, bytes.data(), static_cast<unsigned>(bytes.size()));
      bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    }
    gzclose(gz);
  }
  bool zimage = false;
  std::vector<std::pair<std::string, double>> sizes;  // ZTILEn and ZNAXISn
  // The cards up to END, or up to the end of what was read: CFITSIO reads a
  // header cut short as far as it goes.
  for (std::size_t at = 0; at + 80 <= bytes.size(); at += 2880) {
    const char* block = bytes.data() + at;
    const std::size_t n = std::min<std::size_t>(bytes.size() - at, 2880) / 80 * 80;
    bool end = false;
    for (std::size_t i = 0; i < n / 80 && !end; ++i) {
      const std::string_view card(block + 80 * i, 80);
      std::string_view key = card.substr(0, 8);
      while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
      if (key == "END") end = true;
      if (card.substr(8, 2) != "= ") continue;
      std::string_view value = card.substr(10);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      if (key == "ZIMAGE") zimage = !value.empty() && value.front() == 'T';
      // The column keywords CFITSIO copies as it moves to a table must hold
      // a quoted string.
      for (const std::string_view column : {"TTYPE", "TFORM", "TUNIT", "TDISP", "TDIM"}) {
        if (key.size() > column.size() && key.substr(0, column.size()) == column &&
            key.find_first_not_of("0123456789", column.size()) == std::string_view::npos &&
            (value.empty() || value.front() != '\'' || value.find('\'', 1) == std::string_view::npos)) {
          error = "its header card " + std::string(key) + " holds no quoted text";
          return false;
        }
      }
      const bool tile = key.rfind("ZTILE", 0) == 0 && key.size() > 5;
      const bool axis = key.rfind("ZNAXIS", 0) == 0 && key.size() > 6;
      if (tile || axis) {
        const std::string text(value.substr(0, value.find('/')));
        char* last = nullptr;
        const double v = std::strtod(text.c_str(), &last);
        sizes.emplace_back(std::string(key), last == text.c_str() ? -1.0 : v);
      }
    }
    if (end) break;
  }
  if (!zimage) return true;
  // An axis of no length is refused too: a missing ZTILE1 is taken as
  // ZNAXIS1.
  for (const auto& [name, v] : sizes) {
    if (!(v >= 1)) {
      error = "its compressed image gives " + name + " as " + std::to_string(static_cast<long long>(v)) +
              ", which is no size";
      return false;
    }
  }
  return true;
}

}  // namespace

bool ReadFits(const std::string& path, DecodedPicture& out, std::string& error, const ReadOptions& options) {
  out = DecodedPicture{};
  out.kind = PictureKind::Fits;
  FitsFile file;
  int status = 0;
  // The disk-file opener takes the name as it is (no CFITSIO filename
  // syntax); gzip-compressed files are uncompressed in memory.
  fits_clear_errmsg();
  if (fits_open_diskfile(&file.f, path.c_str(), READONLY, &status)) {
    error = "it is not a readable FITS file: " + FitsError(status);
    file.f = nullptr;
    return false;
  }
  // The HDUs, counted one by one: each header is looked at before CFITSIO
  // moves to it.
  int hduCount = 0;
  for (;;) {
    LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
    if (fits_get_hduaddrll(file.f, &headStart, &dataStart, &dataEnd, &status)) {
      error = "its FITS structure cannot be read: " + FitsError(status);
      return false;
    }
    ++hduCount;
    if (dataEnd >= file.f->Fptr->filesize) break;
    if (!CompressedHeaderSound(path, dataEnd, error)) {
      error = "HDU " + std::to_string(hduCount + 1) + ": " + error;
      return false;
    }
    int type = 0;
    if (fits_movrel_hdu(file.f, 1, &type, &status)) {
      if (status != END_OF_FILE) {
        error = "HDU " + std::to_string(hduCount + 1) + " cannot be read: " + FitsError(status);
        return false;
      }
      status = 0;
      fits_clear_errmsg();
      break;
    }
  }
  // The first HDU holding an image of two axes or more.
  std::vector<LONGLONG> axes;
  int bitpix = 0, hdu = 0;
  std::string oneAxis;
  for (int h = 1; h <= hduCount && hdu == 0; ++h) {
    int type = 0;
    if (fits_movabs_hdu(file.f, h, &type, &status)) {
      error = "HDU " + std::to_string(h) + " cannot be read: " + FitsError(status);
      return false;
    }
    if (type != IMAGE_HDU) continue;
    int naxis = 0;
    if (fits_get_img_dim(file.f, &naxis, &status)) {
      error = "the image of HDU " + std::to_string(h) + " cannot be read: " + FitsError(status);
      return false;
    }
    if (naxis < 1) continue;
    std::vector<LONGLONG> n(static_cast<std::size_t>(std::min(naxis, 999)));
    if (fits_get_img_paramll(file.f, static_cast<int>(n.size()), &bitpix, &naxis, n.data(), &status)) {
      error = "the image of HDU " + std::to_string(h) + " cannot be read: " + FitsError(status);
      return false;
    }
    if (naxis == 1) {
      if (oneAxis.empty()) oneAxis = "a 1-D array of " + std::to_string(n[0]) + " values in HDU " + std::to_string(h);
      continue;
    }
    axes = n;
    hdu = h;
  }
  if (hdu == 0) {
    error = oneAxis.empty() ? "it holds no image" : "it holds no 2-D image, only " + oneAxis;
    return false;
  }
  // Refused from the header, before anything is set aside for the pixels.
  if (!CheckPictureSize(axes[0], axes[1], error)) return false;
  const int w = static_cast<int>(axes[0]), h = static_cast<int>(axes[1]);
  for (std::size_t i = 2; i < axes.size(); ++i) {
    if (axes[i] < 1) {
      error = "its image has an empty axis " + std::to_string(i + 1);
      return false;
    }
  }
  long long planes = 1;
  for (std::size_t i = 2; i < axes.size(); ++i) planes = axes[i] > 1 ? planes * std::min<LONGLONG>(axes[i], 1 << 20) : planes;
  if (planes > 1) {
    std::string dims = std::to_string(axes[0]);
    for (std::size_t i = 1; i < axes.size(); ++i) dims += " x " + std::to_string(axes[i]);
    out.note = "The FITS file holds a cube of " + dims + " values; its first plane is shown.";
  }

  int compressed = fits_is_compressed_image(file.f, &status);
  status = 0;
  // The pixels the header promises must be in the file before memory is
  // set aside for them (a tile-compressed image is checked as it is read).
  if (!compressed) {
    LONGLONG headStart = 0, dataStart = 0, dataEnd = 0;
    if (fits_get_hduaddrll(file.f, &headStart, &dataStart, &dataEnd, &status)) {
      error = "its FITS structure cannot be read: " + FitsError(status);
      return false;
    }
    const LONGLONG need = dataStart + static_cast<LONGLONG>(std::abs(bitpix) / 8) * axes[0] * axes[1];
    const LONGLONG have = file.f->Fptr->filesize;
    if (need > have) {
      error = "the FITS file is cut short: its header promises " + std::to_string(need - dataStart) +
              " bytes of pixel data for the first plane, the file holds " +
              std::to_string(std::max<LONGLONG>(0, have - dataStart));
      out = DecodedPicture{};
      return false;
    }
  }
  if (!ReadCards(file.f, compressed != 0, bitpix, axes, out.header, status)) {
    error = "its header cannot be read: " + FitsError(status);
    out = DecodedPicture{};
    return false;
  }

  if (compressed && !GzipTilesSound(file.f, error)) {
    out = DecodedPicture{};
    return false;
  }

  // The first plane as floats: BZERO and BSCALE applied, BLANK made NaN.
  const std::size_t count = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  std::unique_ptr<float[]> values(new float[count]);  // every one is read next
  std::vector<LONGLONG> first(axes.size(), 1);
  float nan = std::numeric_limits<float>::quiet_NaN();
  int anyNull = 0;
  if (fits_read_pixll(file.f, TFLOAT, first.data(), static_cast<LONGLONG>(count), &nan, values.get(), &anyNull,
                      &status)) {
    error = "its pixel data cannot be read (the file may be cut short): " + FitsError(status);
    out = DecodedPicture{};
    return false;
  }
  // FITS rows count from the bottom: the first row read is the last shown.
  if (!PlaceOnLevels(values.get(), w, h, true, out.levels, error)) {
    out = DecodedPicture{};
    return false;
  }
  values.reset();
  out.width = w;
  out.height = h;
  if (options.greyOfData) {
    out.argb.resize(count);
    LevelsToArgb(out.levels, BrightnessScale::Linear, out.argb.data());
  }
  return true;
}

}  // namespace pelorin::decoders
