#pragma once
// The abort request of "Abort and Quit" (and of the suspension's abort): quit the
// program, go on, or end this acquisition and offer a new one.
#include <QDialog>
#include <functional>

namespace velmar {

class TRequestAbort : public QDialog {
  Q_OBJECT
 public:
  explicit TRequestAbort(QWidget* parent = nullptr);
  // The shutter closed when "&Yes" is pressed, before anything else.
  void SetCloseShutter(std::function<void()> closeShutter) { closeShutter_ = std::move(closeShutter); }
  // Shows it modally; the answer: 0 yes, 1 no, 2 new acquisition.
  int Ask();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::function<void()> closeShutter_;
  int answer_ = 1;
};

}  // namespace velmar
