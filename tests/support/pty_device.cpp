#include "support/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace velmar::testing {

PtyDevice::PtyDevice() {
  char name[256] = {};
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&master_, &slaveKeeper_, name, &raw, nullptr) != 0) throw std::runtime_error("openpty failed");
  slave_ = name;
  // Programs started by the test must not hold the line open behind its back.
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slaveKeeper_, F_SETFD, FD_CLOEXEC);
}

PtyDevice::~PtyDevice() {
  if (child_ > 0) {
    kill(child_, SIGTERM);
    waitpid(child_, nullptr, 0);
  }
  if (master_ >= 0) close(master_);
  close(slaveKeeper_);
}

void PtyDevice::KillPeer() {
  if (child_ <= 0) return;
  kill(child_, SIGKILL);
  waitpid(child_, nullptr, 0);
  child_ = 0;
}

void PtyDevice::HangUp() {
  KillPeer();
  if (master_ >= 0) close(master_);
  master_ = -1;
}

std::string PtyDevice::Read(std::size_t minBytes, int timeoutMs) {
  std::string bytes;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (bytes.size() < minBytes && std::chrono::steady_clock::now() < deadline) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    char buffer[512];
    const ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

void PtyDevice::Write(const std::string& bytes) {
  if (write(master_, bytes.data(), bytes.size()) < 0) throw std::runtime_error("pty write failed");
}

void PtyDevice::RunOnMaster(const std::string& program, const std::vector<std::string>& args) {
  child_ = fork();
  if (child_ == 0) {
    dup2(master_, STDIN_FILENO);
    dup2(master_, STDOUT_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
}

std::string PtyDevice::AskThroughSlave(const std::string& bytes, char terminator, int timeoutMs) {
  const int fd = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("cannot open " + slave_);
  std::string answer;
  if (write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size())) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (answer.find(terminator) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char buffer[256];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n > 0) answer.append(buffer, static_cast<std::size_t>(n));
    }
  }
  close(fd);
  return answer;
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
  const char* previous = std::getenv(name);
  had_ = previous != nullptr;
  if (previous) previous_ = previous;
  setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
  if (had_) setenv(name_.c_str(), previous_.c_str(), 1);
  else unsetenv(name_.c_str());
}

}  // namespace velmar::testing
