#include <gtest/gtest.h>

#include <filesystem>

#include "engine/counting_engine.h"
#include "engine/frame_grabber_setup.h"
#include "engine/software_grabber.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

class RecordingDriverConsole : public DriverFileConsole {
 public:
  int AskConfigurationError(const std::string& l1, const std::string& l2, const std::string& l3) override {
    asked.push_back(l1 + " | " + l2 + " | " + l3);
    return answer;
  }
  void ShowCameraDriver(const std::string& text) override { labels.push_back(text); }
  void QuitProgram() override { ++quit; }
  std::vector<std::string> asked, labels;
  int answer = 1, quit = 0;
};

// A program directory laid out from presets/, as ./run.sh lays it out.
class ProgramDirectory : public ::testing::Test {
 protected:
  ProgramDirectory() : cwd_(dir_.path()), clockInstalled_(clock_), installed_(errors_) {
    std::filesystem::copy(VELMAR_PRESETS_DIR, dir_.path(), std::filesystem::copy_options::recursive);
    SetText(p_.ProgramDir, dir_.path().string());
  }
  TempDir dir_;
  testing::ScopedCurrentDir cwd_;
  VirtualClock clock_;
  ScopedClock clockInstalled_;
  RecordingErrorReporter errors_;
  ScopedErrorReporter installed_;
  AcquisitionParameters p_;
  RecordingDriverConsole console_;
};

TEST_F(ProgramDirectory, EveryPresetLoadsAndRoundTripsThroughTheParametersFile) {
  for (int k = 1; k <= 8; ++k) {
    AcquisitionParameters p = p_;
    const auto outcome = LoadInstrumentDefinition(p, k);
    ASSERT_EQ(outcome.result, LoadResult::Applied) << k;
    EXPECT_EQ(outcome.groupCaption, std::string("Base default instrument parameters ") + Presets()[k - 1].siteLabel);
    EXPECT_EQ(p.AxiomBoard, k <= 2 ? 0 : 1);
    EXPECT_GT(p.THTMax, p.THTMedium);
    EXPECT_GT(p.THTMedium, p.THTLow);
    EXPECT_GT(p.FramesPerSecond, 0);
    EXPECT_TRUE(std::filesystem::exists(TextOf(p.DcfFile))) << TextOf(p.DcfFile);
    EXPECT_TRUE(std::filesystem::exists(TextOf(p.VcfFile))) << TextOf(p.VcfFile);
    if (k <= 2) {  // the Thomson cameras, stored on 256 by 256
      EXPECT_EQ(p.CCDXSize, 768);
      EXPECT_EQ(p.CCDYSize, 288);
      EXPECT_EQ(p.StoredXSize, 256);
      EXPECT_EQ(SettleAfterWindowLoad(p), kFormatXY256_2Bytes);
    } else {
      EXPECT_EQ(p.CCDXSize, p.CCDYSize);
      EXPECT_EQ(SettleAfterWindowLoad(p), kFormatXY4Bytes);
    }
    // PELNO drives the CS100 on a serial line, Varsa on the parallel lines.
    if (k == 1) {
      EXPECT_EQ(p.CS100Link, 1);
    }
    if (k == 2 || k == 3 || k == 6) {
      EXPECT_EQ(p.CS100Link, 0);
    }
    const std::string file = dir_.file("vla.def");
    ASSERT_TRUE(SaveParametersFile(p, file));
    AcquisitionParameters q;
    LoadParametersFile(q, file);
    if (q.ComPort < 1) q.ComPort = 2;  // as the parameters window does when it shows the set
    ASSERT_TRUE(SaveParametersFile(q, dir_.file("again.def")));
    q.Numobs = p.Numobs;  // only the observation number moves on
    EXPECT_EQ(InstrumentGridRows(q), InstrumentGridRows(p)) << k;
    const std::string first = ReadFile(file), second = ReadFile(dir_.file("again.def"));
    EXPECT_EQ(first.substr(first.find('\n')), second.substr(second.find('\n'))) << k;
  }
  EXPECT_TRUE(errors_.reported().empty());
}

