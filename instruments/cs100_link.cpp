#include "instruments/cs100_link.h"

#include <cstdio>

#include "engine/observation_log.h"
#include "params/fixed_text.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "platform/format.h"

namespace velmar {

std::string PositionCommand(std::int32_t position) {
  return Format("I4%3.3XP1P0I0", static_cast<unsigned>(position) & 0xFFFu);
}

std::int32_t PositionOfChannel(std::int32_t channel, float PFstep, float PFbase) {
  const float position = static_cast<float>(channel - 1) * PFstep + PFbase;
  return RoundHalfTowardZero(position);
}

void Cs100Link::ComputeScanGeometry() {
  if (p_.Cqg == 0.0f) p_.Cqg = 1.0f;
  s_.PFstep = p_.Lambda / p_.Cqg / static_cast<float>(p_.Lz);
  s_.PFbase = -0.5f * p_.Lambda / p_.Cqg;
}

bool Cs100Link::Scanning() const { return p_.AcqType != kAcq2DImage && p_.ScanningMode != kScanningNotPerformed; }

void Cs100Link::InitialiseSerial() {
  if (portOpenedMarker_ != kOpenedMarker) {
    const std::string name = Format("COM%d", p_.ComPort);
    if (!port_.Open(SerialDeviceOf(p_.ComPort), kCs100Mode).empty()) {
      ShowError("Impossible to open the COM port of the CS100 !", name, "");
      endProgram_();
      return;
    }
    portOpenedMarker_ = kOpenedMarker;
  }
  const std::string cr = "\r";
  WaitSeconds(0.5);
  port_.Write(cr);
  WaitSeconds(0.5);
  port_.Write(std::string("!QT\0", 4) + cr);
  port_.Write("O+D" + cr);
  port_.Write("O1" + cr);
  WaitSeconds(0.5);
  port_.Write("O0" + cr);
  WaitSeconds(1.0);
}

bool Cs100Link::AppendTestLine(const std::string& line, bool create) {
  const std::string path(TextOf(p_.TestFileName));
  std::FILE* file = std::fopen(path.c_str(), create ? "w" : "a");
  if (!file) {
    // Shown once: a controller that is only a file must not stop the scan.
    if (!testFileErrorShown_) ShowError("Impossible to write the CS100 test file", path, "");
    testFileErrorShown_ = true;
    return false;
  }
  bool written = line.empty() || std::fprintf(file, "%s\n", line.c_str()) >= 0;
  written = std::fclose(file) == 0 && written;
  return written;
}

void Cs100Link::InitialiseTestFile() {
  AppendTestLine("", true);
  WaitSeconds(0.5);
  AppendTestLine("!QT", false);
  WaitSeconds(0.5);
  AppendTestLine("O+D", false);
  AppendTestLine("O1", false);
  WaitSeconds(0.5);
  AppendTestLine("O0", false);
  WaitSeconds(0.5);
}

std::string Cs100Link::LinkKey() const {
  return Format("%d %d %s", p_.CS100Link, p_.CS100Link == 1 ? p_.ComPort : 0,
                p_.CS100Link == 2 ? p_.TestFileName : "");
}

void Cs100Link::InitialiseController() {
  initialisedLink_ = LinkKey();
  console_.ShowLinkState(CountingState::InitializingPF);
  switch (p_.CS100Link) {
    case 0:
      if (board_.OpenBoard()) ShowError("Error initializing the AXIOM input/output board", board_.lastErrorText(), "");
      break;
    case 1:
      InitialiseSerial();
      break;
    case 2:
      InitialiseTestFile();
      break;
    default:
      break;
  }
  console_.RestoreCountingState();
}

// The position carried by the selected interface; why it did not get through, or empty.
std::string Cs100Link::Deliver(std::int32_t value) {
  switch (p_.CS100Link) {
    case 0:
      if (board_.WriteCs100Lines(static_cast<std::uint16_t>(static_cast<unsigned>(-value) & 0xFFFu))) return {};
      return "parallel lines: " + board_.lastErrorText();
    case 1:
      if (const std::string error = port_.Write(PositionCommand(value) + "\r"); !error.empty())
        return Format("COM%d: %s", p_.ComPort, error.c_str());
      return {};
    case 2:
      if (AppendTestLine(PositionCommand(value), false)) return {};
      return "test file " + std::string(TextOf(p_.TestFileName)) + " cannot be written";
    default:
      return {};
  }
}

// A controller that no longer takes its positions leaves the etalon where it is while
// the channels go on: said once when it starts, since each channel would repeat it.
void Cs100Link::SendPosition(std::int32_t value) {
  console_.ShowLinkState(CountingState::DrivingPF);
  const std::string fault = Deliver(value);
  console_.RestoreCountingState();
  // The etalon moves only when the controller took the position; the scan lays its
  // channels over one free spectral range of LAMBDA / QGCONST controller units.
  if (fault.empty()) s_.etalon.Driven(value, p_.Lambda / (p_.Cqg == 0.0f ? 1.0 : static_cast<double>(p_.Cqg)));
  const bool starts = !fault.empty() && driveFault_.empty();
  driveFault_ = fault;
  if (!starts) return;
  constexpr const char* kNotFollowing = "The interferometer does not follow the channels.";
  if (p_.CS100Link == 1) {
    ShowError("Impossible to drive the CS100 on its COM port !", fault, kNotFollowing);
  } else if (p_.CS100Link == 0) {
    ShowError("Impossible to drive the CS100 on its parallel lines !", board_.lastErrorText(), kNotFollowing);
  } else {
    if (!testFileErrorShown_)
      ShowError("Impossible to write the CS100 test file", std::string(TextOf(p_.TestFileName)), "");
    testFileErrorShown_ = true;
  }
}

void Cs100Link::DriveToChannel(std::int32_t channel) {
  if (!Scanning()) return;
  const std::int32_t position = PositionOfChannel(channel, s_.PFstep, s_.PFbase);
  if (!driveFault_.empty()) {
    if (faultQueued_ && s_.logPath != logWhenQueued_) {  // the queued line went into this log
      faultLoggedIn_ = s_.logPath;
      faultQueued_ = false;
    }
    // A fault said in a previous observation's log is said again, window and all.
    if (!faultQueued_ && faultLoggedIn_ != s_.logPath) driveFault_.clear();
  }
  const bool faultBefore = !driveFault_.empty();
  SendPosition(position);
  s_.cs100Position = position;
  s_.interferometerValue = position;
  const std::string now = TimeOfDayText(ProcessClock().Now());
  if (driveFault_.empty()) {
    if (faultBefore)
      LogDriveFault(Format("!!! CS100 driven again at %s : channel %d at position %d", now.c_str(), channel, position));
    lastDelivered_ = position;
    delivered_ = true;
  } else if (!faultBefore) {
    const std::string where = delivered_ ? Format("stays at position %d", lastDelivered_) : "was never positioned";
    LogDriveFault(Format("!!! CS100 not driven at %s : %s; from channel %d on, the interferometer %s while the "
                         "records give the positions asked",
                         now.c_str(), driveFault_.c_str(), channel, where.c_str()));
  }
}

// The observation log says when the etalon stopped following the channels, and when
// it follows them again; before Start the line waits in the queue for the log.
void Cs100Link::LogDriveFault(const std::string& line) {
  faultQueued_ = !AppendLogLine(s_, line);
  if (faultQueued_) {
    QueueLogLine(s_, line);
    logWhenQueued_ = s_.logPath;
  }
  faultLoggedIn_ = s_.logPath;
}

void Cs100Link::InitialiseAndPark() {
  if (!Scanning()) return;
  InitialiseController();
  WaitSeconds(1.0);
  DriveToChannel(s_.currentChannel);
}

void Cs100Link::InitialiseIfScanning() {
  if (Scanning()) InitialiseController();
}

bool Cs100Link::InitialiseIfNotYet() {
  if (!Scanning() || initialisedLink_ == LinkKey()) return false;
  InitialiseController();
  return true;
}

}  // namespace velmar
