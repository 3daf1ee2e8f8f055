#pragma once
// Counting the pixels at or above a grey bound in one pass, at the widest vector width
// the processor offers: the least work any detection must do on a frame.
#include <cstddef>
#include <cstdint>

#include "engine/simd_level.h"

namespace velmar {

// Number of the count bytes at pixels that are >= bound (bound 0: all of them).
std::size_t CountAtOrAbove(const std::uint8_t* pixels, std::size_t count, std::uint8_t bound);

// The same with the kernel of the given level, which the processor must offer
// (throws std::invalid_argument otherwise): tests reach every width this way.
std::size_t CountAtOrAbove(SimdLevel level, const std::uint8_t* pixels, std::size_t count, std::uint8_t bound);

}  // namespace velmar
