#include <gtest/gtest.h>

#include "engine/blob_analysis.h"
#include "engine/counting_state.h"
#include "engine/synthetic_frame.h"

namespace velmar {
namespace {

TEST(SyntheticFrame, SpotsAreSinglePixelsOrSquaresOf250KeptOffTheFirstRowAndColumn) {
  SyntheticFrameMaker maker(3);
  std::vector<std::uint8_t> frame;
  const int n = 40, m = 30;
  int singles = 0, squares = 0;
  for (int trial = 0; trial < 200; ++trial) {
    EXPECT_EQ(maker.MakeSyntheticFrame(1, n, m, frame), 1);
    ASSERT_EQ(frame.size(), static_cast<std::size_t>(n * m));
    int lit = 0;
    for (int y = 0; y < m; ++y)
      for (int x = 0; x < n; ++x) {
        const auto p = frame[y * n + x];
        if (!p) continue;
        EXPECT_EQ(p, 250);
        EXPECT_GE(x, 1);
        EXPECT_GE(y, 1);
        ++lit;
      }
    EXPECT_LE(lit, 9);  // fewer when cut at an edge, none for a pixel on row or column 0
    singles += lit == 1;
    squares += lit == 9;
  }
  EXPECT_GT(singles, 40);
  EXPECT_GT(squares, 40);
}

TEST(SyntheticFrame, NoSpotsIsBlackAndSizesBeyondTheHostArrayAreCut) {
  SyntheticFrameMaker maker;
  std::vector<std::uint8_t> frame(10, 7);
  maker.MakeSyntheticFrame(0, 64, 64, frame);
  EXPECT_EQ(std::count(frame.begin(), frame.end(), 0), 64 * 64);
  maker.MakeSyntheticFrame(300, 2048, 2048, frame);
  EXPECT_EQ(frame.size(), kSyntheticFrameCapacity);
  maker.MakeSyntheticFrame(5, 0, 0, frame);
  EXPECT_TRUE(frame.empty());
}

TEST(SyntheticFrame, OneGeneratorGivesRepeatableFrames) {
  SyntheticFrameMaker a(11), b(11);
  std::vector<std::uint8_t> fa, fb;
  a.MakeSyntheticFrame(30, 256, 256, fa);
  b.MakeSyntheticFrame(30, 256, 256, fb);
  EXPECT_EQ(fa, fb);
}

TEST(CountingState, TextsAndColoursByTypeAndSource) {
  EXPECT_EQ(ViewOf(CountingState::Standby, 2, 0), (CountingStateView{"standby object", kNavy}));
  EXPECT_EQ(ViewOf(CountingState::Standby, 0, 1), (CountingStateView{"standby simul 2D", kNavy}));
  EXPECT_EQ(ViewOf(CountingState::Counting, 1, 0), (CountingStateView{"counting calibration", kTeal}));
  EXPECT_EQ(ViewOf(CountingState::Counting, 0, 1).text, "simultation 2D image");
  EXPECT_EQ(ViewOf(CountingState::Counting, 3, 1).text, "simulation calibration");
  EXPECT_EQ(ViewOf(CountingState::InitializingMatrox, 2, 1), (CountingStateView{"initializing Matrox", kOlive}));
  EXPECT_EQ(ViewOf(CountingState::Suspended, 2, 1), (CountingStateView{"suspended", kRed}));
  EXPECT_EQ(ViewOf(CountingState::DrivingPF, 1, 0), (CountingStateView{"driving PF", kYellow}));
  EXPECT_EQ(ViewOf(CountingState::InitializingPF, 1, 0).text, "initializing PF");
}

}  // namespace
}  // namespace velmar
