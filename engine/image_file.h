#pragma once
// Lossless save and load of 8-bit grabber buffers: binary PGM ("P5", maxval 255).
#include <cstdint>
#include <string>
#include <vector>

namespace velmar {

struct GreyImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // row after row
};

// Returns an empty text on success, else why it failed.
std::string SaveGreyImage(const std::string& path, const GreyImage& image);
std::string LoadGreyImage(const std::string& path, GreyImage& image);

}  // namespace velmar
