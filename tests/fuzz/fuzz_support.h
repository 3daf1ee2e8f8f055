#pragma once
// What every fuzz target shares: a scratch directory of its own for the files a
// parser reads, errors recorded instead of shown, and a check that stops the run
// loudly (so the fuzzer keeps the input) when a parser breaks its promise.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/error_reporter.h"

namespace velmar::fuzz {

// Made on first use, removed when the run ends.
class Scratch {
 public:
  Scratch() : path_(std::filesystem::temp_directory_path() / ("velmar-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path_);
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline const std::filesystem::path& ScratchDir() {
  static const Scratch scratch;
  return scratch.path();
}

inline std::string WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
  const std::string path = (ScratchDir() / name).string();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

inline void Require(bool promise) {
  if (!promise) std::abort();
}

template <std::size_t N>
void RequireTerminated(const char (&field)[N]) {
  Require(strnlen(field, N) < N);
}

// Errors go nowhere but are still made, as the program makes them.
struct QuietErrors {
  RecordingErrorReporter errors;
  ScopedErrorReporter installed{errors};
};

}  // namespace velmar::fuzz
