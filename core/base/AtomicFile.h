// The one way the program replaces a file: the bytes go to a file beside the
// target (target + ".part"), are flushed to the disk, and the file is renamed
// over the target; then the folder is flushed so that the rename survives a
// power cut. A reader sees the old file or the new one, never a half.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pelorin {

// The file-system calls an atomic write makes, one virtual each, so that a
// test can record their order or make one of them fail. Each returns 0 on
// success, else an errno value.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  // Creates (or truncates) `path` for writing; the handle in `fd`.
  virtual int Create(const std::string& path, int& fd) = 0;
  // Writes all `n` bytes.
  virtual int Write(int fd, const char* data, std::size_t n) = 0;
  // Flushes the file's data to the disk (fsync).
  virtual int Sync(int fd) = 0;
  virtual int Close(int fd) = 0;
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Flushes the folder `dir` (its entries: the rename) to the disk.
  virtual int SyncFolder(const std::string& dir) = 0;
  virtual void Remove(const std::string& path) = 0;
};

// The real calls (POSIX open, write, fsync, close, rename).
FileCalls& SystemFileCalls();

// Hands `put` the bytes in pieces; returns false to give the write up.
using ChunkSink = std::function<bool(std::string_view)>;
using ChunkSource = std::function<bool(const ChunkSink& put)>;

// Replaces `path` with `bytes` (see above). "" when the new file is in
// place; otherwise why not, naming the file and the system's reason
// ("cannot create X.part: ...", "cannot write X.part: ...", "cannot replace
// X: ..."), and then the old file is as it was and no .part file is left.
// A folder that cannot be flushed after the rename does not count as a
// failure (some file systems refuse it; the new file is in place).
std::string WriteFileAtomically(const std::string& path, std::string_view bytes,
                                FileCalls& calls = SystemFileCalls());

// The same with the bytes produced in pieces, for files too large to hold
// twice. A source that returns false fails the write ("cannot write X.part:
// the data could not be produced").
std::string WriteFileAtomically(const std::string& path, const ChunkSource& source,
                                FileCalls& calls = SystemFileCalls());

}  // namespace pelorin
