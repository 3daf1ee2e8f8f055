#pragma once
// The 2D (.VL2) and 3D (.VL3) image files, written and read in this one place:
// the pixel values as 32-bit floats, then a 128-byte parameter block, then a
// 128-byte text block holding one zero-terminated text; little-endian throughout.
// A 2D file holds its rows from row 0, each from column 0; a 3D file holds, pixel
// after pixel in the same order, the pixel's values of every channel, channel 1 first.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmar {

inline constexpr std::size_t kImageBlockBytes = 128;
inline constexpr const char* kAnalogicImageText = "Analogic VlmIPCS calibration";

using ImageBlock = std::array<unsigned char, kImageBlockBytes>;

// The parameter block: dimension count 2 or 3, the sizes, the fixed scale words;
// every byte not named is zero.
ImageBlock ImageParameterBlock(std::int32_t dimensions, std::int32_t sizeX, std::int32_t sizeY, std::int32_t sizeZ);
// The text, cut to 127 characters, then zeros.
ImageBlock ImageTextBlock(const std::string& text);

enum class ImageWriteResult { Written, CannotCreate, CannotWrite };

// Writes a 2D image of sizeX by sizeY values, row after row. An existing file of
// that name is made writable and replaced whole, so no older, longer file leaves
// its tail behind.
ImageWriteResult WriteImage2D(const std::string& path, std::int32_t sizeX, std::int32_t sizeY, const float* rows,
                              const std::string& text);

// Writes a 3D image from its channel planes (plane c holds sizeX by sizeY values,
// row after row, at c * sizeX * sizeY): one write of sizeZ values per pixel.
ImageWriteResult WriteImage3D(const std::string& path, std::int32_t sizeX, std::int32_t sizeY, std::int32_t sizeZ,
                              const float* planes, const std::string& text);

struct ImageFile {
  std::int32_t dimensions = 0;
  std::int32_t sizeX = 0, sizeY = 0, sizeZ = 0;
  std::vector<float> values;  // as stored: 2D row after row; 3D pixel after pixel, each pixel's channels together
  ImageBlock parameterBlock{};
  std::string text;
  float Value(std::int32_t x, std::int32_t y, std::int32_t channel = 0) const {
    return values[(static_cast<std::size_t>(y) * sizeX + x) * (dimensions == 3 ? sizeZ : 1) + channel];
  }
};

// Reads a 2D or 3D image file; nothing, with the reason in error, when the file
// cannot be read or its blocks and length do not agree.
std::optional<ImageFile> ReadImageFile(const std::string& path, std::string& error);

}  // namespace velmar
