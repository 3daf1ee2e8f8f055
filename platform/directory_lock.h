#pragma once
// The lock of a data directory: two copies of the program that do not share a
// system directory (so neither sees the other's instance lock) must still never
// write into the same data directory, where they would share "ipcsdata.tmp", the
// channel files and the log. The lock is an flock on "ipcslock.tmp" in the
// directory: the system drops it when its process ends, so a lock left by a copy
// that crashed never refuses anyone, while a live copy's always does. The file is
// removed when the lock is released.
#include <string>

namespace velmar {

inline constexpr const char* kDataDirectoryLockFile = "ipcslock.tmp";

class DirectoryLock {
 public:
  DirectoryLock() = default;
  // Locks the existing directory (it is never created here).
  explicit DirectoryLock(const std::string& directory);
  ~DirectoryLock() { Release(); }
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;
  DirectoryLock(DirectoryLock&& other) noexcept;
  DirectoryLock& operator=(DirectoryLock&& other) noexcept;

  bool held() const { return fd_ >= 0; }
  // Another live copy holds it.
  bool busy() const { return busy_; }
  // Why it is not held: "in use by another copy", or the system's reason.
  const std::string& error() const { return error_; }
  void Release();

 private:
  int fd_ = -1;
  bool busy_ = false;
  std::string path_, error_;
};

}  // namespace velmar
