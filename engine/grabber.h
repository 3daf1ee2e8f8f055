#pragma once
// The frame-grabber library as the program uses it: opaque integer identifiers
// (0 = no object) for application, system, display, digitizer, image buffers,
// feature lists and blob results; grab, binarise and blob analysis; text, copy,
// save and load. SoftwareGrabber (software_grabber.h) is the implementation here.
#include <cstdint>
#include <string>

#include "engine/image_file.h"

namespace velmar {

using GrabberId = std::int32_t;

enum BufferUsage : unsigned {
  kProcessable = 1u,
  kGrabbable = 2u,
  kDisplayable = 4u,
};

enum class Inquiry {
  SizeX,
  SizeY,
  PixelBits,
  Bands,
  DisplayIsDesktopWindow,  // display: 1 when it is a window on the desktop
  FrameRate,               // digitizer: frames per second, rounded
  SizeFromCamera,          // digitizer: 1 when the frame size is the camera's own, not the description's
};

enum class BlobFeature { Area, CenterOfGravityX, CenterOfGravityY };

// Digitizer control codes.
inline constexpr int kControlGrabMode = 4016;       // 2.0: asynchronous grabs
inline constexpr int kControlBlackReference = 4003;  // 0..255
inline constexpr int kControlWhiteReference = 4005;  // 0..255
// Blob-result control code (kept by the result; labelling is always 8-connected).
inline constexpr int kBlobControlIdentification = 3;

// What a grab brought. A camera that streams may lose frames (sent incomplete or
// late, or with no buffer free for them) and may go away; the simulated one never does.
struct GrabResult {
  bool frame = true;            // a whole frame is in the buffer
  std::int32_t framesLost = 0;  // camera frames lost since the previous grab, this one's included
  bool cameraGone = false;      // the camera no longer answers (LastErrorText says why)
};

class Grabber {
 public:
  virtual ~Grabber() = default;

  virtual GrabberId AllocApplication() = 0;
  virtual GrabberId AllocSystem(GrabberId application, const std::string& descriptor) = 0;
  virtual GrabberId AllocDisplay(GrabberId system, const std::string& displayFile) = 0;
  virtual GrabberId AllocDigitizer(GrabberId system, const std::string& cameraFile) = 0;
  virtual std::int32_t Inquire(GrabberId object, Inquiry what) = 0;

  virtual GrabberId AllocBuffer(GrabberId system, int bands, int sizeX, int sizeY, int bits,
                                unsigned usage) = 0;
  virtual void Clear(GrabberId buffer, int value) = 0;
  virtual void ShowOnDisplay(GrabberId display, GrabberId buffer) = 0;
  // The buffer a display shows (0 when none), for the control monitor.
  virtual GrabberId DisplayedBuffer(GrabberId display) = 0;
  // What the control monitor shows now: the buffer last put on a display, live; once
  // that is freed, its last picture (a monitor keeps the last image it was sent).
  // False when nothing was ever shown.
  virtual bool ControlMonitorPicture(GreyImage& picture) = 0;
  // Text in the built-in font, magnified scale times, in the given grey level.
  virtual void DrawText(GrabberId buffer, int x, int y, const std::string& text, int scale = 1, int colour = 255) = 0;
  virtual void PutPixels(GrabberId buffer, int x, int y, int sizeX, int sizeY,
                         const std::uint8_t* bytes) = 0;
  // Copies the whole buffer out, one byte per pixel (0/1 for a 1-bit buffer).
  virtual void GetPixels(GrabberId buffer, std::uint8_t* bytes) = 0;

  virtual void SetDigitizerControl(GrabberId digitizer, int code, double value) = 0;
  virtual double DigitizerControl(GrabberId digitizer, int code) = 0;
  // One frame into the buffer; returns no earlier than the camera's next frame time.
  virtual GrabResult Grab(GrabberId digitizer, GrabberId buffer) = 0;
  // The monotonic time (ms) at which a grab started now would return.
  virtual std::int64_t NextFrameTimeMs(GrabberId digitizer) = 0;
  // Returns when a grab can start at once: the camera's next frame is due. A pacing
  // thread waits here so that the grab itself does not keep the window thread.
  virtual void WaitGrabReady(GrabberId digitizer) = 0;
  // Waits for the camera's next frame and lets it pass (its buffer is still in use).
  virtual GrabResult SkipFrame(GrabberId digitizer) = 0;
  virtual void GrabContinuous(GrabberId digitizer, GrabberId buffer) = 0;
  virtual void Halt(GrabberId digitizer) = 0;

  // destination pixel 1 where the source grey level is at least bound.
  virtual void BinarizeGreaterOrEqual(GrabberId source, GrabberId destination, int bound) = 0;
  virtual GrabberId AllocFeatureList(GrabberId system) = 0;
  virtual void SelectFeature(GrabberId featureList, BlobFeature feature) = 0;
  virtual GrabberId AllocBlobResult(GrabberId system) = 0;
  virtual void SetBlobControl(GrabberId result, int code, double value) = 0;
  // 8-connected blobs of the 1-bit image, in raster order of their first pixel.
  virtual void CalculateBlobs(GrabberId binary, GrabberId grey, GrabberId featureList,
                              GrabberId result) = 0;
  virtual std::int32_t BlobCount(GrabberId result) = 0;
  // Copies up to capacity values of a selected feature; returns how many were copied.
  virtual std::int32_t BlobResults(GrabberId result, BlobFeature feature, float* destination,
                                   std::int32_t capacity) = 0;

  virtual bool Save(GrabberId buffer, const std::string& path) = 0;
  virtual bool Load(const std::string& path, GrabberId buffer) = 0;

  virtual std::int32_t LastError() = 0;
  virtual std::string LastErrorText() = 0;
  virtual void SetErrorPrinting(bool on) = 0;
  virtual void Free(GrabberId object) = 0;
};

}  // namespace velmar
