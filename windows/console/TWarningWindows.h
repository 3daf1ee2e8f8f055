#pragma once
// The warnings and questions met on the way to an acquisition and on the way out:
// each a fixed layout of texts and one to three buttons; the opener reads the answer.
#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

class QLabel;
class QPushButton;
class QCheckBox;

namespace velmar {

// A major warning of the instrument stands: 1 "&Back to parameters", 0 "&Bypass and acquire".
class TWarningAcquire : public QDialog {
  Q_OBJECT
 public:
  explicit TWarningAcquire(QWidget* parent = nullptr);
  std::int32_t Ask();  // a window closed otherwise goes back to the parameters

 private:
  std::int32_t answer_ = 1;
};

// A comment line of the observation is missing; the operator goes back to fill it.
class TWarningBeforeIntegration : public QDialog {
  Q_OBJECT
 public:
  explicit TWarningBeforeIntegration(QWidget* parent = nullptr);
  void Show(const std::string& line);

 private:
  QLabel* line_;
};

// The shutter is not seen open: 0 open it and integrate, 1 back to the parameters,
// 2 integrate nevertheless. The answer goes to operatorAnswer.
class TQuestionObturateur : public QDialog {
  Q_OBJECT
 public:
  // openShutter opens the shutter and reads its state again.
  TQuestionObturateur(std::function<void()> openShutter, QWidget* parent = nullptr);
  // A window closed otherwise leaves the answer as it was.
  void Ask(std::int32_t shutterSystem, std::int32_t status, std::int32_t& operatorAnswer);

 private:
  std::function<void()> openShutter_;
  QLabel* first_;
  QLabel* status_;
  QPushButton* open_;
  std::int32_t* answer_ = nullptr;
};

// The first photon file of the observation exists: 0 "&Yes, overwrite", 1 "&No, go back".
class TFileExist : public QDialog {
  Q_OBJECT
 public:
  explicit TFileExist(QWidget* parent = nullptr);
  void Ask(const std::string& name, const std::string& extension, std::int32_t& operatorAnswer);

 private:
  QLabel* file_;
  std::int32_t* answer_ = nullptr;
};

// The high voltage is still on as the program quits. Left only by setting it to zero
// unless "Enable this button" is ticked; once answered it is not shown again until
// the parameters window clears the done flag.
class TWarningTHT : public QDialog {
  Q_OBJECT
 public:
  // setThtZero sets the high voltage to 0 V.
  TWarningTHT(std::function<void()> setThtZero, QWidget* parent = nullptr);
  // Shown unless done; thtSent fills LabelTHT.
  void Warn(std::int32_t thtSent);
  bool done() const { return done_; }
  void ClearDone() { done_ = false; }

 protected:
  void reject() override;  // Escape and the close box do not leave it

 private:
  std::function<void()> setThtZero_;
  QLabel* tht_;
  QCheckBox* enable_;
  QPushButton* keep_;
  bool done_ = false;
};

}  // namespace velmar
