#include "calibration/LimbDetect.h"

#include "base/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace pelorin {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kScanLines = 80;      // rows, and as many columns, for the coarse circle
constexpr int kCandidatesPerLine = 8;
constexpr int kCoarseTrials = 2000;
constexpr int kRays = 360;
constexpr double kRayStep = 0.5;    // px between samples along a ray
constexpr int kMaxEntered = 72;
constexpr int kMinPoints = 12;
constexpr double kMinRadius = 8;

// Grey levels of the picture as it is shown.
class Grey {
 public:
  explicit Grey(const PicturePort& p) : pic_(p), w_(p.Width()), h_(p.Height()) {}
  int W() const { return w_; }
  int H() const { return h_; }
  // Pixel (x, y) inside the picture.
  double At(int x, int y) const {
    const std::int32_t c = pic_.Point(x, y);
    if (c < 0) return kNaN;
    const auto u = static_cast<std::uint32_t>(c);
    return ((u & 0xFFu) + ((u >> 8) & 0xFFu) + ((u >> 16) & 0xFFu)) / 3.0;
  }
  // Bilinear between pixel centres; NaN when a neighbour lies outside.
  double Sample(double x, double y) const {
    const double fx = std::floor(x), fy = std::floor(y);
    if (!(fx >= 0 && fy >= 0 && fx + 1 < w_ && fy + 1 < h_)) return kNaN;
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    const double ax = x - fx, ay = y - fy;
    const double a = At(ix, iy), b = At(ix + 1, iy), c = At(ix, iy + 1), d = At(ix + 1, iy + 1);
    return (a * (1 - ax) + b * ax) * (1 - ay) + (c * (1 - ax) + d * ax) * ay;
  }

 private:
  const PicturePort& pic_;
  int w_, h_;
};

struct Circle {
  double x = 0, y = 0, r = 0;
};

// An edge crossed by a scan line: where it is and which way it faces.
struct Candidate {
  double x, y;
  double nx, ny;  // unit gradient
};

// The circle through three points; false when they are (nearly) collinear.
bool ThroughThree(double x1, double y1, double x2, double y2, double x3, double y3, Circle& c) {
  const double bx = x2 - x1, by = y2 - y1, cx = x3 - x1, cy = y3 - y1;
  const double d = 2 * (bx * cy - by * cx);
  if (std::fabs(d) < 1e-9) return false;
  const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
  const double ux = (cy * b2 - by * c2) / d, uy = (bx * c2 - cx * b2) / d;
  c = {x1 + ux, y1 + uy, std::hypot(ux, uy)};
  return std::isfinite(c.r);
}

// Algebraic least-squares circle through the points (about their mean, so
// large coordinates keep their precision); false when they fix no circle.
template <class GetX, class GetY>
bool FitCircle(std::size_t n, GetX gx, GetY gy, Circle& out) {
  if (n < 3) return false;
  double mx = 0, my = 0;
  for (std::size_t i = 0; i < n; ++i) {
    mx += gx(i);
    my += gy(i);
  }
  mx /= static_cast<double>(n);
  my /= static_cast<double>(n);
  double suu = 0, svv = 0, suv = 0, suuu = 0, svvv = 0, suvv = 0, svuu = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const double u = gx(i) - mx, v = gy(i) - my;
    suu += u * u;
    svv += v * v;
    suv += u * v;
    suuu += u * u * u;
    svvv += v * v * v;
    suvv += u * v * v;
    svuu += v * u * u;
  }
  const double det = suu * svv - suv * suv;
  if (!(std::fabs(det) > 1e-12 * (suu * svv + 1e-300))) return false;
  const double r1 = 0.5 * (suuu + suvv), r2 = 0.5 * (svvv + svuu);
  const double uc = (r1 * svv - r2 * suv) / det, vc = (r2 * suu - r1 * suv) / det;
  const double r = std::sqrt(uc * uc + vc * vc + (suu + svv) / static_cast<double>(n));
  out = {uc + mx, vc + my, r};
  return std::isfinite(r) && r > 0;
}

// A circle the picture can hold as a solar disc: a radius of at least 8 px
// and at most the longer side, the centre no further out than half the
// radius beyond the picture.
bool Plausible(const Circle& c, int w, int h) {
  const double maxR = std::max(w, h);
  return c.r >= kMinRadius && c.r <= maxR && c.x >= -0.5 * c.r && c.x <= w - 1 + 0.5 * c.r && c.y >= -0.5 * c.r &&
         c.y <= h - 1 + 0.5 * c.r;
}

// --- Coarse circle ---------------------------------------------------------

