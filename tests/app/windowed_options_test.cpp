#include "app/windowed_options.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

TEST(WindowedOptions, TheProgramDirectoryIsTakenInBothSpellingsAndAnythingElseIsRefused) {
  std::string error;
  EXPECT_EQ(ParseWindowedOptions({"--program-dir", "/obs/prog"}, error).programDir, "/obs/prog");
  EXPECT_EQ(ParseWindowedOptions({"--program-dir=prog"}, error).programDir, "prog");
  EXPECT_TRUE(ParseWindowedOptions({"--help"}, error).help);
  EXPECT_EQ(error, "");
  ParseWindowedOptions({"--program-dir"}, error);
  EXPECT_EQ(error, "--program-dir needs a directory");
  error.clear();
  ParseWindowedOptions({"--program-dir="}, error);
  EXPECT_EQ(error, "--program-dir needs a directory");
  error.clear();
  ParseWindowedOptions({"--progam-dir", "x"}, error);
  EXPECT_EQ(error, "unknown argument --progam-dir (see --help)");
}

// The real program: a bad argument is said and ends it before any window or file.
TEST(WindowedOptions, TheWindowedProgramRefusesABadArgumentAndWritesNothing) {
  TempDir dir;
  ChildProcess gui(std::string(VELMAR_BIN_DIR) + "/vlmipcs", {"--program-dir"}, dir.path().string(),
                   {"QT_QPA_PLATFORM=offscreen", "VELMAR_SYSTEM_DIR=" + dir.file("system"),
                    "XDG_RUNTIME_DIR=" + dir.file("run"), "HOME=" + dir.path().string()});
  EXPECT_EQ(gui.Wait(20000), 2) << gui.output();
  EXPECT_NE(gui.output().find("vlmipcs: --program-dir needs a directory"), std::string::npos) << gui.output();
  EXPECT_FALSE(std::filesystem::exists(dir.file("system")));
  EXPECT_FALSE(std::filesystem::exists(dir.file(".local/share/velmar-program")));
}

}  // namespace
}  // namespace velmar::testing
