#include "DataPictures.h"

#include <fitsio.h>
#include <openjpeg.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "base/Numbers.h"

namespace pelorin::gen {

namespace {

std::string FitsMessage(int status) {
  char text[FLEN_STATUS] = {};
  fits_get_errstatus(status, text);
  std::string out = text;
  char msg[FLEN_ERRMSG] = {};
  while (fits_read_errmsg(msg)) out += std::string("; ") + msg;
  return out;
}

void Check(int status, const std::string& path, const char* what) {
  if (status) throw std::runtime_error("cannot write " + path + " (" + what + "): " + FitsMessage(status));
}

std::string Number(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.17G", v);
  std::string s = b;
  if (s.find_first_of(".EN") == std::string::npos) s += ".0";  // a real, not an integer
  return s;
}

double ArcsecPer(const std::string& unit) {
  if (unit == "arcmin") return 60;
  if (unit == "deg") return 3600;
  return 1;
}

void Put(std::vector<FitsCard>& cards, const std::string& key, const std::string& value, bool text = false) {
  for (FitsCard& c : cards)
    if (c.keyword == key) {
      c = {key, value, text};
      return;
    }
  cards.push_back({key, value, text});
}

void Put(std::vector<FitsCard>& cards, const std::string& key, double value) { Put(cards, key, Number(value)); }

// The linear part of the header: intermediate world offset (in cunit) of a
// header pixel offset d from CRPIX is A d.
void LinearMatrix(const SolarFits& s, double a[2][2]) {
  const double t = s.rotation_deg * kPiExact / 180;
  const double c = s.rotation == WcsRotation::None ? 1 : std::cos(t);
  const double sn = s.rotation == WcsRotation::None ? 0 : std::sin(t);
  a[0][0] = s.cdelt1 * c;
  a[0][1] = -s.cdelt1 * sn * (s.cdelt2 / s.cdelt1);
  a[1][0] = s.cdelt2 * sn * (s.cdelt1 / s.cdelt2);
  a[1][1] = s.cdelt2 * c;
}

}  // namespace

std::string FormatCard(const FitsCard& card) {
  if (card.keyword.empty() || card.keyword.size() > 8) throw std::invalid_argument("bad keyword '" + card.keyword + "'");
  std::string v = card.value;
  if (card.text) {
    std::string q = "'";
    for (char ch : v) q += ch == '\'' ? std::string("''") : std::string(1, ch);
    while (q.size() < 9) q += ' ';
    v = q + "'";
  } else if (v.size() < 20) {
    v = std::string(20 - v.size(), ' ') + v;
  }
  std::string line = card.keyword + std::string(8 - card.keyword.size(), ' ') + "= " + v;
  if (line.size() > 80) throw std::invalid_argument("the value of " + card.keyword + " does not fit one card");
  return line + std::string(80 - line.size(), ' ');
}

std::string RawFitsHeader(const std::vector<FitsCard>& cards) {
  std::string out;
  for (const FitsCard& c : cards) out += FormatCard(c);
  out += "END" + std::string(77, ' ');
  out.resize((out.size() + 2879) / 2880 * 2880, ' ');
  return out;
}

std::vector<double> FitsRowOrder(const std::vector<double>& top, int width, int height) {
  std::vector<double> out(top.size());
  for (int y = 0; y < height; ++y)
    std::copy_n(top.begin() + static_cast<std::ptrdiff_t>(y) * width, width,
                out.begin() + static_cast<std::ptrdiff_t>(height - 1 - y) * width);
  return out;
}

void WriteFits(const std::string& path, const FitsLayout& layout, const std::vector<FitsCard>& cards,
               const std::vector<double>& values) {
  long long count = 1;
  for (long long n : layout.axes) {
    if (n < 1) throw std::invalid_argument("an axis of the layout is empty");
    count *= n;
  }
  if (layout.axes.empty() || static_cast<long long>(values.size()) != count)
    throw std::invalid_argument("the values do not fill the layout's axes");
  std::remove(path.c_str());
  fitsfile* f = nullptr;
  int status = 0;
  Check(fits_create_diskfile(&f, path.c_str(), &status), path, "create");
  struct Close {
    fitsfile* f;
    ~Close() {
      int s = 0;
      if (f) fits_close_file(f, &s);
    }
  } close{f};
  std::vector<long> axes(layout.axes.begin(), layout.axes.end());
  if (layout.extension && layout.compression == FitsCompression::None)
    Check(fits_create_img(f, 8, 0, nullptr, &status), path, "primary HDU");
  if (layout.compression != FitsCompression::None)
    Check(fits_set_compression_type(f, layout.compression == FitsCompression::Rice ? RICE_1 : GZIP_1, &status), path,
          "compression");
  Check(fits_create_img(f, layout.bitpix, static_cast<int>(axes.size()), axes.data(), &status), path, "image");
  const bool integer = layout.bitpix > 0;
  if (integer && (layout.bzero != 0 || layout.bscale != 1)) {
    double bscale = layout.bscale, bzero = layout.bzero;
    Check(fits_write_key(f, TDOUBLE, "BSCALE", &bscale, nullptr, &status), path, "BSCALE");
    Check(fits_write_key(f, TDOUBLE, "BZERO", &bzero, nullptr, &status), path, "BZERO");
  }
  if (integer && layout.blank) {
    LONGLONG blank = *layout.blank;
    Check(fits_write_key(f, TLONGLONG, "BLANK", &blank, nullptr, &status), path, "BLANK");
  }
  for (const FitsCard& c : cards) {
    if (c.text && c.keyword.size() <= 8 && c.value.size() > 68) {
      // Too long for one card: a long string, continued on CONTINUE cards.
      Check(fits_update_key_longstr(f, c.keyword.c_str(), c.value.c_str(), nullptr, &status), path,
            c.keyword.c_str());
      continue;
    }
    const std::string card = FormatCard(c);
    Check(fits_update_card(f, c.keyword.c_str(), card.c_str(), &status), path, c.keyword.c_str());
  }
  // The stored values, scaled here: CFITSIO writes them as they are.
  Check(fits_set_bscale(f, 1.0, 0.0, &status), path, "scaling");
  std::vector<double> stored(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const double v = values[i];
    if (!integer) {
      stored[i] = v;
    } else if (!std::isfinite(v)) {
      stored[i] = layout.blank ? static_cast<double>(*layout.blank) : 0;
    } else {
      stored[i] = std::round((v - layout.bzero) / layout.bscale);
    }
  }
  // In the array's own type: compressed images take no conversion.
  std::vector<LONGLONG> first(axes.size(), 1);
  const auto n = static_cast<LONGLONG>(stored.size());
  auto write = [&](auto sample, int type) {
    std::vector<decltype(sample)> typed(stored.begin(), stored.end());
    Check(fits_write_pixll(f, type, first.data(), n, typed.data(), &status), path, "pixels");
  };
  switch (layout.bitpix) {
    case 8: write(static_cast<unsigned char>(0), TBYTE); break;
    case 16: write(static_cast<short>(0), TSHORT); break;
    case 32: write(0, TINT); break;
    case 64: write(static_cast<LONGLONG>(0), TLONGLONG); break;
    case -32: write(0.0f, TFLOAT); break;
    default: write(0.0, TDOUBLE); break;
  }
  close.f = nullptr;
  Check(fits_close_file(f, &status), path, "close");
}

void WriteJpeg(const std::string& path, int width, int height, const std::vector<std::uint32_t>& argb, int quality) {
  if (width < 1 || height < 1 || argb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height) ||
      quality < 1 || quality > 100)
    throw std::invalid_argument("bad JPEG layout");
  bool grey = true;
  for (std::uint32_t c : argb)
    if (((c >> 16) & 0xFF) != (c & 0xFF) || ((c >> 8) & 0xFF) != (c & 0xFF)) {
      grey = false;
      break;
    }
  std::vector<unsigned char> pixels;
  pixels.reserve(argb.size() * (grey ? 1 : 3));
  for (std::uint32_t c : argb) {
    if (grey) {
      pixels.push_back(static_cast<unsigned char>(c & 0xFF));
    } else {
      pixels.push_back(static_cast<unsigned char>((c >> 16) & 0xFF));
      pixels.push_back(static_cast<unsigned char>((c >> 8) & 0xFF));
      pixels.push_back(static_cast<unsigned char>(c & 0xFF));
    }
  }
  tjhandle tj = tjInitCompress();
  if (!tj) throw std::runtime_error("cannot write " + path + ": libjpeg-turbo did not start");
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int failed = tjCompress2(tj, pixels.data(), width, 0, height, grey ? TJPF_GRAY : TJPF_RGB, &jpeg, &size,
                                 grey ? TJSAMP_GRAY : TJSAMP_420, quality, TJFLAG_ACCURATEDCT);
  const std::string why = failed ? tjGetErrorStr2(tj) : "";
  tjDestroy(tj);
  if (failed) {
    tjFree(jpeg);
    throw std::runtime_error("cannot write " + path + ": " + why);
  }
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(jpeg), static_cast<std::streamsize>(size));
  tjFree(jpeg);
  if (!out) throw std::runtime_error("cannot write " + path);
}

