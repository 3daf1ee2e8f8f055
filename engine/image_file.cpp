#include "engine/image_file.h"

#include <cctype>
#include <fstream>

namespace velmar {

std::string SaveGreyImage(const std::string& path, const GreyImage& image) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return "cannot create " + path;
  out << "P5\n" << image.width << " " << image.height << "\n255\n";
  out.write(reinterpret_cast<const char*>(image.pixels.data()),
            static_cast<std::streamsize>(image.pixels.size()));
  out.close();
  if (!out) return "cannot write " + path;
  return {};
}

namespace {
// Reads the next header number, skipping blanks and '#' comments.
bool ReadHeaderNumber(std::istream& in, int& value) {
  int c = in.get();
  while (c != EOF && (std::isspace(c) || c == '#')) {
    if (c == '#')
      while (c != EOF && c != '\n') c = in.get();
    c = in.get();
  }
  if (c == EOF || !std::isdigit(c)) return false;
  long number = 0;
  while (c != EOF && std::isdigit(c)) {
    number = number * 10 + (c - '0');
    if (number > 1000000) return false;
    c = in.get();
  }
  value = static_cast<int>(number);
  return true;  // the one blank after the number is consumed
}
}  // namespace

std::string LoadGreyImage(const std::string& path, GreyImage& image) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot open " + path;
  char magic[2] = {};
  in.read(magic, 2);
  int width = 0, height = 0, maxval = 0;
  if (!in || magic[0] != 'P' || magic[1] != '5' || !ReadHeaderNumber(in, width) ||
      !ReadHeaderNumber(in, height) || !ReadHeaderNumber(in, maxval) || maxval != 255 ||
      width <= 0 || height <= 0)
    return path + " is not an 8-bit grey image";
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
  in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
  if (in.gcount() != static_cast<std::streamsize>(pixels.size())) return path + " is cut short";
  image.width = width;
  image.height = height;
  image.pixels = std::move(pixels);
  return {};
}

}  // namespace velmar
