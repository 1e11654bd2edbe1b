// Finding spots: the quiet Sun fitted on the picture itself, the contrast
// picture, hysteresis thresholds tied to the quiet Sun's scatter, and each
// spot refined on its own levels so that seeing blur does not move its edge.
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <deque>
#include <functional>
#include <limits>
#include <numeric>
#include <queue>
#include <thread>

#include "base/Brightness.h"
#include "base/RasterPicture.h"
#include "geometry/Transform.h"
#include "spots/Spots.h"

namespace pelorin {

namespace {

constexpr double kPiD = 3.14159265358979323846;
// The quiet Sun is fitted from this mu inwards.
constexpr double kFitMuMin = 0.08;
// A spot too small for its penumbra to show as a plateau is taken to have
// one when a blurred umbra-in-penumbra model tells it this much better
// than a blurred pore (an F ratio of the two extra parameters).
constexpr double kPenumbraEvidence = 15;
// A dark region whose area is more than kFilamentThinness times its
// largest inscribed circle's, foreshortening taken out (a band about 2.5
// times as long as wide), is a filament unless an umbra darker than
// kUmbraCore lies in it (a sunspot group's long penumbra); one whose
// darkest part stays above kFaintCore is one from kFaintFilamentThinness
// (about 1.7 times). Round spots and pores stay near 1 .. 2.
constexpr double kFilamentThinness = 3.2, kUmbraCore = 0.45;
constexpr double kFaintFilamentThinness = 2.2, kFaintCore = 0.58;
// Degree of the polynomial in mu fitted to the annulus medians.
constexpr int kFitDegree = 3;

double Median(std::vector<float>& v) {
  if (v.empty()) return 0;
  const std::size_t mid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(mid), v.end());
  return v[mid];
}

// Solves the n x n system a x = b in place (Gaussian elimination with
// partial pivoting); false when singular.
bool Solve(std::vector<double>& a, std::vector<double>& b, int n) {
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(a[static_cast<std::size_t>(r * n + c)]) > std::fabs(a[static_cast<std::size_t>(p * n + c)])) p = r;
    if (std::fabs(a[static_cast<std::size_t>(p * n + c)]) < 1e-300) return false;
    if (p != c) {
      for (int k = 0; k < n; ++k) std::swap(a[static_cast<std::size_t>(p * n + k)], a[static_cast<std::size_t>(c * n + k)]);
      std::swap(b[static_cast<std::size_t>(p)], b[static_cast<std::size_t>(c)]);
    }
    for (int r = c + 1; r < n; ++r) {
      const double f = a[static_cast<std::size_t>(r * n + c)] / a[static_cast<std::size_t>(c * n + c)];
      for (int k = c; k < n; ++k) a[static_cast<std::size_t>(r * n + k)] -= f * a[static_cast<std::size_t>(c * n + k)];
      b[static_cast<std::size_t>(r)] -= f * b[static_cast<std::size_t>(c)];
    }
  }
  for (int r = n - 1; r >= 0; --r) {
    double s = b[static_cast<std::size_t>(r)];
    for (int k = r + 1; k < n; ++k) s -= a[static_cast<std::size_t>(r * n + k)] * b[static_cast<std::size_t>(k)];
    b[static_cast<std::size_t>(r)] = s / a[static_cast<std::size_t>(r * n + r)];
  }
  return true;
}

// Runs f(first, last) over [begin, end) split into `threads` bands.
void Parallel(int begin, int end, int threads, const std::function<void(int, int)>& f) {
  threads = std::clamp(threads, 1, 8);
  const int n = end - begin;
  if (threads == 1 || n < 64) {
    if (n > 0) f(begin, end);
    return;
  }
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) {
    const int a = begin + n * t / threads, b = begin + n * (t + 1) / threads;
    pool.emplace_back([&f, a, b] { f(a, b); });
  }
  f(begin, begin + n / threads);
  for (std::thread& th : pool) th.join();
}

}  // namespace

GreyPicture GreyOfArgb(int width, int height, const std::uint32_t* argb) {
  GreyPicture g;
  g.width = width;
  g.height = height;
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  g.value.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t c = argb[i];
    g.value[i] = static_cast<float>(((c >> 16) & 0xFFu) + ((c >> 8) & 0xFFu) + (c & 0xFFu)) / 3.0f;
  }
  return g;
}

GreyPicture GreyOfLevels(const DataLevels& levels) {
  GreyPicture g;
  g.width = levels.width;
  g.height = levels.height;
  g.value.resize(levels.level.size());
  const double step = (levels.high - levels.low) / std::max(1, static_cast<int>(kMaxLevel) - 1);
  for (std::size_t i = 0; i < levels.level.size(); ++i) {
    const std::uint16_t l = levels.level[i];
    g.value[i] = l == 0 ? 0.0f : static_cast<float>(levels.low + (l - 1) * step);
  }
  return g;
}

struct SpotFinder::Impl {
  // The picture, while Prepare runs.
  const GreyPicture* pic = nullptr;
  DiscCalibration cal;
  int threads = 2;
  int w = 0, h = 0;
  std::vector<double> poly;  // quiet Sun against mu
  // Tile surface of the light's unevenness (vignetting), tile centres at
  // (i + 0.5) * tile - 0.5.
  int tnx = 0, tny = 0;
  double tile = 1;
  std::vector<double> tiles;
  // Blurred limb: the factor by which the blurred disc falls below the
  // quiet Sun within a few sigma of the edge, at steps of 0.25 px inwards
  // from the fitted edge rk + limbOffset.
  std::vector<double> edgeFactor;
  double limbOffset = 0;
  double blur = 1, sigmaEff = 1;
  // An ink drawing on paper (the sky as bright as the disc).
  bool drawing = false;
  double maskRadius = 0;
  // Contrast and its 3 x 3 mean; every pixel written once by MakeContrast.
  std::vector<float, PixelAllocator<float>> C, Cs;
  double noise = 0.02, noiseS = 0.015;
  int yMin = 0, yMax = -1, xMin = 0, xMax = -1;

  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x); }
  double Mu(double x, double y) const {
    const double dx = x - cal.x0, dy = y - cal.y0;
    const double r2 = (dx * dx + dy * dy) / (cal.rk * cal.rk);
    return r2 >= 1 ? 0.0 : std::sqrt(1 - r2);
  }
  double Poly(double mu) const {
    double v = 0;
    for (int k = kFitDegree; k >= 0; --k) v = v * mu + poly[static_cast<std::size_t>(k)];
    return v;
  }
  double Tile(double x, double y) const {
    double fx = (x + 0.5) / tile - 0.5, fy = (y + 0.5) / tile - 0.5;
    fx = std::clamp(fx, 0.0, static_cast<double>(tnx - 1));
    fy = std::clamp(fy, 0.0, static_cast<double>(tny - 1));
    const int ix = std::min(static_cast<int>(fx), tnx - 1), iy = std::min(static_cast<int>(fy), tny - 1);
    const int jx = std::min(ix + 1, tnx - 1), jy = std::min(iy + 1, tny - 1);
    const double ax = fx - ix, ay = fy - iy;
    auto at = [&](int i, int j) { return tiles[static_cast<std::size_t>(j * tnx + i)]; };
    return (at(ix, iy) * (1 - ax) + at(jx, iy) * ax) * (1 - ay) + (at(ix, jy) * (1 - ax) + at(jx, jy) * ax) * ay;
  }
  double EdgeFactor(double r) const {
    const double t = (cal.rk + limbOffset - r) / 0.25;  // steps inwards from the edge
    if (edgeFactor.empty() || t >= static_cast<double>(edgeFactor.size() - 1)) return 1;
    if (t <= 0) return edgeFactor.front();
    const auto i = static_cast<std::size_t>(t);
    const double a = t - static_cast<double>(i);
    return edgeFactor[i] * (1 - a) + edgeFactor[i + 1] * a;
  }
  // The smallest box holding the pixels (indices y w + x), inclusive.
  void Bounds(const std::vector<int>& pixels, int& x0, int& y0, int& x1, int& y1) const {
    x0 = w;
    y0 = h;
    x1 = y1 = -1;
    for (int p : pixels) {
      x0 = std::min(x0, p % w);
      x1 = std::max(x1, p % w);
      y0 = std::min(y0, p / w);
      y1 = std::max(y1, p / w);
    }
  }
  double PixelWeightMsh(double x, double y) const {
    return 1e6 / (2 * kPiD * cal.rk * cal.rk * std::max(0.05, Mu(x, y)));
  }

  bool FitQuietSun(std::string& error);
  void FitTiles();
  void MeasureBlur();
  void MakeContrast();
  void MeasureNoise();
  bool LooksDrawn() const;
  bool Core(int x, int y) const;
  std::vector<FoundSpot> RefineDrawn(const std::vector<int>& core, int cluster) const;
  // The 8-connected ink cores (Core) reached from the core pixel `start`
  // (index y w + x), marked in `seen` (one byte a pixel).
  std::vector<int> FloodCore(int start, std::vector<std::uint8_t>& seen) const;
  std::vector<FoundSpot> Refine(const std::vector<int>& comp, const SpotSettings& st, double tLow, int cluster) const;
  std::vector<int> Flood(int seed, double level, std::vector<std::uint8_t>& seen) const;
  void Locate(FoundSpot& s) const {
    double B = 0, CMD = 0, L = 0;
    PixelToHeliographic(cal, s.x, s.y, cal.orientation, B, CMD, L);
    s.B = B;
    s.CMD = CMD;
    s.L = L;
    s.mu = Mu(s.x, s.y);
  }
};

