#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "engine/blob_analysis.h"
#include "engine/observation_log.h"
#include "engine/photon_records.h"
#include "platform/format.h"
#include "observation_fixture.h"

namespace velmar::testing {

std::vector<std::uint8_t> Observation::FrameRecords() const {
  std::vector<std::uint8_t> pixels(64 * 64);
  const_cast<SoftwareGrabber&>(grabber_).GetPixels(s_.grabber.simulationSource[0], pixels.data());
  BitImage binary;
  BlobScratch scratch;
  BlobList blobs;
  scratch.Detect(pixels.data(), 64, 64, 64, p_.Discri, binary, blobs);
  std::vector<std::int32_t> tags(blobs.count(), 0);
  std::vector<std::uint8_t> records;
  EncodeRecords(blobs.centerX.data(), blobs.centerY.data(), tags.data(), static_cast<std::int32_t>(blobs.count()),
                GeometryOf(p_), records);
  return records;
}

namespace {

struct ChannelRecord {
  int channel, cycle, qg, photons, frames;
};

std::vector<ChannelRecord> Records(const std::string& log) {
  std::vector<ChannelRecord> records;
  std::istringstream in(log);
  std::string line;
  while (std::getline(in, line)) {
    ChannelRecord r{};
    int h, m, sec;
    if (std::sscanf(line.c_str(), "Was acquired at %d:%d:%d: ch=%d  cy=%d  QGval=%d  ph=%d  fr=%d", &h, &m, &sec,
                    &r.channel, &r.cycle, &r.qg, &r.photons, &r.frames) == 8)
      records.push_back(r);
  }
  return records;
}

std::vector<std::pair<int, int>> Order(const std::vector<ChannelRecord>& records) {
  std::vector<std::pair<int, int>> order;
  for (const auto& r : records) order.push_back({r.channel, r.cycle});
  return order;
}

}  // namespace

TEST_F(Observation, IncreasingScanRunsChannelZeroThenEveryChannelUpToTheStopPoint) {
  Plan(3, 2, 2, /*seeSaw=*/false);
  Begin();
  RunToEndPanel();
  const auto records = Records(ReadFile(LogFilePath(p_)));
  EXPECT_EQ(Order(records), (std::vector<std::pair<int, int>>{{0, 1}, {1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}}));
  EXPECT_EQ(host_.drives, (std::vector<std::int32_t>{1, 2, 3, 1, 2, 3}));
  ASSERT_FALSE(host_.panels.empty());
  EXPECT_EQ(host_.panels.back().line2, "We just scanned channel 3 at cycle 2.");
  EXPECT_EQ(s_.storingHeld, 1);
  EXPECT_TRUE(std::filesystem::exists(data_ + "/G0420100.VLA"));
  EXPECT_TRUE(std::filesystem::exists(data_ + "/G0420203.VLA"));
}

TEST_F(Observation, SeeSawScanGoesDownOnEvenCycles) {
  Plan(3, 1, 3, /*seeSaw=*/true);
  Begin();
  RunToEndPanel();
  EXPECT_EQ(Order(Records(ReadFile(LogFilePath(p_)))),
            (std::vector<std::pair<int, int>>{
                {0, 1}, {1, 1}, {2, 1}, {3, 1}, {3, 2}, {2, 2}, {1, 2}, {1, 3}, {2, 3}, {3, 3}}));
}

TEST_F(Observation, AChannelEndsAtTheFirstStepThatReachesItsExposure) {
  Plan(2, 10, 1, false);
  Begin();
  RunToEndPanel();
  const auto records = Records(ReadFile(LogFilePath(p_)));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].frames, 10 * 80);  // ten whole seconds of frames, no more
  EXPECT_EQ(records[2].frames, 10 * 80);
  EXPECT_EQ(records[0].frames, 80);  // channel 0: one store period
}

