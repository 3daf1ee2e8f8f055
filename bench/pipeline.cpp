// The whole counting pipeline in real time: the simulated camera at its frame
// rate, the counting thread handing each step to the window thread, four detection
// workers, and once a second a snapshot of the photon buffer (as the store step
// takes it). Prints one line a second and the counting efficiency at the end.
//
//   ./build/bench/pipeline [--seconds N] [--size S] [--spots N] [--fps F] [--simulation]
//   ./build/bench/pipeline --camera FILE [--seconds N]   (a camera description, e.g. a GenICam camera)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/counting_engine.h"
#include "engine/counting_thread.h"
#include "engine/frame_grabber_setup.h"
#include "engine/grabber_files.h"
#include "engine/software_grabber.h"
#include "platform/pacing_thread.h"
#include "platform/window_thread.h"

using namespace velmar;

namespace {

struct Options {
  int seconds = 60, size = 1024, spots = 300;
  double fps = 80;
  bool simulation = false;
  std::string camera;  // a camera description to count from, instead of the simulated camera
};

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&] { return i + 1 < argc ? argv[++i] : "0"; };
    if (a == "--seconds") o.seconds = std::atoi(next());
    else if (a == "--size") o.size = std::atoi(next());
    else if (a == "--spots") o.spots = std::atoi(next());
    else if (a == "--fps") o.fps = std::atof(next());
    else if (a == "--simulation") o.simulation = true;
    else if (a == "--camera") o.camera = std::filesystem::absolute(next()).string();
  }
  return o;
}

class PrintingConsole : public FrameGrabberConsole {
 public:
  void ShowInitMatroxNotes() override {}
  void HideInitMatroxNotes() override {}
  bool AskBypassAfterGrabberError(const std::string& message) override {
    std::fprintf(stderr, "frame grabber error: %s\n", message.c_str());
    std::exit(2);
  }
  void ShowCountingState(CountingState) override {}
};

}  // namespace

int main(int argc, char** argv) {
  Options o = Parse(argc, argv);
  const auto dir = std::filesystem::temp_directory_path() / "velmar-pipeline";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);
  DigitizerDescription camera;
  camera.sizeX = camera.sizeY = o.size;
  camera.frameRate = o.fps;
  camera.photonRate = o.spots;
  if (o.camera.empty()) std::ofstream("comptage.dcf") << DigitizerDescriptionText(camera, "pipeline camera");
  else std::filesystem::copy_file(o.camera, "comptage.dcf", std::filesystem::copy_options::overwrite_existing);
  std::ofstream("ecran.vcf") << DisplayDescriptionText(DisplayDescription{}, "pipeline monitor");

  AcquisitionParameters p;
  p.CCDXSize = p.CCDYSize = o.size;
  p.Discri = 100;
  p.WhiteLevel = 255;
  p.RandomPoints = o.spots;
  p.Source = o.simulation ? kSourceSimulation : kSourceTvIpcs;

  HandOverLoop windowThread;
  InstallWindowThread(&windowThread);
  SoftwareGrabber grabber;
  GrabberObjects objects;
  TvLevels levels;
  CountingEngine engine(grabber, objects);
  SyntheticFrameMaker synthetic;
  PrintingConsole console;
  SetUpContext context{grabber, objects, levels, engine, synthetic, console, [] { std::exit(2); }};
  if (!o.camera.empty()) p.CCDXSize = p.CCDYSize = 0;  // the camera's own size
  SetUpFrameGrabber(context, p);
  if (!o.camera.empty()) {
    o.size = objects.ccdXSize;
    o.fps = grabber.Inquire(objects.digitizer, Inquiry::FrameRate);
  }

  CountingThread comptage(engine, {});
  comptage.Start();
  long grabbedBefore = 0, totalCounted = 0, totalGrabbed = 0, totalEvents = 0, totalDropped = 0;
  int second = 0;
  PacingThread store;
  store.Start([&](std::stop_token stop) {
    while (!stop.stop_requested() && second < o.seconds) {
      std::this_thread::sleep_for(std::chrono::seconds(1));
      runOnWindowThread([&] {
        const auto s = engine.photons().TakeSnapshot();
        const long grabbed = static_cast<long>(engine.counters().framesGrabbed);
        const long inSecond = grabbed - grabbedBefore;
        grabbedBefore = grabbed;
        ++second;
        if (second == 1) return;  // the first second starts mid-way
        totalCounted += s.frames;
        totalGrabbed += inSecond;
        totalEvents += s.events;
        totalDropped += s.framesDropped;
        std::printf("second=%d grabbed=%ld counted=%d events=%d efficiency=%.1f%%\n", second, inSecond, s.frames,
                    s.events, inSecond ? 100.0 * s.frames / inSecond : 0.0);
        std::fflush(stdout);
      });
    }
  });
  windowThread.ServeUntil([&] { return second >= o.seconds; });
  store.Stop();
  comptage.Stop();
  ReleaseFrameGrabber(grabber, objects, engine);
  const auto c = engine.counters();
  const double seconds = o.seconds - 1;
  // The photon buffer's room for this camera: two sets of X, Y and tag arrays.
  const auto room = engine.photons().capacity();
  const double roomMb = 2.0 * room.events * (2 * sizeof(float) + sizeof(std::int32_t)) / 1.0e6;
  std::printf(
      "pipeline size=%d spots=%d fps=%g source=%s seconds=%.0f grabbed=%ld counted=%ld busy_lost=%lld "
      "dropped=%ld events_per_frame=%.1f efficiency_vs_grabbed=%.2f%% efficiency_vs_rate=%.2f%% "
      "buffer_frames=%d buffer_events=%d buffer_mb=%.0f\n",
      o.size, o.spots, o.fps, o.simulation ? "simulation" : "camera", seconds, totalGrabbed, totalCounted,
      static_cast<long long>(c.framesBusyLost), totalDropped,
      totalCounted ? static_cast<double>(totalEvents) / totalCounted : 0.0,
      totalGrabbed ? 100.0 * totalCounted / totalGrabbed : 0.0, 100.0 * totalCounted / (seconds * o.fps),
      room.frames, room.events, roomMb);
  if (!o.camera.empty()) {
    // Frames the camera sent that never arrived whole count against the efficiency too.
    const long long sent = c.framesGrabbed + c.framesCameraLost;
    const long long counted = c.framesGrabbed - c.framesBusyLost - c.framesEmpty;
    std::printf("camera=%s size=%d fps=%g frames_sent=%lld camera_lost=%lld busy_lost=%lld counted=%lld "
                "efficiency_vs_sent=%.2f%%\n",
                o.camera.c_str(), o.size, o.fps, sent, static_cast<long long>(c.framesCameraLost),
                static_cast<long long>(c.framesBusyLost), counted,
                sent ? 100.0 * static_cast<double>(counted) / static_cast<double>(sent) : 0.0);
  }
  return 0;
}
