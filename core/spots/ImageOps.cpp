// Picture operations of the spot finder (see ImageOps.h).
#include "spots/ImageOps.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <memory>
#include <thread>

namespace pelorin {

namespace {

// Breadth-first grid distances from `src` through `pass`; with `label`,
// the labels carried from `srcLabel` along the search.
std::vector<int> Search(int bw, int bh, const std::vector<std::uint8_t>& src, const std::vector<std::uint8_t>& pass,
                        std::vector<int>* label, const std::vector<int>* srcLabel) {
  std::vector<int> d(src.size(), kUnreached);
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
    ForNeighbours(p, bw, bh, [&](int nq) {
      const auto n = static_cast<std::size_t>(nq);
      if (d[n] != kUnreached || (!pass.empty() && !pass[n])) return;
      d[n] = d[static_cast<std::size_t>(p)] + 1;
      if (label) (*label)[n] = (*label)[static_cast<std::size_t>(p)];
      q.push_back(nq);
    });
  }
  return d;
}

}  // namespace

int Label(int bw, int bh, const std::vector<std::uint8_t>& mask, std::vector<int>& lab, Touch touch) {
  lab.assign(mask.size(), 0);
  int n = 0;
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (!mask[i] || lab[i]) continue;
    lab[i] = ++n;
    const auto take = [&](int q) {
      const auto k = static_cast<std::size_t>(q);
      if (!mask[k] || lab[k]) return false;
      lab[k] = n;
      return true;
    };
    Flood(static_cast<int>(i), bw, bh, take, [](int) { return true; }, touch);
  }
  return n;
}

std::vector<int> GridDistance(int bw, int bh, const std::vector<std::uint8_t>& src,
                              const std::vector<std::uint8_t>& pass) {
  return Search(bw, bh, src, pass, nullptr, nullptr);
}

std::vector<int> GridDistanceCarrying(int bw, int bh, const std::vector<std::uint8_t>& src,
                                      const std::vector<std::uint8_t>& pass, const std::vector<int>& srcLabel,
                                      std::vector<int>& label) {
  return Search(bw, bh, src, pass, &label, &srcLabel);
}

int ChamferDepth(int bw, int bh, const std::vector<std::uint8_t>& in) {
  const std::size_t bn = in.size();
  std::vector<int> d(bn, 0);
  for (std::size_t i = 0; i < bn; ++i) d[i] = in[i] ? 1 << 20 : 0;
  auto relax = [&](int x, int y, int dx, int dy, int cost) {
    const int xx = x + dx, yy = y + dy;
    const int v = xx < 0 || yy < 0 || xx >= bw || yy >= bh ? 0 : d[static_cast<std::size_t>(yy * bw + xx)];
    int& here = d[static_cast<std::size_t>(y * bw + x)];
    here = std::min(here, v + cost);
  };
  // A forward pass from the top-left and a backward one from the
  // bottom-right.
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
  return dMax;
}

std::vector<double> GaussianKernel(double sigma) {
  // Three sigma hold all but 0.3 % of the weight.
  const int R = std::max(1, static_cast<int>(std::ceil(3 * sigma)));
  std::vector<double> g(static_cast<std::size_t>(2 * R + 1));
  double gs = 0;
  for (int k = -R; k <= R; ++k) gs += g[static_cast<std::size_t>(k + R)] = std::exp(-0.5 * k * k / (sigma * sigma));
  for (double& v : g) v /= gs;
  return g;
}

std::vector<double> SampledGaussian(int half, double step, double sigma, double& sum) {
  std::vector<double> g(static_cast<std::size_t>(2 * half + 1));
  sum = 0;
  for (int k = -half; k <= half; ++k) sum += g[static_cast<std::size_t>(k + half)] = std::exp(-0.5 * std::pow(k * step / sigma, 2));
  return g;
}