TEST_F(ProgramDirectory, EveryPresetCameraCountsSensiblePhotons) {
  for (int k : {1, 3, 6}) {
    AcquisitionParameters p = p_;
    ASSERT_EQ(LoadInstrumentDefinition(p, k).result, LoadResult::Applied);
    SettleAfterWindowLoad(p);
    CheckDriverFiles(p, console_);
    SoftwareGrabber grabber;
    GrabberObjects objects;
    TvLevels levels;
    CountingEngine engine(grabber, objects);
    SyntheticFrameMaker synthetic;
    struct : FrameGrabberConsole {
      void ShowInitMatroxNotes() override {}
      void HideInitMatroxNotes() override {}
      bool AskBypassAfterGrabberError(const std::string&) override { return false; }
      void ShowCountingState(CountingState) override {}
    } quiet;
    SetUpContext context{grabber, objects, levels, engine, synthetic, quiet, [] {}};
    SetUpFrameGrabber(context, p);
    ASSERT_EQ(grabber.LastError(), kGrabberOk) << grabber.LastErrorText();
    engine.SetWaitForWorkers(true);
    for (int i = 0; i < 40; ++i) engine.GrabNextFrame();
    const auto s = engine.photons().TakeSnapshot();
    const double perFrame = s.frames ? static_cast<double>(s.events) / s.frames : 0.0;
    // Each frame shows the camera's photons (some spots merge), never one great blob.
    EXPECT_EQ(s.frames, 40) << k;
    EXPECT_GT(perFrame, 20) << k;
    EXPECT_LT(perFrame, 250) << k;
    EXPECT_EQ(engine.counters().framesRejected, 0);
    ReleaseFrameGrabber(grabber, objects, engine);
  }
}

TEST_F(ProgramDirectory, AShortOrMissingDefinitionChangesNothing) {
  // The layout of the help window: sixteen value lines.
  WriteFile("help.def",
            "6000 THT low level\n9400\n10800\n20\n50\n255\n0\n0\n0\n512\n512\n512\n512\n40\n1\n0\n"
            "ccir_n.dcf\nvm103_60.vcf\nEND\n");
  const AcquisitionParameters before = p_;
  auto outcome = LoadInstrumentDefinition(p_, 9, "/elsewhere/help.def");
  EXPECT_EQ(outcome.result, LoadResult::FileUnreadable);
  EXPECT_EQ(outcome.path, dir_.file("help.def"));  // looked for in the program directory
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line1, "Impossible to open or read the default file");
  EXPECT_EQ(errors_.reported()[0].line3, "Copy it from backup into the program directory...");
  EXPECT_EQ(p_.THTLow, before.THTLow);
  EXPECT_EQ(p_.CCDXSize, before.CCDXSize);

  std::filesystem::remove("kem512.def");
  outcome = LoadInstrumentDefinition(p_, 3);
  EXPECT_EQ(outcome.result, LoadResult::FileMissing);
  EXPECT_EQ(errors_.reported().back().line1, "Impossible to find the default file");
  EXPECT_EQ(LoadInstrumentDefinition(p_, 9, "").result, LoadResult::Cancelled);

  // Line 21 must end with its line end.
  std::string text = ReadFile("dor512.def");
  WriteFile("cut.def", text.substr(0, text.find("desktop.vcf") + 11));
  EXPECT_EQ(LoadInstrumentDefinition(p_, 9, "cut.def").result, LoadResult::FileUnreadable);
}

