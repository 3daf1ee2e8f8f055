#pragma once
// The supervisor message window: the two lines another program of the package
// left in the message file, shown without stopping anything until its time is up.
#include <QDialog>

namespace velmar {

class TVirus : public QDialog {
  Q_OBJECT
 public:
  explicit TVirus(QWidget* parent = nullptr);
  void ShowMessage(const QString& line1, const QString& line2);
};

}  // namespace velmar
