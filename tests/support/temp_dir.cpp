#include "support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace velmar::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "velmar-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

ScopedSystemDir::ScopedSystemDir(const std::filesystem::path& dir) {
  const char* previous = std::getenv("VELMAR_SYSTEM_DIR");
  hadPrevious_ = previous != nullptr;
  if (previous) previous_ = previous;
  setenv("VELMAR_SYSTEM_DIR", dir.c_str(), 1);
}

ScopedSystemDir::~ScopedSystemDir() {
  if (hadPrevious_) setenv("VELMAR_SYSTEM_DIR", previous_.c_str(), 1);
  else unsetenv("VELMAR_SYSTEM_DIR");
}

ScopedCurrentDir::ScopedCurrentDir(const std::filesystem::path& dir)
    : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(dir);
}

ScopedCurrentDir::~ScopedCurrentDir() { std::filesystem::current_path(previous_); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace velmar::testing
