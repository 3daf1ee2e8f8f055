// vlmipcs-observe: a photon-counting observation without windows.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/observe_runner.h"
#include "platform/quit_signals.h"

int main(int argc, char** argv) {
  // A full disk must fail a write, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  // Ctrl-C, SIGTERM and SIGHUP stop the observation safely.
  velmar::QuitSignals::Install();
  std::string error;
  const auto options = velmar::ParseObserveOptions(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!options) {
    std::fprintf(stderr, "vlmipcs-observe: %s\n", error.c_str());
    return 2;
  }
  return velmar::RunObservation(*options, stdout);
}
