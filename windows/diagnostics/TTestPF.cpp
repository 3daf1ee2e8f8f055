#include "windows/diagnostics/TTestPF.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "windows/common/widget_placing.h"
#include "platform/clock.h"
#include "platform/error_reporter.h"

namespace velmar {

namespace {
constexpr int kStepMs = 500;
constexpr int kSliceMs = 20;
}  // namespace

TTestPF::TTestPF(Cs100Link& link, InstrumentBoard& board, QWidget* parent)
    : QDialog(parent), link_(link), board_(board) {
  setObjectName("TTestPF");
  setWindowTitle("Test PF");
  setModal(true);
  setFixedSize(580, 190);
  auto* title = Place(new QLabel("Test  parallel  control of the interferometer", this), "Label1", QRect(10, 10, 560, 26));
  QFont bold = title->font();
  bold.setBold(true);
  bold.setPointSize(12);
  title->setFont(bold);
  title->setAlignment(Qt::AlignCenter);
  Place(new QLabel("Check that all the diodes of the checking device are successively on and off", this), "Label2",
        QRect(10, 44, 560, 22))
      ->setAlignment(Qt::AlignCenter);
  value_ = Place(new QLabel(this), "LabelValue", QRect(10, 80, 560, 30));
  value_->setAlignment(Qt::AlignCenter);
  QFont big = value_->font();
  big.setPointSize(14);
  value_->setFont(big);
  run_ = Place(new QPushButton("Run test", this), "ButtonRun", QRect(110, 136, 150, 34));
  Place(new QPushButton("Quit test", this), "ButtonQuit", QRect(320, 136, 150, 34));
  connect(run_, &QPushButton::clicked, this, [this] { ButtonRunClick(); });
  connect(findChild<QPushButton*>("ButtonQuit"), &QPushButton::clicked, this, [this] { ButtonQuitClick(); });
}

void TTestPF::ButtonRunClick() {
  if (running_) return;
  if (board_.OpenBoard()) {
    ShowError("Error initializing the AXIOM input/output board", board_.lastErrorText(), "");
    return;
  }
  running_ = true;
  stop_ = false;
  run_->setEnabled(false);
  RunParallelTest(link_, *this);
  running_ = false;
  run_->setEnabled(true);
  value_->clear();
  accept();
}

void TTestPF::ButtonQuitClick() {
  if (running_) {
    stop_ = true;  // the test closes the window after its step
    value_->setText("Stopping...");
  } else {
    accept();
  }
}

void TTestPF::reject() { ButtonQuitClick(); }

void TTestPF::ShowSending(const std::string& text) { value_->setText(QString::fromStdString(text)); }

void TTestPF::WaitStep() {
  // Half a second on the diodes, the window answering its buttons meanwhile.
  Clock& clock = ProcessClock();
  const std::int64_t end = clock.MonotonicMs() + kStepMs;
  for (;;) {
    QApplication::processEvents();
    const std::int64_t left = end - clock.MonotonicMs();
    if (left <= 0 || stop_) return;
    clock.SleepMs(std::min<std::int64_t>(left, kSliceMs));
  }
}

}  // namespace velmar
