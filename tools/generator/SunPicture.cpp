#include "SunPicture.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Angles.h"
#include "geometry/Ephemeris.h"
#include "app/Geometry.h"

namespace pelorin::gen {

namespace {

constexpr int kMaxSide = 16384;
constexpr int kMaxHelperPoints = 1000;
// Half the side of the "Weighted" autoselect window: a spot wider than this
// would not fit the window around a click on it.
constexpr double kMaxSpotRadius = 15;
// The parallel and axis helper points reach this fraction of rk.
constexpr double kLineReach = 0.8;
// The drawn daily parallel reaches this fraction of rk either side of the
// centre; its half width in pixels.
constexpr double kParallelLineReach = 1.06;
constexpr double kParallelLineHalfWidth = 0.75;

// Grey levels (0 black .. 255 white).
constexpr double kDarkSky = 8;
constexpr double kPaper = 255;
constexpr double kLimbInk = 20;
constexpr double kPenumbra = 150;
constexpr double kUmbra = 30;
constexpr double kLimbLineHalfWidth = 1.25;

// Sub-pixel samples per pixel side where an edge crosses a pixel; the
// offsets are symmetric about the pixel centre, so a round shape stays
// symmetric on the picture.
constexpr int kSub = 5;
double SubOffset(int k) { return (k - (kSub - 1) / 2.0) / kSub; }

void Require(bool ok, const std::string& what) {
  if (!ok) throw std::invalid_argument("scene: " + what);
}

bool Finite(double v) { return std::isfinite(v); }

void Validate(const Scene& sc) {
  Require(sc.year >= 1000 && sc.year <= 3000, "year must be 1000..3000");
  Require(sc.month >= 1 && sc.month <= 12, "month must be 1..12");
  const bool leap = (sc.year % 4 == 0 && sc.year % 100 != 0) || sc.year % 400 == 0;
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int days = sc.month == 2 && leap ? 29 : kDays[(sc.month - 1) % 12];
  Require(sc.day >= 1 && sc.day <= days, "day does not exist in that month");
  Require(sc.hour >= 0 && sc.hour <= 23, "hour must be 0..23");
  Require(sc.minute >= 0 && sc.minute <= 59, "minute must be 0..59");
  Require(sc.second >= 0 && sc.second <= 59, "second must be 0..59");
  Require(sc.width_px >= 1 && sc.width_px <= kMaxSide, "width must be 1..16384 pixels");
  Require(sc.height_px >= 1 && sc.height_px <= kMaxSide, "height must be 1..16384 pixels");
  Require(Finite(sc.x0_px) && Finite(sc.y0_px), "disc centre x0, y0 must be finite");
  Require(Finite(sc.rk_px) && sc.rk_px > 0 && sc.rk_px <= 4 * kMaxSide, "disc radius rk must be > 0");
  Require(Finite(sc.orientation_deg), "orientation must be finite");
  Require(sc.limbPointCount >= 0 && sc.limbPointCount <= kMaxHelperPoints, "limb point count must be 0..1000");
  Require(sc.linePointCount >= 0 && sc.linePointCount <= kMaxHelperPoints, "line point count must be 0..1000");
  Require(sc.prominences >= 0 && sc.prominences <= 50, "prominences must be 0..50");
  Require(!sc.skyGrey || (Finite(*sc.skyGrey) && *sc.skyGrey >= 0 && *sc.skyGrey <= 255), "sky grey must be 0..255");
  for (double f : {sc.tintR, sc.tintG, sc.tintB}) Require(Finite(f) && f >= 0 && f <= 1, "tint factors must be 0..1");
  Require(Finite(sc.noise) && sc.noise >= 0, "noise must be >= 0");
  Require(Finite(sc.cloud) && sc.cloud >= 0 && sc.cloud <= 1, "cloud must be 0..1");
  Require(Finite(sc.vignetting) && sc.vignetting >= 0 && sc.vignetting <= 1, "vignetting must be 0..1");
  Require(Finite(sc.slitStripes) && sc.slitStripes >= 0 && sc.slitStripes <= 0.3, "slit stripes must be 0..0.3");
  if (sc.ephemeris) {
    const Ephemeris& e = *sc.ephemeris;
    Require(Finite(e.P_deg) && Finite(e.B0_deg) && Finite(e.L0_deg), "ephemeris P, B0, L0 must be finite");
    Require(Finite(e.rho0_AU) && e.rho0_AU > 0.1, "ephemeris rho0 must be > 0.1 AU");
    Require(std::fabs(e.B0_deg) < 90, "ephemeris B0 must be within +-90");
  }
  for (const Spot& sp : sc.spots) {
    Require(!sp.name.empty(), "a spot has no name");
    for (unsigned char c : sp.name)
      Require(!std::isspace(c) && c >= 0x20, "spot name '" + sp.name + "' must be one word");
    Require(Finite(sp.B_deg) && sp.B_deg >= -90 && sp.B_deg <= 90, "spot " + sp.name + ": B must be -90..90");
    Require(Finite(sp.L_deg), "spot " + sp.name + ": L must be finite");
    Require(Finite(sp.umbraRadius_px) && Finite(sp.penumbraRadius_px) && sp.umbraRadius_px > 0 &&
                sp.umbraRadius_px <= sp.penumbraRadius_px && sp.penumbraRadius_px <= kMaxSpotRadius,
            "spot " + sp.name + ": radii must satisfy 0 < umbra <= penumbra <= 15 px");
  }
}

// Unit vector on the picture (y down) of the screen direction chi_deg in the
// picture's convention (see the header).
PointPx ScreenDirection(double chi_deg, bool northUp) {
  const double c = std::cos(chi_deg * kRad), s = std::sin(chi_deg * kRad);
  return {northUp ? -c : c, -s};
}

// The angle (radians, counter-clockwise on the screen from +x) of the
// direction ScreenDirection gives.
double ScreenAngle(double chi_deg, bool northUp) {
  const PointPx d = ScreenDirection(chi_deg, northUp);
  return std::atan2(-d.y_px, d.x_px);
}

std::vector<PointPx> LinePoints(const Truth& t, PointPx dir, int count) {
  std::vector<PointPx> pts;
  for (int k = 0; k < count; ++k) {
    const double f = count == 1 ? 0.0 : -kLineReach + 2 * kLineReach * k / (count - 1);
    pts.push_back({t.x0_px + f * t.rk_px * dir.x_px, t.y0_px + f * t.rk_px * dir.y_px});
  }
  return pts;
}

// Brightness of the disc at mu = cos(heliocentric angle). The darkening is
// kept out of the inner disc (grey 242 or brighter within 60 degrees of the
// centre) so that the "Weighted" autoselect, which weighs every pixel darker
// than 241, sees only the spot around a click.
double DiscGrey(Style style, double mu) {
  const double k = style == Style::Halpha ? 0.25 : 0.4;
  const double m = 1 - std::clamp(mu, 0.0, 1.0);
  return kPaper * (1 - k * m * m * m);
}

// --- EUV pictures --------------------------------------------------------
//
// As an archive's JPEG of an EUV full-disc picture shows it (the radial
// profile of an SDO/AIA 193 picture: median grey in rings of 0.01 rk):
//   r/rk   0.00 0.50 0.80 0.90 0.95 0.98 0.99 1.00 1.01 1.02 1.05 1.10 1.15 1.20 1.30
//   median  139  148  151  166  172  182  186  202  212  206  184  149  112   72    0
// The disc is mottled (coronal holes, active regions, network) with a
// spread of about 100 grey levels at 0.8 rk, narrowing towards the limb;
// the limb brightens to a peak at 1.01 rk; the corona falls off linearly in
// grey (an exponential under a logarithmic stretch) by about 7.4 levels per
// 0.01 rk, varies with the angle more and more outwards (streamers,
// loops), and is clipped to black where it reaches 0, raggedly at 1.2 to
// 1.4 rk.

constexpr double kEuvQ[] = {0, 0.5, 0.8, 0.9, 0.95, 0.98, 0.99, 1.00, 1.01};
constexpr double kEuvGrey[] = {139, 148, 151, 166, 172, 182, 186, 202, 212};

// The median grey at q = r / rk.
double EuvBase(double q) {
  if (q >= 1.01) return 212 - 740 * (q - 1.01);
  for (std::size_t i = 1; i < std::size(kEuvQ); ++i)
    if (q <= kEuvQ[i]) {
      const double f = (q - kEuvQ[i - 1]) / (kEuvQ[i] - kEuvQ[i - 1]);
      return kEuvGrey[i - 1] + f * (kEuvGrey[i] - kEuvGrey[i - 1]);
    }
  return 212;
}

// The spread (in the exponent of a factor) of the disc's mottling at q:
// full on the inner disc, half of it at the limb.
double EuvMottling(double q) {
  if (q < 0.94) return 1;
  if (q > 1.0) return 0.5;
  return 1 - 0.5 * (q - 0.94) / 0.06;
}

// The standard deviation (grey levels) of the corona's variation with the
// angle at q > 1: 18 at the limb, 70 at 1.3 rk.
double EuvCoronaSpread(double q) { return 18 + 180 * std::max(0.0, q - 1.01); }

// A field sampled on a square grid over the disc's box, read bilinearly.
class GridField {
 public:
  GridField(double x0, double y0, double half, int n) : x0_(x0 - half), y0_(y0 - half), cell_(2 * half / n), n_(n + 1) {
    v_.assign(static_cast<std::size_t>(n_) * static_cast<std::size_t>(n_), 0.0);
  }
  int N() const { return n_; }
  double Cell() const { return cell_; }
  double X(int i) const { return x0_ + i * cell_; }
  double Y(int j) const { return y0_ + j * cell_; }
  double& At(int i, int j) { return v_[static_cast<std::size_t>(j) * static_cast<std::size_t>(n_) + static_cast<std::size_t>(i)]; }
  double operator()(double x, double y) const {
    const double fx = std::clamp((x - x0_) / cell_, 0.0, n_ - 1.001), fy = std::clamp((y - y0_) / cell_, 0.0, n_ - 1.001);
    const int i = static_cast<int>(fx), j = static_cast<int>(fy);
    const double ax = fx - i, ay = fy - j;
    const auto v = [&](int a, int b) {
      return v_[static_cast<std::size_t>(b) * static_cast<std::size_t>(n_) + static_cast<std::size_t>(a)];
    };
    return (v(i, j) * (1 - ax) + v(i + 1, j) * ax) * (1 - ay) + (v(i, j + 1) * (1 - ax) + v(i + 1, j + 1) * ax) * ay;
  }

