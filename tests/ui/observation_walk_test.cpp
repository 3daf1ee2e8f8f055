// Whole observations through the windowed program, its real threads and its
// files, with an operator played by the walk driver: what the observer does
// between and around the channels leaves the plan, the instrument and the files
// as they should be, and what the program shows and logs is true.
#include <gtest/gtest.h>

#include <QProcess>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

#include "support/temp_dir.h"

namespace velmar {
namespace {

namespace fs = std::filesystem;
constexpr int kDeadlineMs = 60000;

struct Walk {
  bool finished = false;
  int exitCode = -1;
  std::map<std::string, std::string> lines;  // the driver's "key value" lines, the last of each key
  std::string output;
  std::string said(const std::string& key) const { return lines.count(key) ? lines.at(key) : std::string(); }
};

// "Was acquired" records of a log: channel and cycle, interferometer value.
struct Record {
  int channel, cycle, qgval;
};

std::vector<Record> Records(const std::string& log) {
  static const std::regex record(R"(Was acquired at [0-9:]+: ch=(\d+)  cy=(\d+)  QGval=([+-]\d+))");
  std::vector<Record> found;
  for (auto it = std::sregex_iterator(log.begin(), log.end(), record); it != std::sregex_iterator(); ++it)
    found.push_back({std::stoi((*it)[1]), std::stoi((*it)[2]), std::stoi((*it)[3])});
  return found;
}

class ObservationWalk : public ::testing::Test {
 protected:
  ObservationWalk() {
    fs::copy(VELMAR_PRESETS_DIR, dir_.path(), fs::copy_options::recursive);
    testing::WriteFile((dir_.path() / "Vlm3D").string(), "#!/bin/sh\nexit 0\n");
    fs::permissions(dir_.path() / "Vlm3D", fs::perms::owner_all);
    fs::create_directories(dir_.path() / "system");
  }

  Walk Run(const std::string& scenario) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("VELMAR_SYSTEM_DIR", QString::fromStdString((dir_.path() / "system").string()));
    env.insert("HOME", QString::fromStdString(dir_.path().string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((dir_.path() / "run").string()));
    env.remove("VELMAR_PROGRAM_DIR");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(QString::fromStdString(dir_.path().string()));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(VELMAR_WALK_DRIVER, {QString::fromStdString(scenario)});
    Walk w;
    w.finished = process.waitForStarted(5000) && process.waitForFinished(kDeadlineMs);
    if (!w.finished) {
      process.kill();
      process.waitForFinished(5000);
    }
    w.exitCode = process.exitCode();
    w.output = process.readAll().toStdString();
    std::istringstream lines(w.output);
    for (std::string line; std::getline(lines, line);)
      if (const auto space = line.find(' '); space != std::string::npos)
        w.lines[line.substr(0, space)] = line.substr(space + 1);
    return w;
  }

  static std::string Read(const fs::path& file) { return fs::is_regular_file(file) ? testing::ReadFile(file.string()) : ""; }

