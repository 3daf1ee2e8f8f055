#include "analogic/analogic_calibration.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <new>
#include <vector>

#include "analogic/image_files.h"
#include "engine/frame_grabber_setup.h"
#include "engine/observation_log.h"
#include "params/fixed_text.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"
#include "platform/system_dir.h"

namespace velmar {

namespace {

// A camera that loses this many frames one after another is taken for a camera that fails.
constexpr std::int32_t kLostFramesInRowAllowed = 200;

constexpr const char* kFullOrLocked = "Is the disk full or the file locked by another application ?";

// A field read with "%d": its leading integer, when there is one and it is not negative.
std::optional<std::int32_t> NonNegative(const std::string& text) {
  const auto value = LeadingInt(text);
  if (!value || *value < 0) return std::nullopt;
  return value;
}

}  // namespace

AnalogicInputCheck CheckAnalogicInputs(const AnalogicInputTexts& texts, AnalogicPlan plan) {
  AnalogicInputCheck check;
  if (const auto lz = NonNegative(texts.channels)) {
    plan.channels = *lz;
  } else {
    ShowError("Bad input fro NB OF CHANNELS field", texts.channels, "set to 24 channels...");
    plan.channels = 24;
    check.channelsCorrected = true;
  }
  if (const auto tht = NonNegative(texts.tht)) {
    plan.tht = *tht;
  } else {
    ShowError("Bad input nb for THT value", texts.tht, "set to 0 volts...");
    plan.tht = 0;
    check.thtCorrected = true;
  }
  if (const auto frames = NonNegative(texts.frames)) {
    plan.framesPerChannel = *frames;
    // Without a frame every plane would stay zero: a file that looks like a
    // calibration and holds none.
    if (*frames == 0) {
      ShowError("Bad input nb for FRAMES PER CHANNEL value", texts.frames,
                "at least 1 frame per channel: nothing was started");
      check.refused = true;
    }
  } else {
    ShowError("Bad input nb for FRAMES PER CHANNEL value", texts.frames, "set to 1...");
    plan.framesPerChannel = 1;
    check.framesCorrected = true;
  }
  check.plan = plan;
  return check;
}

std::optional<std::int32_t> ReadAnalogicTht() {
  std::FILE* file = std::fopen(SystemFile(kAnalogicTHTFileName).c_str(), "r");
  if (!file) return std::nullopt;
  int volts = 0;
  const bool read = std::fscanf(file, "%d", &volts) == 1;
  std::fclose(file);
  if (!read) return std::nullopt;
  return volts;
}

void WriteAnalogicTht(std::int32_t volts) {
  if (std::FILE* file = std::fopen(SystemFile(kAnalogicTHTFileName).c_str(), "w")) {
    std::fprintf(file, "%d\n", volts);
    std::fclose(file);
  }
}

std::string AnalogicCubePath(const AcquisitionParameters& p) {
  return JoinPath(std::string(TextOf(p.Path)), Format("%s%3.3d.vl3", p.Prefix, p.Numobs));
}

std::string AnalogicSlicePath(const AcquisitionParameters& p, std::int32_t channel) {
  return JoinPath(std::string(TextOf(p.Path)), Format("%s%3.3d%4.4d.vl2", p.Prefix, p.Numobs, channel));
}

std::string AnalogicFilesLabel(const AcquisitionParameters& p, AnalogicOutput output) {
  const std::string directory(TextOf(p.Path));
  if (output == AnalogicOutput::Cube)
    return "Output 3D file : " + JoinPath(directory, Format("%s%3.3d.VL3", p.Prefix, p.Numobs));
  return "Output 2D files : " + JoinPath(directory, Format("%s%3.3dnnnn.VL2", p.Prefix, p.Numobs));
}

std::string AnalogicCqgLabel(const AcquisitionParameters& p) { return Format("Cst QG= %.4f", p.Cqg); }

std::vector<std::string> AnalogicOutputFiles(const AcquisitionParameters& p, const AnalogicPlan& plan) {
  std::vector<std::string> files = {LogFilePath(p)};
  if (plan.output == AnalogicOutput::Cube) files.push_back(AnalogicCubePath(p));
  else
    for (std::int32_t c = 1; c <= plan.channels; ++c) files.push_back(AnalogicSlicePath(p, c));
  return files;
}

AnalogicLog AnalogicCalibration::WriteLog(const AnalogicPlan& plan,
                                          const std::function<bool(const std::string&)>& overwrite,
                                          const LocalTime& now) {
  const std::string path = LogFilePath(p_);
  if (std::filesystem::exists(path) && !overwrite(path)) return AnalogicLog::Refused;
  s_.logPath = path;
  const std::string lines = Format("\nNb of frames per channel = %d", plan.framesPerChannel) +
                            Format("\nTHT = %d volts", plan.tht);
  return WriteLogHeader(s_, p_, now, lines) ? AnalogicLog::Written : AnalogicLog::Failed;
}

// Honours the operator's inhibition of the close loop: an inhibited loop (a serial
// CS100 has none to read) would otherwise stop every scan at its first channel.
bool AnalogicCalibration::CloseLoopOut() {
  if (!s_.closeLoopWatch) return false;
  d_.board.UpdateCloseLoopError();
  return s_.closeLoopActive != 0;
}

bool AnalogicCalibration::Written(int result, const std::string& path) {
  const auto r = static_cast<ImageWriteResult>(result);
  if (r == ImageWriteResult::Written) return true;
  if (r == ImageWriteResult::CannotCreate) {
    ShowError("Impossible to create the VL3 output file", path, kFullOrLocked);
  } else {
    // What was written of it is no image: it goes, rather than pass for one.
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
    ShowError("Impossible to write the VL3 output file", path, kFullOrLocked);
  }
  return false;
}

bool AnalogicCalibration::WriteSlice(const AnalogicPlan&, std::int32_t channel, const float* plane,
                                     std::string& path) {
  path = AnalogicSlicePath(p_, channel);
  host_.ShowStep(Format("Creating output file %s", path.c_str()));
  host_.ShowStep(Format("Writing output file %s", path.c_str()));
  const auto result = WriteImage2D(path, p_.StoredXSize, p_.StoredYSize, plane, kAnalogicImageText);
  if (result == ImageWriteResult::Written) host_.ShowStep("Writing output parameters...");
  return Written(static_cast<int>(result), path);
}

bool AnalogicCalibration::WriteCube(const AnalogicPlan& plan, const float* cube) {
  const std::string path = AnalogicCubePath(p_);
  host_.ShowStep(Format("Creating output file %s", path.c_str()));
  host_.ShowStep(Format("Writing output file %s", path.c_str()));
  const auto result = WriteImage3D(path, p_.StoredXSize, p_.StoredYSize, plan.channels, cube, kAnalogicImageText);
  if (result == ImageWriteResult::Written) host_.ShowStep("Writing output parameters...");
  return Written(static_cast<int>(result), path);
}

AnalogicOutcome AnalogicCalibration::Scan(const AnalogicPlan& plan) {
  Grabber& grabber = d_.grabber;
  d_.highVoltage.SetTHT(plan.tht);
  d_.link.ComputeScanGeometry();

  host_.ShowStep("Initializing Matrox board");
  // The grabber's objects, freed in the reverse order whatever ends the scan.
  struct Context {
    Grabber& grabber;
    TuningContext objects;
    ~Context() { FreeDisplayContext(grabber, objects); }
  } context{grabber, {}};
  OpenDisplayContext(grabber, context.objects);
  const GrabberId digitizer = context.objects.digitizer, buffer = context.objects.displayBuffer;
  if (!digitizer || !buffer) {
    ShowError("Error initializing the Matrox Genesys board", grabber.LastErrorText(), "No frame can be grabbed");
    return AnalogicOutcome::GrabberError;
  }
  const int bufferX = grabber.Inquire(buffer, Inquiry::SizeX), bufferY = grabber.Inquire(buffer, Inquiry::SizeY);

  host_.ShowStep("Reserving arrays");
  const std::size_t lx = static_cast<std::size_t>(std::max(p_.StoredXSize, 0));
  const std::size_t ly = static_cast<std::size_t>(std::max(p_.StoredYSize, 0));
  const std::size_t plane = lx * ly;
  const std::size_t lz = static_cast<std::size_t>(std::max(plan.channels, 0));
  const bool cube = plan.output == AnalogicOutput::Cube;
  std::vector<std::uint8_t> grabbed, frame;
  std::vector<float> sums;  // the whole cube, or the one plane a slice needs
  try {
    grabbed.resize(static_cast<std::size_t>(bufferX) * bufferY);
    frame.assign(plane, 0);
    sums.assign(cube ? plane * lz : plane, 0.0f);
  } catch (const std::bad_alloc&) {
    ShowError("Not enough memory for the calibration arrays",
              Format("%zu x %zu pixels, %zu channels", lx, ly, cube ? lz : std::size_t{1}),
              "Choose the VL2 slice files, or fewer channels");
    return AnalogicOutcome::NoMemory;
  }

  host_.ShowStep("Initializing CS100");
  if (plan.initialiseCs100) d_.link.InitialiseIfScanning();
  WaitSeconds(0.5);
  d_.link.DriveToChannel(1);
  WaitSeconds(0.1);

  // A camera smaller than the stored image fills only its own part.
  const std::size_t copyX = std::min<std::size_t>(lx, static_cast<std::size_t>(bufferX));
  const std::size_t copyY = std::min<std::size_t>(ly, static_cast<std::size_t>(bufferY));
  for (std::size_t c = 0; c < lz; ++c) {
    if (CloseLoopOut()) {
      ShowError("Close loop error !", "", "look to the CS100 controler...");
      return AnalogicOutcome::CloseLoopError;
    }
    if (host_.CancelRequested()) return AnalogicOutcome::Cancelled;
    const std::int32_t channel = static_cast<std::int32_t>(c) + 1;
    d_.link.DriveToChannel(channel);
    const std::int32_t position = s_.cs100Position;
    host_.ShowChannel(channel - 1, position);
    AppendLogLine(s_, Format("==> position channel %d     %d", channel, position));
    WaitSeconds(0.1);
    float* sum = sums.data() + (cube ? c * plane : 0);
    if (!cube) std::fill(sums.begin(), sums.end(), 0.0f);
    // Only whole frames are summed: a frame the camera lost is grabbed again, so the
    // buffer's previous picture is never added twice; a camera gone stops the scan.
    for (std::int32_t f = 0, lostInRow = 0; f < plan.framesPerChannel;) {
      const GrabResult got = grabber.Grab(digitizer, buffer);
      if (got.cameraGone || (!got.frame && ++lostInRow > kLostFramesInRowAllowed)) {
        ShowError("Frame grabber error", got.cameraGone ? grabber.LastErrorText() : "the camera sends no whole frame",
                  Format("The scan is stopped at channel %d", channel));
        return AnalogicOutcome::GrabberError;
      }
      if (!got.frame) continue;
      lostInRow = 0;
      ++f;
      grabber.GetPixels(buffer, grabbed.data());
      for (std::size_t y = 0; y < copyY; ++y)
        std::copy_n(grabbed.data() + y * static_cast<std::size_t>(bufferX), copyX, frame.data() + y * lx);
      for (std::size_t i = 0; i < plane; ++i) sum[i] += static_cast<float>(frame[i]);
    }
    double planeSum = 0.0;
    for (std::size_t i = 0; i < plane; ++i) planeSum += sum[i];
    std::string slicePath;
    if (!cube && !WriteSlice(plan, channel, sum, slicePath)) return AnalogicOutcome::FileError;
    host_.ChannelAcquired(channel, position, planeSum, slicePath);
  }
  if (cube && !WriteCube(plan, sums.data())) return AnalogicOutcome::FileError;
  host_.ShowStep("Scan terminated. Press QUIT button");
  return AnalogicOutcome::Completed;
}

}  // namespace velmar