bool SpotFinder::Impl::FitQuietSun(std::string& error) {
  constexpr int kBins = 46;
  std::vector<std::vector<float>> bins(kBins);
  std::vector<double> muSum(kBins, 0.0);
  const int step = std::max(1, static_cast<int>(cal.rk / 200));
  for (int y = yMin; y <= yMax; y += step)
    for (int x = xMin; x <= xMax; x += step) {
      const double mu = Mu(x, y);
      if (mu < kFitMuMin) continue;
      const int b = std::min(kBins - 1, static_cast<int>((mu - kFitMuMin) / (1 - kFitMuMin) * kBins));
      bins[static_cast<std::size_t>(b)].push_back(pic->value[Index(x, y)]);
      muSum[static_cast<std::size_t>(b)] += mu;
    }
  std::vector<double> bx, by, bw;
  for (int b = 0; b < kBins; ++b) {
    auto& v = bins[static_cast<std::size_t>(b)];
    if (v.size() < 15) continue;
    const double n = static_cast<double>(v.size());
    bx.push_back(muSum[static_cast<std::size_t>(b)] / n);
    by.push_back(Median(v));
    bw.push_back(std::sqrt(n));
  }
  if (bx.size() < 8) {
    error = "the disc is too small or lies off the picture";
    return false;
  }
  constexpr int n = kFitDegree + 1;
  std::vector<bool> use(bx.size(), true);
  for (int pass = 0; pass < 3; ++pass) {
    std::vector<double> a(n * n, 0.0), rhs(n, 0.0);
    for (std::size_t i = 0; i < bx.size(); ++i) {
      if (!use[i]) continue;
      double p[n];
      p[0] = 1;
      for (int k = 1; k < n; ++k) p[k] = p[k - 1] * bx[i];
      for (int r = 0; r < n; ++r) {
        rhs[static_cast<std::size_t>(r)] += bw[i] * p[r] * by[i];
        for (int c = 0; c < n; ++c) a[static_cast<std::size_t>(r * n + c)] += bw[i] * p[r] * p[c];
      }
    }
    if (!Solve(a, rhs, n)) {
      error = "the quiet Sun could not be fitted";
      return false;
    }
    poly = rhs;
    std::vector<float> res;
    for (std::size_t i = 0; i < bx.size(); ++i) res.push_back(static_cast<float>(std::fabs(by[i] / Poly(bx[i]) - 1)));
    std::vector<float> sorted = res;
    const double mad = std::max(1e-3, Median(sorted));
    for (std::size_t i = 0; i < bx.size(); ++i) use[i] = res[i] <= 4 * 1.4826 * mad;
  }
  if (!(Poly(1) > 0) || !(Poly(0.3) > 0)) {
    error = "there is no light on the disc";
    return false;
  }
  return true;
}

void SpotFinder::Impl::FitTiles() {
  tile = std::max(24.0, cal.rk / 5);
  tnx = std::max(1, static_cast<int>(std::ceil(w / tile)));
  tny = std::max(1, static_cast<int>(std::ceil(h / tile)));
  std::vector<double> t(static_cast<std::size_t>(tnx * tny), 0.0);
  std::vector<bool> ok(t.size(), false);
  const int step = std::max(1, static_cast<int>(tile / 24));
  std::vector<float> v;
  for (int j = 0; j < tny; ++j)
    for (int i = 0; i < tnx; ++i) {
      v.clear();
      const int x0 = static_cast<int>(i * tile), x1 = std::min(w, static_cast<int>((i + 1) * tile));
      const int y0 = static_cast<int>(j * tile), y1 = std::min(h, static_cast<int>((j + 1) * tile));
      for (int y = y0; y < y1; y += step)
        for (int x = x0; x < x1; x += step) {
          const double mu = Mu(x, y);
          if (mu < 0.15) continue;
          v.push_back(static_cast<float>(pic->value[Index(x, y)] / Poly(mu)));
        }
      if (v.size() >= 30) {
        t[static_cast<std::size_t>(j * tnx + i)] = Median(v);
        ok[static_cast<std::size_t>(j * tnx + i)] = true;
      }
    }
  if (std::none_of(ok.begin(), ok.end(), [](bool b) { return b; })) {
    tiles.assign(t.size(), 1.0);
    return;
  }
  // Tiles without enough disc take the mean of their known neighbours.
  for (bool changed = true; changed;) {
    changed = false;
    std::vector<bool> next = ok;
    std::vector<double> nt = t;
    for (int j = 0; j < tny; ++j)
      for (int i = 0; i < tnx; ++i) {
        if (ok[static_cast<std::size_t>(j * tnx + i)]) continue;
        double s = 0;
        int c = 0;
        for (int dj = -1; dj <= 1; ++dj)
          for (int di = -1; di <= 1; ++di) {
            const int a = i + di, b = j + dj;
            if (a < 0 || b < 0 || a >= tnx || b >= tny || !ok[static_cast<std::size_t>(b * tnx + a)]) continue;
            s += t[static_cast<std::size_t>(b * tnx + a)];
            ++c;
          }
        if (c > 0) {
          nt[static_cast<std::size_t>(j * tnx + i)] = s / c;
          next[static_cast<std::size_t>(j * tnx + i)] = true;
          changed = true;
        }
      }
    ok = next;
    t = nt;
  }
  // A 3 x 3 median keeps a large spot from darkening its tile.
  tiles = t;
  for (int j = 0; j < tny; ++j)
    for (int i = 0; i < tnx; ++i) {
      v.clear();
      for (int dj = -1; dj <= 1; ++dj)
        for (int di = -1; di <= 1; ++di) {
          const int a = i + di, b = j + dj;
          if (a < 0 || b < 0 || a >= tnx || b >= tny) continue;
          v.push_back(static_cast<float>(t[static_cast<std::size_t>(b * tnx + a)]));
        }
      tiles[static_cast<std::size_t>(j * tnx + i)] = Median(v);
    }
}

void SpotFinder::Impl::MeasureBlur() {
  // The median profile across the limb (observed over the fitted quiet
  // Sun's light), against the quiet Sun cut at an edge and blurred.
  constexpr double kStep = 0.25;
  constexpr double kIn = 14, kOut = 8;
  const int ns = static_cast<int>((kIn + kOut) / kStep) + 1;
  std::vector<std::vector<float>> samples(static_cast<std::size_t>(ns));
  const double rk = cal.rk;
  for (int a = 0; a < 360; a += 2) {
    const double ca = std::cos(a * kPiD / 180), sa = std::sin(a * kPiD / 180);
    for (int k = 0; k < ns; ++k) {
      const double r = rk - kIn + k * kStep;
      const double x = cal.x0 + r * ca, y = cal.y0 + r * sa;
      if (x < 0 || y < 0 || x > w - 1.001 || y > h - 1.001) continue;
      const int ix = static_cast<int>(x), iy = static_cast<int>(y);
      const double ax = x - ix, ay = y - iy;
      const double v = (pic->value[Index(ix, iy)] * (1 - ax) + pic->value[Index(ix + 1, iy)] * ax) * (1 - ay) +
                       (pic->value[Index(ix, iy + 1)] * (1 - ax) + pic->value[Index(ix + 1, iy + 1)] * ax) * ay;
      samples[static_cast<std::size_t>(k)].push_back(static_cast<float>(v / Tile(x, y)));
    }
  }
  std::vector<double> prof(static_cast<std::size_t>(ns));
  for (int k = 0; k < ns; ++k) {
    if (samples[static_cast<std::size_t>(k)].size() < 10) {
      blur = 1;
      return;
    }
    prof[static_cast<std::size_t>(k)] = Median(samples[static_cast<std::size_t>(k)]);
  }
  // The quiet Sun inside an edge at offset `off` (px outward from rk), on a
  // fine grid padded for the kernel.
  constexpr int kPad = 80;  // 20 px
  double best = std::numeric_limits<double>::infinity();
  double bestSigma = 1, bestOff = 0;
  std::vector<double> disc(static_cast<std::size_t>(ns + 2 * kPad)), sky(disc.size());
  std::vector<double> m1(static_cast<std::size_t>(ns)), m2(static_cast<std::size_t>(ns));
  // The squared misfit of the edge at `off` blurred by `sigma`, the disc's
  // and the sky's light fitted.
  auto misfit = [&](double off, double sigma) {
    for (std::size_t i = 0; i < disc.size(); ++i) {
      const double r = rk - kIn + (static_cast<double>(i) - kPad) * kStep;
      const double re = rk + off;
      const double rho = r / re;
      disc[i] = r < re ? Poly(std::sqrt(std::max(0.0, 1 - rho * rho))) : 0.0;
      sky[i] = r < re ? 0.0 : 1.0;
    }
    const int half = std::min(kPad, static_cast<int>(std::ceil(4 * sigma / kStep)));
    std::vector<double> g(static_cast<std::size_t>(2 * half + 1));
    double gs = 0;
    for (int k = -half; k <= half; ++k) gs += g[static_cast<std::size_t>(k + half)] = std::exp(-0.5 * std::pow(k * kStep / sigma, 2));
    double s11 = 0, s12 = 0, s22 = 0, t1 = 0, t2 = 0;
    for (int k = 0; k < ns; ++k) {
      double a1 = 0, a2 = 0;
      for (int j = -half; j <= half; ++j) {
        const std::size_t at = static_cast<std::size_t>(k + kPad + j);
        a1 += g[static_cast<std::size_t>(j + half)] * disc[at];
        a2 += g[static_cast<std::size_t>(j + half)] * sky[at];
      }
      const auto kk = static_cast<std::size_t>(k);
      m1[kk] = a1 / gs;
      m2[kk] = a2 / gs;
      s11 += m1[kk] * m1[kk];
      s12 += m1[kk] * m2[kk];
      s22 += m2[kk] * m2[kk];
      t1 += m1[kk] * prof[kk];
      t2 += m2[kk] * prof[kk];
    }
    const double det = s11 * s22 - s12 * s12;
    if (std::fabs(det) < 1e-12) return std::numeric_limits<double>::infinity();
    const double A = (t1 * s22 - t2 * s12) / det, Bs = (s11 * t2 - s12 * t1) / det;
    double ss = 0;
    for (int k = 0; k < ns; ++k) {
      const auto kk = static_cast<std::size_t>(k);
      const double d = prof[kk] - A * m1[kk] - Bs * m2[kk];
      ss += d * d;
    }
    return ss;
  };
  auto search = [&](double off0, double off1, double offStep, double s0, double s1, double sStep) {
    for (double off = off0; off <= off1 + 1e-9; off += offStep)
      for (double sigma = std::max(0.3, s0); sigma <= s1 + 1e-9; sigma += sStep) {
        const double ss = misfit(off, sigma);
        if (ss < best) {
          best = ss;
          bestSigma = sigma;
          bestOff = off;
        }
      }
  };
  search(-3, 3, 0.5, 0.3, 5.1, 0.3);
  search(bestOff - 0.5, bestOff + 0.5, 0.125, bestSigma - 0.3, bestSigma + 0.3, 0.05);
  blur = bestSigma;
  limbOffset = bestOff;
  // The factor by which the blurred disc falls short of the quiet Sun, from
  // the edge inwards over 6 sigma.
  const double re = rk + limbOffset;
  const int n = static_cast<int>(std::ceil(6 * blur / kStep)) + 2;
  const int half = static_cast<int>(std::ceil(4 * blur / kStep));
  edgeFactor.assign(static_cast<std::size_t>(n), 1.0);
  for (int k = 0; k < n; ++k) {
    const double r = re - k * kStep;
    double a = 0, gs = 0;
    for (int j = -half; j <= half; ++j) {
      const double rr = r + j * kStep;
      const double g = std::exp(-0.5 * std::pow(j * kStep / blur, 2));
      gs += g;
      const double rho = rr / re;
      if (rr < re) a += g * Poly(std::sqrt(std::max(0.0, 1 - rho * rho)));
    }
    const double rho = r / re;
    const double q = Poly(std::sqrt(std::max(0.0, 1 - rho * rho)));
    edgeFactor[static_cast<std::size_t>(k)] = q > 0 ? std::clamp(a / gs / q, 0.05, 1.0) : 1.0;
  }
}

