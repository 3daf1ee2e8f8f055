#pragma once
// The shared photon buffer: the detection workers append each frame's events, the
// store step takes everything appended since the previous second as one snapshot.
// Appending (slot reservation, frame tag, copy) and the snapshot exclude each
// other; the snapshot switches between two sets of arrays, so events appended
// while the store step writes belong to the next second.
//
// Its room follows the camera's frame rate: a snapshot holds a few seconds of the
// camera's frames, so a store step that comes late loses nothing. The arrays are
// not written until events arrive, so resident memory follows the events held.
#include <cstdint>
#include <memory>
#include <mutex>

namespace velmar {

class PhotonBuffer {
 public:
  // The room of an 80-fps camera, and the least any buffer has.
  static constexpr std::int32_t kEventCapacity = 500000;
  static constexpr std::int32_t kFrameCapacity = 500;
  // Seconds of frames a snapshot holds, and events a frame may bring on average.
  static constexpr double kSecondsHeld = 3.0;
  static constexpr std::int32_t kEventsPerFrame = kEventCapacity / kFrameCapacity;

  struct Capacity {
    std::int32_t frames = kFrameCapacity;
    std::int32_t events = kEventCapacity;
    bool operator==(const Capacity&) const = default;
  };
  // The room for a camera of the given frame rate (frames per second).
  static Capacity CapacityFor(double framesPerSecond);

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

  // Sized for an 80-fps camera until SizeForFrameRate says otherwise.
  PhotonBuffer();

  // Gives the buffer the room of a camera of this frame rate. What is pending is
  // discarded when the room changes; call it before counting starts.
  void SizeForFrameRate(double framesPerSecond);
  Capacity capacity() const;

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
    std::unique_ptr<float[]> x, y;
    std::unique_ptr<std::int32_t[]> tag, photonsPerFrame;
  };
  void Allocate(Capacity capacity);  // under mutex_

  mutable std::mutex mutex_;
  Capacity capacity_;
  Arrays sets_[2];
  int active_ = 0;
  std::int32_t photonsPending_ = 0;
  std::int32_t framesCounted_ = 0;
  std::int32_t framesCountedAtLastStep_ = 0;
  std::int32_t framesDropped_ = 0;
};

}  // namespace velmar
