#pragma once
// The single-instance check run each time the parameters window is shown: a second
// copy is told so and ends (leaving the running copy's files and devices alone); a
// running 3D display program only earns a warning. Then the witness file is written.
#include <functional>
#include <string>

#include "platform/witness_file.h"
#include "params/acquisition_parameters.h"

namespace velmar {

class InstanceWarnings {
 public:
  virtual ~InstanceWarnings() = default;
  virtual void ShowTwoPrograms() = 0;  // TTwoPrograms, modal
  virtual void ShowTwoVlm3D() = 0;     // TTwoVlm3D, modal
};

// endSecondCopy ends the process without touching any file or device: those are
// the running copy's. It does not return in the program (tests may let it return,
// and the check then stops there). Alone, the check writes this copy's witness.
void CheckOtherInstances(const AcquisitionParameters& p, InstanceWarnings& warnings, WitnessFile& witness,
                         const std::function<void()>& endSecondCopy);

}  // namespace velmar
