#pragma once
// The headless runner in this process, in a program directory laid out from
// presets/, with its own system and runtime directories; its output kept as text.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/observe_runner.h"
#include "platform/error_reporter.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"

namespace velmar::testing {

class RunnerFixture : public ::testing::Test {
 protected:
  RunnerFixture()
      : cwd_(dir_.path()), system_(dir_.path() / "system"), runtime_("XDG_RUNTIME_DIR", dir_.file("run")),
        errorsInstalled_(errors_) {
    std::filesystem::copy(VELMAR_PRESETS_DIR, dir_.path(), std::filesystem::copy_options::recursive);
    std::filesystem::create_directory(dir_.file("obs"));
  }

  // Runs with the given flags after the fixture's leading ones; a later flag wins.
  int RunWith(std::vector<std::string> leading, const std::vector<std::string>& args) {
    leading.insert(leading.end(), args.begin(), args.end());
    std::string error;
    const auto options = ParseObserveOptions(leading, error);
    EXPECT_TRUE(options) << error;
    if (!options) return -1;
    std::FILE* out = std::tmpfile();
    const int code = RunObservation(*options, out);
    std::rewind(out);
    output_.clear();
    for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) output_ += static_cast<char>(c);
    std::fclose(out);
    return code;
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_.file(name)); }

  TempDir dir_;
  ScopedCurrentDir cwd_;
  ScopedSystemDir system_;
  ScopedEnv runtime_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter errorsInstalled_;
  std::string output_;
};

}  // namespace velmar::testing