namespace {

void EncodeJp2(const std::string& path, int width, int height, int comps, int precision,
               const std::function<int(int comp, std::size_t i)>& value) {
  if (width < 1 || height < 1 || precision < 1 || precision > 16) throw std::invalid_argument("bad JPEG 2000 layout");
  std::vector<opj_image_cmptparm_t> parm(static_cast<std::size_t>(comps));
  for (opj_image_cmptparm_t& p : parm) {
    p = {};
    p.dx = p.dy = 1;
    p.w = static_cast<OPJ_UINT32>(width);
    p.h = static_cast<OPJ_UINT32>(height);
    p.prec = static_cast<OPJ_UINT32>(precision);
    p.sgnd = 0;
  }
  opj_image_t* image = opj_image_create(static_cast<OPJ_UINT32>(comps), parm.data(), comps == 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY);
  if (!image) throw std::runtime_error("cannot write " + path + ": no memory for the picture");
  image->x1 = static_cast<OPJ_UINT32>(width);
  image->y1 = static_cast<OPJ_UINT32>(height);
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (int c = 0; c < comps; ++c)
    for (std::size_t i = 0; i < n; ++i) image->comps[c].data[i] = value(c, i);
  opj_cparameters_t params;
  opj_set_default_encoder_parameters(&params);
  params.tcp_numlayers = 1;
  params.tcp_rates[0] = 0;  // lossless
  params.cp_disto_alloc = 1;
  int levels = 1;
  while (levels < 6 && (std::min(width, height) >> levels) >= 4) ++levels;
  params.numresolution = levels;
  if (comps == 3) params.tcp_mct = 1;
  opj_codec_t* codec = opj_create_compress(OPJ_CODEC_JP2);
  opj_stream_t* stream = nullptr;
  bool ok = codec && opj_setup_encoder(codec, &params, image);
  if (ok) opj_codec_set_threads(codec, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  if (ok) stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_FALSE);
  ok = ok && stream && opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
       opj_end_compress(codec, stream);
  if (stream) opj_stream_destroy(stream);
  if (codec) opj_destroy_codec(codec);
  opj_image_destroy(image);
  if (!ok) throw std::runtime_error("cannot write " + path + ": OpenJPEG could not encode the picture");
}

void Put32(std::string& s, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
}

// Puts an `xml ` box right after the jp2h box of the file.
void InsertXmlBox(const std::string& path, const std::string& xml) {
  std::string bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::size_t at = 0;
  while (at + 8 <= bytes.size()) {
    const auto b = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])); };
    const std::uint32_t len = (b(at) << 24) | (b(at + 1) << 16) | (b(at + 2) << 8) | b(at + 3);
    const std::string type = bytes.substr(at + 4, 4);
    if (len < 8) break;
    at += len;
    if (type == "jp2h") {
      std::string box;
      Put32(box, static_cast<std::uint32_t>(xml.size() + 8));
      box += "xml ";
      box += xml;
      bytes.insert(at, box);
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      if (!out) throw std::runtime_error("cannot write " + path);
      return;
    }
  }
  throw std::runtime_error("cannot write " + path + ": OpenJPEG wrote no jp2h box");
}

}  // namespace

