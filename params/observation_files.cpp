#include "params/observation_files.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "params/fixed_text.h"
#include "platform/format.h"
#include "platform/number_text.h"
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

namespace {
// A photon file of this prefix and number in either name style ("G0010203.VLA",
// "G00100020003.VLA"), whatever its cycle and channel.
bool IsPhotonFileOf(const AcquisitionParameters& p, const std::string& name) {
  const std::string stem = Format("%s%3.3d", p.Prefix, p.Numobs);
  if (name.size() != stem.size() + 4 + 4 && name.size() != stem.size() + 8 + 4) return false;
  if (name.compare(0, stem.size(), stem) != 0 || !name.ends_with(".VLA")) return false;
  for (std::size_t i = stem.size(); i < name.size() - 4; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}
}  // namespace

std::string ExistingPhotonFilePath(const AcquisitionParameters& p) {
  if (std::error_code ec; std::filesystem::exists(FirstPhotonFilePath(p), ec)) return FirstPhotonFilePath(p);
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(TextOf(p.Path)), ec))
    if (entry.is_regular_file(ec) && IsPhotonFileOf(p, entry.path().filename().string())) found.push_back(entry.path());
  return found.empty() ? std::string() : std::min_element(found.begin(), found.end())->string();
}

int DeleteObservationPhotonFiles(const AcquisitionParameters& p) {
  // One listing of the directory: every file of the old observation goes, however
  // many channels and cycles it had and whichever names it used, so that none is
  // left beside a new log that does not describe it.
  std::error_code ec;
  std::vector<std::filesystem::path> victims;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(TextOf(p.Path)), ec))
    if (entry.is_regular_file(ec) && IsPhotonFileOf(p, entry.path().filename().string()))
      victims.push_back(entry.path());
  int removed = 0;
  for (const auto& victim : victims) {
    std::filesystem::permissions(victim, std::filesystem::perms::owner_write, std::filesystem::perm_options::add, ec);
    if (std::filesystem::remove(victim, ec)) ++removed;
  }
  return removed;
}

}  // namespace velmar
