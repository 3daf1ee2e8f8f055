#pragma once
#include "app/qt/program_windows.h"
#include "params/instrument_definition.h"

namespace velmar {

// The driver-file check's window, the main window's camera-driver label, and the end
// of the program when the operator quits there.
class QtDriverFileConsole final : public DriverFileConsole {
 public:
  QtDriverFileConsole(ProgramWindows& windows, std::function<void()> quit)
      : windows_(windows), quit_(std::move(quit)) {}
  int AskConfigurationError(const std::string& line1, const std::string& line2, const std::string& line3) override;
  void ShowCameraDriver(const std::string& text) override;
  void QuitProgram() override { quit_(); }

 private:
  ProgramWindows& windows_;
  std::function<void()> quit_;
};

}  // namespace velmar
