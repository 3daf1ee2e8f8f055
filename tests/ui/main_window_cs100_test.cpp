// The windowed program with a CS100 on board lines that refuse every write: the
// error window says it as the interferometer is parked, and the observation log of
// the acquisition started then carries it.
#include <gtest/gtest.h>

#include <QPushButton>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "engine/observation_log.h"
#include "main_window_fixture.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "support/temp_dir.h"

namespace velmar {
namespace {

TEST_F(MainWindowFixture, ACS100NotDrivenIsSaidInTheErrorWindowAndInTheLog) {
  AcquisitionParameters previous;  // preset 2: the CS100 on the parallel lines of an AX5414
  SetDefaultParameterValues(previous);
  ASSERT_EQ(LoadInstrumentDefinition(previous, 2).result, LoadResult::Applied);
  ASSERT_EQ(previous.CS100Link, 0);
  previous.DataFormat = SettleAfterWindowLoad(previous);
  std::filesystem::create_directory(dir_.file("obs"));
  SetText(previous.Path, dir_.file("obs/G001"));
  ASSERT_TRUE(SaveParametersFile(previous));
  const std::string ini = testing::ReadFile(dir_.file("axdrv.ini"));
  testing::WriteFile(dir_.file("axdrv.ini"),
                     std::regex_replace(ini, std::regex("\nfail_writes = 0"), "\nfail_writes = 1"));
  CreateProgram();
  general().show();
  ObserverAcceptsParameters();
  controller_->StartUp();
  ASSERT_TRUE(RunUntil([&] { return Label("CountingState")->text().startsWith("standby"); }));
  const auto reported = errors_.reported();
  const auto said = std::find_if(reported.begin(), reported.end(), [](const ErrorLines& e) {
    return e.line1 == "Impossible to drive the CS100 on its parallel lines !";
  });
  ASSERT_NE(said, reported.end());
  EXPECT_EQ(said->line2, "AXDRV: digital output write error");
  EXPECT_EQ(said->line3, "The interferometer does not follow the channels.");

  AcquisitionState& s = shared_.acquisition;
  Button("ButtonStart")->click();
  ASSERT_TRUE(RunUntil([&] { return s.currentChannel >= 1; }));
  const std::string log = testing::ReadFile(LogFilePath(shared_.parameters));
  EXPECT_NE(log.find("\n!!! CS100 not driven at "), std::string::npos) << log;
  EXPECT_NE(log.find(": parallel lines: AXDRV: digital output write error; from channel 0 on, the interferometer was "
                     "never positioned while the records give the positions asked"),
            std::string::npos)
      << log;
}

}  // namespace
}  // namespace velmar
