#pragma once
// The witness file tells the other programs of the package that an acquisition
// task runs: "Temoin VlmIPCS", no line end, in the system directory.
#include <string>

namespace velmar {

inline constexpr const char* kWitnessText = "Temoin VlmIPCS";

// Returns an empty text on success, else why the file could not be written.
std::string WriteWitnessFile();
// Makes the file writable, then deletes it; a missing file is no error.
void DeleteWitnessFile();

}  // namespace velmar
