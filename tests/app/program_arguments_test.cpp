#include "app/windowed_options.h"

#include <gtest/gtest.h>

#include <csignal>

#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

TEST(ProgramArguments, TheProgramDirectoryIsTakenInBothSpellingsAndAnythingElseIsRefused) {
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

// Each installed program as the observer starts it: its help needs no display and
// begins as its manual page expects; a bad argument is said and ends it before any
// window, device or file.
TEST(ProgramArguments, EveryProgramHasItsHelpAndRefusesABadArgumentWritingNothing) {
  TempDir dir;
  const std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "VELMAR_SYSTEM_DIR=" + dir.file("system"),
                                        "XDG_RUNTIME_DIR=" + dir.file("run"), "HOME=" + dir.path().string()};
  for (const std::string program :
       {"vlmipcs", "vlmipcs-observe", "vlmipcs-fits", "vlmipcs-cs100-sim", "vlmipcs-temperature-sim"}) {
    SCOPED_TRACE(program);
    const std::string path = std::string(VELMAR_BIN_DIR) + "/" + program;
    ChildProcess help(path, {"--help"}, dir.path().string(), {"DISPLAY=", "WAYLAND_DISPLAY="});
    EXPECT_EQ(help.Wait(20000), 0) << help.output();
    EXPECT_EQ(help.output().rfind(program + ": ", 0), 0u) << help.output();
    ChildProcess bad(path, {"--no-such-flag"}, dir.path().string(), env);
    EXPECT_EQ(bad.Wait(20000), 2) << bad.output();
    EXPECT_NE(bad.output().find(program + ": unknown argument --no-such-flag (see --help)"), std::string::npos)
        << bad.output();
  }
  ChildProcess noValue(std::string(VELMAR_BIN_DIR) + "/vlmipcs", {"--program-dir"}, dir.path().string(), env);
  EXPECT_EQ(noValue.Wait(20000), 2) << noValue.output();
  EXPECT_NE(noValue.output().find("vlmipcs: --program-dir needs a directory"), std::string::npos) << noValue.output();
  ChildProcess temperature(std::string(VELMAR_BIN_DIR) + "/vlmipcs-temperature-sim", {"--temperature", "warm"},
                           dir.path().string(), env);
  EXPECT_EQ(temperature.Wait(20000), 2) << temperature.output();
  EXPECT_NE(temperature.output().find("--temperature needs whole degrees, not warm"), std::string::npos);
  // Qt alone may make the runtime directory it is given.
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename(), "run") << "a refused start wrote " << entry.path();
}

// A program directory that cannot be used is shown in the error window; Ctrl-C or
// SIGTERM while it is shown ends the program at once, as nothing has started.
TEST(ProgramArguments, TheWindowedProgramRefusingItsProgramDirectoryEndsOnASignal) {
  for (const int signal : {SIGINT, SIGTERM}) {
    TempDir dir;
    ChildProcess gui(std::string(VELMAR_BIN_DIR) + "/vlmipcs", {}, dir.path().string(),
                     {"QT_QPA_PLATFORM=offscreen", "VELMAR_PROGRAM_DIR=" + dir.file("absent"),
                      "VELMAR_SYSTEM_DIR=" + dir.file("system"), "XDG_RUNTIME_DIR=" + dir.file("run"),
                      "HOME=" + dir.path().string()});
    ASSERT_TRUE(gui.WaitForOutput("program directory: $VELMAR_PROGRAM_DIR names " + dir.file("absent") +
                                      ", which is not a directory",
                                  20000))
        << gui.output();
    gui.Signal(signal);
    EXPECT_EQ(gui.Wait(10000), 128 + signal) << gui.output();
    EXPECT_FALSE(std::filesystem::exists(dir.file("system")));
    EXPECT_FALSE(std::filesystem::exists(dir.file(".local")));
  }
}

}  // namespace
}  // namespace velmar::testing
