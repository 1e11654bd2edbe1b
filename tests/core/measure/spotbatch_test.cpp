// The batch's listing of pictures and its order: folders searched with their
// subfolders for picture names only (not .dat, .txt), each picture once; results told in the
// order of the pictures however the jobs finish; two pictures of one data
// file, and pictures that cannot be read, skipped with why.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "TestApp.h"
#include "measure/SpotBatch.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;

TEST(SpotBatch, ListsFoldersSortedWithSubfoldersEachPictureOnce) {
  test::TempFolder folder;
  const fs::path root = folder.path() / "obs";
  fs::create_directories(root / "2003" / "05");
  fs::create_directories(root / "2002");
  for (const char* f : {"2003/05/b.jpg", "2003/05/a.fits", "2003/notes.txt", "2002/z.jp2", "2003/05/a.dat", "c.BMP"})
    test::WriteAll((root / f).string(), "x");
  std::vector<std::string> problems;
  const std::vector<std::string> got =
      PicturesIn({(root / "2003" / "05" / "b.jpg").string(), root.string(), (folder.path() / "missing").string()},
                 problems);
  const std::vector<std::string> want = {(root / "2003/05/b.jpg").string(), (root / "2002/z.jp2").string(),
                                         (root / "2003/05/a.fits").string(), (root / "c.BMP").string()};
  EXPECT_EQ(got, want);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_NE(problems[0].find("missing: there is no such file or folder"), std::string::npos) << problems[0];
}

// A reader that takes longer for the first pictures, so that the later ones
// finish first, and reads none.
TEST(SpotBatch, TellsTheResultsInTheOrderOfThePictures) {
  test::TempFolder folder;
  std::vector<std::string> pictures;
  for (int i = 0; i < 8; ++i) pictures.push_back((folder.path() / ("p" + std::to_string(i) + ".jpg")).string());
  pictures.push_back((folder.path() / "p3.bmp").string());  // the data file of p3.jpg
  const PictureReader slowFirst = [&](const std::string& path, BatchPicture&, std::string& error) {
    const int i = path[path.size() - 5] - '0';
    std::this_thread::sleep_for(std::chrono::milliseconds(8 * (8 - i)));
    error = "unreadable " + std::to_string(i);
    return false;
  };
  for (int jobs : {1, 3}) {
    SpotBatchOptions options;
    options.jobs = jobs;
    std::vector<std::size_t> order;
    std::vector<std::string> why;
    std::size_t lastDone = 0;
    RunSpotBatch(
        pictures, options, slowFirst,
        [&](std::size_t i, const SpotBatchResult& r) {
          order.push_back(i);
          why.push_back(r.why);
          EXPECT_EQ(r.outcome, BatchOutcome::Skipped);
          EXPECT_EQ(r.picture, pictures[i]);
        },
        [&](std::size_t done, std::size_t total) {
          EXPECT_GT(done, lastDone);
          EXPECT_EQ(total, pictures.size());
          lastDone = done;
        });
    ASSERT_EQ(order.size(), pictures.size()) << jobs;
    for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i) << jobs;
    EXPECT_EQ(lastDone, pictures.size()) << jobs;
    EXPECT_EQ(why[5], "unreadable 5") << jobs;
    EXPECT_NE(why[8].find("is that of " + pictures[3]), std::string::npos) << why[8];
  }
}

}  // namespace
}  // namespace pelorin