 private:
  double x0_, y0_, cell_;
  int n_;
  std::vector<double> v_;
};

// A function of the angle (a table of 3600 steps), zero median and unit
// spread: bumps of random width and sign, a few of them narrow and bright
// (streamers), over a fine noise.
std::vector<double> AngularPattern(std::mt19937& rng, int bumps, double narrowest_deg, double widest_deg) {
  constexpr int kSteps = 3600;
  std::vector<double> g(kSteps, 0.0);
  std::uniform_real_distribution<double> angle(0, 360), width(narrowest_deg, widest_deg), amp(0.4, 1.0);
  std::normal_distribution<double> fine(0, 0.15);
  for (int k = 0; k < bumps; ++k) {
    const double c = angle(rng), wd = width(rng), a = (k % 3 == 0 ? -1.0 : 1.0) * amp(rng) * (k % 4 == 1 ? 2 : 1);
    for (int i = 0; i < kSteps; ++i) {
      const double d = std::remainder(i * 0.1 - c, 360.0) / wd;
      g[static_cast<std::size_t>(i)] += a * std::exp(-0.5 * d * d);
    }
  }
  double smooth = 0;
  for (double& v : g) v += smooth = 0.7 * smooth + fine(rng);
  // About its median, so that half the angles are brighter than the profile.
  std::vector<double> sorted = g;
  std::nth_element(sorted.begin(), sorted.begin() + kSteps / 2, sorted.end());
  const double mean = sorted[kSteps / 2];
  double var = 0;
  for (double v : g) var += (v - mean) * (v - mean);
  const double sd = std::sqrt(var / kSteps);
  for (double& v : g) v = sd > 0 ? (v - mean) / sd : 0;
  return g;
}

double AngleTable(const std::vector<double>& g, double angle_rad) {
  double deg = angle_rad * 180 / std::numbers::pi;
  deg -= 360 * std::floor(deg / 360);
  const double f = deg * 10;
  const auto i = static_cast<std::size_t>(f) % g.size();
  const double a = f - std::floor(f);
  return g[i] * (1 - a) + g[(i + 1) % g.size()] * a;
}

void PaintEuv(const Truth& t, std::mt19937& rng, std::vector<double>& grey) {
  const int w = t.width_px, h = t.height_px;
  const double rk = t.rk_px;
  // The disc's mottling: log-brightness on a grid of rk / 48 cells.
  GridField mottle(t.x0_px, t.y0_px, 1.05 * rk, 96);
  {
    std::normal_distribution<double> network(0, 0.16);
    for (int j = 0; j < mottle.N(); ++j)
      for (int i = 0; i < mottle.N(); ++i) mottle.At(i, j) = network(rng);
    std::uniform_real_distribution<double> where(-0.95, 0.95), one(0, 1);
    struct Blob {
      int count;
      double amp, minSize, maxSize;
    };
    // Coronal holes (dark, large), active regions (bright, compact), and a
    // quieter patchwork of both.
    for (const Blob b : {Blob{3, -0.9, 0.12, 0.25}, Blob{26, 0.9, 0.04, 0.1}, Blob{24, 0.3, 0.05, 0.15},
                         Blob{24, -0.3, 0.05, 0.15}}) {
      for (int k = 0; k < b.count; ++k) {
        double bx = 0, by = 0;
        do {
          bx = where(rng), by = where(rng);
        } while (bx * bx + by * by > 0.95 * 0.95);
        const double size = (b.minSize + (b.maxSize - b.minSize) * one(rng)) * rk;
        const double amp = b.amp * (0.6 + 0.8 * one(rng));
        const double cx = t.x0_px + bx * rk, cy = t.y0_px + by * rk;
        for (int j = 0; j < mottle.N(); ++j)
          for (int i = 0; i < mottle.N(); ++i) {
            const double d = std::hypot(mottle.X(i) - cx, mottle.Y(j) - cy) / size;
            if (d < 3.5) mottle.At(i, j) += amp * std::exp(-0.5 * d * d);
          }
      }
    }
  }
  // The corona: low (loops over the limb) and high (streamers).
  const std::vector<double> low = AngularPattern(rng, 40, 1.5, 8);
  const std::vector<double> high = AngularPattern(rng, 14, 3, 20);
  // Loops: arcs standing on the limb.
  struct Loop {
    double foot_rad, half_rad, height, width, amp;
  };
  std::vector<Loop> loops;
  {
    std::uniform_real_distribution<double> a(0, 2 * std::numbers::pi), span(0.02, 0.08), ht(0.03, 0.12), one(0, 1);
    for (int k = 0; k < 10; ++k) loops.push_back({a(rng), span(rng), ht(rng), 0.004 + 0.004 * one(rng), 25 + 25 * one(rng)});
  }
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      const double dx = i - t.x0_px, dy = t.y0_px - j;
      const double r = std::hypot(dx, dy), q = r / rk;
      const double theta = std::atan2(dy, dx);
      double g = EuvBase(q);
      if (q < 1.02) g *= std::exp(0.45 * EuvMottling(q) * mottle(i, j));
      if (q > 0.99) {
        const double f = std::clamp((q - 0.99) / 0.02, 0.0, 1.0);
        const double mix = std::clamp((q - 1.01) / 0.25, 0.0, 1.0);
        // Streamers lean a little as they rise.
        const double pattern = (1 - mix) * AngleTable(low, theta) + mix * AngleTable(high, theta + 0.15 * (q - 1));
        g += f * EuvCoronaSpread(q) * pattern;
        for (const Loop& l : loops) {
          const double along = std::remainder(theta - l.foot_rad, 2 * std::numbers::pi) / l.half_rad;
          if (std::fabs(along) > 1.3) continue;
          // Height of the arc above the limb at this angle.
          const double top = 1 + l.height * std::sqrt(std::max(0.0, 1 - along * along));
          const double d = (q - top) / l.width;
          if (std::fabs(d) < 4 && q > 1) g += l.amp * std::exp(-0.5 * d * d);
        }
        if (q > 1.01 && g < 0) g = 0;  // the stretch clips the faint corona to black
      }
      grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)] = std::max(g, 0.0);
    }
  }
}