// The strongest edges along one scan line of `n` grey values starting at
// (x0, y0) in steps (dx, dy).
void LineCandidates(const Grey& g, int x0, int y0, int dx, int dy, int n, std::vector<Candidate>& out) {
  if (n < 8) return;
  std::vector<double> raw(static_cast<std::size_t>(n)), s(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) raw[static_cast<std::size_t>(i)] = g.At(x0 + i * dx, y0 + i * dy);
  for (int i = 0; i < n; ++i) {
    const auto at = [&](int k) { return raw[static_cast<std::size_t>(std::clamp(k, 0, n - 1))]; };
    s[static_cast<std::size_t>(i)] = (at(i - 1) + 2 * at(i) + at(i + 1)) / 4;
  }
  // Gradient over four pixels; its noise level from the median magnitude.
  std::vector<double> grad(static_cast<std::size_t>(n), 0.0), mags;
  for (int i = 2; i + 2 < n; ++i) {
    grad[static_cast<std::size_t>(i)] = (s[static_cast<std::size_t>(i + 2)] - s[static_cast<std::size_t>(i - 2)]) / 4;
    mags.push_back(std::fabs(grad[static_cast<std::size_t>(i)]));
  }
  const double threshold = std::max(3.0, 4.5 * UpperMedianOf(mags));
  struct Peak {
    double pos, mag;
  };
  std::vector<Peak> peaks;
  for (int i = 3; i + 3 < n; ++i) {
    const double m = std::fabs(grad[static_cast<std::size_t>(i)]);
    const double l = std::fabs(grad[static_cast<std::size_t>(i - 1)]), r = std::fabs(grad[static_cast<std::size_t>(i + 1)]);
    if (m < threshold || m < l || m <= r) continue;
    const double den = l - 2 * m + r;
    const double off = den < 0 ? std::clamp(0.5 * (l - r) / den, -0.5, 0.5) : 0.0;
    peaks.push_back({i + off, m});
  }
  std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.mag > b.mag; });
  if (peaks.size() > kCandidatesPerLine) peaks.resize(kCandidatesPerLine);
  for (const Peak& p : peaks) {
    const int i = static_cast<int>(std::lround(p.pos));
    const int x = x0 + i * dx, y = y0 + i * dy;
    // The gradient across the line, from the pixels two away on either side.
    const int ax = dy, ay = dx;  // across the scan line
    const auto across = [&](int k) {
      double sum = 0, wsum = 0;
      for (int t = -1; t <= 1; ++t) {
        const double v = g.At(x + k * ax + t * dx, y + k * ay + t * dy);
        if (std::isnan(v)) continue;
        const double wt = t == 0 ? 2 : 1;
        sum += wt * v;
        wsum += wt;
      }
      return wsum > 0 ? sum / wsum : kNaN;
    };
    const double plus = across(2), minus = across(-2);
    const double along = grad[static_cast<std::size_t>(i)];
    const double acrossGrad = std::isnan(plus) || std::isnan(minus) ? 0.0 : (plus - minus) / 4;
    const double gx = dx != 0 ? along : acrossGrad, gy = dx != 0 ? acrossGrad : along;
    const double len = std::hypot(gx, gy);
    if (!(len > 0)) continue;
    out.push_back({x0 + p.pos * dx, y0 + p.pos * dy, gx / len, gy / len});
  }
}

// How many of the candidates lie on the circle, facing its centre.
template <class F>
int Consensus(const std::vector<Candidate>& cands, const Circle& c, double tol, F&& each) {
  int count = 0;
  for (const Candidate& k : cands) {
    const double dx = k.x - c.x, dy = k.y - c.y, d = std::hypot(dx, dy);
    if (!(std::fabs(d - c.r) <= tol) || d <= 0) continue;
    if (std::fabs((dx * k.nx + dy * k.ny) / d) < 0.85) continue;
    ++count;
    each(k);
  }
  return count;
}

// How many times the scan lines cross the circle inside the picture.
int ExpectedCrossings(const Circle& c, int w, int h) {
  int n = 0;
  const auto count = [&](double centre, double other, int length, double at) {
    const double d = at - other;
    if (std::fabs(d) >= c.r) return;
    const double half = std::sqrt(c.r * c.r - d * d);
    for (double p : {centre - half, centre + half})
      if (p >= 2 && p <= length - 3) ++n;
  };
  for (int k = 0; k < kScanLines; ++k) {
    count(c.x, c.y, w, (k + 0.5) * h / kScanLines);
    count(c.y, c.x, h, (k + 0.5) * w / kScanLines);
  }
  return n;
}

