#pragma once
// The counting test's analysed frame, kept between frames and between openings of
// the window: an 8-bit grey TIFF ("test.tif" in the system directory), lossless, so
// a frame re-analysed later gives exactly the photons it gave when grabbed.
#include <string>

#include "engine/image_file.h"

namespace velmar {

// Returns an empty text on success, else why it failed.
std::string SaveTestImage(const std::string& path, const GreyImage& image);
std::string LoadTestImage(const std::string& path, GreyImage& image);

}  // namespace velmar
