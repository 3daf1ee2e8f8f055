#pragma once
// "Test PF": the parallel lines of the CS100 link driven one after the other while
// the operator watches the diodes of the checking device; "Quit test" ends it.
#include <QDialog>

#include "diagnostics/parallel_test.h"
#include "instruments/board_operations.h"
#include "instruments/cs100_link.h"

class QLabel;
class QPushButton;

namespace velmar {

class TTestPF : public QDialog, public ParallelTestHost {
  Q_OBJECT
 public:
  TTestPF(Cs100Link& link, InstrumentBoard& board, QWidget* parent = nullptr);

  void ButtonRunClick();
  void ButtonQuitClick();
  bool running() const { return running_; }

  // ParallelTestHost
  void ShowSending(const std::string& text) override;
  void WaitStep() override;
  bool StopRequested() override { return stop_; }

 protected:
  void reject() override;  // the close box and Escape: as "Quit test"

 private:
  Cs100Link& link_;
  InstrumentBoard& board_;
  QLabel* value_;
  QPushButton* run_;
  bool running_ = false;
  bool stop_ = false;
};

}  // namespace velmar
