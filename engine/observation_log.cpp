#include "engine/observation_log.h"

#include <cstdio>
#include <filesystem>

#include "engine/shared_state.h"
#include "params/fixed_text.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

namespace {

constexpr const char* kFullOrLocked = "Is the disk full or the file locked by another application ?";

// Closes the file when it goes out of scope.
struct LogFile {
  explicit LogFile(const std::string& path, const char* mode) : file(std::fopen(path.c_str(), mode)) {}
  ~LogFile() {
    if (file) std::fclose(file);
  }
  bool Close() {
    const bool ok = file && std::fclose(file) == 0;
    file = nullptr;
    return ok;
  }
  std::FILE* file;
};

std::string Shortened(const std::string& path) { return ShortenLeft(path, 50); }

const char* TypeLine(std::int32_t acqType) {
  switch (acqType) {
    case 0: return "\n2D image";
    case 1: return "\n3D calibration";
    case 3: return "\n3D analogic calibration";
    default: return "\n3D object";
  }
}

std::string CameraType(const AcquisitionParameters& p) {
  return p.ThomsonCamera ? "Thomson" : Format("AsGa %dx%d", p.CCDXSize, p.CCDYSize);
}

std::string HeaderText(const AcquisitionState& s, const AcquisitionParameters& p, const LocalTime& now,
                       const std::string& typeLines) {
  const char* prefix = p.Prefix;
  std::string t = Format("Velmar Photon Counting     %s", kVersionText);
  t += p.FileType == 1 ? Format("\nObservation %s%7.7d", prefix, p.Numobs) : Format("\nObservation %s%3.3d", prefix, p.Numobs);
  t += "\n";
  t += TimeText(now);
  t += Format("\nIdentification = %s", p.Comment);
  t += Format("\nInterferometer = %s", p.PFIdent);
  t += Format("\nFilter         = %s", p.FilterIdent);
  t += TypeLine(p.AcqType);
  t += typeLines;
  t += Format("\nX and Y dimensions : %5.5d %5.5d", s.frameSizeX, s.frameSizeY);
  t += Format("\nNumber of channels = %4.4d", p.Lz);
  t += p.Source == 1 ? Format("\nTV source= simulation %d ph/fr", p.RandomPoints) : std::string("\nTV source = IPCS");
  t += Format("\nExposure time per channel = %5.5d seconds", p.Tcan);
  t += Format("\nScanning wavelength= %10.3f A", p.Lambda);
  t += Format("\nQueensgate constant= %10.5f", p.Cqg);
  static const char* const kScanning[3] = {"\nPerot-Fabry scanning", "\nNO Perot-Fabry scanning",
                                           "\nPerot-Fabry scanning with PAUSE"};
  t += kScanning[(p.ScanningMode >= 0 && p.ScanningMode <= 2) ? p.ScanningMode : 0];
  if (p.CS100Link == 1) t += Format("\nCS100 interface = serial : COM%d:", p.ComPort);
  else if (p.CS100Link == 2) t += Format("\nCS100 interface = test file : %s", ShortenLeft(std::string(TextOf(p.TestFileName)), 40).c_str());
  else t += "\nCS100 interface = parallel";
  t += p.SeeSaw ? "\nScanning mode = see-saw (increasing chnls for odd cycles, decreas. for even)"
                : "\nScanning mode = always increasing channels";
  t += "\nIPCS type = ";
  t += CameraType(p);
  t += Format("\nIPCS frames per second = %d", p.FramesPerSecond);
  t += Format("\nMATROX driver = %s", p.DcfFile);
  static const char* const kFormats[3] = {"\nData format = 4 bytes (X and Y coordinates)",
                                          "\nData format = 8 bytes (XY coordinates + frame number)",
                                          "\nData format = 2 bytes (X and Y 256x256 coordinates)"};
  t += kFormats[(p.DataFormat >= 0 && p.DataFormat <= 2) ? p.DataFormat : 0];
  t += p.FileType == 1 ? Format("\nFile names = %s%3.3dcccckkkk.VLA", prefix, p.Numobs)
                       : Format("\nFile names = %s%3.3dcckk.VLA", prefix, p.Numobs);
  t += p.MILErrors == 1 ? "\nMIL errors = EXTENDED windows" : "\nMIL errors = normal (no extended windows)";
  t += Format("\nData files path = %s", p.Path);
  t += "\n";
  t.append(77, '-');
  t += "\nNotes :";
  t += "\n- flux must be corrected from the nb of frames in each channel";
  t += "\n- user comment lines below begin with ###";
  t += "\n- alarm lines below begin with !!!";
  t += "\n";
  t.append(77, '=');
  return t;
}

bool HasLogPath(const std::string& path) {
  if (path.empty()) return false;
  std::string lower;
  for (char c : path) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower != "(null)";
}

}  // namespace

