#include "app/observe_runner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/acquisition_program.h"
#include "app/check_other_instances.h"
#include "app/instrument_readings.h"
#include "app/interrupted_observation.h"
#include "params/observation_files.h"
#include "app/observe_analogic.h"
#include "app/observe_interventions.h"
#include "console/prepare_parameters.h"
#include "console/safe_stop.h"
#include "app/terminate.h"
#include "platform/witness_file.h"
#include "console/alarm_supervisor.h"
#include "console/alarm_thread.h"
#include "console/data_directory.h"
#include "engine/observation_log.h"
#include "export/fits_export.h"
#include "engine/genicam_camera.h"
#include "engine/start_acquisition.h"
#include "engine/store_frames_thread.h"
#include "engine/virtual_time_scheduler.h"
#include "instruments/cs100_link.h"
#include "console/instrument_safe_stop.h"
#include "params/collect_parameters.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "params/parameters_ok.h"
#include "platform/directory_lock.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"
#include "platform/processes.h"
#include "platform/program_dir.h"
#include "platform/quit_signals.h"
#include "platform/single_instance.h"
#include "platform/system_dir.h"
#include "platform/tone.h"
#include "platform/window_thread.h"

namespace velmar {

namespace {

constexpr int kBadInput = 2;
constexpr int kFailed = 1;
constexpr std::int64_t kHoldReminderMs = 60000;

class SilentTone final : public ToneSink {
 public:
  void Tone(int, int) override {}
};

// What the windows would show, as lines of text.
class ConsoleHost : public StoreStepHost,
                    public FrameGrabberConsole,
                    public Cs100Console,
                    public InstanceWarnings,
                    public DriverFileConsole,
                    public BoardDisplay,
                    public TemperatureDisplay,
                    public AlarmConsole {
 public:
  ConsoleHost(std::FILE* out, AcquisitionProgram& program, Cs100Link*& link)
      : out_(out), program_(program), shared_(program.shared), link_(link), board_(program.board) {}

  void RefreshStatusLabels() override {
    RefreshInstrumentReadings(program_, *this, *this, this);
    SayCloseLoopReading();
  }
  // A close loop that cannot be read is not watched: storing goes on, and the
  // output and the log say so when it starts and when it ends.
  void SayCloseLoopReading();
  // The shutter's status is said when it changes: a shutter that stays closed shows here.
  void ShowShutterStatus(const std::string& text, std::int32_t, std::int32_t) override {
    if (text == shutterText_) return;
    shutterText_ = text;
    Print("shutter %s", text.c_str());
  }
  // The temperature goes into the progress lines, as the window's labels show it.
  void ShowTemperatureLabels(const std::string& temperature, const std::string& command) override {
    temperatureText_ = temperature + "  " + command;
  }

  // Store step.
  void ShowCountingStateView(const CountingStateView&) override {}
  void ShowPanel(const PanelView& view) override {
    if (!view.line1.empty()) Print("panel: %s %s", view.line1.c_str(), view.line2.c_str());
  }
  void SetWindowHeight(int) override {}
  // Alarm panel and supervisor messages: said when they change.
  void ShowAlarmTexts(const std::string&, const std::string&) override {}
  void ColourAlarmPanel(bool) override {}
  void ShowSupervisorMessage(const std::string& line1, const std::string& line2) override {
    Print("supervisor message: %s / %s", line1.c_str(), line2.c_str());
  }
  void HideSupervisorMessage() override { Print("supervisor message closed"); }
  void SayAlarmChange(std::int32_t before) {
    const AcquisitionState& s = shared_.acquisition;
    if (s.lastLoggedAlarm == before) return;
    if (s.lastLoggedAlarm == kAlarmNone) Print("alarm cleared");
    else Print("ALARM: %s", AlarmTexts(s, shared_.parameters).first.c_str());
  }
  void CheckBeepBox() override {}
  DiskErrorChoice ShowDiskError(const DiskErrorReport& r) override {
    Print("DISK ERROR: %s %s %s | %s | errno %d %s", r.kind.c_str(), r.code.c_str(), r.handle.c_str(),
          r.path.c_str(), r.errnoValue, r.errnoText.c_str());
    // A file that will not take its final name keeps the channel going while its
    // seconds are written: the grace runs until the channel is closed.
    if (r.kind == kRenameFailure) renameFailing = true;
    return DiskErrorAnswer(r.errnoText);
  }
  DiskErrorChoice SecondStored(const StoredSecond& second) override;
  // "&Ignore" while the disk has been failing for less than the grace period, then
  // "&Quit integration": the observer is not there to free the disk.
  DiskErrorChoice DiskErrorAnswer(const std::string& reason);
  void DriveToChannel(std::int32_t channel) override {
    if (link_) link_->DriveToChannel(channel);
  }
  void CloseShutter() override { board_.CommandShutter(1); }
  void LevelsStored() override { SaveParametersFile(shared_.parameters); }
  void QuitAfterAbortYes() override { quit = true; }
  void QuitIntegration() override {
    quit = true;
    failed = true;
  }
  void QuitAfterLogFailure() override {
    quit = true;
    failed = true;
  }
  void ChannelFinished(std::int32_t channel, std::int32_t cycle) override;
  void ShowHold(const std::string& line1, const std::string& line2) override;
  // Reminds of a hold once a minute; true when it has lasted longer than the limit.
  bool HoldOverLimit(std::int64_t limitMs);

  // Frame-grabber set-up.
  void ShowInitMatroxNotes() override {}
  void HideInitMatroxNotes() override {}
  bool AskBypassAfterGrabberError(const std::string& message) override {
    Print("frame grabber error: %s", message.c_str());
    grabberFailed = true;
    return false;
  }
  void ShowCountingState(CountingState) override {}

  // CS100 link.
  void ShowLinkState(CountingState) override {}
  void RestoreCountingState() override {}

  // Instance check.
  void ShowTwoPrograms() override {
    Print("The VlmIPCS program is already running ! Only one program can run at the same time ...");
  }
  void ShowTwoVlm3D() override { Print("Warning ! An Vlm3D program is already presently running"); }

  // Driver files.
  int AskConfigurationError(const std::string& l1, const std::string& l2, const std::string& l3) override {
    Print("%s: %s (%s)", l1.c_str(), l2.c_str(), l3.c_str());
    return 2;
  }
  void ShowCameraDriver(const std::string&) override {}
  void QuitProgram() override {
    quit = true;
    failed = true;
  }

  template <class... A>
  void Print(const char* format, A... args) {
    std::fprintf(out_, format, args...);
    std::fputc('\n', out_);
    std::fflush(out_);
  }

  bool quit = false, failed = false, grabberFailed = false;
  std::int64_t startMs = 0;
  std::int64_t holdSinceMs = -1, nextReminderMs = 0;
  std::string holdReason;
  bool nextChannelDropped = false;  // the channel the hold spoilt ends next, without a file
  std::int32_t heldChannel = 0, heldCycle = 0;
  std::int64_t channelsDone = 0, channelsPlanned = 0;  // Lz * Maxcycles may pass 2^31
  std::int64_t diskGraceMs = 60000, diskErrorSinceMs = -1;
  bool diskGaveUp = false, renameFailing = false;
  std::string diskReason;

 private:
  std::FILE* out_;
  AcquisitionProgram& program_;
  SharedState& shared_;
  Cs100Link*& link_;
  InstrumentBoard& board_;
  std::string temperatureText_;
  std::string closeLoopUnread_;
  std::string shutterText_;
};

void ConsoleHost::SayCloseLoopReading() {
  const std::string& unread = board_.closeLoopUnread();
  if (unread == closeLoopUnread_) return;
  const bool wasUnread = !closeLoopUnread_.empty();
  closeLoopUnread_ = unread;
  const std::string now = TimeOfDayText(ProcessClock().Now());
  const std::string line =
      unread.empty() ? (wasUnread ? Format("!!! Close loop read again at %s : it is watched again", now.c_str()) : "")
                     : Format("!!! Close loop cannot be read at %s : %s; it is not watched, storing goes on",
                              now.c_str(), unread.c_str());
  if (line.empty()) return;
  Print("%s", line.substr(4).c_str());
  AppendLogLine(shared_.acquisition, line);
}

void ConsoleHost::ChannelFinished(std::int32_t channel, std::int32_t cycle) {
  const AcquisitionState& s = shared_.acquisition;
  renameFailing = false;
  const AcquisitionParameters& p = shared_.parameters;
  if (nextChannelDropped) {
    nextChannelDropped = false;
    Print("channel %4.4d cycle %4.4d  not kept: spoilt by the close loop, exposed again", heldChannel, heldCycle);
    return;
  }
  if (s.finishedInterrupted) {
    Print("channel %4.4d cycle %4.4d  photons %8d  frames %5d  cut short by the redo: exposed again", channel, cycle,
          s.channelPhotons, s.channelFrames);
    return;
  }
  ++channelsDone;
  const double elapsed = static_cast<double>(ProcessClock().MonotonicMs() - startMs) / 1000.0;
  const std::int64_t left = std::max<std::int64_t>(0, channelsPlanned - channelsDone);
  std::string temperature;
  if (p.TemperatureInterface == 1) {
    const std::string& problem = program_.temperature.replyProblem();
    temperature = "  temperature " + temperatureText_ + (problem.empty() ? "" : " (" + problem + ")");
  }
  // THT systems 2 and 3 read their voltage back: a supply that does not follow shows here.
  const std::string tht = p.THTSystem == 2 || p.THTSystem == 3 ? Format("  THT read %d V", s.thtRead) : "";
  Print("channel %4.4d cycle %4.4d  photons %8d  frames %5d  efficiency %s  elapsed %s  remaining %s%s%s", channel,
        cycle, s.channelPhotons, s.channelFrames, s.cumulatedEfficiencyText.c_str(), ExposureText(elapsed).c_str(),
        ExposureText(static_cast<double>(left) * p.Tcan).c_str(), tht.c_str(), temperature.c_str());
}

void ConsoleHost::ShowHold(const std::string& line1, const std::string& line2) {
  const AcquisitionState& s = shared_.acquisition;
  const std::int64_t now = ProcessClock().MonotonicMs();
  if (!line1.empty()) {
    holdSinceMs = now;
    nextReminderMs = now + kHoldReminderMs;
    holdReason = line1 + " " + line2;
    heldChannel = s.currentChannel;
    heldCycle = s.currentCycle;
    Print("HOLD at channel %d cycle %d: %s; storing is held, the channel will be exposed again when it ends",
          s.currentChannel, s.currentCycle, holdReason.c_str());
  } else if (holdSinceMs >= 0) {
    Print("hold ended after %s: counting again", ExposureText(static_cast<double>(now - holdSinceMs) / 1000.0).c_str());
    holdSinceMs = -1;
    nextChannelDropped = s.closeLoopRedoPending != 0;
  }
}

DiskErrorChoice ConsoleHost::SecondStored(const StoredSecond& second) {
  const AcquisitionState& s = shared_.acquisition;
  if (second.error == 0) {
    if (renameFailing) return DiskErrorChoice::Ignore;
    if (diskErrorSinceMs >= 0)
      Print("disk writable again after %s: writing goes on",
            ExposureText(static_cast<double>(ProcessClock().MonotonicMs() - diskErrorSinceMs) / 1000.0).c_str());
    diskErrorSinceMs = -1;
    return DiskErrorChoice::Ignore;
  }
  const std::string reason = std::strerror(second.error);
  Print("DISK ERROR at channel %d cycle %d: %d photons of this second not written (%s)%s", s.currentChannel,
        s.currentCycle, second.photonsLost, reason.c_str(),
        second.logged ? "" : "; the observation log cannot be written either");
  return DiskErrorAnswer(reason);
}

DiskErrorChoice ConsoleHost::DiskErrorAnswer(const std::string& reason) {
  const std::int64_t now = ProcessClock().MonotonicMs();
  if (diskErrorSinceMs < 0) diskErrorSinceMs = now;
  diskReason = reason;
  if (now - diskErrorSinceMs < diskGraceMs) return DiskErrorChoice::Ignore;
  diskGaveUp = true;
  return DiskErrorChoice::QuitIntegration;
}

bool ConsoleHost::HoldOverLimit(std::int64_t limitMs) {
  if (holdSinceMs < 0) return false;
  const std::int64_t now = ProcessClock().MonotonicMs();
  if (now - holdSinceMs > limitMs) return true;
  if (now >= nextReminderMs) {
    Print("still held for %s: %s", ExposureText(static_cast<double>(now - holdSinceMs) / 1000.0).c_str(),
          holdReason.c_str());
    nextReminderMs += kHoldReminderMs;
  }
  return false;
}

// A flag's value is taken whole: "3abc" is not 3, "AB" is not A.
std::string NotOneValue(const ObserveOptions& o) {
  const std::pair<const char*, const std::string*> whole[] = {{"--number", &o.number},
                                                              {"--random-points", &o.randomPoints},
                                                              {"--channels", &o.channels},
                                                              {"--exposure", &o.exposure},
                                                              {"--cycles", &o.cycles}};
  for (const auto& [flag, value] : whole)
    if (!value->empty() && !WholeInt(*value))
      return std::string(flag) + " must be one whole number, not \"" + *value + "\"";
  const std::pair<const char*, const std::string*> reals[] = {{"--lambda", &o.lambda}, {"--cqg", &o.cqg}};
  for (const auto& [flag, value] : reals)
    if (!value->empty() && !WholeReal(*value)) return std::string(flag) + " must be one number, not \"" + *value + "\"";
  if (!o.prefix.empty() && o.prefix.size() != 1) return "--prefix must be one letter, not \"" + o.prefix + "\"";
  return {};
}

std::optional<int> TypeOf(const std::string& text) {
  if (text == "2d") return kAcq2DImage;
  if (text == "calibration") return kAcq3DCalibration;
  if (text == "object") return kAcq3DObject;
  if (text == "analogic") return kAcqAnalogicCalibration;
  return std::nullopt;
}

// The flags onto the parameters window's controls; a flag whose value is not one
// of its choices gives an error text.
std::string ApplyFlags(const ObserveOptions& o, AcquisitionParameters& p, AcquisitionState& s,
                       ParameterControls& c) {
  if (std::string bad = NotOneValue(o); !bad.empty()) return bad;
  if (!o.type.empty()) {
    const auto type = TypeOf(o.type);
    if (!type) return "--type must be 2d, calibration, object or analogic";
    SelectAcquisitionType(p, *type);
    c = ControlsShowing(p);
  }
  if (!o.prefix.empty()) c.prefix = o.prefix;
  if (!o.number.empty()) c.numobs = o.number;
  if (!o.source.empty()) {
    if (o.source != "tv" && o.source != "simulation") return "--source must be tv or simulation";
    c.source = o.source == "simulation" ? kSourceSimulation : kSourceTvIpcs;
  }
  if (!o.randomPoints.empty()) c.randomPoints = o.randomPoints;
  if (!o.channels.empty()) c.lz = o.channels;
  if (!o.exposure.empty()) c.tcan = o.exposure;
  if (!o.cycles.empty()) c.maxcycles = o.cycles;
  if (!o.seeSaw.empty()) {
    if (o.seeSaw != "on" && o.seeSaw != "off") return "--see-saw must be on or off";
    c.seeSaw = o.seeSaw == "on";
  }
  if (!o.format.empty()) {
    const auto f = WholeInt(o.format);
    if (!f || *f < 0 || *f > 2) return "--format must be 0, 1 or 2";
    c.dataFormatEntry = *f;
  }
  if (!o.names.empty()) {
    if (o.names != "short" && o.names != "long") return "--names must be short or long";
    c.fileTypeEntry = o.names == "long" ? 1 : 0;
  }
  if (!o.scanning.empty()) {
    if (o.scanning == "yes") c.scanningMode = kScanningPerformed;
    else if (o.scanning == "no") c.scanningMode = kScanningNotPerformed;
    else if (o.scanning == "pause") c.scanningMode = kScanningWithPause;
    else return "--scanning must be yes, no or pause";
  }
  if (!o.lambda.empty()) c.lambda = o.lambda;
  if (!o.cqg.empty()) c.cqg = o.cqg;
  if (!o.tempMode.empty()) {
    const auto m = WholeInt(o.tempMode);
    if (!m || (*m != 0 && *m != 1)) return "--temp-mode must be 0 or 1";
    s.tempFileMode = *m;
  }
  if (!o.cs100.empty()) {
    if (o.cs100 == "parallel") {
      p.CS100Link = 0;
      p.CS100Interface = 0;
    } else if (o.cs100.rfind("serial:", 0) == 0) {
      const auto port = WholeInt(o.cs100.substr(7));
      if (!port || *port < 1 || *port > 4) return "--cs100 serial:N takes a port 1 to 4";
      p.CS100Link = 1;
      p.CS100Interface = *port;
      c.serialEntry = *port - 1;
    } else if (o.cs100.rfind("file:", 0) == 0 && o.cs100.size() > 5) {
      p.CS100Link = 2;
      SetText(p.TestFileName, o.cs100.substr(5));
    } else {
      return "--cs100 must be parallel, serial:N or file:PATH";
    }
  }
  // Cycle numbers have four digits in the file names: no more cycles than that.
  if (!o.end.empty() && o.end != "stop" && !(o.end.rfind("continue:", 0) == 0 && WholeInt(o.end.substr(9)) &&
                                             *WholeInt(o.end.substr(9)) >= 0 && *WholeInt(o.end.substr(9)) <= 9999))
    return "--end must be stop or continue:N (N from 0 to 9999 more cycles)";
  if (const auto limit = WholeInt(o.holdLimit); !limit || *limit < 1)
    return "--hold-limit must be a whole number of seconds, at least 1";
  if (o.cs100Fault != "stop" && o.cs100Fault != "continue") return "--cs100-fault must be stop or continue";
  if (const auto grace = WholeInt(o.diskErrorGrace); !grace || *grace < 0)
    return "--disk-error-grace must be a whole number of seconds, 0 or more";
  if (!o.tht.empty()) {
    const auto volts = WholeInt(o.tht);
    if (!volts || *volts < 0 || *volts > 20000) return "--tht must be a whole number of volts, 0 to 20000";
    // As the tuning window: never above the tube's maximum, nor what the supply can express.
    if (*volts > p.THTMax) return Format("--tht %d V is above the tube's maximum, %d V", *volts, p.THTMax);
    if (const std::string why = ThtUnreachable(p.THTSystem, *volts); !why.empty())
      return Format("--tht %d V cannot be set: %s", *volts, why.c_str());
  }
  return {};
}

// Without --data, the directory the parameters file gave, named after prefix and
// number; on a first run (no parameters file) under ~/velmar-data.
std::string DataDirectoryOf(const ObserveOptions& o, const AcquisitionParameters& p, const ParameterControls& c) {
  if (!o.data.empty()) return o.data;
  std::string base = std::filesystem::path(std::string(TextOf(p.Path))).parent_path().string();
  if (base.empty() || base == "/") base = DefaultDataRoot();
  const std::string prefix = c.prefix.empty() ? std::string() : std::string(1, static_cast<char>(std::toupper(
                                                                          static_cast<unsigned char>(c.prefix[0]))));
  return RebuildDataPath(base + "/x", prefix, c.numobs).value_or(base);
}

bool LoadPreset(const ObserveOptions& o, AcquisitionParameters& p, ConsoleHost& host) {
  if (o.preset.empty()) {
    if (LoadFirstPresetIfUndefined(p))
      host.Print("The parameters file holds no instrument definition: preset 3 (%s) is loaded.", Presets()[2].listEntry);
    return p.CCDXSize != 0;
  }
  int preset = 9;
  std::string file = o.preset;
  if (const auto k = WholeInt(o.preset); k && *k >= 1 && *k <= 8) {
    preset = *k;
    file.clear();
  }
  // A bare name is looked for in the program directory; a path is used as given.
  const auto lookup = file.find('/') == std::string::npos ? ChosenFileLookup::ProgramDirectory
                                                          : ChosenFileLookup::AsGiven;
  if (LoadInstrumentDefinition(p, preset, file, lookup).result != LoadResult::Applied) return false;
  p.DataFormat = SettleAfterWindowLoad(p);
  return true;
}

// No photon file of the observation is overwritten unasked.
bool ClearForFirstFile(const ObserveOptions& o, const AcquisitionParameters& p, ConsoleHost& host) {
  // Any file of the observation, not only its first: a plan of another shape or
  // with the other name style left files the new log would not describe.
  const std::string existing = ExistingPhotonFilePath(p);
  if (existing.empty()) return true;
  const std::filesystem::path file(existing);
  if (!o.overwrite) {
    host.Print("The file %s.%s already exists. Nothing was overwritten: give --overwrite, or another --number.",
               file.stem().c_str(), file.extension().string().substr(1).c_str());
    return false;
  }
  const int removed = DeleteObservationPhotonFiles(p);
  host.Print("--overwrite: %d photon file(s) of %s%3.3d removed from %s.", removed, p.Prefix, p.Numobs, p.Path);
  return true;
}

void PrintSummary(const AcquisitionParameters& p, ConsoleHost& host) {
  const std::string dir(TextOf(p.Path));
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  // The directory's lock is this copy's own and goes with it: it is not a file of the observation.
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
    if (entry.is_regular_file() && entry.path().filename() != kDataDirectoryLockFile) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  host.Print("Files written in %s:", dir.c_str());
  for (const auto& f : files)
    host.Print("  %-24s %10llu bytes", f.filename().c_str(),
               static_cast<unsigned long long>(std::filesystem::file_size(f, ec)));
}

// The FITS files of what was written, when asked; false when one could not be written.
bool ExportFits(const AcquisitionParameters& p, bool analogic, ConsoleHost& host) {
  std::string written, error;
  if (!analogic) {
    const std::optional<Observation> observation = ReadObservation(LogFilePath(p), error);
    if (observation && ExportObservation(*observation, {}, written, error)) {
      host.Print("FITS file written: %s", written.c_str());
      return true;
    }
    host.Print("The FITS file could not be written: %s. The photon files and the log are kept.", error.c_str());
    return false;
  }
  // The calibration's images: its 3D file, or its slices.
  const std::string stem = Format("%s%3.3d", p.Prefix, p.Numobs);
  std::vector<std::filesystem::path> images;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(TextOf(p.Path)), ec)) {
    const std::string name = entry.path().filename().string(), ext = entry.path().extension().string();
    if (name.rfind(stem, 0) == 0 && (ext == ".vl3" || ext == ".vl2" || ext == ".VL3" || ext == ".VL2"))
      images.push_back(entry.path());
  }
  std::sort(images.begin(), images.end());
  bool ok = true;
  for (const auto& image : images) {
    if (ExportImage(image.string(), {}, written, error)) {
      host.Print("FITS file written: %s", written.c_str());
    } else {
      host.Print("The FITS file of %s could not be written: %s.", image.filename().c_str(), error.c_str());
      ok = false;
    }
  }
  return ok;
}

}  // namespace