// --- Coronagraph pictures -------------------------------------------------
//
// No disc: a black occulter of radius rk about (x0, y0) held by a dark
// pylon, a grey field of view around it whose corona fades outwards with
// streamers, and stars; the field of view is a circle larger than half the
// picture's shorter side, so the picture's edges cut it and its corners
// stay black.
void PaintCoronagraph(const Truth& t, std::mt19937& rng, std::vector<double>& grey) {
  const int w = t.width_px, h = t.height_px;
  const double rk = t.rk_px, field = 0.56 * std::min(w, h);
  const std::vector<double> streamers = AngularPattern(rng, 12, 2, 12);
  const double pylon = -2.3, pylonHalf = 0.018 * std::min(w, h);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const double dx = i - t.x0_px, dy = t.y0_px - j, r = std::hypot(dx, dy);
      double g = 0;
      if (r > rk && r < field) {
        const double q = r / rk;
        g = 70 + 150 / (q * q) + (12 + 40 / q) * AngleTable(streamers, std::atan2(dy, dx));
        // The pylon: a dark arm from the occulter to the edge.
        const double along = dx * std::cos(pylon) + dy * std::sin(pylon);
        const double across = -dx * std::sin(pylon) + dy * std::cos(pylon);
        if (along > 0 && std::fabs(across) < pylonHalf) g = 25 + 10 * std::fabs(across) / pylonHalf;
        // A soft edge of the occulter and the field stop.
        g *= std::clamp(r - rk, 0.0, 1.0) * std::clamp(field - r, 0.0, 1.0);
      }
      grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)] = std::max(g, 0.0);
    }
  // Stars: bright points in the field of view.
  std::uniform_real_distribution<double> ux(0, w - 1), uy(0, h - 1), bright(40, 170);
  const int stars = std::max(20, w * h / 3000);
  for (int k = 0; k < stars; ++k) {
    const double sx = ux(rng), sy = uy(rng), amp = bright(rng);
    const double r = std::hypot(sx - t.x0_px, sy - t.y0_px);
    if (r <= rk + 3 || r >= field - 3) continue;
    for (int j = static_cast<int>(sy) - 2; j <= static_cast<int>(sy) + 3; ++j)
      for (int i = static_cast<int>(sx) - 2; i <= static_cast<int>(sx) + 3; ++i) {
        if (i < 0 || j < 0 || i >= w || j >= h) continue;
        const double d2 = (i - sx) * (i - sx) + (j - sy) * (j - sy);
        grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)] +=
            amp * std::exp(-d2 / 1.2);
      }
  }
}

