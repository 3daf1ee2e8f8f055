// The camera and monitor description files: a description, or a fault that names the file.
#include "engine/grabber_files.h"
#include "fuzz_support.h"

using namespace velmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  DigitizerDescription d;
  const std::string error = ParseDigitizerDescription(text, "comptage.dcf", d);
  if (error.empty()) {
    fuzz::Require(d.sizeX >= 1 && d.sizeX <= 4096 && d.sizeY >= 1 && d.sizeY <= 4096);
    fuzz::Require(d.frameRate > 0.0);
    fuzz::Require(d.peakGreyMin <= d.peakGreyMax);
    // A disc's centre is on the frame, its line a width the etalon can show.
    if (d.disc.on) {
      fuzz::Require(d.disc.centreX < d.sizeX && d.disc.centreY < d.sizeY);
      fuzz::Require(d.disc.lineWidth > 0.0 && d.disc.turnover > 0.0);
      SimulatedDisc disc(d.disc, d.sizeX, d.sizeY);
      std::mt19937_64 random(d.seed);
      disc.BeginFrame(0.25, d.sizeX, d.sizeY);
      fuzz::Require(disc.Brightness() > 0.0 && disc.Brightness() <= 1.0 + 1e-9);
      for (int n = 0; n < 16; ++n) {
        const SpotPosition at = disc.Next(random, d.sizeX, d.sizeY);
        fuzz::Require(at.x >= 0 && at.y >= 0 && at.x < d.sizeX && at.y < d.sizeY);
      }
    }
  } else {
    fuzz::Require(error.rfind("comptage.dcf", 0) == 0);
  }
  DisplayDescription v;
  const std::string displayError = ParseDisplayDescription(text, "ecran.vcf", v);
  fuzz::Require(displayError.empty() || displayError.rfind("ecran.vcf", 0) == 0);
  return 0;
}
