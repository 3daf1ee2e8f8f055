#include "support/child_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>

extern char** environ;

namespace velmar::testing {

namespace {
std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
                           const std::vector<std::string>& env) {
  int fds[2];
  if (::pipe(fds) != 0) return;
  std::vector<std::string> environment;
  for (char** e = environ; *e; ++e) environment.emplace_back(*e);
  // An entry given replaces the inherited one of that name (a lookup takes the first).
  for (const std::string& entry : env) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    std::erase_if(environment, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
    environment.push_back(entry);
  }
  std::vector<char*> envp, argv;
  for (auto& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> all{program};
  all.insert(all.end(), args.begin(), args.end());
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  // The child starts with the default handlers, whatever the test process set.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t defaults, none;
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) sigaddset(&defaults, s);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data()) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  ::close(fds[1]);
  out_ = fds[0];
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !reaped_) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (out_ >= 0) ::close(out_);
}

void ChildProcess::ReadAvailable(int timeoutMs) {
  if (out_ < 0) return;
  pollfd p{out_, POLLIN, 0};
  if (::poll(&p, 1, timeoutMs) <= 0) return;
  char buffer[4096];
  const ssize_t n = ::read(out_, buffer, sizeof buffer);
  if (n > 0) output_.append(buffer, static_cast<std::size_t>(n));
  else {
    ::close(out_);  // the child closed its end
    out_ = -1;
  }
}

bool ChildProcess::WaitForOutput(const std::string& text, int timeoutMs) {
  const std::int64_t deadline = NowMs() + timeoutMs;
  while (output_.find(text) == std::string::npos) {
    const std::int64_t left = deadline - NowMs();
    if (left <= 0 || out_ < 0) return output_.find(text) != std::string::npos;
    ReadAvailable(static_cast<int>(std::min<std::int64_t>(left, 100)));
  }
  return true;
}

void ChildProcess::Signal(int signal) {
  if (pid_ > 0 && !reaped_) ::kill(pid_, signal);
}

std::optional<int> ChildProcess::Wait(int timeoutMs) {
  if (pid_ <= 0) return std::nullopt;
  const std::int64_t deadline = NowMs() + timeoutMs;
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      reaped_ = true;
      while (out_ >= 0) ReadAvailable(100);
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (NowMs() >= deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      reaped_ = true;
      return std::nullopt;
    }
    ReadAvailable(20);
  }
}

}  // namespace velmar::testing
