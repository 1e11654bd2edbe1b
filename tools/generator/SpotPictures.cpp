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

// A stroke of `grey` from a to b with round ends, `halfWidth` px either
// side, over the picture (the covered share of each pixel from 4 x 4
// samples), walked along its longer axis so that a line across the whole
// picture stays cheap.
void InkStroke(std::vector<float>& img, int w, int h, double ax, double ay, double bx, double by, double halfWidth,
               double grey) {
  const double dx = bx - ax, dy = by - ay, len2 = dx * dx + dy * dy;
  if (len2 <= 0) return;
  const auto distance = [&](double x, double y) {
    const double f = std::clamp(((x - ax) * dx + (y - ay) * dy) / len2, 0.0, 1.0);
    return std::hypot(x - ax - f * dx, y - ay - f * dy);
  };
  const bool alongX = std::fabs(dx) >= std::fabs(dy);
  const double span = halfWidth / (std::sqrt((alongX ? dx * dx : dy * dy) / len2)) + 2;
  const int m0 = static_cast<int>(std::floor((alongX ? std::min(ax, bx) : std::min(ay, by)) - halfWidth - 1));
  const int m1 = static_cast<int>(std::ceil((alongX ? std::max(ax, bx) : std::max(ay, by)) + halfWidth + 1));
  constexpr int kSub = 4;
  for (int m = std::max(0, m0); m <= std::min((alongX ? w : h) - 1, m1); ++m) {
    const double f = std::clamp(alongX ? (m - ax) / dx : (m - ay) / dy, 0.0, 1.0);
    const double c = alongX ? ay + f * dy : ax + f * dx;
    for (int n = std::max(0, static_cast<int>(std::floor(c - span)));
         n <= std::min((alongX ? h : w) - 1, static_cast<int>(std::ceil(c + span))); ++n) {
      const int x = alongX ? m : n, y = alongX ? n : m;
      if (distance(x, y) > halfWidth + 1) continue;
      int inside = 0;
      for (int p = 0; p < kSub; ++p)
        for (int q = 0; q < kSub; ++q)
          inside += distance(x + (p + 0.5) / kSub - 0.5, y + (q + 0.5) / kSub - 0.5) <= halfWidth;
      if (inside == 0) continue;
      const double cover = inside / static_cast<double>(kSub * kSub);
      float& v = img[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)];
      v = static_cast<float>(std::min(static_cast<double>(v), v * (1 - cover) + grey * cover));
    }
  }
}

// What the pen leaves at one point of a spot's drawing: nothing, ink or
// grey.
enum class Mark { Paper, Ink, Grey };

// The mark of the spots at the sample (sx, sy) of the picture, on the
// sphere at v; line(k) is the pen's width there as an angle on the sphere
// across the edge of spot k.
template <class Line>
Mark SpotMark(const WlScene& sc, const std::vector<Feature>& feats, const Vec& v, double sx, double sy, Line&& line) {
  Mark mark = Mark::Paper;
  for (std::size_t k = 0; k < feats.size(); ++k) {
    const Feature& f = feats[k];
    const WlSpot& s = sc.spots[k];
    const double d = std::acos(std::clamp(Dot(v, f.c), -1.0, 1.0));
    const double ru = std::acos(f.cosU), rp = std::acos(f.cosP);
    if (d <= ru) return Mark::Ink;
    if (rp <= ru + 1e-9 || d > rp) continue;
    // The outline runs along the edge of the penumbra, of a shared one
    // along the edge of the whole, the pen's width on the picture.
    bool edge = d >= rp - line(k);
    for (std::size_t j = 0; j < feats.size() && edge && s.compound >= 0; ++j)
      if (j != k && sc.spots[j].compound == s.compound &&
          std::acos(std::clamp(Dot(v, feats[j].c), -1.0, 1.0)) < std::acos(feats[j].cosP) - line(j))
        edge = false;
    const WlPen pen = s.pen;
    if (edge && pen != WlPen::Grey) return Mark::Ink;
    if (pen == WlPen::Hatched) {
      const double a = s.hatchAngle_deg * kR;
      const double u = sx * std::cos(a) + sy * std::sin(a);
      if (u - s.hatchSpacing_px * std::floor(u / s.hatchSpacing_px) < sc.penWidth_px) return Mark::Ink;
    }
    if (pen == WlPen::GreyFill || pen == WlPen::Grey) mark = Mark::Grey;
  }
  return mark;
}

