// Picture operations the spot finder is built from, each on a box of
// bw x bh pixels stored row by row (pixel (x, y) at index y bw + x, y down):
// labels of connected parts, floods, grid and chamfer distances, Gaussian
// kernels and blurs, outlines along the pixels' edges, and one parallel loop
// over rows or items. Pure functions of their arguments; no program state.
//
// Neighbours are always visited in the same order (rows from the top, each
// from the left), so a flood or a distance that breaks ties by that order
// gives the same result on every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

#include "formats/SpotTable.h"

namespace pelorin {

// Which pixels touch: the 8 around one, or only the 4 sharing an edge.
enum class Touch { Eight, Four };

// Calls f(q) for each neighbour q (an index y bw + x) of the pixel at index
// p inside the bw x bh box, rows from the top, each from the left; p itself
// is not visited.
template <class F>
void ForNeighbours(int p, int bw, int bh, F&& f, Touch touch = Touch::Eight) {
  const int x = p % bw, y = p / bw;
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      if ((dx == 0 && dy == 0) || (touch == Touch::Four && dx != 0 && dy != 0)) continue;
      const int xx = x + dx, yy = y + dy;
      if (xx < 0 || yy < 0 || xx >= bw || yy >= bh) continue;
      f(yy * bw + xx);
    }
}

// Depth-first flood from the pixel `seed` (already marked by the caller).
// take(q) says whether neighbour q joins, and marks it so that it is not
// taken twice; reached(p) is called as each pixel leaves the stack, after
// its neighbours were taken, and the flood stops when it returns false.
template <class Take, class Reached>
void Flood(int seed, int bw, int bh, Take&& take, Reached&& reached, Touch touch = Touch::Eight) {
  std::vector<int> stack{seed};
  while (!stack.empty()) {
    const int p = stack.back();
    stack.pop_back();
    ForNeighbours(
        p, bw, bh, [&](int q) {
          if (take(q)) stack.push_back(q);
        },
        touch);
    if (!reached(p)) break;
  }
}

// Connected parts of `mask` (non-zero: in): `lab` gets each pixel's part,
// numbered from 1 in the order of their first pixels, 0 outside the mask.
// Returns the number of parts.
int Label(int bw, int bh, const std::vector<std::uint8_t>& mask, std::vector<int>& lab, Touch touch = Touch::Eight);

// Grows the labels in `lab` from the pixels `seeds` (labelled already) into
// the unlabelled pixels q (lab[q] == 0) where open(q) is true, 8-connected,
// the pixel of lowest `level` first (ties: the lower index): a watershed
// from markers, each pixel taking the label of the neighbour it was reached
// from.
template <class Open>
void GrowLowestFirst(int bw, int bh, const std::vector<float>& level, const std::vector<int>& seeds,
                     std::vector<int>& lab, Open&& open) {
  using Item = std::pair<float, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> pq;
  for (int i : seeds) pq.push({level[static_cast<std::size_t>(i)], i});
  while (!pq.empty()) {
    const int p = pq.top().second;
    pq.pop();
    ForNeighbours(p, bw, bh, [&](int q) {
      const auto n = static_cast<std::size_t>(q);
      if (!open(q) || lab[n]) return;
      lab[n] = lab[static_cast<std::size_t>(p)];
      pq.push({level[n], q});
    });
  }
}

// What GridDistance gives a pixel it cannot reach.
inline constexpr int kUnreached = 1 << 28;

// Grid distances (8-connected steps, a diagonal one step) from the pixels
// where `src` is non-zero, through the pixels where `pass` is non-zero (all
// when `pass` is empty); kUnreached where no path leads.
std::vector<int> GridDistance(int bw, int bh, const std::vector<std::uint8_t>& src,
                              const std::vector<std::uint8_t>& pass);

// GridDistance that also carries labels: each source pixel's `label` is
// its `srcLabel`, each pixel reached that of the pixel it was first reached
// from (nearest source, ties by the order of the search); unreached pixels
// keep their `label`. `label` and `srcLabel` are bw x bh.
std::vector<int> GridDistanceCarrying(int bw, int bh, const std::vector<std::uint8_t>& src,
                                      const std::vector<std::uint8_t>& pass, const std::vector<int>& srcLabel,
                                      std::vector<int>& label);

// The largest chamfer distance (3 a side step, 4 a diagonal one) from a
// pixel of `in` to the nearest pixel outside it, the box's surroundings
// counting as outside; 0 for an empty mask. One third of it is about the
// distance in pixels.
int ChamferDepth(int bw, int bh, const std::vector<std::uint8_t>& in);

// The Gaussian of `sigma` (px, > 0) sampled at whole pixels out to
// R = max(1, ceil(3 sigma)), normalised to sum 1: 2R + 1 weights, the
// centre at index R.
std::vector<double> GaussianKernel(double sigma);

// The Gaussian of `sigma` (> 0) sampled at k step for k = -half .. half,
// unnormalised (1 at the centre, index half); `sum` gets the weights' sum,
// added from -half up.
std::vector<double> SampledGaussian(int half, double step, double sigma, double& sum);

// The 0/1 `mask` blurred by `kernel` (odd length, centred) along rows and
// then columns, as if the box were surrounded by zeros: `out` gets bw x bh
// values.
void BlurMask(int bw, int bh, const std::vector<std::uint8_t>& mask, const std::vector<double>& kernel,
              std::vector<double>& out);

// `src` blurred by `kernel` (odd length, centred) along rows and then
// columns, the edge pixels repeated beyond the box: `dst` gets bw x bh
// values.
void BlurRepeatingEdges(int bw, int bh, const std::vector<double>& src, const std::vector<double>& kernel,
                        std::vector<double>& dst);

// `mask` opened by a disc of `radius` px (the pixels within radius of a
// pixel, radius >= 0): eroded, the box's surroundings counting as outside,
// then dilated; what stays is the union of the discs that fit inside the
// mask. Lines and necks narrower than the disc go, round parts stay.
std::vector<std::uint8_t> OpenByDisc(int bw, int bh, const std::vector<std::uint8_t>& mask, int radius);

// The outlines of a mask of bw x bh pixels (non-zero: in) whose top-left
// pixel is picture pixel (x0, y0), along the pixels' edges: each part's
// outside and each hole's, with the mask on the right going round in the
// picture's y-down frame (so that the outsides' shoelace sums are the
// parts' pixel counts, the holes' negative); straight runs are one segment.
// Parts touching only at a corner may come out as one loop.
std::vector<SpotOutline> TraceOutlines(int bw, int bh, const std::vector<std::uint8_t>& mask, int x0, int y0);

// Runs body(first, last) over [begin, end) cut into pieces of `grain`
// items (the last may be shorter), which `threads` workers (1 .. 8, the
// caller's thread one of them) take in turn. Pieces may run in any order
// and at once: body must write only what belongs to its items.
void ParallelFor(int begin, int end, int threads, int grain, const std::function<void(int, int)>& body);

}  // namespace pelorin
