#include "platform/program_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/pty_device.h"
#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

class ProgramDirChoosing : public ::testing::Test {
 protected:
  ProgramDirChoosing() {
    fs::create_directories(presets());
    for (const char* name : {"kem512.def", "varsa.def", "comptage.dcf", "ecran.vcf", "axdrv.ini"})
      WriteFile((presets() / name).string(), std::string("preset ") + name + "\n");
    fs::create_directories(current());
    request_.current = current();
    request_.perUser = dir_.path() / "velmar-program";
    request_.presetSources = {dir_.path() / "installed-presets-absent", presets()};
  }
  fs::path presets() const { return dir_.path() / "presets"; }
  fs::path current() const { return dir_.path() / "cwd"; }
  fs::path Make(const std::string& name) const {
    fs::create_directories(dir_.path() / name);
    return dir_.path() / name;
  }

  TempDir dir_;
  ProgramDirRequest request_;
};

TEST_F(ProgramDirChoosing, TheFlagThenTheEnvironmentThenACurrentDirectoryWithDefinitionsThenThePerUserOne) {
  const fs::path flagged = Make("flagged"), named = Make("named");
  WriteFile((current() / "site.DEF").string(), "x");
  request_.flag = flagged.string();
  request_.environment = named.string();
  EXPECT_EQ(ChooseProgramDirectory(request_).directory, flagged);
  EXPECT_EQ(ChooseProgramDirectory(request_).origin, ProgramDirOrigin::Flag);
  request_.flag.clear();
  EXPECT_EQ(ChooseProgramDirectory(request_).directory, named);
  EXPECT_EQ(ChooseProgramDirectory(request_).origin, ProgramDirOrigin::Environment);
  request_.environment.clear();
  EXPECT_EQ(ChooseProgramDirectory(request_).directory, current());
  EXPECT_EQ(ChooseProgramDirectory(request_).origin, ProgramDirOrigin::CurrentDirectory);
  fs::remove(current() / "site.DEF");
  // The parameters file is not an instrument definition.
  WriteFile((current() / "VLA.DEF").string(), "x");
  const ProgramDirChoice perUser = ChooseProgramDirectory(request_);
  EXPECT_EQ(perUser.origin, ProgramDirOrigin::PerUser);
  EXPECT_EQ(perUser.directory, request_.perUser);
  EXPECT_TRUE(perUser.error.empty()) << perUser.error;
  // Nothing was laid out into the directories the user named; that they are empty is said.
  EXPECT_TRUE(fs::is_empty(flagged));
  EXPECT_TRUE(fs::is_empty(named));
  request_.flag = flagged.string();
  EXPECT_EQ(ProgramDirLine(ChooseProgramDirectory(request_)),
            "program directory: " + flagged.string() + " (given by --program-dir; it holds no instrument definition)");
}

TEST_F(ProgramDirChoosing, ARelativeNameIsTakenFromTheCurrentDirectoryAndATrailingSlashIsDropped) {
  const fs::path flagged = Make("cwd/site");
  request_.flag = "site/";
  EXPECT_EQ(ChooseProgramDirectory(request_).directory, flagged);
  request_.flag.clear();
  request_.environment = "../cwd/./site";
  EXPECT_EQ(ChooseProgramDirectory(request_).directory, flagged);
}

TEST_F(ProgramDirChoosing, AFirstStartLaysItOutAndALaterOneKeepsTheObserversFiles) {
  const ProgramDirChoice first = ChooseProgramDirectory(request_);
  ASSERT_TRUE(first.error.empty()) << first.error;
  EXPECT_EQ(first.filesLaidOut, 5);
  EXPECT_EQ(first.laidOutFrom, presets());
  EXPECT_EQ(ReadFile((request_.perUser / "kem512.def").string()), "preset kem512.def\n");
  EXPECT_NE(ProgramDirLine(first).find("5 files laid out from " + presets().string()), std::string::npos)
      << ProgramDirLine(first);

  WriteFile((request_.perUser / "kem512.def").string(), "edited by the observer\n");
  fs::remove(request_.perUser / "ecran.vcf");
  const ProgramDirChoice second = ChooseProgramDirectory(request_);
  ASSERT_TRUE(second.error.empty()) << second.error;
  EXPECT_EQ(ReadFile((request_.perUser / "kem512.def").string()), "edited by the observer\n");
  // Only what went missing comes back; no half-copied file is left beside it.
  EXPECT_EQ(second.filesLaidOut, 1);
  EXPECT_TRUE(fs::exists(request_.perUser / "ecran.vcf"));
  int files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(request_.perUser)) ++files;
  EXPECT_EQ(files, 5);

  const ProgramDirChoice third = ChooseProgramDirectory(request_);
  EXPECT_EQ(third.filesLaidOut, 0);
  EXPECT_EQ(ProgramDirLine(third), "program directory: " + request_.perUser.string() + " (per user)");
}