// The spots' ink and grey, modelled on the sphere, on the pixels near them.
void DrawSpots(const WlScene& sc, const Truth& t, const Sphere& sphere, const std::vector<Feature>& feats,
               const std::vector<std::uint8_t>& near, std::vector<float>& img) {
  const int w = t.width_px;
  constexpr int kSub = 4;
  for (int y = 0; y < t.height_px; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x);
      if (!near[i]) continue;
      int ink = 0, grey = 0;
      for (int a = 0; a < kSub; ++a)
        for (int b = 0; b < kSub; ++b) {
          const double sx = x + (a + 0.5) / kSub - 0.5, sy = y + (b + 0.5) / kSub - 0.5;
          Vec v;
          if (!sphere.At(sx, sy, v)) continue;
          // The pen's width as an angle: its px over how fast the angle
          // from the spot's centre grows across the picture there.
          const auto line = [&](std::size_t k) {
            Vec vx, vy;
            if (!sphere.At(sx + 0.25, sy, vx) || !sphere.At(sx, sy + 0.25, vy)) return sc.penWidth_px / t.rk_px;
            const double d = std::acos(std::clamp(Dot(v, feats[k].c), -1.0, 1.0));
            const double gx = (std::acos(std::clamp(Dot(vx, feats[k].c), -1.0, 1.0)) - d) / 0.25;
            const double gy = (std::acos(std::clamp(Dot(vy, feats[k].c), -1.0, 1.0)) - d) / 0.25;
            return sc.penWidth_px * std::max(std::hypot(gx, gy), 0.3 / t.rk_px);
          };
          const Mark m = SpotMark(sc, feats, v, sx, sy, line);
          ink += m == Mark::Ink;
          grey += m == Mark::Grey;
        }
      if (ink + grey == 0) continue;
      const double n = kSub * kSub;
      img[i] = static_cast<float>(img[i] * (n - ink - grey) / n + sc.inkGrey * ink / n + sc.penumbraGrey * grey / n);
    }
}

// The template's square grid inside the limb, turned by the scan's tilt,
// one line of each direction through the umbra of sc.gridThroughSpot.
void DrawGrid(const WlScene& sc, const Truth& t, std::vector<float>& img) {
  if (sc.gridStep_px <= 0) return;
  const double rk = t.rk_px - 3;
  for (int family = 0; family < 2; ++family) {
    const double a = (sc.tilt_deg + 90.0 * family) * kR;
    const double ux = std::cos(a), uy = std::sin(a), nx = -uy, ny = ux;
    double phase = 0;
    if (sc.gridThroughSpot >= 0 && static_cast<std::size_t>(sc.gridThroughSpot) < t.spots.size()) {
      const SpotTruth& s = t.spots[static_cast<std::size_t>(sc.gridThroughSpot)];
      phase = (s.x_px - t.x0_px) * nx + (s.y_px - t.y0_px) * ny;
    }
    const int k0 = static_cast<int>(std::ceil((-rk - phase) / sc.gridStep_px));
    for (int k = k0; phase + k * sc.gridStep_px < rk; ++k) {
      const double o = phase + k * sc.gridStep_px, half = std::sqrt(std::max(0.0, rk * rk - o * o));
      const double cx = t.x0_px + o * nx, cy = t.y0_px + o * ny;
      InkStroke(img, t.width_px, t.height_px, cx - half * ux, cy - half * uy, cx + half * ux, cy + half * uy,
                sc.penWidth_px / 2, sc.gridGrey);
    }
  }
}

// The drawn radius of a spot's penumbra across the disc's radius, px.
double DrawnRadius(const WlScene& sc, const Truth& t, std::size_t k) {
  return t.rk_px * std::sin(sc.spots[k].penumbra_deg * kR);
}

