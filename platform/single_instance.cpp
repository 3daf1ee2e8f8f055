#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace velmar {

std::filesystem::path SingleInstanceLock::DefaultDirectory() {
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) return runtime;
  return std::filesystem::path("/tmp") / ("velmar-" + std::to_string(getuid()));
}

SingleInstanceLock::SingleInstanceLock(const std::string& key)
    : SingleInstanceLock(DefaultDirectory(), key) {}

SingleInstanceLock::SingleInstanceLock(const std::filesystem::path& directory,
                                       const std::string& key) {
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  const std::filesystem::path file = directory / (key + ".lock");
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error_ = "cannot open " + file.string() + ": " + std::strerror(errno);
    return;
  }
  // flock belongs to the open file, so even a second lock in the same process fails.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    busy_ = errno == EWOULDBLOCK;
    error_ = busy_ ? "held by another copy" : std::strerror(errno);
    ::close(fd);
    return;
  }
  fd_ = fd;
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

ProgramInstanceLock::ProgramInstanceLock(const std::filesystem::path& systemDirectory, const std::string& key)
    : system_(systemDirectory, key) {
  if (system_.held()) user_ = std::make_unique<SingleInstanceLock>(key);
}

}  // namespace velmar
