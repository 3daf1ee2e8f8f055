#pragma once
// The grabber in software: a simulated (or replayed) camera behind the digitizer,
// buffers in memory, the control monitor as a buffer that a window may show.
// Object operations may run on several threads at once (the detection workers
// each use their own buffers); allocation and freeing are serialised.
#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "engine/etalon_feed.h"
#include "engine/grabber.h"

namespace velmar {

enum GrabberError : std::int32_t {
  kGrabberOk = 0,
  kGrabberBadIdentifier = 1,
  kGrabberFileMissing = 2,
  kGrabberFileMalformed = 3,
  kGrabberBadArgument = 4,
  kGrabberInputOutput = 5,
  kGrabberCamera = 6,  // a camera that cannot be opened or no longer answers
};

class SoftwareGrabber : public Grabber {
 public:
  SoftwareGrabber();
  ~SoftwareGrabber() override;

  GrabberId AllocApplication() override;
  GrabberId AllocSystem(GrabberId application, const std::string& descriptor) override;
  GrabberId AllocDisplay(GrabberId system, const std::string& displayFile) override;
  GrabberId AllocDigitizer(GrabberId system, const std::string& cameraFile) override;
  std::int32_t Inquire(GrabberId object, Inquiry what) override;

  GrabberId AllocBuffer(GrabberId system, int bands, int sizeX, int sizeY, int bits,
                        unsigned usage) override;
  void Clear(GrabberId buffer, int value) override;
  void ShowOnDisplay(GrabberId display, GrabberId buffer) override;
  GrabberId DisplayedBuffer(GrabberId display) override;
  bool ControlMonitorPicture(GreyImage& picture) override;
  void DrawText(GrabberId buffer, int x, int y, const std::string& text, int scale = 1, int colour = 255) override;
  void PutPixels(GrabberId buffer, int x, int y, int sizeX, int sizeY,
                 const std::uint8_t* bytes) override;
  void GetPixels(GrabberId buffer, std::uint8_t* bytes) override;

  void SetDigitizerControl(GrabberId digitizer, int code, double value) override;
  double DigitizerControl(GrabberId digitizer, int code) override;
  GrabResult Grab(GrabberId digitizer, GrabberId buffer) override;
  std::int64_t NextFrameTimeMs(GrabberId digitizer) override;
  void WaitGrabReady(GrabberId digitizer) override;
  GrabResult SkipFrame(GrabberId digitizer) override;
  void GrabContinuous(GrabberId digitizer, GrabberId buffer) override;
  void Halt(GrabberId digitizer) override;

  void BinarizeGreaterOrEqual(GrabberId source, GrabberId destination, int bound) override;
  GrabberId AllocFeatureList(GrabberId system) override;
  void SelectFeature(GrabberId featureList, BlobFeature feature) override;
  GrabberId AllocBlobResult(GrabberId system) override;
  void SetBlobControl(GrabberId result, int code, double value) override;
  void CalculateBlobs(GrabberId binary, GrabberId grey, GrabberId featureList,
                      GrabberId result) override;
  std::int32_t BlobCount(GrabberId result) override;
  std::int32_t BlobResults(GrabberId result, BlobFeature feature, float* destination,
                           std::int32_t capacity) override;

  bool Save(GrabberId buffer, const std::string& path) override;
  bool Load(const std::string& path, GrabberId buffer) override;

  std::int32_t LastError() override;
  std::string LastErrorText() override;
  void SetErrorPrinting(bool on) override;
  void Free(GrabberId object) override;

  // The interferometer the simulated cameras look through (set before the first digitizer).
  void FollowEtalon(const EtalonFeed* etalon) { etalon_ = etalon; }

  // Objects still allocated (a leak check for the release order).
  int LiveObjects() const;
  // Photon spots the digitizer's camera placed in its last frame.
  int LastPhotonCount(GrabberId digitizer);

  struct Object;

 private:
  template <class T>
  T* Find(GrabberId id, const char* operation);
  GrabberId Add(std::unique_ptr<Object> object);
  void Fail(std::int32_t code, const std::string& text);
  // Waits for the digitizer's next frame time (the body is the digitizer's object);
  // deliver marks that frame as taken.
  static void WaitNextFrame(void* digitizer, bool deliver);
  static std::int64_t FrameTimeMs(void* digitizer);
  void GrabInto(Object& digitizer, Object& buffer);
  GrabResult GrabFromCamera(Object& digitizer, Object* buffer);

  mutable std::shared_mutex tableMutex_;
  std::vector<std::unique_ptr<Object>> objects_;  // identifier = index + 1
  GrabberId monitorDisplay_ = 0;  // the display last given a buffer
  std::mutex monitorMutex_;
  GreyImage frozenPicture_;
  std::mutex errorMutex_;
  std::int32_t lastError_ = kGrabberOk;
  std::string lastErrorText_;
  std::atomic<bool> errorPrinting_{false};
  const EtalonFeed* etalon_ = nullptr;
};

}  // namespace velmar
