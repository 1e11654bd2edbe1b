#include "Series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <utility>

#include "CliRun.h"
#include "TestApp.h"

namespace pelorin {
namespace {

// A season of 120 days in `folder`/season.
void Season(const test::TempFolder& folder) {
  gen::SeriesPlan plan;
  plan.days = 120;
  plan.seed = 3;
  gen::WriteSeries(folder.File("season"), plan);
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST(CliSeries, SummaryLine) {
  test::TempFolder folder;
  Season(folder);
  struct Case {
    const char* args;
    const char* pattern;
  };
  const std::string num = "-?[0-9.]+(E[-+][0-9]+)?";
  const std::string head = "files=[0-9]+ groups=[0-9]+ tracks=[0-9]+ velocities=[0-9]+ A=" + num + " A_err=" + num +
                           " B=" + num + " B_err=" + num;
  for (const auto& [args, tail] : {std::pair<std::string, std::string>{"season", ""},
                                   {"--method fit season", ""},
                                   {"--method ds --law 3 season", " C=" + num + " C_err=" + num}}) {
    SCOPED_TRACE(args);
    const test::CliResult r = test::RunCli(folder.path(), "series " + args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.out, std::regex(head + tail + "\n"))) << r.out;
    EXPECT_EQ(r.err, "");
  }
}

TEST(CliSeries, VelocitiesAndTracksCsv) {
  test::TempFolder folder;
  Season(folder);
  const test::CliResult ds = test::RunCli(folder.path(), "series --velocities season");
  EXPECT_EQ(ds.status, 0) << ds.err;
  EXPECT_EQ(FirstLine(ds.out), "group,time,B,CMD,omega_syn,omega_sid");
  const std::string row = "[^,]+,\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ,-?[0-9.]+,-?[0-9.]+,[0-9.]+,[0-9.]+";
  const std::string second = ds.out.substr(ds.out.find('\n') + 1);
  EXPECT_TRUE(std::regex_match(FirstLine(second), std::regex(row))) << second;
  // The count of rows is the summary's velocities.
  const test::CliResult sum = test::RunCli(folder.path(), "series season");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(sum.out, m, std::regex("velocities=([0-9]+)")));
  EXPECT_EQ(std::count(ds.out.begin(), ds.out.end(), '\n') - 1, std::stol(m[1]));

  const test::CliResult fit = test::RunCli(folder.path(), "series --velocities --method fit season");
  EXPECT_EQ(FirstLine(fit.out), "group,time,B,CMD,omega_syn,omega_sid");
  const test::CliResult tracks = test::RunCli(folder.path(), "series --tracks season");
  EXPECT_EQ(tracks.status, 0) << tracks.err;
  EXPECT_EQ(FirstLine(tracks.out), "group,time,B,CMD,L,file");
  const std::string t2 = FirstLine(tracks.out.substr(tracks.out.find('\n') + 1));
  EXPECT_TRUE(std::regex_match(t2, std::regex(row.substr(0, row.rfind(',')) + ",season/season_\\d{8}_\\d{4}\\.dat")))
      << t2;
}

TEST(CliSeries, UnreadableFilesAndArguments) {
  test::TempFolder folder;
  Season(folder);
  test::WriteAll(folder.File("season/broken.dat"), "Note\r\nonly two lines\r\n");
  test::WriteAll(folder.File("notes.txt"), "hello");
  std::filesystem::create_directories(folder.File("empty"));
  test::WriteAll(folder.File("empty/readme.txt"), "nothing here");
  struct Case {
    const char* args;
    int status;
    const char* err;  // a line stderr holds
  };
  const Case cases[] = {
      {"season", 0, "pelorin-cli series: season/broken.dat: line 3: the header ends here"},
      {"empty", 1, "pelorin-cli series: no readable data file"},
      {"empty", 1, "pelorin-cli series: empty: no data file (*.dat) in this folder"},
      {"notes.txt", 1, "pelorin-cli series: notes.txt: line 2: the header ends here"},
      {"missing", 1, "pelorin-cli series: missing: no such file or folder"},
      {"--method xx season", 2, "pelorin-cli series: --method takes ds or fit"},
      {"--law 4 season", 2, "pelorin-cli series: --law takes 2 or 3"},
      {"--tracks --velocities season", 2, "exclude each other"},
      {"", 2, "usage: pelorin-cli series"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const test::CliResult r = test::RunCli(folder.path(), std::string("series ") + c.args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace pelorin
