#include "engine/blob_analysis.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "engine/simd_level.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
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

// One row of 64-pixel chunks -> 64-bit masks (pixel >= bound), in the widest
// instructions the processor has; the choice is made once. Returns which words
// hold a pixel (bit w for word w, words from 63 on sharing bit 63): reading the
// row back to find them would wait on the stores just made.
using RowKernel = std::uint64_t (*)(const std::uint8_t* line, int words, std::uint8_t bound, std::uint64_t* out);

std::uint64_t RowPortable(const std::uint8_t* line, int words, std::uint8_t bound, std::uint64_t* out) {
  std::uint64_t any = 0;
  for (int w = 0; w < words; ++w) {
    const std::uint8_t* p = line + 64 * w;
    std::uint64_t mask = 0;
#if defined(__SSE2__)
    const __m128i b = _mm_set1_epi8(static_cast<char>(bound));
    for (int i = 0; i < 4; ++i) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
      // v >= b (unsigned) exactly when max(v, b) == v.
      const __m128i ge = _mm_cmpeq_epi8(_mm_max_epu8(v, b), v);
      mask |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(ge)) & 0xFFFFu) << (16 * i);
    }
#else
    for (int i = 0; i < 64; ++i) mask |= static_cast<std::uint64_t>(p[i] >= bound) << i;
#endif
    out[w] = mask;
    any |= std::uint64_t{mask != 0} << std::min(w, 63);
  }
  return any;
}

#if defined(__x86_64__)
// Frames stream from memory: ask for the lines a few kilobytes ahead.
constexpr int kPrefetchAhead = 4096;

__attribute__((target("avx2"))) std::uint64_t RowAvx2(const std::uint8_t* line, int words, std::uint8_t bound,
                                                      std::uint64_t* out) {
  const __m256i b = _mm256_set1_epi8(static_cast<char>(bound));
  std::uint64_t any = 0;
  for (int w = 0; w < words; ++w) {
    _mm_prefetch(reinterpret_cast<const char*>(line + 64 * w + kPrefetchAhead), _MM_HINT_T0);
    const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + 64 * w));
    const __m256i hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(line + 64 * w + 32));
    // Most chunks of a photon-counting frame are empty: one test settles them.
    const __m256i top = _mm256_max_epu8(lo, hi);
    if (_mm256_testz_si256(_mm256_cmpeq_epi8(_mm256_max_epu8(top, b), top), _mm256_set1_epi8(-1))) {
      out[w] = 0;
      continue;
    }
    const auto l = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(lo, b), lo)));
    const auto h = static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(hi, b), hi)));
    out[w] = l | (static_cast<std::uint64_t>(h) << 32);
    any |= std::uint64_t{1} << std::min(w, 63);
  }
  return any;
}

__attribute__((target("avx512f,avx512bw"))) std::uint64_t RowAvx512(const std::uint8_t* line, int words,
                                                                     std::uint8_t bound, std::uint64_t* out) {
  const __m512i b = _mm512_set1_epi8(static_cast<char>(bound));
  std::uint64_t any = 0;
  for (int w = 0; w < words; ++w) {
    _mm_prefetch(reinterpret_cast<const char*>(line + 64 * w + kPrefetchAhead), _MM_HINT_T0);
    const std::uint64_t mask = _mm512_cmpge_epu8_mask(_mm512_loadu_si512(line + 64 * w), b);
    out[w] = mask;
    any |= std::uint64_t{mask != 0} << std::min(w, 63);
  }
  return any;
}
#endif

RowKernel ChooseRowKernel() {
#if defined(__x86_64__)
  switch (DetectedSimdLevel()) {
    case SimdLevel::kAvx512bw:
      return RowAvx512;
    case SimdLevel::kAvx2:
      return RowAvx2;
    case SimdLevel::kPortable:
      break;
  }
#endif
  return RowPortable;
}

const RowKernel kRowKernel = ChooseRowKernel();

