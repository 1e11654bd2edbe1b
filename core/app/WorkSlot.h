// Which working files a window writes. Every window claims a numbered slot in
// the folder it works in, held by a lock on the slot's point log for as long
// as the window works there; a second window in the same folder takes the
// next free slot, so two windows never write into, empty or delete each
// other's files. The lock goes with the process: a slot whose window was
// killed is free again, and its files are left-overs.
#pragma once

#include <string>

namespace pelorin {

struct App;

// The slots a folder can hold.
inline constexpr int kMaxWorkSlots = 32;

// Names of slot `slot`'s files (1 .. kMaxWorkSlots), bare, in the folder of
// the slot: slot 1 "a.tmp" and "temp.dat", slot n "a<n>.tmp" and
// "temp<n>.dat".
std::string PointLogName(int slot);
std::string WorkFileName(int slot);
// Where a point log's previous contents are kept when the slot is claimed:
// "<point log>.1".
std::string KeptLogName(int slot);

// An exclusive advisory lock on a file (flock on POSIX systems) held until
// Release or destruction. Another FileLock on the same file, in this process
// or another, cannot take it meanwhile.
class FileLock {
 public:
  enum class Result { Locked, Busy, Failed };

  FileLock() = default;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  ~FileLock() { Release(); }

  // Locks `path` (absolute or relative to the current folder). With
  // `create` a missing file is created empty; an existing file is never
  // changed. Busy: another lock holds the file. Failed: the file cannot be
  // opened (or created), or the system has no locks; nothing is held then.
  Result TryLock(const std::string& path, bool create);
  void Release() noexcept;
  bool Held() const { return fd_ >= 0; }
  // Absolute path of the locked file; empty when none is held.
  const std::string& Path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

// True while another window holds slot `slot` of `folder` (a path with or
// without its trailing separator).
bool SlotInUse(const std::string& folder, int slot);

// Claims a slot in the current folder for `app`, unless it holds one there
// already: the first free slot, its lock taken. The point log that an
// earlier window of that slot left (a crash, or a window closed) is kept
// as KeptLogName before the slot's log is emptied again. When no lock can
// be had at all (a folder that cannot be written), slot 1 is used without a
// lock. Never throws.
void ClaimWorkSlot(App& app);

// Opens the slot's point log afresh in the current folder (app.file1); a
// log that cannot be written is said in a message box, followed by `after`
// when that is not empty, and the program goes on without it.
void OpenPointLog(App& app, const std::string& after = {});

}  // namespace pelorin
