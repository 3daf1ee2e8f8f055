#include "engine/pixel_count.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmar {

namespace {

using CountKernel = std::size_t (*)(const std::uint8_t* pixels, std::size_t count, std::uint8_t bound);

// Byte counters are folded into wide sums before 255 additions can wrap them.
constexpr std::size_t kFoldEvery = 255;

std::size_t CountScalar(const std::uint8_t* pixels, std::size_t count, std::uint8_t bound) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < count; ++i) n += pixels[i] >= bound;
  return n;
}

std::size_t CountPortable(const std::uint8_t* pixels, std::size_t count, std::uint8_t bound) {
  std::size_t n = 0, i = 0;
#if defined(__SSE2__)
  const __m128i b = _mm_set1_epi8(static_cast<char>(bound));
  const __m128i zero = _mm_setzero_si128();
  while (count - i >= 16) {
    const std::size_t end = i + 16 * std::min((count - i) / 16, kFoldEvery);
    __m128i counters = zero;
    for (; i < end; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + i));
      // v >= b (unsigned) exactly when max(v, b) == v; a passing byte is -1.
      counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(_mm_max_epu8(v, b), v));
    }
    const __m128i sums = _mm_sad_epu8(counters, zero);  // two sums, each below 2^16
    n += static_cast<std::uint32_t>(_mm_cvtsi128_si32(sums)) +
         static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(sums, sums)));
  }
#endif
  return n + CountScalar(pixels + i, count - i, bound);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) std::size_t CountAvx2(const std::uint8_t* pixels, std::size_t count,
                                                      std::uint8_t bound) {
  const __m256i b = _mm256_set1_epi8(static_cast<char>(bound));
  const __m256i zero = _mm256_setzero_si256();
  std::size_t n = 0, i = 0;
  while (count - i >= 32) {
    const std::size_t end = i + 32 * std::min((count - i) / 32, kFoldEvery);
    __m256i counters = zero;
    for (; i < end; i += 32) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + i));
      counters = _mm256_sub_epi8(counters, _mm256_cmpeq_epi8(_mm256_max_epu8(v, b), v));
    }
    const __m256i sums = _mm256_sad_epu8(counters, zero);
    n += static_cast<std::size_t>(_mm256_extract_epi64(sums, 0) + _mm256_extract_epi64(sums, 1) +
                                  _mm256_extract_epi64(sums, 2) + _mm256_extract_epi64(sums, 3));
  }
  return n + CountScalar(pixels + i, count - i, bound);
}

__attribute__((target("avx512f,avx512bw"))) std::size_t CountAvx512(const std::uint8_t* pixels,
                                                                     std::size_t count, std::uint8_t bound) {
  const __m512i b = _mm512_set1_epi8(static_cast<char>(bound));
  const __m512i zero = _mm512_setzero_si512();
  const __m512i one = _mm512_set1_epi8(1);
  std::size_t n = 0, i = 0;
  while (count - i >= 64) {
    const std::size_t end = i + 64 * std::min((count - i) / 64, kFoldEvery);
    __m512i counters = zero;
    for (; i < end; i += 64) {
      const __mmask64 pass = _mm512_cmpge_epu8_mask(_mm512_loadu_si512(pixels + i), b);
      counters = _mm512_mask_add_epi8(counters, pass, counters, one);
    }
    alignas(64) std::uint64_t sums[8];
    _mm512_store_si512(sums, _mm512_sad_epu8(counters, zero));
    for (std::uint64_t sum : sums) n += sum;
  }
  return n + CountScalar(pixels + i, count - i, bound);
}
#endif

CountKernel KernelFor(SimdLevel level) {
#if defined(__x86_64__)
  switch (level) {
    case SimdLevel::kAvx512bw:
      return CountAvx512;
    case SimdLevel::kAvx2:
      return CountAvx2;
    case SimdLevel::kPortable:
      break;
  }
#else
  (void)level;
#endif
  return CountPortable;
}

const CountKernel kCountKernel = KernelFor(DetectedSimdLevel());

}  // namespace

std::size_t CountAtOrAbove(const std::uint8_t* pixels, std::size_t count, std::uint8_t bound) {
  return kCountKernel(pixels, count, bound);
}

std::size_t CountAtOrAbove(SimdLevel level, const std::uint8_t* pixels, std::size_t count, std::uint8_t bound) {
  if (level > DetectedSimdLevel())
    throw std::invalid_argument(std::string("this processor has no ") + SimdLevelName(level) + " instructions (best: " +
                                SimdLevelName(DetectedSimdLevel()) + ")");
  return KernelFor(level)(pixels, count, bound);
}

}  // namespace velmar
