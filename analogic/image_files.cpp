#include "analogic/image_files.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace velmar {

static_assert(sizeof(float) == 4 && sizeof(std::int32_t) == 4, "the files hold 32-bit words");

namespace {

void PutInt(ImageBlock& block, std::size_t offset, std::int32_t v) { std::memcpy(block.data() + offset, &v, 4); }
void PutFloat(ImageBlock& block, std::size_t offset, float v) { std::memcpy(block.data() + offset, &v, 4); }
std::int32_t GetInt(const ImageBlock& block, std::size_t offset) {
  std::int32_t v;
  std::memcpy(&v, block.data() + offset, 4);
  return v;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The file made writable, then created anew (truncated when it exists).
File CreateImageFile(const std::string& path) {
  std::error_code ec;
  std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add, ec);
  return File(std::fopen(path.c_str(), "wb"));
}

bool WriteBlocks(std::FILE* file, std::int32_t dimensions, std::int32_t x, std::int32_t y, std::int32_t z,
                 const std::string& text) {
  const ImageBlock parameters = ImageParameterBlock(dimensions, x, y, z);
  const ImageBlock words = ImageTextBlock(text);
  return std::fwrite(parameters.data(), 1, parameters.size(), file) == parameters.size() &&
         std::fwrite(words.data(), 1, words.size(), file) == words.size();
}

ImageWriteResult Closed(File file, bool written) {
  const bool closed = std::fclose(file.release()) == 0;
  return written && closed ? ImageWriteResult::Written : ImageWriteResult::CannotWrite;
}

}  // namespace

ImageBlock ImageParameterBlock(std::int32_t dimensions, std::int32_t sizeX, std::int32_t sizeY, std::int32_t sizeZ) {
  ImageBlock b{};
  PutInt(b, 0, dimensions);
  PutInt(b, 12, sizeX);
  PutInt(b, 16, sizeY);
  PutInt(b, 20, sizeZ);
  PutFloat(b, 24, 1.0f);
  PutFloat(b, 28, 0.0f);
  PutFloat(b, 32, 0.0f);
  PutFloat(b, 36, 1.0f);
  PutFloat(b, 40, 0.0f);
  PutFloat(b, 44, 0.0f);
  PutFloat(b, 48, 1.0f);
  PutInt(b, 52, 256);
  return b;
}

ImageBlock ImageTextBlock(const std::string& text) {
  ImageBlock b{};
  std::memcpy(b.data(), text.data(), std::min(text.size(), kImageBlockBytes - 1));
  return b;
}

ImageWriteResult WriteImage2D(const std::string& path, std::int32_t sizeX, std::int32_t sizeY, const float* rows,
                              const std::string& text) {
  File file = CreateImageFile(path);
  if (!file) return ImageWriteResult::CannotCreate;
  const std::size_t width = static_cast<std::size_t>(std::max(sizeX, 0));
  bool ok = true;
  for (std::int32_t row = 0; row < sizeY && ok; ++row)
    ok = std::fwrite(rows + static_cast<std::size_t>(row) * width, sizeof(float), width, file.get()) == width;
  ok = ok && WriteBlocks(file.get(), 2, sizeX, sizeY, 1, text);
  return Closed(std::move(file), ok);
}

ImageWriteResult WriteImage3D(const std::string& path, std::int32_t sizeX, std::int32_t sizeY, std::int32_t sizeZ,
                              const float* planes, const std::string& text) {
  File file = CreateImageFile(path);
  if (!file) return ImageWriteResult::CannotCreate;
  const std::size_t width = static_cast<std::size_t>(std::max(sizeX, 0));
  const std::size_t depth = static_cast<std::size_t>(std::max(sizeZ, 0));
  const std::size_t plane = width * static_cast<std::size_t>(std::max(sizeY, 0));
  // One row of pixel spectra gathered at a time: each plane is read along its row.
  std::vector<float> spectra(width * depth);
  bool ok = true;
  for (std::int32_t y = 0; y < sizeY && ok && depth > 0; ++y) {
    for (std::size_t c = 0; c < depth; ++c) {
      const float* from = planes + c * plane + static_cast<std::size_t>(y) * width;
      for (std::size_t x = 0; x < width; ++x) spectra[x * depth + c] = from[x];
    }
    for (std::size_t x = 0; x < width && ok; ++x)
      ok = std::fwrite(spectra.data() + x * depth, sizeof(float), depth, file.get()) == depth;
  }
  ok = ok && WriteBlocks(file.get(), 3, sizeX, sizeY, sizeZ, text);
  return Closed(std::move(file), ok);
}

std::optional<ImageFile> ReadImageFile(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::uintmax_t length = std::filesystem::file_size(path, ec);
  if (ec) {
    error = path + ": " + ec.message();
    return std::nullopt;
  }
  if (length < 2 * kImageBlockBytes) {
    error = path + " is shorter than its two blocks";
    return std::nullopt;
  }
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = path + " cannot be opened";
    return std::nullopt;
  }
  const std::uintmax_t dataBytes = length - 2 * kImageBlockBytes;
  ImageFile image;
  ImageBlock words{};
  if (std::fseek(file.get(), static_cast<long>(dataBytes), SEEK_SET) != 0 ||
      std::fread(image.parameterBlock.data(), 1, kImageBlockBytes, file.get()) != kImageBlockBytes ||
      std::fread(words.data(), 1, kImageBlockBytes, file.get()) != kImageBlockBytes) {
    error = path + ": its blocks cannot be read";
    return std::nullopt;
  }
  image.dimensions = GetInt(image.parameterBlock, 0);
  image.sizeX = GetInt(image.parameterBlock, 12);
  image.sizeY = GetInt(image.parameterBlock, 16);
  image.sizeZ = GetInt(image.parameterBlock, 20);
  if ((image.dimensions != 2 && image.dimensions != 3) || image.sizeX < 0 || image.sizeY < 0 || image.sizeZ < 0 ||
      (image.dimensions == 2 && image.sizeZ != 1)) {
    error = path + ": the parameter block is not that of a 2D or 3D image";
    return std::nullopt;
  }
  const std::uintmax_t count =
      static_cast<std::uintmax_t>(image.sizeX) * static_cast<std::uintmax_t>(image.sizeY) * image.sizeZ;
  if (count * sizeof(float) != dataBytes) {
    error = path + ": the sizes of its parameter block do not match its length";
    return std::nullopt;
  }
  image.values.resize(static_cast<std::size_t>(count));
  std::rewind(file.get());
  if (std::fread(image.values.data(), sizeof(float), image.values.size(), file.get()) != image.values.size()) {
    error = path + ": its pixel values cannot be read";
    return std::nullopt;
  }
  image.text.assign(reinterpret_cast<const char*>(words.data()),
                    strnlen(reinterpret_cast<const char*>(words.data()), kImageBlockBytes));
  return image;
}

}  // namespace velmar
