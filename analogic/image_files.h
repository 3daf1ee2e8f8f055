#pragma once
// The 2D image file (.VL2): the pixel rows as 32-bit floats, a 128-byte parameter
// block and a 128-byte text block, little-endian.
#include <string>
#include <vector>

namespace velmar {

// Returns an empty text on success, else "create" or "write" (which step failed).
std::string WriteVl2(const std::string& path, int width, int height, const std::vector<float>& pixels,
                     const std::string& text);

}  // namespace velmar
