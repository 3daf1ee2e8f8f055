// Seeded random mutations of valid files fed to every parser of the program's own
// files: truncations, byte flips, inserted and deleted bytes, long lines, lines
// without line end. Each must end in the behaviour its format defines, never in a
// crash or a text past its field.
#include <gtest/gtest.h>

#include <random>

#include "console/data_directory.h"
#include "engine/grabber_files.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "platform/error_reporter.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::string Mutate(std::string text, std::mt19937& random) {
  std::uniform_int_distribution<int> kind(0, 6), byte(0, 255);
  const int mutations = 1 + static_cast<int>(random() % 4);
  for (int m = 0; m < mutations; ++m) {
    const std::size_t at = text.empty() ? 0 : random() % text.size();
    switch (kind(random)) {
      case 0: text.resize(at); break;                                             // cut short
      case 1: if (!text.empty()) text[at] = static_cast<char>(byte(random)); break;  // flip
      case 2: text.insert(at, 1, static_cast<char>(byte(random))); break;         // insert
      case 3: if (!text.empty()) text.erase(at, 1 + random() % 8); break;        // delete
      case 4: text.insert(at, std::string(300 + random() % 2000, 'x')); break;     // a long line
      case 5: text.insert(at, "\n"); break;                                        // an extra line
      default: {
        const auto lf = text.find('\n', at);
        if (lf != std::string::npos) text.erase(lf, 1);  // a line end lost
      }
    }
  }
  return text;
}

template <std::size_t N>
void ExpectTerminated(const char (&field)[N]) {
  EXPECT_LT(strnlen(field, N), N);
}

void ExpectSane(const AcquisitionParameters& p) {
  ExpectTerminated(p.Prefix);
  ExpectTerminated(p.LastPrefix);
  ExpectTerminated(p.Path);
  ExpectTerminated(p.PFIdent);
  ExpectTerminated(p.FilterIdent);
  ExpectTerminated(p.DcfFile);
  ExpectTerminated(p.VcfFile);
  ExpectTerminated(p.DcfFileAsRead);
  EXPECT_GE(p.Numobs, 0);
}

constexpr int kRounds = 1500;

TEST(ParserFuzz, ParametersFile) {
  TempDir dir;
  RecordingErrorReporter errors;
  ScopedErrorReporter installed(errors);
  AcquisitionParameters p;
  p.CCDXSize = 768;
  SetText(p.Path, "/data/G042");
  SetText(p.DcfFile, "thomson.dcf");
  ASSERT_TRUE(SaveParametersFile(p, dir.file("seed.def")));
  const std::string seed = ReadFile(dir.file("seed.def"));
  std::mt19937 random(20261208);
  int fallbacks = 0;
  for (int round = 0; round < kRounds; ++round) {
    WriteFile(dir.file("vla.def"), Mutate(seed, random));
    AcquisitionParameters q;
    q.CCDXSize = -5;  // shows whether line 33 was read
    LoadParametersFile(q, dir.file("vla.def"));
    ExpectSane(q);
    if (q.Numobs == 999) ++fallbacks;
  }
  EXPECT_GT(fallbacks, kRounds / 4);  // many mutated files are rejected
  EXPECT_GE(errors.reported().size(), static_cast<std::size_t>(kRounds / 4));  // and each is said
  // A file read whole whose instrument values are out of range is said as such.
  for (const ErrorLines& e : errors.reported())
    EXPECT_TRUE(e.line1 == "The parameters file cannot be read whole: the default parameters are used" ||
                e.line1 == "A value of the parameters file is out of range: load an instrument definition")
        << e.line1;
}

TEST(ParserFuzz, InstrumentDefinitions) {
  TempDir dir;
  testing::ScopedCurrentDir cwd(dir.path());
  RecordingErrorReporter errors;
  ScopedErrorReporter installed(errors);
  const std::string seed = ReadFile(std::string(VELMAR_PRESETS_DIR) + "/lut1024.def");
  std::mt19937 random(7);
  int applied = 0;
  for (int round = 0; round < kRounds; ++round) {
    WriteFile("user.def", Mutate(seed, random));
    AcquisitionParameters p;
    SetText(p.ProgramDir, dir.path().string());
    const auto before = p.THTLow;
    const auto outcome = LoadInstrumentDefinition(p, 9, "user.def");
    ExpectSane(p);
    if (outcome.result == LoadResult::Applied) ++applied;
    else EXPECT_EQ(p.THTLow, before);  // nothing of a rejected file is applied
  }
  EXPECT_GT(applied, 0);
}

TEST(ParserFuzz, GrabberDescriptions) {
  std::mt19937 random(11);
  DigitizerDescription camera;
  const std::string digitizer = DigitizerDescriptionText(camera, "seed");
  const std::string display = DisplayDescriptionText(DisplayDescription{}, "seed");
  for (int round = 0; round < kRounds; ++round) {
    DigitizerDescription d;
    const std::string error = ParseDigitizerDescription(Mutate(digitizer, random), "comptage.dcf", d);
    if (error.empty()) {
      EXPECT_GE(d.sizeX, 1);
      EXPECT_LE(d.sizeX, 4096);
      EXPECT_GT(d.frameRate, 0.0);
      EXPECT_LE(d.peakGreyMin, d.peakGreyMax);
    } else {
      EXPECT_EQ(error.rfind("comptage.dcf", 0), 0u);  // the message names the file
    }
    DisplayDescription v;
    ParseDisplayDescription(Mutate(display, random), "ecran.vcf", v);
  }
}

TEST(ParserFuzz, SystemFile) {
  TempDir dir;
  testing::ScopedSystemDir system(dir.path());
  std::mt19937 random(3);
  for (int round = 0; round < kRounds; ++round) {
    WriteFile(dir.file("vlm_syst.tmp"), Mutate("0\n", random));
    const auto mode = ReadTempFileMode();
    EXPECT_TRUE(mode == 0 || mode == 1);
  }
}

}  // namespace
}  // namespace velmar
