#include "app/check_other_instances.h"

#include "platform/witness_file.h"
#include "platform/error_reporter.h"

namespace velmar {

void CheckOtherInstances(const AcquisitionParameters& p, InstanceWarnings& warnings, WitnessFile& witness,
                         const std::function<void()>& endSecondCopy) {
  if (p.AnotherInstance) {
    warnings.ShowTwoPrograms();
    endSecondCopy();
    return;
  }
  if (p.DisplayRunning) warnings.ShowTwoVlm3D();
  if (const std::string error = witness.Write(); !error.empty())
    ShowError("The witness file of the acquisition task cannot be written", error,
              "The other Velmar programs will not see this acquisition");
}

}  // namespace velmar