// --- What the air and the instrument do to a picture ------------------------

// Thin cloud: a smooth transmission of 1 - strength * (0.2 .. 0.8) over the
// picture, and the light it scatters about the disc (an aureole that fades
// over about a third of rk outside the limb).
void ApplyCloud(const Truth& t, double strength, std::mt19937& rng, std::vector<double>& grey) {
  const int w = t.width_px, h = t.height_px;
  const double half = 0.5 * std::max(w, h) + 2;
  GridField cloud(0.5 * (w - 1), 0.5 * (h - 1), half, 12);
  std::uniform_real_distribution<double> u(0, 1);
  for (int j = 0; j < cloud.N(); ++j)
    for (int i = 0; i < cloud.N(); ++i) cloud.At(i, j) = u(rng);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i) {
      const double r = std::hypot(i - t.x0_px, j - t.y0_px);
      double& g = grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)];
      const double thick = 0.2 + 0.6 * cloud(i, j);
      g *= 1 - strength * thick;
      if (r > t.rk_px) g += strength * thick * 60 * std::exp(-(r - t.rk_px) / (0.3 * t.rk_px));
    }
}

// Vignetting: the light falls off as 1 - strength * (d / d_max)^2 with the
// distance d from the picture's middle (d_max: its corners).
void ApplyVignetting(const Truth& t, double strength, std::vector<double>& grey) {
  const int w = t.width_px, h = t.height_px;
  const double cx = 0.5 * (w - 1), cy = 0.5 * (h - 1), dmax2 = cx * cx + cy * cy;
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)] *=
          1 - strength * ((i - cx) * (i - cx) + (j - cy) * (j - cy)) / dmax2;
}

