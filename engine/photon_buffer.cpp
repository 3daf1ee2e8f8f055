#include "engine/photon_buffer.h"

#include <algorithm>
#include <cmath>

namespace velmar {

PhotonBuffer::Capacity PhotonBuffer::CapacityFor(double framesPerSecond) {
  Capacity c;
  if (!(framesPerSecond > 0)) return c;
  // Up to the fastest camera a description may name, so the room stays a 32-bit count.
  const double frames = std::ceil(std::min(framesPerSecond, 10000.0) * kSecondsHeld);
  c.frames = std::max(kFrameCapacity, static_cast<std::int32_t>(frames));
  c.events = std::max(kEventCapacity, c.frames * kEventsPerFrame);
  return c;
}

PhotonBuffer::PhotonBuffer() { Allocate(capacity_); }

// Left unwritten (no zero fill): pages become resident only as events arrive.
void PhotonBuffer::Allocate(Capacity capacity) {
  capacity_ = capacity;
  for (Arrays& set : sets_) {
    set.x = std::make_unique_for_overwrite<float[]>(capacity.events);
    set.y = std::make_unique_for_overwrite<float[]>(capacity.events);
    set.tag = std::make_unique_for_overwrite<std::int32_t[]>(capacity.events);
    set.photonsPerFrame = std::make_unique_for_overwrite<std::int32_t[]>(capacity.frames);
  }
}

void PhotonBuffer::SizeForFrameRate(double framesPerSecond) {
  const Capacity wanted = CapacityFor(framesPerSecond);
  std::lock_guard lock(mutex_);
  if (wanted == capacity_) return;
  Allocate(wanted);
  photonsPending_ = 0;
  framesCountedAtLastStep_ = framesCounted_;
  framesDropped_ = 0;
}

PhotonBuffer::Capacity PhotonBuffer::capacity() const {
  std::lock_guard lock(mutex_);
  return capacity_;
}

bool PhotonBuffer::AppendFrame(int worker, const float* x, const float* y, std::int32_t count) {
  std::lock_guard lock(mutex_);
  const std::int32_t frameEntry = framesCounted_ - framesCountedAtLastStep_;
  if (frameEntry >= capacity_.frames || count > capacity_.events - photonsPending_) {
    ++framesDropped_;
    return false;
  }
  Arrays& set = sets_[active_];
  set.photonsPerFrame[frameEntry] = count;
  const std::int32_t start = photonsPending_;
  photonsPending_ += count;
  const std::int32_t tag = framesCounted_ * 4 + worker;
  ++framesCounted_;
  std::copy_n(x, count, set.x.get() + start);
  std::copy_n(y, count, set.y.get() + start);
  std::fill_n(set.tag.get() + start, count, tag);
  return true;
}

PhotonBuffer::Snapshot PhotonBuffer::TakeSnapshot() {
  std::lock_guard lock(mutex_);
  const Arrays& taken = sets_[active_];
  Snapshot snapshot{taken.x.get(),       taken.y.get(),
                    taken.tag.get(),     taken.photonsPerFrame.get(),
                    photonsPending_,      framesCounted_ - framesCountedAtLastStep_,
                    framesCounted_,       framesDropped_};
  active_ = 1 - active_;
  photonsPending_ = 0;
  framesCountedAtLastStep_ = framesCounted_;
  framesDropped_ = 0;
  return snapshot;
}

void PhotonBuffer::Reset() {
  std::lock_guard lock(mutex_);
  photonsPending_ = 0;
  framesCounted_ = 0;
  framesCountedAtLastStep_ = 0;
  framesDropped_ = 0;
}

std::int32_t PhotonBuffer::photonsPending() const {
  std::lock_guard lock(mutex_);
  return photonsPending_;
}

std::int32_t PhotonBuffer::framesCounted() const {
  std::lock_guard lock(mutex_);
  return framesCounted_;
}

std::int32_t PhotonBuffer::framesCountedAtLastStep() const {
  std::lock_guard lock(mutex_);
  return framesCountedAtLastStep_;
}

}  // namespace velmar
