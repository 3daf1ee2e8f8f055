#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <regex>

#include "engine/observation_log.h"
#include "engine/photon_records.h"
#include "observation_fixture.h"
#include "platform/format.h"

namespace velmar::testing {
namespace {

// A file-size limit for the process while it lives; writes past it fail with EFBIG.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &previous_); }

 private:
  rlimit previous_{};
};

long FileSize(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<long>(size);
}

// The photon counts of one channel's log record, and its "!!! Disk error" lines.
struct ChannelInLog {
  long photons = -1, frames = -1, lostPhotons = 0;
  int lostSeconds = 0;
};

ChannelInLog ChannelOf(const std::string& log, int channel) {
  ChannelInLog c;
  const std::string begin = Format("\n\n==> Beginning channel=%4.4d at ", channel);
  const std::size_t from = log.find(begin);
  if (from == std::string::npos) return c;
  const std::size_t record = log.find("\nWas acquired at ", from);
  if (record == std::string::npos) return c;
  std::smatch m;
  const std::string section = log.substr(from, record - from);
  static const std::regex lost(R"(\n!!! Disk error at \d\d:\d\d:\d\d : (\d+) photons of this second not written \([^)\n]+\))");
  for (auto it = std::sregex_iterator(section.begin(), section.end(), lost); it != std::sregex_iterator(); ++it) {
    c.lostPhotons += std::stol((*it)[1]);
    ++c.lostSeconds;
  }
  const std::string line = log.substr(record, log.find('\n', record + 1) - record);
  static const std::regex counts(R"(ch=(\d{4})  cy=\d{4}  QGval=[+-]\d{4}  ph=(\d{8})  fr=(\d{5})$)");
  if (std::regex_search(line, m, counts) && std::stoi(m[1]) == channel) {
    c.photons = std::stol(m[2]);
    c.frames = std::stol(m[3]);
  }
  return c;
}

TEST_F(Observation, AFullDiskLosesOnlyTheSecondsItCouldNotWriteAndTheLogSaysWhichPhotons) {
  Plan(3, 10, 1, false);
  Begin();
  RunUntil([this] { return s_.currentChannel == 2 && s_.channelSeconds >= 3.0f; });
  {
    // Channel 2 is being written: the disk fills for three seconds, halfway into a record.
    FileSizeLimit full(static_cast<rlim_t>(s_.bytesInFile + 102));
    RunUntil({}, 3);
  }
  ASSERT_EQ(host_.diskErrors.size(), 3u);
  EXPECT_EQ(host_.diskErrors[0].kind, "Impossible to write data onto disk !");
  EXPECT_EQ(host_.diskErrors[0].errnoValue, EFBIG);
  EXPECT_EQ(host_.diskErrors[0].path, data_ + "/ipcsdata.tmp");
  ASSERT_EQ(host_.lostSeconds.size(), 3u);
  EXPECT_TRUE(host_.lostSeconds[0].logged);
  RunToEndPanel();  // the acquisition went on
  const std::string log = ReadFile(LogFilePath(p_));
  const long size = RecordSize(p_.DataFormat);
  const long photonsPerFrame = static_cast<long>(FrameRecords().size()) / size;
  // Channels 1 and 3 are complete.
  for (int channel : {1, 3}) {
    const ChannelInLog c = ChannelOf(log, channel);
    EXPECT_EQ(c.frames, 800) << channel;
    EXPECT_EQ(c.lostSeconds, 0) << channel;
    EXPECT_EQ(c.photons, 800 * photonsPerFrame) << channel;
    EXPECT_EQ(FileSize(data_ + Format("/G04201%2.2d.VLA", channel)), c.photons * size) << channel;
  }
  // Channel 2 lasted its ten seconds, the refused ones included. Its file holds the
  // whole records the disk took, the torn one cut off; ph= counts just those, and
  // the three lines count the photons that never reached it.
  const ChannelInLog spoilt = ChannelOf(log, 2);
  EXPECT_EQ(spoilt.frames, 800);
  EXPECT_EQ(spoilt.lostSeconds, 3);
  EXPECT_EQ(FileSize(data_ + "/G0420102.VLA"), spoilt.photons * size);
  EXPECT_EQ(spoilt.photons + spoilt.lostPhotons, 800 * photonsPerFrame);
  EXPECT_EQ(spoilt.lostPhotons, 3 * 80 * photonsPerFrame - 100 / size);
  EXPECT_NE(log.find(Format("photons of this second not written (%s)", std::strerror(EFBIG))), std::string::npos);
}

TEST_F(Observation, AVanishedDataDirectoryIsReportedAndWritingResumesWhenItIsBack) {
  Plan(2, 5, 1, false);
  Begin();
  RunUntil([this] { return s_.currentChannel == 1 && s_.channelSeconds >= 2.0f; });
  std::filesystem::rename(data_, data_ + ".away");
  RunUntil({}, 1);
  ASSERT_FALSE(errors_.reported().empty());
  EXPECT_EQ(errors_.reported()[0].line1, "Impossible reopen old temporary file [case B]");
  EXPECT_EQ(errors_.reported()[0].line3, "Is the disk full ???");
  // The log went away with the directory: the host is told the loss went unsaid.
  ASSERT_FALSE(host_.lostSeconds.empty());
  EXPECT_FALSE(host_.lostSeconds[0].logged);
  EXPECT_EQ(host_.lostSeconds[0].error, ENOENT);
  std::filesystem::rename(data_ + ".away", data_);
  RunToEndPanel();
  EXPECT_TRUE(std::filesystem::exists(data_ + "/G0420102.VLA"));  // the next channel is whole
  EXPECT_EQ(FileSize(data_ + "/G0420102.VLA"), 400 * static_cast<long>(FrameRecords().size()));
}

TEST_F(Observation, AFileThatCannotTakeItsNameKeepsItsChannelUntilItCanAndNoChannelIsSkipped) {
  Plan(3, 2, 1, false);
  // A directory in the way of channel 1's final name: the renaming fails.
  std::filesystem::create_directories(data_ + "/G0420101.VLA/in the way");
  Begin();
  RunUntil([this] { return !host_.diskErrors.empty(); });
  EXPECT_EQ(host_.diskErrors[0].kind, "Impossible to rename tempraty file !");
  EXPECT_EQ(host_.diskErrors[0].path, data_ + "/G0420101.VLA");
  RunUntil({}, 2);  // "&Ignore": the channel goes on, its end tried each second
  EXPECT_EQ(s_.currentChannel, 1);
  EXPECT_EQ(host_.drives, (std::vector<std::int32_t>{1}));
  std::filesystem::remove_all(data_ + "/G0420101.VLA");
  RunToEndPanel();
  EXPECT_EQ(host_.drives, (std::vector<std::int32_t>{1, 2, 3}));
  EXPECT_EQ(host_.finished, (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 1}, {1, 1}, {2, 1}, {3, 1}}));
  // Channel 1's file holds every second it was exposed, as its record says.
  const std::string log = ReadFile(LogFilePath(p_));
  const ChannelInLog one = ChannelOf(log, 1);
  EXPECT_GT(one.frames, 160);
  EXPECT_EQ(FileSize(data_ + "/G0420101.VLA"), one.photons * RecordSize(p_.DataFormat));
  EXPECT_EQ(one.photons * RecordSize(p_.DataFormat), one.frames * static_cast<long>(FrameRecords().size()));
  EXPECT_EQ(ChannelOf(log, 2).frames, 160);
}

