#include "engine/photon_buffer.h"

#include <algorithm>

namespace velmar {

PhotonBuffer::PhotonBuffer() {
  for (Arrays& set : sets_) {
    set.x.resize(kEventCapacity);
    set.y.resize(kEventCapacity);
    set.tag.resize(kEventCapacity);
    set.photonsPerFrame.resize(kFrameCapacity);
  }
}

bool PhotonBuffer::AppendFrame(int worker, const float* x, const float* y, std::int32_t count) {
  std::lock_guard lock(mutex_);
  const std::int32_t frameEntry = framesCounted_ - framesCountedAtLastStep_;
  if (frameEntry >= kFrameCapacity || count > kEventCapacity - photonsPending_) {
    ++framesDropped_;
    return false;
  }
  Arrays& set = sets_[active_];
  set.photonsPerFrame[frameEntry] = count;
  const std::int32_t start = photonsPending_;
  photonsPending_ += count;
  const std::int32_t tag = framesCounted_ * 4 + worker;
  ++framesCounted_;
  std::copy_n(x, count, set.x.begin() + start);
  std::copy_n(y, count, set.y.begin() + start);
  std::fill_n(set.tag.begin() + start, count, tag);
  return true;
}

PhotonBuffer::Snapshot PhotonBuffer::TakeSnapshot() {
  std::lock_guard lock(mutex_);
  const Arrays& taken = sets_[active_];
  Snapshot snapshot{taken.x.data(),       taken.y.data(),
                    taken.tag.data(),     taken.photonsPerFrame.data(),
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
