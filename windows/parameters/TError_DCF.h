#pragma once
// A frame-grabber driver file is missing: keep the previous one or quit.
#include <QDialog>

#include "params/instrument_definition.h"

class QLabel;

namespace velmar {

class TError_DCF : public QDialog {
  Q_OBJECT
 public:
  explicit TError_DCF(QWidget* parent = nullptr);
  // 1 for "&Bypass (keep previous)", 2 for "&Quit" or a window closed otherwise.
  int Ask(const std::string& line1, const std::string& line2, const std::string& line3);

 private:
  QLabel* lines_[3];
  int answer_ = 2;
};

}  // namespace velmar