TEST_F(Observation, QuitIntegrationInTheDiskErrorWindowEndsTheProgram) {
  Plan(2, 5, 1, false);
  Begin();
  RunUntil([this] { return s_.currentChannel == 1; });
  host_.diskErrorChoice = DiskErrorChoice::QuitIntegration;
  {
    FileSizeLimit full(static_cast<rlim_t>(s_.bytesInFile + 10));
    RunUntil({}, 2);
  }
  EXPECT_GE(host_.quitIntegration, 1);
}

TEST_F(Observation, AnIncorrectDiscriminatorOrAnUncreatableLogStartsNothing) {
  Plan(2, 1, 1, false);
  SetUpContext setUp{grabber_, s_.grabber, s_.levels, engine_, synthetic_, setUpConsole_, [] {}};
  SetUpFrameGrabber(setUp, p_);
  EXPECT_FALSE(StartAcquisition(context_, "256"));
  ASSERT_EQ(errors_.reported().size(), 1u);
  EXPECT_EQ(errors_.reported()[0].line2, "Incorrect TV discriminator threshold");
  SetText(p_.Path, data_ + "/missing/deeper");
  EXPECT_FALSE(StartAcquisition(context_, "100"));
  EXPECT_EQ(host_.quitLog, 1);
  EXPECT_EQ(errors_.reported().back().line1, "Impossible to create the log file");
}

