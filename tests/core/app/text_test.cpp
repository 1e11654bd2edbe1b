#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "base/Text.h"

namespace pelorin {
namespace {

TEST(RoundHalfEven, WorksOnTheDecimalFormAUserSees) {
  struct Case {
    double in;
    int decimals;
    double want;
  } cases[] = {
      {0.0025, 3, 0.002},     // 00:00:09 UT: a tie, to the even digit
      {0.0035, 3, 0.004},
      {2.5, 0, 2.0},
      {3.5, 0, 4.0},
      {-2.5, 0, -2.0},
      {10.123456, 3, 10.123},
      {25.10654, 4, 25.1065},
      {25.10655, 4, 25.1066},  // tie, 5 -> 6 (even)
      {25.10665, 4, 25.1066},  // tie, 6 stays
      {0.9999996, 6, 1.0},
      {359.99999999, 4, 360.0},
      {1e-9, 5, 0.0},
      {123.0, 5, 123.0},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(RoundHalfEven(c.in, c.decimals), c.want) << c.in << " to " << c.decimals;
  }
  EXPECT_TRUE(std::isnan(RoundHalfEven(std::nan(""), 3)));
}

TEST(LeadingNumber, ReadsTheLongestLeadingNumber) {
  const double max = std::numeric_limits<double>::max();
  const std::string zeros(400, '0');
  struct Case {
    std::string text;
    double want;
  } cases[] = {
      {"", 0}, {"abc", 0}, {"12abc", 12}, {"  -3.5xyz", -3.5}, {"+7", 7}, {".5", 0.5},
      {"1e3", 1000}, {"1e", 1}, {"2.5E-1,", 0.25}, {"-", 0}, {"-.", 0}, {"0017", 17},
      {"1D2", 100}, {"3.", 3}, {"1e999", max}, {"-1d999", -max}, {"1e-999", 0},
      // Beyond a double's range the place of the first non-zero digit tells
      // too large from too small, with or without an exponent.
      {"0." + zeros + "1", 0}, {"-0." + zeros + "1", 0}, {"1" + zeros, max}, {"1" + zeros + "e-10", max},
      {"0." + zeros + "1e-10", 0}, {"0." + zeros + "1e+500", 1e99},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.want) << '"' << c.text << '"';
}

TEST(NumberText, GeneralForms) {
  struct Case {
    double v;
    bool single;
    const char* want;
  } cases[] = {
      {0, false, "0"},
      {2003, false, "2003"},
      {-0.5, false, "-0.5"},
      {0.1 + 0.2, false, "0.3"},
      {22.360679774997898, false, "22.3606797749979"},
      {63.43494882292201, false, "63.434948822922"},
      {1e20, false, "1E+20"},
      {0.00001, false, "1E-05"},
      {22.360679774997898, true, "22.36068"},
      {-50.0, true, "-50"},
      {0.993636, false, "0.993636"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.single ? SingleText(c.v) : NumberText(c.v), c.want) << c.v;
}

TEST(FixedText, DigitMasks) {
  EXPECT_EQ(FixedText(5.5, 2, 2), "05.50");
  EXPECT_EQ(FixedText(-5.5, 2, 2), "-05.50");
  EXPECT_EQ(FixedText(12.3, 3, 2), "012.30");
  EXPECT_EQ(FixedText(123.45, 3, 2), "123.45");
  EXPECT_EQ(FixedText(0.125, 2, 2), "00.13");  // masks round halves away from zero
  EXPECT_EQ(PaddedWhole(5, 2), "05");
  EXPECT_EQ(PaddedWhole(29.5, 2), "30");
  EXPECT_EQ(PaddedWhole(2003, 2), "2003");
}

TEST(TextSlices, NeverThrow) {
  EXPECT_EQ(Left("abc", 10), "abc");
  EXPECT_EQ(Right("abc", 2), "bc");
  EXPECT_EQ(Mid("abcdef", 3, 2), "cd");
  EXPECT_EQ(Mid("abc", 5, 2), "");
  EXPECT_EQ(Mid("abc", 2, 100), "bc");
  EXPECT_EQ(Quoted("x"), "\"x\"");
}

}  // namespace
}  // namespace pelorin