void BlurMask(int bw, int bh, const std::vector<std::uint8_t>& mask, const std::vector<double>& kernel,
              std::vector<double>& out) {
  const int R = static_cast<int>(kernel.size() / 2);
  const std::size_t bn = mask.size();
  // Each pixel of the mask spreads its kernel: along its row, then each
  // row's sums down their columns.
  std::vector<double> tmp(bn, 0.0);
  out.assign(bn, 0.0);
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      if (!mask[static_cast<std::size_t>(y * bw + x)]) continue;
      for (int k = -R; k <= R; ++k) {
        const int xx = x + k;
        if (xx >= 0 && xx < bw) tmp[static_cast<std::size_t>(y * bw + xx)] += kernel[static_cast<std::size_t>(k + R)];
      }
    }
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      const double v = tmp[static_cast<std::size_t>(y * bw + x)];
      if (v == 0) continue;
      for (int k = -R; k <= R; ++k) {
        const int yy = y + k;
        if (yy >= 0 && yy < bh) out[static_cast<std::size_t>(yy * bw + x)] += v * kernel[static_cast<std::size_t>(k + R)];
      }
    }
}

void BlurRepeatingEdges(int bw, int bh, const std::vector<double>& src, const std::vector<double>& kernel,
                        std::vector<double>& dst) {
  const int R = static_cast<int>(kernel.size() / 2);
  const auto along = [&](const double* from, double* to, bool rows) {
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x) {
        double v = 0;
        for (int q = -R; q <= R; ++q) {
          const int xx = rows ? std::clamp(x + q, 0, bw - 1) : x, yy = rows ? y : std::clamp(y + q, 0, bh - 1);
          v += kernel[static_cast<std::size_t>(q + R)] * from[static_cast<std::size_t>(yy * bw + xx)];
        }
        to[static_cast<std::size_t>(y * bw + x)] = v;
      }
  };
  // Every value of tmp is written before it is read.
  std::unique_ptr<double[]> tmp(new double[src.size()]);
  dst.resize(src.size());
  along(src.data(), tmp.get(), true);
  along(tmp.get(), dst.data(), false);
}

namespace {

// The offsets (dx, dy) of a disc of `radius` px.
std::vector<std::pair<int, int>> DiscOffsets(int radius) {
  std::vector<std::pair<int, int>> d;
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx)
      if (dx * dx + dy * dy <= radius * radius) d.push_back({dx, dy});
  return d;
}

}  // namespace

std::vector<std::uint8_t> OpenByDisc(int bw, int bh, const std::vector<std::uint8_t>& mask, int radius) {
  const std::vector<std::pair<int, int>> disc = DiscOffsets(std::max(0, radius));
  const auto at = [&](int x, int y) { return static_cast<std::size_t>(y) * static_cast<std::size_t>(bw) + static_cast<std::size_t>(x); };
  std::vector<std::uint8_t> core(mask.size(), 0), out(mask.size(), 0);
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      if (!mask[at(x, y)]) continue;
      bool all = true;
      for (const auto& [dx, dy] : disc) {
        const int xx = x + dx, yy = y + dy;
        if (xx < 0 || yy < 0 || xx >= bw || yy >= bh || !mask[at(xx, yy)]) {
          all = false;
          break;
        }
      }
      core[at(x, y)] = all;
    }
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      if (!core[at(x, y)]) continue;
      for (const auto& [dx, dy] : disc) {
        const int xx = x + dx, yy = y + dy;
        if (xx >= 0 && yy >= 0 && xx < bw && yy < bh) out[at(xx, yy)] = 1;
      }
    }
  return out;
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

void ParallelFor(int begin, int end, int threads, int grain, const std::function<void(int, int)>& body) {
  if (end <= begin) return;
  grain = std::max(1, grain);
  const int pieces = (end - begin + grain - 1) / grain;
  const int workers = std::min(std::clamp(threads, 1, 8), pieces);
  std::atomic<int> next{0};
  const auto work = [&] {
    for (int k = next++; k < pieces; k = next++) {
      const int first = begin + k * grain;
      body(first, std::min(end, first + grain));
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < workers; ++t) pool.emplace_back(work);
  work();
  for (std::thread& th : pool) th.join();
}

}  // namespace pelorin
