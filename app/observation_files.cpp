#include "app/observation_files.h"

#include <filesystem>

#include "params/fixed_text.h"
#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

namespace {
std::string PhotonFileName(const AcquisitionParameters& p, int cycle, int channel) {
  return p.FileType == 1 ? Format("%s%3.3d%4.4d%4.4d.VLA", p.Prefix, p.Numobs, cycle, channel)
                         : Format("%s%3.3d%2.2d%2.2d.VLA", p.Prefix, p.Numobs, cycle, channel);
}
}  // namespace

std::string FirstPhotonFilePath(const AcquisitionParameters& p) {
  return JoinPath(std::string(TextOf(p.Path)), PhotonFileName(p, 1, 1));
}

void DeleteObservationPhotonFiles(const AcquisitionParameters& p) {
  std::error_code ec;
  for (int cycle = 1; cycle <= 98; ++cycle)
    for (int channel = 0; channel <= p.Lz; ++channel) {
      const auto victim = JoinPath(std::string(TextOf(p.Path)), PhotonFileName(p, cycle, channel));
      std::filesystem::permissions(victim, std::filesystem::perms::owner_write, std::filesystem::perm_options::add, ec);
      std::filesystem::remove(victim, ec);
    }
}

}  // namespace velmar
