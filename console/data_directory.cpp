#include "console/data_directory.h"

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "platform/error_reporter.h"
#include "platform/number_text.h"
#include "platform/system_dir.h"
#include "platform/text_lines.h"

namespace velmar {

int TestPathAccess(const std::string& dataPath) {
  const std::string probe = JoinPath(dataPath, "bidon.tmp");
  if (std::FILE* file = std::fopen(probe.c_str(), "w+")) {
    std::fclose(file);
    std::remove(probe.c_str());
    return 0;
  }
  ShowError("Impossible to access the path", dataPath,
            "Note: to create a sub-directory, all the upper directories must exist !");
  return 1;
}

std::int32_t ReadTempFileMode() {
  std::int32_t mode = 1;
  if (std::FILE* file = std::fopen(SystemFile(kSystemFileName).c_str(), "r")) {
    char text[64] = {};
    if (std::fgets(text, sizeof text, file))
      if (const auto value = LeadingInt(text)) mode = *value;
    std::fclose(file);
  }
  return (mode == 0 || mode == 1) ? mode : 1;
}

void WriteTempFileMode(std::int32_t mode) {
  if (std::FILE* file = std::fopen(SystemFile(kSystemFileName).c_str(), "w+")) {
    std::fprintf(file, "%d\n", mode);
    std::fclose(file);
  }
}

bool RepertoireOpen(const std::string& editText, std::string& dataPath) {
  dataPath = editText;
  if (TestPathAccess(dataPath) == 0) return true;
  ShowError("Impossible to open this directory", dataPath, "");
  return false;
}

bool RepertoireCreate(const std::string& editText, std::string& dataPath) {
  // One level only: a missing parent makes the creation fail, and the test says why.
  const bool created = ::mkdir(editText.c_str(), 0755) == 0;
  dataPath = editText;
  if (!created && TestPathAccess(dataPath) != 0) return false;
  return TestPathAccess(dataPath) == 0;
}

}  // namespace velmar
