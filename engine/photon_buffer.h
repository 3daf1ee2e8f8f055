#pragma once
// The shared photon buffer: the detection workers append each frame's events, the
// store step takes everything appended since the previous second as one snapshot.
// Appending (slot reservation, frame tag, copy) and the snapshot exclude each
// other; the snapshot switches between two sets of arrays, so events appended
// while the store step writes belong to the next second.
#include <cstdint>
#include <mutex>
#include <vector>

namespace velmar {

class PhotonBuffer {
 public:
  static constexpr std::int32_t kEventCapacity = 500000;
  static constexpr std::int32_t kFrameCapacity = 500;

  struct Snapshot {
    const float* x = nullptr;             // centre of gravity X, pixels of the grabbed frame
    const float* y = nullptr;
    const std::int32_t* tag = nullptr;    // frames counted * 4 + worker
    const std::int32_t* photonsPerFrame = nullptr;
    std::int32_t events = 0;              // photons pending at the snapshot
    std::int32_t frames = 0;              // frames counted since the previous snapshot
    std::int32_t framesCounted = 0;
    std::int32_t framesDropped = 0;       // frames that did not fit since the previous snapshot
  };

  PhotonBuffer();

  // One frame's events from worker k. A frame whose events or whose entry would
  // not fit before the next snapshot is dropped whole (false) and counted as lost.
  bool AppendFrame(int worker, const float* x, const float* y, std::int32_t count);

  // The events since the previous snapshot; valid until the next snapshot.
  Snapshot TakeSnapshot();

  // Photons pending, frames counted and frames counted at the last step back to 0;
  // what is pending is discarded.
  void Reset();

  std::int32_t photonsPending() const;
  std::int32_t framesCounted() const;
  std::int32_t framesCountedAtLastStep() const;

 private:
  struct Arrays {
    std::vector<float> x, y;
    std::vector<std::int32_t> tag, photonsPerFrame;
  };

  mutable std::mutex mutex_;
  Arrays sets_[2];
  int active_ = 0;
  std::int32_t photonsPending_ = 0;
  std::int32_t framesCounted_ = 0;
  std::int32_t framesCountedAtLastStep_ = 0;
  std::int32_t framesDropped_ = 0;
};

}  // namespace velmar
