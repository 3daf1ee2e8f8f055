// The runner's command line: any arguments are parsed or refused with a reason.
#include <vector>

#include "app/observe_options.h"
#include "fuzz_support.h"

using namespace velmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) args.emplace_back();
    else args.back() += static_cast<char>(data[i]);
  }
  std::string error;
  const auto options = ParseObserveOptions(args, error);
  fuzz::Require(options.has_value() || !error.empty());
  return 0;
}
