#pragma once
// One of the program's own executables run as the observer runs it, in a child
// process: its output read as it comes, signals sent to it, its end awaited with
// a deadline so that a hang fails the test instead of stalling it.
#include <optional>
#include <string>
#include <vector>

namespace velmar::testing {

class ChildProcess {
 public:
  // Starts program with args in directory cwd; env entries "NAME=value" are added
  // to this process's environment. Standard output and error are read together.
  ChildProcess(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
               const std::vector<std::string>& env = {});
  ~ChildProcess();  // kills a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Reads output until it holds text or timeoutMs passes; true when it does.
  bool WaitForOutput(const std::string& text, int timeoutMs);
  void Signal(int signal);
  // The exit code (128 + n for a child killed by signal n), or nothing when it is
  // still running after timeoutMs (it is then killed).
  std::optional<int> Wait(int timeoutMs);
  const std::string& output() const { return output_; }
  int pid() const { return pid_; }

 private:
  void ReadAvailable(int timeoutMs);

  int pid_ = -1;
  int out_ = -1;
  bool reaped_ = false;
  std::string output_;
};

}  // namespace velmar::testing
