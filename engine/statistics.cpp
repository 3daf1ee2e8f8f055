#include "engine/statistics.h"

#include <algorithm>

#include "engine/photon_records.h"
#include "platform/format.h"

namespace velmar {

namespace {
// Frames the efficiency is measured against: the definition's frame rate over the
// time, or more when the camera delivered more (frames the buffer had to drop).
double FramesExpected(double rate, double seconds, std::int64_t counted, std::int64_t dropped) {
  return std::max(rate * seconds, static_cast<double>(counted + dropped));
}
}  // namespace

InstantView InstantFiguresOf(const SecondFigures& f, std::int32_t framesPerSecond) {
  InstantView v;
  const double photonRate = f.sinceEnd > 0 ? f.photons / f.sinceEnd : 0.0;
  const double frameRate = f.sinceEnd > 0 ? f.frames / f.sinceEnd : 0.0;
  v.photonRate = photonRate;
  v.photons = Format("%d", RoundHalfTowardZero(photonRate));
  v.frames = Format("%d", RoundHalfTowardZero(frameRate));
  if (framesPerSecond > 0) {
    const double expected = FramesExpected(framesPerSecond, f.sinceEnd, f.frames, f.dropped);
    std::int32_t efficiency = f.sinceEnd > 0 ? RoundHalfTowardZero(100.0 * f.frames / expected) : 0;
    // The timing jitter of a second is hidden, never a frame that was lost.
    if (efficiency > 95 && f.dropped == 0) efficiency = 100;
    if (efficiency >= 0) v.efficiency = Format("%d %%", efficiency);
  }
  return v;
}

const char* PriorityLabelText(int stepsAboveNormal) {
  static const char* const kNames[7] = {"  Idle", "Lowest", "Lower", "Normal", "High", "High++", "Critic"};
  return kNames[std::clamp(stepsAboveNormal, -3, 3) + 3];
}

std::string ExposureText(double seconds) {
  // Bounded before the conversion: a remaining time of billions of channels stays a number.
  const double bounded = std::clamp(seconds, 0.0, 1.0e15);
  const std::int64_t whole = static_cast<std::int64_t>(bounded);
  return Format("%2.2lld:%2.2d:%2.2d", static_cast<long long>(whole / 3600), static_cast<int>(whole % 3600 / 60),
                static_cast<int>(whole % 60));
}

CumulatedView UpdateStatistics(AcquisitionState& s, const AcquisitionParameters& p, const SecondFigures& f) {
  CumulatedView v;
  s.photonsUnits += f.photons;
  while (s.photonsUnits >= 1000000) {
    s.photonsUnits -= 1000000;
    ++s.photonsMillions;
  }
  v.photonsUnits = Format("%6.6ld", static_cast<long>(s.photonsUnits));
  v.photonsMillions = Format("%6.6ld", static_cast<long>(s.photonsMillions));
  s.channelPhotons += f.photons;

  s.cumulatedExposure += static_cast<float>(f.sinceEnd);
  s.cumulatedExposureText = ExposureText(s.cumulatedExposure);
  v.exposure = s.cumulatedExposureText;
  s.cumulatedFrames += f.frames;
  s.cumulatedFramesDropped += f.dropped;
  s.channelFrames += f.frames;
  const double rate = p.FramesPerSecond;
  if (s.cumulatedExposure != 0.0f && rate > 0) {
    const double expected = FramesExpected(rate, s.cumulatedExposure, s.cumulatedFrames, s.cumulatedFramesDropped);
    const std::int32_t efficiency = std::min(100, RoundHalfTowardZero(100.0 * s.cumulatedFrames / expected));
    v.efficiency = Format("%d %%", efficiency);
    s.cumulatedEfficiencyText = Format("%3.3d %%", efficiency);
  }
  const double expected = rate * f.sinceStart;
  const std::int32_t system = expected == 0.0 ? 99 : std::max(0, RoundHalfTowardZero(100.0 * (1.0 - f.frames / expected)));
  v.system = Format("%d %%", system);
  s.bytesWritten += static_cast<std::int64_t>(f.events) * RecordSize(p.DataFormat);
  s.megabytesText = Format("%9.3f Mb", static_cast<double>(s.bytesWritten) / 1048576.0);
  v.disk = s.megabytesText;
  return v;
}

void ForgetUnwrittenPhotons(AcquisitionState& s, const AcquisitionParameters& p, std::int32_t records) {
  if (records <= 0) return;
  s.channelPhotons = std::max<std::int32_t>(0, s.channelPhotons - records);
  std::int64_t total = static_cast<std::int64_t>(s.photonsMillions) * 1000000 + s.photonsUnits;
  total = std::max<std::int64_t>(0, total - records);
  s.photonsMillions = static_cast<std::int32_t>(total / 1000000);
  s.photonsUnits = static_cast<std::int32_t>(total % 1000000);
  s.bytesWritten = std::max<std::int64_t>(0, s.bytesWritten - static_cast<std::int64_t>(records) * RecordSize(p.DataFormat));
  s.megabytesText = Format("%9.3f Mb", static_cast<double>(s.bytesWritten) / 1048576.0);
}

}  // namespace velmar
