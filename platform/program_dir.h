#pragma once
// The program directory: where the instrument definitions, the grabber's camera
// and monitor files and "axdrv.ini" are looked for, and where the grabber files
// are copied to. It is chosen once at start, in this order: --program-dir DIR,
// $VELMAR_PROGRAM_DIR, the current directory when it holds instrument
// definitions, else a per-user directory beside the system directory, laid out
// from the presets on first use. Files already there are never replaced, so an
// observer's edited definitions survive every later start.
#include <filesystem>
#include <string>
#include <vector>

namespace velmar {

enum class ProgramDirOrigin { Flag, Environment, CurrentDirectory, PerUser };

struct ProgramDirRequest {
  std::string flag;                                   // --program-dir; empty when not given
  std::string environment;                            // $VELMAR_PROGRAM_DIR; empty when unset
  std::filesystem::path current;                      // the current directory
  std::filesystem::path perUser;                      // the per-user directory
  std::vector<std::filesystem::path> presetSources;   // where presets may be; the first present wins
};

struct ProgramDirChoice {
  std::filesystem::path directory;   // absolute
  ProgramDirOrigin origin = ProgramDirOrigin::CurrentDirectory;
  std::filesystem::path laidOutFrom; // the presets copied from by this start; empty when none were
  int filesLaidOut = 0;
  bool holdsDefinitions = true;      // false: a named directory without any, said at start
  std::string error;                 // not empty: no usable directory, and nothing was written
};

// True when dir holds an instrument definition (a ".def" file other than the parameters file).
bool HoldsInstrumentDefinitions(const std::filesystem::path& dir);

// Copies into dir each file of presets that dir lacks, creating dir; an existing
// file is never replaced. Returns the number copied, or -1 with error set.
int LayOutProgramDirectory(const std::filesystem::path& dir, const std::filesystem::path& presets,
                           std::string& error);

// The choice itself, over what the caller gathered; lays out the per-user directory.
ProgramDirChoice ChooseProgramDirectory(const ProgramDirRequest& request);

// The per-user directory: the system directory's sibling named after it plus "-program"
// (~/.local/share/velmar-program beside ~/.local/share/velmar).
std::filesystem::path PerUserProgramDirectory();

// Where this executable finds presets: the installed ones (share/velmar/presets of
// its install prefix), then the source tree's for a build that is not installed.
std::vector<std::filesystem::path> PresetSources();

// Chooses for this process and makes the choice the current directory: the
// program opens its driver files and board configuration by their bare names.
ProgramDirChoice EnterProgramDirectory(const std::string& flag);

// "program directory: DIR", said once at start, with what a first start laid out.
std::string ProgramDirLine(const ProgramDirChoice& choice);

// A path the user gave relative to the directory the program was started from,
// made absolute before the current directory changes; empty stays empty.
std::string AnchoredPath(const std::string& path);

// The same for the environment variables that name paths ($VELMAR_SYSTEM_DIR,
// $XDG_DATA_HOME, $XDG_RUNTIME_DIR, $VELMAR_COM1..4).
void AnchorPathEnvironment();

// The paragraph of each program's --help that tells where its program directory is.
extern const char* const kProgramDirHelp;

}  // namespace velmar
