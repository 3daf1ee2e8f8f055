#include "analogic/image_files.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace velmar {

namespace {
void PutInt(unsigned char* block, int offset, std::int32_t v) { std::memcpy(block + offset, &v, 4); }
void PutFloat(unsigned char* block, int offset, float v) { std::memcpy(block + offset, &v, 4); }
}  // namespace

std::string WriteVl2(const std::string& path, int width, int height, const std::vector<float>& pixels,
                     const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), "w+b");
  if (!file) return "create";
  unsigned char parameters[128] = {};
  PutInt(parameters, 0, 2);
  PutInt(parameters, 12, width);
  PutInt(parameters, 16, height);
  PutInt(parameters, 20, 1);
  PutFloat(parameters, 24, 1.0f);
  PutFloat(parameters, 36, 1.0f);
  PutFloat(parameters, 48, 1.0f);
  PutInt(parameters, 52, 256);
  unsigned char words[128] = {};
  std::memcpy(words, text.data(), std::min<std::size_t>(text.size(), 127));
  bool ok = true;
  for (int row = 0; row < height && ok; ++row)
    ok = std::fwrite(pixels.data() + static_cast<std::size_t>(row) * width, sizeof(float), width, file) ==
         static_cast<std::size_t>(width);
  ok = ok && std::fwrite(parameters, 1, 128, file) == 128 && std::fwrite(words, 1, 128, file) == 128;
  ok = std::fclose(file) == 0 && ok;
  return ok ? std::string() : "write";
}

}  // namespace velmar
