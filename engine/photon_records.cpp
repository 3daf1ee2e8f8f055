#include "engine/photon_records.h"

#include <algorithm>

namespace velmar {

RecordGeometry GeometryOf(const AcquisitionParameters& p) {
  RecordGeometry g;
  g.format = p.DataFormat;
  g.storedXSize = p.StoredXSize;
  g.storedYSize = p.StoredYSize;
  if (p.StoredXSize == 256 && ThomsonCamera(p.CCDXSize, p.CCDYSize)) {
    // The 768 by 288 camera stored on 256 addresses: X a third, Y as it is.
    g.scaleX = 0.33333334f;
    g.scaleY = 1.0f;
  } else {
    g.scaleX = p.CCDXSize > 0 ? static_cast<float>(p.StoredXSize) / static_cast<float>(p.CCDXSize) : 1.0f;
    g.scaleY = p.CCDYSize > 0 ? static_cast<float>(p.StoredYSize) / static_cast<float>(p.CCDYSize) : 1.0f;
  }
  g.filterY511 = p.StoredYSize == 512 && p.DataFormat != kFormatXY256_2Bytes;
  g.dalsaSwap = p.DalsaSwap == 1;
  return g;
}

std::int32_t RecordSize(std::int32_t format) {
  switch (format) {
    case kFormatXYFrame8Bytes: return 8;
    case kFormatXY256_2Bytes: return 2;
    default: return 4;
  }
}

namespace {
inline void Put16(std::uint8_t*& p, std::int32_t v) {
  p[0] = static_cast<std::uint8_t>(v & 0xFF);
  p[1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  p += 2;
}

inline void Put32(std::uint8_t*& p, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  p[0] = static_cast<std::uint8_t>(u);
  p[1] = static_cast<std::uint8_t>(u >> 8);
  p[2] = static_cast<std::uint8_t>(u >> 16);
  p[3] = static_cast<std::uint8_t>(u >> 24);
  p += 4;
}

// The right half of a two-output camera read at high rate comes mirrored: its
// addresses are mirrored back within that half.
inline std::int32_t Unswap(std::int32_t x, std::int32_t half) { return x >= half ? 3 * half - 1 - x : x; }
}  // namespace

std::int32_t EncodeRecords(const float* x, const float* y, const std::int32_t* tag, std::int32_t count,
                           const RecordGeometry& g, std::vector<std::uint8_t>& out) {
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(count) * RecordSize(g.format));
  std::uint8_t* p = out.data() + start;
  const std::int32_t half = g.storedXSize / 2;
  std::int32_t written = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    const float sx = x[i] * g.scaleX;
    const float sy = y[i] * g.scaleY;
    if (g.format == kFormatXY256_2Bytes) {
      auto bx = static_cast<std::int32_t>(std::clamp(sx, 0.0f, 255.0f));
      const auto by = static_cast<std::int32_t>(std::clamp(sy, 0.0f, 255.0f));
      if (g.dalsaSwap) bx = std::clamp(Unswap(bx, half), 0, 255);
      *p++ = static_cast<std::uint8_t>(bx);
      *p++ = static_cast<std::uint8_t>(by);
    } else {
      if (g.filterY511 && sy == 511.0f) continue;
      auto ix = static_cast<std::int32_t>(sx);  // toward zero
      if (g.dalsaSwap) ix = Unswap(ix, half);
      Put16(p, static_cast<std::int32_t>(sy));
      Put16(p, ix);
      if (g.format == kFormatXYFrame8Bytes) Put32(p, tag[i]);
    }
    ++written;
  }
  out.resize(static_cast<std::size_t>(p - out.data()));
  return written;
}

std::int64_t WholeFieldBytes(std::int32_t format, std::int64_t bytes) {
  const std::int64_t size = RecordSize(format);
  const std::int64_t whole = bytes / size * size;
  const std::int64_t rest = bytes % size;
  if (format == kFormatXY256_2Bytes) return bytes;  // one-byte fields
  if (format == kFormatXYFrame8Bytes) return whole + (rest >= 4 ? 4 : (rest >= 2 ? 2 : 0));
  return whole + (rest >= 2 ? 2 : 0);
}

std::size_t DecodeRecords(std::int32_t format, const std::uint8_t* b, std::size_t size,
                          std::vector<PhotonRecord>& out) {
  const std::size_t recordSize = static_cast<std::size_t>(RecordSize(format));
  const std::size_t count = size / recordSize;
  out.reserve(out.size() + count);
  auto get16 = [](const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); };
  for (std::size_t i = 0; i < count; ++i, b += recordSize) {
    PhotonRecord r;
    if (format == kFormatXY256_2Bytes) {
      r.x = b[0];
      r.y = b[1];
    } else {
      r.y = get16(b);
      r.x = get16(b + 2);
      if (format == kFormatXYFrame8Bytes)
        r.tag = static_cast<std::int32_t>(static_cast<std::uint32_t>(b[4]) | (static_cast<std::uint32_t>(b[5]) << 8) |
                                          (static_cast<std::uint32_t>(b[6]) << 16) |
                                          (static_cast<std::uint32_t>(b[7]) << 24));
    }
    out.push_back(r);
  }
  return count * recordSize;
}

}  // namespace velmar