bool CoarseCircle(const Grey& g, Circle& best) {
  const int w = g.W(), h = g.H();
  std::vector<Candidate> cands;
  for (int k = 0; k < kScanLines; ++k) {
    LineCandidates(g, 0, static_cast<int>((k + 0.5) * h / kScanLines), 1, 0, w, cands);
    LineCandidates(g, static_cast<int>((k + 0.5) * w / kScanLines), 0, 0, 1, h, cands);
  }
  if (cands.size() < 3) return false;
  std::mt19937 rng(12345);
  std::uniform_int_distribution<std::size_t> pick(0, cands.size() - 1);
  int bestCount = 0;
  for (int trial = 0; trial < kCoarseTrials; ++trial) {
    const Candidate &a = cands[pick(rng)], &b = cands[pick(rng)], &c = cands[pick(rng)];
    Circle circle;
    if (!ThroughThree(a.x, a.y, b.x, b.y, c.x, c.y, circle) || !Plausible(circle, w, h)) continue;
    bool facing = true;
    for (const Candidate* k : {&a, &b, &c}) {
      const double dx = k->x - circle.x, dy = k->y - circle.y;
      if (std::fabs((dx * k->nx + dy * k->ny) / circle.r) < 0.85) facing = false;
    }
    if (!facing) continue;
    const int n = Consensus(cands, circle, std::max(2.0, 0.005 * circle.r), [](const Candidate&) {});
    if (n > bestCount) {
      bestCount = n;
      best = circle;
    }
  }
  if (bestCount < 6) return false;
  // Least squares on the agreeing edges, twice, narrowing the band.
  for (int pass = 0; pass < 3; ++pass) {
    std::vector<Candidate> in;
    Consensus(cands, best, std::max(2.0, 0.005 * best.r), [&](const Candidate& k) { in.push_back(k); });
    Circle fitted;
    if (in.size() < 6 ||
        !FitCircle(in.size(), [&](std::size_t i) { return in[i].x; }, [&](std::size_t i) { return in[i].y; }, fitted) ||
        !Plausible(fitted, w, h))
      break;
    best = fitted;
  }
  std::vector<Candidate> in;
  Consensus(cands, best, std::max(2.0, 0.005 * best.r), [&](const Candidate& k) { in.push_back(k); });
  const int expected = ExpectedCrossings(best, w, h);
  return expected >= 4 && static_cast<double>(in.size()) >= std::max(6.0, 0.4 * expected);
}

// --- Edges along rays ------------------------------------------------------

enum class EdgeKind { Step, DarkLine, BrightLine };

struct Profile {
  double theta;
  double start;  // radius of the first sample
  std::vector<double> v;  // grey along the ray, kRayStep apart
};

// The grey levels along the ray at `theta` from r - half to r + half, cut to
// the longest run inside the picture; empty when less than 60 % is inside.
Profile RayProfile(const Grey& g, const Circle& c, double theta, double half) {
  Profile p{theta, 0, {}};
  const int n = static_cast<int>(2 * half / kRayStep) + 1;
  const double ct = std::cos(theta), st = std::sin(theta);
  std::vector<double> all(static_cast<std::size_t>(n));
  int bestStart = 0, bestLen = 0, runStart = 0;
  for (int k = 0; k < n; ++k) {
    const double r = c.r - half + k * kRayStep;
    all[static_cast<std::size_t>(k)] = g.Sample(c.x + r * ct, c.y - r * st);
    if (std::isnan(all[static_cast<std::size_t>(k)])) {
      runStart = k + 1;
    } else if (k - runStart + 1 > bestLen) {
      bestLen = k - runStart + 1;
      bestStart = runStart;
    }
  }
  if (bestLen < 0.6 * n) return p;
  p.start = c.r - half + bestStart * kRayStep;
  p.v.assign(all.begin() + bestStart, all.begin() + bestStart + bestLen);
  return p;
}

struct RayStats {
  double step, dark, bright, sign;  // |in - out|, depth below, height above, sign of in - out
  double in, out;                   // grey at the disc's end and at the sky's end
};

RayStats Stats(const std::vector<double>& v) {
  const std::size_t m = std::max<std::size_t>(2, v.size() * 15 / 100);
  double in = 0, out = 0;
  for (std::size_t k = 0; k < m; ++k) {
    in += v[k];
    out += v[v.size() - 1 - k];
  }
  in /= static_cast<double>(m);
  out /= static_cast<double>(m);
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  return {std::fabs(in - out), std::min(in, out) - *lo, *hi - std::max(in, out), in >= out ? 1.0 : -1.0, in, out};
}

