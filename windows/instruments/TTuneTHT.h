#pragma once
// The high-voltage tuning window "Velmar tuming THT": the operator raises the THT
// in safe steps with the TV live on the control monitor, stops a rise at any step,
// drops it in an emergency, or sets it by hand. The logic is ThtTuning's; this
// window shows what it decides and polls its steps.
#include <QDialog>

#include "engine/shared_state.h"
#include "instruments/tht_tuning.h"

class QLabel;
class QPushButton;
class QSlider;
class QLineEdit;
class QGroupBox;
class QTimer;

namespace velmar {

class TTuneTHT : public QDialog, public ThtTuningDisplay {
  Q_OBJECT
 public:
  TTuneTHT(SharedState& shared, HighVoltage& tht, InstrumentBoard& board, Grabber& grabber, QWidget* parent = nullptr);
  ThtTuning& tuning() { return tuning_; }
  void reject() override;
  // The volts field back to "0." (the parameters window does it before each start).
  void ZeroRequestedVolts();

  // ThtTuningDisplay
  void ShowThtRead(const std::string& text) override;
  void ShowMessage(const std::string& text, ThtMessageStyle style) override;
  void ShowButtons(const ThtButtons& buttons) override;
  void ShowTrackBar(std::int32_t position) override;
  void ShowRestBox(bool shown) override;
  void ShowRestSeconds(const std::string& text) override;
  void ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t system) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Build();
  void Connect();
  void WriteCaptions();
  void SetTrackBarVisible(bool shown);
  void ButtonReturnClick();
  QPushButton* button(const char* name) const;
  QLabel* label(const char* name) const;

  SharedState& shared_;
  ThtTuning tuning_;
  QTimer* steps_ = nullptr;
  QSlider* trackBar_ = nullptr;
  bool keyHeld_ = false;
  bool closing_ = false;
};

// Shows the tuning window modally (the parameters window's "Tune THT").
void OpenTuneTHT(TTuneTHT& window);

}  // namespace velmar
