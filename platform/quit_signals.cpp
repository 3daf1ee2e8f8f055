#include "platform/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

namespace velmar {

namespace {

std::atomic<int> requested{0};
int pipeFds[2] = {-1, -1};

// Only async-signal-safe calls here.
extern "C" void OnQuitSignal(int signal) {
  int expected = 0;
  if (!requested.compare_exchange_strong(expected, signal)) _exit(QuitSignals::ExitCode(signal));
  const char byte = static_cast<char>(signal);
  const int saved = errno;
  [[maybe_unused]] const auto written = ::write(pipeFds[1], &byte, 1);
  errno = saved;
}

}  // namespace

void QuitSignals::Install() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (::pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) pipeFds[0] = pipeFds[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &action, nullptr);
  });
}

int QuitSignals::Requested() { return requested.load(); }

int QuitSignals::NotifyFd() { return pipeFds[0]; }

const char* QuitSignals::Name(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "signal";
  }
}

void QuitSignals::ResetForTests() {
  char buffer[16];
  if (pipeFds[0] >= 0)
    while (::read(pipeFds[0], buffer, sizeof buffer) > 0) {
    }
  requested.store(0);
}

}  // namespace velmar