// The edge radius on one profile, or NaN. `sign` (steps only): +1 when the
// disc side is brighter. `minStrength` rejects rays whose edge is much
// weaker than the picture's typical one; `strength` is this ray's.
double EdgeOnProfile(const Profile& p, EdgeKind kind, double sign, double minStrength, double& strength) {
  const std::vector<double>& v = p.v;
  const int n = static_cast<int>(v.size());
  if (n < 9) return kNaN;
  std::vector<double> s(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto at = [&](int k) { return v[static_cast<std::size_t>(std::clamp(k, 0, n - 1))]; };
    s[static_cast<std::size_t>(i)] = (at(i - 1) + 2 * at(i) + at(i + 1)) / 4;
  }
  if (kind == EdgeKind::Step) {
    // Steepest descent from the disc side, refined by a parabola.
    std::vector<double> d(static_cast<std::size_t>(n), 0.0);
    for (int i = 1; i + 1 < n; ++i)
      d[static_cast<std::size_t>(i)] = sign * (s[static_cast<std::size_t>(i - 1)] - s[static_cast<std::size_t>(i + 1)]);
    int k = 2;
    for (int i = 2; i + 2 < n; ++i)
      if (d[static_cast<std::size_t>(i)] > d[static_cast<std::size_t>(k)]) k = i;
    strength = d[static_cast<std::size_t>(k)];
    if (!(strength >= minStrength) || k < 2 || k + 2 >= n) return kNaN;
    const double l = d[static_cast<std::size_t>(k - 1)], m = d[static_cast<std::size_t>(k)], r = d[static_cast<std::size_t>(k + 1)];
    const double den = l - 2 * m + r;
    const double off = den < 0 ? std::clamp(0.5 * (l - r) / den, -0.5, 0.5) : 0.0;
    return p.start + (k + off) * kRayStep;
  }
  // A line: the centroid of its dip (or bump) below (above) the paper.
  const double lineSign = kind == EdgeKind::DarkLine ? 1.0 : -1.0;
  const double base = UpperMedianOf(s);
  int k = 0;
  for (int i = 1; i < n; ++i)
    if (lineSign * (base - s[static_cast<std::size_t>(i)]) > lineSign * (base - s[static_cast<std::size_t>(k)])) k = i;
  strength = lineSign * (base - s[static_cast<std::size_t>(k)]);
  if (!(strength >= minStrength) || k < 2 || k + 2 >= n) return kNaN;
  const double cut = 0.3 * strength;
  int a = k, b = k;
  while (a > 0 && lineSign * (base - v[static_cast<std::size_t>(a - 1)]) > cut) --a;
  while (b + 1 < n && lineSign * (base - v[static_cast<std::size_t>(b + 1)]) > cut) ++b;
  if (a == 0 || b == n - 1) return kNaN;  // the line runs out of the window: along the ray
  double sum = 0, wsum = 0;
  for (int i = a; i <= b; ++i) {
    const double wt = lineSign * (base - v[static_cast<std::size_t>(i)]) - cut;
    sum += wt * i;
    wsum += wt;
  }
  return wsum > 0 ? p.start + sum / wsum * kRayStep : kNaN;
}

struct RayEdge {
  double theta, r, x, y;
};

// The circle most ray edges agree on; `inliers` receives them. Starts from a
// consensus of three-edge circles, then rejects edges more than three robust
// deviations (at least 0.4 px) off the fitted circle until none changes.
bool RobustCircle(const std::vector<RayEdge>& edges, Circle& c, std::vector<RayEdge>& inliers,
                  double relTol = 0.002) {
  if (edges.size() < static_cast<std::size_t>(kMinPoints)) return false;
  std::mt19937 rng(777);
  std::uniform_int_distribution<std::size_t> pick(0, edges.size() - 1);
  const double tol = std::max(1.0, relTol * c.r);
  Circle best = c;
  int bestCount = -1;
  const auto count = [&](const Circle& k) {
    int n = 0;
    for (const RayEdge& e : edges)
      if (std::fabs(std::hypot(e.x - k.x, e.y - k.y) - k.r) <= tol) ++n;
    return n;
  };
  bestCount = count(best);
  for (int trial = 0; trial < 300; ++trial) {
    const RayEdge &a = edges[pick(rng)], &b = edges[pick(rng)], &d = edges[pick(rng)];
    Circle k;
    if (!ThroughThree(a.x, a.y, b.x, b.y, d.x, d.y, k) || std::fabs(k.r - c.r) > 0.1 * c.r) continue;
    const int n = count(k);
    if (n > bestCount) {
      bestCount = n;
      best = k;
    }
  }
  std::vector<char> keep(edges.size());
  for (std::size_t i = 0; i < edges.size(); ++i)
    keep[i] = std::fabs(std::hypot(edges[i].x - best.x, edges[i].y - best.y) - best.r) <= 2 * tol;
  Circle fit = best;
  for (int pass = 0; pass < 20; ++pass) {
    std::vector<const RayEdge*> in;
    for (std::size_t i = 0; i < edges.size(); ++i)
      if (keep[i]) in.push_back(&edges[i]);
    if (in.size() < static_cast<std::size_t>(kMinPoints)) return false;
    if (!FitCircle(in.size(), [&](std::size_t i) { return in[i]->x; }, [&](std::size_t i) { return in[i]->y; }, fit))
      return false;
    std::vector<double> res(edges.size()), absIn;
    for (std::size_t i = 0; i < edges.size(); ++i) {
      res[i] = std::hypot(edges[i].x - fit.x, edges[i].y - fit.y) - fit.r;
      if (keep[i]) absIn.push_back(std::fabs(res[i]));
    }
    const double limit = std::max(0.4, 3 * 1.4826 * UpperMedianOf(absIn));
    bool changed = false;
    for (std::size_t i = 0; i < edges.size(); ++i) {
      const char k = std::fabs(res[i]) <= limit;
      if (k != keep[i]) changed = true;
      keep[i] = k;
    }
    if (!changed) break;
  }
  inliers.clear();
  for (std::size_t i = 0; i < edges.size(); ++i)
    if (keep[i]) inliers.push_back(edges[i]);
  c = fit;
  return inliers.size() >= static_cast<std::size_t>(kMinPoints);
}


