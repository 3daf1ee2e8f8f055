#pragma once
#include "app/check_other_instances.h"
#include "app/qt/program_windows.h"

namespace velmar {

// The single-instance warnings shown in their windows, modally.
class QtInstanceWarnings final : public InstanceWarnings {
 public:
  explicit QtInstanceWarnings(ProgramWindows& windows) : windows_(windows) {}
  void ShowTwoPrograms() override;
  void ShowTwoVlm3D() override;

 private:
  ProgramWindows& windows_;
};

}  // namespace velmar