TEST_F(ProgramDirChoosing, ReadOnlyPresetsBecomeFilesTheObserverCanEdit) {
  fs::permissions(presets() / "varsa.def", fs::perms::owner_read | fs::perms::group_read);
  ASSERT_TRUE(ChooseProgramDirectory(request_).error.empty());
  const auto perms = fs::status(request_.perUser / "varsa.def").permissions();
  EXPECT_NE(perms & fs::perms::owner_write, fs::perms::none);
}

TEST_F(ProgramDirChoosing, ADirectoryThatCannotBeUsedIsSaidAndNothingIsWritten) {
  request_.flag = (dir_.path() / "absent").string();
  ProgramDirChoice c = ChooseProgramDirectory(request_);
  EXPECT_NE(c.error.find("--program-dir names " + request_.flag + ", which is not a directory"), std::string::npos)
      << c.error;
  request_.flag.clear();
  WriteFile((dir_.path() / "a file").string(), "");
  request_.environment = (dir_.path() / "a file").string();
  c = ChooseProgramDirectory(request_);
  EXPECT_NE(c.error.find("$VELMAR_PROGRAM_DIR names"), std::string::npos) << c.error;
  EXPECT_NE(ProgramDirLine(c).find("program directory: $VELMAR_PROGRAM_DIR"), std::string::npos);
  request_.environment.clear();

  // No presets anywhere, and an empty per-user directory: said, with where it looked.
  request_.presetSources = {dir_.path() / "nowhere"};
  c = ChooseProgramDirectory(request_);
  EXPECT_NE(c.error.find("looked in " + (dir_.path() / "nowhere").string()), std::string::npos) << c.error;
  EXPECT_FALSE(fs::exists(request_.perUser));

  // A path the parameters could not hold whole.
  request_.presetSources = {presets()};
  request_.perUser = dir_.path() / std::string(100, 'p') / std::string(100, 'q') / std::string(60, 'r');
  c = ChooseProgramDirectory(request_);
  EXPECT_NE(c.error.find("longer than 255 characters"), std::string::npos) << c.error;
  EXPECT_FALSE(fs::exists(request_.perUser));

  // A file where the per-user directory should be.
  request_.perUser = dir_.path() / "a file";
  c = ChooseProgramDirectory(request_);
  EXPECT_NE(c.error.find("cannot create"), std::string::npos) << c.error;
}

TEST_F(ProgramDirChoosing, ThisProcessEntersItsChoiceBesideTheSystemDirectory) {
  ScopedCurrentDir cwd(current());
  ScopedSystemDir system(dir_.path() / "home" / "system");
  ScopedEnv unnamed("VELMAR_PROGRAM_DIR", "");
  EXPECT_EQ(PerUserProgramDirectory(), dir_.path() / "home" / "system-program");
  const ProgramDirChoice c = EnterProgramDirectory("");
  ASSERT_TRUE(c.error.empty()) << c.error;
  EXPECT_EQ(c.directory, dir_.path() / "home" / "system-program");
  EXPECT_EQ(fs::current_path(), c.directory);
  // Laid out from the source tree's presets (this build is not installed).
  EXPECT_TRUE(fs::exists(c.directory / "kem512.def"));
  EXPECT_FALSE(fs::exists(dir_.path() / "home" / "system"));

  // Relative paths in the environment keep meaning what they meant where the program started.
  ScopedEnv relative("VELMAR_COM2", "ports/com2");
  AnchorPathEnvironment();
  EXPECT_EQ(std::string(std::getenv("VELMAR_COM2")), (c.directory / "ports/com2").string());
  EXPECT_EQ(AnchoredPath("obs/G042"), (c.directory / "obs/G042").string());
  EXPECT_EQ(AnchoredPath("/data/G042"), "/data/G042");
}

}  // namespace
}  // namespace velmar::testing