// --- A limb that is a bright ring (EUV) --------------------------------------
//
// On an EUV picture the limb is no step: the mottled disc brightens to a
// peak just outside the photosphere's limb, and the corona beyond it falls
// off softly over a fifth of the radius until the picture's stretch clips it
// to black, raggedly. The ring of that peak is what is found: first on a
// reduced picture, from the median grey in rings about centres searched
// near the lit part's; then the peak on each of 360 rays of the full
// picture.

// The picture reduced by `f` in each direction: each cell the mean of 2 x 2
// pixels spread over it (of every pixel when f is 1).
struct Reduced {
  int w = 0, h = 0, f = 1;
  std::vector<float> v;
  float At(int x, int y) const { return v[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)]; }
};

Reduced Reduce(const Grey& g, int maxSide) {
  Reduced r;
  r.f = std::max(1, (std::max(g.W(), g.H()) + maxSide - 1) / maxSide);
  r.w = g.W() / r.f;
  r.h = g.H() / r.f;
  r.v.assign(static_cast<std::size_t>(r.w) * static_cast<std::size_t>(r.h), 0.0f);
  const int step = std::max(1, r.f / 2);
  for (int y = 0; y < r.h; ++y)
    for (int x = 0; x < r.w; ++x) {
      double sum = 0;
      int n = 0;
      for (int j = step / 2; j < r.f; j += step)
        for (int i = step / 2; i < r.f; i += step) {
          const double v = g.At(x * r.f + i, y * r.f + j);
          if (std::isnan(v)) continue;
          sum += v;
          ++n;
        }
      r.v[static_cast<std::size_t>(y) * static_cast<std::size_t>(r.w) + static_cast<std::size_t>(x)] =
          n > 0 ? static_cast<float>(sum / n) : 0.0f;
    }
  return r;
}

double Percentile(std::vector<double> v, double f) {
  if (v.empty()) return 0;
  const auto at = v.begin() + static_cast<std::ptrdiff_t>(f * static_cast<double>(v.size() - 1));
  std::nth_element(v.begin(), at, v.end());
  return *at;
}

// The median grey in rings one cell wide about (cx, cy) on the reduced
// picture, out to `rMax` cells; rings with too few cells on the picture are
// NaN. `rings` is working space.
std::vector<double> RingMedians(const Reduced& r, double cx, double cy, int rMax,
                                std::vector<std::vector<double>>& rings) {
  rings.resize(static_cast<std::size_t>(rMax + 1));
  for (auto& ring : rings) ring.clear();
  for (int y = 0; y < r.h; ++y)
    for (int x = 0; x < r.w; ++x) {
      const auto k = static_cast<std::size_t>(std::lround(std::hypot(x - cx, y - cy)));
      if (k <= static_cast<std::size_t>(rMax)) rings[k].push_back(r.At(x, y));
    }
  std::vector<double> med(rings.size(), kNaN);
  for (std::size_t k = 0; k < rings.size(); ++k)
    if (rings[k].size() >= std::max<std::size_t>(6, k)) med[k] = UpperMedianOf(rings[k]);
  return med;
}

// The ring whose median is highest beyond `from` cells: its radius, and
// that median as the score (-1 when there is none).
int PeakRing(const std::vector<double>& med, int from, double& score) {
  int peak = -1;
  for (int k = from; k < static_cast<int>(med.size()); ++k)
    if (!std::isnan(med[static_cast<std::size_t>(k)]) &&
        (peak < 0 || med[static_cast<std::size_t>(k)] > med[static_cast<std::size_t>(peak)]))
      peak = k;
  score = peak < 0 ? -1 : med[static_cast<std::size_t>(peak)];
  return peak;
}

