#include "params/instrument_definition.h"

#include <cstdio>
#include <filesystem>

#include "params/fixed_text.h"
#include "params/parameters_file.h"
#include "params/tht_code.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"
#include "platform/format.h"
#include "platform/number_text.h"
#include "platform/system_dir.h"
#include "platform/text_lines.h"

namespace velmar {

const std::array<Preset, 9>& Presets() {
  static const std::array<Preset, 9> presets = {{
      {1, "Thomson PELNO Dor", "pelno.def", 0, "PELNO_DOR"},
      {2, "Thomson Survey Varsa", "varsa.def", 0, "TORVEL_VARSA"},
      {3, "AsGa IPCS 512 Varsa", "kem512.def", 1, "AsGa_VARSA 512"},
      {4, "AsGa IPCS 512 Lutaro", "lut512.def", 1, "AsGA_LUTARO 512"},
      {5, "AsGa IPCS 512 Dor", "dor512.def", 1, "AsGA_DOR 512"},
      {6, "AsGa IPCS 1024 Varsa", "kem1024.def", 1, "AsGa_VARSA 1024"},
      {7, "AsGa IPCS 1024 Lutaro", "lut1024.def", 1, "AsGA_LUTARO 1024"},
      {8, "AsGa IPCS 1024 Dor", "dor1024.def", 1, "AsGA_DOR 1024"},
      {9, "Other (user's .DEF file)", "", -1, "User .DEF file"},
  }};
  return presets;
}

const char* AxiomBoardName(std::int32_t board) { return board == 1 ? "Axiom AX5215H" : "Axiom AX5414"; }

bool ReadDefinitionFile(const std::string& path, InstrumentDefinition& d) {
  LineReader lines(path);
  if (!lines.opened()) return false;
  std::int32_t* numbers[] = {&d.THTLow,        &d.THTMedium,     &d.THTMax,          &d.Discri,
                             &d.BlackLevel,    &d.WhiteLevel,    &d.CS100Interface,  &d.ShutterSystem,
                             &d.THTSystem,     &d.CCDXSize,      &d.CCDYSize,        &d.StoredXSize,
                             &d.StoredYSize,   &d.FramesPerSecond, &d.Vlm3DBinning,  &d.DalsaSwap,
                             &d.THTLastStepWait, &d.TemperatureInterface, &d.FiltersMirrorSystem};
  for (std::int32_t* field : numbers) {
    const auto line = lines.Next();
    if (!line) return false;
    const auto value = LeadingInt(*line);
    if (!value) return false;
    *field = *value;
  }
  for (std::string* name : {&d.DcfFile, &d.VcfFile}) {
    const auto line = lines.Next();
    if (!line) return false;
    const auto word = FirstWord(*line);
    if (!word) return false;
    *name = *word;
  }
  return true;
}

namespace {
struct ValueRange {
  const char* what;
  std::int32_t low, high;
};

// The ranges of lines 1 to 19, wide enough for every camera and instrument the
// program has met, narrow enough to catch a typing slip before anything uses it:
// THT levels in volts (tubes run below 20 kV); grey levels of the 8-bit digitizer;
// the CS100 on the parallel lines or COM1..COM4; device variants are small numbers
// (an unlisted one does nothing); camera and stored sizes as the digitizer takes
// them; frame rates up to 1000 a second; THT wait up to an hour.
constexpr ValueRange kValueRanges[19] = {
    {"THT low level", 0, 20000},         {"THT medium level", 0, 20000},
    {"THT maximum", 0, 20000},           {"discriminator", 0, 255},
    {"TV black level", 0, 255},          {"TV white level", 0, 255},
    {"CS100 interface", 0, 4},           {"shutter system", 0, 99},
    {"THT system", 0, 99},               {"CCD X size", 1, 4096},
    {"CCD Y size", 1, 4096},             {"stored image X size", 1, 4096},
    {"stored image Y size", 1, 4096},    {"frames per second", 1, 1000},
    {"Vlm3D binning", 1, 64},            {"DALSA swap", 0, 1},
    {"waiting seconds at the last THT step", 0, 3600},
    {"temperature interface", 0, 99},    {"filters and mirror system", 0, 99},
};
}  // namespace

std::string DefinitionRangeFault(const InstrumentDefinition& d, const int* lines) {
  const std::int32_t values[19] = {d.THTLow,        d.THTMedium,       d.THTMax,         d.Discri,
                                   d.BlackLevel,    d.WhiteLevel,      d.CS100Interface, d.ShutterSystem,
                                   d.THTSystem,     d.CCDXSize,        d.CCDYSize,       d.StoredXSize,
                                   d.StoredYSize,   d.FramesPerSecond, d.Vlm3DBinning,   d.DalsaSwap,
                                   d.THTLastStepWait, d.TemperatureInterface, d.FiltersMirrorSystem};
  for (int i = 0; i < 19; ++i) {
    const ValueRange& r = kValueRanges[i];
    if (values[i] < r.low || values[i] > r.high)
      return Format("line %d: %s %d is out of %d..%d", lines ? lines[i] : i + 1, r.what, values[i], r.low, r.high);
  }
  // A level the supply's code cannot express would be sent as a few hundred volts.
  for (int i = 0; i < 3; ++i)
    if (const std::string why = ThtUnreachable(d.THTSystem, values[i]); !why.empty())
      return Format("line %d: %s %d V is above what the supply can be set to (%s)", lines ? lines[i] : i + 1,
                    kValueRanges[i].what,
                    values[i], why.c_str());
  return {};
}

namespace {
void Apply(const InstrumentDefinition& d, AcquisitionParameters& p) {
  p.THTLow = d.THTLow;
  p.THTMedium = d.THTMedium;
  p.THTMax = d.THTMax;
  p.Discri = d.Discri;
  p.BlackLevel = d.BlackLevel;
  p.WhiteLevel = d.WhiteLevel;
  p.CS100Interface = d.CS100Interface;
  p.ShutterSystem = d.ShutterSystem;
  p.THTSystem = d.THTSystem;
  p.CCDXSize = d.CCDXSize;
  p.CCDYSize = d.CCDYSize;
  p.StoredXSize = d.StoredXSize;
  p.StoredYSize = d.StoredYSize;
  p.FramesPerSecond = d.FramesPerSecond;
  p.Vlm3DBinning = d.Vlm3DBinning;
  p.DalsaSwap = d.DalsaSwap;
  p.THTLastStepWait = d.THTLastStepWait;
  p.TemperatureInterface = d.TemperatureInterface;
  p.FiltersMirrorSystem = d.FiltersMirrorSystem;
  SetText(p.DcfFile, d.DcfFile);
  SetText(p.VcfFile, d.VcfFile);
}

}  // namespace

InstrumentDefinition InstrumentDefinitionOf(const AcquisitionParameters& p) {
  InstrumentDefinition d;
  d.THTLow = p.THTLow;
  d.THTMedium = p.THTMedium;
  d.THTMax = p.THTMax;
  d.Discri = p.Discri;
  d.BlackLevel = p.BlackLevel;
  d.WhiteLevel = p.WhiteLevel;
  d.CS100Interface = p.CS100Interface;
  d.ShutterSystem = p.ShutterSystem;
  d.THTSystem = p.THTSystem;
  d.CCDXSize = p.CCDXSize;
  d.CCDYSize = p.CCDYSize;
  d.StoredXSize = p.StoredXSize;
  d.StoredYSize = p.StoredYSize;
  d.FramesPerSecond = p.FramesPerSecond;
  d.Vlm3DBinning = p.Vlm3DBinning;
  d.DalsaSwap = p.DalsaSwap;
  d.THTLastStepWait = p.THTLastStepWait;
  d.TemperatureInterface = p.TemperatureInterface;
  d.FiltersMirrorSystem = p.FiltersMirrorSystem;
  d.DcfFile = TextOf(p.DcfFile);
  d.VcfFile = TextOf(p.VcfFile);
  return d;
}

void ClearInstrumentDefinition(AcquisitionParameters& p) {
  Apply(InstrumentDefinition{}, p);
  p.StoredXSize = p.StoredYSize = 256;
  SetText(p.DcfFileAsRead, "");
}

namespace {
constexpr const char* kCopyFromBackup = "Copy it from backup into the program directory...";
}  // namespace

LoadOutcome LoadInstrumentDefinition(AcquisitionParameters& p, int preset, const std::string& chosenFile,
                                     ChosenFileLookup lookup) {
  LoadOutcome outcome;
  if (preset < 1 || preset > 9) return outcome;
  const Preset& entry = Presets()[static_cast<std::size_t>(preset - 1)];
  std::string name = entry.fileName;
  bool asGiven = false;
  if (preset == 9) {
    if (chosenFile.empty()) return outcome;
    asGiven = lookup == ChosenFileLookup::AsGiven;
    name = asGiven ? chosenFile : std::filesystem::path(chosenFile).filename().string();
  }
  if (entry.axiomBoard >= 0) p.AxiomBoard = entry.axiomBoard;
  outcome.path = asGiven ? name : JoinPath(std::string(TextOf(p.ProgramDir)), name);
  if (!std::filesystem::exists(outcome.path)) {
    ShowError("Impossible to find the default file", outcome.path, kCopyFromBackup);
    outcome.result = LoadResult::FileMissing;
    return outcome;
  }
  InstrumentDefinition d;
  if (!ReadDefinitionFile(outcome.path, d)) {
    ShowError("Impossible to open or read the default file", outcome.path, kCopyFromBackup);
    outcome.result = LoadResult::FileUnreadable;
    return outcome;
  }
  if (const std::string fault = DefinitionRangeFault(d); !fault.empty()) {
    ShowError("A value of the default file is out of range", outcome.path, fault);
    outcome.result = LoadResult::ValueOutOfRange;
    return outcome;
  }
  Apply(d, p);
  if (p.CS100Interface != 0) {
    p.CS100Link = 1;
    p.ComPort = p.CS100Interface;
  } else {
    p.CS100Link = 0;
  }
  outcome.result = LoadResult::Applied;
  outcome.groupCaption = Format("Base default instrument parameters %s", entry.siteLabel);
  return outcome;
}

int SettleAfterWindowLoad(AcquisitionParameters& p) {
  if (p.CCDXSize == 768) {
    p.CCDYSize = 288;
    return kFormatXY256_2Bytes;
  }
  return kFormatXY4Bytes;
}

std::vector<std::pair<std::string, std::string>> InstrumentGridRows(const AcquisitionParameters& p) {
  static const char* const kInterfaces[5] = {"parallel", "serial COM1:", "serial COM2:", "serial COM3:",
                                             "serial COM4:"};
  const auto number = [](std::int32_t v) { return Format("%d", v); };
  const std::string interface =
      (p.CS100Interface >= 0 && p.CS100Interface <= 4) ? kInterfaces[p.CS100Interface] : number(p.CS100Interface);
  return {{"", "Current values"},
          {"Stored parameters file", ParametersFilePath()},
          {"Discri", number(p.Discri)},
          {"Black TV level", number(p.BlackLevel)},
          {"White TV level", number(p.WhiteLevel)},
          {"Low THT", number(p.THTLow)},
          {"Medium THT", number(p.THTMedium)},
          {"Maximum THT", number(p.THTMax)},
          {"CS100 interface", interface},
          {"Shutter system", number(p.ShutterSystem)},
          {"THT system", number(p.THTSystem)},
          {"Camera Matrox driver", std::string(TextOf(p.DcfFile))},
          {"CCD X size", number(p.CCDXSize)},
          {"CCD Y size", number(p.CCDYSize)},
          {"stored X size", number(p.StoredXSize)},
          {"stored Y size", number(p.StoredYSize)},
          {"frames/sec", number(p.FramesPerSecond)},
          {"VLM3D display binning", number(p.Vlm3DBinning)},
          {"DALSA high scanning rate", number(p.DalsaSwap)},
          {"Control display Matrox driver", std::string(TextOf(p.VcfFile))},
          {"Waiting scnds at last THT step", number(p.THTLastStepWait)},
          {"Temperature interface", number(p.TemperatureInterface)},
          {"Filters/mirror system", number(p.FiltersMirrorSystem)}};
}

void SettleInstrumentBlock(AcquisitionParameters& p, std::int32_t serialPortChosen) {
  std::string dcf(TextOf(p.DcfFile));
  for (auto& c : dcf) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (dcf == "bypassed") SetText(p.DcfFile, TextOf(p.DcfFileAsRead));
  if (p.CS100Interface != 0) {
    p.CS100Link = 1;
    p.CS100Interface = serialPortChosen;
  } else {
    p.CS100Link = 0;
  }
}

int CopyFile(const std::string& source, const std::string& destination) {
  std::FILE* in = std::fopen(source.c_str(), "rb");
  if (!in) return kSourceUnreadable;
  // A driver named after the fixed name itself is already in place; opening the
  // destination for writing would empty the source.
  std::error_code ec;
  if (std::filesystem::equivalent(source, destination, ec)) {
    std::fclose(in);
    return kCopied;
  }
  // The destination is emptied first: a shorter driver never keeps an old tail.
  std::FILE* out = std::fopen(destination.c_str(), "wb");
  if (!out) {
    std::fclose(in);
    return kDestinationUncreatable;
  }
  char buffer[65536];
  int result = kCopied;
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
    if (std::fwrite(buffer, 1, n, out) != n) {
      result = kWriteFailed;
      break;
    }
  std::fclose(in);
  if (std::fclose(out) != 0 && result == kCopied) result = kWriteFailed;
  return result;
}

namespace {
void DeleteTemporaryFilesAndQuit(const AcquisitionParameters& p, DriverFileConsole& console) {
  std::error_code ec;
  std::filesystem::remove(JoinPath(std::string(TextOf(p.Path)), "ipcschn.tmp"), ec);
  std::filesystem::remove(JoinPath(std::string(TextOf(p.Path)), "ipcsdata.tmp"), ec);
  console.QuitProgram();
}
}  // namespace

void CheckDriverFiles(AcquisitionParameters& p, DriverFileConsole& console) {
  const std::string dcf(TextOf(p.DcfFile));
  bool copyCamera = true;
  if (!std::filesystem::exists(dcf)) {
    const int answer = console.AskConfigurationError("Impossible to find the Matrox DCF configuration file", dcf,
                                                     "IF BYPASSED PERSISTS, load again \".DEF to Current\" in the main window");
    console.ShowCameraDriver("Bypassed");
    if (answer != 1) {
      DeleteTemporaryFilesAndQuit(p, console);
      return;
    }
    copyCamera = false;
  }
  if (copyCamera) {
    if (CopyFile(dcf, kCameraFileName) != kCopied) {
      console.ShowCameraDriver("Bypassed [1]");
      SetText(p.DcfFile, "Bypassed [1]");
    }
    WaitSeconds(1.0);
    console.ShowCameraDriver(std::string(TextOf(p.DcfFile)));
  }
  const std::string vcf(TextOf(p.VcfFile));
  if (!std::filesystem::exists(vcf)) {
    const int answer = console.AskConfigurationError("Impossible to find the VCF configuration file", vcf,
                                                     "(Matrox display definition file for the control TV screen)");
    if (answer != 1) DeleteTemporaryFilesAndQuit(p, console);
    return;
  }
  CopyFile(vcf, kDisplayFileName);
  WaitSeconds(1.0);
}

void InhibitShutter(AcquisitionParameters& p) { p.ShutterSystem = 0; }
void InhibitTemperature(AcquisitionParameters& p) { p.TemperatureInterface = 0; }
void InhibitMirror(AcquisitionParameters& p) { p.FiltersMirrorSystem = 0; }
void InhibitTHT(AcquisitionParameters& p) { p.THTSystem = 0; }

std::string ToggleCloseLoopWatch(std::int32_t& closeLoopWatch) {
  closeLoopWatch = closeLoopWatch ? 0 : 1;
  return closeLoopWatch ? "Inhib closeloop" : "Valid closeloop";
}

}  // namespace velmar
