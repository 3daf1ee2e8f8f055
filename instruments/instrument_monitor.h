#pragma once
// The instrument monitor: once a second, while the operator prepares an
// acquisition or tunes the THT, one tick refreshes everything the instrument
// reports (close loop, shutter, temperature, filters and mirror, THT sent and
// read) into the acquisition state and onto the parameters window, and probes a
// THT that reads near zero to tell a supply that does not answer from one that is
// off. The thread Controle only paces the tick; the tick runs on the window thread.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/acquisition_state.h"
#include "instruments/board_operations.h"
#include "instruments/filters_mirror.h"
#include "instruments/high_voltage.h"
#include "instruments/temperature.h"
#include "instruments/tht_tuning.h"
#include "params/acquisition_parameters.h"
#include "platform/pacing_thread.h"

namespace velmar {

inline constexpr const char* kNoThtText = "No THT ! (locked ?)";
inline constexpr const char* kThtTooLowText = "THT too low !";

// What the tick shows in the parameters window; every value shown is also in the
// acquisition state when the tick calls RemoteControlsRefreshed.
class InstrumentMonitorDisplay : public BoardDisplay, public TemperatureDisplay, public FiltersStatusDisplay {
 public:
  // THTSent and THTRead, "%5.5d".
  virtual void ShowThtLabels(const std::string& sent, const std::string& read) = 0;
  // "To solve before acquisition": LabelTHTNoResponse (hidden when empty) and
  // Label1can ("Scan 1 channel ?").
  virtual void ShowThtWarning(const std::string& text) = 0;
  virtual void ShowScanOneChannel(bool shown) = 0;
  // The number of channels as typed in EditLz; nothing when no such field is shown
  // (the parameter set's number is taken then).
  virtual std::optional<std::string> ChannelCountText() = 0;
  // The end of a tick: the remote controls have their new values.
  virtual void RemoteControlsRefreshed() = 0;
};

struct InstrumentLinks {
  AcquisitionParameters& p;
  AcquisitionState& s;
  InstrumentBoard& board;
  HighVoltage& tht;
  TemperatureLink& temperature;
};

class InstrumentMonitor {
 public:
  InstrumentMonitor(InstrumentLinks links, InstrumentMonitorDisplay& display) : l_(links), display_(&display) {}
  // The tuning window's level rules follow the read every second.
  void SetTuning(ThtTuning* tuning) { tuning_ = tuning; }
  // Other windows whose shutter label the tick keeps current (tuning, filters).
  void AlsoShowShutterOn(BoardDisplay* window) { shutterLabels_.push_back(window); }
  // One tick in twelve steps.
  void Tick();
  // What the pacing thread hands over: the tick, while the monitor is enabled.
  void TickIfEnabled() {
    if (l_.s.monitorEnabled) Tick();
  }
  int ticks() const { return ticks_; }  // ticks run so far

 private:
  bool ProbeTht();
  void CheckChannelCount();

  InstrumentLinks l_;
  InstrumentMonitorDisplay* display_;
  ThtTuning* tuning_ = nullptr;
  std::vector<BoardDisplay*> shutterLabels_;
  int ticks_ = 0;
};

// Controle: sleeps a second, then hands the tick to the window thread.
class ControleThread {
 public:
  explicit ControleThread(std::function<void()> tick) : tick_(std::move(tick)) {}
  ~ControleThread() { Stop(); }
  void Start();
  void Stop() { thread_.Stop(); }
  void RequestStop() { thread_.RequestStop(); }  // does not wait
  bool running() const { return thread_.running(); }

 private:
  std::function<void()> tick_;
  PacingThread thread_;
};

}  // namespace velmar
