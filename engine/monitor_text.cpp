#include "engine/monitor_text.h"

#include <algorithm>
#include <vector>

#include "engine/bitmap_font.h"

namespace velmar {

namespace {

// The words of the text with the spaces before each kept, so that a line put back
// together keeps the spacing it was written with.
std::vector<std::string> Lines(const std::string& text, std::size_t perLine) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t wordStart = text.find_first_not_of(' ', at);
    if (wordStart == std::string::npos) break;
    std::size_t wordEnd = text.find(' ', wordStart);
    if (wordEnd == std::string::npos) wordEnd = text.size();
    const std::string spaces = text.substr(at, wordStart - at);
    std::string word = text.substr(wordStart, wordEnd - wordStart);
    if (!line.empty() && line.size() + spaces.size() + word.size() > perLine) {
      lines.push_back(line);
      line.clear();
    }
    if (!line.empty()) line += spaces;
    // A word longer than a whole line is cut into lines of its own.
    while (word.size() > perLine) {
      lines.push_back(word.substr(0, perLine));
      word.erase(0, perLine);
    }
    line += word;
    at = wordEnd;
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

int DrawTextWhole(Grabber& grabber, GrabberId buffer, int x, int y, const std::string& text, int scale, int colour) {
  scale = std::max(scale, 1);
  const int cell = kGlyphWidth * scale;
  const int lineHeight = kGlyphHeight * scale + 2 * scale;
  const int width = grabber.Inquire(buffer, Inquiry::SizeX);
  if (width < cell) return y;
  const int textWidth = static_cast<int>(text.size()) * cell;
  if (x + textWidth > width) x = std::max(0, width - textWidth);
  const std::size_t perLine = static_cast<std::size_t>((width - x) / cell);
  for (const std::string& line : Lines(text, perLine)) {
    grabber.DrawText(buffer, x, y, line, scale, colour);
    y += lineHeight;
  }
  return y;
}

}  // namespace velmar
