#include "engine/tv_display.h"

#include "platform/clock.h"
#include "platform/window_thread.h"

namespace velmar {

void TvDisplay::WriteTexts(const char* text) {
  // Where a monitor of any size shows at least one of them; the rest is clipped.
  static const int kPlaces[4][2] = {{530, 20}, {300, 550}, {1050, 20}, {300, 1050}};
  for (const auto& place : kPlaces) grabber_.DrawText(tuning_.displayBuffer, place[0], place[1], text);
}

void TvDisplay::ShowNextTvFrame() {
  if (!tuning_.open.load() || !tuning_.displayBuffer) return;
  if (p_.Source == kSourceSimulation) {
    int sizeX = p_.CCDXSize, sizeY = p_.CCDYSize;
    if (sizeX <= 0 || sizeY <= 0) sizeX = sizeY = 512;
    synthetic_.MakeSyntheticFrame(p_.RandomPoints, sizeX, sizeY, frame_);
    grabber_.PutPixels(tuning_.displayBuffer, 0, 0, sizeX, static_cast<int>(frame_.size() / sizeX), frame_.data());
    WriteTexts("Simulation grab");
  } else {
    WriteTexts("Direct grab");
    if (tuning_.digitizer) grabber_.Grab(tuning_.digitizer, tuning_.displayBuffer);
  }
}

void TvContinueThread::Start() {
  thread_.Start([this](std::stop_token stop) {
    while (!stop.stop_requested()) {
      if (tuning_.open.load()) runOnWindowThread([this] { display_.ShowNextTvFrame(); });
      else ProcessClock().SleepMs(100);
    }
  });
}

void TvContinueThread::Stop() { thread_.Stop(); }

}  // namespace velmar
