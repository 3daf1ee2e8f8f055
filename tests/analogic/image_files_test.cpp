#include "analogic/image_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/temp_dir.h"

namespace velmar::testing {
namespace {

std::vector<unsigned char> Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
std::int32_t IntAt(const std::vector<unsigned char>& b, std::size_t at) {
  std::int32_t v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
float FloatAt(const std::vector<unsigned char>& b, std::size_t at) {
  float v;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

TEST(ImageFiles, A2DFileHoldsItsRowsThenTheParameterBlockFieldByFieldThenTheText) {
  TempDir dir;
  const std::string path = dir.file("slice.vl2");
  const std::vector<float> rows = {1.5f, 2.0f, 3.0f, 4.0f, 5.0f, 6.25f};  // 3 columns, 2 rows
  ASSERT_EQ(WriteImage2D(path, 3, 2, rows.data(), kAnalogicImageText), ImageWriteResult::Written);
  const auto b = Bytes(path);
  ASSERT_EQ(b.size(), 6u * 4 + 256);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(FloatAt(b, 4 * i), rows[i]);
  const std::size_t d = 24;
  EXPECT_EQ(IntAt(b, d + 0), 2);
  EXPECT_EQ(IntAt(b, d + 4), 0);
  EXPECT_EQ(IntAt(b, d + 8), 0);  // reserved
  EXPECT_EQ(IntAt(b, d + 12), 3);
  EXPECT_EQ(IntAt(b, d + 16), 2);
  EXPECT_EQ(IntAt(b, d + 20), 1);
  const float scales[] = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f};
  for (int k = 0; k < 7; ++k) EXPECT_EQ(FloatAt(b, d + 24 + 4 * k), scales[k]) << "offset " << 24 + 4 * k;
  EXPECT_EQ(IntAt(b, d + 52), 256);
  for (std::size_t i = d + 56; i < d + 128; ++i) ASSERT_EQ(b[i], 0) << "reserved byte " << i - d;
  const std::string text = "Analogic VlmIPCS calibration";
  EXPECT_EQ(std::string(b.begin() + d + 128, b.begin() + d + 128 + text.size()), text);
  for (std::size_t i = d + 128 + text.size(); i < b.size(); ++i) ASSERT_EQ(b[i], 0);

  std::string error;
  const auto read = ReadImageFile(path, error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->dimensions, 2);
  EXPECT_EQ(read->values, rows);
  EXPECT_EQ(read->text, text);
  EXPECT_EQ(read->Value(2, 1), 6.25f);
}

TEST(ImageFiles, A3DFileKeepsEachPixelsChannelValuesTogether) {
  TempDir dir;
  const std::string path = dir.file("cube.vl3");
  const int lx = 4, ly = 3, lz = 5;
  std::vector<float> planes(lx * ly * lz);
  for (int c = 0; c < lz; ++c)
    for (int y = 0; y < ly; ++y)
      for (int x = 0; x < lx; ++x) planes[(c * ly + y) * lx + x] = 1000.0f * c + 10.0f * y + x;
  ASSERT_EQ(WriteImage3D(path, lx, ly, lz, planes.data(), kAnalogicImageText), ImageWriteResult::Written);
  const auto b = Bytes(path);
  ASSERT_EQ(b.size(), static_cast<std::size_t>(lx * ly * lz * 4 + 256));
  // Row 0 first, column 0 first, channel 1 first.
  std::size_t at = 0;
  for (int y = 0; y < ly; ++y)
    for (int x = 0; x < lx; ++x)
      for (int c = 0; c < lz; ++c, at += 4) ASSERT_EQ(FloatAt(b, at), 1000.0f * c + 10.0f * y + x) << x << "," << y;
  EXPECT_EQ(IntAt(b, at + 0), 3);
  EXPECT_EQ(IntAt(b, at + 12), lx);
  EXPECT_EQ(IntAt(b, at + 16), ly);
  EXPECT_EQ(IntAt(b, at + 20), lz);
  std::string error;
  const auto read = ReadImageFile(path, error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->Value(3, 2, 4), 4023.0f);

  // No channel at all: the two blocks alone, third size 0.
  ASSERT_EQ(WriteImage3D(path, lx, ly, 0, planes.data(), kAnalogicImageText), ImageWriteResult::Written);
  const auto empty = ReadImageFile(path, error);
  ASSERT_TRUE(empty) << error;
  EXPECT_EQ(std::filesystem::file_size(path), 256u);
  EXPECT_EQ(empty->sizeZ, 0);
}

TEST(ImageFiles, AnOlderLongerFileIsReplacedWholeAndAReadOnlyOneIsMadeWritable) {
  TempDir dir;
  const std::string path = dir.file("T001.vl3");
  { std::ofstream(path, std::ios::binary) << std::string(100000, 'x'); }
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  const std::vector<float> planes(2 * 2 * 2, 7.0f);
  ASSERT_EQ(WriteImage3D(path, 2, 2, 2, planes.data(), kAnalogicImageText), ImageWriteResult::Written);
  EXPECT_EQ(std::filesystem::file_size(path), 8u * 4 + 256);
  std::string error;
  EXPECT_TRUE(ReadImageFile(path, error)) << error;
}

TEST(ImageFiles, TheReaderRefusesAFileWhoseLengthOrBlocksDisagree) {
  TempDir dir;
  const std::string path = dir.file("bad.vl2");
  const std::vector<float> rows(4, 1.0f);
  ASSERT_EQ(WriteImage2D(path, 2, 2, rows.data(), "x"), ImageWriteResult::Written);
  {  // the X size of the parameter block made 3: 12 values for the 4 in the file
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(16 + 12);
    const std::int32_t three = 3;
    file.write(reinterpret_cast<const char*>(&three), 4);
  }
  std::string error;
  EXPECT_FALSE(ReadImageFile(path, error));
  EXPECT_NE(error.find("do not match"), std::string::npos) << error;
  std::filesystem::resize_file(path, std::filesystem::file_size(path) + 4);  // the blocks shifted
  EXPECT_FALSE(ReadImageFile(path, error));
  EXPECT_NE(error.find("not that of a 2D or 3D image"), std::string::npos) << error;
  { std::ofstream(path, std::ios::binary) << "short"; }
  EXPECT_FALSE(ReadImageFile(path, error));
  EXPECT_EQ(WriteImage2D(dir.file("missing/x.vl2"), 2, 2, rows.data(), "x"), ImageWriteResult::CannotCreate);
}

}  // namespace
}  // namespace velmar::testing
