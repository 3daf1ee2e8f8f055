#include "app/observe_analogic.h"

#include <filesystem>

#include "console/safe_stop.h"
#include "params/fixed_text.h"
#include "platform/format.h"
#include "platform/number_text.h"
#include "platform/quit_signals.h"

namespace velmar {

namespace {

// What the window would show, as lines of text.
class AnalogicConsole final : public AnalogicHost, public Cs100Console {
 public:
  AnalogicConsole(const AnalogicPlan& plan, std::function<void(const std::string&)> say)
      : plan_(plan), say_(std::move(say)), startMs_(ProcessClock().MonotonicMs()) {}

  void ShowStep(const std::string& text) override {
    // The files are named on the progress lines and in the summary.
    if (text.rfind("Creating output file", 0) == 0 || text.rfind("Writing output", 0) == 0) return;
    if (text.rfind("Scan terminated", 0) == 0) return;  // said with the outcome; there is no button to press
    say_(text);
  }
  void ShowChannel(std::int32_t, std::int32_t) override {}
  void ChannelAcquired(std::int32_t channel, std::int32_t position, double planeSum,
                       const std::string& slicePath) override {
    const double elapsed = static_cast<double>(ProcessClock().MonotonicMs() - startMs_) / 1000.0;
    say_(Format("channel %4.4d/%4.4d  CS100 position %6d  frames %d  sum %.0f  elapsed %.1f s%s%s", channel,
                plan_.channels, position, plan_.framesPerChannel, planeSum, elapsed, slicePath.empty() ? "" : "  ",
                slicePath.empty() ? "" : std::filesystem::path(slicePath).filename().c_str()));
  }
  bool CancelRequested() override { return QuitSignals::Requested() != 0 || linkEnded; }
  void ShowLinkState(CountingState) override {}
  void RestoreCountingState() override {}

  bool linkEnded = false;

 private:
  const AnalogicPlan& plan_;
  std::function<void(const std::string&)> say_;
  std::int64_t startMs_;
};

const char* OutcomeText(AnalogicOutcome outcome) {
  switch (outcome) {
    case AnalogicOutcome::Completed: return "Scan terminated";
    case AnalogicOutcome::CloseLoopError: return "Close loop error: the scan is stopped";
    case AnalogicOutcome::Cancelled: return "The scan is stopped";
    case AnalogicOutcome::FileError: return "An output file cannot be written: the scan is stopped";
    case AnalogicOutcome::GrabberError: return "The frame grabber cannot grab: the scan is stopped";
    case AnalogicOutcome::NoMemory: return "Not enough memory: the scan is not made";
  }
  return "";
}

}  // namespace

std::optional<AnalogicPlan> AnalogicPlanOf(const ObserveOptions& o, const AcquisitionParameters& p,
                                           std::string& error) {
  AnalogicPlan plan;
  plan.channels = p.Lz;
  plan.output = o.slices ? AnalogicOutput::Slices : AnalogicOutput::Cube;
  if (!o.framesPerChannel.empty()) {
    const auto frames = WholeInt(o.framesPerChannel);
    if (!frames || *frames < 1) {
      error = "--frames-per-channel must be a whole number, at least 1, not \"" + o.framesPerChannel + "\"";
      return std::nullopt;
    }
    plan.framesPerChannel = *frames;
  }
  if (!o.tht.empty()) {
    const auto volts = WholeInt(o.tht);
    if (!volts || *volts < 0 || *volts > 20000) {
      error = "--tht must be a whole number of volts, 0 to 20000";
      return std::nullopt;
    }
    plan.tht = *volts;
  } else {
    plan.tht = std::max(0, ReadAnalogicTht().value_or(0));
  }
  if (!o.overwrite)
    for (const std::string& file : AnalogicOutputFiles(p, plan))
      if (std::filesystem::exists(file)) {
        error = "The file " + file + " already exists. Nothing was overwritten: give --overwrite, or another --number.";
        return std::nullopt;
      }
  return plan;
}

int RunAnalogicCalibration(const AnalogicPlan& plan, AnalogicRunContext& run) {
  AcquisitionProgram& program = run.program;
  AcquisitionParameters& p = program.shared.parameters;
  AcquisitionState& s = program.shared.acquisition;
  AnalogicConsole console(plan, run.say);
  p.AcqType = kAcqAnalogicCalibration;
  WriteAnalogicTht(plan.tht);
  if (program.board.OpenBoard())
    run.say("Error initializing the AXIOM input/output board: " + program.board.lastErrorText());
  s.closeLoopWatch = 1;
  Cs100Link link(p, s, program.board, console, [&console] { console.linkEnded = true; });
  AnalogicCalibration calibration(p, s, {program.grabber, program.board, link, program.highVoltage}, console);

  run.say(Format("Analogic calibration %s%3.3d: %d channels, %d frames per channel, THT %d V, %s, into %s", p.Prefix,
                 p.Numobs, plan.channels, plan.framesPerChannel, plan.tht,
                 plan.output == AnalogicOutput::Cube ? "one 3D file" : "one 2D file per channel", p.Path));
  int code = 0;
  if (calibration.WriteLog(plan, [](const std::string&) { return true; }, ProcessClock().Now()) !=
      AnalogicLog::Written) {
    code = 1;
  } else {
    if (run.closeLoopFault)
      program.bench.ScheduleCloseLoopLoss(
          static_cast<double>(ProcessClock().MonotonicMs()) / 1000.0 + run.closeLoopFault->from,
          run.closeLoopFault->lasting);
    const AnalogicOutcome outcome = calibration.Scan(plan);
    const int signal = QuitSignals::Requested();
    if (outcome == AnalogicOutcome::Cancelled && signal) {
      run.say(Format("%s received: the scan is stopped; the files written are kept.", QuitSignals::Name(signal)));
      code = QuitSignals::ExitCode(signal);
    } else {
      if (console.linkEnded) run.say("The CS100 cannot be reached: the scan is stopped.");
      run.say(OutcomeText(outcome));
      code = outcome == AnalogicOutcome::Completed ? 0 : 1;
    }
  }
  // As the window's "Quit": the THT back to 0, the shutter closed, the idle banner.
  program.highVoltage.SetTHT(0);
  SafeStop(run.devices, std::string(TextOf(p.Path)));
  run.say(Format("THT set back to %d V.", s.thtSent));
  return code;
}

}  // namespace velmar
