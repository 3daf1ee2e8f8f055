#pragma once
// A fresh directory for one test, removed afterwards; it can also stand in as the
// system directory.
#include <filesystem>
#include <string>

namespace velmar::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Points $VELMAR_SYSTEM_DIR at a directory for the lifetime of this object.
class ScopedSystemDir {
 public:
  explicit ScopedSystemDir(const std::filesystem::path& dir);
  ~ScopedSystemDir();

 private:
  std::string previous_;
  bool hadPrevious_;
};

// Makes a directory the current one for the lifetime of this object (the program
// looks for its grabber files in the current directory).
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::filesystem::path& dir);
  ~ScopedCurrentDir();

 private:
  std::filesystem::path previous_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);

}  // namespace velmar::testing
