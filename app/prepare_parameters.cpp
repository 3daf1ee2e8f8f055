#include "app/prepare_parameters.h"

#include "console/data_directory.h"
#include "params/fixed_text.h"
#include "params/parameters_file.h"
#include "platform/format.h"

namespace velmar {

void PrepareNewAcquisitionParameters(SharedState& shared, const std::filesystem::path& programDir) {
  AcquisitionParameters& p = shared.parameters;
  shared.acquisition.tempFileMode = ReadTempFileMode();
  if (TextOf(p.ProgramDir).empty()) SetText(p.ProgramDir, programDir.string());
  if (p.RunState == 0) {
    SetDefaultParameters(p);
    LoadParametersFile(p);
  }
  if (const auto path = RebuildDataPath(std::string(TextOf(p.Path)), std::string(TextOf(p.Prefix)),
                                        Format("%d", p.Numobs)))
    SetText(p.Path, *path);
}

}  // namespace velmar