void SpotFinder::Impl::MakeContrast() {
  // Left unset here: each band of rows is written whole by its own thread.
  C.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  Cs.resize(C.size());
  // On a drawing the drawn limb circle is left out.
  maskRadius = drawing ? cal.rk - std::max(5.0, 0.006 * cal.rk) : cal.rk + limbOffset - std::max(1.0, blur);
  const double mr2 = maskRadius * maskRadius;
  const double edgeFrom = maskRadius - 8 * blur;
  const double edge2 = edgeFrom > 0 ? edgeFrom * edgeFrom : 0.0;
  // The tile surface's interpolation along x, once for every column.
  std::vector<int> tix(static_cast<std::size_t>(w));
  std::vector<float> tax(static_cast<std::size_t>(w));
  for (int x = 0; x < w; ++x) {
    const double fx = std::clamp((x + 0.5) / tile - 0.5, 0.0, static_cast<double>(tnx - 1));
    const int ix = std::min(static_cast<int>(fx), std::max(0, tnx - 2));
    tix[static_cast<std::size_t>(x)] = ix;
    tax[static_cast<std::size_t>(x)] = static_cast<float>(tnx == 1 ? 0.0 : fx - ix);
  }
  const double inv = 1 / (cal.rk * cal.rk);
  const float p0 = static_cast<float>(poly[0]), p1 = static_cast<float>(poly[1]), p2 = static_cast<float>(poly[2]),
              p3 = static_cast<float>(poly[3]);
  Parallel(0, h, threads, [&](int a, int b) {
    std::vector<float> trow(static_cast<std::size_t>(tnx + 1));
    for (int y = a; y < b; ++y) {
      float* out = &C[Index(0, y)];
      const double dy = y - cal.y0;
      const double half2 = mr2 - dy * dy;
      if (half2 <= 0) {
        std::fill(out, out + w, 1.0f);
        continue;
      }
      const double half = std::sqrt(half2);
      const int xa = std::max(0, static_cast<int>(std::ceil(cal.x0 - half)));
      const int xb = std::min(w - 1, static_cast<int>(std::floor(cal.x0 + half)));
      std::fill(out, out + std::max(0, xa), 1.0f);
      if (xb + 1 < w) std::fill(out + std::max(0, xb + 1), out + w, 1.0f);
      if (xa > xb) continue;
      // The tile surface along this row.
      const double fy = std::clamp((y + 0.5) / tile - 0.5, 0.0, static_cast<double>(tny - 1));
      const int iy = std::min(static_cast<int>(fy), std::max(0, tny - 2));
      const int jy = std::min(iy + 1, tny - 1);
      const double ay = fy - iy;
      for (int i = 0; i < tnx; ++i)
        trow[static_cast<std::size_t>(i)] = static_cast<float>(tiles[static_cast<std::size_t>(iy * tnx + i)] * (1 - ay) +
                                                               tiles[static_cast<std::size_t>(jy * tnx + i)] * ay);
      trow[static_cast<std::size_t>(tnx)] = trow[static_cast<std::size_t>(tnx - 1)];
      const float* in = &pic->value[Index(0, y)];
      const float fdy2 = static_cast<float>(dy * dy * inv);
      for (int x = xa; x <= xb; ++x) {
        const float dx = static_cast<float>(x - cal.x0);
        const float mu = std::sqrt(std::max(0.0f, 1.0f - (dx * dx * static_cast<float>(inv) + fdy2)));
        const int ix = tix[static_cast<std::size_t>(x)];
        const float ax = tax[static_cast<std::size_t>(x)];
        float bg = ((p3 * mu + p2) * mu + p1) * mu + p0;
        bg *= trow[static_cast<std::size_t>(ix)] * (1 - ax) + trow[static_cast<std::size_t>(ix + 1)] * ax;
        const double r2 = dx * dx + dy * dy;
        if (r2 > edge2) bg *= static_cast<float>(EdgeFactor(std::sqrt(r2)));
        const float v = bg > 0 ? in[x] / bg : 1.0f;
        out[x] = std::clamp(v, 0.0f, 4.0f);
      }
    }
  });
  Parallel(0, h, threads, [&](int a, int b) {
    std::vector<float> row(static_cast<std::size_t>(w));
    const int xa = std::max(1, xMin - 1), xb = std::min(w - 2, xMax + 1);
    for (int y = a; y < b; ++y) {
      float* out = &Cs[Index(0, y)];
      if (y < yMin - 1 || y > yMax + 1 || xa > xb) {
        std::fill(out, out + w, 1.0f);
        continue;
      }
      std::fill(out, out + xa, 1.0f);
      std::fill(out + xb + 1, out + w, 1.0f);
      const float* r0 = &C[Index(0, std::max(0, y - 1))];
      const float* r1 = &C[Index(0, y)];
      const float* r2 = &C[Index(0, std::min(h - 1, y + 1))];
      for (int x = xa - 1; x <= xb + 1; ++x) row[static_cast<std::size_t>(x)] = r0[x] + r1[x] + r2[x];
      for (int x = xa; x <= xb; ++x)
        out[x] = (row[static_cast<std::size_t>(x - 1)] + row[static_cast<std::size_t>(x)] + row[static_cast<std::size_t>(x + 1)]) *
                 (1.0f / 9.0f);
    }
  });
}

void SpotFinder::Impl::MeasureNoise() {
  std::vector<float> a, b;
  const int step = std::max(1, static_cast<int>(cal.rk / 150));
  for (int y = yMin; y <= yMax; y += step)
    for (int x = xMin; x <= xMax; x += step)
      if (Mu(x, y) > 0.3) {
        a.push_back(std::fabs(C[Index(x, y)] - 1.0f));
        b.push_back(std::fabs(Cs[Index(x, y)] - 1.0f));
      }
  if (a.size() < 50) return;
  noise = std::max(0.002, 1.4826 * Median(a));
  noiseS = std::max(0.002, 1.4826 * Median(b));
}

std::vector<int> SpotFinder::Impl::Flood(int seed, double level, std::vector<std::uint8_t>& seen) const {
  std::vector<int> comp;
  std::vector<int> stack{seed};
  seen[static_cast<std::size_t>(seed)] = 1;
  while (!stack.empty()) {
    const int p = stack.back();
    stack.pop_back();
    comp.push_back(p);
    const int x = p % w, y = p / w;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int xx = x + dx, yy = y + dy;
        if (xx < 0 || yy < 0 || xx >= w || yy >= h) continue;
        const std::size_t q = Index(xx, yy);
        if (seen[q] || !(Cs[q] < level)) continue;
        seen[q] = 1;
        stack.push_back(static_cast<int>(q));
      }
    if (comp.size() > 4000000) break;
  }
  return comp;
}

namespace {

// Grid distances (8-connected steps) from the pixels where `src` is true,
// over the pixels where `pass` is true (all when empty); unreached: a large
// value.
std::vector<int> Distance(int bw, int bh, const std::vector<std::uint8_t>& src, const std::vector<std::uint8_t>& pass,
                          std::vector<int>* label = nullptr, const std::vector<int>* srcLabel = nullptr) {
  const int far = 1 << 28;
  std::vector<int> d(src.size(), far);
  std::deque<int> q;
  for (std::size_t i = 0; i < src.size(); ++i)
    if (src[i]) {
      d[i] = 0;
      q.push_back(static_cast<int>(i));
      if (label) (*label)[i] = (*srcLabel)[i];
    }
  while (!q.empty()) {
    const int p = q.front();
    q.pop_front();
    const int x = p % bw, y = p / bw;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int xx = x + dx, yy = y + dy;
        if (xx < 0 || yy < 0 || xx >= bw || yy >= bh) continue;
        const std::size_t n = static_cast<std::size_t>(yy * bw + xx);
        if (d[n] != far || (!pass.empty() && !pass[n])) continue;
        d[n] = d[static_cast<std::size_t>(p)] + 1;
        if (label) (*label)[n] = (*label)[static_cast<std::size_t>(p)];
        q.push_back(static_cast<int>(n));
      }
  }
  return d;
}

// Connected parts (8-connected) of `mask`: a label from 1 per pixel, 0
// outside; returns the number of parts.
int Label(int bw, int bh, const std::vector<std::uint8_t>& mask, std::vector<int>& lab, bool four = false) {
  lab.assign(mask.size(), 0);
  int n = 0;
  std::vector<int> stack;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (!mask[i] || lab[i]) continue;
    ++n;
    lab[i] = n;
    stack.push_back(static_cast<int>(i));
    while (!stack.empty()) {
      const int p = stack.back();
      stack.pop_back();
      const int x = p % bw, y = p / bw;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int xx = x + dx, yy = y + dy;
          if (xx < 0 || yy < 0 || xx >= bw || yy >= bh || (four && dx != 0 && dy != 0)) continue;
          const std::size_t q = static_cast<std::size_t>(yy * bw + xx);
          if (!mask[q] || lab[q]) continue;
          lab[q] = n;
          stack.push_back(static_cast<int>(q));
        }
    }
  }
  return n;
}

