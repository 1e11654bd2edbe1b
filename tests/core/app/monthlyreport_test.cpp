// Tools -> "Monthly report…": the counts report of a folder saved as CSV,
// the observer's k in R; nothing asked when no picture has counts.
#include <gtest/gtest.h>

#include <filesystem>

#include "DataFiles.h"
#include "TestApp.h"
#include "app/MonthlyReport.h"

namespace pelorin {
namespace {

const char* const kSpots =
    "group,spot,x,y,B,CMD,L,area_msh,umbra_msh\r\n"
    "G1,1,10.00,20.00,10.00000,-1.00000,359.00000,80.0,20.0\r\n"
    "\r\n"
    "group,spots,B,CMD,L,area_msh,class\r\n"
    "G1,1,10.00000,-1.00000,359.00000,80.0,Hsx\r\n"
    "\r\n"
    "groups=1 spots=1 wolf=11 north_groups=1 north_spots=1 south_groups=0 south_spots=0\r\n";

TEST(MonthlyReport, SavedWithTheObserversKAndTheFilesLeftOutNamed) {
  test::TestApp t;
  const std::filesystem::path dir = t.folder.path() / "season";
  std::filesystem::create_directories(dir / "sub");
  test::WriteAll((dir / "sub/a.dat").string(), test::DataFile("v2.0", "scan", "-21.4512", {"\"G1\",10,-1,359"}));
  test::WriteAll((dir / "sub/a.spots.csv").string(), kSpots);
  test::WriteAll((dir / "b.dat").string(), test::DataFile("v2.0", "scan", "-21.4512", {"\"G1\",10,-1,359"}));
  t.app.observerK = 0.5;
  const std::string target = t.folder.File("report.csv");

  struct Case {
    const char* what;
    std::optional<std::string> answer;
    std::string written;
    std::size_t messages;
  } cases[] = {
      {"cancelled", std::nullopt, "", 0},
      {"saved", target, target, 1},  // b.dat has no counts: named
      {"unwritable", t.folder.File("none/report.csv"), "", 1},
  };
  for (const Case& c : cases) {
    t.win.messages.clear();
    t.win.saveAnswers.push_back(c.answer);
    EXPECT_EQ(SaveMonthlyReport(t.app, dir.string()), c.written) << c.what;
    ASSERT_EQ(t.win.messages.size(), c.messages) << c.what;
    if (c.messages) {
      EXPECT_NE(t.win.messages[0].find(c.written.empty() ? "was not saved" : "b.dat: no b.spots.csv beside it"),
                std::string::npos)
          << t.win.messages[0];
    }
  }
  EXPECT_EQ(test::ReadAll(target),
            "date,time,file,g,f,R,g_north,f_north,g_south,f_south\n"
            "2003-05-17,07:45," + (dir / "sub/a.dat").string() + ",1,1,5.5,1,1,0,0\n");

  // No counts anywhere: said, and no dialog.
  std::filesystem::remove(dir / "sub/a.spots.csv");
  t.win.messages.clear();
  t.win.dialogCalls.clear();
  EXPECT_EQ(SaveMonthlyReport(t.app, dir.string()), "");
  ASSERT_EQ(t.win.messages.size(), 1u);
  EXPECT_EQ(t.win.messages[0].rfind("Monthly report: no data file in " + dir.string(), 0), 0u);
  EXPECT_TRUE(t.win.dialogCalls.empty());
}

}  // namespace
}  // namespace pelorin
