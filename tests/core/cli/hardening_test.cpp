// pelorin-cli dat over every saved fuzz input (data files, and the other
// targets' files as data files that are wrong throughout): it reads what it
// can or refuses with a message and status 1; it never crashes or hangs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestApp.h"

namespace fs = std::filesystem;

namespace pelorin {
namespace {

TEST(CliHardening, EveryCorpusFileMeetsAnAnswerOrAMessage) {
  std::vector<fs::path> inputs;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(PELORIN_SOURCE_DIR) / "fuzz" / "corpus"))
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  ASSERT_GT(inputs.size(), 20u);
  test::TempFolder folder;
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.string());
    // `timeout` turns a hang into status 124.
    const std::string cmd = "timeout 60 '" + std::string(PELORIN_CLI) + "' dat '" + input.string() +
                            "' >out.txt 2>err.txt";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw)) << "ended by a signal";
    const int status = WEXITSTATUS(raw);
    const std::string out = test::ReadAll(folder.File("out.txt"));
    const std::string err = test::ReadAll(folder.File("err.txt"));
    EXPECT_TRUE(status == 0 || status == 1) << "status " << status << "\n" << err;
    if (status == 0) {
      EXPECT_NE(out.find("name,B,CMD,L\n"), std::string::npos);
    } else {
      EXPECT_NE(err.find("pelorin-cli dat: "), std::string::npos) << err;
      EXPECT_EQ(out, "");
    }
  }
}

}  // namespace
}  // namespace pelorin
