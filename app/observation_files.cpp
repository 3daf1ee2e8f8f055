#include "app/observation_files.h"

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
// The cycle and channel a photon file name of this observation stands for, read
// from its digits and confirmed by naming them again; nothing for any other file.
std::optional<std::pair<int, int>> CycleAndChannelOf(const AcquisitionParameters& p, const std::string& name) {
  const std::string first = PhotonFileName(p, 1, 1);
  if (name.size() != first.size()) return std::nullopt;
  const std::size_t digits = p.FileType == 1 ? 4 : 2;
  const std::size_t at = first.size() - 4 - 2 * digits;  // after prefix and number, before ".VLA"
  const auto cycle = WholeInt(name.substr(at, digits));
  const auto channel = WholeInt(name.substr(at + digits, digits));
  if (!cycle || !channel || PhotonFileName(p, *cycle, *channel) != name) return std::nullopt;
  return std::make_pair(*cycle, *channel);
}
}  // namespace

void DeleteObservationPhotonFiles(const AcquisitionParameters& p) {
  // One listing of the directory: the files that are there, however many channels.
  std::error_code ec;
  std::vector<std::filesystem::path> victims;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(TextOf(p.Path)), ec)) {
    const auto numbers = CycleAndChannelOf(p, entry.path().filename().string());
    if (numbers && numbers->first >= 1 && numbers->first <= 98 && numbers->second >= 0 && numbers->second <= p.Lz)
      victims.push_back(entry.path());
  }
  for (const auto& victim : victims) {
    std::filesystem::permissions(victim, std::filesystem::perms::owner_write, std::filesystem::perm_options::add, ec);
    std::filesystem::remove(victim, ec);
  }
}

}  // namespace velmar
