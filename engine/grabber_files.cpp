#include "engine/grabber_files.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "engine/genicam_description.h"
#include "platform/format.h"
#include "platform/key_value_text.h"

namespace velmar {

namespace {

}  // namespace

std::string ParseDigitizerDescription(const std::string& text, const std::string& fileName,
                                      DigitizerDescription& out) {
  DigitizerDescription d;
  int seed = static_cast<int>(d.seed);
  std::map<std::string, Setter> setters = {
      {"size_x", IntSetter(d.sizeX, 1, 4096)},
      {"size_y", IntSetter(d.sizeY, 1, 4096)},
      {"bands", IntSetter(d.bands, 1, 1)},
      {"bits", IntSetter(d.bits, 8, 8)},
      {"frame_rate", RealSetter(d.frameRate, 0.1, 10000.0)},
      {"photon_rate", RealSetter(d.photonRate, 0.0, 1.0e6)},
      {"peak_grey_min", IntSetter(d.peakGreyMin, 0, 255)},
      {"peak_grey_max", IntSetter(d.peakGreyMax, 0, 255)},
      {"background", IntSetter(d.background, 0, 255)},
      {"dark_noise", RealSetter(d.darkNoise, 0.0, 1.0e6)},
      {"dark_grey_max", IntSetter(d.darkGreyMax, 0, 255)},
      {"reference_step", IntSetter(d.referenceStep, 1, 128)},
      {"seed", IntSetter(seed, 0, 2147483647)},
      {"stall_from", RealSetter(d.stallFrom, -1.0, 1.0e9)},
      {"stall_for", RealSetter(d.stallFor, 0.0, 1.0e9)},
      {"source",
       [&](const std::string& v) {
         if (v == "simulated") d.source = CameraSource::Simulated;
         else if (v == "replay") d.source = CameraSource::Replay;
         else if (v == "genicam") d.source = CameraSource::Genicam;
         else return false;
         return true;
       }},
      // A directory opens like a file here but yields no frame: refused where it is named.
      {"replay_file",
       [&](const std::string& v) {
         d.replayFile = v;
         std::error_code ec;
         return !v.empty() && !std::filesystem::is_directory(v, ec);
       }},
      {"spot",
       [&](const std::string& v) {
         if (v == "single") d.spot = SpotShape::Single;
         else if (v == "3x3") d.spot = SpotShape::Square3x3;
         else if (v == "mixed") d.spot = SpotShape::Mixed;
         else return false;
         return true;
       }},
  };
  setters.merge(GenicamSetters(d.genicam));
  AddDiscKeys(setters, d.disc);
  std::string error = ParseKeyValues(text, fileName, "digitizer", setters);
  if (error.empty()) error = FinishGenicamDescription(text, fileName, d);
  if (error.empty()) error = CheckDisc(d.disc, d.sizeX, d.sizeY, text, fileName);
  if (!error.empty()) return error;
  if (d.peakGreyMin > d.peakGreyMax)
    return fileName + ": peak_grey_min is above peak_grey_max";
  if (d.source == CameraSource::Replay && d.replayFile.empty())
    return fileName + ": source = replay needs a replay_file";
  d.seed = static_cast<std::uint64_t>(seed);
  out = d;
  return {};
}

std::string ParseDisplayDescription(const std::string& text, const std::string& fileName,
                                    DisplayDescription& out) {
  DisplayDescription d;
  std::map<std::string, Setter> setters = {
      {"size_x", IntSetter(d.sizeX, 1, 8192)},
      {"size_y", IntSetter(d.sizeY, 1, 8192)},
      {"mode",
       [&](const std::string& v) {
         if (v == "window") d.desktopWindow = true;
         else if (v == "monitor") d.desktopWindow = false;
         else return false;
         return true;
       }},
  };
  std::string error = ParseKeyValues(text, fileName, "display", setters);
  if (!error.empty()) return error;
  out = d;
  return {};
}

std::string ReadTextFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "cannot open " + path;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return "cannot read " + path;
  out = text.str();
  return {};
}

namespace {
const char* SpotName(SpotShape s) {
  switch (s) {
    case SpotShape::Single: return "single";
    case SpotShape::Square3x3: return "3x3";
    default: return "mixed";
  }
}
}  // namespace

std::string DigitizerDescriptionText(const DigitizerDescription& d, const std::string& title) {
  std::string t = "# " + title + "\n";
  t += "kind = digitizer\n";
  t += Format("size_x = %d            # pixels per line\n", d.sizeX);
  t += Format("size_y = %d            # lines per frame\n", d.sizeY);
  t += Format("frame_rate = %g        # frames per second\n", d.frameRate);
  if (d.source == CameraSource::Genicam) {
    t += "source = genicam          # a GigE Vision or USB3 Vision camera through Aravis\n";
    t += "camera = " + d.genicam.camera + "\n";
  } else if (d.source == CameraSource::Replay) {
    t += "source = replay          # raw 8-bit frames replayed in a loop\n";
    t += "replay_file = " + d.replayFile + "\n";
  } else {
    t += "source = simulated       # simulated intensified camera\n";
  }
  t += Format("photon_rate = %g       # mean photon events per frame%s\n", d.photonRate,
              d.disc.on ? ", with the line passing whole" : "");
  t += DiscDescriptionText(d.disc);
  t += Format("spot = %s              # single, 3x3 or mixed\n", SpotName(d.spot));
  t += Format("peak_grey_min = %d\npeak_grey_max = %d\n", d.peakGreyMin, d.peakGreyMax);
  t += Format("background = %d        # grey level of the empty sky\n", d.background);
  t += Format("dark_noise = %g        # mean dark pixels per frame\n", d.darkNoise);
  t += Format("dark_grey_max = %d\n", d.darkGreyMax);
  t += Format("reference_step = %d\n", d.referenceStep);
  t += Format("seed = %llu\n", static_cast<unsigned long long>(d.seed));
  if (d.stallFrom >= 0)
    t += Format("stall_from = %g\nstall_for = %g\n", d.stallFrom, d.stallFor);
  return t;
}

std::string DisplayDescriptionText(const DisplayDescription& d, const std::string& title) {
  std::string t = "# " + title + "\n";
  t += "kind = display\n";
  t += std::string("mode = ") + (d.desktopWindow ? "window" : "monitor") +
       "          # window: a window on the desktop; monitor: a monitor of its own\n";
  t += Format("size_x = %d\nsize_y = %d\n", d.sizeX, d.sizeY);
  return t;
}

}  // namespace velmar
