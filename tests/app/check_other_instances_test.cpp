#include <gtest/gtest.h>

#include <filesystem>

#include "app/check_other_instances.h"
#include "platform/witness_file.h"
#include "params/fixed_text.h"
#include "platform/system_dir.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::ReadFile;
using testing::TempDir;

class RecordingWarnings : public InstanceWarnings {
 public:
  void ShowTwoPrograms() override { shown.push_back("TTwoPrograms"); }
  void ShowTwoVlm3D() override { shown.push_back("TTwoVlm3D"); }
  std::vector<std::string> shown;
};

class CheckOtherInstancesTest : public ::testing::Test {
 protected:
  CheckOtherInstancesTest() : system_(dir_.path()) {}
  std::string Witness() const { return dir_.file(kWitnessFileName); }

  TempDir dir_;
  testing::ScopedSystemDir system_;
  AcquisitionParameters p_;
  RecordingWarnings warnings_;
  WitnessFile witness_;
  int ended_ = 0;
};

TEST_F(CheckOtherInstancesTest, AloneItWritesTheWitnessFileWithoutLineEnd) {
  CheckOtherInstances(p_, warnings_, witness_, [&] { ++ended_; });
  EXPECT_TRUE(warnings_.shown.empty());
  EXPECT_EQ(ended_, 0);
  EXPECT_EQ(ReadFile(Witness()), "Temoin VlmIPCS");
}

TEST_F(CheckOtherInstancesTest, ARunningDisplayProgramOnlyWarnsEachTime) {
  p_.DisplayRunning = 1;
  CheckOtherInstances(p_, warnings_, witness_, [&] { ++ended_; });
  CheckOtherInstances(p_, warnings_, witness_, [&] { ++ended_; });  // a new acquisition warns again
  EXPECT_EQ(warnings_.shown, (std::vector<std::string>{"TTwoVlm3D", "TTwoVlm3D"}));
  EXPECT_EQ(ended_, 0);
  EXPECT_EQ(ReadFile(Witness()), "Temoin VlmIPCS");
}

// The files and devices are the running copy's: the second copy is only told, and
// its way out takes nothing away (the process end is tested on the real programs).
TEST_F(CheckOtherInstancesTest, ASecondCopyIsToldSoAndLeavesTheRunningCopysWitnessFile) {
  testing::WriteFile(Witness(), "Temoin VlmIPCS");
  std::filesystem::permissions(Witness(), std::filesystem::perms::owner_read);
  p_.AnotherInstance = 1;
  p_.DisplayRunning = 1;
  {
    WitnessFile secondCopysWitness;
    CheckOtherInstances(p_, warnings_, secondCopysWitness, [&] { ++ended_; });
    EXPECT_FALSE(secondCopysWitness.written());
  }
  EXPECT_EQ(warnings_.shown, (std::vector<std::string>{"TTwoPrograms"}));
  EXPECT_EQ(ended_, 1);
  EXPECT_EQ(ReadFile(Witness()), "Temoin VlmIPCS");
}

TEST_F(CheckOtherInstancesTest, TheWitnessThisCopyWroteGoesWithIt) {
  {
    WitnessFile witness;
    CheckOtherInstances(p_, warnings_, witness, [&] { ++ended_; });
    EXPECT_TRUE(witness.written());
    EXPECT_EQ(ReadFile(Witness()), "Temoin VlmIPCS");
  }
  EXPECT_FALSE(std::filesystem::exists(Witness()));
}

TEST_F(CheckOtherInstancesTest, TheWitnessFileIsDeletedEvenWhenReadOnly) {
  ASSERT_TRUE(WriteWitnessFile().empty());
  std::filesystem::permissions(Witness(), std::filesystem::perms::owner_read);
  DeleteWitnessFile();
  EXPECT_FALSE(std::filesystem::exists(Witness()));
  DeleteWitnessFile();  // already gone: nothing happens
}

}  // namespace
}  // namespace velmar
