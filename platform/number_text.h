#pragma once
// Reading numbers from texts the way the program's fields are read: the leading
// part of the text that a number conversion accepts (leading blanks skipped,
// trailing words ignored). A text that starts with no number gives nothing.
#include <cstdint>
#include <optional>
#include <string_view>

namespace velmar {

// A decimal integer; nothing when absent or outside the 32-bit range.
std::optional<std::int32_t> LeadingInt(std::string_view text);

// A text that is one decimal integer and nothing else (blanks around allowed).
std::optional<std::int32_t> WholeInt(std::string_view text);

// A real ("6562.78", "-1.5e3"); nothing when absent, infinite or not a number.
std::optional<float> LeadingReal(std::string_view text);

// A text that is one real and nothing else (blanks around allowed).
std::optional<float> WholeReal(std::string_view text);

}  // namespace velmar
