#include "platform/processes.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <thread>

extern char** environ;

namespace velmar {

namespace {
std::string StripExe(std::string name) {
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0) name.resize(name.size() - 4);
  return name;
}

bool AllDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}
}  // namespace

bool ProcessRunning(const std::string& name, const std::filesystem::path& procRoot) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(procRoot, ec)) {
    if (!AllDigits(entry.path().filename().string())) continue;
    std::ifstream comm(entry.path() / "comm");
    std::string command;
    if (comm && std::getline(comm, command) && StripExe(command) == name) return true;
    std::error_code linkError;
    const auto exe = std::filesystem::read_symlink(entry.path() / "exe", linkError);
    if (!linkError && StripExe(exe.filename().string()) == name) return true;
  }
  return false;
}

StartResult StartProgram(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> owned;
  owned.reserve(args.size() + 1);
  owned.push_back(program);
  owned.insert(owned.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : owned) argv.push_back(a.data());
  argv.push_back(nullptr);

  StartResult result;
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (rc != 0) {
    result.error = std::strerror(rc);
    return result;
  }
  result.started = true;
  result.pid = pid;
  std::thread([pid] {
    int status = 0;
    ::waitpid(pid, &status, 0);
  }).detach();
  return result;
}

}  // namespace velmar
