#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/blob_analysis.h"

namespace velmar {
namespace {

struct Blob {
  float area, x, y;
};

// Frames drawn as text: '#' is a pixel at 250, '.' at 0.
std::vector<Blob> Detect(const std::vector<std::string>& rows, int bound = 128) {
  const int height = static_cast<int>(rows.size());
  const int width = static_cast<int>(rows[0].size());
  std::vector<std::uint8_t> frame;
  for (const auto& row : rows)
    for (char c : row) frame.push_back(c == '#' ? 250 : 0);
  BitImage binary;
  Binarize(frame.data(), width, height, width, bound, binary);
  BlobScratch scratch;
  BlobList list;
  scratch.Analyse(binary, list);
  std::vector<Blob> blobs;
  for (std::size_t i = 0; i < list.count(); ++i) blobs.push_back({list.area[i], list.centerX[i], list.centerY[i]});
  return blobs;
}

TEST(BlobAnalysis, OnePixelAndThreeByThreeSpotsWithExactCentroids) {
  const auto blobs = Detect({
      "..........",
      ".#........",
      "......###.",
      "......###.",
      "......###.",
  });
  ASSERT_EQ(blobs.size(), 2u);
  EXPECT_EQ(blobs[0].area, 1.0f);
  EXPECT_EQ(blobs[0].x, 1.0f);
  EXPECT_EQ(blobs[0].y, 1.0f);
  EXPECT_EQ(blobs[1].area, 9.0f);
  EXPECT_EQ(blobs[1].x, 7.0f);
  EXPECT_EQ(blobs[1].y, 3.0f);
}

TEST(BlobAnalysis, DiagonalNeighboursJoinAndGapsSeparate) {
  const auto blobs = Detect({
      "#.....#.#",
      ".#.....#.",
      "..#......",
      ".........",
      "#.#......",
  });
  // The diagonal line, the V, and two blobs on the last row one pixel apart.
  ASSERT_EQ(blobs.size(), 4u);
  EXPECT_EQ(blobs[0].area, 3.0f);
  EXPECT_EQ(blobs[0].x, 1.0f);
  EXPECT_EQ(blobs[0].y, 1.0f);
  EXPECT_EQ(blobs[1].area, 3.0f);
  EXPECT_EQ(blobs[1].x, 7.0f);
  EXPECT_FLOAT_EQ(blobs[1].y, 1.0f / 3.0f);
  EXPECT_EQ(blobs[2].x, 0.0f);
  EXPECT_EQ(blobs[3].x, 2.0f);
}

TEST(BlobAnalysis, ShapesJoinedLowerDownKeepTheirFirstPixelOrder) {
  // A U: two arms that meet on the last row are one blob; the blob that starts
  // later in raster order (the single pixel) comes after it.
  const auto blobs = Detect({
      "#...#....",
      "#...#..#.",
      "#####....",
  });
  ASSERT_EQ(blobs.size(), 2u);
  EXPECT_EQ(blobs[0].area, 9.0f);
  EXPECT_FLOAT_EQ(blobs[0].x, (0 + 4 + 0 + 4 + 0 + 1 + 2 + 3 + 4) / 9.0f);
  EXPECT_EQ(blobs[1].x, 7.0f);
}

TEST(BlobAnalysis, EdgesOfTheFrameAndThreshold) {
  const auto blobs = Detect({
      "##......##",
      "#........#",
      "..........",
      "#........#",
  });
  ASSERT_EQ(blobs.size(), 4u);
  EXPECT_EQ(blobs[1].area, 3.0f);
  EXPECT_FLOAT_EQ(blobs[1].x, (8 + 9 + 9) / 3.0f);
  EXPECT_TRUE(Detect({"#####", "#####"}, 251).empty());  // 250 is below the bound
  EXPECT_EQ(Detect({"#####", "#####"}, 250).size(), 1u);  // and at it, taken
  EXPECT_TRUE(Detect({".....", "....."}).empty());
}

// A plain flood fill to compare with, on frames too large to draw.
std::vector<Blob> FloodFill(const std::vector<std::uint8_t>& on, int width, int height) {
  std::vector<int> seen(on.size(), 0);
  std::vector<Blob> blobs;
  std::vector<int> stack;
  for (int start = 0; start < width * height; ++start) {
    if (!on[start] || seen[start]) continue;
    double area = 0, sx = 0, sy = 0;
    stack.assign(1, start);
    seen[start] = 1;
    while (!stack.empty()) {
      const int p = stack.back();
      stack.pop_back();
      const int x = p % width, y = p / width;
      area += 1;
      sx += x;
      sy += y;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
          const int q = ny * width + nx;
          if (on[q] && !seen[q]) {
            seen[q] = 1;
            stack.push_back(q);
          }
        }
    }
    blobs.push_back({static_cast<float>(area), static_cast<float>(sx / area), static_cast<float>(sy / area)});
  }
  return blobs;
}

TEST(BlobAnalysis, AgreesWithAFloodFillOnRandomFramesOfAnyWidth) {
  std::mt19937 random(12345);
  BlobScratch scratch;  // reused across frames, as a worker does
  BitImage binary;
  BlobList list;
  for (int trial = 0; trial < 66; ++trial) {
    // Beyond 4096 pixels a row has more words than the one-pass detection tracks one by one.
    const int width = trial >= 60 ? 4096 + static_cast<int>(random() % 200) : 1 + static_cast<int>(random() % 200);
    const int height = trial >= 60 ? 3 : 1 + static_cast<int>(random() % 60);
    const double density = (trial % 3 == 0) ? 0.6 : (trial % 3 == 1 ? 0.3 : 0.05);
    std::bernoulli_distribution pixel(density);
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height), on(frame.size());
    for (std::size_t i = 0; i < frame.size(); ++i) {
      on[i] = pixel(random);
      frame[i] = on[i] ? static_cast<std::uint8_t>(100 + random() % 156) : static_cast<std::uint8_t>(random() % 100);
    }
    Binarize(frame.data(), width, height, width, 100, binary);
    scratch.Analyse(binary, list);
    const auto expected = FloodFill(on, width, height);
    ASSERT_EQ(list.count(), expected.size()) << width << "x" << height << " density " << density;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(list.area[i], expected[i].area);
      EXPECT_FLOAT_EQ(list.centerX[i], expected[i].x);
      EXPECT_FLOAT_EQ(list.centerY[i], expected[i].y);
    }
    // The one-pass detection a worker runs finds the same blobs and the same bits.
    BitImage detected;
    scratch.Detect(frame.data(), width, height, width, 100, detected, list);
    EXPECT_EQ(detected.words, binary.words);
    ASSERT_EQ(list.count(), expected.size()) << width << "x" << height << " density " << density;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(list.area[i], expected[i].area);
      EXPECT_FLOAT_EQ(list.centerX[i], expected[i].x);
      EXPECT_FLOAT_EQ(list.centerY[i], expected[i].y);
    }
  }
}

TEST(BlobAnalysis, RunsAcrossWordBoundariesAndFullRows) {
  const int width = 200, height = 3;
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height, 0);
  for (int x = 60; x < 140; ++x) frame[x] = 255;              // crosses words 0, 1 and 2
  for (int x = 0; x < width; ++x) frame[2 * width + x] = 255;  // a whole row
  BitImage binary;
  Binarize(frame.data(), width, height, width, 1, binary);
  BlobScratch scratch;
  BlobList list;
  scratch.Analyse(binary, list);
  ASSERT_EQ(list.count(), 2u);
  EXPECT_EQ(list.area[0], 80.0f);
  EXPECT_FLOAT_EQ(list.centerX[0], 99.5f);
  EXPECT_EQ(list.area[1], 200.0f);
  EXPECT_FLOAT_EQ(list.centerY[1], 2.0f);
  // A bound of 0 takes every pixel, and nothing past the width.
  Binarize(frame.data(), width, height, width, 0, binary);
  scratch.Analyse(binary, list);
  ASSERT_EQ(list.count(), 1u);
  EXPECT_EQ(list.area[0], 600.0f);
}

}  // namespace
}  // namespace velmar
