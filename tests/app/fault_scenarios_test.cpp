// Faults met in the middle of a whole observation, through the runner: the board,
// the shutter, the THT supply, the close loop, the camera and the serial devices.
// Each case checks that the observation ends, what the observer is told, and that
// every complete channel is kept whole on disk, its file the size its log record
// gives, with no temporary file left behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "runner_fixture.h"
#include "support/child_process.h"

namespace velmar::testing {
namespace {

namespace fs = std::filesystem;

// One channel's record in the observation log.
struct ChannelRecord {
  int channel = 0, cycle = 0;
  long photons = 0, frames = 0;
  int efficiency = 0;  // cumulated, in percent
  std::string tht, shutter;
  // The record of a channel the close loop spoilt (its file dropped): written as
  // the hold ends, it names the spoilt channel.
  bool spoilt = false;
};

std::vector<ChannelRecord> ChannelRecords(const std::string& log) {
  static const std::regex record(
      R"(Was acquired at \d\d:\d\d:\d\d: ch=(\d{4})  cy=(\d{4})  QGval=[+-]\d{4}  ph=(\d{8})  fr=(\d{5})\n)"
      R"(Cumulated exp=[^ ]+  phot=\d+  efficiency=(\d+) %  disk=[^\n]*\n)"
      R"(THT=([^ ]*)v  shutter=([^ ]*)  )");
  std::vector<ChannelRecord> records;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), record); it != std::sregex_iterator(); ++it) {
    const auto& m = *it;
    // The redo is decided as the hold ends: its line follows the spoilt record.
    const std::size_t after = static_cast<std::size_t>(m.position(0) + m.length(0));
    const std::size_t next = log.find("Was acquired at ", after);
    const bool spoilt =
        log.substr(after, next == std::string::npos ? std::string::npos : next - after)
            .find("redo last channel because CLOSE LOOP") != std::string::npos;
    records.push_back({std::stoi(m[1]), std::stoi(m[2]), std::stol(m[3]), std::stol(m[4]), std::stoi(m[5]), m[6],
                       m[7], spoilt});
  }
  return records;
}

std::vector<std::string> LinesWith(const std::string& text, const std::string& part) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.find(part) != std::string::npos) lines.push_back(line);
  return lines;
}

class FaultScenarios : public RunnerFixture {
 protected:
  FaultScenarios() { fs::create_directories(dir_.file("run")); }

  // Preset 2: shutter system 1 (its status is read), THT system 2 (its voltage is
  // read back), a 768 by 288 camera stored on 256 lines, so that every photon
  // counted has its 4-byte record (format 0).
  std::vector<std::string> Flags(const std::string& observation, int channels, int exposure) const {
    return {"--system-dir", dir_.file("system"), "--preset", "2", "--format", "0", "--source", "simulation",
            "--random-points", "5", "--cs100", "file:" + dir_.file("cs100.txt"), "--hold-limit", "30",
            "--data", Data(observation), "--prefix", "F", "--number", observation, "--type", "object",
            "--channels", std::to_string(channels), "--exposure", std::to_string(exposure), "--cycles", "1"};
  }
  std::string Data(const std::string& observation) const { return dir_.file("obs/F" + observation); }
  std::string Log(const std::string& observation) const {
    return ReadFile(Data(observation) + "/F" + observation + ".VLT");
  }

  int RunFast(const std::string& observation, int channels, int exposure) {
    auto flags = Flags(observation, channels, exposure);
    flags.push_back("--fast");
    return RunWith({}, flags);
  }

  void SetBench(const std::string& key, const std::string& value) {
    const std::string text = ReadFile(dir_.file("axdrv.ini"));
    const std::regex line("\n" + key + " = [^ \n]*");
    ASSERT_TRUE(std::regex_search(text, line)) << key;
    WriteFile(dir_.file("axdrv.ini"), std::regex_replace(text, line, "\n" + key + " = " + value));
  }