// The ring of a bright limb on the reduced picture: centre and radius in
// full picture pixels; false when the picture shows none (no lit region,
// no peak of the ring medians inside it, or a dark middle, as behind a
// coronagraph's occulter). The centre is where the ring medians peak
// highest: a median follows any stretch of the grey levels, so this holds
// for a JPEG's logarithmic stretch and for linear data alike.
bool BrightRing(const Reduced& r, Circle& out) {
  if (r.w < 32 || r.h < 32) return false;
  std::vector<double> all(r.v.begin(), r.v.end());
  const double sky = Percentile(all, 0.05), top = Percentile(all, 0.98);
  if (!(top - sky > 20)) return false;
  // The lit part: its centre, and the radius of a disc of its area.
  const double lit = sky + std::max(4.0, 0.05 * (top - sky));
  // A coarser picture, a quarter of the cells a side, for the search.
  Reduced coarse;
  coarse.f = 4;
  coarse.w = r.w / 4;
  coarse.h = r.h / 4;
  coarse.v.assign(static_cast<std::size_t>(coarse.w) * static_cast<std::size_t>(coarse.h), 0.0f);
  double sx = 0, sy = 0, n = 0;
  for (int y = 0; y < coarse.h; ++y)
    for (int x = 0; x < coarse.w; ++x) {
      float sum = 0;
      for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) sum += r.At(4 * x + i, 4 * y + j);
      coarse.v[static_cast<std::size_t>(y) * static_cast<std::size_t>(coarse.w) + static_cast<std::size_t>(x)] = sum / 16;
      if (sum / 16 > lit) {
        sx += x;
        sy += y;
        ++n;
      }
    }
  if (n < 30) return false;
  const double area = std::sqrt(n / kPiExact);
  const int rMax = static_cast<int>(std::min(1.5 * area, static_cast<double>(std::max(coarse.w, coarse.h))));
  const int from = std::max(3, static_cast<int>(0.3 * area));
  std::vector<std::vector<double>> rings;
  double cx = sx / n, cy = sy / n, best = -1;
  for (const auto& [reach, step] : {std::pair{0.25 * area, 0.125 * area}, std::pair{3.0, 1.0}, std::pair{0.75, 0.25}}) {
    const double bx = cx, by = cy;
    for (double dy = -reach; dy <= reach + 1e-9; dy += step)
      for (double dx = -reach; dx <= reach + 1e-9; dx += step) {
        double score = -1;
        PeakRing(RingMedians(coarse, bx + dx, by + dy, rMax, rings), from, score);
        if (score > best) {
          best = score;
          cx = bx + dx;
          cy = by + dy;
        }
      }
  }
  // The checks on the finer picture, about the centre found.
  const double fx = (cx + 0.5) * 4 - 0.5, fy = (cy + 0.5) * 4 - 0.5;
  const std::vector<double> med = RingMedians(r, fx, fy, 4 * rMax, rings);
  double P = 0;
  const int peak = PeakRing(med, 4 * from, P);
  if (peak < 12) return false;
  const double span = P - sky;
  if (!(span > 20)) return false;
  const auto medAt = [&](double k) {
    const auto i = static_cast<std::size_t>(std::lround(k));
    return i < med.size() ? med[i] : kNaN;
  };
  // Rising into the peak from the disc, falling off outside it (or off the
  // picture), and the disc filled: no dark hole in its middle.
  const double inside = medAt(0.85 * peak), outside = medAt(1.15 * peak);
  std::vector<double> middle;
  for (int k = static_cast<int>(0.1 * peak); k <= static_cast<int>(0.7 * peak); ++k)
    if (!std::isnan(med[static_cast<std::size_t>(k)])) middle.push_back(med[static_cast<std::size_t>(k)]);
  if (middle.empty() || !(inside <= P - 0.06 * span)) return false;
  if (!std::isnan(outside) && !(outside <= P - 0.08 * span)) return false;
  if (!(UpperMedianOf(middle) - sky >= 0.1 * span) || !(Percentile(middle, 0.1) - sky >= 0.04 * span)) return false;
  const double f = r.f;
  out = {(fx + 0.5) * f - 0.5, (fy + 0.5) * f - 0.5, peak * f};
  return true;
}

// The radius of the brightness peak on the ray at `theta` about `c`,
// between c.r - half and c.r + half: the grey averaged across the ray over
// 3 neighbouring rays 1.5 px apart and smoothed along it over about
// 0.006 c.r, its highest point refined by a parabola. NaN when the ray
// leaves the picture, or the peak stands less than `minRise` above the
// ray's ends or lies at one of them.
double PeakOnRay(const Grey& g, const Circle& c, double theta, double half, double minRise) {
  const double step = std::max(0.5, half / 100);
  const int n = static_cast<int>(2 * half / step) + 1;
  const double ct = std::cos(theta), st = std::sin(theta);
  std::vector<double> v(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double r = c.r - half + k * step;
    double sum = 0;
    for (int t = -1; t <= 1; ++t) {
      const double x = c.x + r * ct - 1.5 * t * st, y = c.y - r * st - 1.5 * t * ct;
      const double val = g.Sample(x, y);
      if (std::isnan(val)) return kNaN;
      sum += val;
    }
    v[static_cast<std::size_t>(k)] = sum / 3;
  }
  const int win = std::max(1, static_cast<int>(0.003 * c.r / step));
  std::vector<double> s(static_cast<std::size_t>(n));
  double run = 0;
  std::vector<double> prefix(static_cast<std::size_t>(n) + 1, 0.0);
  for (int k = 0; k < n; ++k) prefix[static_cast<std::size_t>(k) + 1] = run += v[static_cast<std::size_t>(k)];
  for (int k = 0; k < n; ++k) {
    const int a = std::max(0, k - win), b = std::min(n - 1, k + win);
    s[static_cast<std::size_t>(k)] = (prefix[static_cast<std::size_t>(b) + 1] - prefix[static_cast<std::size_t>(a)]) / (b - a + 1);
  }
  int k = 0;
  for (int i = 1; i < n; ++i)
    if (s[static_cast<std::size_t>(i)] > s[static_cast<std::size_t>(k)]) k = i;
  if (k <= win || k >= n - 1 - win) return kNaN;
  const double top = s[static_cast<std::size_t>(k)];
  if (!(top - s[static_cast<std::size_t>(n - 1)] >= minRise) || !(top - s[0] >= 0.3 * minRise)) return kNaN;
  const double l = s[static_cast<std::size_t>(k - 1)], r = s[static_cast<std::size_t>(k + 1)];
  const double den = l - 2 * top + r;
  const double off = den < 0 ? std::clamp(0.5 * (l - r) / den, -0.5, 0.5) : 0.0;
  return c.r - half + (k + off) * step;
}

