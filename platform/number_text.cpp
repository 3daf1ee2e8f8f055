#include "platform/number_text.h"

#include <charconv>
#include <cmath>

namespace velmar {

namespace {
// Skips blanks and one '+' (which from_chars refuses); keeps a '-'.
std::string_view Prepare(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' ||
                             text[i] == '\r' || text[i] == '\v' || text[i] == '\f'))
    ++i;
  text.remove_prefix(i);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) return {};
  }
  return text;
}
}  // namespace

std::optional<std::int32_t> LeadingInt(std::string_view text) {
  text = Prepare(text);
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc()) return std::nullopt;
  return value;
}

std::optional<std::int32_t> WholeInt(std::string_view text) {
  text = Prepare(text);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  std::int32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

namespace {
std::string_view TrimEnd(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// The real at the start of a prepared text, and where it ends.
std::optional<float> RealAt(std::string_view text, const char** end) {
  // Only digits, a point or a sign may begin a real here: "inf" and "nan" are not numbers to us.
  if (text.empty()) return std::nullopt;
  const char first = text.front();
  const bool digitStart = (first >= '0' && first <= '9') || first == '.' || first == '-';
  if (!digitStart) return std::nullopt;
  float value = 0;
  const auto [stop, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || !std::isfinite(value)) return std::nullopt;
  *end = stop;
  return value;
}
}  // namespace

std::optional<float> WholeReal(std::string_view text) {
  text = TrimEnd(Prepare(text));
  const char* end = nullptr;
  const auto value = RealAt(text, &end);
  if (!value || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<float> LeadingReal(std::string_view text) {
  const char* end = nullptr;
  return RealAt(Prepare(text), &end);
}

}  // namespace velmar
