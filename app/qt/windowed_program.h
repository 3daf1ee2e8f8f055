#pragma once
// The windowed program from its entry to its event loop: the splash, the
// single-instance lock, the windows, the main window's controller and the first
// show that starts it up. The program entry runs it as is; the quit-path test
// driver runs the same start-up with hooks to play the operator.
#include <functional>

namespace velmar {

struct AcquisitionProgram;
struct ProgramWindows;
class MainWindowController;

struct WindowedProgramHooks {
  // Once the application exists, before any window: the windows shown before the
  // controller exists (an error at the very start) can be watched from here.
  std::function<void()> applicationMade;
  // Once the windows and the controller exist, before the main window is shown.
  std::function<void(AcquisitionProgram&, ProgramWindows&, MainWindowController&)> ready;
  // The last call before the process ends, with its exit code.
  std::function<void(int exitCode)> beforeExit;
};

// Runs until a quit path ends the process.
int RunWindowedProgram(int argc, char** argv, const WindowedProgramHooks& hooks = {});

}  // namespace velmar
