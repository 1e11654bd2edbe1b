// pelorin-cli spots --write: the spots of a folder of pictures written into
// their data files, the same whatever the number of jobs, nothing added by a
// second run, hand records kept by --replace, pictures that cannot be
// calibrated skipped and named, and no half file after a killed run.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CliRun.h"
#include "DataPictures.h"
#include "MeasuredFile.h"
#include "SpotPictures.h"
#include "TestApp.h"
#include "base/TextFile.h"
#include "formats/DataFile.h"
#include "formats/SpotsFile.h"

extern char** environ;

namespace pelorin {
namespace {

namespace fs = std::filesystem;

// The generated pictures of a set: white-light JPEG pictures of known groups
// with data files that hold only their calibration (one in a subfolder),
// a FITS picture calibrated by its header (no data file), a JPEG picture
// that nothing calibrates, and a file that is not a picture.
struct PictureSet {
  std::map<std::string, gen::WlRendered> rendered;  // by path relative to the folder
  std::vector<std::string> jpegs;                   // in the order the batch lists them
};

const char* const kJpegs[] = {"a_20140312.jpg", "b_20140313.jpg", "sub/c_20140314.jpg"};

PictureSet MakeSet(const fs::path& folder, int size = 1024) {
  PictureSet set;
  fs::create_directories(folder / "sub");
  unsigned seed = 11;
  for (const char* name : kJpegs) {
    const gen::WlScene sc = gen::RandomScene(seed++, size, gen::WlKind::Groups);
    gen::WlRendered r = gen::RenderWhiteLight(sc);
    std::string error;
    EXPECT_TRUE(gen::WriteGreyJpeg((folder / name).string(), r.grey, r.width_px, r.height_px, 90, error)) << error;
    // A photo is north up; a scan of another name is not.
    const fs::path dat = (folder / name).replace_extension(".dat");
    gen::WriteMeasuredDataFile(dat.string(), r.truth.picture, r.truth.picture.northUp ? 3 : 0,
                               fs::path(name).filename().string(), {});
    set.jpegs.push_back(name);
    set.rendered.emplace(name, std::move(r));
  }
  gen::SolarFits fits;
  fits.width = fits.height = 600;
  fits.crpix1 = fits.crpix2 = 300.5;
  fits.cdelt1 = fits.cdelt2 = 3.6;
  gen::WriteSolarFits((folder / "sun.fits").string(), fits);
  // Nothing calibrates this one: no data file, no header.
  fs::copy_file(folder / kJpegs[0], folder / "sub" / "uncalibrated.jpg");
  test::WriteAll((folder / "notes.txt").string(), "not a picture\n");
  return set;
}

// Every file of the folder but the CLI's own output, by relative path.
std::map<std::string, std::string> Files(const fs::path& folder) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    const std::string rel = fs::relative(e.path(), folder).generic_string();
    if (e.is_regular_file() && rel != "out.txt" && rel != "err.txt") out[rel] = test::ReadAll(e.path().string());
  }
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

// The counts of a .spots.csv.
SpotCounts CountsOf(const std::string& path) {
  SpotsFileContents c;
  std::string error;
  EXPECT_TRUE(ParseSpotsFile(test::ReadAll(path), c, error)) << path << ": " << error;
  return c.counts;
}

// A data file that reads back whole (its header and every record).
void ExpectWhole(const fs::path& dat) {
  const DataFileContents c = ParseDataFile(ReadLines(dat.string()));
  EXPECT_TRUE(c.headerComplete) << dat;
  EXPECT_TRUE(c.problems.empty()) << dat << ": " << (c.problems.empty() ? "" : c.problems.front());
}

TEST(CliSpotsWrite, WritesTheCountsSpotsFindsAndSkipsWhatCannotBeCalibrated) {
  test::TempFolder folder;
  const fs::path set = folder.path() / "set";
  const PictureSet pictures = MakeSet(set);
  const test::CliResult run = test::RunCli(folder.path(), "spots --write set --jobs 2");
  EXPECT_EQ(run.status, 1) << run.err;  // one picture skipped
  EXPECT_NE(run.err.find("set/sub/uncalibrated.jpg: skipped: the picture is not calibrated"), std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(set / "sub" / "uncalibrated.dat"));
  // stderr is a file: no progress line, only the messages.
  EXPECT_EQ(run.err.find('\r'), std::string::npos) << run.err;
  const std::vector<std::string> rows = Lines(run.out);
  // The pictures in sorted order, the subfolder's among them; the text file
  // passed over.
  ASSERT_EQ(rows.size(), 5u) << run.out;
  EXPECT_EQ(rows[0], "picture,data_file,result,groups,spots");
  const std::vector<std::string> order = {"set/a_20140312.jpg", "set/b_20140313.jpg", "set/sub/c_20140314.jpg",
                                          "set/sun.fits"};
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(rows[i + 1].rfind(order[i] + ",", 0), 0u) << rows[i + 1];

  // Each picture's written counts are those of spots --summary and of its
  // truth; the FITS picture's data file is created with its one spot.
  struct Case {
    std::string picture;
    int trueGroups;  // -1: not known
  };
  std::vector<Case> cases;
  for (const std::string& j : pictures.jpegs)
    cases.push_back({j, static_cast<int>(pictures.rendered.at(j).truth.groups.size())});
  cases.push_back({"sun.fits", 1});
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const fs::path dat = (set / c.picture).replace_extension(".dat");
    ExpectWhole(dat);
    const SpotCounts written = CountsOf((set / c.picture).replace_extension(".spots.csv").string());
    EXPECT_EQ(written.groups, c.trueGroups) << c.picture;
    const test::CliResult summary = test::RunCli(folder.path(), "spots --summary set/" + c.picture);
    ASSERT_EQ(summary.status, 0) << summary.err;
    EXPECT_EQ(summary.out.rfind("groups=" + std::to_string(written.groups) +
                                    " spots=" + std::to_string(written.spots) + " ",
                                0),
              0u)
        << c.picture << ": " << summary.out;
    EXPECT_NE(rows[i + 1].find(",written," + std::to_string(written.groups) + "," + std::to_string(written.spots)),
              std::string::npos)
        << rows[i + 1];
    EXPECT_EQ(ParseDataFile(ReadLines(dat.string())).records.size(), static_cast<std::size_t>(written.spots));
  }
}

