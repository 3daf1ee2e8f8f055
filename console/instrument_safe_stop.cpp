#include "console/instrument_safe_stop.h"

namespace velmar {

bool HighVoltageStillOn(std::int32_t thtSent) {
  return thtSent != 0 && thtSent != kThtNotControlled && thtSent > 200;
}

}  // namespace velmar
