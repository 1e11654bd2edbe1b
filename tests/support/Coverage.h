// How often claimed 1-sigma errors cover the truth: the share of positions
// within 1 and 2 sigma, in B and in L, printed for the test's output. A
// Gaussian error covers 68.3 % and 95.4 %. Header only.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace pelorin::test {

class Coverage {
 public:
  // One position: its differences from the truth and its claimed errors,
  // degrees (L's difference already taken across 0/360).
  void Add(double dB_deg, double sB_deg, double dL_deg, double sL_deg) {
    ++n_;
    b1_ += std::fabs(dB_deg) <= sB_deg;
    b2_ += std::fabs(dB_deg) <= 2 * sB_deg;
    l1_ += std::fabs(dL_deg) <= sL_deg;
    l2_ += std::fabs(dL_deg) <= 2 * sL_deg;
  }
  int n() const { return n_; }
  double B1() const { return Share(b1_); }
  double B2() const { return Share(b2_); }
  double L1() const { return Share(l1_); }
  double L2() const { return Share(l2_); }
  void Print(const std::string& road) const {
    std::printf("coverage %s: %d positions; B %.1f %% within 1 sigma, %.1f %% within 2; L %.1f %%, %.1f %%\n",
                road.c_str(), n_, 100 * B1(), 100 * B2(), 100 * L1(), 100 * L2());
  }

 private:
  double Share(int k) const { return n_ > 0 ? static_cast<double>(k) / n_ : 0; }
  int n_ = 0, b1_ = 0, b2_ = 0, l1_ = 0, l2_ = 0;
};

// The checks every road must pass: 200 positions at least, 60 to 76 %
// within 1 sigma and 93 % within 2, in B and in L.
inline void ExpectCoverage(const Coverage& c, const std::string& road) {
  EXPECT_GE(c.n(), 200) << road;
  EXPECT_GE(c.B1(), 0.60) << road << ": B within 1 sigma";
  EXPECT_LE(c.B1(), 0.76) << road << ": B within 1 sigma";
  EXPECT_GE(c.B2(), 0.93) << road << ": B within 2 sigma";
  EXPECT_GE(c.L1(), 0.60) << road << ": L within 1 sigma";
  EXPECT_LE(c.L1(), 0.76) << road << ": L within 1 sigma";
  EXPECT_GE(c.L2(), 0.93) << road << ": L within 2 sigma";
}

}  // namespace pelorin::test
