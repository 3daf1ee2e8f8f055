#pragma once
// Photon counts per (X, Y, channel), fed with the records of channel files as a
// PhotonFileReader reads them a block at a time, so that a file of any length
// costs the same memory.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/photon_records.h"

namespace velmar {

// Reads one photon file a block of records at a time.
class PhotonFileReader {
 public:
  PhotonFileReader(const std::string& path, std::int32_t format);
  ~PhotonFileReader();
  PhotonFileReader(const PhotonFileReader&) = delete;
  PhotonFileReader& operator=(const PhotonFileReader&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // The next records (empty at the end); false on a read error or a part record at the end.
  bool Next(std::vector<PhotonRecord>& records);
  std::int64_t RecordsRead() const { return recordsRead_; }

 private:
  std::FILE* file_ = nullptr;
  std::int32_t format_;
  std::vector<std::uint8_t> bytes_;
  std::size_t kept_ = 0;
  std::int64_t recordsRead_ = 0;
};

class PhotonCube {
 public:
  // sizeX by sizeY stored addresses, binned bin by bin, channels planes.
  PhotonCube(std::int32_t sizeX, std::int32_t sizeY, std::int32_t channels, std::int32_t bin);

  std::int32_t SizeX() const { return binnedX_; }
  std::int32_t SizeY() const { return binnedY_; }
  std::int32_t Channels() const { return channels_; }
  std::int32_t Bin() const { return bin_; }
  // Adds events to the plane of channel (1 = first); events outside the addresses are not counted.
  void Add(std::int32_t channel, const std::vector<PhotonRecord>& records);
  void ClearPlane(std::int32_t channel);
  const std::int32_t* Plane(std::int32_t channel) const {
    return counts_.data() + static_cast<std::size_t>(channel - 1) * binnedX_ * binnedY_;
  }

 private:
  std::int32_t sizeX_, sizeY_, channels_, bin_, binnedX_, binnedY_;
  std::vector<std::int32_t> counts_;
};

}  // namespace velmar