TEST_F(Observation, TvLevelEditsAreAppliedWithinASecondAndKeptInTheParameters) {
  Plan(2, 3, 1, false);
  Begin();
  s_.tvLevelsEditable = 1;
  host_.edits = {"120", "230", "x12"};  // the black level edit does not read as a number
  RunUntil({}, 1);
  EXPECT_EQ(s_.levels.appliedDiscriminator, 120);
  EXPECT_EQ(p_.Discri, 120);
  EXPECT_EQ(s_.levels.appliedWhite, 230);
  EXPECT_EQ(p_.WhiteLevel, 230);
  EXPECT_EQ(s_.levels.appliedBlack, 0);
  EXPECT_EQ(engine_.context(3).discriminator.load(), 120);
  s_.tvLevelsEditable = 0;  // frozen
  host_.edits = {"90", "200", "10"};
  RunUntil({}, 1);
  EXPECT_EQ(s_.levels.appliedDiscriminator, 120);
}

TEST_F(Observation, TheAutomaticShutterClosesAboveItsPhotonRate) {
  Plan(2, 3, 1, false);
  Begin();
  s_.shutterMaxRate = 100;  // the simulation gives about 4 x 80 photons a second
  RunUntil({}, 2);
  EXPECT_GE(host_.shutterClosed, 1);
  const int closed = host_.shutterClosed;
  s_.autoShutter = 0;
  RunUntil({}, 2);
  EXPECT_EQ(host_.shutterClosed, closed);
}

}  // namespace
}  // namespace velmar::testing

namespace velmar::testing {
namespace {

TEST_F(Observation, ALostCloseLoopHoldsCountingThenRedoesTheSpoiltChannel) {
  Plan(3, 4, 1, false);
  s_.closeLoopWatch = 1;
  Begin();
  RunUntil([this] { return s_.currentChannel == 2 && s_.channelSeconds >= 2.0f; });
  const auto heldAt = s_.photonsUnits;
  s_.closeLoopActive = 1;  // the controller lost its lock
  RunUntil({}, 1);
  EXPECT_EQ(s_.closeLoopHeld, 1);
  EXPECT_EQ(s_.storingHeld, 1);
  EXPECT_EQ(host_.states.back(), "suspended");
  RunUntil({}, 3);
  EXPECT_EQ(s_.photonsUnits, heldAt);  // nothing kept while held
  // The alarm supervisor marks the channel spoilt and where to resume.
  s_.closeLoopRedoChannel = 1;
  s_.closeLoopRedoCycle = 1;
  s_.closeLoopRedoPending = 1;
  s_.closeLoopActive = 0;
  RunUntil({}, 1);
  EXPECT_EQ(s_.closeLoopHeld, 0);
  EXPECT_EQ(s_.storingHeld, 0);
  RunToEndPanel();
  EXPECT_EQ(host_.drives, (std::vector<std::int32_t>{1, 2, 2, 3}));  // channel 2 exposed again
  const std::string log = ReadFile(LogFilePath(p_));
  EXPECT_NE(log.find("\n!!! Automatic system decision : redo last channel because CLOSE LOOP"), std::string::npos);
  EXPECT_NE(log.find("\n!!! Photon counting status at 21:15:"), std::string::npos);
  // The redone channel's file is whole: four seconds of frames.
  EXPECT_EQ(std::filesystem::file_size(data_ + "/G0420102.VLA"), 320 * FrameRecords().size());
}

}  // namespace
}  // namespace velmar::testing

#include "console/remanence.h"
#include "platform/system_dir.h"

namespace velmar::testing {
namespace {

TEST_F(Observation, TheRemanenceImagesAreTheFourRingBuffersAsTwoDimensionalImages) {
  Plan(2, 1, 1, false);
  Begin();
  s_.remanenceRequested = 1;
  WriteRemanenceImages(grabber_, s_, p_);
  EXPECT_EQ(s_.remanenceRequested, 0);
  for (int k = 1; k <= 4; ++k) {
    const std::string image = ReadFile(RemanenceFile(k).string());
    ASSERT_EQ(image.size(), 64u * 64u * 4u + 256u) << k;
    std::int32_t dimensions, width, height, third;
    std::memcpy(&dimensions, image.data() + 64 * 64 * 4, 4);
    std::memcpy(&width, image.data() + 64 * 64 * 4 + 12, 4);
    std::memcpy(&height, image.data() + 64 * 64 * 4 + 16, 4);
    std::memcpy(&third, image.data() + 64 * 64 * 4 + 20, 4);
    EXPECT_EQ(dimensions, 2);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 64);
    EXPECT_EQ(third, 1);
    EXPECT_EQ(image.substr(64 * 64 * 4 + 128, 32), "Image from Matrox digitalization");
  }
  p_.DataFormat = kFormatXY256_2Bytes;  // the 2-byte format writes 256 by 256 images
  WriteRemanenceImages(grabber_, s_, p_);
  EXPECT_EQ(ReadFile(RemanenceFile(2).string()).size(), 256u * 256u * 4u + 256u);
}

}  // namespace
}  // namespace velmar::testing