TEST(CliSpotsWrite, TheSameFilesWhateverTheJobsAndNothingAddedASecondTime) {
  test::TempFolder folder;
  MakeSet(folder.path() / "one");
  fs::copy(folder.path() / "one", folder.path() / "two", fs::copy_options::recursive);
  const auto before = Files(folder.path() / "one");
  const test::CliResult one = test::RunCli(folder.path(), "spots --write one --jobs 1");
  const test::CliResult two = test::RunCli(folder.path(), "spots --write two --jobs 2");
  ASSERT_EQ(one.status, 1) << one.err;
  ASSERT_EQ(two.status, 1) << two.err;
  const auto first = Files(folder.path() / "one");
  EXPECT_EQ(first, Files(folder.path() / "two"));
  EXPECT_EQ(first.size(), before.size() + 9);  // four .spots.csv and .cal, one new .dat; no .part
  EXPECT_EQ(one.out.size(), two.out.size());

  // A second run keeps every data file as it is.
  const test::CliResult again = test::RunCli(folder.path(), "spots --write one --jobs 2");
  EXPECT_EQ(again.status, 1) << again.err;
  EXPECT_EQ(Files(folder.path() / "one"), first);
  for (const std::string& row : Lines(again.out)) {
    if (row.rfind("one/", 0) == 0) {
      EXPECT_NE(row.find(",kept,"), std::string::npos) << row;
    }
  }
}