// For every channel the file holds exactly the photons the record reports, frame by
// frame the synthetic frame's records, and the counters add up.
void CheckIntegrity(const Observation& o, const std::string& data, const AcquisitionParameters& p,
                    const AcquisitionState& s, const std::vector<std::uint8_t>& frame) {
  const std::string log = ReadFile(LogFilePath(p));
  const auto records = Records(log);
  ASSERT_FALSE(records.empty());
  const int size = RecordSize(p.DataFormat);
  const int perFrame = static_cast<int>(frame.size()) / size;
  long photons = 0, frames = 0;
  int lastTagFrame = -1;
  for (const auto& r : records) {
    const std::string bytes = ReadFile(data + "/" + (p.FileType == 1 ? Format("G042%4.4d%4.4d.VLA", r.cycle, r.channel)
                                                                     : Format("G042%2.2d%2.2d.VLA", r.cycle, r.channel)));
    ASSERT_EQ(static_cast<long>(bytes.size()), static_cast<long>(r.photons) * size) << "channel " << r.channel;
    ASSERT_EQ(r.photons, r.frames * perFrame);
    for (int f = 0; f < r.frames; ++f) {
      for (int e = 0; e < perFrame; ++e) {
        const std::size_t at = (static_cast<std::size_t>(f) * perFrame + e) * size;
        for (int b = 0; b < (p.DataFormat == kFormatXYFrame8Bytes ? 4 : size); ++b)
          ASSERT_EQ(static_cast<std::uint8_t>(bytes[at + b]), frame[static_cast<std::size_t>(e) * size + b]);
        if (p.DataFormat == kFormatXYFrame8Bytes) {
          std::int32_t tag;
          std::memcpy(&tag, bytes.data() + at + 4, 4);
          if (e == 0) {
            EXPECT_EQ(tag / 4, lastTagFrame + 1);  // every counted frame, in order
            lastTagFrame = tag / 4;
          }
        }
      }
    }
    photons += r.photons;
    frames += r.frames;
  }
  EXPECT_EQ(photons, static_cast<long>(s.photonsMillions) * 1000000 + s.photonsUnits);
  EXPECT_EQ(frames, s.cumulatedFrames);
  EXPECT_EQ(s.bytesWritten, photons * size);
  (void)o;
}

class ObservationFiles : public Observation,
                         public ::testing::WithParamInterface<std::tuple<int, int, int>> {};

TEST_P(ObservationFiles, EveryChannelFileHoldsExactlyTheReportedPhotons) {
  const auto [format, tempMode, fileType] = GetParam();
  p_.DataFormat = format;
  p_.FileType = fileType;
  s_.tempFileMode = tempMode;
  Plan(3, 2, 2, true);
  Begin();
  RunToEndPanel();
  CheckIntegrity(*this, data_, p_, s_, FrameRecords());
  EXPECT_FALSE(std::filesystem::exists(data_ + "/ipcsdata.tmp") && tempMode == 0);
  if (tempMode == 0) {
    // The last completed file is announced.
    EXPECT_EQ(ReadFile(data_ + "/ipcschn.tmp"), (fileType == 1 ? "G04200020001.VLA\n" : "G0420201.VLA\n"));
  }
  EXPECT_TRUE(errors_.reported().empty());
}

INSTANTIATE_TEST_SUITE_P(FormatsModesAndNames, ObservationFiles,
                         ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(0, 1), ::testing::Values(0, 1)));

