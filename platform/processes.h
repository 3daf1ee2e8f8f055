#pragma once
// Other programs: whether one runs under a given name, and starting one without
// waiting for it (argument list, never a shell).
#include <filesystem>
#include <string>
#include <vector>

namespace velmar {

// True when a process whose command name (or executable's base name, without a
// ".exe" ending) equals name runs now. procRoot is for tests.
bool ProcessRunning(const std::string& name, const std::filesystem::path& procRoot = "/proc");

struct StartResult {
  bool started = false;
  int pid = 0;
  std::string error;  // why it could not be started
};

// Starts program with args and returns at once; the child is reaped in the background.
StartResult StartProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace velmar
