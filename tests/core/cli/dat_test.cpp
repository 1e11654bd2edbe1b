#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "DataFiles.h"
#include "CliRun.h"
#include "TestApp.h"

namespace pelorin {
namespace {

// Writes `content` as x.dat in a fresh folder (unless null) and runs
// `pelorin-cli dat ARGS` there.
test::CliResult RunDat(const char* content, const std::string& args) {
  test::TempFolder folder;
  if (content) test::WriteAll(folder.File("x.dat"), content);
  return test::RunCli(folder.path(), "dat " + args);
}

// A v1.0 file: a record before any "Obj" line, an object whose name holds a
// comma, a CMD above 180 and a line without commas.
const std::string kV1 =
    test::DataFile("v1.0", "scan", "-21.4512", {"1,2,3", "Obj 1234567890g, 2", "10,200,300", "bad"});

const char* const kCsv =
    "name,B,CMD,L\n"
    ",1,2,3\n"
    "\"g, 2\",10,-160,300\n";

TEST(CliDat, PrintsHeaderAndRecords) {
  const test::CliResult full = RunDat(kV1.c_str(), "x.dat");
  EXPECT_EQ(full.status, 0) << full.err;
  EXPECT_EQ(full.out,
            std::string("version=v1.0\npicture=x.jpg\nday=17\nmonth=5\nyear=2003\ntime=7.75\nP=-21.4512\n"
                        "B0=-2.3317\nL0=113.0527\nrho0=1.011316\ntype=scan\nx0=512\ny0=498\nradius=400\n"
                        "orientation=12.5\nrecords=2\n") +
                kCsv);
  EXPECT_NE(full.err.find("line 17"), std::string::npos) << full.err;  // the skipped line is named

  const test::CliResult csv = RunDat(kV1.c_str(), "--csv x.dat");
  EXPECT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out, kCsv);
}

TEST(CliDat, FailuresNameTheFile) {
  const struct {
    const char* name;
    const char* content;
    std::string args;
    int status;
    std::string inErr;
  } cases[] = {
      {"missing file", nullptr, "x.dat", 1, "x.dat"},
      {"header cut short", "Note\r\nB\r\nv2.0\r\nPicture: x.jpg\r\n\"Date (day, month, year): \",17,5,2003\r\n",
       "x.dat", 1, "x.dat: line 6"},
      {"no file named", nullptr, "", 2, "usage"},
      {"unknown option", kV1.c_str(), "--tsv x.dat", 2, "--tsv"},
  };
  for (const auto& c : cases) {
    const test::CliResult r = RunDat(c.content, c.args);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.out, "") << c.name;
    EXPECT_NE(r.err.find(c.inErr), std::string::npos) << c.name << ": " << r.err;
  }
}

}  // namespace
}  // namespace pelorin