// Fits a blurred two-level model of a spot to the contrast `c` of its box:
// c = 1 - a G*P - b G*U, with G the seeing's Gaussian (sigma px), P the
// spot's pixels and U its umbra's (inside P; a pore has only P: b = 0).
// Starting from the masks given, pixels on the masks' edges are moved in or
// out while that brings the model closer to the picture, and the levels a
// and b are fitted again, a few times over. The masks' areas are then the
// spot's unblurred areas.
struct MaskFit {
  bool ok = false;
  double a = 0, b = 0;  // 1 - penumbra level; penumbra level - umbra level
  double sse = 0;       // squared residual left
};

MaskFit FitBlurredMasks(int bw, int bh, const std::vector<float>& c, const std::vector<std::uint8_t>& care,
                        double sigma, std::vector<std::uint8_t>& P, std::vector<std::uint8_t>& U, bool twoLevel) {
  MaskFit fit;
  const int R = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
  const int K = 2 * R + 1;
  std::vector<double> g1(static_cast<std::size_t>(K));
  double gs = 0;
  for (int k = -R; k <= R; ++k) gs += g1[static_cast<std::size_t>(k + R)] = std::exp(-0.5 * k * k / (sigma * sigma));
  for (double& v : g1) v /= gs;
  std::vector<double> G(static_cast<std::size_t>(K * K));
  for (int j = 0; j < K; ++j)
    for (int i = 0; i < K; ++i) G[static_cast<std::size_t>(j * K + i)] = g1[static_cast<std::size_t>(i)] * g1[static_cast<std::size_t>(j)];
  const std::size_t bn = c.size();
  auto blur = [&](const std::vector<std::uint8_t>& m, std::vector<double>& out) {
    std::vector<double> tmp(bn, 0.0);
    out.assign(bn, 0.0);
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) {
        if (!m[static_cast<std::size_t>(y * bw + x)]) continue;
        for (int k = -R; k <= R; ++k) {
          const int xx = x + k;
          if (xx >= 0 && xx < bw) tmp[static_cast<std::size_t>(y * bw + xx)] += g1[static_cast<std::size_t>(k + R)];
        }
      }
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) {
        const double v = tmp[static_cast<std::size_t>(y * bw + x)];
        if (v == 0) continue;
        for (int k = -R; k <= R; ++k) {
          const int yy = y + k;
          if (yy >= 0 && yy < bh) out[static_cast<std::size_t>(yy * bw + x)] += v * g1[static_cast<std::size_t>(k + R)];
        }
      }
  };
  double a = 0.2, b = 0.4;
  std::vector<double> gP, gU, r(bn);
  for (int outer = 0; outer < 4; ++outer) {
    blur(P, gP);
    if (twoLevel) blur(U, gU);
    else gU.assign(bn, 0.0);
    // Levels by least squares: 1 - c = a gP + b gU.
    double s11 = 0, s12 = 0, s22 = 0, t1 = 0, t2 = 0;
    for (std::size_t i = 0; i < bn; ++i) {
      if (!care[i]) continue;
      const double d = 1 - c[i];
      s11 += gP[i] * gP[i];
      s12 += gP[i] * gU[i];
      s22 += gU[i] * gU[i];
      t1 += gP[i] * d;
      t2 += gU[i] * d;
    }
    if (twoLevel) {
      const double det = s11 * s22 - s12 * s12;
      if (std::fabs(det) < 1e-9) return fit;
      a = (t1 * s22 - t2 * s12) / det;
      b = (s11 * t2 - s12 * t1) / det;
      if (!(a > 0.02) || !(b > 0.02)) return fit;
    } else {
      if (s11 < 1e-9) return fit;
      a = t1 / s11;
      b = 0;
      if (!(a > 0.02)) return fit;
    }
    for (std::size_t i = 0; i < bn; ++i) r[i] = care[i] ? c[i] - (1 - a * gP[i] - b * gU[i]) : 0.0;
    // Edge pixels in or out, while the squared residual falls.
    for (int pass = 0; pass < 6; ++pass) {
      int flips = 0;
      for (int layer = 0; layer < (twoLevel ? 2 : 1); ++layer) {
        std::vector<std::uint8_t>& M = layer == 0 ? P : U;
        const double amp = layer == 0 ? a : b;
        for (int y = 1; y < bh - 1; ++y)
          for (int x = 1; x < bw - 1; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * bw + x);
            const bool inM = M[i] != 0;
            const bool edge = M[i - 1] != M[i] || M[i + 1] != M[i] || M[i - static_cast<std::size_t>(bw)] != M[i] ||
                              M[i + static_cast<std::size_t>(bw)] != M[i];
            if (!edge || (!inM && !care[i])) continue;
            // U stays inside P.
            if (layer == 0 && inM && twoLevel && U[i]) continue;
            if (layer == 1 && !inM && !P[i]) continue;
            // Adding the pixel darkens the model by amp G around it.
            const double sgn = inM ? -1.0 : 1.0;
            double dsse = 0;
            for (int k = -R; k <= R; ++k) {
              const int yy = y + k;
              if (yy < 0 || yy >= bh) continue;
              for (int l = -R; l <= R; ++l) {
                const int xx = x + l;
                if (xx < 0 || xx >= bw) continue;
                if (!care[static_cast<std::size_t>(yy * bw + xx)]) continue;
                const double dm = -sgn * amp * G[static_cast<std::size_t>((k + R) * K + (l + R))];
                const double rv = r[static_cast<std::size_t>(yy * bw + xx)];
                dsse += dm * dm - 2 * rv * dm;
              }
            }
            if (dsse >= 0) continue;
            M[i] = inM ? 0 : 1;
            ++flips;
            for (int k = -R; k <= R; ++k) {
              const int yy = y + k;
              if (yy < 0 || yy >= bh) continue;
              for (int l = -R; l <= R; ++l) {
                const int xx = x + l;
                if (xx < 0 || xx >= bw) continue;
                if (care[static_cast<std::size_t>(yy * bw + xx)])
                  r[static_cast<std::size_t>(yy * bw + xx)] -= -sgn * amp * G[static_cast<std::size_t>((k + R) * K + (l + R))];
              }
            }
          }
      }
      if (flips == 0) break;
    }
  }
  fit.ok = true;
  fit.a = a;
  fit.b = b;
  for (double v : r) fit.sse += v * v;
  return fit;
}

// How much better a small spot is told by a blurred umbra-in-penumbra
// model than by a blurred pore of one level: both models are concentric
// ellipses (the radial axis foreshortened by mu) about (cx, cy) in the box,
// their radii searched on a grid of 0.25 px and their levels fitted by
// least squares over the `care` pixels (`c` is the contrast, 1 = quiet Sun;
// sigma the seeing's Gaussian, px; (rx, ry) the unit radial direction).
// Returns the F ratio of the two extra parameters' gain to the
// umbra-in-penumbra model's residual variance; 0 when that model is no
// better or too few pixels are cared for.
double PenumbraEvidence(int bw, int bh, const std::vector<float>& c, const std::vector<std::uint8_t>& care,
                        double sigma, double cx, double cy, double rx, double ry, double mu) {
  constexpr int kSub = 4;
  constexpr double kStep = 0.25;
  const double muC = std::clamp(mu, 0.2, 1.0);
  const std::size_t bn = c.size();
  // Radius at which each pixel's sub-samples lie, sorted, so that a disc's
  // coverage of the pixel is the count below its radius.
  double rMax = 0;
  std::vector<std::array<float, kSub * kSub>> rad(bn);
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      auto& rs = rad[static_cast<std::size_t>(y * bw + x)];
      for (int j = 0; j < kSub; ++j)
        for (int i = 0; i < kSub; ++i) {
          const double dx = x + (i + 0.5) / kSub - 0.5 - cx, dy = y + (j + 0.5) / kSub - 0.5 - cy;
          const double a = (dx * rx + dy * ry) / muC, b = -dx * ry + dy * rx;
          rs[static_cast<std::size_t>(j * kSub + i)] = static_cast<float>(std::hypot(a, b));
        }
      std::sort(rs.begin(), rs.end());
    }
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x)
      if (x == 0 || y == 0 || x == bw - 1 || y == bh - 1)
        rMax = std::max(rMax, static_cast<double>(rad[static_cast<std::size_t>(y * bw + x)][0]));
  rMax = std::min(rMax - 3 * sigma, 12.0);
  const int nR = static_cast<int>(rMax / kStep);
  if (nR < 4) return 0;
  // The blurred discs, one per radius.
  const int R = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
  std::vector<double> g1(static_cast<std::size_t>(2 * R + 1));
  double gs = 0;
  for (int k = -R; k <= R; ++k) gs += g1[static_cast<std::size_t>(k + R)] = std::exp(-0.5 * k * k / (sigma * sigma));
  for (double& v : g1) v /= gs;
  // One pass of the Gaussian along rows or columns, the edge pixels
  // repeated beyond the box.
  const auto blurAlong = [&](const std::vector<double>& src, std::vector<double>& dst, bool rows) {
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) {
        double v = 0;
        for (int q = -R; q <= R; ++q) {
          const int xx = rows ? std::clamp(x + q, 0, bw - 1) : x, yy = rows ? y : std::clamp(y + q, 0, bh - 1);
          v += g1[static_cast<std::size_t>(q + R)] * src[static_cast<std::size_t>(yy * bw + xx)];
        }
        dst[static_cast<std::size_t>(y * bw + x)] = v;
      }
  };
  std::vector<std::vector<double>> disc(static_cast<std::size_t>(nR + 1));
  std::vector<double> cov(bn), tmp(bn);
  for (int k = 1; k <= nR; ++k) {
    const float r = static_cast<float>(k * kStep);
    for (std::size_t i = 0; i < bn; ++i)
      cov[i] = static_cast<double>(std::lower_bound(rad[i].begin(), rad[i].end(), r) - rad[i].begin()) / (kSub * kSub);
    auto& d = disc[static_cast<std::size_t>(k)];
    d.assign(bn, 0.0);
    blurAlong(cov, tmp, true);
    blurAlong(tmp, d, false);
  }
  std::vector<std::size_t> idx;
  for (std::size_t i = 0; i < bn; ++i)
    if (care[i]) idx.push_back(i);
  if (idx.size() < 30) return 0;
  double s00 = 0;
  for (std::size_t i : idx) s00 += (1 - c[i]) * (1 - c[i]);
  // One level: 1 - c = a D(r).
  double one = s00;
  std::vector<double> sDD(static_cast<std::size_t>(nR + 1), 0), sDd(static_cast<std::size_t>(nR + 1), 0);
  for (int k = 1; k <= nR; ++k) {
    const auto& d = disc[static_cast<std::size_t>(k)];
    double a = 0, b = 0;
    for (std::size_t i : idx) {
      a += d[i] * d[i];
      b += d[i] * (1 - c[i]);
    }
    sDD[static_cast<std::size_t>(k)] = a;
    sDd[static_cast<std::size_t>(k)] = b;
    if (a > 0) one = std::min(one, s00 - b * b / a);
  }
  // Two levels: 1 - c = a D(rp) + b D(ru), ru < rp, both depths positive.
  double two = one;
  for (int kp = 2; kp <= nR; ++kp) {
    const auto& dp = disc[static_cast<std::size_t>(kp)];
    for (int ku = 1; ku < kp; ++ku) {
      const auto& du = disc[static_cast<std::size_t>(ku)];
      double spu = 0;
      for (std::size_t i : idx) spu += dp[i] * du[i];
      const double s11 = sDD[static_cast<std::size_t>(kp)], s22 = sDD[static_cast<std::size_t>(ku)];
      const double t1 = sDd[static_cast<std::size_t>(kp)], t2 = sDd[static_cast<std::size_t>(ku)];
      const double det = s11 * s22 - spu * spu;
      if (det <= 1e-12) continue;
      const double a = (t1 * s22 - t2 * spu) / det, b = (s11 * t2 - spu * t1) / det;
      if (!(a > 0.02) || !(b > 0.02)) continue;
      const double sse = s00 - a * t1 - b * t2;
      two = std::min(two, sse);
    }
  }
  const double var = two / static_cast<double>(idx.size() - 6);
  if (!(var > 0) || two >= one) return 0;
  return (one - two) / 2 / var;
}

}  // namespace

