#pragma once
// A per-user lock that marks a running copy of the program. The key names the
// lock ("IPCS Velmar", the application title a second copy looks for); the lock
// lives as long as this object, and the system drops it when the process ends.
#include <filesystem>
#include <memory>
#include <string>

namespace velmar {

inline constexpr const char* kApplicationTitle = "IPCS Velmar";

class SingleInstanceLock {
 public:
  // Locks in the user's runtime directory ($XDG_RUNTIME_DIR, else /tmp/velmar-<uid>).
  explicit SingleInstanceLock(const std::string& key);
  SingleInstanceLock(const std::filesystem::path& directory, const std::string& key);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // True when this object holds the lock; false when another holder has it (or
  // the lock file could not be made, which error() then describes).
  bool held() const { return fd_ >= 0; }
  // Another holder has it (as against a lock file that could not be made).
  bool busy() const { return busy_; }
  const std::string& error() const { return error_; }

  static std::filesystem::path DefaultDirectory();

 private:
  int fd_ = -1;
  bool busy_ = false;
  std::string error_;
};

// The guard of a running copy: a lock in the system directory, which the copy's
// files live in, and the per-user lock. Two copies that share a system directory
// under different runtime directories still see each other. A copy refused by
// the first lock does not take the second.
class ProgramInstanceLock {
 public:
  ProgramInstanceLock(const std::filesystem::path& systemDirectory, const std::string& key);
  bool held() const { return user_ && user_->held(); }
  // Another copy holds one of the two locks; not held and not busy: a lock file
  // could not be made, which error() says.
  bool busy() const { return system_.busy() || (user_ && user_->busy()); }
  // Why the lock is not held: another copy holds it, or a lock file could not be made.
  const std::string& error() const { return user_ ? user_->error() : system_.error(); }

 private:
  SingleInstanceLock system_;
  std::unique_ptr<SingleInstanceLock> user_;
};

}  // namespace velmar
