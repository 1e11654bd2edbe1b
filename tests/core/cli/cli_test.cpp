#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "CliRun.h"
#include "TestApp.h"
#include "base/Text.h"

namespace pelorin {
namespace {

// Runs pelorin-cli with `args` (already shell-safe) in a fresh folder.
test::CliResult Cli(const std::string& args) {
  test::TempFolder folder;
  return test::RunCli(folder.path(), args);
}

// The value of `key` in a line of key=value pairs ("" when absent).
std::string Field(const std::string& line, const std::string& key) {
  const std::string tag = key + "=";
  std::size_t at = line.rfind(' ' + tag) != std::string::npos ? line.rfind(' ' + tag) + 1 : 0;
  if (line.compare(at, tag.size(), tag) != 0) return "";
  at += tag.size();
  return line.substr(at, line.find_first_of(" \n", at) - at);
}

const char* const kPicture = "x0=500 y0=500 rk=400 P=10 B0=5 L0=100 rho0=0.99 ";

TEST(Cli, PrintsTheWorkedExamples) {
  // Expected lines: the examples of the command-line notes (the ephemeris of
  // 2003 October 28 and the transform example of the geometry notes).
  struct Case {
    std::string args, want;
  } cases[] = {
      {"ephemeris year=2003 month=10 day=28 hours=11", "P=25.1065 B0=4.7688 L0=295.1946 rho0=0.993636 hours=11\n"},
      // Any order; hours come back rounded (values regression only).
      {"ephemeris hours=10.123456 day=28 month=10 year=2003",
       "P=25.1114 B0=4.7723 L0=295.6762 rho0=0.993646 hours=10.123\n"},
      {std::string("helio ") + kPicture + "orientation=20 northup=0 x=600 y=450", "B=9.36605 CMD=-15.68225 L=84.31775\n"},
      {std::string("helio ") + kPicture + "orientation=20 northup=1 x=600 y=450", "B=14.40915 CMD=13.3407 L=113.3407\n"},
      {std::string("helio ") + kPicture + "orientation=20 x=950 y=500", "B=0 CMD=0 L=100\n"},
      {"system s=0 x0=500 y0=500 x=510 y=480", "X=10 Y=20\n"},
      {"system s=5 x0=500 y0=500 x=510 y=480", "X=-10 Y=20\n"},
  };
  for (const auto& c : cases) {
    const test::CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, 0) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.want) << c.args;
    EXPECT_EQ(r.err, "") << c.args;
  }
}

TEST(Cli, PixelAndPolarValuesInFullPrecision) {
  // pixel: the inverse of the helio example lands within 0.01 of (600, 450)
  // (geometry notes). system s=8: R = sqrt(500) exactly as printed, fi =
  // atan(2) in degrees; the factor 57.2957795130824 puts it ~9e-14 above the
  // true 63.434948822922010, so the text is checked as a number.
  test::CliResult r = Cli(std::string("pixel ") + kPicture + "orientation=-20 L=84.31775 B=9.36605");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NEAR(LeadingNumber(Field(r.out, "x")), 600, 0.01) << r.out;
  EXPECT_NEAR(LeadingNumber(Field(r.out, "y")), 450, 0.01) << r.out;

  r = Cli("system s=8 x0=500 y0=500 x=510 y=480");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Field(r.out, "R"), "22.3606797749979") << r.out;
  EXPECT_NEAR(LeadingNumber(Field(r.out, "fi")), 63.434948822922, 2e-13) << r.out;
}

TEST(Cli, BadArgumentsExitWithStatusTwoAndSaySo) {
  struct Case {
    std::string args, mentions;
  } cases[] = {
      {"ephemeris year=2003 month=10 day=28", "hours"},                     // missing
      {"ephemeris year=2003 month=10 day=28 hours=11 minutes=3", "minutes"},  // unknown
      {"ephemeris year=2003 month=1O day=28 hours=11", "month"},            // not a number
      {"system s=8 x0=500 y0=500 x=510 y=480abc", "y"},                     // trailing garbage
      {"system s=8 x0=500 y0= x=510 y=480", "y0"},                          // empty value
      {"system s=8 x0=500 y0=500 x=inf y=480", "x"},                        // not finite
      {"system s=8 x0=500 x0=501 y0=500 x=510 y=480", "x0"},               // twice
      {"system s=12 x0=500 y0=500 x=510 y=480", "s"},                       // out of range
      {"ephemeris year=2003 month=13 day=28 hours=11", "month"},
      {std::string("helio ") + kPicture + "orientation=20 northup=2 x=600 y=450", "northup"},
      {"helio x0=500 y0=500 rk=0 P=10 B0=5 L0=100 rho0=0.99 orientation=20 x=600 y=450", "rk"},
      {"", "usage"},
      {"sunspots", "usage"},
  };
  for (const auto& c : cases) {
    const test::CliResult r = Cli(c.args);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_EQ(r.out, "") << c.args;
    EXPECT_NE(r.err.find(c.mentions), std::string::npos) << c.args << "\n" << r.err;
  }
}

}  // namespace
}  // namespace pelorin