std::vector<FoundSpot> SpotFinder::Impl::Refine(const std::vector<int>& comp, const SpotSettings& st, double tLow,
                                                int cluster) const {
  std::vector<FoundSpot> out;
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  Bounds(comp, x0, y0, x1, y1);
  const double se = sigmaEff;
  const int margin = static_cast<int>(std::ceil(3 * se)) + 4;
  x0 = std::max(0, x0 - margin);
  y0 = std::max(0, y0 - margin);
  x1 = std::min(w - 1, x1 + margin);
  y1 = std::min(h - 1, y1 + margin);
  const int bw = x1 - x0 + 1, bh = y1 - y0 + 1;
  const std::size_t bn = static_cast<std::size_t>(bw) * static_cast<std::size_t>(bh);
  std::vector<float> c(bn), cs(bn);
  std::vector<std::uint8_t> in(bn, 0), empty;
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      c[static_cast<std::size_t>(y * bw + x)] = C[Index(x0 + x, y0 + y)];
      cs[static_cast<std::size_t>(y * bw + x)] = Cs[Index(x0 + x, y0 + y)];
    }
  for (int p : comp) in[static_cast<std::size_t>((p / w - y0) * bw + (p % w - x0))] = 1;
  auto px = [&](std::size_t i) { return static_cast<double>(x0 + static_cast<int>(i) % bw); };
  auto py = [&](std::size_t i) { return static_cast<double>(y0 + static_cast<int>(i) / bw); };

  // Shape: a long dark filament (H-alpha) is no spot. Second moments with
  // the radial direction stretched back by 1/mu.
  double shapeMu = 1;
  {
    double mx = 0, my = 0;
    for (int p : comp) {
      mx += p % w;
      my += p / w;
    }
    mx /= static_cast<double>(comp.size());
    my /= static_cast<double>(comp.size());
    double rx = mx - cal.x0, ry = my - cal.y0;
    const double rl = std::hypot(rx, ry);
    if (rl > 0) {
      rx /= rl;
      ry /= rl;
    } else {
      rx = 1;
      ry = 0;
    }
    const double mu = std::max(0.2, Mu(mx, my));
    double sxx = 0, syy = 0, sxy = 0;
    for (int p : comp) {
      const double dx = p % w - mx, dy = p / w - my;
      const double a = (dx * rx + dy * ry) / mu, b = -dx * ry + dy * rx;
      sxx += a * a;
      syy += b * b;
      sxy += a * b;
    }
    const double tr = sxx + syy, det = sxx * syy - sxy * sxy;
    const double disc = std::sqrt(std::max(0.0, tr * tr / 4 - det));
    const double l1 = tr / 2 + disc, l2 = std::max(1e-9, tr / 2 - disc);
    const double n = static_cast<double>(comp.size());
    if (comp.size() >= 40 && std::sqrt(l1 / l2) > 4.5 && 4 * std::sqrt(l1 / n) > 20) return out;
    shapeMu = mu;
  }

  // The local quiet Sun around the spot.
  const std::vector<int> dOut = Distance(bw, bh, in, empty);
  const int dq = static_cast<int>(std::ceil(2.5 * se)) + 2;
  std::vector<float> ring;
  for (std::size_t i = 0; i < bn; ++i)
    if (dOut[i] >= dq && dOut[i] < (1 << 28)) ring.push_back(c[i]);
  double q = 1;
  if (ring.size() >= 15) q = Median(ring);
  if (!(q > 0.5 && q < 1.5)) q = 1;
  // Other spots' pixels in the box: as dark as a spot reaches, and not this
  // one's (they would have been found with it).
  std::vector<std::uint8_t> other(bn, 0);
  for (std::size_t i = 0; i < bn; ++i) other[i] = cs[i] < tLow && !in[i];
  for (std::size_t i = 0; i < bn; ++i) {
    c[i] = static_cast<float>(c[i] / q);
    cs[i] = static_cast<float>(cs[i] / q);
  }
  // The umbra's level: the darkest few pixels.
  std::vector<float> dark;
  for (std::size_t i = 0; i < bn; ++i)
    if (in[i]) dark.push_back(cs[i]);
  std::sort(dark.begin(), dark.end());
  const std::size_t k = std::clamp<std::size_t>(dark.size() / 25, 1, 9);
  const double cu = std::accumulate(dark.begin(), dark.begin() + static_cast<std::ptrdiff_t>(k), 0.0) / static_cast<double>(k);

  // Thinness, which a bent filament cannot hide as it hides its second
  // moments: the area against the largest circle inside (a round spot 1, a
  // foreshortened one 1 / mu before mu is taken out, a band k times as long
  // as wide 4 k / pi). Long and thin without an umbra is a filament, and a
  // piece of one with no dark core is told by a smaller ratio.
  if (comp.size() >= 40) {
    // Chamfer distances (3 a side step, 4 a diagonal) to the outside.
    std::vector<int> d(bn, 0);
    for (std::size_t i = 0; i < bn; ++i) d[i] = in[i] ? 1 << 20 : 0;
    auto relax = [&](int x, int y, int dx, int dy, int cost) {
      const int xx = x + dx, yy = y + dy;
      const int v = xx < 0 || yy < 0 || xx >= bw || yy >= bh ? 0 : d[static_cast<std::size_t>(yy * bw + xx)];
      int& here = d[static_cast<std::size_t>(y * bw + x)];
      here = std::min(here, v + cost);
    };
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) {
        if (!in[static_cast<std::size_t>(y * bw + x)]) continue;
        relax(x, y, -1, 0, 3);
        relax(x, y, 0, -1, 3);
        relax(x, y, -1, -1, 4);
        relax(x, y, 1, -1, 4);
      }
    int dMax = 0;
    for (int y = bh - 1; y >= 0; --y)
      for (int x = bw - 1; x >= 0; --x) {
        if (!in[static_cast<std::size_t>(y * bw + x)]) continue;
        relax(x, y, 1, 0, 3);
        relax(x, y, 0, 1, 3);
        relax(x, y, 1, 1, 4);
        relax(x, y, -1, 1, 4);
        dMax = std::max(dMax, d[static_cast<std::size_t>(y * bw + x)]);
      }
    // The pixels' centres lie half a pixel inside the edge.
    const double r = dMax / 3.0 - 0.5;
    const double thin = r > 0 ? static_cast<double>(comp.size()) / (kPiD * r * r) * shapeMu : 1e9;
    if ((thin > kFilamentThinness && cu > kUmbraCore) || (thin > kFaintFilamentThinness && cu > kFaintCore)) return out;
  }

  // A penumbral plateau: pixels well away from both the dark core and the
  // outside. The core is what is darker than 40 % of the way from the umbra
  // to the spot's edge, low enough that a penumbra in a bright plage, well
  // below its surroundings, is not taken for core.
  const double coreLevel = cu + 0.4 * (tLow - cu);
  std::vector<std::uint8_t> core(bn, 0), notIn(bn, 0);
  for (std::size_t i = 0; i < bn; ++i) {
    core[i] = in[i] && cs[i] < coreLevel;
    notIn[i] = !in[i];
  }
  const std::vector<int> dCore = Distance(bw, bh, core, empty);
  const std::vector<int> dEdge = Distance(bw, bh, notIn, empty);
  const int dp = std::max(2, static_cast<int>(std::lround(1.2 * se)));
  std::vector<float> plateau;
  for (std::size_t i = 0; i < bn; ++i)
    if (in[i] && !core[i] && dCore[i] >= dp && dEdge[i] >= dp) plateau.push_back(c[i]);
  double cp = 1;
  bool twoLevel = false;
  if (plateau.size() >= 5) {
    cp = Median(plateau);
    twoLevel = cp < 1 - 2.5 * noise && cp > cu + 0.1;
  }

  std::vector<std::uint8_t> region(bn, 0);
  std::vector<int> lab;
  int nUmbrae = 0;
  double halfLevel = 0;
  if (twoLevel) {
    const double lout = (1 + cp) / 2, lum = (cp + cu) / 2;
    halfLevel = lum;
    // The spot: grown from its component where darker than halfway between
    // the quiet Sun and the penumbra.
    std::vector<std::uint8_t> pass(bn, 0), seedm(bn, 0);
    for (std::size_t i = 0; i < bn; ++i) {
      pass[i] = cs[i] < lout && dOut[i] <= margin - 2 && !other[i];
      seedm[i] = in[i] && pass[i];
    }
    const std::vector<int> dReg = Distance(bw, bh, seedm, pass);
    for (std::size_t i = 0; i < bn; ++i) region[i] = dReg[i] < (1 << 28);
    std::vector<std::uint8_t> um(bn, 0);
    for (std::size_t i = 0; i < bn; ++i) um[i] = region[i] && cs[i] < lum;
    nUmbrae = Label(bw, bh, um, lab);
  } else {
    // A pore: its core where darker than halfway to its own darkest.
    halfLevel = (1 + cu) / 2;
    std::vector<std::uint8_t> um(bn, 0);
    for (std::size_t i = 0; i < bn; ++i) {
      region[i] = dOut[i] <= static_cast<int>(std::ceil(2.5 * se)) + 1;
      um[i] = in[i] && cs[i] < halfLevel;
    }
    nUmbrae = Label(bw, bh, um, lab);
  }
  // Umbrae that touch: split where one holds two separate cores.
  {
    std::vector<int> newLab(bn, 0);
    int next = 0;
    for (int u = 1; u <= nUmbrae; ++u) {
      double mn = 10;
      int count = 0;
      for (std::size_t i = 0; i < bn; ++i)
        if (lab[i] == u) {
          mn = std::min(mn, static_cast<double>(cs[i]));
          ++count;
        }
      if (count < 2) continue;  // noise
      // Its cores: the parts darker than a level between its darkest and
      // the umbra's edge, of 3 pixels or more, each reaching well below the
      // level (noise makes no core). Of the levels a quarter, half and
      // three quarters of the way, the one that shows the most cores.
      std::vector<int> clab, keep;
      int kept = 0;
      for (const double f : {0.5, 0.25, 0.75}) {
        const double cl = mn + f * (halfLevel - mn);
        std::vector<std::uint8_t> cm(bn, 0);
        for (std::size_t i = 0; i < bn; ++i) cm[i] = lab[i] == u && cs[i] < cl;
        std::vector<int> l;
        const int nc = Label(bw, bh, cm, l);
        std::vector<int> size(static_cast<std::size_t>(nc + 1), 0);
        std::vector<double> low(static_cast<std::size_t>(nc + 1), 10.0);
        for (std::size_t i = 0; i < bn; ++i) {
          size[static_cast<std::size_t>(l[i])]++;
          low[static_cast<std::size_t>(l[i])] = std::min(low[static_cast<std::size_t>(l[i])], static_cast<double>(cs[i]));
        }
        std::vector<int> k(static_cast<std::size_t>(nc + 1), 0);
        int n = 0;
        for (int j = 1; j <= nc; ++j)
          if (size[static_cast<std::size_t>(j)] >= 3 && low[static_cast<std::size_t>(j)] < cl - std::max(0.03, 1.5 * noiseS))
            k[static_cast<std::size_t>(j)] = ++n;
        if (n > kept || clab.empty()) {
          kept = n;
          clab = std::move(l);
          keep = std::move(k);
        }
      }
      if (kept <= 1) {
        ++next;
        for (std::size_t i = 0; i < bn; ++i)
          if (lab[i] == u) newLab[i] = next;
        continue;
      }
      // Flood the umbra from its cores, darkest first.
      using Item = std::pair<float, int>;
      std::priority_queue<Item, std::vector<Item>, std::greater<Item>> pq;
      for (std::size_t i = 0; i < bn; ++i)
        if (clab[i] && keep[static_cast<std::size_t>(clab[i])]) {
          newLab[i] = next + keep[static_cast<std::size_t>(clab[i])];
          pq.push({cs[i], static_cast<int>(i)});
        }
      while (!pq.empty()) {
        const int p = pq.top().second;
        pq.pop();
        const int x = p % bw, y = p / bw;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int xx = x + dx, yy = y + dy;
            if (xx < 0 || yy < 0 || xx >= bw || yy >= bh) continue;
            const std::size_t n = static_cast<std::size_t>(yy * bw + xx);
            if (lab[n] != u || newLab[n]) continue;
            newLab[n] = newLab[static_cast<std::size_t>(p)];
            pq.push({cs[n], static_cast<int>(n)});
          }
      }
      next += kept;
    }
    lab = newLab;
    nUmbrae = next;
  }
  if (nUmbrae == 0) {
    // Penumbra without an umbra: one spot, the whole of it.
    std::vector<std::uint8_t> all(bn, 0);
    for (std::size_t i = 0; i < bn; ++i) all[i] = region[i] && in[i];
    nUmbrae = Label(bw, bh, all, lab) > 0 ? 1 : 0;
    for (int& l : lab) l = l > 0 ? 1 : 0;
    if (nUmbrae == 0) return out;
  }
  // The pixels the model answers for: all but other spots' pixels and
  // their blurred surroundings. The fitted masks cannot grow into them.
  std::vector<std::uint8_t> care(bn, 1);
  {
    const std::vector<int> dOther = Distance(bw, bh, other, empty);
    const int reach = static_cast<int>(std::ceil(2 * se));
    for (std::size_t i = 0; i < bn; ++i) care[i] = dOther[i] > reach || (dOther[i] > 0 && dOut[i] <= 1);
  }
  // The blurred model fitted: the spot's and the umbrae's unblurred pixels.
  // Without a penumbral plateau to see, a two-level model is tried beside
  // the pore's one level and kept when it fits clearly better. For a single
  // umbra "better" is judged on concentric models with few parameters: the
  // masks' pixel freedom fits granulation about as well as a penumbra.
  {
    std::vector<std::uint8_t> P(bn, 0), Um(bn, 0);
    for (std::size_t i = 0; i < bn; ++i) {
      Um[i] = lab[i] > 0;
      P[i] = twoLevel ? region[i] : Um[i];
    }
    MaskFit fit = FitBlurredMasks(bw, bh, c, care, blur, P, Um, twoLevel);
    double evidence = 0;
    if (!twoLevel && nUmbrae == 1) {
      double wsum = 0, mx = 0, my = 0;
      for (std::size_t i = 0; i < bn; ++i)
        if (in[i]) {
          const double wd = std::max(0.0, 1.0 - c[i]);
          wsum += wd;
          mx += wd * (static_cast<int>(i) % bw);
          my += wd * (static_cast<int>(i) / bw);
        }
      if (wsum > 0) {
        mx /= wsum;
        my /= wsum;
        double rx = x0 + mx - cal.x0, ry = y0 + my - cal.y0;
        const double rl = std::hypot(rx, ry);
        rx = rl > 0 ? rx / rl : 1;
        ry = rl > 0 ? ry / rl : 0;
        evidence = PenumbraEvidence(bw, bh, c, care, blur, mx, my, rx, ry, Mu(x0 + mx, y0 + my));
      }
    }
    if (!twoLevel && (cu < st.umbraThreshold || evidence >= kPenumbraEvidence)) {
      std::vector<std::uint8_t> P2(bn, 0), U2(bn, 0);
      const double guessP = 0.8;
      for (std::size_t i = 0; i < bn; ++i) {
        P2[i] = in[i] && cs[i] < (1 + guessP) / 2;
        U2[i] = P2[i] && cs[i] < (cu + guessP) / 2;
      }
      const MaskFit two = FitBlurredMasks(bw, bh, c, care, blur, P2, U2, true);
      int nP = 0, nU = 0;
      for (std::size_t i = 0; i < bn; ++i) {
        nP += P2[i];
        nU += U2[i];
      }
      const bool better = nUmbrae == 1 ? evidence >= kPenumbraEvidence || (fit.ok && two.sse < 0.5 * fit.sse)
                                       : !fit.ok || two.sse < 0.85 * fit.sse;
      if (two.ok && better && two.a >= 0.08 && two.a <= 0.45 && two.b >= 0.1 && nU >= 2 && nP >= 2.5 * nU) {
        fit = two;
        P = P2;
        Um = U2;
        twoLevel = true;
      }
    }
    // The umbrae keep their labels, carried to the fitted pixels; umbrae
    // that the fit shows apart are taken apart.
    std::vector<std::uint8_t> src(bn, 0);
    for (std::size_t i = 0; i < bn; ++i) src[i] = lab[i] > 0;
    std::vector<int> carried(bn, 0);
    Distance(bw, bh, src, empty, &carried, &lab);
    std::vector<std::uint8_t>& UM = twoLevel ? Um : P;
    std::vector<int> flab;
    const int nf = Label(bw, bh, UM, flab, true);
    std::vector<int> fsize(static_cast<std::size_t>(nf + 1), 0);
    for (std::size_t i = 0; i < bn; ++i) fsize[static_cast<std::size_t>(flab[i])]++;
    // A part counts as an umbra of its own where it holds pixels darker than
    // the umbrae's edge; a fragment of the fitted mask without any is
    // penumbra the model did not follow.
    std::vector<double> flow(static_cast<std::size_t>(nf + 1), 10.0);
    for (std::size_t i = 0; i < bn; ++i)
      flow[static_cast<std::size_t>(flab[i])] = std::min(flow[static_cast<std::size_t>(flab[i])], static_cast<double>(cs[i]));
    int big = 0;
    std::vector<int> renum(static_cast<std::size_t>(nf + 1), 0);
    for (int j = 1; j <= nf; ++j)
      if (fsize[static_cast<std::size_t>(j)] >= 4 && flow[static_cast<std::size_t>(j)] < halfLevel)
        renum[static_cast<std::size_t>(j)] = ++big;
    if (twoLevel && big > nUmbrae) {
      std::vector<std::uint8_t> s2(bn, 0);
      std::vector<int> l2(bn, 0);
      for (std::size_t i = 0; i < bn; ++i) {
        l2[i] = renum[static_cast<std::size_t>(flab[i])];
        s2[i] = l2[i] > 0;
      }
      Distance(bw, bh, s2, empty, &carried, &l2);
      nUmbrae = big;
    }
    for (std::size_t i = 0; i < bn; ++i) {
      region[i] = P[i];
      lab[i] = UM[i] ? carried[i] : 0;
    }
  }
  // Every pixel of the spot to its nearest umbra: to the nearest umbra's
  // centre on the sphere (the picture's offsets with the radial part
  // stretched by 1/mu) where umbrae share a penumbra.
  std::vector<std::uint8_t> src(bn, 0);
  for (std::size_t i = 0; i < bn; ++i) src[i] = lab[i] > 0;
  std::vector<int> owner(bn, 0);
  Distance(bw, bh, src, region, &owner, &lab);
  if (nUmbrae > 1) {
    const auto nl = static_cast<std::size_t>(nUmbrae);
    std::vector<double> cw(nl + 1, 0), cx(nl + 1, 0), cy(nl + 1, 0);
    for (std::size_t i = 0; i < bn; ++i)
      if (lab[i] > 0) {
        const double wd = std::max(1e-3, 1.0 - c[i]);
        cw[static_cast<std::size_t>(lab[i])] += wd;
        cx[static_cast<std::size_t>(lab[i])] += wd * px(i);
        cy[static_cast<std::size_t>(lab[i])] += wd * py(i);
      }
    double mx = 0, my = 0, mw = 0;
    for (std::size_t l = 1; l <= nl; ++l) {
      mx += cx[l];
      my += cy[l];
      mw += cw[l];
      if (cw[l] > 0) {
        cx[l] /= cw[l];
        cy[l] /= cw[l];
      }
    }
    double rx = mx / mw - cal.x0, ry = my / mw - cal.y0;
    const double rl = std::hypot(rx, ry);
    rx = rl > 0 ? rx / rl : 1;
    ry = rl > 0 ? ry / rl : 0;
    const double mu = std::max(0.1, Mu(mx / mw, my / mw));
    for (std::size_t i = 0; i < bn; ++i) {
      if (!region[i] || lab[i] > 0) continue;
      double best = 1e300;
      for (std::size_t l = 1; l <= nl; ++l) {
        if (cw[l] <= 0) continue;
        const double dx = px(i) - cx[l], dy = py(i) - cy[l];
        const double a = (dx * rx + dy * ry) / mu, b = -dx * ry + dy * rx;
        const double d = a * a + b * b;
        if (d < best) {
          best = d;
          owner[i] = static_cast<int>(l);
        }
      }
    }
  }

  const auto nu = static_cast<std::size_t>(nUmbrae);
  std::vector<double> umPx(nu + 1, 0), umMsh(nu + 1, 0), totPx(nu + 1, 0), totMsh(nu + 1, 0), sw(nu + 1, 0),
      sx(nu + 1, 0), sy(nu + 1, 0), minMu(nu + 1, 1);
  for (std::size_t i = 0; i < bn; ++i) {
    if (!region[i] || owner[i] <= 0) continue;
    const auto o = static_cast<std::size_t>(owner[i]);
    const double wm = PixelWeightMsh(px(i), py(i));
    minMu[o] = std::min(minMu[o], Mu(px(i), py(i)));
    if (lab[i] > 0) {
      umPx[o] += 1;
      umMsh[o] += wm;
    }
    totPx[o] += 1;
    totMsh[o] += wm;
    if (lab[i] > 0) {
      const double wd = std::max(0.0, 1.0 - c[i]);
      sw[o] += wd;
      sx[o] += wd * px(i);
      sy[o] += wd * py(i);
    }
  }
  for (std::size_t o = 1; o <= nu; ++o) {
    FoundSpot s;
    s.cluster = cluster;
    if (sw[o] <= 0) continue;
    {
      std::vector<std::uint8_t> whole(bn, 0), umbra(bn, 0);
      for (std::size_t i = 0; i < bn; ++i) {
        whole[i] = region[i] && owner[i] == static_cast<int>(o);
        umbra[i] = whole[i] && lab[i] > 0;
      }
      s.outline = TraceOutlines(bw, bh, whole, x0, y0);
      if (twoLevel) s.umbraOutline = TraceOutlines(bw, bh, umbra, x0, y0);
    }
    s.x = sx[o] / sw[o];
    s.y = sy[o] / sw[o];
    s.area_px = totPx[o];
    s.area_msh = totMsh[o];
    s.umbra_msh = umMsh[o];
    s.penumbra = twoLevel;
    if (s.area_px < 3) continue;
    s.uncertain = minMu[o] < 0.1;
    Locate(s);
    out.push_back(s);
  }
  return out;
}

