#include "SpotPictures.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Angles.h"
#include "base/Numbers.h"
#include "app/Geometry.h"

namespace pelorin::gen {

namespace {

constexpr double kR = kPiExact / 180;

// Quiet-Sun limb darkening near 550 nm (fifth-order polynomial in mu); in
// the chromospheric lines far weaker.
double LimbDarkening(double mu, WlLight light = WlLight::WhiteLight) {
  if (light == WlLight::HAlpha) return 0.78 + 0.22 * mu;
  if (light == WlLight::CaK) return 0.62 + 0.38 * std::sqrt(mu);
  static const double a[6] = {0.30505, 1.13123, -0.78604, 0.40560, 0.02297, -0.07880};
  double v = 0;
  for (int k = 5; k >= 0; --k) v = v * mu + a[k];
  return v;
}

struct Vec {
  double x, y, z;
};
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
// The point of latitude b and central meridian distance c (radians).
Vec Unit(double b, double c) { return {std::cos(b) * std::sin(c), std::sin(b), std::cos(b) * std::cos(c)}; }

// The picture's geometry: the program's pixel-to-heliographic conversion
// without its rounding, to the point on the sphere (in the frame of the
// central meridian).
class Sphere {
 public:
  explicit Sphere(const Truth& t) : t_(t) {}
  // False outside the limb.
  bool At(double X, double Y, Vec& v) const {
    const double k = kSolarRadiusAU;
    const double dx = t_.northUp ? t_.x0_px - X : X - t_.x0_px;
    const double dy = Y - t_.y0_px;
    const double r = std::sqrt(dx * dx + dy * dy);
    if (r > t_.rk_px) return false;
    const double chi = std::atan2(-dy, dx) / kR;
    const double theta = (90 - chi) + t_.orientation_deg;
    const double rho = ((r / t_.rk_px) * k) / t_.eph.rho0_AU;
    const double sigma = std::asin(std::min(1.0, t_.eph.rho0_AU * std::sin(rho) / k)) - rho;
    const double pt = (t_.eph.P_deg - theta) * kR;
    const double b0 = t_.eph.B0_deg * kR;
    const double b = std::asin(std::clamp(std::sin(sigma) * std::cos(b0) * std::cos(pt) + std::cos(sigma) * std::sin(b0), -1.0, 1.0));
    const double cb = std::cos(b);
    const double c = cb == 0 ? 0.0 : std::asin(std::clamp(std::sin(pt) * std::sin(sigma) / cb, -1.0, 1.0));
    v = Unit(b, c);
    return true;
  }

