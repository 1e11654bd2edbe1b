#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/AtomicFile.h"

namespace pelorin {
namespace {

namespace fs = std::filesystem;

// The real calls, each written down as it is made; the call named `failAt`
// fails with EIO instead (for "write", the second write, so that part of the
// file is already out).
class RecordingCalls : public FileCalls {
 public:
  explicit RecordingCalls(std::string failAt = {}) : failAt_(std::move(failAt)) {}
  std::vector<std::string> calls;

  int Create(const std::string& path, int& fd) override {
    return Step("create " + fs::path(path).filename().string(), [&] { return real_.Create(path, fd); });
  }
  int Write(int fd, const char* data, std::size_t n) override {
    ++writes_;
    if (failAt_ == "write" && writes_ == 2) return Fail("write");
    calls.push_back("write");
    return real_.Write(fd, data, n);
  }
  int Sync(int fd) override { return Step("sync", [&] { return real_.Sync(fd); }); }
  int Close(int fd) override {
    const int e = real_.Close(fd);  // the handle is let go whatever is reported
    return Step("close", [&] { return e; });
  }
  int Rename(const std::string& from, const std::string& to) override {
    return Step("rename " + fs::path(from).filename().string() + " " + fs::path(to).filename().string(),
                [&] { return real_.Rename(from, to); });
  }
  int SyncFolder(const std::string& dir) override {
    return Step("sync folder", [&] { return real_.SyncFolder(dir); });
  }
  void Remove(const std::string& path) override {
    calls.push_back("remove " + fs::path(path).filename().string());
    real_.Remove(path);
  }

 private:
  template <class F>
  int Step(const std::string& what, F call) {
    if (what.rfind(failAt_, 0) == 0 && !failAt_.empty() && failAt_ != "write") return Fail(what);
    calls.push_back(what);
    return call();
  }
  int Fail(const std::string& what) {
    calls.push_back(what + " FAILS");
    return EIO;
  }
  FileCalls& real_ = SystemFileCalls();
  std::string failAt_;
  int writes_ = 0;
};

struct Folder {
  fs::path dir = fs::temp_directory_path() / ("pelorin-atomic-" + std::to_string(::testing::UnitTest::GetInstance()
                                                                                       ->random_seed()) +
                                              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
  Folder() {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  ~Folder() { fs::remove_all(dir); }
  std::string File(const std::string& name) const { return (dir / name).string(); }
};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Two pieces, so that a failing second write leaves a first piece out.
const ChunkSource kTwoPieces = [](const ChunkSink& put) { return put("new ") && put("contents"); };

TEST(AtomicFile, SyncsTheFileBeforeTheRenameAndTheFolderAfterIt) {
  Folder f;
  const std::string path = f.File("x.dat");
  std::ofstream(path) << "old";
  RecordingCalls calls;
  ASSERT_EQ(WriteFileAtomically(path, kTwoPieces, calls), "");
  const std::vector<std::string> want = {"create x.dat.part", "write", "write", "sync", "close",
                                         "rename x.dat.part x.dat", "sync folder"};
  EXPECT_EQ(calls.calls, want);
  EXPECT_EQ(Read(path), "new contents");
  EXPECT_FALSE(fs::exists(path + ".part"));
}

TEST(AtomicFile, AFailedStepLeavesTheOldFileAndNoPart) {
  struct Case {
    const char* failAt;
    const char* reason;  // how the returned text starts
  };
  for (const Case& c : {Case{"create", "cannot create "}, Case{"write", "cannot write "},
                        Case{"sync", "cannot write "}, Case{"close", "cannot write "},
                        Case{"rename", "cannot replace "}}) {
    Folder f;
    const std::string path = f.File("x.dat");
    std::ofstream(path) << "old";
    RecordingCalls calls(c.failAt);
    const std::string error = WriteFileAtomically(path, kTwoPieces, calls);
    EXPECT_EQ(error.rfind(c.reason, 0), 0u) << c.failAt << ": " << error;
    EXPECT_NE(error.find("x.dat"), std::string::npos) << c.failAt << ": the file is named";
    EXPECT_NE(error.find(std::strerror(EIO)), std::string::npos) << c.failAt << ": the system's reason is given";
    EXPECT_EQ(Read(path), "old") << c.failAt;
    EXPECT_FALSE(fs::exists(path + ".part")) << c.failAt;
    // Nothing is renamed once a step before it failed.
    const bool renamed = std::find(calls.calls.begin(), calls.calls.end(), "rename x.dat.part x.dat") != calls.calls.end();
    EXPECT_FALSE(renamed) << c.failAt;
  }
}

TEST(AtomicFile, ASourceThatGivesUpFailsTheWrite) {
  Folder f;
  const std::string path = f.File("x.bmp");
  std::ofstream(path) << "old";
  const std::string error =
      WriteFileAtomically(path, ChunkSource([](const ChunkSink& put) { return put("half") && false; }));
  EXPECT_EQ(error.rfind("cannot write ", 0), 0u) << error;
  EXPECT_EQ(Read(path), "old");
  EXPECT_FALSE(fs::exists(path + ".part"));
}

TEST(AtomicFile, AFolderThatCannotBeSyncedStillCountsAsWritten) {
  Folder f;
  const std::string path = f.File("x.dat");
  RecordingCalls calls("sync folder");
  EXPECT_EQ(WriteFileAtomically(path, std::string_view("data"), calls), "");
  EXPECT_EQ(Read(path), "data");
}

TEST(AtomicFile, ABareNameIsWrittenInTheCurrentFolder) {
  Folder f;
  const fs::path before = fs::current_path();
  fs::current_path(f.dir);
  const std::string error = WriteFileAtomically("bare.txt", std::string_view("x"));
  fs::current_path(before);
  EXPECT_EQ(error, "");
  EXPECT_EQ(Read(f.File("bare.txt")), "x");
}

}  // namespace
}  // namespace pelorin
