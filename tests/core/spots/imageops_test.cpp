// The spot finder's picture operations on small boxes drawn as text: labels,
// floods, distances, the watershed from markers, chamfer depth, Gaussian
// kernels and blurs, outlines, and the parallel loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "OutlineArea.h"
#include "spots/ImageOps.h"

namespace pelorin {
namespace {

using test::Shoelace;

// A box drawn as rows of text; Mask() is 1 where the row holds '#'.
struct Drawn {
  int bw = 0, bh = 0;
  std::vector<std::string> rows;
  explicit Drawn(std::vector<std::string> r)
      : bw(static_cast<int>(r[0].size())), bh(static_cast<int>(r.size())), rows(std::move(r)) {}
  std::vector<std::uint8_t> Mask(char on = '#') const {
    std::vector<std::uint8_t> m;
    for (const std::string& row : rows)
      for (char ch : row) m.push_back(ch == on);
    return m;
  }
};

// The labels as text, one digit a pixel ('.' for 0), for readable failures.
std::vector<std::string> AsText(const std::vector<int>& lab, int bw) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lab.size(); ++i) {
    if (i % static_cast<std::size_t>(bw) == 0) out.emplace_back();
    out.back() += lab[i] == 0 ? '.' : static_cast<char>('0' + lab[i] % 10);
  }
  return out;
}

TEST(ImageOps, LabelsPartsByTouch) {
  struct Case {
    const char* what;
    std::vector<std::string> rows;
    Touch touch;
    std::vector<std::string> labels;
  };
  const std::vector<Case> cases = {
      {"diagonal joins by 8", {"#..", ".#.", "..#"}, Touch::Eight, {"1..", ".1.", "..1"}},
      {"diagonal parts by 4", {"#..", ".#.", "..#"}, Touch::Four, {"1..", ".2.", "..3"}},
      {"numbered by first pixel", {"..#", "#.#", "#.."}, Touch::Eight, {"..1", "2.1", "2.."}},
      {"a ring is one part", {"###", "#.#", "###"}, Touch::Four, {"111", "1.1", "111"}},
      {"empty", {"...", "..."}, Touch::Eight, {"...", "..."}},
  };
  for (const Case& c : cases) {
    const Drawn d(c.rows);
    std::vector<int> lab;
    const int n = Label(d.bw, d.bh, d.Mask(), lab, c.touch);
    EXPECT_EQ(AsText(lab, d.bw), c.labels) << c.what;
    int most = 0;
    for (int l : lab) most = std::max(most, l);
    EXPECT_EQ(n, most) << c.what;
  }
}

TEST(ImageOps, FloodTakesWhatItMayAndStopsWhenTold) {
  // From the top-left corner over '#' (8-connected), stopping once `stop`
  // pixels were reached; the neighbours of the last one are marked all the
  // same.
  struct Case {
    const char* what;
    std::vector<std::string> rows;
    std::size_t stop;
    std::size_t reached, marked;
  };
  const std::vector<Case> cases = {
      {"a bar", {"####", "....", "####"}, 100, 4, 4},
      {"around a corner", {"#...", ".#..", "..##"}, 100, 4, 4},
      {"stopped after one", {"###", "###"}, 1, 1, 4},
      {"stopped after three", {"######"}, 3, 3, 4},
      {"alone", {"#.#"}, 100, 1, 1},
  };
  for (const Case& c : cases) {
    const Drawn d(c.rows);
    const std::vector<std::uint8_t> mask = d.Mask();
    std::vector<std::uint8_t> seen(mask.size(), 0);
    seen[0] = 1;
    std::vector<int> reached;
    Flood(
        0, d.bw, d.bh,
        [&](int q) {
          if (seen[static_cast<std::size_t>(q)] || !mask[static_cast<std::size_t>(q)]) return false;
          seen[static_cast<std::size_t>(q)] = 1;
          return true;
        },
        [&](int p) {
          reached.push_back(p);
          return reached.size() < c.stop;
        });
    std::size_t marked = 0;
    for (std::uint8_t s : seen) marked += s;
    EXPECT_EQ(reached.size(), c.reached) << c.what;
    EXPECT_EQ(marked, c.marked) << c.what;
  }
}