TEST_F(ProgramDirectory, AValueOutOfItsRangeNamesItsLineAndChangesNothing) {
  const std::string good = ReadFile("kem512.def");
  // Each case puts one value on one line (1-based) of a good definition.
  struct Case {
    int line;
    const char* value;
    const char* fault;  // empty: accepted
  };
  const Case cases[] = {
      {13, "0", "line 13: stored image Y size 0 is out of 1..4096"},
      {12, "-1", "line 12: stored image X size -1 is out of 1..4096"},
      {14, "0", "line 14: frames per second 0 is out of 1..1000"},
      {14, "1001", "line 14: frames per second 1001 is out of 1..1000"},
      {10, "4097", "line 10: CCD X size 4097 is out of 1..4096"},
      {11, "2147483647", "line 11: CCD Y size 2147483647 is out of 1..4096"},
      {4, "300", "line 4: discriminator 300 is out of 0..255"},
      {6, "-2147483648", "line 6: TV white level -2147483648 is out of 0..255"},
      {7, "5", "line 7: CS100 interface 5 is out of 0..4"},
      {16, "2", "line 16: DALSA swap 2 is out of 0..1"},
      {14, "1000", ""},
      {14, "1", ""},
      {4, "255", ""},
      {12, "4096", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.line) + " = " + c.value);
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = good.find('\n', at)) != std::string::npos; at = end + 1)
      lines.push_back(good.substr(at, end - at));
    lines[static_cast<std::size_t>(c.line - 1)] = std::string(c.value) + "\tchanged";
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    WriteFile("edited.def", text);
    const AcquisitionParameters before = p_;
    errors_.Clear();
    const auto outcome = LoadInstrumentDefinition(p_, 9, "edited.def");
    if (*c.fault == '\0') {
      EXPECT_EQ(outcome.result, LoadResult::Applied);
      EXPECT_TRUE(errors_.reported().empty());
      p_ = before;
      continue;
    }
    EXPECT_NE(outcome.result, LoadResult::Applied);
    ASSERT_EQ(errors_.reported().size(), 1u);
    EXPECT_EQ(errors_.reported()[0].line1, "A value of the default file is out of range");
    EXPECT_EQ(errors_.reported()[0].line2, dir_.file("edited.def"));
    EXPECT_EQ(errors_.reported()[0].line3, c.fault);
    EXPECT_EQ(InstrumentGridRows(p_), InstrumentGridRows(before));  // nothing of the file applied
    EXPECT_EQ(p_.CS100Link, before.CS100Link);
  }
}

TEST_F(ProgramDirectory, TheCs100LineChoosesTheLink) {
  std::string text = ReadFile("kem512.def");
  text[text.find("0\tCS100")] = '2';
  WriteFile("serial.def", text);
  ASSERT_EQ(LoadInstrumentDefinition(p_, 9, "serial.def").result, LoadResult::Applied);
  EXPECT_EQ(p_.CS100Link, 1);
  EXPECT_EQ(p_.ComPort, 2);
  EXPECT_EQ(InstrumentGridRows(p_)[8].second, "serial COM2:");
  SettleInstrumentBlock(p_, 4);  // the window's port list says COM4:
  EXPECT_EQ(p_.CS100Interface, 4);
  p_.CS100Interface = 0;
  SettleInstrumentBlock(p_, 4);
  EXPECT_EQ(p_.CS100Link, 0);
  EXPECT_EQ(InstrumentGridRows(p_)[8].second, "parallel");
}

TEST_F(ProgramDirectory, DriverFilesAreCopiedOntoTheNamesTheGrabberOpens) {
  ASSERT_EQ(LoadInstrumentDefinition(p_, 6).result, LoadResult::Applied);
  CheckDriverFiles(p_, console_);
  EXPECT_EQ(ReadFile("comptage.dcf"), ReadFile("asga1024.dcf"));
  EXPECT_EQ(ReadFile("ecran.vcf"), ReadFile("desktop.vcf"));
  EXPECT_EQ(console_.labels.back(), "asga1024.dcf");
  EXPECT_TRUE(console_.asked.empty());
  EXPECT_EQ(clock_.MonotonicMs(), 2000);
}

TEST_F(ProgramDirectory, AMissingCameraDriverIsBypassedOrQuits) {
  const std::string previous = ReadFile("comptage.dcf");
  SetText(p_.DcfFile, "absent.dcf");
  SetText(p_.VcfFile, "desktop.vcf");
  console_.answer = 1;
  CheckDriverFiles(p_, console_);
  ASSERT_EQ(console_.asked.size(), 1u);
  EXPECT_EQ(console_.asked[0],
            "Impossible to find the Matrox DCF configuration file | absent.dcf | IF BYPASSED PERSISTS, load again "
            "\".DEF to Current\" in the main window");
  EXPECT_EQ(console_.labels, (std::vector<std::string>{"Bypassed"}));
  EXPECT_EQ(ReadFile("comptage.dcf"), previous);  // the previous driver stays
  EXPECT_EQ(console_.quit, 0);

  SetText(p_.Path, dir_.path().string());
  WriteFile("ipcsdata.tmp", "x");
  console_.answer = 2;
  CheckDriverFiles(p_, console_);
  EXPECT_EQ(console_.quit, 1);
  EXPECT_FALSE(std::filesystem::exists("ipcsdata.tmp"));
}

