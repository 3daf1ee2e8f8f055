#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "params/fixed_text.h"
#include "params/parameters_file.h"
#include "platform/error_reporter.h"
#include "support/pty_device.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::ReadFile;
using testing::ScopedEnv;
using testing::TempDir;
using testing::WriteFile;

class ParametersFileTest : public ::testing::Test {
 protected:
  ParametersFileTest() : installed_(errors_) {}
  std::string File() const { return dir_.file("vla.def"); }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(File()));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  AcquisitionParameters Loaded() {
    AcquisitionParameters q;
    SetDefaultParameterValues(q);
    LoadParametersFile(q, File());
    return q;
  }

  TempDir dir_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter installed_;
};

AcquisitionParameters Example() {
  AcquisitionParameters p;
  p.Numobs = 41;
  SetText(p.Prefix, "M");
  p.Lz = 24;
  p.Tcan3Dobj = 20;
  p.Maxcycles3Dcalib = 3;
  p.Lambda = 6562.78f;
  p.Cqg = 9.21f;
  p.AcqType = kAcq3DCalibration;
  p.FileType = 1;
  p.DataFormat = 1;
  p.CS100Link = 1;
  p.ComPort = 3;
  p.SeeSaw = 0;
  p.THTLow = 1200;
  p.THTMedium = 1800;
  p.THTMax = 1900;
  p.Discri = 40;
  p.BlackLevel = 3;
  p.WhiteLevel = 250;
  p.ShutterSystem = 2;
  p.THTSystem = 3;
  p.CCDXSize = p.CCDYSize = 512;
  p.StoredXSize = p.StoredYSize = 512;
  p.FramesPerSecond = 80;
  p.Vlm3DBinning = 1;
  p.AxiomBoard = 1;
  p.LastTestNumobs = 7;
  p.THTLastStepWait = 20;
  SetText(p.Path, "/data/obs/M041");
  SetText(p.DcfFile, "asga512.dcf");
  SetText(p.VcfFile, "desktop.vcf");
  SetText(p.PFIdent, "PF 1200 microns, order 798");
  SetText(p.FilterIdent, "6569/15 tilted");
  return p;
}

TEST_F(ParametersFileTest, FiftyLinesWithCrLfAndTheirFormats) {
  AcquisitionParameters p = Example();
  ASSERT_TRUE(SaveParametersFile(p, File()));
  const std::string text = ReadFile(File());
  EXPECT_EQ(text.substr(0, 19), "    41\r\nM\r\n    24\r\n");
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 51u);  // fifty, then the CS100 test file
  EXPECT_EQ(lines[14], "6562.7797852\r");  // "%12.7f" of the float
  EXPECT_EQ(lines[17], "   9.2100000\r");
  EXPECT_EQ(lines[18], "     1\r");
  EXPECT_EQ(lines[44], "/data/obs/M041\r");
  EXPECT_EQ(lines[47], "PF 1200 microns, order 798\r");
  EXPECT_EQ(lines[49], "\r");
  EXPECT_EQ(lines[50], "click here to choose file\r");
  EXPECT_EQ(text.back(), '\n');
}

TEST_F(ParametersFileTest, ARoundTripKeepsTheSetAndMovesTheNumberOn) {
  AcquisitionParameters p = Example();
  ASSERT_TRUE(SaveParametersFile(p, File()));
  const AcquisitionParameters q = Loaded();
  EXPECT_EQ(q.Numobs, 42);
  EXPECT_EQ(q.LastNumobs, 42);
  EXPECT_EQ(TextOf(q.Prefix), "M");
  EXPECT_EQ(q.Lz, 24);
  EXPECT_EQ(q.Lz2D, 1);
  EXPECT_EQ(q.Tcan3Dobj, 20);
  EXPECT_EQ(q.Maxcycles3Dcalib, 3);
  EXPECT_FLOAT_EQ(q.Lambda, 6562.78f);
  EXPECT_EQ(q.AcqType, kAcq3DCalibration);
  EXPECT_EQ(q.DataFormat, 1);
  EXPECT_EQ(q.CS100Link, 1);
  EXPECT_EQ(q.CS100Interface, 3);
  EXPECT_EQ(q.ComPort, 3);
  EXPECT_EQ(q.SeeSaw, 0);
  EXPECT_EQ(q.THTMax, 1900);
  EXPECT_EQ(q.WhiteLevel, 250);
  EXPECT_EQ(q.AxiomBoard, 1);
  EXPECT_EQ(q.LastTestNumobs, 7);
  EXPECT_EQ(TextOf(q.Path), "/data/obs/M041");
  EXPECT_EQ(TextOf(q.DcfFile), "asga512.dcf");
  EXPECT_EQ(TextOf(q.DcfFileAsRead), "asga512.dcf");
  EXPECT_EQ(TextOf(q.PFIdent), "PF 1200 microns, order 798");
  EXPECT_EQ(TextOf(q.FilterIdent), "6569/15 tilted");
  EXPECT_EQ(TextOf(q.Comment), "please type here the object identification");  // not kept
  EXPECT_TRUE(errors_.reported().empty());
}

