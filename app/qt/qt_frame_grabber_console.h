#pragma once
#include "app/qt/program_windows.h"
#include "engine/frame_grabber_setup.h"

namespace velmar {

// The frame-grabber set-up's notes, error question and counting states, in the windows.
class QtFrameGrabberConsole final : public FrameGrabberConsole {
 public:
  QtFrameGrabberConsole(ProgramWindows& windows, SharedState& shared) : windows_(windows), shared_(shared) {}
  void ShowInitMatroxNotes() override;
  void HideInitMatroxNotes() override;
  bool AskBypassAfterGrabberError(const std::string& libraryMessage) override;
  void ShowCountingState(CountingState state) override;

 private:
  ProgramWindows& windows_;
  SharedState& shared_;
};

}  // namespace velmar