void WriteJp2(const std::string& path, int width, int height, const std::vector<std::uint16_t>& grey, int precision,
              const std::string& xml) {
  if (grey.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(std::max(height, 0)))
    throw std::invalid_argument("the values do not fill the picture");
  const int top = (1 << precision) - 1;
  EncodeJp2(path, width, height, 1, precision, [&](int, std::size_t i) { return std::min<int>(grey[i], top); });
  if (!xml.empty()) InsertXmlBox(path, xml);
}

void WriteJp2Rgb(const std::string& path, int width, int height, const std::vector<std::uint32_t>& rgb) {
  if (rgb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(std::max(height, 0)))
    throw std::invalid_argument("the values do not fill the picture");
  EncodeJp2(path, width, height, 3, 8,
            [&](int c, std::size_t i) { return static_cast<int>((rgb[i] >> (16 - 8 * c)) & 0xFF); });
}

std::string HelioviewerXml(const std::vector<FitsCard>& cards) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<meta>\n<fits>\n";
  for (const FitsCard& c : cards) {
    std::string v;
    for (char ch : c.value) {
      if (ch == '&') v += "&amp;";
      else if (ch == '<') v += "&lt;";
      else if (ch == '>') v += "&gt;";
      else v += ch;
    }
    x += "<" + c.keyword + ">" + v + "</" + c.keyword + ">\n";
  }
  x += "</fits>\n<helioviewer>\n<HV_SOURCE>pelorin-generate</HV_SOURCE>\n</helioviewer>\n</meta>\n";
  return x;
}

