// The counts report: one row per picture from its data file and the
// .spots.csv beside it, in time order, by month, with the observer's k; and
// pelorin-cli report.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliRun.h"
#include "DataFiles.h"
#include "TestApp.h"
#include "formats/SpotsFile.h"
#include "series/Report.h"

namespace pelorin {
namespace {

void Write(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  test::WriteAll(path, bytes);
}

// A data file of `day`.`month`.2003 at `hours` UT.
std::string DataFileOf(int day, int month, const std::string& hours) {
  std::string f = test::DataFile("v2.0", "scan", "-21.4512", {"\"G1\",10,-1,359"});
  const std::string date = "\"Date (day, month, year): \",17,5,2003";
  f.replace(f.find(date), date.size(),
            "\"Date (day, month, year): \"," + std::to_string(day) + "," + std::to_string(month) + ",2003");
  const std::string time = "\"Time (UT): \",7.75";
  f.replace(f.find(time), time.size(), "\"Time (UT): \"," + hours);
  return f;
}

// A .spots.csv of groups with these spot counts, north for a positive count
// and south for a negative one.
std::string SpotsOf(const std::vector<int>& groups) {
  SpotReport r;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    SpotGroup grp;
    grp.name = "G" + std::to_string(g + 1);
    grp.north = groups[g] > 0;
    grp.B = grp.north ? 10 : -10;
    grp.mcIntosh = "Axx";
    for (int s = 0; s < std::abs(groups[g]); ++s) {
      FoundSpot f;
      f.B = grp.B;
      f.group = static_cast<int>(g);
      grp.spots.push_back(static_cast<int>(r.spots.size()));
      r.spots.push_back(f);
    }
    r.groups.push_back(grp);
  }
  return SpotsFileText(r);
}

class CountsReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Write(folder.File("may/b.dat"), DataFileOf(18, 5, "8"));
    Write(folder.File("may/b.spots.csv"), SpotsOf({3, -1, 2}));
    Write(folder.File("may/early/a.dat"), DataFileOf(17, 5, "23.99999"));  // 23:59:59.96: the next day's 00:00
    Write(folder.File("may/early/a.spots.csv"), SpotsOf({}));
    Write(folder.File("c.dat"), DataFileOf(1, 6, "9.5"));
    Write(folder.File("c.spots.csv"), SpotsOf({-4}));
    Write(folder.File("may/unsearched.dat"), DataFileOf(19, 5, "7"));
    Write(folder.File("may/broken.dat"), DataFileOf(20, 5, "7"));
    Write(folder.File("may/broken.spots.csv"), "group,spot\r\n");
  }
  test::TempFolder folder;
};

TEST_F(CountsReportTest, OneRowPerPictureInTimeOrderAndByMonth) {
  const std::string root = folder.path().string() + "/";
  const series::CountsReport all = series::ReadCountsReport({root});
  ASSERT_EQ(all.problems.size(), 2u);
  EXPECT_NE(all.problems[0].find("broken.spots.csv: line"), std::string::npos) << all.problems[0];
  EXPECT_NE(all.problems[1].find("unsearched.dat: no unsearched.spots.csv beside it"), std::string::npos);
  EXPECT_EQ(series::CountsReportCsv(all, 0.6),
            "date,time,file,g,f,R,g_north,f_north,g_south,f_south\n"
            "2003-05-18,00:00," + root + "may/early/a.dat,0,0,0,0,0,0,0\n"
            "2003-05-18,08:00," + root + "may/b.dat,3,6,21.6,2,5,1,1\n"
            "2003-06-01,09:30," + root + "c.dat,1,4,8.4,0,0,1,4\n");
  struct Case {
    int year, month;
    std::size_t rows;
  } months[] = {{2003, 5, 2}, {2003, 6, 1}, {2004, 5, 0}, {0, 0, 3}};
  for (const Case& c : months)
    EXPECT_EQ(series::ReadCountsReport({root}, c.year, c.month).rows.size(), c.rows) << c.month;
}

TEST_F(CountsReportTest, TheCommandPrintsTheReport) {
  const test::CliResult r = test::RunCli(folder.path(), "report --k 2 --month 2003-05 may");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "date,time,file,g,f,R,g_north,f_north,g_south,f_south\n"
            "2003-05-18,00:00,may/early/a.dat,0,0,0,0,0,0,0\n"
            "2003-05-18,08:00,may/b.dat,3,6,72,2,5,1,1\n");
  EXPECT_NE(r.err.find("pelorin-cli report: may/unsearched.dat: no unsearched.spots.csv"), std::string::npos);
  struct Case {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"report --month 2003-13 may", 2, "pelorin-cli report: --month is not YYYY-MM: '2003-13'\n"},
      {"report --k 0 may", 2, "pelorin-cli report: --k is not a number above 0 and at most 10: '0'\n"},
      {"report --k 1 --k 2 may", 2, "pelorin-cli report: --k given twice\n"},
      {"report --month", 2, "pelorin-cli report: --month needs a value\n"},
      {"report", 2, "pelorin-cli report: no PATH given\n"},
      {"report --aavso X may", 2, "pelorin-cli report: unknown option '--aavso'\n"},
      {"report may/unsearched.dat", 1, "pelorin-cli report: may/unsearched.dat: no unsearched.spots.csv beside it\n"},
  };
  for (const Case& c : cases) {
    const test::CliResult e = test::RunCli(folder.path(), c.args);
    EXPECT_EQ(e.status, c.status) << c.args;
    EXPECT_EQ(e.err.substr(0, c.err.size()), c.err) << c.args;
  }
}

}  // namespace
}  // namespace pelorin