  // The channels the log records, each recorded once and its file there, of the
  // size its record gives (a spoilt channel's record belongs to its dropped file);
  // no other photon file, no temporary or partial file. Returns the kept records.
  std::vector<ChannelRecord> ExpectChannelsKept(const std::string& observation, std::size_t channels) {
    std::vector<ChannelRecord> kept;
    std::map<std::pair<int, int>, long> recorded;
    for (const ChannelRecord& r : ChannelRecords(Log(observation))) {
      if (r.spoilt) continue;
      kept.push_back(r);
      EXPECT_TRUE(recorded.emplace(std::pair{r.cycle, r.channel}, r.photons).second)
          << "channel " << r.channel << " recorded twice\n" << Log(observation);
    }
    EXPECT_EQ(recorded.size(), channels) << Log(observation);
    for (const auto& [key, photons] : recorded) {
      char name[32];
      std::snprintf(name, sizeof name, "/F%s%2.2d%2.2d.VLA", observation.c_str(), key.first, key.second);
      const std::string file = Data(observation) + name;
      SCOPED_TRACE(file);
      EXPECT_GT(photons, 0);
      if (!fs::exists(file)) {
        ADD_FAILURE() << "missing";
        continue;
      }
      EXPECT_EQ(fs::file_size(file), static_cast<std::uintmax_t>(photons) * 4) << Log(observation) << output_;
    }
    std::size_t photonFiles = 0;
    for (const auto& entry : fs::directory_iterator(Data(observation))) {
      const std::string name = entry.path().filename().string();
      if (entry.path().extension() == ".VLA") ++photonFiles;
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
      EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
    }
    EXPECT_EQ(photonFiles, channels);
    EXPECT_FALSE(fs::exists(dir_.file("system/vltemoin.tmp")));
    return kept;
  }
};

// The board that does not open is said with the driver's text; the observation
// goes on, and the close loop it cannot read is said, not silently trusted.
TEST_F(FaultScenarios, ABoardThatDoesNotOpenIsSaidAndTheObservationGoesOnSayingTheCloseLoopIsUnwatched) {
  SetBench("fail_open", "1");
  ASSERT_EQ(RunFast("001", 2, 2), 0) << output_;
  EXPECT_NE(output_.find("Error initializing the AXIOM input/output board: AXDRV: board not found at the "
                         "configured address"),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("Close loop cannot be read at "), std::string::npos) << output_;
  EXPECT_NE(output_.find(": AXDRV: the board is not open; it is not watched, storing goes on"), std::string::npos);
  EXPECT_EQ(output_.find("HOLD"), std::string::npos) << output_;
  const auto said = LinesWith(Log("001"), "!!! Close loop cannot be read at ");
  EXPECT_EQ(said.size(), 1u) << Log("001");  // said once, not every second
  ExpectChannelsKept("001", 3);
}

// The shutter that stays closed while the observer opened it: its status is said
// on the output and in every channel's record.
TEST_F(FaultScenarios, AStuckShutterIsSaidByItsStatus) {
  SetBench("shutter_stuck", "1");
  ASSERT_EQ(RunFast("002", 2, 2), 0) << output_;
  // Said when it changes, not every second (the alarm it raises is said apart).
  std::size_t said = 0;
  for (const std::string& line : LinesWith(output_, "shutter ")) said += line.rfind("shutter ", 0) == 0 ? 1 : 0;
  EXPECT_EQ(said, 1u) << output_;
  EXPECT_NE(output_.find("shutter CLOSED\n"), std::string::npos) << output_;
  for (const ChannelRecord& r : ExpectChannelsKept("002", 3)) EXPECT_EQ(r.shutter, "CLOSED") << r.channel;
}

// The THT supply that does not follow its set point: the readings say 0 V, where a
// supply that follows reads back about what was set.
TEST_F(FaultScenarios, ATHTSupplyThatDoesNotFollowReadsZeroVolts) {
  for (const bool following : {true, false}) {
    SCOPED_TRACE(following ? "following" : "not following");
    const std::string observation = following ? "013" : "003";
    SetBench("tht_not_following", following ? "0" : "1");
    auto flags = Flags(observation, 2, 2);
    flags.insert(flags.end(), {"--fast", "--tht", "9000"});
    ASSERT_EQ(RunWith({}, flags), 0) << output_;
    const auto progress = LinesWith(output_, "  remaining ");
    ASSERT_EQ(progress.size(), 3u) << output_;
    if (following) {
      std::smatch m;
      ASSERT_TRUE(std::regex_search(output_, m, std::regex("THT set to 9000 V: read back (\\d+) V"))) << output_;
      EXPECT_NEAR(std::stoi(m[1]), 9000, 10);
      for (const auto& line : progress) {
        ASSERT_TRUE(std::regex_search(line, m, std::regex("  THT read (\\d+) V"))) << line;
        EXPECT_NEAR(std::stoi(m[1]), 9000, 10);
      }
      for (const ChannelRecord& r : ExpectChannelsKept(observation, 3)) EXPECT_NEAR(std::stoi(r.tht), 9000, 10);
    } else {
      EXPECT_NE(output_.find("THT set to 9000 V: read back 0 V"), std::string::npos) << output_;
      for (const auto& line : progress) EXPECT_NE(line.find("  THT read 0 V"), std::string::npos) << line;
      for (const ChannelRecord& r : ExpectChannelsKept(observation, 3)) EXPECT_EQ(r.tht, "?????") << r.channel;
    }
  }
}

