#pragma once
// Instrument definition files (.DEF): 21 values, one a line, that describe one
// camera, frame grabber and instrument; the eight presets the program ships; the
// instrument grid of the parameters window; the driver files copied to the names
// the frame-grabber set-up opens.
#include <array>
#include <string>
#include <vector>

#include "params/acquisition_parameters.h"

namespace velmar {

// The names the frame-grabber set-up opens, in the program directory.
inline constexpr const char* kDisplayFileName = "ecran.vcf";
inline constexpr const char* kCameraFileName = "comptage.dcf";

struct Preset {
  int number;              // 1..9, the entry of the configuration list
  const char* listEntry;   // "Thomson PELNO Dor", ...
  const char* fileName;    // "pelno.def", ... (empty for the user's file)
  int axiomBoard;          // -1: unchanged
  const char* siteLabel;   // shown in the group caption
};

const std::array<Preset, 9>& Presets();
const char* AxiomBoardName(std::int32_t board);  // "Axiom AX5414" / "Axiom AX5215H"

// The 21 values of a .DEF file.
struct InstrumentDefinition {
  std::int32_t THTLow = 0, THTMedium = 0, THTMax = 0, Discri = 0, BlackLevel = 0, WhiteLevel = 0;
  std::int32_t CS100Interface = 0, ShutterSystem = 0, THTSystem = 0, CCDXSize = 0, CCDYSize = 0;
  std::int32_t StoredXSize = 0, StoredYSize = 0, FramesPerSecond = 0, Vlm3DBinning = 0, DalsaSwap = 0;
  std::int32_t THTLastStepWait = 0, TemperatureInterface = 0, FiltersMirrorSystem = 0;
  std::string DcfFile, VcfFile;
};

// Reads lines 1 to 21; false when the file cannot be opened, a line is missing
// (line 21 needs its line end) or a value does not convert.
bool ReadDefinitionFile(const std::string& path, InstrumentDefinition& out);

// The first value of a definition outside the range a real instrument can have, as
// "line 14: frames per second 0 is out of 1..1000"; empty when every value fits.
// lines gives the line of each of the 19 numbers in another file (the parameters
// file); by default they are lines 1 to 19 of a .DEF file.
std::string DefinitionRangeFault(const InstrumentDefinition& d, const int* lines = nullptr);

// The instrument block of a parameter set, as a definition.
InstrumentDefinition InstrumentDefinitionOf(const AcquisitionParameters& p);
// Empties the instrument block, as before any definition was loaded (zeros, no
// driver names, stored sizes 256).
void ClearInstrumentDefinition(AcquisitionParameters& p);

enum class LoadResult { Applied, Cancelled, FileMissing, FileUnreadable, ValueOutOfRange };

// Where the user's file (preset 9) is looked for: the window keeps only its name and
// looks in ProgramDir; a path given on the command line is used as given.
enum class ChosenFileLookup { ProgramDirectory, AsGiven };

struct LoadOutcome {
  LoadResult result = LoadResult::Cancelled;
  std::string path;          // the file looked for
  std::string groupCaption;  // "Base default instrument parameters %s"
};

// Loads preset k (1..9). For 9, chosenFile is the file the operator chose (empty:
// cancelled); only its name is kept and looked for in ProgramDir. Errors are shown
// with ShowError and change nothing.
LoadOutcome LoadInstrumentDefinition(AcquisitionParameters& p, int preset, const std::string& chosenFile = {},
                                     ChosenFileLookup lookup = ChosenFileLookup::ProgramDirectory);

// Loading through the window: a 768-wide camera forces 288 lines; the data-format
// list entry to select (2 for that camera, else 0).
int SettleAfterWindowLoad(AcquisitionParameters& p);

// The grid: 23 rows of (name, value); row 0 is the heading.
std::vector<std::pair<std::string, std::string>> InstrumentGridRows(const AcquisitionParameters& p);

// ShowInstrumentGrid's settling: a "Bypassed" camera driver name gets back the name
// read from the file; the CS100 link follows the interface (serialPortChosen is the
// window's port, 1..4).
void SettleInstrumentBlock(AcquisitionParameters& p, std::int32_t serialPortChosen);

// CopyFile's results.
enum CopyResult : int { kCopied = 0, kSourceUnreadable = 1, kDestinationUncreatable = 2, kWriteFailed = 3 };
int CopyFile(const std::string& source, const std::string& destination);

// The configuration-file error window (TError_DCF) and the camera-driver label.
class DriverFileConsole {
 public:
  virtual ~DriverFileConsole() = default;
  // 1 "&Bypass (keep previous)", 2 "&Quit" (also when closed otherwise).
  virtual int AskConfigurationError(const std::string& line1, const std::string& line2, const std::string& line3) = 0;
  virtual void ShowCameraDriver(const std::string& text) = 0;  // LabelCCIR
  // "&Quit": the temporary photon files deleted, the program ends with code 0.
  virtual void QuitProgram() = 0;
};

// Checks and copies the two driver files onto "comptage.dcf" and "ecran.vcf" of the
// current directory.
void CheckDriverFiles(AcquisitionParameters& p, DriverFileConsole& console);

// The inhibit buttons of the instrument group.
void InhibitShutter(AcquisitionParameters& p);
void InhibitTemperature(AcquisitionParameters& p);
void InhibitMirror(AcquisitionParameters& p);
void InhibitTHT(AcquisitionParameters& p);
// "Inhib closeloop" / "Valid closeloop": toggles the watch, returns the new caption.
std::string ToggleCloseLoopWatch(std::int32_t& closeLoopWatch);

}  // namespace velmar