  testing::TempDir dir_;
};

// Continue past the planned end, a deferred stop, then "See parameters" and its OK:
// the stop asked stays, the close loop stays inhibited, the board is not reopened,
// and counting goes on. "Abort and Quit" during a channel written under its final
// name then says the file holds only part of its exposure, and the main window
// shows the shutter closed behind the THT warning.
TEST_F(ObservationWalk, LookingAtTheParametersWhileCountingOnlyLooks) {
  const Walk w = Run("view-while-counting");
  ASSERT_TRUE(w.finished) << w.output;
  EXPECT_EQ(w.exitCode, 0) << w.output;
  EXPECT_EQ(w.said("stop-before-view"), "2 3") << w.output;
  EXPECT_EQ(w.said("stop-after-view"), "2 3") << w.output;
  EXPECT_EQ(w.said("link-before-view"), "2") << w.output;  // the CS100 test file
  EXPECT_EQ(w.said("link-after-view"), "2") << w.output;
  EXPECT_EQ(w.said("watch-before-view"), "0") << w.output;
  EXPECT_EQ(w.said("watch-after-view"), "0") << w.output;
  EXPECT_EQ(w.said("board-opened-by-view"), "0") << w.output;
  EXPECT_EQ(w.said("end-panel-after-view"), "0") << w.output;
  // The way out closes the shutter; the main window behind the THT warning says so.
  EXPECT_EQ(w.said("main-shutter-before-quit"), "OPEN") << w.output;
  EXPECT_EQ(w.said("main-shutter-at-tht-warning"), "CLOSED") << w.output;

  const std::string log = Read(w.said("log"));
  const std::smatch cut = [&] {
    std::smatch m;
    std::regex_search(log, m, std::regex(R"(!!! Acquisition ended at [0-9:]+ : Channel (\d) of cycle 2 was in progress: (G007\d+\.VLA) holds only part of its exposure\.)"));
    return m;
  }();
  ASSERT_FALSE(cut.empty()) << log;
  EXPECT_TRUE(fs::exists(fs::path(w.said("data-dir")) / cut[2].str()));
  EXPECT_NE(w.said("terminating-says").find(cut[2].str() + " holds only part of its exposure"), std::string::npos)
      << w.output;
  EXPECT_LT(log.find("holds only part"), log.find("TERMINATE ACQUISITION..."));
}

// Two observations in one run. The first does not scan: at its end panel Suspend
// and the deferred stop wait; ended by the abort panel's "New acquisition", the
// window says so; a comment written then goes to its log. The second, of two
// channels on the CS100 test file, gets a controller initialised and the positions
// of its own plan, and its log the comment written before its Start; a look at the
// parameters while it counts leaves its plan.
TEST_F(ObservationWalk, ANewAcquisitionIsNew) {
  const Walk w = Run("two-observations");
  ASSERT_TRUE(w.finished) << w.output;
  EXPECT_EQ(w.exitCode, 0) << w.output;
  EXPECT_EQ(w.said("suspend-at-end-panel"), "0") << w.output;
  EXPECT_EQ(w.said("deferred-stop-at-end-panel"), "0") << w.output;
  EXPECT_EQ(w.said("status-after-end"), "standby simul calib") << w.output;
  EXPECT_EQ(w.said("writing-after-end"), "[]") << w.output;
  // No alarm watches a storing that ended.
  EXPECT_EQ(w.said("alarm-after-end").find("THT"), std::string::npos) << w.output;
  EXPECT_FALSE(w.said("alarm-after-end").empty()) << w.output;

  // The first observation: one record per channel, each with its file, and the
  // comment written after its end, nothing of the next observation.
  const fs::path first = w.said("first-data-dir");
  const std::string firstLog = Read(first / "G011.VLT");
  const auto records = Records(firstLog);
  EXPECT_EQ(records.size(), 4u) << firstLog;
  for (int channel = 0; channel < 4 && channel < static_cast<int>(records.size()); ++channel) {
    EXPECT_EQ(records[channel].channel, channel) << firstLog;
    EXPECT_TRUE(fs::exists(first / ("G01101" + std::string(channel < 10 ? "0" : "") + std::to_string(channel) + ".VLA")));
  }
  EXPECT_NE(firstLog.find(" : after the end"), std::string::npos) << firstLog;
  EXPECT_EQ(firstLog.find("before start"), std::string::npos) << firstLog;

  // The second: the comment just after the header, the two-channel positions.
  const std::string secondLog = Read(w.said("log"));
  ASSERT_NE(secondLog.find("Observation G012"), std::string::npos) << secondLog;
  const auto header = secondLog.find("=============");
  const auto comment = secondLog.find(" : before start");
  EXPECT_NE(comment, std::string::npos) << secondLog;
  if (comment != std::string::npos) {
    EXPECT_LT(header, comment);
    EXPECT_LT(comment, secondLog.find("Beginning channel=0001"));
  }
  std::istringstream lambdaCqg(w.said("lambda-cqg"));
  double lambda = 0, cqg = 0;
  lambdaCqg >> lambda >> cqg;
  ASSERT_GT(lambda / cqg, 100.0) << w.output;
  const auto position = [&](int channel) {  // nearest, exact halves toward zero
    const double x = (channel - 1) * (lambda / cqg / 2) - 0.5 * lambda / cqg;
    return static_cast<int>(x < 0 ? std::ceil(x - 0.5) : std::floor(x + 0.5));
  };
  int checked = 0;
  for (const Record& r : Records(secondLog))
    if (r.channel >= 1) {
      EXPECT_NEAR(r.qgval, position(r.channel), 1) << "channel " << r.channel << "\n" << secondLog;
      ++checked;
    }
  EXPECT_EQ(checked, 2) << secondLog;
  EXPECT_EQ(w.said("second-stop-before-view"), "2 1") << w.output;
  EXPECT_EQ(w.said("second-stop-after-view"), "2 1") << w.output;
  EXPECT_EQ(w.said("view-board-opens"), "0") << w.output;
  // The first plan inhibited the close-loop watch; the second's window watches again and says so.
  EXPECT_EQ(w.said("second-close-loop"), "1 Inhib closeloop") << w.output;
  const std::string cs100 = Read(w.said("cs100-test-file"));
  EXPECT_NE(cs100.find("!QT"), std::string::npos) << cs100;
}

// "Abort and Quit" answered "&New acquisition" during a channel written under its
// final name: said in a window and in the log, the labels show the end. Escape on
// the next parameters window never leads to a Start on a set not accepted.
TEST_F(ObservationWalk, AnAcquisitionEndedDuringAChannelSaysItAndEscapeStartsNothing) {
  const Walk w = Run("new-after-abort");
  ASSERT_TRUE(w.finished) << w.output;
  EXPECT_EQ(w.exitCode, 0) << w.output;
  EXPECT_TRUE(std::regex_search(w.output, std::regex("modal TError: .*Channel 1 of cycle 1 was in progress \\| "
                                                      "G0210101.VLA \\| This file holds only part of its exposure")))
      << w.output;
  EXPECT_EQ(w.said("status-after-end"), "standby simul calib") << w.output;
  EXPECT_EQ(w.said("writing-after-end"), "[partial: G0210101.VLA]") << w.output;
  const fs::path first = w.said("first-data-dir");
  const std::string log = Read(first / "G021.VLT");
  EXPECT_NE(log.find("Channel 1 of cycle 1 was in progress: G0210101.VLA holds only part of its exposure."),
            std::string::npos)
      << log;
  EXPECT_TRUE(fs::exists(first / "G0210101.VLA"));
  EXPECT_FALSE(fs::exists(first / "ipcsopen.tmp"));
  EXPECT_EQ(w.said("start-enabled-after-escape"), "") << w.output;
  EXPECT_EQ(w.output.find("Impossible to create the log file"), std::string::npos) << w.output;
}

// "Data cube" opened while the windowed program counts in real time, on a camera
// of 2300 photons a frame at 80 frames a second: every channel file is read, and
// the counting keeps every frame.
TEST_F(ObservationWalk, TheDataCubeFollowsTheCountingInRealTime) {
  std::string camera = testing::ReadFile((dir_.path() / "asga512.dcf").string());
  camera = std::regex_replace(camera, std::regex("photon_rate = [0-9]+"), "photon_rate = 2300");
  testing::WriteFile((dir_.path() / "asga512.dcf").string(), camera);
  const Walk w = Run("data-cube");
  ASSERT_TRUE(w.finished) << w.output;
  EXPECT_EQ(w.said("cube-opened-in-channel"), "2") << w.output;
  EXPECT_EQ(w.said("cube-files"), "4") << w.output;
  EXPECT_NE(w.said("cube-status").find("4 channel files read"), std::string::npos) << w.output;
  EXPECT_NE(w.said("cube-status").find("cycles done: 1"), std::string::npos) << w.output;
  // Printed for the record; the machine running the tests may be loaded by others.
  std::printf("counting with the data cube open: %s frames in %s s, efficiency %s\n", w.said("frames").c_str(),
              w.said("exposure").c_str(), w.said("efficiency").c_str());
}

}  // namespace
}  // namespace velmar
