// The board driver's "axdrv.ini": a configuration, or a fault that names the file.
#include "fuzz_support.h"
#include "instruments/simulated_bench.h"

using namespace velmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  BenchConfig config;
  const std::string error = ParseBenchConfig(text, config);
  fuzz::Require(error.empty() || error.find("axdrv.ini") != std::string::npos);
  return 0;
}
