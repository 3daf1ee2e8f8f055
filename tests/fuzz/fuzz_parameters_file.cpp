// The parameters file "vla.def": any bytes give a sane parameter set.
#include "fuzz_support.h"
#include "params/parameters_file.h"

using namespace velmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::QuietErrors quiet;
  const std::string path = fuzz::WriteInput("vla.def", data, size);
  AcquisitionParameters p;
  LoadParametersFile(p, path);
  fuzz::RequireTerminated(p.Prefix);
  fuzz::RequireTerminated(p.LastPrefix);
  fuzz::RequireTerminated(p.Path);
  fuzz::RequireTerminated(p.DcfFile);
  fuzz::RequireTerminated(p.VcfFile);
  fuzz::Require(p.Numobs >= 0);
  return 0;
}
