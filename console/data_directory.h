#pragma once
// The data directory: whether the program can write into it ("bidon.tmp" created
// and deleted), the directory window's actions, and the temporary-file mode kept
// in the system file "vlm_syst.tmp".
#include <cstdint>
#include <string>

namespace velmar {

// 0 when the directory is writable; 1 after showing "Impossible to access the path".
int TestPathAccess(const std::string& dataPath);

// 1 when the file is missing, holds no number, or any value other than 0 and 1.
std::int32_t ReadTempFileMode();
// Nothing is reported when the file cannot be written.
void WriteTempFileMode(std::int32_t mode);

// The directory window's buttons. Each sets the data path to the edit's text
// (the caller shows it in EditPath) and returns true when the window may close.
bool RepertoireOpen(const std::string& editText, std::string& dataPath);
bool RepertoireCreate(const std::string& editText, std::string& dataPath);

}  // namespace velmar