std::vector<FitsCard> SolarCards(const SolarFits& s) {
  std::vector<FitsCard> c;
  Put(c, "TELESCOP", "PELORIN/GEN", true);
  if (!s.dateObs.empty()) Put(c, "DATE-OBS", s.dateObs, true);
  Put(c, "CTYPE1", s.solarXY ? "Solar-X" : "HPLN-TAN", true);
  Put(c, "CTYPE2", s.solarXY ? "Solar-Y" : "HPLT-TAN", true);
  Put(c, "CUNIT1", s.cunit, true);
  Put(c, "CUNIT2", s.cunit, true);
  Put(c, "CRPIX1", s.crpix1);
  Put(c, "CRPIX2", s.crpix2);
  Put(c, "CRVAL1", s.crval1);
  Put(c, "CRVAL2", s.crval2);
  double a[2][2];
  LinearMatrix(s, a);
  if (s.rotation != WcsRotation::Cd) {
    Put(c, "CDELT1", s.cdelt1);
    Put(c, "CDELT2", s.cdelt2);
  }
  if (s.rotation == WcsRotation::Crota2) Put(c, "CROTA2", s.rotation_deg);
  if (s.rotation == WcsRotation::Pc) {
    Put(c, "PC1_1", a[0][0] / s.cdelt1);
    Put(c, "PC1_2", a[0][1] / s.cdelt1);
    Put(c, "PC2_1", a[1][0] / s.cdelt2);
    Put(c, "PC2_2", a[1][1] / s.cdelt2);
  }
  if (s.rotation == WcsRotation::Cd) {
    Put(c, "CD1_1", a[0][0]);
    Put(c, "CD1_2", a[0][1]);
    Put(c, "CD2_1", a[1][0]);
    Put(c, "CD2_2", a[1][1]);
  }
  if (s.rsun_obs_arcsec > 0) Put(c, "RSUN_OBS", s.rsun_obs_arcsec);
  if (s.dsun_obs_m > 0) Put(c, "DSUN_OBS", s.dsun_obs_m);
  if (s.observer) {
    Put(c, "HGLT_OBS", s.hglt_obs_deg);
    Put(c, "CRLN_OBS", s.crln_obs_deg);
  }
  for (const FitsCard& e : s.extra) Put(c, e.keyword, e.value, e.text);
  std::erase_if(c, [&](const FitsCard& card) {
    return std::find(s.omit.begin(), s.omit.end(), card.keyword) != s.omit.end();
  });
  return c;
}

