#pragma once
// Help on instrument definition files: what each of the 21 lines holds, with a
// typical file, and how to add one of one's own.
#include <QDialog>

namespace velmar {

class THelpDEF : public QDialog {
  Q_OBJECT
 public:
  explicit THelpDEF(QWidget* parent = nullptr);
};

}  // namespace velmar
