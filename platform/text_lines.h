#pragma once
// Reading a text file line by line as the program's configuration readers do:
// a line is read up to and including its line feed, and a last line without one
// counts as missing. Lines are returned without their line end.
#include <cstdio>
#include <optional>
#include <string>

namespace velmar {

class LineReader {
 public:
  explicit LineReader(const std::string& path);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool opened() const { return file_ != nullptr; }
  // The next complete line (its text before the line feed, a CR kept), or nothing.
  std::optional<std::string> Next();

 private:
  std::FILE* file_;
};

// The text of a line up to its first CR (the whole-line texts of the files).
std::string BeforeCarriageReturn(const std::string& line);

// The first blank-separated word of a line ("%s"), or nothing when there is none.
std::optional<std::string> FirstWord(const std::string& line);

}  // namespace velmar