// The limb of a bright ring: the peaks on 360 rays about the ring found on
// the reduced picture (within 6 % of its radius), then again about the
// circle they agree on (within 2.5 %).
bool BrightLimb(const Grey& g, Circle& c, std::vector<RayEdge>& inliers) {
  const Reduced reduced = Reduce(g, 256);
  if (!BrightRing(reduced, c)) return false;
  // The rise the ray peaks must show above the ray's outer end: 6 % of the
  // spread of the reduced picture's grey (5th to 98th percentile).
  std::vector<double> all(reduced.v.begin(), reduced.v.end());
  const double minRise = 0.06 * (Percentile(all, 0.98) - Percentile(all, 0.05));
  for (int pass = 0; pass < 2; ++pass) {
    const double half = pass == 0 ? 0.06 * c.r : 0.025 * c.r;
    std::vector<RayEdge> edges;
    int onPicture = 0;
    for (int k = 0; k < kRays; ++k) {
      const double theta = 2 * kPiExact * k / kRays;
      const double r = PeakOnRay(g, c, theta, half, minRise);
      const double xo = c.x + (c.r + half) * std::cos(theta), yo = c.y - (c.r + half) * std::sin(theta);
      const double xi = c.x + (c.r - half) * std::cos(theta), yi = c.y - (c.r - half) * std::sin(theta);
      if (xo >= 0 && yo >= 0 && xo <= g.W() - 1 && yo <= g.H() - 1 && xi >= 0 && yi >= 0 && xi <= g.W() - 1 &&
          yi <= g.H() - 1)
        ++onPicture;
      if (std::isnan(r)) continue;
      edges.push_back({theta, r, c.x + r * std::cos(theta), c.y - r * std::sin(theta)});
    }
    Circle fitted = c;
    if (!RobustCircle(edges, fitted, inliers, 0.004) || !Plausible(fitted, g.W(), g.H())) return false;
    if (static_cast<double>(inliers.size()) < 0.4 * std::max(onPicture, kMinPoints)) return false;
    if (std::hypot(fitted.x - c.x, fitted.y - c.y) > 0.1 * c.r || std::fabs(fitted.r - c.r) > 0.1 * c.r) return false;
    c = fitted;
  }
  return true;
}

// Whether the middle of a disc found by its edge is a disc's, judged from
// the median grey within 0.12 of the radius of its centre against the grey
// just inside the limb (`inside`) and the sky's (`outside`). Not when the
// middle is as dark (or bright) as the sky, within 30 % of the limb's step:
// the hole of a coronagraph's occulter inside its field of view. Nor when
// the disc is darker than its sky and flat, its middle within 10 % of the
// step of the grey inside its limb: the occulter itself, where a disc
// shows its limb darkening.
bool FilledMiddle(const Grey& g, const Circle& c, double inside, double outside) {
  std::vector<double> v;
  for (int j = -12; j <= 12; ++j)
    for (int i = -12; i <= 12; ++i) {
      if (i * i + j * j > 144) continue;
      const double x = c.x + c.r * 0.12 * i / 12, y = c.y + c.r * 0.12 * j / 12;
      if (x < 0 || y < 0 || x > g.W() - 1 || y > g.H() - 1) continue;
      v.push_back(g.At(static_cast<int>(x), static_cast<int>(y)));
    }
  if (v.size() < 20) return true;  // the middle is off the picture: nothing to judge
  const double mid = UpperMedianOf(v), dMid = mid - outside, dIn = inside - outside;
  if (std::fabs(dMid) < 0.3 * std::fabs(dIn)) return false;
  if (dMid < 0 && std::fabs(mid - inside) < 0.1 * std::fabs(dIn)) return false;
  return true;
}

