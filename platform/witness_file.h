#pragma once
// The witness file tells the other programs of the package that an acquisition
// task runs: "Temoin VlmIPCS", no line end, in the system directory.
#include <filesystem>
#include <string>

namespace velmar {

inline constexpr const char* kWitnessText = "Temoin VlmIPCS";

// Returns an empty text on success, else why the file could not be written.
std::string WriteWitnessFile();
// Makes the file writable, then deletes it; a missing file is no error.
void DeleteWitnessFile();

// The witness file of this process: written by the single-instance check, taken
// away on every way out. A copy that never wrote it (one refused as a second copy)
// leaves the running copy's file alone. The destructor covers a return; a
// program that ends the process at once calls Remove first.
class WitnessFile {
 public:
  WitnessFile() = default;
  ~WitnessFile() { Remove(); }
  WitnessFile(const WitnessFile&) = delete;
  WitnessFile& operator=(const WitnessFile&) = delete;

  // As WriteWitnessFile; from then on the file is this process's to remove.
  std::string Write();
  void Remove();
  bool written() const { return !path_.empty(); }

 private:
  std::filesystem::path path_;  // where this copy wrote it
};

}  // namespace velmar