// A level the THT supply of system 3 cannot be set to is named by its line in this file.
TEST_F(ParametersFileTest, AThtLevelTheSupplyCannotReachIsNamedByItsLineAndNotUsed) {
  AcquisitionParameters p = Example();
  p.THTMax = 2300;
  ASSERT_TRUE(SaveParametersFile(p, File()));
  const AcquisitionParameters q = Loaded();
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line3.rfind("line 27: ", 0), 0u) << errors_.reported()[0].line3;
  EXPECT_EQ(q.THTMax, 0);
}

TEST_F(ParametersFileTest, ObservationNumbersAndTheTestPrefix) {
  WriteFile(File(), "   999\r\nG\r\n");
  AcquisitionParameters p;
  LoadParametersFile(p, File(), [&] {
    EXPECT_EQ(p.Numobs, 1);  // past 999 the numbers start again at 1
    EXPECT_EQ(p.LastNumobs, 1000);
  });
  AcquisitionParameters t = Example();
  t.LastNumobs = 41;
  SetText(t.LastPrefix, "M");
  SetText(t.Prefix, "T");
  t.Numobs = 7;
  t.LastTestNumobs = 3;
  SaveParametersFile(t, File());
  const auto lines = Lines();
  EXPECT_EQ(lines[0], "    41\r");
  EXPECT_EQ(lines[1], "M\r");
  EXPECT_EQ(lines[40], "     7\r");
}

TEST_F(ParametersFileTest, TheAnalogicTypeIsSavedAsTwoDimensionsAndAnEmptyPathAsHome) {
  AcquisitionParameters p = Example();
  p.AcqType = kAcqAnalogicCalibration;
  SetText(p.Path, "");
  SetText(p.LastPrefix, "M  ");
  SaveParametersFile(p, File());
  EXPECT_EQ(p.AcqType, 0);
  const auto lines = Lines();
  EXPECT_EQ(lines[18], "     0\r");
  EXPECT_EQ(lines[44], std::string(std::getenv("HOME")) + "/\r");
  SetText(p.Path, "(NULL)");
  SaveParametersFile(p, File());
  EXPECT_EQ(Lines()[44], std::string(std::getenv("HOME")) + "/\r");
}

TEST_F(ParametersFileTest, AHomeSavedForAnEmptyPathHoldsTheNextObservation) {
  ScopedEnv home("HOME", "/home/obs");
  AcquisitionParameters p = Example();
  SetText(p.Path, "");
  SaveParametersFile(p, File());
  EXPECT_EQ(Lines()[44], "/home/obs/\r");
  const AcquisitionParameters q = Loaded();
  EXPECT_EQ(TextOf(q.Path), "/home/obs/");
  EXPECT_EQ(RebuildDataPath(std::string(TextOf(q.Path)), "M", "42"), "/home/obs/M042");
  ScopedEnv slashed("HOME", "/home/obs/");  // never doubled
  SaveParametersFile(p, File());
  EXPECT_EQ(Lines()[44], "/home/obs/\r");
}

TEST_F(ParametersFileTest, ACutFileKeepsTheInstrumentValuesReadFallsBackAndSaysSo) {
  AcquisitionParameters p = Example();
  SaveParametersFile(p, File());
  const std::string text = ReadFile(File());
  std::size_t at = 0;
  for (int line = 0; line < 30; ++line) at = text.find('\n', at) + 1;
  WriteFile(File(), text.substr(0, at) + "    12");  // line 31 without its line end
  const AcquisitionParameters q = Loaded();
  EXPECT_EQ(q.THTLow, 1200);
  EXPECT_EQ(q.THTMedium, 1800);
  EXPECT_EQ(q.THTMax, 1900);
  EXPECT_EQ(q.Discri, 40);
  EXPECT_EQ(q.BlackLevel, 3);
  EXPECT_EQ(q.WhiteLevel, 250);
  EXPECT_EQ(q.ShutterSystem, 0);  // never read
  EXPECT_EQ(q.Numobs, 999);       // the defaults cover what they cover
  EXPECT_EQ(q.Lz, 32);
  EXPECT_EQ(TextOf(q.Prefix), "G");
  EXPECT_EQ(q.StoredXSize, 256);
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0], (ErrorLines{"The parameters file cannot be read whole: the default parameters are used",
                                                File(), "It is kept as vla.def.bad when the parameters are saved"}));
}

