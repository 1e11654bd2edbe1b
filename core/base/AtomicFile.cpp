#include "base/AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace pelorin {

namespace {

class PosixFileCalls final : public FileCalls {
 public:
  int Create(const std::string& path, int& fd) override {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    return fd < 0 ? errno : 0;
  }
  int Write(int fd, const char* data, std::size_t n) override {
    while (n > 0) {
      const ssize_t done = ::write(fd, data, n);
      if (done < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      data += done;
      n -= static_cast<std::size_t>(done);
    }
    return 0;
  }
  int Sync(int fd) override { return ::fsync(fd) == 0 ? 0 : errno; }
  int Close(int fd) override { return ::close(fd) == 0 ? 0 : errno; }
  int Rename(const std::string& from, const std::string& to) override {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }
  int SyncFolder(const std::string& dir) override {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int result = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
  }
  void Remove(const std::string& path) override { ::unlink(path.c_str()); }
};

// The folder that holds `path` ("." for a bare name).
std::string FolderOf(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

std::string Reason(const char* what, const std::string& file, int error) {
  return std::string(what) + " " + file + ": " + std::strerror(error);
}

}  // namespace

FileCalls& SystemFileCalls() {
  static PosixFileCalls calls;
  return calls;
}

std::string WriteFileAtomically(const std::string& path, std::string_view bytes, FileCalls& calls) {
  return WriteFileAtomically(path, ChunkSource([bytes](const ChunkSink& put) { return put(bytes); }), calls);
}

std::string WriteFileAtomically(const std::string& path, const ChunkSource& source, FileCalls& calls) {
  const std::string part = path + ".part";
  int fd = -1;
  if (const int e = calls.Create(part, fd)) return Reason("cannot create", part, e);
  int error = 0;
  const bool produced = source([&](std::string_view piece) {
    if (error == 0) error = calls.Write(fd, piece.data(), piece.size());
    return error == 0;
  });
  if (error == 0) error = calls.Sync(fd);
  const int closeError = calls.Close(fd);
  if (error == 0) error = closeError;
  if (error != 0 || !produced) {
    calls.Remove(part);
    if (error == 0) return "cannot write " + part + ": the data could not be produced";
    return Reason("cannot write", part, error);
  }
  if (const int e = calls.Rename(part, path)) {
    calls.Remove(part);
    return Reason("cannot replace", path, e);
  }
  calls.SyncFolder(FolderOf(path));
  return {};
}

}  // namespace pelorin
