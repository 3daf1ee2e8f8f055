#pragma once
// The data directory window: open an existing directory or create a new one (one
// level at a time); the program must be able to write there.
#include <QDialog>
#include <string>

class QLineEdit;
class QLabel;

namespace velmar {

class TRepertoire : public QDialog {
  Q_OBJECT
 public:
  explicit TRepertoire(QWidget* parent = nullptr);
  // Shows the window with the current path; returns 0 when a directory was
  // accepted (dataPath then holds it), 1 on cancel. A rejected text stays in
  // dataPath, as the parameters window's path edit shows it.
  int Choose(std::string& dataPath, const std::string& observation);

 private:
  void Accept(bool accepted);
  QLineEdit* edit_;
  QLabel* observation_;
  std::string* dataPath_ = nullptr;
};

}  // namespace velmar
