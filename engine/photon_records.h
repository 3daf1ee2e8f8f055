#pragma once
// Photon records as the photon files hold them (little-endian, headerless):
// format 0 Y,X as signed 16-bit; format 1 the same and the frame tag as signed
// 32-bit; format 2 X,Y as unsigned bytes (the 16-bit word Y * 256 + X).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "params/acquisition_parameters.h"

namespace velmar {

struct RecordGeometry {
  std::int32_t format = kFormatXY4Bytes;
  float scaleX = 1.0f, scaleY = 1.0f;
  std::int32_t storedXSize = 256, storedYSize = 256;
  bool filterY511 = false;  // stored Y size 512: an event at Y 511.0 is not written
  bool dalsaSwap = false;
};

RecordGeometry GeometryOf(const AcquisitionParameters& p);
std::int32_t RecordSize(std::int32_t format);  // 4, 8 or 2 bytes

// Appends the records of count events to out, in order; returns the number of
// events written (the others were filtered out).
std::int32_t EncodeRecords(const float* x, const float* y, const std::int32_t* tag, std::int32_t count,
                           const RecordGeometry& geometry, std::vector<std::uint8_t>& out);

// One record read back: the stored addresses and, in format 1, the frame tag (0 otherwise).
struct PhotonRecord {
  std::int32_t x = 0, y = 0, tag = 0;
};

// Decodes the whole records of bytes (a trailing part record is left alone);
// appends them to out and returns how many bytes were used.
std::size_t DecodeRecords(std::int32_t format, const std::uint8_t* bytes, std::size_t size,
                          std::vector<PhotonRecord>& out);

// Of the first bytes of an encoded run, how many form whole fields (a short write
// keeps only those).
std::int64_t WholeFieldBytes(std::int32_t format, std::int64_t bytes);

}  // namespace velmar