// A header that names a coronagraph (INSTRUME, DETECTOR or TELESCOP) and
// gives no solar radius: a picture with the disc hidden behind an occulter.
bool CoronagraphHeader(const PictureHeader& h) {
  for (const char* k : {"RSUN_OBS", "RSUN_ARC", "RSUN", "SOLAR_R", "R_SUN"})
    if (h.Find(k) != nullptr) return false;
  for (const char* k : {"INSTRUME", "DETECTOR", "TELESCOP"}) {
    const std::string* v = h.Find(k);
    if (v == nullptr) continue;
    std::string u;
    for (char ch : *v) u += static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch);
    for (const char* name : {"LASCO", "COR1", "COR2", "METIS", "CCOR", "K-COR", "KCOR", "CODEX", "CORONAGRAPH"})
      if (u.find(name) != std::string::npos) return true;
    if (std::string(k) == "DETECTOR" && (u == "C1" || u == "C2" || u == "C3")) return true;
  }
  return false;
}

}  // namespace

LimbDetection DetectLimb(const PicturePort& picture) {
  LimbDetection out;
  const Grey g(picture);
  if (g.W() < 16 || g.H() < 16) return out;
  if (CoronagraphHeader(picture.Header())) return out;
  Circle c;
  std::vector<RayEdge> inliers;
  const auto found = [&]() {
    out.found = true;
    out.x0_px = c.x;
    out.y0_px = c.y;
    out.r_px = c.r;
    // Spread over the limb: every k-th edge in the order of the rays.
    const std::size_t n = inliers.size();
    const std::size_t take = std::min<std::size_t>(n, kMaxEntered);
    for (std::size_t i = 0; i < take; ++i) {
      const RayEdge& e = inliers[i * n / take];
      out.points.push_back({e.x, e.y});
    }
    return out;
  };
  if (BrightLimb(g, c, inliers)) return found();
  inliers.clear();
  if (!CoarseCircle(g, c)) return out;

  // The kind of edge, decided once from the typical ray of the first pass.
  EdgeKind kind = EdgeKind::Step;
  double sign = 1, minStrength = 0, inGrey = 0, outGrey = 0;
  for (int pass = 0; pass < 2; ++pass) {
    const double half = pass == 0 ? std::max(10.0, 0.02 * c.r) : std::max(6.0, 0.01 * c.r);
    std::vector<Profile> profiles;
    for (int k = 0; k < kRays; ++k) {
      Profile p = RayProfile(g, c, 2 * kPiExact * k / kRays, half);
      if (!p.v.empty()) profiles.push_back(std::move(p));
    }
    if (profiles.size() < static_cast<std::size_t>(kMinPoints)) return out;
    if (pass == 0) {
      std::vector<double> steps, darks, brights, signs, ins, outs;
      for (const Profile& p : profiles) {
        const RayStats st = Stats(p.v);
        steps.push_back(st.step);
        darks.push_back(st.dark);
        brights.push_back(st.bright);
        signs.push_back(st.sign);
        ins.push_back(st.in);
        outs.push_back(st.out);
      }
      const double step = UpperMedianOf(steps), dark = UpperMedianOf(darks), bright = UpperMedianOf(brights);
      inGrey = UpperMedianOf(ins);
      outGrey = UpperMedianOf(outs);
      if (dark > 2 * step && dark >= bright) {
        kind = EdgeKind::DarkLine;
        minStrength = 0.3 * dark;
      } else if (bright > 2 * step) {
        kind = EdgeKind::BrightLine;
        minStrength = 0.3 * bright;
      } else {
        sign = UpperMedianOf(signs) >= 0 ? 1 : -1;
        // Per sample pair of the smoothed profile, about a fifth of the
        // typical step spread over a few pixels.
        minStrength = 0.05 * step;
      }
      if (!(minStrength > 0)) return out;
    }
    std::vector<RayEdge> edges;
    for (const Profile& p : profiles) {
      double strength = 0;
      const double r = EdgeOnProfile(p, kind, sign, minStrength, strength);
      if (std::isnan(r)) continue;
      const double x = c.x + r * std::cos(p.theta), y = c.y - r * std::sin(p.theta);
      if (x < 0 || y < 0 || x > g.W() - 1 || y > g.H() - 1) continue;
      edges.push_back({p.theta, r, x, y});
    }
    Circle fitted = c;
    if (!RobustCircle(edges, fitted, inliers) || !Plausible(fitted, g.W(), g.H())) return out;
    if (static_cast<double>(inliers.size()) < 0.4 * static_cast<double>(profiles.size())) return out;
    c = fitted;
  }
  // A step round a dark middle is the edge of a coronagraph's field of view.
  if (kind == EdgeKind::Step && !FilledMiddle(g, c, inGrey, outGrey)) return out;
  return found();
}

}  // namespace pelorin