// Lines beside (or across) spots, each at its angle to the disc's radius
// through the spot, `gap_px` from the drawn edge (the penumbra's ellipse,
// foreshortened across the radius) along the line's normal.
void DrawLinesBy(const WlScene& sc, const Truth& t, std::vector<float>& img) {
  for (const WlLineBy& l : sc.linesBy) {
    if (l.spot < 0 || static_cast<std::size_t>(l.spot) >= t.spots.size()) continue;
    const SpotTruth& s = t.spots[static_cast<std::size_t>(l.spot)];
    double rx = s.x_px - t.x0_px, ry = s.y_px - t.y0_px;
    const double rl = std::hypot(rx, ry);
    const double mu = std::sqrt(std::max(0.0, 1 - (rl / t.rk_px) * (rl / t.rk_px)));
    rx = rl > 0 ? rx / rl : 1;
    ry = rl > 0 ? ry / rl : 0;
    const double a = l.angle_deg * kR;
    const double dx = rx * std::cos(a) - ry * std::sin(a), dy = rx * std::sin(a) + ry * std::cos(a);
    const double nx = -dy, ny = dx;  // the line's normal
    const double along = DrawnRadius(sc, t, static_cast<std::size_t>(l.spot));
    const double nr = nx * rx + ny * ry, nt = -nx * ry + ny * rx;
    const double edge = std::sqrt(along * along * nt * nt + along * mu * along * mu * nr * nr);
    const double off = edge + l.gap_px + sc.penWidth_px / 2;
    const double cx = s.x_px + nx * off, cy = s.y_px + ny * off;
    InkStroke(img, t.width_px, t.height_px, cx - l.halfLength_px * dx, cy - l.halfLength_px * dy,
              cx + l.halfLength_px * dx, cy + l.halfLength_px * dy, sc.penWidth_px / 2, sc.inkGrey);
  }
}

// Each boxed group's box, turned a little from the grid, and its number
// written by the box's corner as strokes.
void DrawBoxes(const WlScene& sc, const Truth& t, std::vector<float>& img) {
  for (const std::string& g : sc.boxed) {
    // Drawn by hand: a few degrees off the grid.
    const double a = (sc.tilt_deg + sc.boxTurn_deg) * kR, ux = std::cos(a), uy = std::sin(a);
    double u0 = 1e9, u1 = -1e9, v0 = 1e9, v1 = -1e9;
    for (std::size_t k = 0; k < sc.spots.size(); ++k) {
      if (sc.spots[k].group != g) continue;
      const double dx = t.spots[k].x_px, dy = t.spots[k].y_px, r = DrawnRadius(sc, t, k) + sc.boxMargin_px;
      const double u = dx * ux + dy * uy, v = -dx * uy + dy * ux;
      u0 = std::min(u0, u - r);
      u1 = std::max(u1, u + r);
      v0 = std::min(v0, v - r);
      v1 = std::max(v1, v + r);
    }
    if (u0 > u1) continue;
    const auto at = [&](double u, double v) { return std::pair<double, double>{u * ux - v * uy, u * uy + v * ux}; };
    const std::pair<double, double> c[4] = {at(u0, v0), at(u1, v0), at(u1, v1), at(u0, v1)};
    for (int k = 0; k < 4; ++k)
      InkStroke(img, t.width_px, t.height_px, c[k].first, c[k].second, c[(k + 1) % 4].first, c[(k + 1) % 4].second,
                sc.penWidth_px / 2, sc.inkGrey);
    // The number: a short bar for each unit and a stroke through them.
    int n = 0;
    for (char ch : g)
      if (ch >= '0' && ch <= '9') n = n * 10 + (ch - '0');
    n = std::clamp(n, 1, 6);
    for (int k = 0; k < n; ++k) {
      const auto p = at(u0 - 6 - 7.0 * k, v0 - 6), q = at(u0 - 6 - 7.0 * k, v0 - 20);
      InkStroke(img, t.width_px, t.height_px, p.first, p.second, q.first, q.second, sc.penWidth_px / 2, sc.inkGrey);
    }
    const auto p = at(u0 - 2, v0 - 8), q = at(u0 - 10 - 7.0 * n, v0 - 18);
    InkStroke(img, t.width_px, t.height_px, p.first, p.second, q.first, q.second, sc.penWidth_px / 2, sc.inkGrey);
  }
}

