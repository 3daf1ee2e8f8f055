// The runner against the instrument its definition describes: the high voltage it
// may set, and the image size its log header gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "params/parameters_file.h"
#include "runner_fixture.h"

namespace velmar::testing {
namespace {

class RunnerInstrument : public RunnerFixture {
 protected:
  int Run(const std::string& observation, const std::vector<std::string>& args) {
    return RunWith({"--system-dir", dir_.file("system"), "--fast", "--source", "simulation", "--random-points", "5",
                    "--exposure", "1", "--channels", "1", "--cycles", "1", "--type", "object", "--data",
                    dir_.file("obs/" + observation)},
                   args);
  }
  // A preset file with its line 3 (THT maximum) changed.
  void WriteWithMaximum(const std::string& from, const std::string& name, const std::string& maximum) {
    const std::string text = ReadFile(dir_.file(from));
    WriteFile(dir_.file(name),
              std::regex_replace(text, std::regex("\n\\d+\tTHT maximum"), "\n" + maximum + "\tTHT maximum"));
  }
};

// The 10-bit code of THT systems 3 and 4 ends at 1912 V: a voltage above it would
// reach the supply as its low bits (2000 V as about 200 V), so it is never sent.
TEST_F(RunnerInstrument, AHighVoltageTheSupplyCannotExpressOrTheTubeMustNotTakeIsRefused) {
  // Preset 3: THT system 3, maximum 1900 V; preset 5: THT system 4.
  const struct {
    std::string preset, tht, said;
  } refused[] = {
      {"3", "2000", "--tht 2000 V is above the tube's maximum, 1900 V"},
      {"2", "12000", "--tht 12000 V is above the tube's maximum, 10800 V"},
  };
  int number = 10;
  for (const auto& r : refused) {
    SCOPED_TRACE(r.tht);
    const std::string observation = "G0" + std::to_string(++number);
    EXPECT_EQ(Run(observation, {"--preset", r.preset, "--tht", r.tht}), 2) << output_;
    EXPECT_NE(output_.find(r.said), std::string::npos) << output_;
    EXPECT_FALSE(Exists("obs/" + observation));
  }
  // A definition asking more than the supply can be set to is refused.
  WriteWithMaximum("lut512.def", "over.def", "2300");
  EXPECT_EQ(Run("G020", {"--preset", "over.def"}), 2) << output_;
  ASSERT_FALSE(errors_.reported().empty());
  EXPECT_EQ(errors_.reported().back().line3,
            "line 3: THT maximum 2300 V is above what the supply can be set to (THT system 4 reaches at most 1912 V)");
  EXPECT_FALSE(Exists("obs/G020"));
  // A parameters file kept from before, with such a maximum: a voltage under it is
  // still refused when the supply cannot express it, naming what can be set.
  ASSERT_EQ(Run("G021", {"--preset", "4"}), 0) << output_;
  AcquisitionParameters kept;
  LoadParametersFile(kept, dir_.file("system/vla.def"));
  ASSERT_EQ(kept.THTSystem, 4);
  kept.THTMax = 2300;
  ASSERT_TRUE(SaveParametersFile(kept, dir_.file("system/vla.def")));
  EXPECT_EQ(Run("G022", {"--tht", "1950"}), 2) << output_;
  std::string said = output_;
  for (const ErrorLines& e : errors_.reported()) said += e.line2 + " " + e.line3 + "\n";
  EXPECT_NE(said.find("THT system 4 reaches at most 1912 V"), std::string::npos) << said;
  EXPECT_FALSE(Exists("obs/G022"));

  for (const char* preset : {"3", "4", "5", "6", "7", "8"}) {
    SCOPED_TRACE(preset);
    ASSERT_EQ(Run(std::string("G03") + preset,
                  {"--preset", preset, "--tht", "1900", "--cs100", "file:" + dir_.file("cs100.txt")}),
              0)
        << output_;
    EXPECT_NE(output_.find("THT set to 1900 V"), std::string::npos) << output_;
  }
}

// The header gives the size the photon addresses are stored at, which the loaded
// definition says (1024 for the 1024 cameras, 256 for the Thomson camera).
TEST_F(RunnerInstrument, TheLogHeaderGivesTheStoredImageSizeOfTheDefinition) {
  const struct {
    const char* preset;
    const char* dimensions;
  } cases[] = {{"6", "X and Y dimensions : 01024 01024"}, {"3", "X and Y dimensions : 00512 00512"},
               {"2", "X and Y dimensions : 00256 00256"}};
  int number = 40;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preset);
    const std::string observation = "G0" + std::to_string(++number);
    ASSERT_EQ(Run(observation, {"--preset", c.preset, "--number", std::to_string(number)}), 0) << output_;
    const std::string log = ReadFile(dir_.file("obs/" + observation + "/" + observation + ".VLT"));
    EXPECT_NE(log.find(std::string("\n") + c.dimensions + "\n"), std::string::npos) << log;
  }
  // Without a definition loaded, the size comes with the parameters file.
  ASSERT_EQ(Run("G044", {"--number", "44"}), 0) << output_;
  EXPECT_NE(ReadFile(dir_.file("obs/G044/G044.VLT")).find("\nX and Y dimensions : 00256 00256\n"), std::string::npos);
}

}  // namespace
}  // namespace velmar::testing