namespace {
int ListCameras(std::FILE* out) {
  std::vector<GenicamListing> cameras;
  if (const std::string error = ListGenicamCameras(cameras); !error.empty()) {
    std::fprintf(out, "GenICam cameras cannot be listed: %s\n", error.c_str());
    return kFailed;
  }
  if (cameras.empty()) std::fputs("no camera: Aravis sees no GigE Vision or USB3 Vision camera\n", out);
  for (const GenicamListing& c : cameras)
    std::fprintf(out, "%s  vendor %s  model %s  serial %s  protocol %s\n", c.id.c_str(), c.vendor.c_str(),
                 c.model.c_str(), c.serial.c_str(), c.protocol.c_str());
  return 0;
}
}  // namespace

int RunObservation(const ObserveOptions& given, std::FILE* out) {
  if (given.help) {
    std::fputs(ObserveUsage(), out);
    return 0;
  }
  if (given.listCameras) return ListCameras(out);
  // Paths are the user's, from where the runner was started; it then works in its program directory.
  const ObserveOptions o = AnchoredObserveOptions(given);
  AnchorPathEnvironment();
  if (!o.systemDir.empty()) setenv("VELMAR_SYSTEM_DIR", o.systemDir.c_str(), 1);
  const ProgramDirChoice programDir = EnterProgramDirectory(o.programDir);
  std::fprintf(out, "%s\n", ProgramDirLine(programDir).c_str());
  std::fflush(out);
  if (!programDir.error.empty()) return kBadInput;
  std::unique_ptr<VirtualClock> virtualClock;
  std::unique_ptr<ScopedClock> clockInstalled;
  if (o.fast) {
    virtualClock = std::make_unique<VirtualClock>(SystemClock().Now());
    clockInstalled = std::make_unique<ScopedClock>(*virtualClock);
  }
  HandOverLoop windowThread;
  InstallWindowThread(&windowThread);
  struct Uninstall {
    ~Uninstall() { InstallWindowThread(nullptr); }
  } uninstall;

  SharedState shared;
  AcquisitionParameters& p = shared.parameters;
  AcquisitionState& s = shared.acquisition;
  AcquisitionProgram program(shared);
  Cs100Link* linkPointer = nullptr;
  ConsoleHost host(out, program, linkPointer);

  ProgramInstanceLock instanceLock(SystemDirectory(), kApplicationTitle);
  // A lock that cannot be made is not another copy: said as what it is.
  if (!instanceLock.held() && !instanceLock.busy()) {
    host.Print("The lock that tells a running copy of the program cannot be made (%s): the observation is not "
               "started.",
               instanceLock.error().c_str());
    return kFailed;
  }
  PrepareNewAcquisitionParameters(shared, programDir.directory);
  p.AnotherInstance = instanceLock.held() ? 0 : 1;
  p.DisplayRunning = ProcessRunning("Vlm3D") ? 1 : 0;

  // The parameters, as the window would take them; nothing is written before they pass.
  if (!LoadPreset(o, p, host)) return kBadInput;
  ApplyShownPlan(p);
  p.RefreshMode = 2;
  ParameterControls controls = ControlsShowing(p);
  if (const std::string error = ApplyFlags(o, p, s, controls); !error.empty()) {
    host.Print("%s", error.c_str());
    return kBadInput;
  }
  controls.path = DataDirectoryOf(o, p, controls);
  std::string scriptError;
  const auto script = ParseInterventions(o, scriptError);
  if (!script) {
    host.Print("%s", scriptError.c_str());
    return kBadInput;
  }
  const CollectOutcome collected = CollectParameters(p, controls, false);
  HandOverCollectedPlan(p, collected, s);
  if (collected.result != 0) return kBadInput;
  {
    AcquisitionParameters named = p;  // the names the OK action will choose
    SwitchToLongNamesIfNeeded(named);
    if (const std::string error = DeferredStopOutsidePlan(*script, named); !error.empty()) {
      host.Print("%s", error.c_str());
      return kBadInput;
    }
  }
  std::optional<AnalogicPlan> analogic;
  if (p.AcqType == kAcqAnalogicCalibration) {
    std::string refusal;
    if (!(analogic = AnalogicPlanOf(o, p, refusal))) {
      host.Print("%s", refusal.c_str());
      return kBadInput;
    }
  }
  if (const int signal = QuitSignals::Requested()) {
    host.Print("%s received before the observation began: nothing was written.", QuitSignals::Name(signal));
    return QuitSignals::ExitCode(signal);
  }
  // Until Start, a signal ends every wait at once (a controller that takes nothing
  // would otherwise hold the start-up for seconds), and each step checks for it.
  QuitSignals::SetFirstSignalCutsWaits(true);
  struct WaitsNoLongerCut {
    ~WaitsNoLongerCut() { QuitSignals::SetFirstSignalCutsWaits(false); }
  } waitsNoLongerCut;

  InstrumentSafeStop devices(program.board, s, program.grabber, [&] {
    host.Print("WARNING : the THT high voltage may still be on (last sent %d V)", s.thtSent);
  });
  // Alone, a channel the previous observation left in progress is put aside first.
  if (!p.AnotherInstance)
    if (const auto found = RecoverPreviousObservation(ProcessClock().Now())) {
      const auto lines = InterruptedChannelMessage(*found);
      host.Print("%s: %s. %s.", lines[0].c_str(), lines[1].c_str(), lines[2].c_str());
    }
  // Every return from here on takes the witness file away (when this copy wrote it).
  WitnessFile witness;
  bool secondCopy = false;
  CheckOtherInstances(p, host, witness, [&] { secondCopy = true; });
  if (secondCopy) return kFailed;  // the shutter and the files are the running copy's
  // The parameters window opens the temperature device when it is shown. Nothing
  // has been driven yet, so the runner ends here, and takes its witness file away.
  bool temperatureEnded = false;
  program.temperature.SetEndProgram([&] { temperatureEnded = true; });
  program.temperature.OpenTemperaturePort();
  if (temperatureEnded) {
    host.Print("The temperature device on COM2 cannot be opened (%s): the observation is not started.",
               program.temperature.portError().c_str());
    witness.Remove();
    return kFailed;
  }

  // A signal during the start-up stops it where it is: nothing more is opened or
  // driven, the shutter stays closed, and a data directory this run made and left
  // empty goes again.
  bool madeDataDirectory = false, devicesStarted = false;
  DirectoryLock dataLock;
  // Every refusal before Start ends the same way: the shutter stays closed, and a
  // data directory this run made is not left behind, empty.
  const auto refusedInStartUp = [&](int code) {
    if (s.grabber.setUpDone) TerminateAcquisition(s, program.engine, program.grabber);
    if (devicesStarted) SafeStop(devices, std::string(TextOf(p.Path)));
    dataLock.Release();
    if (madeDataDirectory) ::rmdir(p.Path);  // only when still empty
    witness.Remove();
    return code;
  };
  const auto stoppedInStartUp = [&]() -> std::optional<int> {
    const int signal = QuitSignals::Requested();
    if (!signal) return std::nullopt;
    host.Print("%s received during the start-up: stopped before Start; the shutter was not opened.",
               QuitSignals::Name(signal));
    return refusedInStartUp(QuitSignals::ExitCode(signal));
  };
  if (const auto code = stoppedInStartUp()) return *code;

  // The OK action.
  CreateDefaultDataRootFor(std::string(TextOf(p.Path)));
  madeDataDirectory = ::mkdir(p.Path, 0755) == 0;
  // A data directory another copy writes into is refused before anything is
  // touched in it; a lock or a channel mark left by a copy that died is not.
  if (std::filesystem::is_directory(std::string(TextOf(p.Path)))) {
    dataLock = DirectoryLock(std::string(TextOf(p.Path)));
    if (dataLock.busy()) {
      host.Print("The data directory %s is in use by another copy of the program: the observation is not started.",
                 p.Path);
      return kFailed;
    }
    if (!dataLock.held())
      host.Print("The data directory cannot be locked (%s): another copy could write into it.",
                 dataLock.error().c_str());
    else if (const auto found = RecoverInterruptedChannel(std::string(TextOf(p.Path)), ProcessClock().Now())) {
      const auto lines = InterruptedChannelMessage(*found);
      host.Print("%s: %s. %s.", lines[0].c_str(), lines[1].c_str(), lines[2].c_str());
    }
  }
  if (TestPathAccess(std::string(TextOf(p.Path))) != 0) return refusedInStartUp(kBadInput);
  SwitchToLongNamesIfNeeded(p);
  if (!o.tempMode.empty()) WriteTempFileMode(s.tempFileMode);
  SaveParametersFile(p);
  CheckDriverFiles(p, host);
  if (host.quit) return refusedInStartUp(kBadInput);
  if (const auto code = stoppedInStartUp()) return *code;
  if (analogic) {
    AnalogicRunContext run{program, devices, script->closeLoopFault,
                           [&host](const std::string& line) { host.Print("%s", line.c_str()); }};
    int code = RunAnalogicCalibration(*analogic, run);
    if (o.fits && !ExportFits(p, true, host) && code == 0) code = kFailed;
    PrintSummary(p, host);
    return code;
  }
  if (!ClearForFirstFile(o, p, host)) return refusedInStartUp(kBadInput);
  HandOverToAcquisition(p, s);

  // The start-up.
  devicesStarted = true;
  ShowStartBanner(program.grabber);
  if (program.board.OpenBoard())
    host.Print("Error initializing the AXIOM input/output board: %s", program.board.lastErrorText().c_str());
  s.closeLoopWatch = 1;
  SetUpContext setUp{program.grabber, s.grabber, s.levels, program.engine, program.synthetic, host, [] {}};
  SetUpFrameGrabber(setUp, p);
  if (host.grabberFailed) return refusedInStartUp(kFailed);
  if (const auto code = stoppedInStartUp()) return *code;
  s.storingHeld = 1;
  bool linkEnded = false;
  Cs100Link link(p, s, program.board, host, [&] { linkEnded = true; });
  linkPointer = &link;
  link.ComputeScanGeometry();
  link.InitialiseAndPark();
  if (linkEnded) {
    host.Print("The CS100's COM port cannot be opened: the observation is not started (VELMAR_COM%d names its "
               "device; --cs100 chooses another link).",
               p.ComPort);
    return refusedInStartUp(kFailed);
  }
  if (const auto code = stoppedInStartUp()) return *code;
  WaitSeconds(1.0);
  link.DriveToChannel(1);
  const bool stopWithoutCs100 = o.cs100Fault == "stop";
  if (!link.driveFault().empty()) {
    host.Print("The CS100 cannot be driven (%s)%s", link.driveFault().c_str(),
               stopWithoutCs100 ? ": the observation is not started (--cs100-fault continue observes nevertheless)."
                                : ": the observation goes on with the interferometer where it is.");
    if (stopWithoutCs100) return refusedInStartUp(kFailed);
  }
  if (const auto code = stoppedInStartUp()) return *code;
  program.board.CommandShutter(0);  // the observer opens the shutter before Start
  if (!o.tht.empty()) {
    program.highVoltage.SetTHT(*WholeInt(o.tht));
    host.Print("THT set to %d V: read back %d V", s.thtSent, s.thtRead);
  }
  RefreshInstrumentReadings(program, host, host);
  // From here a signal takes the abort-and-quit path, which closes the shutter.
  QuitSignals::SetFirstSignalCutsWaits(false);

  StoreStepContext context{s, p, program.engine, program.grabber, host};
  AlarmContext alarmContext{s, p, host, SystemFile(kMessageFileName)};
  const auto alarmStep = [&] {
    const std::int32_t before = s.lastLoggedAlarm;
    AlarmCheck(alarmContext);
    host.SayAlarmChange(before);
  };
  // On the virtual clock the seconds pass faster than any sound: no beeps.
  SilentTone silent;
  if (o.fast) InstallToneSink(&silent);
  struct UninstallTone {
    ~UninstallTone() { InstallToneSink(nullptr); }
  } uninstallTone;
  s.fullSilence = o.fullSilence ? 1 : 0;
  std::unique_ptr<VirtualTimeScheduler> scheduler;
  std::unique_ptr<StoreFramesThread> storeFrames;
  std::unique_ptr<AlarmThread> alarm;
  if (o.fast) {
    s.stepEndMs = s.stepStartMs = ProcessClock().MonotonicMs();  // the end stamp of a previous step
    scheduler = std::make_unique<VirtualTimeScheduler>(*virtualClock, program.engine, program.grabber, s.grabber,
                                                       [&] { StoreStep(context); });
    scheduler->SetSecondStep(alarmStep);
  } else {
    program.comptage.Start();
    storeFrames = std::make_unique<StoreFramesThread>([&] { s.stepEndMs = s.stepStartMs = ProcessClock().MonotonicMs(); },
                                                      [&] { StoreStep(context); });
    storeFrames->Start();
    alarm = std::make_unique<AlarmThread>(alarmStep);
    alarm->Start();
  }

  // Start, then every channel and cycle to the planned end.
  host.startMs = ProcessClock().MonotonicMs();
  host.channelsPlanned = 1 + static_cast<std::int64_t>(p.Lz) * p.Maxcycles;
  host.Print("Observation %s%3.3d: %d channels of %d s, %d cycles, into %s", p.Prefix, p.Numobs, p.Lz, p.Tcan,
             p.Maxcycles, p.Path);
  if (!QuitSignals::Requested() && !StartAcquisition(context, Format("%d", p.Discri)))
    return host.quit ? kFailed : kBadInput;
  InterventionPlayer interventions(*script, s, p, host, [&](const std::string& line) { host.Print("%s", line.c_str()); });
  if (script->closeLoopFault)
    program.bench.ScheduleCloseLoopLoss(static_cast<double>(host.startMs) / 1000.0 + script->closeLoopFault->from,
                                        script->closeLoopFault->lasting);
  bool abortedByOperator = false;
  int continueCycles = o.end.rfind("continue:", 0) == 0 ? *WholeInt(o.end.substr(9)) : -1;
  const std::int64_t holdLimitMs = static_cast<std::int64_t>(*WholeInt(o.holdLimit)) * 1000;
  bool heldTooLong = false;
  bool cs100Lost = false;
  std::string cameraGone;
  std::string cs100Fault = link.driveFault();  // said on the output as it starts and ends
  host.diskGraceMs = static_cast<std::int64_t>(*WholeInt(o.diskErrorGrace)) * 1000;
  const auto answered = [&] {
    if (QuitSignals::Requested()) return true;
    if (interventions.Play(static_cast<double>(ProcessClock().MonotonicMs() - host.startMs) / 1000.0)) {
      abortedByOperator = true;
      return true;
    }
    if (host.HoldOverLimit(holdLimitMs)) {
      heldTooLong = true;
      return true;
    }
    if (cameraGone = program.engine.cameraGone(); !cameraGone.empty()) return true;
    if (link.driveFault() != cs100Fault) {
      cs100Fault = link.driveFault();
      if (!cs100Fault.empty() && stopWithoutCs100) {
        cs100Lost = true;
        return true;
      }
      if (cs100Fault.empty())
        host.Print("CS100 driven again at channel %d cycle %d", s.currentChannel, s.currentCycle);
      else
        host.Print("CS100 not driven from channel %d cycle %d (%s): the observation goes on with the interferometer "
                   "where it is",
                   s.currentChannel, s.currentCycle, cs100Fault.c_str());
    }
    if (s.pauseDialogState == 1) {
      host.Print("Pause after channel %d cycle %d: continue scanning.", s.finishedChannel, s.finishedCycle);
      ButtonDialogPFContinueClick(s, p, host);
    }
    if (s.endDialogState == 1) {
      if (continueCycles > 0) {
        host.Print("Planned end reached: %d more cycle(s).", continueCycles);
        ButtonDialogAcqContinueClick(s, p, host);
        // No cycle past what the photon file names can hold.
        const std::int64_t wanted = static_cast<std::int64_t>(s.lastScannedCycle) + continueCycles;
        s.stopCycle = static_cast<std::int32_t>(std::min<std::int64_t>(LastNamedCycle(p), wanted));
        if (s.stopCycle < wanted)
          host.Print("The file names hold cycles up to %d: the observation stops after cycle %d.", LastNamedCycle(p),
                     s.stopCycle);
        s.stopChannel = StopChannel(p.Lz, s.stopCycle, p.SeeSaw);
        host.channelsPlanned += static_cast<std::int64_t>(p.Lz) * std::max(0, s.stopCycle - s.lastScannedCycle);
        continueCycles = 0;
      } else {
        host.Print("Planned end reached: stop.");
        ButtonDialogAcqStopClick(s, p, host);
      }
    }
    if (s.abortDialogState == 1) ButtonDialogAbortYesClick(s, p, host);
    return host.quit;
  };
  if (!answered()) {
    if (scheduler) scheduler->RunUntil(answered, 1 << 30);
    else windowThread.ServeUntil(answered);
  }

  // The shutdown path of "Yes", and of "Abort and Quit" for a signal or a hold
  // that never ended: the channel in progress is not kept.
  const int signal = QuitSignals::Requested();
  const bool channelInProgress =
      (signal || heldTooLong || host.diskGaveUp || cs100Lost || !cameraGone.empty() || abortedByOperator) && s.fileOpen;
  const std::string fileInProgress = s.fileName;
  const int cycleInProgress = s.currentCycle, channelNumberInProgress = s.currentChannel;
  FlushLogMessage(s);  // a line still waiting is not overwritten by the lines below
  if (signal) {
    host.Print("%s received: abort and quit; the shutter is closed and the complete channels are kept.",
               QuitSignals::Name(signal));
    LogQuitSignal(s, signal);
  } else if (heldTooLong) {
    host.Print("Storing held for more than %s s (%s): the observation is stopped; the complete channels are kept.",
               o.holdLimit.c_str(), host.holdReason.c_str());
    QueueLogLine(s, Format("!!! Automatic system decision at %s : ABORT AND QUIT, storing held for more than %s s (%s)",
                           TimeOfDayText(ProcessClock().Now()).c_str(), o.holdLimit.c_str(), host.holdReason.c_str()));
    FlushLogMessage(s);
  } else if (cs100Lost) {
    host.Print("The CS100 cannot be driven from channel %d cycle %d (%s): the observation is stopped; the complete "
               "channels are kept.",
               s.currentChannel, s.currentCycle, cs100Fault.c_str());
    QueueLogLine(s, Format("!!! Automatic system decision at %s : ABORT AND QUIT, CS100 not driven (%s)",
                           TimeOfDayText(ProcessClock().Now()).c_str(), cs100Fault.c_str()));
    FlushLogMessage(s);
  } else if (!cameraGone.empty()) {
    // The grabber's error, then the safe stop: with no frame to come, nothing is left to count.
    host.Print("frame grabber error: %s", cameraGone.c_str());
    host.Print("The camera is gone at channel %d cycle %d: the observation is stopped; the complete channels are "
               "kept.",
               s.currentChannel, s.currentCycle);
    QueueLogLine(s, Format("!!! Automatic system decision at %s : ABORT AND QUIT, camera gone (%s)",
                           TimeOfDayText(ProcessClock().Now()).c_str(), cameraGone.c_str()));
    FlushLogMessage(s);
  } else if (host.diskGaveUp) {
    host.Print("The photon file could not be written for %s s (%s): quit integration; the complete channels are kept.",
               o.diskErrorGrace.c_str(), host.diskReason.c_str());
    QueueLogLine(s, Format("!!! Automatic system decision at %s : QUIT INTEGRATION, disk error for %s s (%s)",
                           TimeOfDayText(ProcessClock().Now()).c_str(), o.diskErrorGrace.c_str(),
                           host.diskReason.c_str()));
    FlushLogMessage(s);
  }
  if (storeFrames) storeFrames->Stop();
  if (alarm) alarm->Stop();
  program.comptage.Stop();
  TerminateAcquisition(s, program.engine, program.grabber);
  FlushLogMessage(s);
  SafeStop(devices, std::string(TextOf(p.Path)));
  std::error_code ec;
  std::filesystem::remove(s.tempPath, ec);
  witness.Remove();
  dataLock.Release();
  if (channelInProgress) {
    if (s.tempFileMode == 1)
      host.Print("Channel %d of cycle %d was in progress: its photons were not kept.", channelNumberInProgress,
                 cycleInProgress);
    else
      host.Print("Channel %d of cycle %d was in progress: %s holds only part of its exposure.", channelNumberInProgress,
                 cycleInProgress, fileInProgress.c_str());
  }
  // The complete channels of a stopped observation are exported too: they are kept.
  const bool fitsFailed = o.fits && !ExportFits(p, false, host);
  PrintSummary(p, host);
  if (signal) return QuitSignals::ExitCode(signal);
  return host.failed || heldTooLong || cs100Lost || !cameraGone.empty() || fitsFailed ? kFailed : 0;
}

}  // namespace velmar
