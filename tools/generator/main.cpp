// pelorin-generate: writes a test picture of the solar disc (JPEG or BMP) and,
// on request, its ground truth.
#include <QImage>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "SunPicture.h"

namespace {

const char* const kUsage =
    "usage: pelorin-generate out=FILE date=YYYY-MM-DD [key=value ...]\n"
    "  out=FILE           picture to write; .jpg/.jpeg (JPEG, quality 92) or .bmp\n"
    "  date=YYYY-MM-DD    date of observation\n"
    "  time=HH:MM[:SS]    UT (default 12:00)\n"
    "  size=N or WxH      picture size in pixels (default 1024)\n"
    "  x0= y0=            disc centre in pixels (default the picture's centre)\n"
    "  rk=                disc radius in pixels (default 0.4 of the smaller side)\n"
    "  orientation=       the program's orientation angle, degrees (default 0)\n"
    "  northup=0|1        north-up convention (default 0)\n"
    "  style=drawing|photo|halpha|euv|coronagraph (default drawing)\n"
    "  axes=0|1           the template's two axes drawn through the centre\n"
    "  labels=0|1         hand-written N E S W just outside the limb\n"
    "  prominences=N      N faint prominences on the limb (0..50)\n"
    "  sky=G              grey level of the sky (paper), 0..255\n"
    "  tint=R,G,B         colour factors in percent (default 100,100,100)\n"
    "  noise=S            Gaussian noise, standard deviation in grey levels\n"
    "  seed=N             seed of prominences, labels and noise (default 1)\n"
    "  spots=\"B,L;B,L\"    sunspots at heliographic latitude B and longitude L, degrees\n"
    "  truth=FILE         also write the ground truth (key=value lines)\n";

class ArgError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

double Number(const std::string& key, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || !std::isfinite(v))
    throw ArgError(key + "=" + text + ": not a number");
  return v;
}

int Whole(const std::string& key, const std::string& text) {
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || v < -100000 || v > 100000)
    throw ArgError(key + "=" + text + ": not a whole number");
  return static_cast<int>(v);
}

// Splits "a<sep>b<sep>c" into minCount..maxCount whole numbers, each written
// with digits only.
std::vector<int> Fields(const std::string& key, const std::string& text, char sep, std::size_t minCount,
                        std::size_t maxCount) {
  std::vector<int> out;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(sep, start);
    const std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || !std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c); }))
      throw ArgError(key + "=" + text + ": bad format");
    out.push_back(Whole(key, part));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (out.size() < minCount || out.size() > maxCount) throw ArgError(key + "=" + text + ": bad format");
  return out;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Extension(const std::string& path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t slash = path.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return Lower(path.substr(dot + 1));
}

struct Options {
  pelorin::gen::Scene scene;
  std::string out, truth, format;
};

