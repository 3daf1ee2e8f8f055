#pragma once
// The window thread of the GUI: a step handed over from another thread runs in
// Qt's event loop by a blocking queued call.
#include "platform/window_thread.h"

namespace velmar {

class QtWindowThread final : public WindowThread {
 public:
  void Run(const std::function<void()>& step) override;
  void ServePending() override;
  bool IsWindowThread() const override;
};

}  // namespace velmar
