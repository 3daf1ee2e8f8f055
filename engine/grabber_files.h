#pragma once
// The software grabber's description files: the camera behind the digitizer
// ("comptage.dcf") and the control monitor ("ecran.vcf"). Small text files of
// "key = value" lines; '#' starts a comment. Unknown keys and bad values are errors.
#include <cstdint>
#include <string>

#include "engine/genicam_settings.h"
#include "engine/simulated_disc.h"

namespace velmar {

enum class CameraSource { Simulated, Replay, Genicam };
enum class SpotShape { Single, Square3x3, Mixed };

struct DigitizerDescription {
  int sizeX = 512;
  int sizeY = 512;
  int bands = 1;
  int bits = 8;
  double frameRate = 80.0;          // frames per second
  CameraSource source = CameraSource::Simulated;
  std::string replayFile;           // raw 8-bit frames, one after another, looped
  double photonRate = 100.0;        // mean photon events per frame (Poisson); with a disc,
                                    // when its line passes whole everywhere
  SpotShape spot = SpotShape::Mixed;
  int peakGreyMin = 120;            // grey level of a spot's brightest pixel, before the references
  int peakGreyMax = 250;
  int background = 8;               // grey level of the empty sky
  double darkNoise = 2.0;           // mean dark pixels per frame
  int darkGreyMax = 40;             // dark pixels are at most this bright
  int referenceStep = 1;            // the digitizer keeps reference levels on multiples of this
  std::uint64_t seed = 1947;
  // A fault to rehearse with: from stallFrom seconds after the digitizer is
  // opened, for stallFor seconds, the camera sends no frame (-1: never).
  double stallFrom = -1.0;
  double stallFor = 0.0;
  // source = genicam: the camera and its settings. Its frames give the size and
  // rate; the lines of size_x and size_y written here (0: none) are checked against it.
  GenicamSettings genicam;
  int sizeXLine = 0, sizeYLine = 0;
  DiscDescription disc;             // what the simulated camera looks at
};

struct DisplayDescription {
  bool desktopWindow = true;        // a window on the desktop, sized from the digitizer
  int sizeX = 1024;
  int sizeY = 1024;
};

// Each returns an empty text on success, else a message naming the file, line and fault.
std::string ParseDigitizerDescription(const std::string& text, const std::string& fileName,
                                      DigitizerDescription& out);
std::string ParseDisplayDescription(const std::string& text, const std::string& fileName,
                                    DisplayDescription& out);
std::string ReadTextFile(const std::string& path, std::string& out);

// The file texts of a description, as the program ships them.
std::string DigitizerDescriptionText(const DigitizerDescription& d, const std::string& title);
std::string DisplayDescriptionText(const DisplayDescription& d, const std::string& title);

}  // namespace velmar
