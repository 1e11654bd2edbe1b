#include "SunPicture.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <random>
#include <stdexcept>

#include "app/Text.h"
#include "files/TextFile.h"
#include "geometry/Angles.h"
#include "geometry/Ephemeris.h"
#include "geometry/Transform.h"

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

// Grey level of an EUV picture at the distance r from the centre: the disc
// brightens towards the limb (from 70 to 200), the corona outside falls off
// from 110 above the sky within a few hundredths of rk, and the whole
// profile is smoothed over about 0.003 rk, so the limb is soft.
class EuvProfile {
 public:
  EuvProfile(double rk, double sky, double rMax) : step_(0.25) {
    const double sigma = std::max(1.5, 0.003 * rk);
    const auto raw = [&](double r) {
      const double q = r / rk;
      if (q < 1) {
        const double m = 1 - std::sqrt(1 - q * q);
        return 70 + 130 * m * m * m * m;
      }
      return sky + 110 * std::exp(-(q - 1) / 0.03);
    };
    const int n = static_cast<int>(std::ceil(rMax / step_)) + 2;
    const int half = static_cast<int>(std::ceil(4 * sigma / step_));
    std::vector<double> kernel(static_cast<std::size_t>(2 * half + 1));
    double sum = 0;
    for (int k = -half; k <= half; ++k) {
      const double x = k * step_ / sigma;
      sum += kernel[static_cast<std::size_t>(k + half)] = std::exp(-0.5 * x * x);
    }
    table_.resize(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
      double v = 0;
      for (int k = -half; k <= half; ++k) v += kernel[static_cast<std::size_t>(k + half)] * raw(std::fabs((i + k) * step_));
      table_[static_cast<std::size_t>(i)] = v / sum;
    }
  }
  double operator()(double r) const {
    const double f = r / step_;
    const auto i = static_cast<std::size_t>(f);
    if (i + 1 >= table_.size()) return table_.back();
    const double a = f - static_cast<double>(i);
    return table_[i] * (1 - a) + table_[i + 1] * a;
  }

 private:
  double step_;
  std::vector<double> table_;
};

// The disc and the background (no spots), as grey levels.
void PaintDisc(const Truth& t, const Scene& sc, std::vector<double>& grey) {
  const int w = t.width_px, h = t.height_px;
  const double rk = t.rk_px;
  const double paper = sc.skyGrey.value_or(kPaper), sky = sc.skyGrey.value_or(kDarkSky);
  if (t.style == Style::Euv) {
    double rMax = 0;
    for (double cx : {0.0, w - 1.0})
      for (double cy : {0.0, h - 1.0}) rMax = std::max(rMax, std::hypot(cx - t.x0_px, cy - t.y0_px));
    const EuvProfile profile(rk, sky, rMax + 2);
    for (int j = 0; j < h; ++j)
      for (int i = 0; i < w; ++i)
        grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(w) + static_cast<std::size_t>(i)] =
            profile(std::hypot(i - t.x0_px, j - t.y0_px));
    return;
  }
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

// A few bright active regions on an EUV disc, one of them on the limb.
void PaintActiveRegions(const Truth& t, std::mt19937& rng, std::vector<double>& grey) {
  std::uniform_real_distribution<double> angle(0, 2 * std::numbers::pi), dist(0, 0.7);
  const double rk = t.rk_px, sigma = 0.04 * rk;
  for (int k = 0; k < 4; ++k) {
    const double a = angle(rng), q = k == 0 ? 0.97 : dist(rng);
    const double cx = t.x0_px + q * rk * std::cos(a), cy = t.y0_px - q * rk * std::sin(a);
    const double box = 3 * sigma;
    const int i0 = std::max(0, static_cast<int>(cx - box)), i1 = std::min(t.width_px - 1, static_cast<int>(cx + box));
    const int j0 = std::max(0, static_cast<int>(cy - box)), j1 = std::min(t.height_px - 1, static_cast<int>(cy + box));
    for (int j = j0; j <= j1; ++j)
      for (int i = i0; i <= i1; ++i) {
        const double d = std::hypot(i - cx, j - cy) / sigma;
        grey[static_cast<std::size_t>(j) * static_cast<std::size_t>(t.width_px) + static_cast<std::size_t>(i)] +=
            80 * std::exp(-0.5 * d * d);
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
  }
  return "drawing";
}

bool ParseStyle(const std::string& word, Style& s) {
  for (Style c : {Style::Drawing, Style::Photo, Style::Halpha, Style::Euv})
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
  PaintDisc(t, sc, grey);
  if (t.style == Style::Euv) PaintActiveRegions(t, rng, grey);
  if (sc.prominences > 0) PaintProminences(t, sc.prominences, rng, grey);
  if (t.parallelLine) PaintParallelLine(t, grey);
  if (sc.axisLines) PaintAxes(t, grey);
  if (sc.labels) PaintLabels(t, rng, grey);
  for (std::size_t k = 0; k < sc.spots.size(); ++k) PaintSpot(t, t.spots[k], sc.spots[k], grey);
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
