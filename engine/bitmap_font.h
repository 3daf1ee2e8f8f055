#pragma once
// The built-in 8x14 font with which text is drawn into grabber buffers.
#include <cstdint>
#include <string_view>

namespace velmar {

inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphHeight = 14;

// Draws text with its top-left corner at (x, y) into an 8-bit image: glyph pixels
// get foreground, the rest of each character cell background. Clipped at the edges;
// characters outside printable ASCII are drawn as '?'. scale magnifies each glyph pixel.
void DrawText(std::uint8_t* pixels, int width, int height, int stride, int x, int y,
              std::string_view text, std::uint8_t foreground = 255, std::uint8_t background = 0, int scale = 1);

}  // namespace velmar