// A CS100 on board lines that refuse every write: said before Start, on the output
// and in the log; without being told to go on, nothing is observed.
TEST_F(FaultScenarios, ACS100WhoseBoardLinesRefuseItsPositionsIsSaidAndStopsTheObservationUnlessToldToGoOn) {
  SetBench("fail_writes", "1");
  auto flags = Flags("021", 2, 2);
  flags.insert(flags.end(), {"--fast", "--cs100", "parallel"});
  EXPECT_EQ(RunWith({}, flags), 1) << output_;
  EXPECT_NE(output_.find("The CS100 cannot be driven (parallel lines: AXDRV: digital output write error): the "
                         "observation is not started"),
            std::string::npos)
      << output_;
  ASSERT_FALSE(errors_.reported().empty());
  EXPECT_EQ(errors_.reported()[0].line1, "Impossible to drive the CS100 on its parallel lines !");
  EXPECT_FALSE(fs::exists(Data("021") + "/F021.VLT"));

  flags = Flags("022", 2, 2);
  flags.insert(flags.end(), {"--fast", "--cs100", "parallel", "--cs100-fault", "continue"});
  ASSERT_EQ(RunWith({}, flags), 0) << output_;
  const auto logged = LinesWith(Log("022"), "!!! CS100 not driven at ");
  ASSERT_EQ(logged.size(), 1u) << Log("022");
  EXPECT_NE(logged[0].find(": parallel lines: AXDRV: digital output write error; from channel 0 on, the "
                           "interferometer was never positioned while the records give the positions asked"),
            std::string::npos)
      << logged[0];
  ExpectChannelsKept("022", 3);
}

// Shutter system 2 closes on a 1 in bit 5 of the port that also carries the CS100's
// high bits: each channel's drive keeps the shutter open as the observer left it.
TEST_F(FaultScenarios, TheParallelCS100LinesKeepTheShutterOfEitherPolarityAsItIs) {
  for (const char* system : {"1", "2"}) {
    SCOPED_TRACE(std::string("shutter system ") + system);
    const std::string observation = std::string("03") + system;
    WriteFile(dir_.file("shutter.def"),
              std::regex_replace(ReadFile(dir_.file("varsa.def")), std::regex("\n1\tshutter system"),
                                 std::string("\n") + system + "\tshutter system"));
    auto flags = Flags(observation, 4, 1);
    flags.insert(flags.end(), {"--fast", "--preset", dir_.file("shutter.def"), "--cs100", "parallel"});
    ASSERT_EQ(RunWith({}, flags), 0) << output_;
    EXPECT_EQ(output_.find("shutter CLOSED"), std::string::npos) << output_;
    for (const ChannelRecord& r : ExpectChannelsKept(observation, 5)) EXPECT_EQ(r.shutter, "OPEN") << r.channel;
  }
}

// The close loop lost for ten seconds in the middle of channel 1: storing is held
// and said, the spoilt channel exposed again, its file there once.
TEST_F(FaultScenarios, ACloseLoopLostForTenSecondsHoldsAndRedoesTheSpoiltChannel) {
  SetBench("close_loop_lost_from", "10");
  SetBench("close_loop_lost_for", "10");
  // The high voltage up, as the observer has it: a THT alarm raised in the second
  // counting resumes would take the decision's place in the one-line log queue.
  auto flags = Flags("004", 2, 4);
  flags.insert(flags.end(), {"--fast", "--tht", "9600"});
  ASSERT_EQ(RunWith({}, flags), 0) << output_;
  EXPECT_NE(output_.find("HOLD at channel 1 cycle 1: WARNING : Close loop (PF in default) ! waiting for good CL"),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("hold ended after 00:00:1"), std::string::npos) << output_;
  EXPECT_NE(output_.find("channel 0001 cycle 0001  not kept: spoilt by the close loop, exposed again"),
            std::string::npos);
  EXPECT_EQ(LinesWith(Log("004"), "!!! Automatic system decision : redo last channel because CLOSE LOOP").size(), 1u)
      << Log("004");
  int spoilt = 0;
  for (const ChannelRecord& r : ChannelRecords(Log("004"))) spoilt += r.spoilt ? 1 : 0;
  EXPECT_EQ(spoilt, 1);
  const auto records = ExpectChannelsKept("004", 3);
  // The redone channel ran its whole exposure: 4 s at 50 frames a second.
  for (const ChannelRecord& r : records) {
    if (r.channel == 1) {
      EXPECT_GE(r.frames, 4 * 50 - 2);
    }
  }
}

