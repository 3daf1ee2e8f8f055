#include "platform/directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace velmar {

DirectoryLock::DirectoryLock(const std::string& directory) : path_(directory + "/" + kDataDirectoryLockFile) {
  // A file unlinked by its last holder between our open and our lock is not the
  // lock any more: try again on the file the name now stands for.
  for (int attempt = 0; attempt < 10; ++attempt) {
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      error_ = "cannot open " + path_ + ": " + std::strerror(errno);
      return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      busy_ = errno == EWOULDBLOCK;
      error_ = busy_ ? "in use by another copy of the program" : std::strerror(errno);
      ::close(fd);
      return;
    }
    struct stat opened {}, named {};
    if (::fstat(fd, &opened) == 0 && ::stat(path_.c_str(), &named) == 0 && opened.st_ino == named.st_ino &&
        opened.st_dev == named.st_dev) {
      fd_ = fd;
      return;
    }
    ::close(fd);
  }
  error_ = "cannot lock " + path_ + ": it keeps being replaced";
}

DirectoryLock::DirectoryLock(DirectoryLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), busy_(other.busy_), path_(std::move(other.path_)),
      error_(std::move(other.error_)) {}

DirectoryLock& DirectoryLock::operator=(DirectoryLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = std::exchange(other.fd_, -1);
    busy_ = other.busy_;
    path_ = std::move(other.path_);
    error_ = std::move(other.error_);
  }
  return *this;
}

void DirectoryLock::Release() {
  if (fd_ < 0) return;
  ::unlink(path_.c_str());  // while still held: nobody can lock this file again
  ::close(fd_);
  fd_ = -1;
}

}  // namespace velmar