DiscPx SolarDisc(const SolarFits& s) {
  double a[2][2];
  LinearMatrix(s, a);
  // Header pixel p of the disc centre: A (p - crpix) = -crval.
  const double det = a[0][0] * a[1][1] - a[0][1] * a[1][0];
  const double wx = -s.crval1, wy = -s.crval2;
  const double d1 = det != 0 ? (a[1][1] * wx - a[0][1] * wy) / det : 0;
  const double d2 = det != 0 ? (-a[1][0] * wx + a[0][0] * wy) / det : 0;
  DiscPx d;
  d.x0 = s.crpix1 + d1 - 1;
  d.y0 = s.height - (s.crpix2 + d2);
  const double scale = std::sqrt(std::fabs(det)) * ArcsecPer(s.cunit);  // arcsec per pixel
  d.r = scale > 0 ? (s.rsun_obs_arcsec > 0 ? s.rsun_obs_arcsec : 960.0) / scale : 0;
  return d;
}

std::vector<double> SolarValues(const SolarFits& s) {
  const DiscPx d = SolarDisc(s);
  std::vector<double> v(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height), 100.0);
  const double spotX = d.x0 + 0.5 * d.r, spotY = d.y0, spotR = std::max(1.5, 0.02 * d.r);
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width; ++x) {
      const double dx = x - d.x0, dy = y - d.y0;
      const double rr = (dx * dx + dy * dy) / (d.r * d.r);
      if (rr >= 1) continue;
      const double mu = std::sqrt(1 - rr);
      double value = 3000 * (1 - 0.6 * (1 - mu));
      if (std::hypot(x - spotX, y - spotY) <= spotR) value *= 0.3;
      v[static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width) + static_cast<std::size_t>(x)] = value;
    }
  }
  return v;
}

void WriteSolarFits(const std::string& path, const SolarFits& s) {
  FitsLayout layout = s.layout;
  layout.axes = {s.width, s.height};
  if (s.planes > 1) layout.axes.push_back(s.planes);
  std::vector<double> top = SolarValues(s);
  if (layout.bitpix == 8 && layout.bscale == 1 && layout.bzero == 0)
    for (double& x : top) x /= 16;
  std::vector<double> values = FitsRowOrder(top, s.width, s.height);
  // Later planes: the first one dimmed plane by plane.
  const std::size_t plane = values.size();
  for (int p = 1; p < s.planes; ++p)
    for (std::size_t i = 0; i < plane; ++i) values.push_back(values[i] * (1.0 - 0.1 * p));
  WriteFits(path, layout, SolarCards(s), values);
}

void WriteSolarJp2(const std::string& path, const SolarFits& s, int precision) {
  const std::vector<double> top = SolarValues(s);
  const double top_value = (1 << precision) - 1;
  std::vector<std::uint16_t> grey(top.size());
  for (std::size_t i = 0; i < top.size(); ++i)
    grey[i] = static_cast<std::uint16_t>(std::clamp(std::round(top[i] / 3000.0 * top_value), 0.0, top_value));
  WriteJp2(path, s.width, s.height, grey, precision, HelioviewerXml(SolarCards(s)));
}

}  // namespace pelorin::gen
