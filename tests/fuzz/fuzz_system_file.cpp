// The system file "vlm_syst.tmp": the temporary-file mode is always 0 or 1.
#include <cstdlib>

#include "console/data_directory.h"
#include "fuzz_support.h"

using namespace velmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool pointed = ::setenv("VELMAR_SYSTEM_DIR", fuzz::ScratchDir().c_str(), 1) == 0;
  fuzz::Require(pointed);
  fuzz::WriteInput("vlm_syst.tmp", data, size);
  const auto mode = ReadTempFileMode();
  fuzz::Require(mode == 0 || mode == 1);
  return 0;
}