// The ink drawing: paper, limb circle, axes and letters from the drawing
// style; the template's grid; the spots; lines beside them and the
// observer's boxes; the paper's uneven light.
void DrawInk(const WlScene& sc, Scene base, const Truth& t, const Sphere& sphere, const std::vector<Feature>& feats,
             const std::vector<std::uint8_t>& near, std::vector<float>& img) {
  base.spots.clear();
  base.style = Style::Drawing;
  base.axisLines = true;
  base.labels = true;
  base.skyGrey = sc.centreGrey;
  const Rendered paper = Render(base);
  for (std::size_t i = 0; i < img.size(); ++i) img[i] = static_cast<float>(paper.argb[i] & 0xFFu);
  DrawGrid(sc, t, img);
  DrawSpots(sc, t, sphere, feats, near, img);
  DrawLinesBy(sc, t, img);
  DrawBoxes(sc, t, img);
  if (sc.paperShade > 0) {
    const int w = t.width_px, h = t.height_px;
    const double a = sc.tilt_deg * 7 * kR;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        img[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] *= static_cast<float>(
            1 + sc.paperShade * (((x - w / 2.0) / w) * std::cos(a) + ((y - h / 2.0) / h) * std::sin(a)));
  }
}

}  // namespace

std::vector<std::uint32_t> WlRendered::Argb() const {
  std::vector<std::uint32_t> out(grey.size());
  const auto channel = [](double v) { return static_cast<std::uint32_t>(std::clamp(std::lround(v), 0L, 255L)); };
  for (std::size_t i = 0; i < grey.size(); ++i)
    out[i] = 0xFF000000u | (channel(grey[i] * tintR) << 16) | (channel(grey[i] * tintG) << 8) | channel(grey[i] * tintB);
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
  out.tintR = sc.tintR;
  out.tintG = sc.tintG;
  out.tintB = sc.tintB;
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

namespace {

// A drawing's spots as an observer draws them (umbrae and pores large
// enough to see; each penumbra drawn one way, by the scene's seed: an
// outline, a grey-filled one, a hatched one, grey, or each its own way),
// and what else the sheet holds: the grid through one umbra, lines beside
// spots and pores and across a penumbra, the last group boxed.
void DrawingClutter(WlScene& sc, std::mt19937& rng) {
  auto U = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
  const int way = static_cast<int>(sc.seed % 5);
  static const WlPen kPens[] = {WlPen::Outline, WlPen::GreyFill, WlPen::Hatched, WlPen::Grey};
  std::vector<int> pores, spots;
  for (std::size_t k = 0; k < sc.spots.size(); ++k) {
    WlSpot& s = sc.spots[k];
    const bool pen = s.penumbra_deg > s.umbra_deg;
    s.umbra_deg = std::max(s.umbra_deg, 0.3);
    s.penumbra_deg = pen ? std::max({s.penumbra_deg, s.umbra_deg + 0.45, 2 * s.umbra_deg}) : s.umbra_deg;
    s.pen = kPens[way < 4 ? way : static_cast<int>(U(0, 4)) % 4];
    s.hatchSpacing_px = std::max(U(4, 9), sc.penWidth_px + 3);
    s.hatchAngle_deg = U(0, 180);
    // A shared penumbra is drawn one way.
    for (std::size_t j = 0; j < k; ++j)
      if (s.compound >= 0 && sc.spots[j].compound == s.compound) s.pen = sc.spots[j].pen;
    (pen ? spots : pores).push_back(static_cast<int>(k));
  }
  // Each line by a spot of its own, taken from the list.
  auto pick = [&](std::vector<int>& from) {
    const std::size_t k = static_cast<std::size_t>(U(0, 1) * static_cast<double>(from.size())) % from.size();
    const int spot = from[k];
    from.erase(from.begin() + static_cast<std::ptrdiff_t>(k));
    return spot;
  };
  if (!sc.spots.empty()) sc.gridThroughSpot = static_cast<int>(U(0, 1) * sc.spots.size()) % static_cast<int>(sc.spots.size());
  const double gaps[] = {U(2, 10), -0.5 * sc.penWidth_px, -U(3, 6)};  // beside, touching, across the edge
  for (double gap : gaps)
    if (!spots.empty()) sc.linesBy.push_back({pick(spots), gap, U(40, 80), U(-60, 60)});
  const double poreGaps[] = {U(2, 6), -0.5 * sc.penWidth_px};
  for (double gap : poreGaps)
    if (!pores.empty()) sc.linesBy.push_back({pick(pores), gap, U(40, 80), U(-60, 60)});
  if (!sc.groups.empty()) sc.boxed.push_back(sc.groups.back().name);
  sc.boxMargin_px = U(20, 35);
  sc.boxTurn_deg = U(2, 6) * (U(0, 1) < 0.5 ? -1 : 1);
}

}  // namespace

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
    // A scan of a drawing: pen and grey of the scan, a tinted paper lit a
    // little unevenly, the sheet a little tilted on the scanner.
    sc.drawing = true;
    sc.blur_px = U(0.5, 0.8);
    sc.noise = 0.01;
    sc.centreGrey = U(232, 250);
    sc.penWidth_px = U(1.2, 2.0);
    sc.inkGrey = U(15, 45);
    sc.penumbraGrey = sc.centreGrey * U(0.62, 0.8);
    if (sc.northUp) sc.orientation_deg = U(-1.5, 1.5);
    sc.tilt_deg = U(-1.5, 1.5);
    sc.gridStep_px = sc.rk_px * U(0.18, 0.3);
    sc.gridGrey = U(60, 140);
    sc.paperShade = U(0.02, 0.06);
    sc.tintG = U(0.95, 0.99);
    sc.tintB = U(0.86, 0.94);
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
    const bool limb = (kind == WlKind::Limb || kind == WlKind::Drawing) && g == 0;
    // On a drawing the group at the limb is one large spot whose penumbra
    // reaches almost to the drawn limb.
    const bool drawnLimb = limb && kind == WlKind::Drawing;
    // Its penumbra's edge 2 .. 6 px inside the drawn limb (1 - cos of the
    // angle left to the limb, times rk).
    const double limbPen = drawnLimb ? U(3.6, 4.2) : 0;
    const double limbMu = drawnLimb ? std::sin(limbPen * kR + std::sqrt(2 * U(2, 6) / sc.rk_px)) : 0;
    for (int tries = 0; tries < 400 && !placed; ++tries) {
      B = U(8, 32) * (U(0, 1) < 0.5 ? -1 : 1);
      C = limb ? U(-84, -70) * (U(0, 1) < 0.5 ? -1 : 1) : U(-62, 62);
      if (drawnLimb) {
        const double c = (limbMu - std::sin(B * kR) * std::sin(eph.B0_deg * kR)) / (std::cos(B * kR) * std::cos(eph.B0_deg * kR));
        if (std::fabs(c) >= 1) continue;
        C = std::acos(c) / kR * (U(0, 1) < 0.5 ? -1 : 1);
        placed = farFromOthers(B, C, 15);
        continue;
      }
      // Each end of the group stays well on the disc.
      const bool seen = limb ? muOf(B, C) > 0.12 && muOf(B, C) < 0.3
                             : muOf(B, C - 5) > 0.35 && muOf(B, C + 5) > 0.35;
      placed = seen && farFromOthers(B, C, 15);
    }
    if (!placed) continue;
    centres.push_back({B, C});
    const std::string name = "T" + std::to_string(g + 1);
    const bool touching = kind == WlKind::Drawing && g == 1;
    const std::string use = limb ? std::string(kind == WlKind::Drawing ? "Hhx" : "Hsx") : touching ? "Hax" : cls;
    sc.groups.push_back({name, use});
    const double len = use == "Dai" ? U(5, 7) : U(4, 7);
    const double lead = C + len / 2, follow = C - len / 2;
    if (drawnLimb) {
      spot(name, B, C, 1.4, 1.7, limbPen, limbPen);
    } else if (touching) {
      // Two spots whose drawn penumbrae touch (each its own).
      spot(name, B, C + 1, 0.3, 0.4, 0.8, 1.0);
      const double a = sc.spots.back().penumbra_deg;
      spot(name, B, C + 1, 0.3, 0.35, 0.65, 0.8);
      sc.spots.back().L_deg -= (a + sc.spots.back().penumbra_deg - 0.04) / std::cos(B * kR);
    } else if (use == "Axx") {
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
  if (kind == WlKind::Drawing) DrawingClutter(sc, rng);
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
