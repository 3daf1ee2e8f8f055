#pragma once
// The frame grabber could not be opened: end the program ("&Bypass") or go on
// without the board ("&Cancel").
#include <QDialog>

class QLabel;

namespace velmar {

class TErrorMatrox : public QDialog {
  Q_OBJECT
 public:
  explicit TErrorMatrox(QWidget* parent = nullptr);
  // Shows the window modally; true for "&Bypass".
  bool AskBypass(const QString& libraryMessage);

 private:
  QLabel* message_;
};

}  // namespace velmar