 private:
  const Truth& t_;
};

double Cmd(const Truth& t, double L) { return Wrap180(L - t.eph.L0_deg); }

double MuOf(const Truth& t, double B, double L) {
  const double b0 = t.eph.B0_deg * kR, b = B * kR, dl = (t.eph.L0_deg - L) * kR;
  return std::sin(b) * std::sin(b0) + std::cos(b) * std::cos(b0) * std::cos(dl);
}

// Gaussian blur of a w x h float picture (separable, edges clamped).
void Blur(std::vector<float>& img, int w, int h, double sigma) {
  if (sigma <= 0.05) return;
  const int half = static_cast<int>(std::ceil(3.5 * sigma));
  std::vector<float> g(static_cast<std::size_t>(2 * half + 1));
  double s = 0;
  for (int k = -half; k <= half; ++k) s += g[static_cast<std::size_t>(k + half)] = static_cast<float>(std::exp(-0.5 * k * k / (sigma * sigma)));
  for (float& v : g) v = static_cast<float>(v / s);
  std::vector<float> tmp(img.size());
  for (int y = 0; y < h; ++y) {
    const float* row = &img[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)];
    float* out = &tmp[static_cast<std::size_t>(y) * static_cast<std::size_t>(w)];
    for (int x = 0; x < w; ++x) {
      float a = 0;
      for (int k = -half; k <= half; ++k) a += g[static_cast<std::size_t>(k + half)] * row[std::clamp(x + k, 0, w - 1)];
      out[x] = a;
    }
  }
  std::vector<float> col(static_cast<std::size_t>(h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      float a = 0;
      for (int k = -half; k <= half; ++k)
        a += g[static_cast<std::size_t>(k + half)] * tmp[static_cast<std::size_t>(std::clamp(y + k, 0, h - 1)) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
      img[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] = a;
    }
}

// The level (contrast to the quiet Sun) the spots and filaments give the
// point v, 1 where there is none.
struct Feature {
  Vec c;
  double cosU, cosP;
  double umbra, penumbra;
};
struct Band {
  Vec c, t, n;
  double halfLen, halfWidth, level;
  double cosReach = -1;  // cos of the angle from c beyond which no point lies in the band
};

// The ink drawing: paper, limb circle, axes and letters from the drawing
// style, then each umbra filled and each penumbra outlined (or hatched),
// modelled on the sphere.
void DrawInk(const WlScene& sc, Scene base, const Truth& t, const Sphere& sphere, const std::vector<Feature>& feats,
             const std::vector<std::uint8_t>& near, std::vector<float>& img) {
  constexpr double kInk = 25;
  base.spots.clear();
  base.style = Style::Drawing;
  base.axisLines = true;
  base.labels = true;
  const Rendered paper = Render(base);
  const int w = t.width_px;
  for (std::size_t i = 0; i < img.size(); ++i) img[i] = static_cast<float>(paper.argb[i] & 0xFFu);
  constexpr int kSub = 4;
  for (int y = 0; y < t.height_px; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      if (!near[i]) continue;
      int ink = 0;
      for (int a = 0; a < kSub; ++a)
        for (int b = 0; b < kSub; ++b) {
          const double sx = x + (a + 0.5) / kSub - 0.5, sy = y + (b + 0.5) / kSub - 0.5;
          Vec v;
          if (!sphere.At(sx, sy, v)) continue;
          const double r2 = ((sx - t.x0_px) * (sx - t.x0_px) + (sy - t.y0_px) * (sy - t.y0_px)) / (t.rk_px * t.rk_px);
          const double mu = std::max(0.3, std::sqrt(std::max(0.0, 1 - r2)));
          // The outline's width on the sphere: 1.4 px on the picture.
          const double line = 1.4 / (t.rk_px * mu);
          bool dark = false;
          for (const Feature& f : feats) {
            const double d = std::acos(std::clamp(Dot(v, f.c), -1.0, 1.0));
            const double ru = std::acos(f.cosU), rp = std::acos(f.cosP);
            if (d <= ru) dark = true;
            else if (rp > ru + 1e-9 && d <= rp) {
              if (sc.hatching) dark = dark || ((x + y) % 4 == 0);
              else dark = dark || d >= rp - line;
            }
          }
          ink += dark;
        }
      if (ink > 0) {
        const double f = ink / static_cast<double>(kSub * kSub);
        img[i] = static_cast<float>(img[i] * (1 - f) + kInk * f);
      }
    }
}

}  // namespace

std::vector<std::uint32_t> WlRendered::Argb() const {
  std::vector<std::uint32_t> out(grey.size());
  for (std::size_t i = 0; i < grey.size(); ++i) out[i] = 0xFF000000u | (grey[i] * 0x010101u);
  return out;
}

WlRendered RenderWhiteLight(const WlScene& sc) {
  Scene base;
  base.year = sc.year;
  base.month = sc.month;
  base.day = sc.day;
  base.hour = sc.hour;
  base.minute = sc.minute;
  base.width_px = sc.width_px;
  base.height_px = sc.height_px;
  base.x0_px = sc.x0_px;
  base.y0_px = sc.y0_px;
  base.rk_px = sc.rk_px;
  base.orientation_deg = sc.orientation_deg;
  base.northUp = sc.northUp;
  base.style = Style::Photo;
  base.limbPointCount = 0;
  base.linePointCount = 0;
  for (std::size_t i = 0; i < sc.spots.size(); ++i) {
    Spot s;
    s.name = "s" + std::to_string(i);
    s.B_deg = sc.spots[i].B_deg;
    s.L_deg = sc.spots[i].L_deg;
    s.umbraRadius_px = s.penumbraRadius_px = 1;
    base.spots.push_back(s);
  }
  WlRendered out;
  out.truth.picture = ComputeTruth(base);
  const Truth& t = out.truth.picture;
  const int w = sc.width_px, h = sc.height_px;
  out.width_px = w;
  out.height_px = h;
  const Sphere sphere(t);

  std::vector<Feature> feats;
  for (const WlSpot& s : sc.spots) {
    if (!(s.umbra_deg > 0 && s.penumbra_deg >= s.umbra_deg && s.penumbra_deg < 10))
      throw std::invalid_argument("scene: spot radii must satisfy 0 < umbra <= penumbra < 10 degrees");
    feats.push_back({Unit(s.B_deg * kR, Cmd(t, s.L_deg) * kR), std::cos(s.umbra_deg * kR), std::cos(s.penumbra_deg * kR),
                     s.umbraLevel, s.penumbraLevel});
  }
  std::vector<Band> bands;
  for (std::size_t fi = 0; fi < sc.filaments.size(); ++fi) {
    const WlFilament& f = sc.filaments[fi];
    Vec c = Unit(f.B_deg * kR, Cmd(t, f.L_deg) * kR);
    // East-west and north directions at c.
    const double cm = Cmd(t, f.L_deg) * kR, b = f.B_deg * kR;
    const Vec e{std::cos(cm), 0, -std::sin(cm)};
    const Vec nn{-std::sin(b) * std::sin(cm), std::cos(b), -std::sin(b) * std::cos(cm)};
    const double a = f.angle_deg * kR;
    Vec dir{e.x * std::cos(a) + nn.x * std::sin(a), e.y * std::cos(a) + nn.y * std::sin(a), e.z * std::cos(a) + nn.z * std::sin(a)};
    if (f.curve_deg == 0 && !f.gap) {
      bands.push_back({c, dir, Cross(c, dir), f.length_deg * kR / 2, f.width_deg * kR / 2, f.level});
      continue;
    }
    // A chain of short pieces from one end to the other, turning as it
    // goes (one S bend), its width swelling and thinning; with a gap, two
    // pieces of the chain are left out.
    constexpr int kPieces = 24;
    const double step = f.length_deg * kR / kPieces;
    auto walk = [&](double s) {
      const Vec c2{c.x * std::cos(s) + dir.x * std::sin(s), c.y * std::cos(s) + dir.y * std::sin(s),
                   c.z * std::cos(s) + dir.z * std::sin(s)};
      const Vec d2{-c.x * std::sin(s) + dir.x * std::cos(s), -c.y * std::sin(s) + dir.y * std::cos(s),
                   -c.z * std::sin(s) + dir.z * std::cos(s)};
      c = c2;
      dir = d2;
    };
    auto turn = [&](double th) {
      const Vec n = Cross(c, dir);
      dir = {dir.x * std::cos(th) + n.x * std::sin(th), dir.y * std::cos(th) + n.y * std::sin(th),
             dir.z * std::cos(th) + n.z * std::sin(th)};
    };
    walk(-f.length_deg * kR / 2);
    turn(-f.curve_deg * kR / 2);
    for (int k = 0; k < kPieces; ++k) {
      const double u = (k + 0.5) / kPieces;
      walk(step / 2);
      const bool left = f.gap && (k == 7 || k == 8 || k == 16);
      const double width = f.width_deg * kR * (0.65 + 0.35 * std::sin(3 * kPiExact * u + static_cast<double>(fi)));
      if (!left) bands.push_back({c, dir, Cross(c, dir), step / 2 + width / 4, width / 2, f.level});
      walk(step / 2);
      turn(f.curve_deg * kR / kPieces * 2 * std::cos(kPiExact * u));
    }
  }
  for (Band& b : bands) b.cosReach = std::cos(std::min(kPiExact, b.halfLen + b.halfWidth + 1e-6));
  struct Cap {
    Vec c;
    double cosR, level;
  };
  std::vector<Cap> plages;
  for (const WlPlage& p : sc.plages)
    plages.push_back({Unit(p.B_deg * kR, Cmd(t, p.L_deg) * kR), std::cos(p.radius_deg * kR), p.level});
  // The features that may reach into each tile of the picture, so that a
  // point looks only at those.
  constexpr int kTile = 32;
  const int tnx = (w + kTile - 1) / kTile, tny = (h + kTile - 1) / kTile;
  struct Near {
    std::vector<std::size_t> feats, bands, caps;
  };
  std::vector<Near> tileNear(static_cast<std::size_t>(tnx) * static_cast<std::size_t>(tny));
  auto level = [&](const Vec& v, const Near& nr) {
    double l = 1;
    for (std::size_t k : nr.feats) {
      const Feature& f = feats[k];
      const double d = Dot(v, f.c);
      if (d >= f.cosU) l = std::min(l, f.umbra);
      else if (d >= f.cosP) l = std::min(l, f.penumbra);
    }
    for (std::size_t k : nr.bands) {
      const Band& b = bands[k];
      if (Dot(v, b.c) < b.cosReach) continue;
      const double across = std::asin(std::clamp(Dot(v, b.n), -1.0, 1.0));
      const double along = std::atan2(Dot(v, b.t), Dot(v, b.c));
      if (std::fabs(across) < b.halfWidth && std::fabs(along) < b.halfLen) l = std::min(l, b.level);
    }
    if (l == 1)
      for (std::size_t k : nr.caps)
        if (Dot(v, plages[k].c) >= plages[k].cosR) l = std::max(l, plages[k].level);
    return l;
  };

  // Where the features may reach on the picture.
  std::vector<std::uint8_t> near(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
  auto markBox = [&](double cx, double cy, double rad, std::vector<std::size_t> Near::*list, std::size_t index) {
    if (!std::isfinite(cx) || !std::isfinite(cy)) return;
    const int x0 = std::max(0, static_cast<int>(cx - rad)), x1 = std::min(w - 1, static_cast<int>(cx + rad) + 1);
    const int y0 = std::max(0, static_cast<int>(cy - rad)), y1 = std::min(h - 1, static_cast<int>(cy + rad) + 1);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) near[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] = 1;
    for (int ty = y0 / kTile; ty <= y1 / kTile && x0 <= x1; ++ty)
      for (int tx = x0 / kTile; tx <= x1 / kTile; ++tx)
        (tileNear[static_cast<std::size_t>(ty * tnx + tx)].*list).push_back(index);
  };
  ProgramState state;
  ApplyCalibration(t, state);
  auto onPicture = [&](const Vec& v, double& x, double& y) {
    HeliographicToPicture(state, t.eph.L0_deg + std::atan2(v.x, v.z) / kR, std::asin(std::clamp(v.y, -1.0, 1.0)) / kR,
                          -t.orientation_deg, x, y);
  };
  for (std::size_t i = 0; i < sc.spots.size(); ++i)
    markBox(t.spots[i].x_px, t.spots[i].y_px, sc.spots[i].penumbra_deg * kR * t.rk_px * 1.05 + 3, &Near::feats, i);
  for (std::size_t i = 0; i < bands.size(); ++i) {
    const Band& b = bands[i];
    double x = 0, y = 0;
    onPicture(b.c, x, y);
    markBox(x, y, (b.halfLen + b.halfWidth) * t.rk_px * 1.05 + 3, &Near::bands, i);
    // Points along the band for the truth, about a width apart.
    const int n = 1 + static_cast<int>(b.halfLen / std::max(1e-6, b.halfWidth));
    for (int k = -n; k <= n; ++k) {
      const double a = b.halfLen * k / n;
      onPicture({b.c.x * std::cos(a) + b.t.x * std::sin(a), b.c.y * std::cos(a) + b.t.y * std::sin(a),
                 b.c.z * std::cos(a) + b.t.z * std::sin(a)},
                x, y);
      out.filamentPoints_px.push_back({x, y});
    }
  }
  for (std::size_t i = 0; i < plages.size(); ++i) {
    double x = 0, y = 0;
    onPicture(plages[i].c, x, y);
    markBox(x, y, sc.plages[i].radius_deg * kR * t.rk_px * 1.05 + 3, &Near::caps, i);
  }

  std::mt19937 rng(sc.seed);
  std::normal_distribution<float> gauss(0.0f, 1.0f);
  std::vector<float> img(near.size());
  if (sc.drawing) {
    DrawInk(sc, base, t, sphere, feats, near, img);
  } else {
  // Granulation: white noise smoothed to cells of a few pixels.
  std::vector<float> gran(near.size());
  for (float& g : gran) g = gauss(rng);
  Blur(gran, w, h, 1.0);
  const float granScale = static_cast<float>(sc.granulation / 0.282);
  // The chromosphere's mottle: cells several times larger, and in Ca II K
  // bright only (the network).
  std::vector<float> mottle;
  float mottleScale = 0;
  if (sc.mottle > 0) {
    mottle.resize(near.size());
    for (float& g : mottle) g = gauss(rng);
    const double cell = std::max(2.0, 2.5 * sc.rk_px / 450);
    Blur(mottle, w, h, cell);
    mottleScale = static_cast<float>(sc.mottle * 2 * std::sqrt(kPiExact) * cell);
    if (sc.light == WlLight::CaK)
      for (float& g : mottle) g = std::max(0.0f, g * mottleScale) * 1.6f / mottleScale;
  }
  const double tiltA = std::uniform_real_distribution<double>(0, 2 * kPiExact)(rng);
  constexpr int kSub = 4;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      const double dx = x - t.x0_px, dy = y - t.y0_px;
      const double r = std::sqrt(dx * dx + dy * dy);
      double disc = 0, lev = 0;
      if (r < t.rk_px - 1 && !near[i]) {
        const double rho = r / t.rk_px;
        disc = LimbDarkening(std::sqrt(1 - rho * rho), sc.light);
        lev = 1;
      } else if (r < t.rk_px + 1) {
        // Sub-pixels for the limb's edge and the features.
        double sum = 0, cover = 0;
        for (int a = 0; a < kSub; ++a)
          for (int b = 0; b < kSub; ++b) {
            const double sx = x + (a + 0.5) / kSub - 0.5, sy = y + (b + 0.5) / kSub - 0.5;
            const double rr = std::hypot(sx - t.x0_px, sy - t.y0_px);
            if (rr >= t.rk_px) continue;
            const double rho = rr / t.rk_px;
            const double ld = LimbDarkening(std::sqrt(1 - rho * rho), sc.light);
            double l = 1;
            if (near[i]) {
              Vec v;
              if (sphere.At(sx, sy, v)) l = level(v, tileNear[static_cast<std::size_t>((y / kTile) * tnx + x / kTile)]);
            }
            sum += ld * l;
            cover += ld;
          }
        disc = sum / (kSub * kSub);
        lev = cover > 0 ? sum / cover : 1;
      }
      const double tilt = 1 + sc.vignetting * (((x - w / 2.0) / w) * std::cos(tiltA) + ((y - h / 2.0) / h) * std::sin(tiltA)) -
                          0.5 * sc.vignetting * (dx * dx + dy * dy) / (t.rk_px * t.rk_px);
      double texture = granScale * gran[i];
      if (!mottle.empty()) texture += mottleScale * mottle[i];
      const double g = disc > 0 ? disc * (1 + texture * (0.5 + 0.5 * std::min(lev, 1.0))) : 0.0;
      img[i] = static_cast<float>(tilt * (sc.skyGrey + (sc.centreGrey - sc.skyGrey) * g));
    }
  }
  Blur(img, w, h, sc.blur_px);
  out.grey.resize(img.size());
  const float nsig = static_cast<float>(sc.noise * sc.centreGrey);
  for (std::size_t i = 0; i < img.size(); ++i)
    out.grey[i] = static_cast<std::uint8_t>(std::clamp(std::lround(img[i] + nsig * gauss(rng)), 0L, 255L));
  if (sc.jpegQuality > 0) out.grey = JpegRoundTrip(out.grey, w, h, sc.jpegQuality);

