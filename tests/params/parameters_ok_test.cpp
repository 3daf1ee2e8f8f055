#include "params/parameters_ok.h"

#include <gtest/gtest.h>

#include "engine/acquisition_state.h"
#include "params/fixed_text.h"

namespace velmar {
namespace {

TEST(ParametersOk, TheCommentLinesAreCheckedWithoutCaseForCountedScansOnly) {
  AcquisitionParameters p;
  SetText(p.FilterIdent, "6563/10");
  EXPECT_EQ(MissingCommentLine(p), "You didn't fill the COMMENT LINE of the observation...");
  SetText(p.Comment, "PLEASE TYPE something");  // still the prompt, shouted
  EXPECT_EQ(MissingCommentLine(p), "You didn't fill the COMMENT LINE of the observation...");
  SetText(p.Comment, "M 33");
  EXPECT_EQ(MissingCommentLine(p), "You didn't fill the PF IDENTIFICATION comment line...");
  SetText(p.PFIdent, "pf identification");
  EXPECT_EQ(MissingCommentLine(p), "You didn't fill the PF IDENTIFICATION comment line...");
  SetText(p.PFIdent, "PF 3");
  SetText(p.FilterIdent, "(NULL)");
  EXPECT_EQ(MissingCommentLine(p), "You didn't fill the FILTER IDENTIFICATION comment line...");
  SetText(p.FilterIdent, "6563/10");
  EXPECT_EQ(MissingCommentLine(p), "");
  // A 2D image and a test observation need none of them.
  SetText(p.Comment, "please type here");
  p.AcqType = kAcq2DImage;
  EXPECT_EQ(MissingCommentLine(p), "");
  p.AcqType = kAcq3DCalibration;
  SetText(p.Prefix, "T");
  EXPECT_EQ(MissingCommentLine(p), "");
}

TEST(ParametersOk, TheShutterIsSeenOpenOnlyForStatus0Or6) {
  EXPECT_TRUE(ShutterSeenOpen(0));
  EXPECT_TRUE(ShutterSeenOpen(6));
  for (int status : {1, 2, 3, 4}) EXPECT_FALSE(ShutterSeenOpen(status)) << status;
  EXPECT_FALSE(ShutterSeenOpen(std::nullopt));  // a reading that failed
}

TEST(ParametersOk, LongNamesAboveNinetyNineAndTheHandOver) {
  AcquisitionParameters p;
  p.Lz = 99;
  p.Maxcycles = 99;
  SwitchToLongNamesIfNeeded(p);
  EXPECT_EQ(p.FileType, 0);
  p.Maxcycles = 100;
  SwitchToLongNamesIfNeeded(p);
  EXPECT_EQ(p.FileType, 1);
  AcquisitionState s;
  s.operatorAnswer = 1;
  p.THTSystem = 0;
  p.StoredXSize = 512;
  p.DataFormat = kFormatXY256_2Bytes;
  HandOverToAcquisition(p, s);
  EXPECT_EQ(s.thtSent, 99999);
  EXPECT_EQ(p.DataFormat, kFormatXY4Bytes);
  EXPECT_EQ(s.operatorAnswer, 0);
}

TEST(ParametersOk, TheTestNumberAndThePlanReadAgain) {
  AcquisitionParameters p;
  p.LastNumobs = 43;
  p.LastTestNumobs = 6;
  EXPECT_EQ(TakeTestNumber(p), 7);
  EXPECT_EQ(p.LastNumobs, 42);
  EXPECT_EQ(std::string(TextOf(p.Prefix)), "T");
  EXPECT_EQ(ReadPlanAgain(p, "6562.8", "x", "5"), "current maximum number of cycles");
  EXPECT_FLOAT_EQ(p.Lambda, 6562.8f);
  EXPECT_EQ(ReadPlanAgain(p, "-1", "3", "5"), "calibration scanning wavelength");
  EXPECT_EQ(ReadPlanAgain(p, "6562.8", "3", "5"), "");
  EXPECT_EQ(p.Maxcycles, 3);
  EXPECT_EQ(p.Tcan, 5);
  EXPECT_EQ(ShortTestFileName("/home/observer/tests/cs100/commands-night-2.tmp").size(), 25u);
}

}  // namespace
}  // namespace velmar
