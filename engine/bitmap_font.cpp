#include "engine/bitmap_font.h"

namespace velmar {

namespace {
constexpr std::uint8_t kGlyphs[95][kGlyphHeight] = {
#include "engine/bitmap_font_data.inc"
};

const std::uint8_t* GlyphOf(char c) {
  const int code = static_cast<unsigned char>(c);
  return kGlyphs[(code >= 32 && code <= 126) ? code - 32 : '?' - 32];
}
}  // namespace

void DrawText(std::uint8_t* pixels, int width, int height, int stride, int x, int y,
              std::string_view text, std::uint8_t foreground, std::uint8_t background, int scale) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::uint8_t* glyph = GlyphOf(text[i]);
    const long cellX = x + static_cast<long>(i) * kGlyphWidth * scale;
    if (cellX >= width) break;
    for (int row = 0; row < kGlyphHeight * scale; ++row) {
      const long py = static_cast<long>(y) + row;
      if (py < 0 || py >= height) continue;
      std::uint8_t* line = pixels + py * stride;
      for (int col = 0; col < kGlyphWidth * scale; ++col) {
        const long px = cellX + col;
        if (px < 0 || px >= width) continue;
        line[px] = (glyph[row / scale] & (0x80 >> (col / scale))) ? foreground : background;
      }
    }
  }
}

}  // namespace velmar
