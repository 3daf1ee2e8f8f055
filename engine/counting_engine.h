#pragma once
// The counting pipeline: the counting step grabs frame n into buffer n mod 4 and
// wakes detection worker n mod 4, which binarises the frame, measures its blobs and
// appends their centres of gravity to the photon buffer. A worker still busy with
// the frame four grabs earlier loses the new frame; a frame of 20000 blobs or more
// is rejected as overexposed.
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <string>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/grabber.h"
#include "engine/grabber_objects.h"
#include "engine/photon_buffer.h"
#include "engine/photon_detection.h"

namespace velmar {

struct CountingCounters {
  std::int64_t framesGrabbed = 0;   // counting steps that took a frame from the camera
  std::int64_t framesBusyLost = 0;  // frames lost because their worker was still busy
  std::int64_t framesRejected = 0;  // frames of 20000 blobs or more
  std::int64_t framesEmpty = 0;     // frames with no blob
  // Frames a streaming camera sent that never arrived whole (incomplete, late, or
  // with no buffer free for them): neither grabbed nor counted.
  std::int64_t framesCameraLost = 0;
};

class CountingEngine {
 public:
  CountingEngine(Grabber& grabber, GrabberObjects& objects);
  ~CountingEngine();
  CountingEngine(const CountingEngine&) = delete;
  CountingEngine& operator=(const CountingEngine&) = delete;

  // Fills the worker contexts from the grabber objects (the set-up does this).
  void FillContexts(std::int32_t discriminator);
  WorkerContext& context(int worker) { return contexts_[worker]; }
  PhotonBuffer& photons() { return photons_; }

  // On the counting thread, before it hands its step over: waits until the camera's
  // next frame is due, so the grab in the step does not hold the window thread, and
  // up to kWorkerGrace for that frame's worker to be free.
  void WaitForNextFrame();
  static constexpr std::chrono::milliseconds kWorkerGrace{2};
  // The counting step, on the window thread: the next frame index, a grab and its
  // worker. Returns false when there is nothing to grab (terminated, or no camera).
  bool GrabNextFrame();
  // Runs after worker 3 has been started (the remanence images hook).
  void SetAfterWorker3(std::function<void()> hook) { afterWorker3_ = std::move(hook); }
  // On the virtual clock each frame's worker finishes before the step returns, so a
  // whole observation is deterministic.
  void SetWaitForWorkers(bool wait) { waitForWorkers_ = wait; }

  // The digitizer is about to be freed: the counting thread stops waiting on it.
  void ForgetDigitizer();
  // Returns once no worker runs (before the grabber objects are freed).
  void WaitWorkersIdle();
  bool WorkerBusy(int worker) const { return busy_[worker].load() != 0; }

  std::atomic<std::int32_t> terminate{0};
  std::atomic<std::int32_t> tvLevelRequest{0};
  std::atomic<std::int32_t> tvLevelAck{0};
  // Set by the counting thread while its loop runs: the TV-level pause waits only then.
  std::atomic<std::int32_t> countingThreadRunning{0};

  std::int32_t frameIndex() const { return frameIndex_; }
  // Why the camera went away during grabbing (the grabber's error text); empty while
  // it is there. From then on nothing more is grabbed.
  std::string cameraGone() const;
  CountingCounters counters() const;

  // Ends the workers' threads and all grabbing (the process's orderly end).
  void StopWorkers();

 private:
  struct Worker {
    std::thread thread;
    bool wake = false;
    // Its own wake-up: a frame wakes its worker alone, not all four.
    std::condition_variable woken;
    std::vector<float> x, y;
  };
  void StartWorkers();
  void WorkerLoop(int k);
  void Detect(int k);
  GrabberId GrabBufferOf(int k) const;

  Grabber& grabber_;
  GrabberObjects& objects_;
  std::array<WorkerContext, kWorkers> contexts_;
  std::array<std::atomic<int>, kWorkers> busy_{};
  std::array<Worker, kWorkers> workers_;
  PhotonBuffer photons_;
  std::function<void()> afterWorker3_;
  bool waitForWorkers_ = false;
  std::int32_t frameIndex_ = -1;
  std::atomic<GrabberId> pacingDigitizer_{0};  // the digitizer as the counting thread may see it

  mutable std::mutex mutex_;  // worker wake-ups and counters
  std::condition_variable idle_;
  bool stopping_ = false;
  bool started_ = false;
  CountingCounters counters_;
  std::string cameraGone_;
};

}  // namespace velmar
