#include "console/prepare_parameters.h"

#include <cstdlib>

#include "console/data_directory.h"
#include "params/fixed_text.h"
#include "params/instrument_definition.h"
#include "params/parameters_file.h"
#include "platform/format.h"

namespace velmar {

void PrepareNewAcquisitionParameters(SharedState& shared, const std::filesystem::path& programDir) {
  AcquisitionParameters& p = shared.parameters;
  shared.acquisition.tempFileMode = ReadTempFileMode();
  if (TextOf(p.ProgramDir).empty()) SetText(p.ProgramDir, programDir.string());
  if (p.RunState == 0) {
    SetDefaultParameters(p, shared.acquisition);
    LoadParametersFile(p);
  }
  std::string path(TextOf(p.Path));
  // A first run has no data directory yet: observations go under ~/velmar-data
  // rather than into the root of the file system.
  const std::string parent = std::filesystem::path(path).parent_path().string();
  if (parent.empty() || parent == "/") path = DefaultDataRoot() + "/x";
  if (const auto rebuilt = RebuildDataPath(path, std::string(TextOf(p.Prefix)), Format("%d", p.Numobs)))
    SetText(p.Path, *rebuilt);
}

void ApplyShownPlan(AcquisitionParameters& p) {
  const float lambda = p.Lambda;
  SelectAcquisitionType(p, p.AcqType);
  if (lambda != 0.0f) p.Lambda = lambda;
}

bool LoadFirstPresetIfUndefined(AcquisitionParameters& p) {
  if (p.CCDXSize != 0 || LoadInstrumentDefinition(p, 3).result != LoadResult::Applied) return false;
  p.DataFormat = SettleAfterWindowLoad(p);
  return true;
}

std::string DefaultDataRoot() {
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/velmar-data";
}

void CreateDefaultDataRootFor(const std::string& dataPath) {
  const std::string root = DefaultDataRoot();
  if (std::filesystem::path(dataPath).parent_path() != std::filesystem::path(root)) return;
  std::error_code ec;
  std::filesystem::create_directories(root, ec);
}

}  // namespace velmar
