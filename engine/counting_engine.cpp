#include "engine/counting_engine.h"

#include "platform/thread_priority.h"

namespace velmar {

CountingEngine::CountingEngine(Grabber& grabber, GrabberObjects& objects)
    : grabber_(grabber), objects_(objects) {
  for (auto& b : busy_) b.store(0);
}

CountingEngine::~CountingEngine() { StopWorkers(); }

void CountingEngine::FillContexts(std::int32_t discriminator) {
  for (int k = 0; k < kWorkers; ++k) {
    WorkerContext& c = contexts_[k];
    c.simulationSource = objects_.simulationSource[k];
    c.grab = k == 0 ? objects_.displayBuffer : objects_.hiddenGrab[k - 1];
    c.binary = objects_.binary[k];
    c.areaList = objects_.areaList[k];
    c.centroidList = objects_.centroidList[k];
    c.blobResult = objects_.blobResult[k];
    c.blobsFound = 0;
    c.discriminator.store(discriminator);
    c.greyWeighting = 0;
  }
  pacingDigitizer_.store(objects_.digitizer);
}

void CountingEngine::WaitForNextFrame() {
  if (terminate.load()) return;
  const GrabberId digitizer = pacingDigitizer_.load();
  if (digitizer) grabber_.WaitGrabReady(digitizer);
  // After a late step a fast camera's grabber hands out the frames it kept one
  // after another: the next frame's worker gets a moment to finish the frame four
  // grabs earlier rather than lose this one. (The frame index moves only in the
  // step, which this thread has waited for.)
  const int k = (frameIndex_ + 1) % kWorkers;
  std::unique_lock lock(mutex_);
  idle_.wait_for(lock, kWorkerGrace, [&] { return busy_[k].load() == 0 || stopping_ || terminate.load() != 0; });
}

GrabberId CountingEngine::GrabBufferOf(int k) const {
  if (k == 0) return objects_.simulationInUse ? objects_.simulationGrab : objects_.displayBuffer;
  return objects_.hiddenGrab[k - 1];
}

void CountingEngine::StartWorkers() {
  std::lock_guard lock(mutex_);
  if (started_) return;
  started_ = true;
  for (int k = 0; k < kWorkers; ++k) {
    workers_[k].x.resize(kMaxBlobsPerFrame);
    workers_[k].y.resize(kMaxBlobsPerFrame);
    workers_[k].thread = std::thread([this, k] { WorkerLoop(k); });
  }
}

bool CountingEngine::GrabNextFrame() {
  ++frameIndex_;
  if (terminate.load() || !objects_.setUpDone || objects_.digitizer == 0) return false;
  {
    std::lock_guard lock(mutex_);
    if (!cameraGone_.empty()) return false;
  }
  StartWorkers();
  const int k = frameIndex_ % kWorkers;
  const bool busy = busy_[k].load() != 0;
  // Its buffer still being analysed, the camera's frame passes unanalysed.
  const GrabResult got = busy ? grabber_.SkipFrame(objects_.digitizer) : grabber_.Grab(objects_.digitizer, GrabBufferOf(k));
  {
    std::lock_guard lock(mutex_);
    counters_.framesCameraLost += got.framesLost;
    if (got.frame) ++counters_.framesGrabbed;
    if (got.frame && busy) ++counters_.framesBusyLost;
    if (got.cameraGone) {
      cameraGone_ = grabber_.LastErrorText();
      if (cameraGone_.empty()) cameraGone_ = "the camera no longer answers";
      return false;
    }
  }
  if (!got.frame) {
    // No whole frame: its worker is not started, and the buffers keep their turn.
    --frameIndex_;
    return true;
  }
  if (!busy) {
    busy_[k].store(1);
    {
      std::lock_guard lock(mutex_);
      workers_[k].wake = true;
    }
    workers_[k].woken.notify_one();
    if (waitForWorkers_) {
      std::unique_lock lock(mutex_);
      idle_.wait(lock, [&] { return busy_[k].load() == 0; });
    }
  }
  if (k == 3 && afterWorker3_) afterWorker3_();
  return true;
}

void CountingEngine::WorkerLoop(int k) {
  // Above the machine's other work, so a fast camera's frames are analysed in time.
  RequestThreadPriority(1);
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      workers_[k].woken.wait(lock, [&] { return stopping_ || workers_[k].wake; });
      if (stopping_) return;
      workers_[k].wake = false;
    }
    Detect(k);
    {
      std::lock_guard lock(mutex_);
      busy_[k].store(0);
    }
    idle_.notify_all();
  }
}

void CountingEngine::Detect(int k) {
  WorkerContext& c = contexts_[k];
  const GrabberId source = objects_.simulationInUse ? c.simulationSource : c.grab;
  Worker& w = workers_[k];
  const DetectionResult found =
      DetectPhotons(grabber_, source, {c.binary, c.areaList, c.centroidList, c.blobResult},
                    c.discriminator.load(std::memory_order_relaxed), w.x.data(), w.y.data());
  c.blobsFound = found.photons;
  if (found.overexposed) {
    std::lock_guard lock(mutex_);
    ++counters_.framesRejected;
  }
  if (found.photons == 0) {
    std::lock_guard lock(mutex_);
    ++counters_.framesEmpty;
    return;
  }
  photons_.AppendFrame(k, w.x.data(), w.y.data(), found.photons);
}

void CountingEngine::WaitWorkersIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [&] {
    for (const auto& b : busy_)
      if (b.load()) return false;
    return true;
  });
}

std::string CountingEngine::cameraGone() const {
  std::lock_guard lock(mutex_);
  return cameraGone_;
}

CountingCounters CountingEngine::counters() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

void CountingEngine::ForgetDigitizer() { pacingDigitizer_.store(0); }

void CountingEngine::StopWorkers() {
  terminate.store(1);
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  for (auto& w : workers_) w.woken.notify_all();
  for (auto& w : workers_)
    if (w.thread.joinable()) w.thread.join();
  std::lock_guard lock(mutex_);
  // A worker woken but stopped before its run leaves no busy mark behind.
  for (auto& b : busy_) b.store(0);
}

}  // namespace velmar
