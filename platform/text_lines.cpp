#include "platform/text_lines.h"

namespace velmar {

LineReader::LineReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}

LineReader::~LineReader() {
  if (file_) std::fclose(file_);
}

std::optional<std::string> LineReader::Next() {
  if (!file_) return std::nullopt;
  std::string line;
  for (int c = std::fgetc(file_); c != EOF; c = std::fgetc(file_)) {
    if (c == '\n') return line;
    line += static_cast<char>(c);
  }
  return std::nullopt;  // end of file before a line feed
}

std::string BeforeCarriageReturn(const std::string& line) {
  const auto cr = line.find('\r');
  return cr == std::string::npos ? line : line.substr(0, cr);
}

std::optional<std::string> FirstWord(const std::string& line) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; };
  std::size_t start = 0;
  while (start < line.size() && isBlank(line[start])) ++start;
  if (start == line.size()) return std::nullopt;
  std::size_t end = start;
  while (end < line.size() && !isBlank(line[end])) ++end;
  return line.substr(start, end - start);
}

}  // namespace velmar
