#include "instruments/instrument_monitor.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/clock.h"
#include "platform/number_text.h"
#include "platform/thread_priority.h"
#include "platform/window_thread.h"

namespace velmar {

namespace {
// The shutter read once, its status shown on every window that has a shutter label.
class ShutterLabels final : public BoardDisplay {
 public:
  ShutterLabels(BoardDisplay& main, const std::vector<BoardDisplay*>& others) : main_(main), others_(others) {}
  void ShowShutterStatus(const std::string& text, std::int32_t code, std::int32_t system) override {
    main_.ShowShutterStatus(text, code, system);
    for (BoardDisplay* other : others_) other->ShowShutterStatus(text, code, system);
  }
  void ShowShutterClosedLabel(bool shown) override { main_.ShowShutterClosedLabel(shown); }

 private:
  BoardDisplay& main_;
  const std::vector<BoardDisplay*>& others_;
};
}  // namespace

void InstrumentMonitor::Tick() {
  ++ticks_;
  AcquisitionParameters& p = l_.p;
  AcquisitionState& s = l_.s;
  l_.board.ShowCloseLoop(*display_);
  ShutterLabels shutter(*display_, shutterLabels_);
  l_.board.ShowShutterStatus(shutter);
  l_.temperature.ShowTemperature(*display_);
  display_->ShowFiltersStatus(FiltersStatus(s));
  l_.tht.ReadTHT();
  display_->ShowThtLabels(ThtText(s.thtSent), ThtText(s.thtRead));
  l_.board.ShowCloseLoop(*display_);
  if (tuning_) tuning_->ShowReadAndLevels();
  p.MonitorWarning = 0;
  l_.tht.ReadTHT();
  const bool noTht = ProbeTht();
  if (!noTht) {
    s.thtWarningText = s.thtRead >= p.THTLow || p.AcqType == kAcqAnalogicCalibration ? "" : kThtTooLowText;
    display_->ShowThtWarning(s.thtWarningText);
  }
  CheckChannelCount();
  display_->RemoteControlsRefreshed();
}

// A THT near zero is raised to 200 V for half a second: a supply that reads back
// nothing like it does not answer. The probe always leaves the THT set to 0.
bool InstrumentMonitor::ProbeTht() {
  AcquisitionState& s = l_.s;
  if (l_.p.StartWithTHT != 0 || s.thtRead >= 150) return false;
  l_.tht.SetTHT(200);
  WaitSeconds(0.5);
  l_.tht.ReadTHT();
  const bool noTht = std::abs(s.thtRead - 200) > 100;
  s.thtWarningText = noTht ? kNoThtText : "";
  display_->ShowThtWarning(s.thtWarningText);
  l_.tht.SetTHT(0);
  return noTht;
}

// A scan of one channel is likely a mistake outside 2D images: the operator is
// asked about it when validating.
void InstrumentMonitor::CheckChannelCount() {
  const auto typed = display_->ChannelCountText();
  const auto channels = typed ? LeadingInt(*typed) : std::optional<std::int32_t>(l_.p.Lz);
  if (!channels) return;  // the label keeps its state
  const bool one = *channels <= 1 && l_.p.AcqType != kAcq2DImage;
  l_.s.scanOneChannelShown = one ? 1 : 0;
  if (one) l_.p.MonitorWarning = 1;
  display_->ShowScanOneChannel(one);
}

void ControleThread::Start() {
  thread_.Start([this](std::stop_token stop) {
    RequestThreadPriority(0);
    while (!stop.stop_requested()) {
      // A second in small slices, so that a stop is seen at once.
      for (int slice = 0; slice < 10 && !stop.stop_requested(); ++slice)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (!stop.stop_requested()) runOnWindowThread(tick_);
    }
  });
}

}  // namespace velmar
