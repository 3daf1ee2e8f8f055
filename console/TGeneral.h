#pragma once
// The main acquisition window: created first, the application's main window, at
// 575, 22 and in front of the others.
#include <QWidget>
#include <functional>

#include "console/counting_status.h"
#include "console/shared_state.h"

class QLabel;

namespace velmar {

class TGeneral : public QWidget, public CountingStatusDisplay {
  Q_OBJECT
 public:
  explicit TGeneral(SharedState& shared, QWidget* parent = nullptr);
  // Runs once, when the window is first shown (the start-up sequence).
  void SetFirstShowAction(std::function<void()> action) { firstShow_ = std::move(action); }
  void ShowCountingStateView(const CountingStateView& view) override;
  void ShowCameraDriver(const QString& text);  // LabelCCIR

 protected:
  void showEvent(QShowEvent* event) override;
  // Until the program's own quit paths exist, closing the main window ends it.
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormShow();

  SharedState& shared_;
  QLabel* countingState_;
  QLabel* cameraDriver_;
  std::function<void()> firstShow_;
  bool shown_ = false;
};

}  // namespace velmar
