#pragma once
// The parameter set's texts are fixed-size arrays holding NUL-terminated text;
// writing one never runs past its size (the text is cut to size - 1 characters).
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace velmar {

template <std::size_t N>
void SetText(char (&field)[N], std::string_view text) {
  static_assert(N > 0);
  const std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

template <std::size_t N>
std::string_view TextOf(const char (&field)[N]) {
  return std::string_view(field, strnlen(field, N));
}

}  // namespace velmar