TEST(CliSpotsWrite, ReplaceKeepsTheRecordsMeasuredByHand) {
  test::TempFolder folder;
  const PictureSet set = MakeSet(folder.path() / "set");
  const std::string name = kJpegs[0];
  const fs::path dat = (folder.path() / "set" / name).replace_extension(".dat");
  // The largest spot of the truth measured by hand under a name of its own.
  const gen::WlTruth& truth = set.rendered.at(name).truth;
  const gen::WlSpotTruth* big = &truth.spots.front();
  for (const gen::WlSpotTruth& t : truth.spots)
    if (t.area_msh > big->area_msh) big = &t;
  const auto rounded = [](double v) { return std::round(v * 1e5) / 1e5; };
  test::WriteAll(dat.string(), test::ReadAll(dat.string()) +
                                   WriteLineText({std::string("hand"), rounded(big->B_deg), rounded(big->CMD_deg),
                                                  rounded(big->L_deg)}) +
                                   "\r\n");
  const std::size_t handRecords = ParseDataFile(ReadLines(dat.string())).records.size();
  ASSERT_EQ(handRecords, 1u);

  const std::string picture = "set/" + name;
  struct Step {
    const char* args;
    const char* result;
  };
  const Step steps[] = {{"spots --write ", ",written,"}, {"spots --write ", ",kept,"},
                        {"spots --write --replace ", ",replaced,"}};
  std::string firstData;
  for (const Step& step : steps) {
    const test::CliResult r = test::RunCli(folder.path(), std::string(step.args) + picture);
    ASSERT_EQ(r.status, 0) << step.args << r.err;
    EXPECT_NE(r.out.find(step.result), std::string::npos) << step.args << r.out;
    const DataFileContents c = ParseDataFile(ReadLines(dat.string()));
    const SpotCounts counts = CountsOf((folder.path() / "set" / name).replace_extension(".spots.csv").string());
    ASSERT_EQ(c.records.size(), handRecords + static_cast<std::size_t>(counts.spots)) << step.args;
    EXPECT_EQ(c.records.front().name, "hand") << step.args;
    // No found group takes the hand record's name.
    for (std::size_t i = 1; i < c.records.size(); ++i) EXPECT_NE(c.records[i].name, "hand");
    if (firstData.empty()) firstData = test::ReadAll(dat.string());
    EXPECT_EQ(test::ReadAll(dat.string()), firstData) << step.args;
  }
}

// A run stopped between a picture's .spots.csv and its data file leaves a
// .spots.csv that holds none of the data file's records: the next run writes
// the picture again. One that disagrees otherwise leaves the picture alone.
TEST(CliSpotsWrite, ASpotsFileThatDisagreesWithItsDataFile) {
  test::TempFolder folder;
  MakeSet(folder.path() / "set");
  const fs::path dat = folder.path() / "set" / "b_20140313.dat";
  const fs::path csv = folder.path() / "set" / "b_20140313.spots.csv";
  const std::string bare = test::ReadAll(dat.string());
  ASSERT_EQ(test::RunCli(folder.path(), "spots --write set/b_20140313.jpg").status, 0);
  const std::string data = test::ReadAll(dat.string()), spots = test::ReadAll(csv.string());

  struct Case {
    const char* what;
    std::string datBefore;
    int status;
    const char* err;
    bool writtenAgain;
  };
  std::string oneGone = data;
  oneGone.erase(oneGone.rfind("\r\n", oneGone.size() - 3) + 2);
  const Case cases[] = {
      {"left by a stopped run", bare, 0, "did not finish", true},
      {"a record deleted by hand", oneGone, 1, "do not match the data file", false},
  };
  for (const Case& c : cases) {
    test::WriteAll(dat.string(), c.datBefore);
    test::WriteAll(csv.string(), spots);
    const test::CliResult r = test::RunCli(folder.path(), "spots --write set/b_20140313.jpg");
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(test::ReadAll(dat.string()), c.writtenAgain ? data : c.datBefore) << c.what;
    EXPECT_EQ(test::ReadAll(csv.string()), spots) << c.what;
  }
}