// The stripes a spectroheliograph's scanning slit leaves: each column (one
// step of the scan) and each row (one point along the slit, with its dust)
// has a gain of its own, spread by `strength`; a few rows are dark lines of
// dust.
void ApplySlitStripes(const Truth& t, double strength, std::mt19937& rng, std::vector<double>& grey) {
  const int w = t.width_px, h = t.height_px;
  std::normal_distribution<double> n(0, 1);
  std::uniform_real_distribution<double> u(0, 1);
  std::vector<double> column(static_cast<std::size_t>(w)), row(static_cast<std::size_t>(h));
  double drift = 0;
  for (double& c : column) c = 1 + strength * (0.6 * n(rng) + (drift = 0.95 * drift + 0.3 * n(rng)));
  for (double& r : row) r = 1 + 0.5 * strength * n(rng) - (u(rng) < 0.01 ? 3 * strength : 0);
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)] *=
          std::max(0.0, column[static_cast<std::size_t>(i)] * row[static_cast<std::size_t>(j)]);
}

// The disc and the background (no spots), as grey levels.
void PaintDisc(const Truth& t, const Scene& sc, std::vector<double>& grey) {
  const int w = t.width_px, h = t.height_px;
  const double rk = t.rk_px;
  const double paper = sc.skyGrey.value_or(kPaper), sky = sc.skyGrey.value_or(kDarkSky);
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      const double dx = i - t.x0_px, dy = j - t.y0_px;
      const double r = std::sqrt(dx * dx + dy * dy);
      double g = 0;
      if (t.style == Style::Drawing) {
        // White paper; the limb line where the band |r - rk| <= half width
        // covers the pixel.
        if (std::fabs(r - rk) > kLimbLineHalfWidth + 1) {
          g = paper;
        } else {
          int inside = 0;
          for (int a = 0; a < kSub; ++a)
            for (int b = 0; b < kSub; ++b) {
              const double sx = dx + SubOffset(a), sy = dy + SubOffset(b);
              if (std::fabs(std::sqrt(sx * sx + sy * sy) - rk) <= kLimbLineHalfWidth) ++inside;
            }
          const double cover = static_cast<double>(inside) / (kSub * kSub);
          g = paper * (1 - cover) + kLimbInk * cover;
        }
      } else if (r < rk - 1) {
        g = DiscGrey(t.style, std::sqrt(1 - (r / rk) * (r / rk)));
      } else if (r > rk + 1) {
        g = sky;
      } else {
        double sum = 0;
        for (int a = 0; a < kSub; ++a)
          for (int b = 0; b < kSub; ++b) {
            const double sx = dx + SubOffset(a), sy = dy + SubOffset(b);
            const double q = std::sqrt(sx * sx + sy * sy) / rk;
            sum += q <= 1 ? DiscGrey(t.style, std::sqrt(1 - q * q)) : sky;
          }
        g = sum / (kSub * kSub);
      }
      grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)] = g;
    }
  }
}

// The daily parallel as a dark line through the centre (ink over paper or
// disc, with the covered fraction of each pixel).
void PaintParallelLine(const Truth& t, std::vector<double>& grey) {
  const PointPx dir = ScreenDirection(t.orientation_deg, t.northUp);
  const double half = kParallelLineReach * t.rk_px, w = kParallelLineHalfWidth;
  const double ex = std::fabs(dir.x_px) * half + w + 1, ey = std::fabs(dir.y_px) * half + w + 1;
  const int i0 = std::max(0, static_cast<int>(std::floor(t.x0_px - ex)));
  const int i1 = std::min(t.width_px - 1, static_cast<int>(std::ceil(t.x0_px + ex)));
  const int j0 = std::max(0, static_cast<int>(std::floor(t.y0_px - ey)));
  const int j1 = std::min(t.height_px - 1, static_cast<int>(std::ceil(t.y0_px + ey)));
  for (int j = j0; j <= j1; ++j) {
    for (int i = i0; i <= i1; ++i) {
      const double dx = i - t.x0_px, dy = j - t.y0_px;
      const double along = dx * dir.x_px + dy * dir.y_px, across = dx * dir.y_px - dy * dir.x_px;
      if (std::fabs(across) > w + 1 || std::fabs(along) > half + 1) continue;
      int inside = 0;
      for (int a = 0; a < kSub; ++a)
        for (int b = 0; b < kSub; ++b) {
          const double sx = dx + SubOffset(a), sy = dy + SubOffset(b);
          if (std::fabs(sx * dir.y_px - sy * dir.x_px) <= w && std::fabs(sx * dir.x_px + sy * dir.y_px) <= half)
            ++inside;
        }
      if (inside == 0) continue;
      const double cover = static_cast<double>(inside) / (kSub * kSub);
      double& g = grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(t.width_px) + static_cast<std::size_t>(i)];
      g = g * (1 - cover) + kLimbInk * cover;
    }
  }
}

