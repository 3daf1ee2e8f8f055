#pragma once
// The system directory: the home of the program's fixed files (parameters file,
// system file, witness file, ...). $VELMAR_SYSTEM_DIR, else $XDG_DATA_HOME/velmar,
// else ~/.local/share/velmar; created on first use.
#include <filesystem>
#include <string>

namespace velmar {

inline constexpr const char* kParametersFileName = "vla.def";
inline constexpr const char* kSystemFileName = "vlm_syst.tmp";
inline constexpr const char* kAnalogicTHTFileName = "vlm_ana.tmp";
inline constexpr const char* kFilterNamesFileName = "vlm_fio.tmp";
inline constexpr const char* kWitnessFileName = "vltemoin.tmp";
inline constexpr const char* kMessageFileName = "Vlm_mess.txt";
inline constexpr const char* kTestImageFileName = "test.tif";

// The directory itself; created (with its parents) when missing.
std::filesystem::path SystemDirectory();
// Where it is, without creating it.
std::filesystem::path SystemDirectoryLocation();
// A file of the system directory, by name.
std::filesystem::path SystemFile(const std::string& name);
// "reman1.vl2" to "reman4.vl2".
std::filesystem::path RemanenceFile(int index);

// Joins a directory and a name the way the program joins "%s\%s".
std::string JoinPath(const std::string& directory, const std::string& name);

}  // namespace velmar
