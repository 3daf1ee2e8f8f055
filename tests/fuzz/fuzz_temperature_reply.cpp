// A reply of the temperature controller: a value in the device's range, or none.
#include "fuzz_support.h"
#include "instruments/temperature.h"

using namespace velmar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  const auto value = TemperatureOfReply(reply);
  if (value) {
    fuzz::Require(*value >= -32768 && *value <= 65535);
    fuzz::Require(TemperatureText(static_cast<float>(*value)).size() < 64);
  }
  return 0;
}