TEST_F(Observation, TheLogHeaderAndRecordsFollowTheirFormats) {
  Plan(2, 1, 1, false);
  p_.Lambda = 6562.78f;
  Begin();
  RunToEndPanel();
  const std::string log = ReadFile(LogFilePath(p_));
  const std::string header =
      "Velmar Photon Counting     Version 11/04/2002    Kpz\n"
      "Observation G042\n"
      "08/12/2026     21:15:02\n"
      "Identification = NGC 2403 H alpha\n"
      "Interferometer = PF 1200 microns\n"
      "Filter         = 6569/15\n"
      "3D object\n"
      "X and Y dimensions : 00512 00512\n"
      "Number of channels = 0002\n"
      "TV source= simulation 4 ph/fr\n"
      "Exposure time per channel = 00001 seconds\n"
      "Scanning wavelength=   6562.780 A\n"
      "Queensgate constant=    9.21000\n"
      "Perot-Fabry scanning\n"
      "CS100 interface = parallel\n"
      "Scanning mode = always increasing channels\n"
      "IPCS type = AsGa 64x64\n"
      "IPCS frames per second = 80\n"
      "MATROX driver = kem512.dcf\n"
      "Data format = 4 bytes (X and Y coordinates)\n"
      "File names = G042cckk.VLA\n"
      "MIL errors = normal (no extended windows)\n"
      "Data files path = " + data_ + "\n" + std::string(77, '-') +
      "\nNotes :\n"
      "- flux must be corrected from the nb of frames in each channel\n"
      "- user comment lines below begin with ###\n"
      "- alarm lines below begin with !!!\n" + std::string(77, '=') +
      "\n\n==> Beginning channel=0000 at 21:15:02";
  ASSERT_GE(log.size(), header.size());
  EXPECT_EQ(log.substr(0, header.size()), header);
  EXPECT_NE(log.back(), '\n');  // no final line end
  const std::regex record(
      "\nWas acquired at \\d\\d:\\d\\d:\\d\\d: ch=\\d{4}  cy=\\d{4}  QGval=[+-]\\d{4}  ph=\\d{8}  fr=\\d{5}"
      "\nCumulated exp=\\d\\d:\\d\\d:\\d\\d  phot=\\d{12}  efficiency=\\d{3} %  disk= *\\d+\\.\\d{3} Mb"
      "\nTHT=\\?\\?\\?\\?\\?v  shutter=\\?  discri=100  BlackLevel=000 WhiteLevel=255"
      "\n\n==> Beginning channel=0001 at 21:15:03");
  EXPECT_TRUE(std::regex_search(log, record)) << log.substr(header.size());
}

TEST(ObservationLog, TheExampleChannelRecord) {
  TempDir dir;
  AcquisitionState s;
  s.logPath = dir.file("G042.VLT");
  WriteFile(s.logPath, "header");
  s.channelPhotons = 12345;
  s.channelFrames = 400;
  s.cumulatedExposureText = "00:59:59";
  s.photonsMillions = 2;
  s.photonsUnits = 500000;
  s.cumulatedEfficiencyText = "096 %";
  s.megabytesText = Format("%9.3f Mb", 1.5);
  s.thtRead = -12;
  s.shutterStateText = "open";
  s.levels.appliedDiscriminator = 37;
  s.levels.appliedBlack = 5;
  s.levels.appliedWhite = 240;
  WriteChannelRecord(s, 3, 1, -289, {2026, 12, 8, 21, 15, 3, 0});
  WriteChannelRecord(s, 4, 1, 13, {2026, 12, 8, 21, 15, 4, 0});
  EXPECT_EQ(ReadFile(s.logPath),
            "header"
            "\nWas acquired at 21:15:03: ch=0003  cy=0001  QGval=-0289  ph=00012345  fr=00400"
            "\nCumulated exp=00:59:59  phot=000002500000  efficiency=096 %  disk=    1.500 Mb"
            "\nTHT=-0012v  shutter=open  discri=037  BlackLevel=005 WhiteLevel=240"
            "\nWas acquired at 21:15:04: ch=0004  cy=0001  QGval=+0013  ph=00012345  fr=00400"
            "\nCumulated exp=00:59:59  phot=000002500000  efficiency=096 %  disk=    1.500 Mb"
            "\nTHT=-0012v  shutter=open  discri=037  BlackLevel=005 WhiteLevel=240");
}

