#include "instruments/cs100_link.h"

#include <cstdio>

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

void Cs100Link::AppendTestLine(const std::string& line, bool create) {
  const std::string path(TextOf(p_.TestFileName));
  std::FILE* file = std::fopen(path.c_str(), create ? "w" : "a");
  if (!file) {
    // Shown once: a controller that is only a file must not stop the scan.
    if (!testFileErrorShown_) ShowError("Impossible to write the CS100 test file", path, "");
    testFileErrorShown_ = true;
    return;
  }
  if (!line.empty()) std::fprintf(file, "%s\n", line.c_str());
  std::fclose(file);
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

// A controller that no longer takes its positions leaves the etalon where it is while
// the channels go on: said once when it starts, since each channel would repeat it.
void Cs100Link::SayUnsent(const std::string& error) {
  if (!error.empty() && !serialErrorShown_)
    ShowError("Impossible to drive the CS100 on its COM port !", Format("COM%d: %s", p_.ComPort, error.c_str()),
              "The interferometer does not follow the channels.");
  serialErrorShown_ = !error.empty();
}

void Cs100Link::SendPosition(std::int32_t value) {
  console_.ShowLinkState(CountingState::DrivingPF);
  switch (p_.CS100Link) {
    case 0:
      board_.WriteCs100Lines(static_cast<std::uint16_t>(static_cast<unsigned>(-value) & 0xFFFu));
      break;
    case 1:
      SayUnsent(port_.Write(PositionCommand(value) + "\r"));
      break;
    case 2:
      AppendTestLine(PositionCommand(value), false);
      break;
    default:
      break;
  }
  console_.RestoreCountingState();
}

void Cs100Link::DriveToChannel(std::int32_t channel) {
  if (!Scanning()) return;
  const std::int32_t position = PositionOfChannel(channel, s_.PFstep, s_.PFbase);
  SendPosition(position);
  s_.cs100Position = position;
  s_.interferometerValue = position;
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