bool SpotFinder::Impl::LooksDrawn() const {
  // Paper around the disc: the picture outside the limb nearly as bright
  // as inside it.
  std::vector<float> in, out;
  for (int a = 0; a < 360; a += 3) {
    const double ca = std::cos(a * kPiD / 180), sa = std::sin(a * kPiD / 180);
    for (double f : {0.3, 0.6, 0.85, 1.04, 1.08, 1.12}) {
      const double x = cal.x0 + f * cal.rk * ca, y = cal.y0 + f * cal.rk * sa;
      if (x < 0 || y < 0 || x > w - 1 || y > h - 1) continue;
      (f < 1 ? in : out).push_back(pic->value[Index(static_cast<int>(x), static_cast<int>(y))]);
    }
  }
  if (in.size() < 20 || out.size() < 20) return false;
  const double mi = Median(in), mo = Median(out);
  return mi > 0 && mo > 0.75 * mi;
}

// Ink that survives an opening by 3 x 3 pixels: all nine pixels dark.
// Drawn lines (axes, grid, outlines, hatching) are thinner than that.
bool SpotFinder::Impl::Core(int x, int y) const {
  if (x < 1 || y < 1 || x >= w - 1 || y >= h - 1) return false;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (!(C[Index(x + dx, y + dy)] < 0.5f)) return false;
  return true;
}

