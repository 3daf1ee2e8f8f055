#include "platform/system_dir.h"

#include <cstdlib>
#include <system_error>

#include "platform/format.h"

namespace velmar {

std::filesystem::path SystemDirectoryLocation() {
  if (const char* dir = std::getenv("VELMAR_SYSTEM_DIR"); dir && *dir) return dir;
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data)
    return std::filesystem::path(data) / "velmar";
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::filesystem::path(home) / ".local" / "share" / "velmar";
  return std::filesystem::temp_directory_path() / "velmar";
}

std::filesystem::path SystemDirectory() {
  // Read each time: tests and the runner point it elsewhere with the environment.
  std::filesystem::path dir = SystemDirectoryLocation();
  std::error_code ignored;
  std::filesystem::create_directories(dir, ignored);
  return dir;
}

std::filesystem::path SystemFile(const std::string& name) { return SystemDirectory() / name; }

std::filesystem::path RemanenceFile(int index) { return SystemFile(Format("reman%d.vl2", index)); }

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

}  // namespace velmar
