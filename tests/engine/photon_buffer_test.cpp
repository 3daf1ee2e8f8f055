#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "engine/photon_buffer.h"

namespace velmar {
namespace {

std::vector<float> Values(int n, float first) {
  std::vector<float> v(n);
  for (int i = 0; i < n; ++i) v[i] = first + static_cast<float>(i);
  return v;
}

TEST(PhotonBuffer, AWorkerReservesSlotsTagsAndCountsItsFrame) {
  PhotonBuffer buffer;
  const auto twenty = Values(20, 0);
  ASSERT_TRUE(buffer.AppendFrame(0, twenty.data(), twenty.data(), 20));
  ASSERT_TRUE(buffer.AppendFrame(3, twenty.data(), twenty.data(), 20));
  // Frames counted 2, photons pending 40: worker 1 appends 3 events.
  const auto x = Values(3, 100), y = Values(3, 200);
  ASSERT_TRUE(buffer.AppendFrame(1, x.data(), y.data(), 3));
  EXPECT_EQ(buffer.photonsPending(), 43);
  EXPECT_EQ(buffer.framesCounted(), 3);
  const auto s = buffer.TakeSnapshot();
  ASSERT_EQ(s.events, 43);
  ASSERT_EQ(s.frames, 3);
  EXPECT_EQ(s.photonsPerFrame[2], 3);
  for (int slot = 40; slot <= 42; ++slot) {
    EXPECT_EQ(s.tag[slot], 9);
    EXPECT_EQ(s.x[slot], 100.0f + (slot - 40));
    EXPECT_EQ(s.y[slot], 200.0f + (slot - 40));
  }
  EXPECT_EQ(s.tag[0], 0);
  EXPECT_EQ(s.tag[20], 7);
  EXPECT_EQ(buffer.photonsPending(), 0);
  EXPECT_EQ(buffer.framesCountedAtLastStep(), 3);
  // The next second's frames are indexed from the snapshot on; tags go on counting.
  ASSERT_TRUE(buffer.AppendFrame(2, x.data(), y.data(), 3));
  const auto next = buffer.TakeSnapshot();
  EXPECT_EQ(next.frames, 1);
  EXPECT_EQ(next.photonsPerFrame[0], 3);
  EXPECT_EQ(next.tag[0], 3 * 4 + 2);
}

TEST(PhotonBuffer, AFrameThatWouldNotFitIsDroppedWhole) {
  PhotonBuffer buffer;
  const auto many = Values(PhotonBuffer::kEventCapacity, 0);
  ASSERT_TRUE(buffer.AppendFrame(0, many.data(), many.data(), PhotonBuffer::kEventCapacity - 2));
  EXPECT_FALSE(buffer.AppendFrame(1, many.data(), many.data(), 3));
  EXPECT_TRUE(buffer.AppendFrame(1, many.data(), many.data(), 2));  // exactly full
  auto s = buffer.TakeSnapshot();
  EXPECT_EQ(s.events, PhotonBuffer::kEventCapacity);
  EXPECT_EQ(s.frames, 2);
  EXPECT_EQ(s.framesDropped, 1);
  EXPECT_EQ(s.tag[PhotonBuffer::kEventCapacity - 1], 1 * 4 + 1);  // the dropped frame took no tag

  for (int f = 0; f < PhotonBuffer::kFrameCapacity; ++f) ASSERT_TRUE(buffer.AppendFrame(f % 4, many.data(), many.data(), 1));
  EXPECT_FALSE(buffer.AppendFrame(0, many.data(), many.data(), 1));
  s = buffer.TakeSnapshot();
  EXPECT_EQ(s.frames, PhotonBuffer::kFrameCapacity);
  EXPECT_EQ(s.framesDropped, 1);
  EXPECT_EQ(buffer.TakeSnapshot().framesDropped, 0);
}

TEST(PhotonBuffer, SnapshotsNeverLoseNorDoubleAnEventWhileWorkersAppend) {
  PhotonBuffer buffer;
  constexpr int kFramesPerWorker = 3000;
  std::atomic<int> finished{0};
  std::vector<std::thread> workers;
  for (int k = 0; k < 4; ++k)
    workers.emplace_back([&, k] {
      std::vector<float> x(7), y(7);
      for (int f = 0; f < kFramesPerWorker; ++f) {
        const int n = 1 + (f % 7);
        // Each event names itself: worker, frame and index.
        for (int i = 0; i < n; ++i) {
          x[i] = static_cast<float>(k * 1000000 + f * 10 + i);
          y[i] = static_cast<float>(n);
        }
        while (!buffer.AppendFrame(k, x.data(), y.data(), n)) std::this_thread::yield();
      }
      ++finished;
    });
  std::set<float> seen;
  long events = 0, frames = 0;
  std::set<int> tagsSeen;
  auto drain = [&] {
    const auto s = buffer.TakeSnapshot();
    long perFrameTotal = 0;
    for (int f = 0; f < s.frames; ++f) perFrameTotal += s.photonsPerFrame[f];
    EXPECT_EQ(perFrameTotal, s.events);
    for (int i = 0; i < s.events; ++i) {
      EXPECT_TRUE(seen.insert(s.x[i]).second) << "event twice: " << s.x[i];
      tagsSeen.insert(s.tag[i]);
    }
    events += s.events;
    frames += s.frames;
  };
  while (finished.load() < 4) drain();
  for (auto& t : workers) t.join();
  drain();
  long expected = 0;
  for (int f = 0; f < kFramesPerWorker; ++f) expected += 1 + (f % 7);
  EXPECT_EQ(events, 4 * expected);
  EXPECT_EQ(frames, 4L * kFramesPerWorker);
  EXPECT_EQ(static_cast<long>(tagsSeen.size()), 4L * kFramesPerWorker);  // one tag a frame
}

}  // namespace
}  // namespace velmar