TEST(ImageOps, GridDistanceThroughWhatPasses) {
  // 'S' sources, '#' pixels that pass ('S' passes too); "all" lets every
  // pixel pass. Distances as digits, '-' unreached.
  struct Case {
    const char* what;
    std::vector<std::string> rows;
    bool all;
    std::vector<std::string> dist;
  };
  const std::vector<Case> cases = {
      {"diagonal steps count one", {"S...", "....", "...."}, true, {"0123", "1123", "2223"}},
      {"two sources", {"S...S"}, true, {"01210"}},
      {"only through the passage", {"S#..", "..#.", "##.#"}, false, {"01--", "--2-", "43-3"}},
      {"nothing reached", {"S.#"}, false, {"0--"}},
  };
  for (const Case& c : cases) {
    const Drawn d(c.rows);
    const std::vector<std::uint8_t> src = d.Mask('S');
    std::vector<std::uint8_t> pass;
    if (!c.all) {
      pass = d.Mask('#');
      for (std::size_t i = 0; i < pass.size(); ++i) pass[i] = pass[i] || src[i];
    }
    const std::vector<int> dist = GridDistance(d.bw, d.bh, src, pass);
    std::vector<std::string> got;
    for (std::size_t i = 0; i < dist.size(); ++i) {
      if (i % static_cast<std::size_t>(d.bw) == 0) got.emplace_back();
      got.back() += dist[i] == kUnreached ? '-' : static_cast<char>('0' + dist[i]);
    }
    EXPECT_EQ(got, c.dist) << c.what;
  }
}

TEST(ImageOps, DistanceCarriesTheNearestSourcesLabel) {
  // Sources 1 and 2 at the ends of a row; unreached pixels keep what they
  // held (7).
  const Drawn d({"1...2", "##.##"});
  std::vector<std::uint8_t> src(10, 0), pass(10, 1);
  std::vector<int> srcLabel(10, 0), label(10, 7);
  src[0] = src[4] = 1;
  srcLabel[0] = 1;
  srcLabel[4] = 2;
  pass[5] = pass[6] = pass[8] = pass[9] = 0;
  GridDistanceCarrying(d.bw, d.bh, src, pass, srcLabel, label);
  // The middle pixels are two steps from both: the first source reached
  // first takes them.
  EXPECT_EQ(label, (std::vector<int>{1, 1, 1, 2, 2, 7, 7, 1, 7, 7}));
}