// BinarizeRow, telling which words hold a pixel as the row kernel does.
std::uint64_t BinarizeRowWords(const std::uint8_t* line, int width, std::uint8_t bound, std::uint64_t* row) {
  const int fullWords = width / 64;
  std::uint64_t words = kRowKernel(line, fullWords, bound, row);
  if (width % 64) {
    std::uint64_t mask = 0;
    for (int x = fullWords * 64; x < width; ++x) mask |= static_cast<std::uint64_t>(line[x] >= bound) << (x & 63);
    row[fullWords] = mask;
    words |= std::uint64_t{mask != 0} << std::min(fullWords, 63);
  }
  return words;
}

}  // namespace

void BinarizeRow(const std::uint8_t* line, int width, std::uint8_t bound, std::uint64_t* row) {
  BinarizeRowWords(line, width, bound, row);
}

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
  for (int y = 0; y < height; ++y)
    BinarizeRow(src + static_cast<std::size_t>(y) * stride, width, static_cast<std::uint8_t>(bound), dst.Row(y));
}

std::int32_t BlobScratch::NewLabel() {
  const std::int32_t label = labelCount_++;
  if (static_cast<std::size_t>(label) >= labels_.size())
    labels_.resize(std::max<std::size_t>(1024, labels_.size() * 2));
  labels_[label] = {label, 0, 0, 0};
  return label;
}

std::int32_t BlobScratch::Find(std::int32_t label) {
  while (labels_[label].parent != label) {
    labels_[label].parent = labels_[labels_[label].parent].parent;
    label = labels_[label].parent;
  }
  return label;
}

// Joins two roots under the older label (the one whose first pixel comes first).
std::int32_t BlobScratch::Join(std::int32_t a, std::int32_t b) {
  if (a == b) return a;
  if (b < a) std::swap(a, b);
  Label& root = labels_[a];
  const Label& child = labels_[b];
  root.area += child.area;
  root.sumX += child.sumX;
  root.sumY += child.sumY;
  labels_[b].parent = a;
  return a;
}

// The runs of set bits in one word whose first pixel is base; a run that reaches the
// word's end stays open in openStart for the next word.
void BlobScratch::RunsOfWord(std::uint64_t bits, std::int32_t base, std::int32_t& openStart,
                             std::vector<Run>& runs) {
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

void BlobScratch::ExtractRuns(const std::uint64_t* row, int wordsPerRow, int width, std::vector<Run>& runs) {
  runs.clear();
  std::int32_t openStart = -1;  // a run still going at the end of the previous word
  for (int w = 0; w < wordsPerRow; ++w) {
    const std::uint64_t bits = row[w];
    const std::int32_t base = w * 64;
    if (openStart >= 0 && !(bits & 1u)) {
      runs.push_back({openStart, base - 1, -1});
      openStart = -1;
    }
    RunsOfWord(bits, base, openStart, runs);
  }
  if (openStart >= 0) runs.push_back({openStart, width - 1, -1});
}

void BlobScratch::ExtractRunsOfWords(const std::uint64_t* row, std::uint64_t words, std::vector<Run>& runs) {
  runs.clear();
  std::int32_t openStart = -1;  // a run still going at the end of the previous word
  int last = -2;                // the previous word that holds pixels
  while (words) {
    const int w = std::countr_zero(words);
    words &= words - 1;
    const std::uint64_t bits = row[w];
    const std::int32_t base = w * 64;
    // A run open at the end of a word goes on only into the very next word's first pixel.
    if (openStart >= 0 && (w != last + 1 || !(bits & 1u))) {
      runs.push_back({openStart, last * 64 + 63, -1});
      openStart = -1;
    }
    last = w;
    RunsOfWord(bits, base, openStart, runs);
  }
  // Bits past the width are clear, so an open run ends with its last word.
  if (openStart >= 0) runs.push_back({openStart, last * 64 + 63, -1});
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
    Label& sums = labels_[label];
    sums.area += static_cast<std::int32_t>(length);
    sums.sumX += (static_cast<std::int64_t>(run.start) + run.end) * length / 2;
    sums.sumY += static_cast<std::int64_t>(y) * length;
  }
}

void BlobScratch::Begin() {
  labelCount_ = 0;
  previous_.clear();
}

void BlobScratch::AddRow(const std::uint64_t* row, int wordsPerRow, int width, int y) {
  // Most rows of a photon-counting frame are empty: settle them with one test.
  std::uint64_t any = 0;
  for (int w = 0; w < wordsPerRow; ++w) any |= row[w];
  if (!any) {
    previous_.clear();
    return;
  }
  AddNonEmptyRow(row, wordsPerRow, width, y);
}

