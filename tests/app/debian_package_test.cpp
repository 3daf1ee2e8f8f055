// The Debian package, made from this build tree as scripts/package makes it:
// its file list and control fields read with dpkg-deb, then unpacked into a
// scratch root, where the installed runner must find its presets and observe.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kPrograms = {"vlmipcs", "vlmipcs-observe", "vlmipcs-fits", "vlmipcs-cube", "vlmipcs-cs100-sim",
                                            "vlmipcs-temperature-sim"};

std::string OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return dir + "/" + program;
  return "";
}

struct Ran {
  std::optional<int> code;
  std::string output;
};

Ran RunProgram(const std::string& program, const std::vector<std::string>& args, const std::string& cwd,
        const std::vector<std::string>& env = {}, int timeoutMs = 60000) {
  ChildProcess child(program, args, cwd, env);
  Ran ran;
  ran.code = child.Wait(timeoutMs);
  ran.output = child.output();
  return ran;
}

class DebianPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    dpkgDeb_ = OnPath("dpkg-deb");
    if (dpkgDeb_.empty()) GTEST_SKIP() << "dpkg-deb is not installed: run scripts/bootstrap to check the package";
    const Ran cpack = RunProgram(VELMAR_CPACK, {"--config", std::string(VELMAR_BIN_DIR) + "/CPackConfig.cmake", "-B",
                                         dir_.file("out")},
                          VELMAR_BIN_DIR, {}, 300000);
    ASSERT_EQ(cpack.code, 0) << cpack.output;
    for (const auto& entry : fs::directory_iterator(dir_.path() / "out"))
      if (entry.path().extension() == ".deb") deb_ = entry.path().string();
    ASSERT_FALSE(deb_.empty()) << cpack.output;
  }

  // Its file list and control fields.
  void CheckContents();
  // The runner unpacked from it, started from elsewhere; the manual pages.
  void CheckUnpacked();

  std::string dpkgDeb_, deb_;
  TempDir dir_;
};

void DebianPackage::CheckContents() {
  const Ran list = RunProgram(dpkgDeb_, {"-c", deb_}, dir_.path().string());
  ASSERT_EQ(list.code, 0) << list.output;
  std::set<std::string> files;
  const std::regex entry(R"(\S+\s+\S+\s+\d+\s+\S+\s+\S+\s+\./(\S+))");
  std::istringstream lines(list.output);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_search(line, m, entry)) files.insert(m[1]);
  }
  std::vector<std::string> expected = {"usr/share/applications/vlmipcs.desktop",
                                       "usr/share/icons/hicolor/scalable/apps/vlmipcs.svg"};
  for (const auto& program : kPrograms) {
    expected.push_back("usr/bin/" + program);
    expected.push_back("usr/share/man/man1/" + program + ".1.gz");
  }
  for (const auto& preset : fs::directory_iterator(VELMAR_SOURCE_DIR "/presets"))
    expected.push_back("usr/share/velmar/presets/" + preset.path().filename().string());
  for (const auto& file : expected) EXPECT_TRUE(files.count(file)) << file << " missing from\n" << list.output;
  // Nothing of the build's own: no tests, benchmarks or build tools, and nothing outside /usr.
  for (const auto& file : files) {
    EXPECT_EQ(file.rfind("usr/", 0), 0u) << file;
    if (file.rfind("usr/bin/", 0) == 0 && file != "usr/bin/") {
      EXPECT_NE(std::find(kPrograms.begin(), kPrograms.end(), file.substr(8)), kPrograms.end()) << file;
    }
  }

  const Ran info = RunProgram(dpkgDeb_, {"-I", deb_}, dir_.path().string());
  ASSERT_EQ(info.code, 0) << info.output;
  EXPECT_NE(info.output.find("Package: velmar-photon-counting"), std::string::npos) << info.output;
  EXPECT_NE(info.output.find("Architecture: "), std::string::npos) << info.output;
  std::smatch depends;
  const std::string control = info.output;
  ASSERT_TRUE(std::regex_search(control, depends, std::regex("Depends: ([^\n]*)"))) << info.output;
  for (const char* package : {"libc6", "libstdc++6", "libqt6widgets6", "libqt6gui6", "libqt6core6"})
    EXPECT_NE(depends[1].str().find(package), std::string::npos) << package << " in " << depends[1];
}

