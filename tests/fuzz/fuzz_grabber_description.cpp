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
  } else {
    fuzz::Require(error.rfind("comptage.dcf", 0) == 0);
  }
  DisplayDescription v;
  const std::string displayError = ParseDisplayDescription(text, "ecran.vcf", v);
  fuzz::Require(displayError.empty() || displayError.rfind("ecran.vcf", 0) == 0);
  return 0;
}