void PaintSpot(const Truth& t, const SpotTruth& st, const Spot& sp, std::vector<double>& grey) {
  const int w = t.width_px, h = t.height_px;
  const double rp = sp.penumbraRadius_px, ru = sp.umbraRadius_px;
  const int i0 = std::max(0, static_cast<int>(std::floor(st.x_px - rp - 1)));
  const int i1 = std::min(w - 1, static_cast<int>(std::ceil(st.x_px + rp + 1)));
  const int j0 = std::max(0, static_cast<int>(std::floor(st.y_px - rp - 1)));
  const int j1 = std::min(h - 1, static_cast<int>(std::ceil(st.y_px + rp + 1)));
  for (int j = j0; j <= j1; ++j) {
    for (int i = i0; i <= i1; ++i) {
      int inPen = 0, inUmb = 0;
      for (int a = 0; a < kSub; ++a)
        for (int b = 0; b < kSub; ++b) {
          const double sx = i + SubOffset(a) - st.x_px, sy = j + SubOffset(b) - st.y_px;
          const double r = std::sqrt(sx * sx + sy * sy);
          if (r <= ru) ++inUmb;
          else if (r <= rp) ++inPen;
        }
      if (inPen + inUmb == 0) continue;
      const double n = kSub * kSub;
      double& g = grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)];
      g = g * (n - inPen - inUmb) / n + kPenumbra * inPen / n + kUmbra * inUmb / n;
    }
  }
}

// A stroke of ink from a to b with round ends, `halfWidth` px either side,
// over whatever lies under it (covered fraction of each pixel).
void PaintStroke(const Truth& t, PointPx a, PointPx b, double halfWidth, std::vector<double>& grey) {
  const int i0 = std::max(0, static_cast<int>(std::floor(std::min(a.x_px, b.x_px) - halfWidth - 1)));
  const int i1 = std::min(t.width_px - 1, static_cast<int>(std::ceil(std::max(a.x_px, b.x_px) + halfWidth + 1)));
  const int j0 = std::max(0, static_cast<int>(std::floor(std::min(a.y_px, b.y_px) - halfWidth - 1)));
  const int j1 = std::min(t.height_px - 1, static_cast<int>(std::ceil(std::max(a.y_px, b.y_px) + halfWidth + 1)));
  const double dx = b.x_px - a.x_px, dy = b.y_px - a.y_px, len2 = dx * dx + dy * dy;
  const auto distance = [&](double x, double y) {
    double f = len2 > 0 ? ((x - a.x_px) * dx + (y - a.y_px) * dy) / len2 : 0;
    f = std::clamp(f, 0.0, 1.0);
    return std::hypot(x - a.x_px - f * dx, y - a.y_px - f * dy);
  };
  for (int j = j0; j <= j1; ++j) {
    for (int i = i0; i <= i1; ++i) {
      if (distance(i, j) > halfWidth + 1) continue;
      int inside = 0;
      for (int p = 0; p < kSub; ++p)
        for (int q = 0; q < kSub; ++q)
          if (distance(i + SubOffset(p), j + SubOffset(q)) <= halfWidth) ++inside;
      if (inside == 0) continue;
      const double cover = static_cast<double>(inside) / (kSub * kSub);
      double& g = grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(t.width_px) + static_cast<std::size_t>(i)];
      g = g * (1 - cover) + kLimbInk * cover;
    }
  }
}

// The two axes of an observing template through the centre.
void PaintAxes(const Truth& t, std::vector<double>& grey) {
  const PointPx d = ScreenDirection(t.orientation_deg, t.northUp);
  const double reach = 1.15 * t.rk_px;
  for (PointPx u : {d, PointPx{-d.y_px, d.x_px}})
    PaintStroke(t, {t.x0_px - reach * u.x_px, t.y0_px - reach * u.y_px},
                {t.x0_px + reach * u.x_px, t.y0_px + reach * u.y_px}, kParallelLineHalfWidth, grey);
}

// Letters N, E, S, W written by hand just outside the limb, beside the ends
// of the axes: strokes on a unit box (x right, y down), each vertex moved a
// little at random.
void PaintLabels(const Truth& t, std::mt19937& rng, std::vector<double>& grey) {
  using Strokes = std::vector<std::vector<PointPx>>;
  const Strokes letters[4] = {
      {{{0, 1}, {0, 0}, {1, 1}, {1, 0}}},                                          // N
      {{{1, 0}, {0, 0}, {0, 1}, {1, 1}}, {{0, 0.5}, {0.7, 0.5}}},                    // E
      {{{1, 0.1}, {0.5, 0}, {0, 0.2}, {0.2, 0.45}, {0.8, 0.55}, {1, 0.8}, {0.5, 1}, {0, 0.9}}},  // S
      {{{0, 0}, {0.25, 1}, {0.5, 0.4}, {0.75, 1}, {1, 0}}},                          // W
  };
  std::uniform_real_distribution<double> wobble(-0.06, 0.06);
  const double size = 0.05 * t.rk_px;
  const double base = ScreenAngle(t.orientation_deg, t.northUp);
  for (int k = 0; k < 4; ++k) {
    // 8 degrees beside the axis, so that a letter does not sit on its line.
    const double a = base + (90.0 * k + 8) * kRad;
    const double cx = t.x0_px + 1.09 * t.rk_px * std::cos(a), cy = t.y0_px - 1.09 * t.rk_px * std::sin(a);
    for (const auto& stroke : letters[k]) {
      std::vector<PointPx> pts;
      for (PointPx p : stroke)
        pts.push_back({cx + (p.x_px - 0.5 + wobble(rng)) * size, cy + (p.y_px - 0.5 + wobble(rng)) * size});
      for (std::size_t i = 1; i < pts.size(); ++i) PaintStroke(t, pts[i - 1], pts[i], 0.8, grey);
    }
  }
}