void DebianPackage::CheckUnpacked() {
  const std::string root = dir_.file("root");
  const Ran unpack = RunProgram(dpkgDeb_, {"-x", deb_, root}, dir_.path().string());
  ASSERT_EQ(unpack.code, 0) << unpack.output;
  const std::string runner = root + "/usr/bin/vlmipcs-observe";
  fs::create_directories(dir_.path() / "somewhere");
  fs::create_directories(dir_.path() / "obs");
  const Ran observed =
      RunProgram(runner,
          {"--preset", "4", "--fast", "--source", "simulation", "--random-points", "5", "--type", "object",
           "--channels", "2", "--exposure", "1", "--cycles", "1", "--data", dir_.file("obs/G001"), "--prefix", "G", "--number", "1", "--cs100",
           "file:" + dir_.file("cs100.txt")},
          dir_.file("somewhere"),
          {"HOME=" + dir_.file("home"), "VELMAR_SYSTEM_DIR=", "XDG_DATA_HOME=", "VELMAR_PROGRAM_DIR=",
           "XDG_RUNTIME_DIR=" + dir_.file("run")});
  ASSERT_EQ(observed.code, 0) << observed.output;
  const std::string programDir = dir_.file("home/.local/share/velmar-program");
  EXPECT_NE(observed.output.find("program directory: " + programDir + " (per user, "), std::string::npos)
      << observed.output;
  EXPECT_NE(observed.output.find("laid out from " + root + "/usr/share/velmar/presets)"), std::string::npos)
      << observed.output;
  EXPECT_TRUE(fs::exists(dir_.file("obs/G001/G0010102.VLA")));

  // Every option line the runner's help prints is in its manual page, and the
  // windowed program's help needs no display.
  const Ran help = RunProgram(runner, {"--help"}, dir_.path().string());
  const Ran page = RunProgram(OnPath("gzip"), {"-dc", root + "/usr/share/man/man1/vlmipcs-observe.1.gz"}, dir_.path().string());
  ASSERT_EQ(page.code, 0) << page.output;
  const std::string text = std::regex_replace(page.output, std::regex(R"(\\-)"), "-");
  std::istringstream helpLines(help.output);
  int options = 0;
  for (std::string line; std::getline(helpLines, line);)
    if (line.rfind("  --", 0) == 0) {
      ++options;
      EXPECT_NE(text.find(line), std::string::npos) << line;
    }
  EXPECT_GT(options, 20);
  EXPECT_NE(text.find(".SH NAME\nvlmipcs-observe - a photon-counting observation without windows"),
            std::string::npos)
      << text;
  const Ran gui = RunProgram(root + "/usr/bin/vlmipcs", {"--help"}, dir_.path().string(), {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="});
  EXPECT_EQ(gui.code, 0) << gui.output;
  EXPECT_NE(gui.output.find("--program-dir DIR"), std::string::npos) << gui.output;

  // The desktop entry as the desktop's own checker reads it (bootstrap installs it).
  const std::string validate = OnPath("desktop-file-validate");
  ASSERT_FALSE(validate.empty()) << "desktop-file-validate is not installed: run scripts/bootstrap";
  const Ran entry = RunProgram(validate, {root + "/usr/share/applications/vlmipcs.desktop"}, dir_.path().string());
  EXPECT_EQ(entry.code, 0) << entry.output;
  EXPECT_EQ(entry.output, "") << entry.output;
}

// One package built serves both looks at it: building it is the slow part.
TEST_F(DebianPackage, InstallsTheProgramsAndPresetsWhereADebianUserExpectsThem) {
  CheckContents();
  CheckUnpacked();
}

}  // namespace
}  // namespace velmar::testing
