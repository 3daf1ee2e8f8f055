#include "export/photon_cube.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace velmar {

namespace {
constexpr std::size_t kBlockRecords = 65536;
}

PhotonFileReader::PhotonFileReader(const std::string& path, std::int32_t format)
    : file_(std::fopen(path.c_str(), "rb")), format_(format), bytes_(kBlockRecords * RecordSize(format)) {}

PhotonFileReader::~PhotonFileReader() {
  if (file_) std::fclose(file_);
}

bool PhotonFileReader::Next(std::vector<PhotonRecord>& records) {
  records.clear();
  if (!file_) return false;
  for (;;) {
    const std::size_t got = std::fread(bytes_.data() + kept_, 1, bytes_.size() - kept_, file_);
    if (std::ferror(file_)) return false;
    const std::size_t have = kept_ + got;
    const std::size_t used = DecodeRecords(format_, bytes_.data(), have, records);
    recordsRead_ += static_cast<std::int64_t>(records.size());
    kept_ = have - used;
    if (kept_ > 0) std::memmove(bytes_.data(), bytes_.data() + used, kept_);
    if (got == 0) return kept_ == 0;  // a part record left at the end: a cut file
    if (!records.empty()) return true;
  }
}

PhotonCube::PhotonCube(std::int32_t sizeX, std::int32_t sizeY, std::int32_t channels, std::int32_t bin)
    : sizeX_(sizeX),
      sizeY_(sizeY),
      channels_(channels),
      bin_(bin < 1 ? 1 : bin),
      binnedX_((sizeX + bin_ - 1) / bin_),
      binnedY_((sizeY + bin_ - 1) / bin_),
      counts_(static_cast<std::size_t>(binnedX_) * binnedY_ * (channels > 0 ? channels : 0), 0) {}

void PhotonCube::Add(std::int32_t channel, const std::vector<PhotonRecord>& records) {
  if (channel < 1 || channel > channels_) return;
  std::int32_t* plane = counts_.data() + static_cast<std::size_t>(channel - 1) * binnedX_ * binnedY_;
  for (const PhotonRecord& r : records) {
    if (r.x < 0 || r.y < 0 || r.x >= sizeX_ || r.y >= sizeY_) continue;
    ++plane[static_cast<std::size_t>(r.y / bin_) * binnedX_ + r.x / bin_];
  }
}

void PhotonCube::ClearPlane(std::int32_t channel) {
  if (channel < 1 || channel > channels_) return;
  const std::size_t size = static_cast<std::size_t>(binnedX_) * binnedY_;
  std::fill_n(counts_.begin() + static_cast<std::ptrdiff_t>((channel - 1) * size), size, 0);
}

}  // namespace velmar