TEST(ImageOps, GrowsLabelsLowestFirst) {
  // Two markers in a valley of levels; the ridge pixel (9) goes to the side
  // that reaches it first, the lower one; pixels closed ('x') stay 0.
  const int bw = 7, bh = 1;
  const std::vector<float> level = {1, 2, 3, 9, 4, 5, 6};
  struct Case {
    const char* what;
    std::vector<int> seeds;
    std::vector<int> lab;  // before
    std::string closed;
    std::vector<int> want;
  };
  const std::vector<Case> cases = {
      {"two markers", {0, 6}, {1, 0, 0, 0, 0, 0, 2}, ".......", {1, 1, 1, 1, 2, 2, 2}},
      {"a closed pixel stops it", {0}, {1, 0, 0, 0, 0, 0, 0}, "..x....", {1, 1, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    std::vector<int> lab = c.lab;
    GrowLowestFirst(bw, bh, level, c.seeds, lab, [&](int q) { return c.closed[static_cast<std::size_t>(q)] != 'x'; });
    EXPECT_EQ(lab, c.want) << c.what;
  }
  // With the right side lower, it crosses the ridge first.
  std::vector<int> lab = {1, 0, 0, 0, 0, 0, 2};
  const std::vector<float> tilted = {6, 5, 4, 9, 3, 2, 1};
  GrowLowestFirst(bw, bh, tilted, {0, 6}, lab, [](int) { return true; });
  EXPECT_EQ(lab, (std::vector<int>{1, 1, 1, 2, 2, 2, 2}));
}

TEST(ImageOps, ChamferDepthOfShapes) {
  struct Case {
    const char* what;
    std::vector<std::string> rows;
    int depth;  // 3 a side step, 4 a diagonal one
  };
  const std::vector<Case> cases = {
      {"empty", {"...", "..."}, 0},
      {"one pixel", {"#"}, 3},
      {"a line 3 wide", {"#####", "#####", "#####"}, 6},
      {"a square 5 wide", {"#####", "#####", "#####", "#####", "#####"}, 9},
      {"the box's edge is outside", {"##", "##"}, 3},
  };
  for (const Case& c : cases) {
    const Drawn d(c.rows);
    EXPECT_EQ(ChamferDepth(d.bw, d.bh, d.Mask()), c.depth) << c.what;
  }
}

TEST(ImageOps, GaussianKernels) {
  struct Case {
    double sigma;
    std::size_t size;  // 2 max(1, ceil(3 sigma)) + 1
  };
  for (const Case& c : {Case{0.2, 3}, Case{0.5, 5}, Case{1.0, 7}, Case{1.4, 11}, Case{2.0, 13}}) {
    const std::vector<double> g = GaussianKernel(c.sigma);
    ASSERT_EQ(g.size(), c.size) << c.sigma;
    double sum = 0, var = 0;
    const int R = static_cast<int>(g.size() / 2);
    for (int k = -R; k <= R; ++k) {
      sum += g[static_cast<std::size_t>(k + R)];
      var += g[static_cast<std::size_t>(k + R)] * k * k;
      EXPECT_DOUBLE_EQ(g[static_cast<std::size_t>(k + R)], g[static_cast<std::size_t>(R - k)]) << c.sigma;
    }
    EXPECT_NEAR(sum, 1, 1e-12) << c.sigma;
    // Sampled at whole pixels out to 3 sigma the variance is the Gaussian's
    // for sigma from about 1 px.
    if (c.sigma >= 1) {
      EXPECT_NEAR(std::sqrt(var), c.sigma, 0.02 * c.sigma) << c.sigma;
    }
  }
  // Sampled at a step: 1 at the centre, exp(-1/2) at one sigma, and the sum
  // returned is the weights' sum.
  double sum = 0;
  const std::vector<double> s = SampledGaussian(8, 0.25, 1.0, sum);
  ASSERT_EQ(s.size(), 17u);
  EXPECT_DOUBLE_EQ(s[8], 1.0);
  EXPECT_NEAR(s[12], std::exp(-0.5), 1e-15);
  double added = 0;
  for (double v : s) added += v;
  EXPECT_DOUBLE_EQ(sum, added);
}

// The 2-D convolution of `src` with kernel g x g, straight from its
// definition, outside the box `outside(x, y)`.
template <class Outside>
std::vector<double> Convolve(int bw, int bh, const std::vector<double>& src, const std::vector<double>& g,
                             Outside outside) {
  const int R = static_cast<int>(g.size() / 2);
  std::vector<double> out(src.size(), 0.0);
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x)
      for (int j = -R; j <= R; ++j)
        for (int i = -R; i <= R; ++i) {
          const int xx = x + i, yy = y + j;
          const double v = xx < 0 || yy < 0 || xx >= bw || yy >= bh ? outside(xx, yy)
                                                                    : src[static_cast<std::size_t>(yy * bw + xx)];
          out[static_cast<std::size_t>(y * bw + x)] += g[static_cast<std::size_t>(i + R)] * g[static_cast<std::size_t>(j + R)] * v;
        }
  return out;
}

TEST(ImageOps, BlursAgreeWithTheConvolution) {
  const Drawn d({"......", ".##...", ".###..", "....#.", "......"});
  const std::vector<std::uint8_t> mask = d.Mask();
  const std::vector<double> src(mask.begin(), mask.end());
  for (const double sigma : {0.4, 0.8, 1.5}) {
    const std::vector<double> g = GaussianKernel(sigma);
    std::vector<double> got;
    BlurMask(d.bw, d.bh, mask, g, got);
    const std::vector<double> zeros = Convolve(d.bw, d.bh, src, g, [](int, int) { return 0.0; });
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], zeros[i], 1e-12) << "zeros, sigma " << sigma;
    BlurRepeatingEdges(d.bw, d.bh, src, g, got);
    const std::vector<double> edges = Convolve(d.bw, d.bh, src, g, [&](int x, int y) {
      x = std::clamp(x, 0, d.bw - 1);
      y = std::clamp(y, 0, d.bh - 1);
      return src[static_cast<std::size_t>(y * d.bw + x)];
    });
    for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], edges[i], 1e-12) << "edges, sigma " << sigma;
  }
}

