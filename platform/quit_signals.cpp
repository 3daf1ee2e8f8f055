#include "platform/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>

#include "platform/clock.h"

namespace velmar {

namespace {

std::atomic<int> requested{0};
std::atomic<bool> repeated{false}, firstCutsWaits{false};
int pipeFds[2] = {-1, -1};

bool StopIsHurried() { return repeated.load() || (firstCutsWaits.load() && requested.load() != 0); }

// Only async-signal-safe calls here.
extern "C" void OnQuitSignal(int signal) {
  int expected = 0;
  if (!requested.compare_exchange_strong(expected, signal)) {
    repeated.store(true);  // the stop under way goes on, only faster
    return;
  }
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
    SetWaitCutTest(StopIsHurried);
  });
}

int QuitSignals::Requested() { return requested.load(); }

bool QuitSignals::Repeated() { return repeated.load(); }

void QuitSignals::SetFirstSignalCutsWaits(bool on) { firstCutsWaits.store(on); }

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
  repeated.store(false);
}

}  // namespace velmar
