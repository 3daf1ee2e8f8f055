#include <gtest/gtest.h>

#include <filesystem>

#include "console/data_directory.h"
#include "platform/error_reporter.h"
#include "platform/system_dir.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::TempDir;

TEST(DataDirectory, AccessIsTestedByWritingAFile) {
  TempDir dir;
  RecordingErrorReporter errors;
  ScopedErrorReporter installed(errors);
  EXPECT_EQ(TestPathAccess(dir.path().string()), 0);
  EXPECT_FALSE(std::filesystem::exists(dir.file("bidon.tmp")));
  EXPECT_EQ(TestPathAccess(dir.file("a/b")), 1);
  ASSERT_EQ(errors.reported().size(), 1u);
  EXPECT_EQ(errors.reported()[0],
            (ErrorLines{"Impossible to access the path", dir.file("a/b"),
                        "Note: to create a sub-directory, all the upper directories must exist !"}));
}

TEST(DataDirectory, TheDirectoryWindowCreatesOneLevelAndAcceptsWhatExists) {
  TempDir dir;
  RecordingErrorReporter errors;
  ScopedErrorReporter installed(errors);
  std::string path;
  EXPECT_TRUE(RepertoireCreate(dir.file("G042"), path));
  EXPECT_EQ(path, dir.file("G042"));
  EXPECT_TRUE(std::filesystem::is_directory(path));
  EXPECT_TRUE(RepertoireCreate(dir.file("G042"), path));  // already there and writable
  EXPECT_TRUE(errors.reported().empty());
  EXPECT_FALSE(RepertoireCreate(dir.file("x/y"), path));  // two missing levels
  EXPECT_EQ(path, dir.file("x/y"));                       // the rejected text stays
  EXPECT_EQ(errors.reported().back().line1, "Impossible to access the path");
  errors.Clear();
  EXPECT_FALSE(RepertoireOpen(dir.file("nowhere"), path));
  ASSERT_EQ(errors.reported().size(), 2u);
  EXPECT_EQ(errors.reported()[1].line1, "Impossible to open this directory");
  EXPECT_TRUE(RepertoireOpen(dir.file("G042"), path));
}

TEST(DataDirectory, TheTemporaryFileModeIsKeptInTheSystemFile) {
  TempDir dir;
  testing::ScopedSystemDir system(dir.path());
  EXPECT_EQ(ReadTempFileMode(), 1);  // no file
  WriteTempFileMode(0);
  EXPECT_EQ(testing::ReadFile(dir.file("vlm_syst.tmp")), "0\n");
  EXPECT_EQ(ReadTempFileMode(), 0);
  testing::WriteFile(dir.file("vlm_syst.tmp"), "7\n");
  EXPECT_EQ(ReadTempFileMode(), 1);
  testing::WriteFile(dir.file("vlm_syst.tmp"), "zero\n");
  EXPECT_EQ(ReadTempFileMode(), 1);
  testing::WriteFile(dir.file("vlm_syst.tmp"), "  0 avec flag");
  EXPECT_EQ(ReadTempFileMode(), 0);
}

}  // namespace
}  // namespace velmar