TEST_F(ProgramDirectory, ACameraDriverThatCannotBeCopiedIsKeptAsBypassed) {
  ASSERT_EQ(LoadInstrumentDefinition(p_, 3).result, LoadResult::Applied);
  SetText(p_.DcfFileAsRead, "asga512.dcf");
  std::filesystem::remove("comptage.dcf");
  std::filesystem::create_directory("comptage.dcf");  // cannot be created as a file
  CheckDriverFiles(p_, console_);
  EXPECT_EQ(TextOf(p_.DcfFile), "Bypassed [1]");
  EXPECT_EQ(InstrumentGridRows(p_)[11].second, "Bypassed [1]");
  ASSERT_TRUE(SaveParametersFile(p_, dir_.file("vla.def")));
  EXPECT_NE(ReadFile(dir_.file("vla.def")).find("\r\nBypassed [1]\r\n"), std::string::npos);
  SettleInstrumentBlock(p_, 1);
  EXPECT_EQ(TextOf(p_.DcfFile), "Bypassed [1]");  // only "Bypassed" gets its name back
  SetText(p_.DcfFile, "BYPASSED");
  SettleInstrumentBlock(p_, 1);
  EXPECT_EQ(TextOf(p_.DcfFile), "asga512.dcf");
}

TEST(CopyFile, ResultCodes) {
  TempDir dir;
  WriteFile(dir.file("a"), std::string(200000, 'a'));
  WriteFile(dir.file("b"), std::string(300000, 'b'));
  EXPECT_EQ(CopyFile(dir.file("a"), dir.file("b")), kCopied);
  EXPECT_EQ(ReadFile(dir.file("b")), std::string(200000, 'a'));  // no old tail
  EXPECT_EQ(CopyFile(dir.file("none"), dir.file("c")), kSourceUnreadable);
  EXPECT_EQ(CopyFile(dir.file("a"), dir.file("no/such/dir")), kDestinationUncreatable);
  EXPECT_EQ(CopyFile(dir.file("a"), "/dev/full"), kWriteFailed);
}

TEST_F(ProgramDirectory, ADriverNamedAfterTheFixedNameIsLeftWhole) {
  const std::string camera = ReadFile("comptage.dcf"), display = ReadFile("ecran.vcf");
  ASSERT_FALSE(camera.empty());
  SetText(p_.DcfFile, "comptage.dcf");
  SetText(p_.VcfFile, "ecran.vcf");
  CheckDriverFiles(p_, console_);
  EXPECT_EQ(ReadFile("comptage.dcf"), camera);
  EXPECT_EQ(ReadFile("ecran.vcf"), display);
  EXPECT_EQ(TextOf(p_.DcfFile), "comptage.dcf");  // a copy onto itself is no failure
  // The same file under another name (a path through the directory, a link).
  EXPECT_EQ(CopyFile(dir_.file("comptage.dcf"), "./comptage.dcf"), kCopied);
  std::filesystem::create_symlink(dir_.file("comptage.dcf"), dir_.file("link.dcf"));
  EXPECT_EQ(CopyFile("link.dcf", "comptage.dcf"), kCopied);
  EXPECT_EQ(ReadFile("comptage.dcf"), camera);
}

TEST(InhibitButtons, SwitchTheirSystemsOff) {
  AcquisitionParameters p;
  p.ShutterSystem = 2;
  p.TemperatureInterface = 1;
  p.FiltersMirrorSystem = 3;
  p.THTSystem = 4;
  InhibitShutter(p);
  InhibitTemperature(p);
  InhibitMirror(p);
  InhibitTHT(p);
  EXPECT_EQ(p.ShutterSystem + p.TemperatureInterface + p.FiltersMirrorSystem + p.THTSystem, 0);
  std::int32_t watch = 1;
  EXPECT_EQ(ToggleCloseLoopWatch(watch), "Valid closeloop");
  EXPECT_EQ(watch, 0);
  EXPECT_EQ(ToggleCloseLoopWatch(watch), "Inhib closeloop");
  EXPECT_EQ(watch, 1);
}

}  // namespace
}  // namespace velmar