TEST_F(ParametersFileTest, AnUnusableFileIsKeptAsBadBeforeANewOneIsWritten) {
  AcquisitionParameters p = Example();
  SaveParametersFile(p, File());
  const std::string text = ReadFile(File());
  AcquisitionParameters q = Loaded();  // a whole file: saving over it keeps no copy
  ASSERT_TRUE(SaveParametersFile(q, File()));
  EXPECT_FALSE(std::filesystem::exists(dir_.file("vla.def.bad")));
  EXPECT_TRUE(errors_.reported().empty());
  // Line 1 garbled: the whole file would have been replaced by the defaults.
  const std::string garbled = "forty-one\r\n" + text.substr(text.find('\n') + 1);
  WriteFile(File(), garbled);
  q = Loaded();
  EXPECT_EQ(q.Numobs, 999);
  ASSERT_EQ(errors_.reported().size(), 1u);
  SetText(q.DcfFile, "asga512.dcf");
  SetText(q.VcfFile, "desktop.vcf");
  ASSERT_TRUE(SaveParametersFile(q, File()));
  EXPECT_EQ(ReadFile(dir_.file("vla.def.bad")), garbled);
  EXPECT_EQ(Loaded().LastNumobs, 1000);  // the new file is whole: 999 saved, moved on
  EXPECT_EQ(errors_.reported().size(), 1u);
  // The next save over a whole file leaves the kept copy alone.
  ASSERT_TRUE(SaveParametersFile(q, File()));
  EXPECT_EQ(ReadFile(dir_.file("vla.def.bad")), garbled);
}

TEST_F(ParametersFileTest, TheLastNumberAtTheEndsOfItsRangeMovesOnWithoutOverflow) {
  AcquisitionParameters p = Example();
  SaveParametersFile(p, File());
  auto lines = Lines();
  const auto withFirstLine = [&](const std::string& first) {
    lines[0] = first + "\r";
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    WriteFile(File(), text);
    return Loaded();
  };
  AcquisitionParameters q = withFirstLine("2147483647");
  EXPECT_EQ(q.Numobs, 1);
  EXPECT_EQ(q.LastNumobs, 2147483647);
  q = withFirstLine("-2147483648");
  EXPECT_EQ(q.Numobs, -2147483647);  // refused later by the window's rule
  q = withFirstLine("998");
  EXPECT_EQ(q.Numobs, 999);
  EXPECT_TRUE(errors_.reported().empty());
}

TEST_F(ParametersFileTest, WhatTheReaderTakesFromEachLine) {
  AcquisitionParameters p = Example();
  SaveParametersFile(p, File());
  auto lines = Lines();
  lines[1] = "g\r";
  lines[2] = "  24 channels\r";  // trailing words are ignored
  lines[45] = "asga 512.dcf\r";   // a name with a space: its first word
  lines[47] = std::string(300, 'p') + "\r";
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  WriteFile(File(), text);
  const AcquisitionParameters q = Loaded();
  EXPECT_EQ(TextOf(q.Prefix), "g");
  EXPECT_EQ(q.Lz, 24);
  EXPECT_EQ(TextOf(q.DcfFile), "asga");
  EXPECT_EQ(TextOf(q.PFIdent).size(), sizeof(q.PFIdent) - 1);
  // Line 49 without its line end: the file is short.
  text.clear();
  for (std::size_t i = 0; i < 49; ++i) text += lines[i] + (i < 48 ? "\n" : "");
  WriteFile(File(), text);
  EXPECT_EQ(Loaded().Numobs, 999);
  // A number that does not convert ends the reading too.
  lines[10] = "ninety-nine\r";
  text.clear();
  for (const auto& l : lines) text += l + "\n";
  WriteFile(File(), text);
  const AcquisitionParameters r = Loaded();
  EXPECT_EQ(r.Maxcycles, 99);
  EXPECT_EQ(r.THTMax, 0);
}

TEST_F(ParametersFileTest, NoFileAtTheFirstStartLeavesTheInstrumentBlockEmpty) {
  const AcquisitionParameters q = Loaded();
  EXPECT_EQ(q.Numobs, 999);
  EXPECT_EQ(q.Discri, 0);
  EXPECT_EQ(q.CCDXSize, 0);
  EXPECT_EQ(TextOf(q.DcfFile), "");
  EXPECT_EQ(q.StoredXSize, 256);
  EXPECT_TRUE(errors_.reported().empty());
}

TEST_F(ParametersFileTest, AFileThatCannotBeWrittenIsReported) {
  AcquisitionParameters p = Example();
  EXPECT_FALSE(SaveParametersFile(p, dir_.file("missing/vla.def")));
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line1, "Impossible to write the parameters on disk for a next use");
  EXPECT_EQ(errors_.reported()[0].line3, "Is the disk full or the file locked ?");
  EXPECT_FALSE(SaveParametersFile(p, "/dev/full"));
}

TEST(DataPath, RebuiltFromPrefixAndNumber) {
  EXPECT_EQ(RebuildDataPath("/data/obs/G041", "G", "042"), "/data/obs/G042");
  EXPECT_EQ(RebuildDataPath("/data/obs/G041", "T", "7"), "/data/obs/T007");
  EXPECT_EQ(RebuildDataPath("G041", "G", "42"), "/G042");
  EXPECT_FALSE(RebuildDataPath("/data/G041", "G", "abc"));
}

}  // namespace
}  // namespace velmar