// The camera sends no frame for two seconds in the middle of channel 1: the store
// step goes on each second, the channel's frames and the efficiency drop, and
// every channel is kept.
TEST_F(FaultScenarios, ACameraStallLowersTheEfficiencyAndLosesNoChannel) {
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    if (entry.path().extension() == ".dcf")
      WriteFile(entry.path().string(), ReadFile(entry.path().string()) + "stall_from = 9\nstall_for = 2\n");
  ASSERT_EQ(RunFast("005", 3, 4), 0) << output_;
  const auto records = ExpectChannelsKept("005", 4);
  ASSERT_EQ(records.size(), 4u);
  int stalled = 0;
  for (const ChannelRecord& r : records) {
    SCOPED_TRACE(r.channel);
    const long expected = (r.channel == 0 ? 1 : 4) * 50;  // channel 0 lasts a second
    if (r.frames < expected - 10) {
      ++stalled;
      EXPECT_NEAR(r.frames, expected - 2 * 50, 10);  // two seconds without frames
    } else {
      EXPECT_LE(r.frames, expected + 2);
    }
    EXPECT_EQ(r.efficiency == 100, stalled == 0) << "the cumulated efficiency drops from the stall on";
  }
  EXPECT_EQ(stalled, 1) << Log("005");
  EXPECT_NE(output_.find("efficiency 0"), std::string::npos) << output_;  // below 100 %, said on the progress line
}

// The same stall in real time, through the real program: the counting thread waits
// in the grab while the store step goes on each second; the observation ends on time.
TEST_F(FaultScenarios, ACameraStallInRealTimeHoldsNoThreadAndLosesNoChannel) {
  for (const auto& entry : fs::directory_iterator(dir_.path()))
    if (entry.path().extension() == ".dcf")
      WriteFile(entry.path().string(), ReadFile(entry.path().string()) + "stall_from = 6\nstall_for = 2\n");
  ChildProcess runner(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe", Flags("009", 2, 2), dir_.path().string(),
                      {"XDG_RUNTIME_DIR=" + dir_.file("run")});
  EXPECT_EQ(runner.Wait(30000), 0) << runner.output();
  const auto records = ExpectChannelsKept("009", 3);
  ASSERT_EQ(records.size(), 3u);
  long frames = 0;
  for (const ChannelRecord& r : records) frames += r.frames;
  EXPECT_LE(frames, 5 * 50 - 80) << Log("009");  // 5 s of exposure, about 2 of them without frames
  EXPECT_LT(records.back().efficiency, 100);
}

// A camera description with a stall that cannot be is refused where it is read.
TEST_F(FaultScenarios, ACameraStallKnobOutOfRangeIsRefused) {
  WriteFile(dir_.file("thomson.dcf"), ReadFile(dir_.file("thomson.dcf")) + "stall_for = -2\n");
  EXPECT_NE(RunFast("006", 1, 1), 0) << output_;
  std::string said = output_;
  for (const ErrorLines& e : errors_.reported()) said += e.line1 + " | " + e.line2 + " | " + e.line3 + "\n";
  EXPECT_NE(said.find("stall_for"), std::string::npos) << said;
}

// The real program, in real time, with a serial device on a pseudo-terminal that
// dies, then hangs up, in the middle of the observation.
class SerialDeviceVanishing : public FaultScenarios {
 protected:
  ChildProcess Start(const std::string& observation, int channels, int exposure, const std::vector<std::string>& more,
                     const std::vector<std::string>& env) {
    std::vector<std::string> args = Flags(observation, channels, exposure);
    args.insert(args.end(), more.begin(), more.end());
    std::vector<std::string> environment{"XDG_RUNTIME_DIR=" + dir_.file("run")};
    environment.insert(environment.end(), env.begin(), env.end());
    return ChildProcess(std::string(VELMAR_BIN_DIR) + "/vlmipcs-observe", args, dir_.path().string(), environment);
  }
};

