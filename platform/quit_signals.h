#pragma once
// SIGINT, SIGTERM and SIGHUP as a request to quit safely. The handler only records
// the first signal and writes one byte to a pipe; the program notices it between
// steps (the runner polls Requested(), the windowed program watches NotifyFd())
// and takes its abort-and-quit path. A repeated signal (Ctrl-C pressed twice, or
// `timeout` signalling the program and then its process group) hurries that stop,
// cutting its waits short, and never skips it: what this copy wrote is always
// taken away.
namespace velmar {

class QuitSignals {
 public:
  // Installs the handlers (once per process; later calls do nothing).
  static void Install();
  // The first signal received, or 0.
  static int Requested();
  // True once a signal came after the first.
  static bool Repeated();
  // While on, the first signal already cuts every wait short (a start-up that must
  // stop within a second or two); otherwise only a repeated one does.
  static void SetFirstSignalCutsWaits(bool on);
  // Readable once a signal has been received; -1 before Install().
  static int NotifyFd();
  // The exit code a shell expects of a process ended by this signal (128 + n).
  static int ExitCode(int signal) { return 128 + signal; }
  // "SIGINT", "SIGTERM", "SIGHUP".
  static const char* Name(int signal);
  // Forgets a recorded signal and drains the pipe (tests that raise signals).
  static void ResetForTests();
};

}  // namespace velmar
