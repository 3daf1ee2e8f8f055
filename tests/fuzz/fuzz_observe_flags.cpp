// The runner's command line: any arguments are parsed or refused with a reason,
// and the paths among them anchored to the starting directory.
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
  // Paths made absolute stay absolute, whatever was given.
  if (options) {
    const ObserveOptions anchored = AnchoredObserveOptions(*options);
    fuzz::Require(anchored.data.empty() || anchored.data[0] == '/');
  }
  return 0;
}