// The temperature controller killed, then its line gone: every progress line says
// why the values are unknown; the observation goes on to its end.
TEST_F(SerialDeviceVanishing, ATemperatureControllerThatDiesIsSaidAndTheObservationEnds) {
  std::istringstream lines(ReadFile(dir_.file("varsa.def")));
  std::string text, line;
  for (int n = 1; std::getline(lines, line); ++n)
    text += (n == 18 ? std::string("1\ttemperature interface (0=none)") : line) + "\n";
  WriteFile(dir_.file("temp.def"), text);
  PtyDevice com2;
  com2.RunOnMaster(std::string(VELMAR_BIN_DIR) + "/vlmipcs-temperature-sim", {"--temperature", "-7"});
  ASSERT_NE(com2.AskThroughSlave("@00100000071*\r", '\r'), "") << "the simulator does not answer";
  ChildProcess runner = Start("007", 3, 2, {"--preset", dir_.file("temp.def")}, {"VELMAR_COM2=" + com2.slaveName()});
  ASSERT_TRUE(runner.WaitForOutput("channel 0001 cycle 0001", 30000)) << runner.output();
  com2.KillPeer();
  ASSERT_TRUE(runner.WaitForOutput("(no reply)", 10000)) << runner.output();
  com2.HangUp();
  ASSERT_TRUE(runner.WaitForOutput("(request not sent: Input/output error)", 10000)) << runner.output();
  EXPECT_EQ(runner.Wait(30000), 0) << runner.output();
  output_ = runner.output();
  EXPECT_NE(LinesWith(output_, "channel 0001 cycle 0001")[0].find("temperature -007"), std::string::npos) << output_;
  const auto last = LinesWith(output_, "channel 0003 cycle 0001");
  ASSERT_EQ(last.size(), 1u) << output_;
  EXPECT_NE(last[0].find("(request not sent: Input/output error)"), std::string::npos) << last[0];
  ExpectChannelsKept("007", 4);
}

// The CS100 on a serial line whose peer goes away: the positions no longer reach
// the etalon. That is said once, on the output and in the log; the observation
// stops there, keeping the channels taken where they should be, and the exit code
// says it ended early, unless the observer told it to go on.
TEST_F(SerialDeviceVanishing, ACS100LineThatHangsUpIsSaidOnceInTheLogAndStopsUnlessToldToGoOn) {
  for (const bool goOn : {false, true}) {
    SCOPED_TRACE(goOn ? "--cs100-fault continue" : "default");
    const std::string observation = goOn ? "009" : "008";
    PtyDevice com3;
    std::vector<std::string> more{"--cs100", "serial:3"};
    if (goOn) more.insert(more.end(), {"--cs100-fault", "continue"});
    ChildProcess runner = Start(observation, 3, 1, more, {"VELMAR_COM3=" + com3.slaveName()});
    // Hung up as channel 1 begins: its drive, or the next, finds the line gone.
    ASSERT_TRUE(runner.WaitForOutput("channel 0000 cycle 0001", 30000)) << runner.output();
    EXPECT_NE(com3.Read(1, 1000).find("I4"), std::string::npos) << "positions were sent";
    com3.HangUp();
    EXPECT_EQ(runner.Wait(30000), goOn ? 0 : 1) << runner.output();
    output_ = runner.output();
    const auto said = LinesWith(output_, "Impossible to drive the CS100 on its COM port !");
    ASSERT_EQ(said.size(), 1u) << output_;
    EXPECT_NE(said[0].find("COM3: Input/output error"), std::string::npos) << said[0];
    EXPECT_NE(said[0].find("The interferometer does not follow the channels."), std::string::npos) << said[0];
    const auto logged = LinesWith(Log(observation), "!!! CS100 not driven at ");
    ASSERT_EQ(logged.size(), 1u) << Log(observation);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(logged[0], m,
                                  std::regex(": COM3: Input/output error; from channel ([12]) on, the interferometer "
                                             "stays at position -?\\d+ while the records give the positions asked$")))
        << logged[0];
    const std::string lost = m[1];
    if (goOn) {
      EXPECT_NE(output_.find("CS100 not driven from channel " + lost +
                             " cycle 1 (COM3: Input/output error): the observation goes on"),
                std::string::npos)
          << output_;
      ExpectChannelsKept(observation, 4);
    } else {
      EXPECT_NE(output_.find("The CS100 cannot be driven from channel " + lost +
                             " cycle 1 (COM3: Input/output error): the observation is stopped"),
                std::string::npos)
          << output_;
      EXPECT_EQ(LinesWith(Log(observation), "ABORT AND QUIT, CS100 not driven (COM3: Input/output error)").size(), 1u)
          << Log(observation);
      // The channels before it; it was never where it should be.
      ExpectChannelsKept(observation, static_cast<std::size_t>(std::stoi(lost)));
    }
  }
}

}  // namespace
}  // namespace velmar::testing
