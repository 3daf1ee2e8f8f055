#pragma once
// A per-user lock that marks a running copy of the program. The key names the
// lock ("IPCS Velmar", the application title a second copy looks for); the lock
// lives as long as this object, and the system drops it when the process ends.
#include <filesystem>
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
  const std::string& error() const { return error_; }

  static std::filesystem::path DefaultDirectory();

 private:
  int fd_ = -1;
  std::string error_;
};

}  // namespace velmar
