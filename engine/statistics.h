#pragma once
// The live figures of the main window, once a second: instantaneous rates and
// efficiency always, cumulated counters while counting.
#include <cstdint>
#include <string>

#include "engine/acquisition_state.h"
#include "params/acquisition_parameters.h"

namespace velmar {

struct SecondFigures {
  std::int32_t frames = 0;   // K: frames counted in the second
  std::int32_t photons = 0;  // L: their photons
  std::int32_t events = 0;   // E: events taken out of the photon buffer
  double sinceEnd = 0.0;     // I: seconds since the end of the previous step
  double sinceStart = 0.0;   // T: seconds since its start
  std::int32_t dropped = 0;  // frames the photon buffer had no room for (not counted)
};

struct InstantView {
  double photonRate = 0.0;  // photons per second (L / I)
  std::string photons, frames, efficiency;  // InstantPhotons, InstantFrames, InstantEfficiency
};

struct CumulatedView {
  std::string photonsUnits, photonsMillions;  // CumulPhotons1, CumulPhotons2
  std::string exposure;                       // CumulExposure
  std::string efficiency;                     // CumulEfficiency ("" before any exposure)
  std::string system;                         // LabelSysteme
  std::string disk;                           // CumulDisk
};

InstantView InstantFiguresOf(const SecondFigures& f, std::int32_t framesPerSecond);

// While counting: adds the second to the counters and gives the cumulated texts
// (also kept in the state for the channel record).
CumulatedView UpdateStatistics(AcquisitionState& s, const AcquisitionParameters& p, const SecondFigures& f);

// Photons counted this second whose records the disk refused: taken back out of
// the channel's and the cumulated photons and out of the bytes written, so that the
// log's figures count only what reached the file.
void ForgetUnwrittenPhotons(AcquisitionState& s, const AcquisitionParameters& p, std::int32_t records);

// A thread priority as the main window names it: "  Idle", "Lowest", "Lower",
// "Normal", "High", "High++", "Critic" (steps from normal: -3 .. 3).
const char* PriorityLabelText(int stepsAboveNormal);

// "%2.2d:%2.2d:%2.2d" of whole seconds.
std::string ExposureText(double seconds);

}  // namespace velmar