std::vector<int> SpotFinder::Impl::FloodCore(int start, std::vector<std::uint8_t>& seen) const {
  std::vector<int> core, stack{start};
  seen[static_cast<std::size_t>(start)] = 1;
  while (!stack.empty()) {
    const int p = stack.back();
    stack.pop_back();
    core.push_back(p);
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx) {
        const int xx = p % w + dx, yy = p / w + dy;
        if (xx < 0 || yy < 0 || xx >= w || yy >= h || seen[Index(xx, yy)] || !Core(xx, yy)) continue;
        seen[Index(xx, yy)] = 1;
        stack.push_back(yy * w + xx);
      }
  }
  return core;
}

std::vector<FoundSpot> SpotFinder::Impl::RefineDrawn(const std::vector<int>& core, int cluster) const {
  // Where two drawn lines meet or cross (an axis and an outline), a few
  // pixels survive the opening: a drawn spot leaves more.
  if (core.size() < 5) return {};
  // The opened blob: the cores grown by one pixel over ink.
  std::vector<int> blob = core;
  {
    std::vector<int> sorted = core;
    std::sort(sorted.begin(), sorted.end());
    for (int p : core) {
      const int x = p % w, y = p / w;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int q = (y + dy) * w + (x + dx);
          if (C[static_cast<std::size_t>(q)] < 0.5f && !std::binary_search(sorted.begin(), sorted.end(), q)) {
            sorted.insert(std::upper_bound(sorted.begin(), sorted.end(), q), q);
            blob.push_back(q);
          }
        }
    }
  }
  double sw = 0, sx = 0, sy = 0, msh = 0, minMu = 1;
  for (int p : blob) {
    const double x = p % w, y = p / w;
    const double wd = std::max(0.0, 1.0 - C[static_cast<std::size_t>(p)]);
    sw += wd;
    sx += wd * x;
    sy += wd * y;
    msh += PixelWeightMsh(x, y);
    minMu = std::min(minMu, Mu(x, y));
  }
  if (sw <= 0 || blob.size() < 5) return {};
  FoundSpot s;
  s.cluster = cluster;
  s.x = sx / sw;
  s.y = sy / sw;
  s.area_px = static_cast<double>(blob.size());
  s.area_msh = s.umbra_msh = msh;
  s.uncertain = minMu < 0.1;
  // A drawn penumbra: ink in a ring about the umbra (an outline or hatching).
  const double r = std::sqrt(s.area_px / kPiD);
  int ring = 0, seen = 0;
  for (int a = 0; a < 72; ++a) {
    const double ca = std::cos(a * kPiD / 36), sa = std::sin(a * kPiD / 36);
    bool hit = false;
    for (double d = r + 2; d <= 3 * r + 4 && !hit; d += 0.5) {
      const int x = static_cast<int>(std::lround(s.x + d * ca)), y = static_cast<int>(std::lround(s.y + d * sa));
      if (x < 0 || y < 0 || x >= w || y >= h) break;
      hit = C[Index(x, y)] < 0.5f;
    }
    ++seen;
    ring += hit;
  }
  s.penumbra = seen > 0 && ring >= 0.6 * seen;
  {
    int bx0 = 0, by0 = 0, bx1 = 0, by1 = 0;
    Bounds(blob, bx0, by0, bx1, by1);
    const int bw = bx1 - bx0 + 1, bh = by1 - by0 + 1;
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(bw) * static_cast<std::size_t>(bh), 0);
    for (int p : blob) mask[static_cast<std::size_t>((p / w - by0) * bw + (p % w - bx0))] = 1;
    s.outline = TraceOutlines(bw, bh, mask, bx0, by0);
  }
  Locate(s);
  return {s};
}