void BlobScratch::AddNonEmptyRow(const std::uint64_t* row, int wordsPerRow, int width, int y) {
  ExtractRuns(row, wordsPerRow, width, current_);
  LabelRow(y);
  std::swap(previous_, current_);
}

void BlobScratch::Finish(BlobList& out) {
  out.area.clear();
  out.centerX.clear();
  out.centerY.clear();
  for (std::int32_t label = 0; label < labelCount_; ++label) {
    const Label& blob = labels_[label];
    if (blob.parent != label) continue;
    const double area = blob.area;
    out.area.push_back(static_cast<float>(area));
    out.centerX.push_back(static_cast<float>(static_cast<double>(blob.sumX) / area));
    out.centerY.push_back(static_cast<float>(static_cast<double>(blob.sumY) / area));
  }
}

void BlobScratch::Analyse(const BitImage& image, BlobList& out) {
  Begin();
  for (int y = 0; y < image.height; ++y) AddRow(image.Row(y), image.wordsPerRow, image.width, y);
  Finish(out);
}

void BlobScratch::Detect(const std::uint8_t* src, int width, int height, int stride, int bound,
                         BitImage& binary, BlobList& out) {
  if (bound <= 0 || bound > 255) {
    Binarize(src, width, height, stride, bound, binary);
    Analyse(binary, out);
    return;
  }
  if (binary.width != width || binary.height != height) binary.Resize(width, height);
  Begin();
  // Each row is labelled as soon as it is binarised, while the next rows stream in.
  for (int y = 0; y < height; ++y) {
    std::uint64_t* row = binary.Row(y);
    const std::uint64_t words =
        BinarizeRowWords(src + static_cast<std::size_t>(y) * stride, width, static_cast<std::uint8_t>(bound), row);
    if (!words) {
      previous_.clear();
    } else if (binary.wordsPerRow <= 64) {
      // Only the words that hold pixels are looked at.
      ExtractRunsOfWords(row, words, current_);
      LabelRow(y);
      std::swap(previous_, current_);
    } else {
      AddNonEmptyRow(row, binary.wordsPerRow, width, y);
    }
  }
  Finish(out);
}

void GreyWeightedBlobs(const BitImage& image, const std::uint8_t* grey, int stride, BlobList& out) {
  out.area.clear();
  out.centerX.clear();
  out.centerY.clear();
  std::vector<char> seen(static_cast<std::size_t>(image.width) * image.height, 0);
  std::vector<std::pair<int, int>> stack;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      const std::size_t first = static_cast<std::size_t>(y) * image.width + x;
      if (seen[first] || !image.Get(x, y)) continue;
      // A blob begins at its first pixel in raster order, as the run labelling orders them.
      std::int64_t area = 0, sumX = 0, sumY = 0, weight = 0, weightedX = 0, weightedY = 0;
      seen[first] = 1;
      stack.push_back({x, y});
      while (!stack.empty()) {
        const auto [cx, cy] = stack.back();
        stack.pop_back();
        const std::int64_t g = grey[static_cast<std::size_t>(cy) * stride + cx];
        ++area;
        sumX += cx;
        sumY += cy;
        weight += g;
        weightedX += g * cx;
        weightedY += g * cy;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = cx + dx, ny = cy + dy;
            if (nx < 0 || ny < 0 || nx >= image.width || ny >= image.height) continue;
            const std::size_t n = static_cast<std::size_t>(ny) * image.width + nx;
            if (seen[n] || !image.Get(nx, ny)) continue;
            seen[n] = 1;
            stack.push_back({nx, ny});
          }
      }
      out.area.push_back(static_cast<float>(area));
      if (weight > 0) {
        out.centerX.push_back(static_cast<float>(static_cast<double>(weightedX) / weight));
        out.centerY.push_back(static_cast<float>(static_cast<double>(weightedY) / weight));
      } else {
        out.centerX.push_back(static_cast<float>(static_cast<double>(sumX) / area));
        out.centerY.push_back(static_cast<float>(static_cast<double>(sumY) / area));
      }
    }
}

}  // namespace velmar
