#include "engine/genicam_description.h"

#include <charconv>
#include <sstream>

#include "engine/grabber_files.h"
#include "platform/format.h"
#include "platform/key_value_text.h"

namespace velmar {

namespace {

bool ReadRegion(const std::string& v, GenicamSettings& s) {
  int values[4] = {};
  const char* at = v.data();
  const char* end = v.data() + v.size();
  for (int i = 0; i < 4; ++i) {
    while (at < end && *at == ' ') ++at;
    const auto [ptr, ec] = std::from_chars(at, end, values[i]);
    if (ec != std::errc()) return false;
    at = ptr;
    while (at < end && *at == ' ') ++at;
    if (i < 3) {
      if (at == end || *at != ',') return false;
      ++at;
    }
  }
  if (at != end || values[0] < 0 || values[1] < 0 || values[2] < 1 || values[3] < 1 || values[2] > 16384 ||
      values[3] > 16384)
    return false;
  s.hasRegion = true;
  s.regionX = values[0];
  s.regionY = values[1];
  s.regionWidth = values[2];
  s.regionHeight = values[3];
  return true;
}

const char* const kGenicamKeys[] = {"camera", "pixel_format", "exposure_us", "gain",
                                    "region", "binning",      "buffers",     "vanish_from"};

}  // namespace

std::map<std::string, Setter> GenicamSetters(GenicamSettings& s) {
  return {
      {"camera",
       [&s](const std::string& v) {
         s.camera = v;
         return true;
       }},
      // Frames the counting takes: 8 bits as they are, more through the TV levels.
      {"pixel_format",
       [&s](const std::string& v) {
         s.pixelFormat = v;
         return v == "Mono8" || v == "Mono10" || v == "Mono12" || v == "Mono16";
       }},
      {"exposure_us", RealSetter(s.exposureUs, 0.0, 1.0e9)},
      {"gain", RealSetter(s.gain, 0.0, 1.0e4)},
      {"region", [&s](const std::string& v) { return ReadRegion(v, s); }},
      {"binning", IntSetter(s.binning, 1, 64)},
      {"buffers", IntSetter(s.buffers, 1, 256)},
      {"vanish_from", RealSetter(s.vanishFrom, -1.0, 1.0e9)},
  };
}


std::string FinishGenicamDescription(const std::string& text, const std::string& fileName, DigitizerDescription& d) {
  if (d.source != CameraSource::Genicam) {
    for (const char* key : kGenicamKeys)
      if (const int line = LineOfKey(text, key))
        return Format("%s line %d: %s is for a camera with source = genicam", fileName.c_str(), line, key);
    return {};
  }
  // The camera tells its size and rate; a size written here is checked against it.
  d.sizeXLine = LineOfKey(text, "size_x");
  d.sizeYLine = LineOfKey(text, "size_y");
  if (LineOfKey(text, "frame_rate")) d.genicam.frameRate = d.frameRate;
  return {};
}

}  // namespace velmar