// Opening by a disc: a line thinner than the disc goes, a round part wide
// enough stays whole, a part at the box's edge is eroded from outside.
// Source: the definition (the union of the discs that fit in the mask).
TEST(ImageOps, OpeningByADiscTakesLinesAndKeepsRoundParts) {
  struct Case {
    const char* what;
    int radius;
    std::vector<std::string> in, want;
  };
  const Case cases[] = {
      {"a line two pixels wide, alone", 1, {"......", "######", "######", "......"}, {"......", "......", "......", "......"}},
      {"a disc of radius 2 stays, the bar one pixel high on it goes",
       2,
       {"...........", "...#.......", "..###......", ".##########", "..###......", "...#.......", "..........."},
       {"...........", "...#.......", "..###......", ".#####.....", "..###......", "...#.......", "..........."}},
      {"radius 0 keeps everything", 0, {"#..", ".#.", "..#"}, {"#..", ".#.", "..#"}},
      {"the box's surroundings count as outside", 1, {"###", "###", "###"}, {".#.", "###", ".#."}},
      {"too narrow at the box's edge", 1, {"##.", "##.", "..."}, {"...", "...", "..."}},
  };
  for (const Case& c : cases) {
    const Drawn in(c.in), want(c.want);
    EXPECT_EQ(OpenByDisc(in.bw, in.bh, in.Mask(), c.radius), want.Mask()) << c.what;
  }
}

TEST(ImageOps, OutlinesFollowThePixelsEdges) {
  struct Case {
    const char* what;
    std::vector<std::string> rows;  // '#' in the mask
    std::size_t loops, corners;     // corners of all loops together
    double area;                    // the loops' shoelace sums together
  };
  const std::vector<Case> cases = {
      {"one pixel", {"#"}, 1, 4, 1},
      {"a row", {"####"}, 1, 4, 4},
      {"an L", {"#..", "#..", "###"}, 1, 6, 5},
      {"a ring", {"###", "#.#", "###"}, 2, 8, 8},
      {"two apart", {"#.#"}, 2, 8, 2},
      {"a plus", {".#.", "###", ".#."}, 1, 12, 5},
      {"empty", {"..", ".."}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const Drawn d(c.rows);
    const std::vector<SpotOutline> loops = TraceOutlines(d.bw, d.bh, d.Mask(), 100, 50);
    std::size_t corners = 0;
    double area = 0;
    for (const SpotOutline& l : loops) {
      corners += l.size();
      area += Shoelace(l);
      for (const auto& [x, y] : l) {
        EXPECT_GE(x, 99.5f) << c.what;
        EXPECT_LE(x, 99.5f + static_cast<float>(d.bw)) << c.what;
        EXPECT_GE(y, 49.5f) << c.what;
        EXPECT_LE(y, 49.5f + static_cast<float>(d.bh)) << c.what;
      }
    }
    EXPECT_EQ(loops.size(), c.loops) << c.what;
    EXPECT_EQ(corners, c.corners) << c.what;
    EXPECT_DOUBLE_EQ(area, c.area) << c.what;
  }
}

TEST(ImageOps, ParallelForCoversEachItemOnce) {
  struct Case {
    int begin, end, threads, grain;
  };
  for (const Case& c : {Case{0, 0, 2, 4}, Case{3, 4, 2, 4}, Case{0, 100, 1, 7}, Case{0, 100, 2, 7}, Case{-5, 250, 8, 1},
                        Case{10, 73, 3, 64}, Case{0, 9, 0, 0}}) {
    std::vector<std::atomic<int>> hits(static_cast<std::size_t>(std::max(0, c.end - c.begin)));
    std::atomic<int> pieces{0}, tooLong{0};
    ParallelFor(c.begin, c.end, c.threads, c.grain, [&](int first, int last) {
      ++pieces;
      if (last - first > std::max(1, c.grain)) ++tooLong;
      for (int i = first; i < last; ++i) ++hits[static_cast<std::size_t>(i - c.begin)];
    });
    for (std::size_t i = 0; i < hits.size(); ++i) EXPECT_EQ(hits[i].load(), 1) << c.begin << ".." << c.end << " at " << i;
    EXPECT_EQ(tooLong.load(), 0);
    const int n = c.end - c.begin, g = std::max(1, c.grain);
    EXPECT_EQ(pieces.load(), (n + g - 1) / g) << c.begin << ".." << c.end;
  }
}

}  // namespace
}  // namespace pelorin