  // The truth: exact caps; shared penumbrae measured on the sphere.
  WlTruth& tr = out.truth;
  std::vector<int> indexInGroup(sc.spots.size(), 0);
  for (std::size_t i = 0; i < sc.spots.size(); ++i) {
    const WlSpot& s = sc.spots[i];
    WlSpotTruth st;
    st.group = s.group;
    int n = 0;
    for (std::size_t j = 0; j <= i; ++j) n += sc.spots[j].group == s.group;
    st.index = n;
    st.B_deg = s.B_deg;
    st.L_deg = s.L_deg;
    st.CMD_deg = Cmd(t, s.L_deg);
    st.x_px = t.spots[i].x_px;
    st.y_px = t.spots[i].y_px;
    st.mu = MuOf(t, s.B_deg, s.L_deg);
    st.umbra_msh = 1e6 * (1 - std::cos(s.umbra_deg * kR));
    st.area_msh = 1e6 * (1 - std::cos(s.penumbra_deg * kR));
    st.shared = s.compound >= 0;
    tr.spots.push_back(st);
  }
  // Shared penumbrae: the union's points to their nearest umbra centre.
  for (std::size_t i = 0; i < sc.spots.size(); ++i) {
    if (sc.spots[i].compound < 0) continue;
    bool first = true;
    for (std::size_t j = 0; j < i; ++j) first = first && sc.spots[j].compound != sc.spots[i].compound;
    if (!first) continue;
    std::vector<std::size_t> mem;
    for (std::size_t j = 0; j < sc.spots.size(); ++j)
      if (sc.spots[j].compound == sc.spots[i].compound) mem.push_back(j);
    std::vector<double> area(mem.size(), 0.0);
    // A grid in the tangent plane at the first member (small angles: exact
    // to a few parts in ten thousand).
    const Vec c = feats[mem[0]].c;
    const double cm = std::atan2(c.x, c.z), b = std::asin(c.y);
    const Vec e{std::cos(cm), 0, -std::sin(cm)};
    const Vec nn{-std::sin(b) * std::sin(cm), std::cos(b), -std::sin(b) * std::cos(cm)};
    const double reach = 2.2 * kR, step = 0.003 * kR;
    for (double u = -reach; u <= reach; u += step)
      for (double v = -reach; v <= reach; v += step) {
        Vec p{c.x + u * e.x + v * nn.x, c.y + u * e.y + v * nn.y, c.z + u * e.z + v * nn.z};
        const double len = std::sqrt(Dot(p, p));
        p = {p.x / len, p.y / len, p.z / len};
        bool inside = false;
        std::size_t best = 0;
        double bestD = -2;
        for (std::size_t m = 0; m < mem.size(); ++m) {
          const double d = Dot(p, feats[mem[m]].c);
          inside = inside || d >= feats[mem[m]].cosP;
          if (d > bestD) {
            bestD = d;
            best = m;
          }
        }
        // The cell's area on the sphere (gnomonic projection).
        if (inside) area[best] += step * step / (len * len * len);
      }
    for (std::size_t m = 0; m < mem.size(); ++m) tr.spots[mem[m]].area_msh = area[m] / (2 * kPiExact) * 1e6;
  }
  for (WlSpotTruth& st : tr.spots) st.area_px = st.area_msh * 2 * kPiExact * t.rk_px * t.rk_px * std::max(0.0, st.mu) / 1e6;
  for (const WlGroup& g : sc.groups) {
    WlGroupTruth gt;
    gt.name = g.name;
    gt.mcIntosh = g.mcIntosh;
    double wsum = 0;
    for (const WlSpotTruth& st : tr.spots) {
      if (st.group != g.name) continue;
      gt.spots += 1;
      gt.area_msh += st.area_msh;
      wsum += st.area_msh;
      gt.B_deg += st.area_msh * st.B_deg;
      gt.CMD_deg += st.area_msh * st.CMD_deg;
    }
    if (wsum > 0) {
      gt.B_deg /= wsum;
      gt.CMD_deg /= wsum;
    }
    gt.L_deg = std::fmod(t.eph.L0_deg + gt.CMD_deg + 720.0, 360.0);
    tr.groups.push_back(gt);
  }
  return out;
}

WlScene RandomScene(unsigned seed, int size, WlKind kind) {
  std::mt19937 rng(seed * 7919u + 17u);
  auto U = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  WlScene sc;
  sc.seed = seed;
  sc.width_px = sc.height_px = size;
  sc.rk_px = 0.44 * size * U(0.97, 1.03);
  sc.x0_px = (size - 1) / 2.0 + U(-0.02, 0.02) * size;
  sc.y0_px = (size - 1) / 2.0 + U(-0.02, 0.02) * size;
  sc.year = 2003 + static_cast<int>(U(0, 12));
  sc.month = 1 + static_cast<int>(U(0, 12)) % 12;
  sc.day = 1 + static_cast<int>(U(0, 28)) % 28;
  sc.hour = static_cast<int>(U(6, 16));
  sc.minute = static_cast<int>(U(0, 59));
  sc.northUp = U(0, 1) < 0.5;
  sc.orientation_deg = sc.northUp ? U(-5, 5) : U(0, 360);
  sc.blur_px = U(0.8, 1.5);
  sc.noise = U(0.003, 0.008);
  sc.granulation = U(0.015, 0.03);
  sc.vignetting = U(0.02, 0.08);
  sc.jpegQuality = static_cast<int>(U(85, 95));
  if (kind == WlKind::Drawing) {
    sc.drawing = true;
    sc.hatching = U(0, 1) < 0.5;
    sc.blur_px = U(0.5, 0.8);
    sc.noise = 0.01;
    sc.centreGrey = 255;
  }
  if (kind == WlKind::Clean) return sc;

  // The ephemeris, for keeping the groups on the visible side.
  const Ephemeris eph = ProgramEphemeris(sc.year, sc.month, sc.day, sc.hour + sc.minute / 60.0, sc.northUp);
  auto muOf = [&](double B, double cmd) {
    return std::sin(B * kR) * std::sin(eph.B0_deg * kR) + std::cos(B * kR) * std::cos(eph.B0_deg * kR) * std::cos(cmd * kR);
  };
  struct Centre {
    double B, C;
  };
  std::vector<Centre> centres;
  auto farFromOthers = [&](double B, double C, double apart) {
    for (const Centre& c : centres) {
      const double d = std::acos(std::clamp(std::sin(B * kR) * std::sin(c.B * kR) + std::cos(B * kR) * std::cos(c.B * kR) * std::cos((C - c.C) * kR), -1.0, 1.0)) / kR;
      if (d < apart) return false;
    }
    return true;
  };
  static const char* const kClasses[] = {"Axx", "Bxo", "Hsx", "Hhx", "Cso", "Dso", "Dao", "Dai"};
  const int nGroups = 4 + static_cast<int>(U(0, 4));
  int compound = 0;
  auto pore = [&](const std::string& g, double B, double C) {
    WlSpot s;
    s.group = g;
    s.B_deg = B;
    s.L_deg = eph.L0_deg + C;
    s.umbra_deg = s.penumbra_deg = U(0.2, 0.45);
    s.umbraLevel = s.penumbraLevel = U(0.45, 0.7);
    sc.spots.push_back(s);
  };
  auto spot = [&](const std::string& g, double B, double C, double u0, double u1, double p0, double p1) {
    WlSpot s;
    s.group = g;
    s.B_deg = B;
    s.L_deg = eph.L0_deg + C;
    s.umbra_deg = U(u0, u1);
    s.penumbra_deg = U(p0, p1);
    s.umbraLevel = U(0.15, 0.35);
    s.penumbraLevel = U(0.7, 0.82);
    sc.spots.push_back(s);
  };
  for (int g = 0; g < nGroups; ++g) {
    const std::string cls = kClasses[static_cast<int>(U(0, 8)) % 8];
    double B = 0, C = 0;
    bool placed = false;
    const bool limb = kind == WlKind::Limb && g == 0;
    for (int tries = 0; tries < 400 && !placed; ++tries) {
      B = U(8, 32) * (U(0, 1) < 0.5 ? -1 : 1);
      C = limb ? U(-84, -70) * (U(0, 1) < 0.5 ? -1 : 1) : U(-62, 62);
      // Each end of the group stays well on the disc.
      const bool seen = limb ? muOf(B, C) > 0.12 && muOf(B, C) < 0.3
                             : muOf(B, C - 5) > 0.35 && muOf(B, C + 5) > 0.35;
      placed = seen && farFromOthers(B, C, 15);
    }
    if (!placed) continue;
    centres.push_back({B, C});
    const std::string name = "T" + std::to_string(g + 1);
    const std::string use = limb ? std::string("Hsx") : cls;
    sc.groups.push_back({name, use});
    const double len = use == "Dai" ? U(5, 7) : U(4, 7);
    const double lead = C + len / 2, follow = C - len / 2;
    if (use == "Axx") {
      pore(name, B, C);
    } else if (use == "Bxo") {
      pore(name, B + U(-0.8, 0.8), lead);
      pore(name, B + U(-0.8, 0.8), follow);
    } else if (use == "Hsx") {
      spot(name, B, C, 0.25, 0.4, 0.7, 1.05);
    } else if (use == "Hhx") {
      spot(name, B, C, 0.5, 0.7, 1.45, 1.9);
    } else if (use == "Cso") {
      spot(name, B, lead, 0.25, 0.4, 0.7, 1.05);
      pore(name, B + U(-1, 1), follow);
      if (U(0, 1) < 0.5) pore(name, B + U(-1, 1), follow + U(1.4, 1.9));
    } else if (use == "Dso" || use == "Dai") {
      spot(name, B, lead, 0.25, 0.4, 0.7, 1.05);
      spot(name, B + U(-1, 1), follow - 0.5, 0.2, 0.3, 0.55, 0.75);
      if (use == "Dai") {
        // Between the ends, clear of both penumbrae.
        const double at = C + U(-1.5, -1.1);
        pore(name, B + U(-1, 1), at);
        pore(name, B + U(-1, 1), at + U(1.3, 1.6));
      }
    } else if (use == "Dao") {
      const double sep = U(0.85, 1.0), pa = U(0, kPiExact);
      for (int k = -1; k <= 1; k += 2) {
        spot(name, B + k * sep / 2 * std::sin(pa), lead + k * sep / 2 * std::cos(pa), 0.2, 0.28, 0.6, 0.7);
        sc.spots.back().compound = compound;
      }
      ++compound;
      spot(name, B + U(-1, 1), follow - 0.5, 0.2, 0.3, 0.55, 0.75);
    }
  }
  if (kind == WlKind::Drawing) {
    // An observer draws umbrae and pores large enough to see.
    for (WlSpot& s : sc.spots) {
      const bool pen = s.penumbra_deg > s.umbra_deg;
      s.umbra_deg = std::max(s.umbra_deg, 0.3);
      s.penumbra_deg = pen ? std::max(s.penumbra_deg, s.umbra_deg + 0.3) : s.umbra_deg;
    }
  }
  const bool chromosphere = kind == WlKind::HAlpha || kind == WlKind::CaK;
  if (chromosphere) {
    sc.light = kind == WlKind::HAlpha ? WlLight::HAlpha : WlLight::CaK;
    sc.mottle = kind == WlKind::HAlpha ? U(0.03, 0.05) : U(0.025, 0.04);
    sc.granulation = 0.01;
    // Umbrae less dark, penumbrae fainter than in white light.
    for (WlSpot& s : sc.spots) {
      const bool pen = s.penumbra_deg > s.umbra_deg;
      s.umbraLevel = kind == WlKind::HAlpha ? U(0.3, 0.45) : U(0.4, 0.55);
      s.penumbraLevel = pen ? U(0.8, 0.88) : s.umbraLevel;
    }
    // Each group in its plage, a patch of overlapping caps.
    for (std::size_t g = 0; g < centres.size(); ++g) {
      const int n = 3 + static_cast<int>(U(0, 3));
      for (int k = 0; k < n; ++k)
        sc.plages.push_back({centres[g].B + U(-2.5, 2.5), eph.L0_deg + centres[g].C + U(-4, 4), U(1.2, 3.0),
                             kind == WlKind::HAlpha ? U(1.08, 1.18) : U(1.25, 1.5)});
    }
  }
  if (kind == WlKind::Filaments || chromosphere) {
    const int count = kind == WlKind::CaK ? 2 : kind == WlKind::HAlpha ? 5 : 3;
    for (int f = 0; f < count; ++f) {
      for (int tries = 0; tries < 400; ++tries) {
        const double B = U(-45, 45), C = U(-50, 50);
        if (muOf(B, C) < 0.5 || !farFromOthers(B, C, chromosphere ? 22 : 16)) continue;
        WlFilament fl;
        fl.B_deg = B;
        fl.L_deg = eph.L0_deg + C;
        fl.length_deg = U(10, 18);
        fl.width_deg = U(0.5, 0.8);
        fl.angle_deg = U(0, 180);
        fl.level = U(0.72, 0.82);
        if (chromosphere) {
          // Sinuous, some broken in pieces; dark in H-alpha, faint in Ca II K.
          fl.length_deg = U(8, 25);
          fl.width_deg = U(0.5, 1.1);
          fl.curve_deg = U(-90, 90);
          fl.gap = U(0, 1) < 0.4;
          fl.level = kind == WlKind::HAlpha ? U(0.55, 0.75) : U(0.85, 0.92);
        }
        sc.filaments.push_back(fl);
        centres.push_back({B, C});
        break;
      }
    }
  }
  return sc;
}

std::string WlTruthCsv(const WlTruth& tr) {
  std::string s = "group,class,spot,x,y,B,CMD,L,mu,area_msh,umbra_msh,area_px,shared\r\n";
  for (const WlSpotTruth& st : tr.spots) {
    std::string cls;
    for (const WlGroupTruth& g : tr.groups)
      if (g.name == st.group) cls = g.mcIntosh;
    s += st.group + "," + cls + "," + std::to_string(st.index) + "," + NumberText(st.x_px) + "," + NumberText(st.y_px) +
         "," + NumberText(st.B_deg) + "," + NumberText(st.CMD_deg) + "," + NumberText(st.L_deg) + "," +
         NumberText(st.mu) + "," + NumberText(st.area_msh) + "," + NumberText(st.umbra_msh) + "," +
         NumberText(st.area_px) + "," + (st.shared ? "1" : "0") + "\r\n";
  }
  const Truth& t = tr.picture;
  s += "# x0=" + NumberText(t.x0_px) + " y0=" + NumberText(t.y0_px) + " rk=" + NumberText(t.rk_px) +
       " P=" + NumberText(t.eph.P_deg) + " B0=" + NumberText(t.eph.B0_deg) + " L0=" + NumberText(t.eph.L0_deg) +
       " rho0=" + NumberText(t.eph.rho0_AU) + " orientation=" + NumberText(t.orientation_deg) +
       " northup=" + (t.northUp ? "1" : "0") + "\r\n";
  return s;
}

void WriteWlTruth(const std::string& path, const WlTruth& truth) {
  std::ofstream f(path, std::ios::binary);
  const std::string text = WlTruthCsv(truth);
  f.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (!f) throw FileError(path + ": cannot be written");
}

namespace {

// The grey picture as JPEG bytes (baseline, one channel); throws
// std::runtime_error with libjpeg-turbo's reason.
std::vector<unsigned char> EncodeGreyJpeg(const std::vector<std::uint8_t>& grey, int w, int h, int quality) {
  tjhandle c = tjInitCompress();
  if (!c) throw std::runtime_error("libjpeg-turbo did not start");
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  if (tjCompress2(c, grey.data(), w, 0, h, TJPF_GRAY, &buf, &size, TJSAMP_GRAY, std::clamp(quality, 1, 100), 0) != 0) {
    const std::string why = tjGetErrorStr2(c);
    tjDestroy(c);
    tjFree(buf);
    throw std::runtime_error(why);
  }
  tjDestroy(c);
  std::vector<unsigned char> bytes(buf, buf + size);
  tjFree(buf);
  return bytes;
}

}  // namespace

std::vector<std::uint8_t> JpegRoundTrip(const std::vector<std::uint8_t>& grey, int w, int h, int quality) {
  std::vector<unsigned char> jpeg = EncodeGreyJpeg(grey, w, h, quality);
  std::vector<std::uint8_t> out(grey.size());
  tjhandle d = tjInitDecompress();
  if (!d) throw std::runtime_error("JPEG decompression failed: libjpeg-turbo did not start");
  const int rc = tjDecompress2(d, jpeg.data(), static_cast<unsigned long>(jpeg.size()), out.data(), w, 0, h, TJPF_GRAY, 0);
  tjDestroy(d);
  if (rc != 0) throw std::runtime_error("JPEG decompression failed");
  return out;
}

bool WriteGreyJpeg(const std::string& path, const std::vector<std::uint8_t>& grey, int w, int h, int quality,
                   std::string& error) {
  std::vector<unsigned char> jpeg;
  try {
    jpeg = EncodeGreyJpeg(grey, w, h, quality);
  } catch (const std::runtime_error& e) {
    error = e.what();
    return false;
  }
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
  if (!f) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace pelorin::gen
