#pragma once
// What a camera description says of a GenICam camera (GigE Vision, USB3 Vision):
// which camera, and the settings the digitizer gives it when it opens it. Values
// left unset keep the camera's own.
#include <string>

namespace velmar {

struct GenicamSettings {
  std::string camera;          // Aravis device id; empty: the first camera found
  std::string pixelFormat;     // Mono8, Mono10, Mono12 or Mono16; empty: the camera's
  double frameRate = 0.0;      // frames per second; 0: the camera's
  double exposureUs = -1.0;    // microseconds; -1: the camera's
  double gain = -1.0;          // the camera's own unit (usually dB); -1: the camera's
  bool hasRegion = false;
  int regionX = 0, regionY = 0, regionWidth = 0, regionHeight = 0;
  int binning = 0;             // the same in both directions; 0: the camera's
  int buffers = 8;             // frames the stream may hold beyond the four being counted
  // A fault to rehearse with: from this second after the camera is opened it is
  // gone, as an unplugged cable leaves it (-1: never).
  double vanishFrom = -1.0;
};

}  // namespace velmar