// Faint prominences standing on the limb, brightening the sky outside it.
void PaintProminences(const Truth& t, int count, std::mt19937& rng, std::vector<double>& grey) {
  std::uniform_real_distribution<double> angle(0, 2 * std::numbers::pi), height(0.02, 0.07), width(1.5, 5);
  const double limb = t.style == Style::Euv ? 120 : DiscGrey(t.style, 0);
  const double rk = t.rk_px;
  for (int k = 0; k < count; ++k) {
    const double a = angle(rng), hk = height(rng) * rk, wk = width(rng) * kRad, amp = 0.25 * limb;
    const double cx = t.x0_px + (rk + hk) * std::cos(a), cy = t.y0_px - (rk + hk) * std::sin(a);
    const double box = std::max(3 * hk, 3 * wk * rk) + 2;
    const int i0 = std::max(0, static_cast<int>(cx - box)), i1 = std::min(t.width_px - 1, static_cast<int>(cx + box));
    const int j0 = std::max(0, static_cast<int>(cy - box)), j1 = std::min(t.height_px - 1, static_cast<int>(cy + box));
    for (int j = j0; j <= j1; ++j)
      for (int i = i0; i <= i1; ++i) {
        const double dx = i - t.x0_px, dy = t.y0_px - j, r = std::hypot(dx, dy);
        const double outside = std::clamp(r - rk + 0.5, 0.0, 1.0);
        if (outside <= 0) continue;
        const double da = std::remainder(std::atan2(dy, dx) - a, 2 * std::numbers::pi) / wk;
        const double dr = (r - rk) / hk;
        grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(t.width_px) + static_cast<std::size_t>(i)] +=
            outside * amp * std::exp(-dr * dr - da * da);
      }
  }
}

std::string Two(int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

}  // namespace

const char* StyleName(Style s) {
  switch (s) {
    case Style::Drawing: return "drawing";
    case Style::Photo: return "photo";
    case Style::Halpha: return "halpha";
    case Style::Euv: return "euv";
    case Style::Coronagraph: return "coronagraph";
  }
  return "drawing";
}

bool ParseStyle(const std::string& word, Style& s) {
  for (Style c : {Style::Drawing, Style::Photo, Style::Halpha, Style::Euv, Style::Coronagraph})
    if (word == StyleName(c)) {
      s = c;
      return true;
    }
  return false;
}

Ephemeris ProgramEphemeris(int year, int month, int day, double ut_hours, bool northUp) {
  Ephemeris e;
  SolarEphemeris(year, month, day, ut_hours, e.P_deg, e.B0_deg, e.L0_deg, e.rho0_AU);
  if (northUp) e.P_deg = 0;
  return e;
}

Ephemeris SohoEphemeris(int year, int month, int day, double ut_hours, double catalogueB0_deg) {
  Ephemeris e = ProgramEphemeris(year, month, day, ut_hours, true);
  e.B0_deg = catalogueB0_deg;
  e.rho0_AU = e.rho0_AU * 2 / 3;
  return e;
}

Truth ComputeTruth(const Scene& sc) {
  Validate(sc);
  Truth t;
  t.year = sc.year;
  t.month = sc.month;
  t.day = sc.day;
  t.hour = sc.hour;
  t.minute = sc.minute;
  t.second = sc.second;
  double ut = 0;
  SexagesimalToDecimal(sc.hour, sc.minute, sc.second, ut);
  t.ut_hours = RoundHalfEven(ut, 3);
  t.width_px = sc.width_px;
  t.height_px = sc.height_px;
  t.x0_px = sc.x0_px;
  t.y0_px = sc.y0_px;
  t.rk_px = sc.rk_px;
  t.orientation_deg = sc.orientation_deg;
  t.northUp = sc.northUp;
  t.style = sc.style;
  t.parallelLine = sc.parallelLine;
  t.eph = sc.ephemeris ? *sc.ephemeris : ProgramEphemeris(sc.year, sc.month, sc.day, ut, sc.northUp);

  auto state = std::make_unique<ProgramState>();
  ApplyCalibration(t, *state);
  const double b0 = t.eph.B0_deg * kRad;
  for (const Spot& sp : sc.spots) {
    // Cosine of the heliocentric angle: a spot must face the observer.
    const double b = sp.B_deg * kRad, dl = (t.eph.L0_deg - sp.L_deg) * kRad;
    const double mu = std::sin(b) * std::sin(b0) + std::cos(b) * std::cos(b0) * std::cos(dl);
    Require(mu > 0, "spot " + sp.name + " lies on the far side of the Sun");
    SpotTruth st{sp.name, sp.B_deg, sp.L_deg, 0, 0};
    HeliographicToPixel(*state, sp.L_deg, sp.B_deg, -t.orientation_deg, st.x_px, st.y_px);
    // HeliographicToPixel works in the convention of pictures that are not
    // north-up; on a north-up picture PixelToHeliographic finds the point
    // mirrored in the vertical through the centre.
    if (t.northUp) st.x_px = 2 * t.x0_px - st.x_px;
    t.spots.push_back(st);
  }

  for (int k = 0; k < sc.limbPointCount; ++k) {
    const double a = 2 * std::numbers::pi * k / sc.limbPointCount;
    t.limb.push_back({t.x0_px + t.rk_px * std::cos(a), t.y0_px - t.rk_px * std::sin(a)});
  }
  t.parallel = LinePoints(t, ScreenDirection(t.orientation_deg, t.northUp), sc.linePointCount);
  t.axis = LinePoints(t, ScreenDirection(90 + t.orientation_deg - t.eph.P_deg, t.northUp), sc.linePointCount);
  return t;
}