// pelorin-cli killed in the middle of a run: every data file and
// .spots.csv reads back whole, and a run after it ends with the files an
// unbroken run writes, no .part file left.
TEST(CliSpotsWrite, AKilledRunLeavesNoHalfFile) {
  test::TempFolder folder;
  MakeSet(folder.path() / "whole");
  // More pictures, so that the kill lands while files are being written.
  for (const char* name : kJpegs)
    for (int copy = 1; copy <= 3; ++copy) {
      const fs::path from = folder.path() / "whole" / name;
      const std::string stem = from.stem().string() + "_" + std::to_string(copy);
      fs::copy_file(from, from.parent_path() / (stem + ".jpg"));
      fs::copy_file(fs::path(from).replace_extension(".dat"), from.parent_path() / (stem + ".dat"));
    }
  fs::copy(folder.path() / "whole", folder.path() / "killed", fs::copy_options::recursive);
  ASSERT_EQ(test::RunCli(folder.path(), "spots --write whole --jobs 2").status, 1);

  const std::string dir = (folder.path() / "killed").string();
  const char* argv[] = {PELORIN_CLI, "spots", "--write", dir.c_str(), "--jobs", "2", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, PELORIN_CLI, &actions, nullptr, const_cast<char* const*>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  // Killed once the first picture's files are written, with others on the way.
  const auto anySpotsFile = [&] {
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
      const std::string name = e.path().filename().string();
      if (name.size() > 10 && name.compare(name.size() - 10, 10, ".spots.csv") == 0) return true;
    }
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!anySpotsFile() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before it was killed";

  // Every data file and .spots.csv whole; the bytes of a file being written
  // when the run was killed are only in its .part beside it.
  const auto endsWith = [](const std::string& s, const std::string& e) {
    return s.size() >= e.size() && s.compare(s.size() - e.size(), e.size(), e) == 0;
  };
  std::size_t spotsFiles = 0;
  for (const auto& [rel, bytes] : Files(dir)) {
    if (endsWith(rel, ".dat")) ExpectWhole(fs::path(dir) / rel);
    if (endsWith(rel, ".spots.csv")) {
      ++spotsFiles;
      CountsOf((fs::path(dir) / rel).string());
    }
  }
  EXPECT_GE(spotsFiles, 1u);
  // The run after it: the files of an unbroken run, no .part left.
  EXPECT_EQ(test::RunCli(folder.path(), "spots --write killed --jobs 2").status, 1);
  EXPECT_EQ(Files(dir), Files(folder.path() / "whole"));
}

// On a terminal, stderr carries the progress line, rewritten in place:
// files done, left, and the time to go; the line is cleared at the end.
TEST(CliSpotsWrite, AProgressLineOnATerminal) {
  test::TempFolder folder;
  MakeSet(folder.path() / "set", 512);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string terminal = ptsname(master);
  const std::string dir = (folder.path() / "set").string();
  const char* argv[] = {PELORIN_CLI, "spots", "--write", dir.c_str(), "--jobs", "1", nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, terminal.c_str(), O_RDWR | O_NOCTTY, 0);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, PELORIN_CLI, &actions, nullptr, const_cast<char* const*>(argv), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  std::string seen;
  char buf[4096];
  for (ssize_t n; (n = read(master, buf, sizeof buf)) > 0;) seen.append(buf, static_cast<std::size_t>(n));
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  EXPECT_EQ(WEXITSTATUS(status), 1);  // the uncalibrated picture
  for (const char* part : {"\r\033[Kspots: 1 of 5 done, 4 left, about ", " to go", "\r\033[Kspots: 5 of 5 done, 0 left",
                           "skipped: the picture is not calibrated"})
    EXPECT_NE(seen.find(part), std::string::npos) << part << " in " << seen;
  EXPECT_EQ(seen.substr(seen.size() - 4), "\r\033[K") << seen;
}

}  // namespace
}  // namespace pelorin