std::string LogFilePath(const AcquisitionParameters& p) {
  return JoinPath(std::string(TextOf(p.Path)), Format("%s%3.3d.VLT", p.Prefix, p.Numobs));
}

bool WriteLogHeader(const AcquisitionState& s, const AcquisitionParameters& p, const LocalTime& now,
                    const std::string& typeLines) {
  LogFile log(s.logPath, "w+");
  const bool written = log.file && std::fputs(HeaderText(s, p, now, typeLines).c_str(), log.file) >= 0;
  if (!log.Close() || !written) {
    ShowError("Impossible to create the log file", Shortened(s.logPath),
              "The output directory could be altered or deleted");
    return false;
  }
  return true;
}

void WriteChannelBegin(AcquisitionState& s, const LocalTime& now) {
  bool written = false;
  for (int attempt = 0; attempt < 20 && !written; ++attempt) {
    if (attempt > 0) ProcessClock().SleepMs(100);
    LogFile log(s.logPath, "a+");
    if (!log.file) continue;
    written = std::fprintf(log.file, "\n\n==> Beginning channel=%4.4d at %s", s.currentChannel,
                           TimeOfDayText(now).c_str()) >= 0;
    written = log.Close() && written;
  }
  if (!written)
    ShowError("Impossible to write onto the log file (case B)", Shortened(s.logPath),
              "Is the disk full or the file locked by another application ?");
  std::error_code ec;
  const auto size = std::filesystem::file_size(s.logPath, ec);
  const std::int64_t length = ec ? -1 : static_cast<std::int64_t>(size);
  if (s.lastLogLength == kUnknownLength || s.lastLogLength < length) {
    s.lastLogLength = length;
    return;
  }
  const std::int32_t previousAlarm = s.alarmCode;
  s.alarmCode = 7;
  ShowError("Impossible to write data onto disk", "The last channel was not complete...", "Is the disk full ???");
  s.alarmCode = previousAlarm;
}

std::string HighVoltageText(std::int32_t volts) {
  if (volts == 0) return "?????";
  return volts < 0 ? Format("%-4.4d", volts) : Format("%5.5d", volts);
}

void WriteChannelRecord(AcquisitionState& s, std::int32_t channel,
                        std::int32_t cycle, std::int32_t interferometerValue, const LocalTime& now) {
  LogFile log(s.logPath, "a+");
  bool written = log.file != nullptr;
  if (written) {
    written = std::fprintf(log.file, "\nWas acquired at %s: ch=%4.4d  cy=%4.4d  QGval=%+4.4d  ph=%8.8d  fr=%5.5d",
                           TimeOfDayText(now).c_str(), channel, cycle, interferometerValue, s.channelPhotons,
                           s.channelFrames) >= 0 &&
              std::fprintf(log.file, "\nCumulated exp=%s  phot=%6.6ld%6.6ld  efficiency=%s  disk=%s",
                           s.cumulatedExposureText.c_str(), static_cast<long>(s.photonsMillions),
                           static_cast<long>(s.photonsUnits), s.cumulatedEfficiencyText.c_str(),
                           s.megabytesText.c_str()) >= 0 &&
              std::fprintf(log.file, "\nTHT=%sv  shutter=%s  discri=%3.3d  BlackLevel=%3.3d WhiteLevel=%3.3d",
                           HighVoltageText(s.thtRead).c_str(), s.shutterStateText.c_str(),
                           s.levels.appliedDiscriminator, s.levels.appliedBlack, s.levels.appliedWhite) >= 0;
    written = log.Close() && written;
  }
  if (!written) ShowError("Impossible to write onto the log file (case C)", Shortened(s.logPath), kFullOrLocked);
}

bool AppendLogLine(const AcquisitionState& s, const std::string& line) {
  if (!HasLogPath(s.logPath)) return false;
  LogFile log(s.logPath, "a+");
  const bool written = log.file && std::fprintf(log.file, "\n%s", line.c_str()) >= 0;
  return log.Close() && written;
}

void FlushLogMessage(AcquisitionState& s) {
  if (!s.pendingLogLineReady || !HasLogPath(s.logPath)) return;
  LogFile log(s.logPath, "a+");
  bool written = log.file != nullptr;
  for (const std::string& line : s.earlierLogLines)
    written = written && std::fprintf(log.file, "\n%s", line.c_str()) >= 0;
  written = written && std::fprintf(log.file, "\n%s", s.pendingLogLine.c_str()) >= 0;
  if (!log.Close() || !written)
    ShowError("Impossible to write onto the log file (case A)", Shortened(s.logPath), kFullOrLocked);
  ClearQueuedLogLines(s);
}

}  // namespace velmar
