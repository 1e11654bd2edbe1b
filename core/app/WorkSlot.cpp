#include "app/WorkSlot.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#define PELORIN_HAS_FLOCK 1
#endif

#include "app/App.h"
#include "base/TextFile.h"

namespace fs = std::filesystem;

namespace pelorin {

std::string PointLogName(int slot) { return slot <= 1 ? "a.tmp" : "a" + std::to_string(slot) + ".tmp"; }

std::string WorkFileName(int slot) { return slot <= 1 ? "temp.dat" : "temp" + std::to_string(slot) + ".dat"; }

std::string KeptLogName(int slot) { return PointLogName(slot) + ".1"; }

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
  other.fd_ = -1;
  other.path_.clear();
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
    other.path_.clear();
  }
  return *this;
}

FileLock::Result FileLock::TryLock(const std::string& path, bool create) {
  Release();
#ifdef PELORIN_HAS_FLOCK
  std::error_code ec;
  const fs::path abs = fs::absolute(path, ec);
  const std::string name = ec ? path : abs.lexically_normal().string();
  const int fd = ::open(name.c_str(), (create ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC, 0644);
  if (fd < 0) return Result::Failed;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    return busy ? Result::Busy : Result::Failed;
  }
  fd_ = fd;
  path_ = name;
  return Result::Locked;
#else
  (void)path;
  (void)create;
  return Result::Failed;
#endif
}

void FileLock::Release() noexcept {
#ifdef PELORIN_HAS_FLOCK
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
#endif
  fd_ = -1;
  path_.clear();
}

bool SlotInUse(const std::string& folder, int slot) {
  const fs::path log = fs::path(folder) / PointLogName(slot);
  std::error_code ec;
  if (!fs::exists(log, ec)) return false;
  FileLock probe;
  return probe.TryLock(log.string(), false) == FileLock::Result::Busy;
}

namespace {

// Copies the slot's point log, when it holds anything, to its kept name.
void KeepPreviousLog(int slot) {
  const std::string log = PointLogName(slot);
  if (FileLength(log) <= 0) return;
  std::error_code ec;
  fs::copy_file(log, KeptLogName(slot), fs::copy_options::overwrite_existing, ec);
}

}  // namespace

void ClaimWorkSlot(App& app) {
  std::error_code ec;
  const std::string folder = fs::current_path(ec).string();
  if (!ec && app.slot > 0 && app.slotFolder == folder) return;
  app.slotLock.Release();
  app.slot = 0;
  for (int n = 1; n <= kMaxWorkSlots && app.slot == 0; ++n) {
    switch (app.slotLock.TryLock(PointLogName(n), true)) {
      case FileLock::Result::Locked: app.slot = n; break;
      case FileLock::Result::Busy: break;
      case FileLock::Result::Failed: n = kMaxWorkSlots; break;  // no locks here: go without
    }
  }
  if (app.slot == 0) app.slot = 1;
  app.slotFolder = ec ? std::string() : folder;
  KeepPreviousLog(app.slot);
}

void OpenPointLog(App& app, const std::string& after) {
  try {
    app.file1.Open(PointLogName(app.slot));
  } catch (const FileError& e) {
    app.win.MessageBox(std::string(e.what()) + after);
  }
}

}  // namespace pelorin
