#include "export/cube_follower.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "engine/channel_in_progress.h"
#include "engine/photon_records.h"
#include "platform/format.h"
#include "platform/system_dir.h"

namespace velmar {

namespace fs = std::filesystem;

std::int32_t DefaultCubeBin(std::int32_t sizeX, std::int32_t sizeY, std::int32_t channels) {
  constexpr std::int64_t kLimit = 64LL << 20;
  for (std::int32_t bin : {1, 2, 4}) {
    const std::int64_t bytes = static_cast<std::int64_t>((sizeX + bin - 1) / bin) * ((sizeY + bin - 1) / bin) *
                               std::max(channels, 1) * 4;
    if (bytes <= kLimit) return bin;
  }
  return 8;
}

CubeLayout LayoutOf(const Observation& o, std::int32_t bin) {
  const ObservationHeader& h = o.header;
  CubeLayout l;
  l.directory = o.directory;
  l.prefix = h.prefix;
  l.number = h.number;
  l.longNames = h.longNames;
  l.format = h.dataFormat;
  // The 2-byte format holds addresses on 256 whatever the stored size.
  l.sizeX = h.dataFormat == kFormatXY256_2Bytes ? 256 : h.storedXSize;
  l.sizeY = h.dataFormat == kFormatXY256_2Bytes ? 256 : h.storedYSize;
  l.channels = std::max(h.channels, 1);
  l.bin = bin > 0 ? bin : DefaultCubeBin(l.sizeX, l.sizeY, l.channels);
  return l;
}

std::optional<ChannelFileId> ParseChannelFileName(const CubeLayout& layout, const std::string& name) {
  const std::string head = layout.prefix + Format("%3.3d", layout.number);
  const std::size_t digits = layout.longNames ? 8 : 4;
  if (name.size() != head.size() + digits + 4 || name.compare(0, head.size(), head) != 0 ||
      name.compare(name.size() - 4, 4, ".VLA") != 0)
    return std::nullopt;
  for (std::size_t i = head.size(); i < head.size() + digits; ++i)
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
  const std::size_t half = digits / 2;
  ChannelFileId id;
  id.cycle = std::atoi(name.substr(head.size(), half).c_str());
  id.channel = std::atoi(name.substr(head.size() + half, half).c_str());
  return id;
}

CubeFollower::CubeFollower(CubeLayout layout)
    : layout_(std::move(layout)),
      cube_(layout_.sizeX, layout_.sizeY, layout_.channels, layout_.bin),
      totals_(static_cast<std::size_t>(layout_.channels) + 1, 0) {}

namespace {

bool StatOf(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }

}  // namespace

CubeFollower::Identity CubeFollower::Read(const std::string& name, const ChannelFileId& id) {
  const std::string path = JoinPath(layout_.directory, name);
  struct stat before {};
  if (!StatOf(path, before)) return {};
  Identity identity{static_cast<std::int64_t>(before.st_size),
                    static_cast<std::int64_t>(before.st_mtim.tv_sec) * 1000000000 + before.st_mtim.tv_nsec,
                    static_cast<std::uint64_t>(before.st_ino)};
  // The settling channel 0 (and a channel outside the plan) has no plane: never read.
  if (id.channel < 1 || id.channel > layout_.channels) return identity;
  PhotonFileReader reader(path, layout_.format);
  bool whole = reader.IsOpen();
  std::int64_t events = 0;
  while (whole && !interrupted_) {
    whole = reader.Next(records_);
    if (records_.empty()) break;
    std::lock_guard lock(mutex_);
    cube_.Add(id.channel, records_);
    totals_[static_cast<std::size_t>(id.channel)] += static_cast<std::int64_t>(records_.size());
    status_.photons += static_cast<std::int64_t>(records_.size());
    events += static_cast<std::int64_t>(records_.size());
    ++generation_;
  }
  std::lock_guard lock(mutex_);
  ++reads_;
  if (!whole)
    status_.problem = Format("%s could not be read whole (%lld photons read)", name.c_str(),
                             static_cast<long long>(events));
  struct stat after {};
  if (!StatOf(path, after) || after.st_size != before.st_size || after.st_ino != before.st_ino ||
      after.st_mtim.tv_sec != before.st_mtim.tv_sec || after.st_mtim.tv_nsec != before.st_mtim.tv_nsec)
    return {};  // changed while read: taken again at the next update
  return identity;
}

void CubeFollower::Rebuild(std::int32_t channel) {
  {
    std::lock_guard lock(mutex_);
    cube_.ClearPlane(channel);
    status_.photons -= totals_[static_cast<std::size_t>(channel)];
    totals_[static_cast<std::size_t>(channel)] = 0;
    ++generation_;
  }
  for (auto& [name, added] : added_)
    if (added.id.channel == channel) added.identity = Read(name, added.id);
}

int CubeFollower::Update() {
  if (interrupted_) return 0;
  // The listing first, then the mark: a file listed before its mark was cleared
  // is still named by the mark read after.
  std::map<std::string, Identity> complete;
  std::error_code ec;
  for (fs::directory_iterator it(layout_.directory, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!ParseChannelFileName(layout_, name)) continue;
    struct stat st {};
    if (!StatOf(it->path().string(), st) || !S_ISREG(st.st_mode)) continue;
    complete[name] = {static_cast<std::int64_t>(st.st_size),
                      static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
                      static_cast<std::uint64_t>(st.st_ino)};
  }
  const std::optional<ChannelInProgress> mark = ReadChannelInProgress(layout_.directory);
  std::optional<ChannelFileId> counting;
  if (mark) {
    complete.erase(mark->writtenFile);
    complete.erase(mark->channelFile);
    counting = ParseChannelFileName(layout_, mark->channelFile);
  }

  int reads = 0;
  // Channels whose file changed or went are rebuilt from the files they have now.
  std::set<std::int32_t> rebuild;
  for (auto it = added_.begin(); it != added_.end();) {
    const auto now = complete.find(it->first);
    if (now == complete.end()) {
      // Gone, or being written again under the mark: its photons leave the cube.
      rebuild.insert(it->second.id.channel);
      {
        std::lock_guard lock(mutex_);
        order_.erase(std::remove(order_.begin(), order_.end(), it->first), order_.end());
      }
      it = added_.erase(it);
      continue;
    }
    if (!(now->second == it->second.identity)) {
      if (it->second.id.channel < 1 || it->second.id.channel > layout_.channels) it->second.identity = now->second;
      else rebuild.insert(it->second.id.channel);
    }
    ++it;
  }
  for (std::int32_t channel : rebuild) {
    if (channel < 1 || channel > layout_.channels) continue;
    Rebuild(channel);
    for (const auto& [name, added] : added_) reads += added.id.channel == channel ? 1 : 0;
  }
  for (const auto& [name, identity] : complete) {
    if (interrupted_) break;
    if (added_.count(name)) continue;
    const ChannelFileId id = *ParseChannelFileName(layout_, name);
    Added added{id, {}};
    if (id.channel >= 1 && id.channel <= layout_.channels) {
      added.identity = Read(name, id);
      ++reads;
    } else {
      added.identity = identity;  // the settling channel 0 is not in the cube
    }
    added_[name] = added;
    std::lock_guard lock(mutex_);
    order_.push_back(name);
  }

  // What the view says of the scan.
  std::map<std::int32_t, std::set<std::int32_t>> channelsOfCycle;
  std::int32_t lastCycle = 0;
  std::int64_t files = 0;
  std::vector<std::int32_t> perChannel(static_cast<std::size_t>(layout_.channels), 0);
  for (const auto& [name, added] : added_) {
    if (added.id.channel < 1 || added.id.channel > layout_.channels) continue;
    channelsOfCycle[added.id.cycle].insert(added.id.channel);
    lastCycle = std::max(lastCycle, added.id.cycle);
    ++perChannel[static_cast<std::size_t>(added.id.channel - 1)];
    ++files;
  }
  std::int32_t cyclesDone = 0;
  for (const auto& [cycle, channels] : channelsOfCycle)
    if (static_cast<std::int32_t>(channels.size()) == layout_.channels) ++cyclesDone;
  std::lock_guard lock(mutex_);
  const CubeStatus before = status_;
  status_.filesAdded = files;
  status_.filesPerChannel = std::move(perChannel);
  status_.cyclesDone = cyclesDone;
  status_.lastCycle = lastCycle;
  status_.countingChannel = counting ? counting->channel : 0;
  status_.countingCycle = counting ? counting->cycle : 0;
  if (before.countingChannel != status_.countingChannel || before.countingCycle != status_.countingCycle ||
      before.filesAdded != status_.filesAdded)
    ++generation_;
  return reads;
}

std::uint64_t CubeFollower::Generation() const {
  std::lock_guard lock(mutex_);
  return generation_;
}

void CubeFollower::CopyPlane(std::int32_t channel, std::vector<std::int32_t>& out) const {
  std::lock_guard lock(mutex_);
  const std::size_t size = static_cast<std::size_t>(cube_.SizeX()) * cube_.SizeY();
  out.assign(size, 0);
  if (channel < 1 || channel > cube_.Channels()) return;
  const std::int32_t* plane = cube_.Plane(channel);
  std::copy(plane, plane + size, out.begin());
}

std::vector<std::int64_t> CubeFollower::ChannelTotals() const {
  std::lock_guard lock(mutex_);
  return {totals_.begin() + 1, totals_.end()};
}

std::vector<std::int64_t> CubeFollower::Spectrum(std::int32_t x0, std::int32_t y0, std::int32_t x1,
                                                 std::int32_t y1) const {
  std::lock_guard lock(mutex_);
  std::vector<std::int64_t> spectrum(static_cast<std::size_t>(cube_.Channels()), 0);
  const std::int32_t b = cube_.Bin();
  const std::int32_t bx0 = std::clamp(std::min(x0, x1), 0, layout_.sizeX - 1) / b;
  const std::int32_t bx1 = std::clamp(std::max(x0, x1), 0, layout_.sizeX - 1) / b;
  const std::int32_t by0 = std::clamp(std::min(y0, y1), 0, layout_.sizeY - 1) / b;
  const std::int32_t by1 = std::clamp(std::max(y0, y1), 0, layout_.sizeY - 1) / b;
  for (std::int32_t c = 1; c <= cube_.Channels(); ++c) {
    const std::int32_t* plane = cube_.Plane(c);
    std::int64_t sum = 0;
    for (std::int32_t y = by0; y <= by1; ++y)
      for (std::int32_t x = bx0; x <= bx1; ++x) sum += plane[static_cast<std::size_t>(y) * cube_.SizeX() + x];
    spectrum[static_cast<std::size_t>(c - 1)] = sum;
  }
  return spectrum;
}

CubeStatus CubeFollower::Status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::vector<std::string> CubeFollower::FilesAdded() const {
  std::lock_guard lock(mutex_);
  return order_;
}

std::int64_t CubeFollower::FileReads() const {
  std::lock_guard lock(mutex_);
  return reads_;
}

void CubeFollower::WithCube(const std::function<void(const PhotonCube&)>& use) const {
  std::lock_guard lock(mutex_);
  use(cube_);
}

CubeFollowerThread::CubeFollowerThread(CubeFollower& follower, double pollSeconds)
    : follower_(follower), pollSeconds_(pollSeconds), thread_([this] { Run(); }) {}

CubeFollowerThread::~CubeFollowerThread() {
  follower_.Interrupt();
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

void CubeFollowerThread::Poke() {
  {
    std::lock_guard lock(mutex_);
    poked_ = true;
  }
  wake_.notify_all();
}

void CubeFollowerThread::Run() {
  // The lowest priority: counting always goes first (best effort; a refusal changes nothing else).
  static_cast<void>(::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 19));
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, std::chrono::duration<double>(pollSeconds_), [this] { return poked_ || stop_; });
    if (stop_) return;
    poked_ = false;
    lock.unlock();
    follower_.Update();
    lock.lock();
  }
}

}  // namespace velmar