TEST(ObservationLog, QueuedLinesWaitForALogAndNoneIsLostButARepeatedAlarm) {
  TempDir dir;
  AcquisitionState s;
  QueueLogLine(s, "!!! User command at 21:15:02 : redo last channel");
  FlushLogMessage(s);  // no log yet: the line stays queued
  EXPECT_EQ(s.pendingLogLineReady, 1);
  QueueLogLine(s, "!!! ALARM at 21:15:03 : WARNING : shutter is closed");
  QueueLogLine(s, "!!! ALARM at 21:15:03 : WARNING : THT is only 100 volts");
  QueueLogLine(s, "### Comment at 21:15:03 : clouds");
  s.logPath = dir.file("G042.VLT");
  WriteFile(s.logPath, "header");
  FlushLogMessage(s);
  const std::string once = ReadFile(s.logPath);
  EXPECT_EQ(once,
            "header\n!!! User command at 21:15:02 : redo last channel"
            "\n!!! ALARM at 21:15:03 : WARNING : THT is only 100 volts"
            "\n### Comment at 21:15:03 : clouds");
  EXPECT_EQ(s.pendingLogLineReady, 0);
  FlushLogMessage(s);  // written once only
  EXPECT_EQ(ReadFile(s.logPath), once);
  s.logPath = "(NULL)";
  QueueLogLine(s, "### comment");
  FlushLogMessage(s);
  EXPECT_EQ(s.pendingLogLineReady, 1);
  ClearQueuedLogLines(s);
  s.logPath = dir.file("G042.VLT");
  FlushLogMessage(s);
  EXPECT_EQ(ReadFile(s.logPath).find("### comment"), std::string::npos);
}

TEST_F(Observation, ScanningWithPauseWaitsForContinueBeforeEachRecord) {
  Plan(2, 1, 1, false);
  p_.ScanningMode = kScanningWithPause;
  Begin();
  RunUntil([this] { return s_.pauseDialogState == 1; });
  EXPECT_TRUE(Records(ReadFile(LogFilePath(p_))).empty());  // channel 0 waits for its answer
  RunUntil({}, 3);
  EXPECT_TRUE(Records(ReadFile(LogFilePath(p_))).empty());
  EXPECT_EQ(host_.panels.back().line1, "Pause between channels");
  ButtonDialogPFContinueClick(s_, p_, host_);
  RunUntil([this] { return s_.pauseDialogState == 1; });
  const auto records = Records(ReadFile(LogFilePath(p_)));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].channel, 0);
  EXPECT_EQ(host_.drives, (std::vector<std::int32_t>{1}));
}

TEST_F(Observation, TheEndPanelContinuesOrStopsThenAsksToQuit) {
  Plan(2, 1, 1, false);
  Begin();
  RunToEndPanel();
  // "Continue acquisition": the plan runs on to the last cycle the names allow.
  ButtonDialogAcqContinueClick(s_, p_, host_);
  RunUntil({}, 2);  // the next channel opens, then channel 1 of cycle 2 ends
  EXPECT_EQ(s_.stopCycle, 99);
  EXPECT_EQ(s_.currentCycle, 2);
  EXPECT_EQ(s_.storingHeld, 0);
  // "Stop", then "No": the end panel again; "Stop", then "New acquisition".
  s_.stopCycle = 2;
  s_.stopChannel = 2;
  RunToEndPanel();
  ButtonDialogAcqStopClick(s_, p_, host_);
  RunUntil({}, 1);
  EXPECT_EQ(s_.abortDialogState, 1);
  EXPECT_EQ(host_.panels.back().line1, "Requested abort of the acquisition");
  ButtonDialogAbortNoClick(s_, p_, host_);
  RunUntil({}, 1);
  EXPECT_EQ(s_.endDialogState, 1);
  ButtonDialogAcqStopClick(s_, p_, host_);
  RunUntil({}, 1);
  ButtonDialogAbortNewClick(s_, p_, host_);
  RunUntil({}, 2);
  EXPECT_EQ(s_.acquisitionEnded, 1);
  EXPECT_TRUE(host_.endButtons);
  EXPECT_EQ(host_.quitYes, 0);
}

TEST_F(Observation, YesInTheAbortPanelQuits) {
  Plan(1, 1, 1, false);
  Begin();
  RunToEndPanel();
  ButtonDialogAcqStopClick(s_, p_, host_);
  RunUntil({}, 1);
  ButtonDialogAbortYesClick(s_, p_, host_);
  RunUntil({}, 1);
  EXPECT_EQ(host_.quitYes, 1);
}

}  // namespace velmar::testing