std::vector<SpotOutline> TraceOutlines(int bw, int bh, const std::vector<std::uint8_t>& mask, int x0, int y0) {
  // Boundary edges between corners (corner (i, j) is the top-left corner of
  // box pixel (i, j)), directed with the mask on their right in a y-down
  // frame, so that every corner has as many edges leaving as arriving.
  const int cw = bw + 1;
  auto in = [&](int x, int y) { return x >= 0 && y >= 0 && x < bw && y < bh && mask[static_cast<std::size_t>(y * bw + x)]; };
  std::vector<std::pair<int, int>> edges;  // from corner, to corner
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      if (!in(x, y)) continue;
      const int tl = y * cw + x, tr = tl + 1, bl = tl + cw, br = bl + 1;
      if (!in(x, y - 1)) edges.push_back({tl, tr});
      if (!in(x + 1, y)) edges.push_back({tr, br});
      if (!in(x, y + 1)) edges.push_back({br, bl});
      if (!in(x - 1, y)) edges.push_back({bl, tl});
    }
  std::sort(edges.begin(), edges.end());
  std::vector<std::uint8_t> used(edges.size(), 0);
  auto firstFrom = [&](int corner) {
    const auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(corner, -1));
    for (auto j = it; j != edges.end() && j->first == corner; ++j)
      if (!used[static_cast<std::size_t>(j - edges.begin())]) return static_cast<std::ptrdiff_t>(j - edges.begin());
    return static_cast<std::ptrdiff_t>(-1);
  };
  std::vector<SpotOutline> out;
  for (std::size_t e0 = 0; e0 < edges.size(); ++e0) {
    if (used[e0]) continue;
    std::vector<int> corners;
    std::ptrdiff_t e = static_cast<std::ptrdiff_t>(e0);
    while (e >= 0) {
      used[static_cast<std::size_t>(e)] = 1;
      corners.push_back(edges[static_cast<std::size_t>(e)].first);
      e = firstFrom(edges[static_cast<std::size_t>(e)].second);
    }
    // Only the corners where the direction turns.
    SpotOutline loop;
    const std::size_t n = corners.size();
    for (std::size_t k = 0; k < n; ++k) {
      const int a = corners[(k + n - 1) % n], b = corners[k], c = corners[(k + 1) % n];
      if (b - a == c - b) continue;
      loop.push_back({static_cast<float>(x0 + b % cw) - 0.5f, static_cast<float>(y0 + b / cw) - 0.5f});
    }
    if (loop.size() >= 4) out.push_back(std::move(loop));
  }
  return out;
}

SpotFinder::SpotFinder() : impl_(std::make_unique<Impl>()) {}
SpotFinder::~SpotFinder() = default;

bool SpotFinder::Prepare(const GreyPicture& picture, const DiscCalibration& cal, std::string& error, int threads) {
  auto im = std::make_unique<Impl>();
  im->threads = std::clamp(threads, 1, 8);
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.value.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height)) {
    error = "the picture holds no pixels";
    return false;
  }
  if (!std::isfinite(cal.rk) || cal.rk < 20 || !std::isfinite(cal.x0) || !std::isfinite(cal.y0)) {
    error = "the calibration gives no disc of 20 pixels' radius or more";
    return false;
  }
  if (!std::isfinite(cal.rho0) || cal.rho0 <= kSolarRadiusAU || !std::isfinite(cal.P) || !std::isfinite(cal.B0) ||
      !std::isfinite(cal.L0) || !std::isfinite(cal.orientation)) {
    error = "the calibration's P, B0, L0, rho0 or orientation is not a number";
    return false;
  }
  im->w = picture.width;
  im->h = picture.height;
  im->cal = cal;
  im->yMin = std::max(0, static_cast<int>(std::floor(cal.y0 - cal.rk)));
  im->yMax = std::min(im->h - 1, static_cast<int>(std::ceil(cal.y0 + cal.rk)));
  im->xMin = std::max(0, static_cast<int>(std::floor(cal.x0 - cal.rk)));
  im->xMax = std::min(im->w - 1, static_cast<int>(std::ceil(cal.x0 + cal.rk)));
  if (im->yMin > im->yMax || im->xMin > im->xMax) {
    error = "the disc lies off the picture";
    return false;
  }
  im->pic = &picture;
  if (!im->FitQuietSun(error)) return false;
  im->tiles.assign(1, 1.0);
  im->tnx = im->tny = 1;
  im->tile = std::max(im->w, im->h);
  im->FitTiles();
  im->drawing = im->LooksDrawn();
  if (im->drawing) im->blur = 0.7;
  else im->MeasureBlur();
  im->sigmaEff = std::sqrt(im->blur * im->blur + 2.0 / 3.0);
  im->MakeContrast();
  im->MeasureNoise();
  im->pic = nullptr;
  impl_ = std::move(im);
  return true;
}

double SpotFinder::Contrast(int x, int y) const {
  const Impl& m = *impl_;
  if (x < 0 || y < 0 || x >= m.w || y >= m.h || m.C.empty()) return 1;
  return m.C[m.Index(x, y)];
}

namespace {

// A spot reaches as far as the contrast stays below this: the threshold
// set, but never tighter than 0.9 (a stricter setting asks for darker
// spots, not for smaller ones cut into pieces), and never within three
// times the quiet Sun's scatter of 1.
double LowThreshold(double t, double noiseS) { return std::min(std::max(std::clamp(t, 0.5, 0.99), 0.9), 1 - 3 * noiseS); }

}  // namespace

SpotReport SpotFinder::Find(const SpotSettings& st) const {
  SpotReport rep;
  const Impl& m = *impl_;
  if (m.C.empty()) return rep;
  const double tLow = LowThreshold(st.contrastThreshold, m.noiseS);
  const double tSeed = std::min({tLow - 0.01, std::clamp(st.contrastThreshold, 0.5, 0.99) - 0.04, 1 - 6 * m.noiseS});
  rep.blur_px = m.blur;
  rep.noise = m.noise;
  rep.threshold = tLow;
  rep.drawing = m.drawing;
  const int threads = std::clamp(st.threads, 1, 8);
  if (m.drawing) {
    // Ink blobs that survive an opening: filled umbrae and pores.
    std::vector<std::uint8_t> seen(m.C.size(), 0);
    int cluster = 0;
    for (int y = m.yMin; y <= m.yMax; ++y)
      for (int x = m.xMin; x <= m.xMax; ++x) {
        if (seen[m.Index(x, y)] || !m.Core(x, y)) continue;
        for (const FoundSpot& f : m.RefineDrawn(m.FloodCore(y * m.w + x, seen), cluster++)) rep.spots.push_back(f);
      }
    GroupSpots(rep.spots, rep.groups);
    return rep;
  }
  std::vector<std::vector<int>> seedsOf(static_cast<std::size_t>(threads));
  {
    std::vector<std::thread> pool;
    const int rows = m.yMax - m.yMin + 1;
    for (int t = 0; t < threads; ++t)
      pool.emplace_back([&, t] {
        const int a = m.yMin + rows * t / threads, b = m.yMin + rows * (t + 1) / threads;
        auto& out = seedsOf[static_cast<std::size_t>(t)];
        const float ts = static_cast<float>(tSeed);
        for (int y = a; y < b; ++y) {
          const float* row = &m.Cs[m.Index(0, y)];
          for (int x = m.xMin; x <= m.xMax; ++x)
            if (row[x] < ts) out.push_back(y * m.w + x);
        }
      });
    for (auto& th : pool) th.join();
  }
  std::vector<std::uint8_t> seen(m.C.size(), 0);
  std::vector<std::vector<int>> comps;
  for (const auto& seeds : seedsOf)
    for (int p : seeds) {
      if (seen[static_cast<std::size_t>(p)]) continue;
      std::vector<int> comp = m.Flood(p, tLow, seen);
      if (comp.size() >= 4 && comps.size() < 20000) comps.push_back(std::move(comp));
    }
  std::vector<std::vector<FoundSpot>> found(comps.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i = next++; i < comps.size(); i = next++)
      found[i] = m.Refine(comps[i], st, tLow, static_cast<int>(i));
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads && comps.size() > 1; ++t) pool.emplace_back(work);
  work();
  for (auto& th : pool) th.join();
  for (auto& f : found) rep.spots.insert(rep.spots.end(), f.begin(), f.end());
  GroupSpots(rep.spots, rep.groups);
  return rep;
}

std::vector<FoundSpot> SpotFinder::GrowAt(double x, double y, const SpotSettings& st) const {
  const Impl& m = *impl_;
  if (m.C.empty() || !std::isfinite(x) || !std::isfinite(y)) return {};
  const double tLow = LowThreshold(st.contrastThreshold, m.noiseS);
  const int cx = static_cast<int>(std::lround(x)), cy = static_cast<int>(std::lround(y));
  if (m.drawing) {
    // The drawn blob nearest the click, within 5 px.
    int start = -1;
    for (int r = 0; r <= 5 && start < 0; ++r)
      for (int dy = -r; dy <= r && start < 0; ++dy)
        for (int dx = -r; dx <= r && start < 0; ++dx)
          if (m.Core(cx + dx, cy + dy)) start = (cy + dy) * m.w + (cx + dx);
    if (start < 0) return {};
    std::vector<std::uint8_t> seen(m.C.size(), 0);
    return m.RefineDrawn(m.FloodCore(start, seen), 0);
  }
  int best = -1;
  float bv = static_cast<float>(tLow);
  for (int dy = -5; dy <= 5; ++dy)
    for (int dx = -5; dx <= 5; ++dx) {
      const int xx = cx + dx, yy = cy + dy;
      if (xx < 0 || yy < 0 || xx >= m.w || yy >= m.h || dx * dx + dy * dy > 25) continue;
      if (m.Cs[m.Index(xx, yy)] < bv) {
        bv = m.Cs[m.Index(xx, yy)];
        best = yy * m.w + xx;
      }
    }
  if (best < 0) return {};
  std::vector<std::uint8_t> seen(m.C.size(), 0);
  const std::vector<int> comp = m.Flood(best, tLow, seen);
  if (comp.size() < 2) return {};
  return m.Refine(comp, st, tLow, 0);
}

bool FindSpots(const GreyPicture& picture, const DiscCalibration& calibration, const SpotSettings& settings,
               SpotReport& out, std::string& error) {
  SpotFinder f;
  if (!f.Prepare(picture, calibration, error, settings.threads)) return false;
  out = f.Find(settings);
  return true;
}

}  // namespace pelorin
