#pragma once
// The program's error window: caption "Error", a heading and three centred lines,
// one OK button; it stays in front of every window.
#include <QDialog>

#include "platform/error_reporter.h"

class QLabel;

namespace velmar {

class TError : public QDialog {
  Q_OBJECT
 public:
  explicit TError(QWidget* parent = nullptr);
  void SetLines(const ErrorLines& lines);

 private:
  QLabel* line1_;
  QLabel* line2_;
  QLabel* line3_;
};

// Shows each error in a TError, modally, on the window thread.
class QtErrorReporter final : public ErrorReporter {
 public:
  void Report(const ErrorLines& lines) override;
};

}  // namespace velmar
