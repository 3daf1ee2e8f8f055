#include "platform/format.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace velmar {

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<std::size_t>(length));
    std::vsnprintf(text.data(), text.size() + 1, format, args);
  }
  va_end(args);
  return text;
}

namespace {
std::int32_t Saturate(double whole) {
  if (std::isnan(whole)) return 0;
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  if (whole <= lo) return std::numeric_limits<std::int32_t>::min();
  if (whole >= hi) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(whole);
}
}  // namespace

std::int32_t RoundHalfTowardZero(double value) {
  const double whole = std::trunc(value);
  const double fraction = value - whole;
  if (fraction > 0.5) return Saturate(whole + 1.0);
  if (fraction < -0.5) return Saturate(whole - 1.0);
  return Saturate(whole);
}

std::int32_t TruncateTowardZero(double value) { return Saturate(std::trunc(value)); }

std::string ShortenLeft(std::string_view text, std::size_t width) {
  if (text.size() <= width) return std::string(text);
  if (width < 3) return std::string("...").substr(0, width);
  return "..." + std::string(text.substr(text.size() - (width - 3)));
}

}  // namespace velmar
