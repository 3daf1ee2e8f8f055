#include "engine/statistics.h"

#include <algorithm>

#include "engine/photon_records.h"
#include "platform/format.h"

namespace velmar {

InstantView InstantFiguresOf(const SecondFigures& f, std::int32_t framesPerSecond) {
  InstantView v;
  const double photonRate = f.sinceEnd > 0 ? f.photons / f.sinceEnd : 0.0;
  const double frameRate = f.sinceEnd > 0 ? f.frames / f.sinceEnd : 0.0;
  v.photonRate = photonRate;
  v.photons = Format("%d", RoundHalfTowardZero(photonRate));
  v.frames = Format("%d", RoundHalfTowardZero(frameRate));
  if (framesPerSecond > 0) {
    std::int32_t efficiency = RoundHalfTowardZero(100.0 * frameRate / framesPerSecond);
    if (efficiency > 95) efficiency = 100;
    if (efficiency >= 0) v.efficiency = Format("%d %%", efficiency);
  }
  return v;
}

const char* PriorityLabelText(int stepsAboveNormal) {
  static const char* const kNames[7] = {"  Idle", "Lowest", "Lower", "Normal", "High", "High++", "Critic"};
  return kNames[std::clamp(stepsAboveNormal, -3, 3) + 3];
}

std::string ExposureText(double seconds) {
  const std::int64_t whole = std::max<std::int64_t>(0, static_cast<std::int64_t>(seconds));
  return Format("%2.2d:%2.2d:%2.2d", static_cast<int>(whole / 3600), static_cast<int>(whole % 3600 / 60),
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
  s.channelFrames += f.frames;
  const double rate = p.FramesPerSecond;
  if (s.cumulatedExposure != 0.0f && rate > 0) {
    const std::int32_t efficiency =
        std::min(100, RoundHalfTowardZero(100.0 * s.cumulatedFrames / s.cumulatedExposure / rate));
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
