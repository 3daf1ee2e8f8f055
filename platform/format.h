#pragma once
// printf-style formatting with the exact C semantics of the program's formats
// ("%4.4d", "%+4.4d", "%9.3f", "%6.6ld", ...), and the program's rounding rules.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmar {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Nearest integer, exact halves toward zero (2.5 -> 2, -2.5 -> -2, 2.51 -> 3).
// Values beyond the 32-bit range saturate; NaN gives 0.
std::int32_t RoundHalfTowardZero(double value);

// Integer part, toward zero (-2.9 -> -2); saturating like RoundHalfTowardZero.
std::int32_t TruncateTowardZero(double value);

// A text longer than width becomes "..." followed by its last width - 3 characters.
std::string ShortenLeft(std::string_view text, std::size_t width);

}  // namespace velmar
