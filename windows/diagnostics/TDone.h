#pragma once
// "Done": the single TV frame is in its VL2 file.
#include <QDialog>

namespace velmar {

class TDone : public QDialog {
  Q_OBJECT
 public:
  explicit TDone(QWidget* parent = nullptr);
};

}  // namespace velmar
