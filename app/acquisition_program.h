#pragma once
// The program's acquisition machinery for the life of the process, the same for
// the windowed program and the headless runner: the frame grabber, the counting
// engine and its threads, the TV display, the instrument links.
#include "engine/shared_state.h"
#include "engine/counting_engine.h"
#include "engine/counting_thread.h"
#include "engine/frame_grabber_setup.h"
#include "engine/software_grabber.h"
#include "engine/synthetic_frame.h"
#include "engine/tv_display.h"
#include "instruments/board_operations.h"
#include "instruments/high_voltage.h"
#include "instruments/simulated_bench.h"
#include "instruments/temperature.h"

namespace velmar {

struct AcquisitionProgram {
  explicit AcquisitionProgram(SharedState& shared, std::function<void()> showStandby = {})
      : shared(shared),
        engine(grabber, shared.acquisition.grabber),
        tvDisplay(grabber, shared.acquisition.tuning, shared.parameters, synthetic),
        tvContinue(tvDisplay, shared.acquisition.tuning),
        comptage(engine, std::move(showStandby)),
        board(bench, shared.parameters, shared.acquisition),
        highVoltage(shared.parameters, shared.acquisition, board),
        temperature(shared.parameters, shared.acquisition, {}) {
    grabber.FollowEtalon(&shared.acquisition.etalon);
    bench.SetDefinedWiring([&p = shared.parameters] {
      return BenchWiring{p.ShutterSystem, p.THTSystem, p.THTMax, p.AxiomBoard == 1 ? 1 : 0};
    });
  }

  // Threads first, then the workers, then the grabber objects.
  ~AcquisitionProgram() {
    comptage.Stop();
    tvContinue.Stop();
    engine.StopWorkers();
  }

  SharedState& shared;
  SoftwareGrabber grabber;
  CountingEngine engine;
  SyntheticFrameMaker synthetic;
  TvDisplay tvDisplay;
  TvContinueThread tvContinue;
  CountingThread comptage;
  // The input-output board: the simulated bench unless a driver for real boards is
  // given in its place.
  SimulatedBench bench;
  InstrumentBoard board;
  HighVoltage highVoltage;
  // The temperature controller, polled by the store step and later the monitor
  // tick; the front end sets how a port that cannot be opened ends the program.
  TemperatureLink temperature;
};

}  // namespace velmar