Options Parse(int argc, char** argv) {
  std::map<std::string, std::string> kv;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const std::size_t eq = arg.find('=');
    if (eq == std::string::npos || eq == 0) throw ArgError("'" + arg + "': expected key=value");
    const std::string key = arg.substr(0, eq);
    static const char* const known[] = {"out",         "date",    "time",  "size",  "x0",   "y0", "rk",
                                        "orientation", "northup", "style", "spots", "truth",
                                        "axes",        "labels",  "prominences", "sky", "tint", "noise", "seed"};
    if (std::find_if(std::begin(known), std::end(known), [&](const char* k) { return key == k; }) ==
        std::end(known))
      throw ArgError("unknown option '" + key + "'");
    if (kv.count(key)) throw ArgError("option '" + key + "' given twice");
    kv[key] = arg.substr(eq + 1);
  }

  Options o;
  pelorin::gen::Scene& sc = o.scene;
  if (!kv.count("out") || kv["out"].empty()) throw ArgError("missing out=FILE");
  o.out = kv["out"];
  const std::string ext = Extension(o.out);
  if (ext == "jpg" || ext == "jpeg") o.format = "JPG";
  else if (ext == "bmp") o.format = "BMP";
  else throw ArgError("out=" + o.out + ": the name must end in .jpg, .jpeg or .bmp");

  if (!kv.count("date")) throw ArgError("missing date=YYYY-MM-DD");
  const std::vector<int> d = Fields("date", kv["date"], '-', 3, 3);
  sc.year = d[0];
  sc.month = d[1];
  sc.day = d[2];
  sc.hour = 12;
  sc.minute = 0;
  sc.second = 0;
  if (kv.count("time")) {
    const std::vector<int> t = Fields("time", kv["time"], ':', 2, 3);
    sc.hour = t[0];
    sc.minute = t[1];
    sc.second = t.size() > 2 ? t[2] : 0;
  }

  sc.width_px = sc.height_px = 1024;
  if (kv.count("size")) {
    const std::string& s = kv["size"];
    const std::vector<int> wh = Fields("size", s, s.find('x') != std::string::npos ? 'x' : 'X', 1, 2);
    sc.width_px = wh[0];
    sc.height_px = wh.size() > 1 ? wh[1] : wh[0];
  }
  sc.x0_px = kv.count("x0") ? Number("x0", kv["x0"]) : sc.width_px / 2.0;
  sc.y0_px = kv.count("y0") ? Number("y0", kv["y0"]) : sc.height_px / 2.0;
  sc.rk_px = kv.count("rk") ? Number("rk", kv["rk"]) : 0.4 * std::min(sc.width_px, sc.height_px);
  sc.orientation_deg = kv.count("orientation") ? Number("orientation", kv["orientation"]) : 0.0;
  if (kv.count("northup")) {
    const std::string& n = kv["northup"];
    if (n != "0" && n != "1") throw ArgError("northup=" + n + ": must be 0 or 1");
    sc.northUp = n == "1";
  }
  if (kv.count("style") && !pelorin::gen::ParseStyle(kv["style"], sc.style))
    throw ArgError("style=" + kv["style"] + ": must be drawing, photo, halpha, euv or coronagraph");
  for (const char* flag : {"axes", "labels"}) {
    if (!kv.count(flag)) continue;
    const std::string& v = kv[flag];
    if (v != "0" && v != "1") throw ArgError(std::string(flag) + "=" + v + ": must be 0 or 1");
    (std::string(flag) == "axes" ? sc.axisLines : sc.labels) = v == "1";
  }
  if (kv.count("prominences")) sc.prominences = Whole("prominences", kv["prominences"]);
  if (kv.count("sky")) sc.skyGrey = Number("sky", kv["sky"]);
  if (kv.count("tint")) {
    const std::vector<int> f = Fields("tint", kv["tint"], ',', 3, 3);
    sc.tintR = f[0] / 100.0;
    sc.tintG = f[1] / 100.0;
    sc.tintB = f[2] / 100.0;
  }
  if (kv.count("noise")) sc.noise = Number("noise", kv["noise"]);
  if (kv.count("seed")) sc.seed = static_cast<unsigned>(Whole("seed", kv["seed"]));
  if (kv.count("spots") && !kv["spots"].empty()) {
    const std::string& all = kv["spots"];
    std::size_t start = 0;
    while (true) {
      const std::size_t end = all.find(';', start);
      const std::string one = all.substr(start, end == std::string::npos ? std::string::npos : end - start);
      const std::size_t comma = one.find(',');
      if (comma == std::string::npos) throw ArgError("spots: '" + one + "' is not B,L");
      pelorin::gen::Spot sp;
      sp.name = "s" + std::to_string(sc.spots.size() + 1);
      sp.B_deg = Number("spots B", one.substr(0, comma));
      sp.L_deg = Number("spots L", one.substr(comma + 1));
      sc.spots.push_back(sp);
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }
  if (kv.count("truth")) {
    if (kv["truth"].empty()) throw ArgError("truth=: missing file name");
    o.truth = kv["truth"];
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  Options o;
  pelorin::gen::Rendered r;
  try {
    o = Parse(argc, argv);
    r = pelorin::gen::Render(o.scene);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelorin-generate: %s\n", e.what());
    std::fputs(kUsage, stderr);
    return 2;
  }

  const QImage image(reinterpret_cast<const uchar*>(r.argb.data()), r.width_px, r.height_px,
                     static_cast<qsizetype>(r.width_px) * 4, QImage::Format_RGB32);
  if (!image.save(QString::fromStdString(o.out), o.format.c_str(), o.format == "JPG" ? 92 : -1)) {
    std::fprintf(stderr, "pelorin-generate: cannot write the picture %s\n", o.out.c_str());
    return 1;
  }
  std::printf("wrote %s (%d x %d, %s, %zu spots)\n", o.out.c_str(), r.width_px, r.height_px,
              pelorin::gen::StyleName(o.scene.style), r.truth.spots.size());
  if (!o.truth.empty()) {
    try {
      pelorin::gen::WriteTruth(o.truth, r.truth);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "pelorin-generate: %s\n", e.what());
      return 1;
    }
    std::printf("wrote %s\n", o.truth.c_str());
  }
  return 0;
}
