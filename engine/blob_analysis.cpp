#include "engine/blob_analysis.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmar {

void BitImage::Resize(int w, int h) {
  width = w;
  height = h;
  wordsPerRow = (w + 63) / 64;
  words.assign(static_cast<std::size_t>(wordsPerRow) * h, 0);
}

bool BitImage::Get(int x, int y) const { return (Row(y)[x >> 6] >> (x & 63)) & 1u; }

void BitImage::Set(int x, int y, bool on) {
  std::uint64_t& word = Row(y)[x >> 6];
  const std::uint64_t bit = std::uint64_t{1} << (x & 63);
  word = on ? (word | bit) : (word & ~bit);
}

namespace {

// 64 pixels -> 64 bits (pixel >= bound).
inline std::uint64_t ChunkMask(const std::uint8_t* p, std::uint8_t bound) {
#if defined(__SSE2__)
  const __m128i b = _mm_set1_epi8(static_cast<char>(bound));
  std::uint64_t mask = 0;
  for (int i = 0; i < 4; ++i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    // v >= b (unsigned) exactly when max(v, b) == v.
    const __m128i ge = _mm_cmpeq_epi8(_mm_max_epu8(v, b), v);
    mask |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(ge)) & 0xFFFFu) << (16 * i);
  }
  return mask;
#else
  std::uint64_t mask = 0;
  for (int i = 0; i < 64; ++i) mask |= static_cast<std::uint64_t>(p[i] >= bound) << i;
  return mask;
#endif
}

}  // namespace

void Binarize(const std::uint8_t* src, int width, int height, int stride, int bound, BitImage& dst) {
  if (dst.width != width || dst.height != height) dst.Resize(width, height);
  if (bound <= 0) {
    // Every pixel passes; the bits past the width stay clear.
    for (int y = 0; y < height; ++y) {
      std::uint64_t* row = dst.Row(y);
      for (int w = 0; w < dst.wordsPerRow; ++w) row[w] = ~std::uint64_t{0};
      if (width % 64) row[dst.wordsPerRow - 1] = (std::uint64_t{1} << (width % 64)) - 1;
    }
    return;
  }
  if (bound > 255) {
    std::fill(dst.words.begin(), dst.words.end(), 0);
    return;
  }
  const auto b = static_cast<std::uint8_t>(bound);
  const int fullWords = width / 64;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* line = src + static_cast<std::size_t>(y) * stride;
    std::uint64_t* row = dst.Row(y);
    for (int w = 0; w < fullWords; ++w) row[w] = ChunkMask(line + 64 * w, b);
    if (width % 64) {
      std::uint64_t mask = 0;
      for (int x = fullWords * 64; x < width; ++x)
        mask |= static_cast<std::uint64_t>(line[x] >= b) << (x & 63);
      row[fullWords] = mask;
    }
  }
}

std::int32_t BlobScratch::NewLabel() {
  const std::int32_t label = labels_++;
  if (static_cast<std::size_t>(label) >= parent_.size()) {
    const std::size_t grown = std::max<std::size_t>(1024, parent_.size() * 2);
    parent_.resize(grown);
    area_.resize(grown);
    sumX_.resize(grown);
    sumY_.resize(grown);
  }
  parent_[label] = label;
  area_[label] = 0;
  sumX_[label] = 0;
  sumY_[label] = 0;
  return label;
}

std::int32_t BlobScratch::Find(std::int32_t label) {
  while (parent_[label] != label) {
    parent_[label] = parent_[parent_[label]];
    label = parent_[label];
  }
  return label;
}

// Joins two roots under the older label (the one whose first pixel comes first).
std::int32_t BlobScratch::Join(std::int32_t a, std::int32_t b) {
  if (a == b) return a;
  if (b < a) std::swap(a, b);
  parent_[b] = a;
  area_[a] += area_[b];
  sumX_[a] += sumX_[b];
  sumY_[a] += sumY_[b];
  return a;
}

void BlobScratch::ExtractRuns(const BitImage& image, int y, std::vector<Run>& runs) {
  runs.clear();
  const std::uint64_t* row = image.Row(y);
  std::int32_t openStart = -1;  // a run still going at the end of the previous word
  for (int w = 0; w < image.wordsPerRow; ++w) {
    std::uint64_t bits = row[w];
    const std::int32_t base = w * 64;
    if (openStart >= 0 && !(bits & 1u)) {
      runs.push_back({openStart, base - 1, -1});
      openStart = -1;
    }
    while (bits) {
      const int s = std::countr_zero(bits);
      const std::uint64_t rest = ~bits & (~std::uint64_t{0} << s);
      if (!rest) {  // the run reaches the end of this word
        if (openStart < 0) openStart = base + s;
        break;
      }
      const int e = std::countr_zero(rest);
      runs.push_back({openStart >= 0 ? openStart : base + s, base + e - 1, -1});
      openStart = -1;
      bits &= ~std::uint64_t{0} << e;
    }
  }
  if (openStart >= 0) runs.push_back({openStart, image.width - 1, -1});
}

void BlobScratch::LabelRow(int y) {
  std::size_t j = 0;
  for (Run& run : current_) {
    // Runs of the row above touch this one (8-connected) when they overlap [start-1, end+1].
    while (j < previous_.size() && previous_[j].end < run.start - 1) ++j;
    std::int32_t label = -1;
    for (std::size_t k = j; k < previous_.size() && previous_[k].start <= run.end + 1; ++k) {
      const std::int32_t root = Find(previous_[k].label);
      label = label < 0 ? root : Join(label, root);
    }
    if (label < 0) label = NewLabel();
    run.label = label;
    const std::int64_t length = run.end - run.start + 1;
    area_[label] += length;
    sumX_[label] += (static_cast<std::int64_t>(run.start) + run.end) * length / 2;
    sumY_[label] += static_cast<std::int64_t>(y) * length;
  }
}

void BlobScratch::Analyse(const BitImage& image, BlobList& out) {
  labels_ = 0;
  previous_.clear();
  for (int y = 0; y < image.height; ++y) {
    ExtractRuns(image, y, current_);
    LabelRow(y);
    std::swap(previous_, current_);
  }
  out.area.clear();
  out.centerX.clear();
  out.centerY.clear();
  for (std::int32_t label = 0; label < labels_; ++label) {
    if (parent_[label] != label) continue;
    const double area = static_cast<double>(area_[label]);
    out.area.push_back(static_cast<float>(area));
    out.centerX.push_back(static_cast<float>(static_cast<double>(sumX_[label]) / area));
    out.centerY.push_back(static_cast<float>(static_cast<double>(sumY_[label]) / area));
  }
}

}  // namespace velmar
