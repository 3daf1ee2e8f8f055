#pragma once
// A GenICam camera (GigE Vision, USB3 Vision) through Aravis, as the software
// grabber's digitizer drives it: opened from its device id with the description's
// settings, its frames streamed into a pool of Aravis buffers and lent out without
// a copy; a lent frame goes back to the pool when its last lease ends, even after
// the camera was closed. A build without Aravis opens nothing and says so.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/genicam_settings.h"

namespace velmar {

// True when this build drives GenICam cameras.
bool GenicamBuiltIn();

struct GenicamListing {
  std::string id, vendor, model, serial, protocol;
};
// The cameras Aravis sees now. Empty text, or why none could be looked for.
std::string ListGenicamCameras(std::vector<GenicamListing>& cameras);

// A frame the stream lends: its pixels stay as they are while the lease is held.
struct GenicamFrame {
  const std::uint8_t* pixels = nullptr;
  int width = 0, height = 0;
  int stride = 0;  // bytes from one line to the next
  int bits = 8;    // significant bits; above 8 each pixel is two bytes, little-endian
  std::shared_ptr<void> lease;
};

enum class GenicamOutcome {
  Frame,    // a whole frame
  Lost,     // the camera's frame arrived incomplete or late: not to be counted
  NoFrame,  // nothing within the time allowed (a camera that pauses)
  Gone,     // the camera no longer answers
};

struct GenicamNext {
  GenicamOutcome outcome = GenicamOutcome::NoFrame;
  GenicamFrame frame;
  // Frames the camera sent while no buffer was free for them, since the last call.
  std::int64_t missed = 0;
};

class GenicamCamera {
 public:
  GenicamCamera();
  ~GenicamCamera();
  GenicamCamera(const GenicamCamera&) = delete;
  GenicamCamera& operator=(const GenicamCamera&) = delete;

  // Opens the camera and gives it the settings. Empty text, or the fault.
  std::string Open(const GenicamSettings& settings);
  // Read back from the camera once it is open.
  const std::string& id() const;
  int width() const;
  int height() const;
  int bits() const;
  double frameRate() const;
  const std::string& pixelFormat() const;

  // Starts streaming: triggered, one frame for each Trigger(); else at the camera's rate.
  std::string Start(bool triggered);
  bool started() const;
  void Trigger();
  // The next frame of the stream, waiting at most timeoutMs.
  GenicamNext Next(int timeoutMs);
  // Why the camera is gone (empty while it answers).
  std::string goneReason() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace velmar