Rendered Render(const Scene& sc) {
  Rendered out;
  out.truth = ComputeTruth(sc);
  const Truth& t = out.truth;
  out.width_px = t.width_px;
  out.height_px = t.height_px;
  const std::size_t n = static_cast<std::size_t>(t.width_px) * static_cast<std::size_t>(t.height_px);
  std::vector<double> grey(n);
  std::mt19937 rng(sc.seed);
  if (t.style == Style::Euv) PaintEuv(t, rng, grey);
  else if (t.style == Style::Coronagraph) PaintCoronagraph(t, rng, grey);
  else PaintDisc(t, sc, grey);
  if (sc.prominences > 0) PaintProminences(t, sc.prominences, rng, grey);
  if (t.parallelLine) PaintParallelLine(t, grey);
  if (sc.axisLines) PaintAxes(t, grey);
  if (sc.labels) PaintLabels(t, rng, grey);
  for (std::size_t k = 0; k < sc.spots.size(); ++k) PaintSpot(t, t.spots[k], sc.spots[k], grey);
  if (sc.cloud > 0) ApplyCloud(t, sc.cloud, rng, grey);
  if (sc.vignetting > 0) ApplyVignetting(t, sc.vignetting, grey);
  if (sc.slitStripes > 0) ApplySlitStripes(t, sc.slitStripes, rng, grey);
  if (sc.noise > 0) {
    std::normal_distribution<double> noise(0, sc.noise);
    for (double& g : grey) g += noise(rng);
  }
  out.argb.resize(n);
  const auto channel = [](double v) { return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
  const bool tinted = sc.tintR != 1 || sc.tintG != 1 || sc.tintB != 1;
  for (std::size_t k = 0; k < n; ++k) {
    if (!tinted) {
      const std::uint32_t g = channel(grey[k]);
      out.argb[k] = 0xFF000000u | (g << 16) | (g << 8) | g;
    } else {
      const double g = std::clamp(grey[k], 0.0, 255.0);
      out.argb[k] = 0xFF000000u | (channel(g * sc.tintR) << 16) | (channel(g * sc.tintG) << 8) | channel(g * sc.tintB);
    }
  }
  return out;
}

Truth RenderInto(const Scene& sc, RasterPicture& picture) {
  Rendered r = Render(sc);
  picture.SetPixels(r.width_px, r.height_px, std::move(r.argb));
  return std::move(r.truth);
}

void ApplyCalibration(const Truth& t, ProgramState& s) {
  s.DateYear = t.year;
  s.DateMonth = t.month;
  s.DateDay = t.day;
  s.TimeUT = t.ut_hours;
  s.DateKnown = 1;
  s.P = t.eph.P_deg;
  s.B0 = t.eph.B0_deg;
  s.L0 = t.eph.L0_deg;
  s.rho0 = t.eph.rho0_AU;
  s.ZeroPointX = t.x0_px;
  s.ZeroPointY = t.y0_px;
  s.LimbRadius = t.rk_px;
  s.OrientationAngle = t.orientation_deg;
  s.NorthUpImage = t.northUp ? 1 : 0;
  s.CalibrationState = 3;
}

std::string TruthText(const Truth& t) {
  std::string out;
  auto line = [&out](const std::string& text) { out += text + "\r\n"; };
  auto num = [](double v) { return NumberText(v); };
  line("date=" + std::to_string(t.year) + "-" + Two(t.month) + "-" + Two(t.day));
  line("time=" + Two(t.hour) + ":" + Two(t.minute) + ":" + Two(t.second));
  line("width=" + std::to_string(t.width_px));
  line("height=" + std::to_string(t.height_px));
  line(std::string("style=") + StyleName(t.style));
  line("x0=" + num(t.x0_px));
  line("y0=" + num(t.y0_px));
  line("rk=" + num(t.rk_px));
  line("orientation=" + num(t.orientation_deg));
  line(std::string("northup=") + (t.northUp ? "1" : "0"));
  line("P=" + num(t.eph.P_deg));
  line("B0=" + num(t.eph.B0_deg));
  line("L0=" + num(t.eph.L0_deg));
  line("rho0=" + num(t.eph.rho0_AU));
  for (const SpotTruth& s : t.spots)
    line("spot " + s.name + " " + num(s.B_deg) + " " + num(s.L_deg) + " " + num(s.x_px) + " " + num(s.y_px));
  for (const PointPx& p : t.limb) line("limb " + num(p.x_px) + " " + num(p.y_px));
  for (const PointPx& p : t.parallel) line("parallel " + num(p.x_px) + " " + num(p.y_px));
  for (const PointPx& p : t.axis) line("axis " + num(p.x_px) + " " + num(p.y_px));
  return out;
}

void WriteTruth(const std::string& path, const Truth& t) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw FileError("cannot create the truth file " + path);
  const std::string text = TruthText(t);
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) throw FileError("cannot write the truth file " + path);
}

}  // namespace pelorin::gen
