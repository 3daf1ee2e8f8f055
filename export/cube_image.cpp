#include "export/cube_image.h"

#include <algorithm>
#include <cmath>

namespace velmar {

StretchedImage StretchPlane(const std::vector<std::int32_t>& plane, std::int32_t binnedX, std::int32_t binnedY,
                            std::int32_t cubeBin, std::int32_t displayBin, Stretch stretch) {
  StretchedImage im;
  const std::int32_t factor = std::max(displayBin / std::max(cubeBin, 1), 1);
  im.bin = factor * std::max(cubeBin, 1);
  im.stretch = stretch;
  im.width = (binnedX + factor - 1) / factor;
  im.height = (binnedY + factor - 1) / factor;
  im.counts.assign(static_cast<std::size_t>(im.width) * im.height, 0);
  for (std::int32_t y = 0; y < binnedY; ++y) {
    const std::int32_t* row = plane.data() + static_cast<std::size_t>(y) * binnedX;
    std::int64_t* out = im.counts.data() + static_cast<std::size_t>(y / factor) * im.width;
    for (std::int32_t x = 0; x < binnedX; ++x) out[x / factor] += row[x];
  }
  im.levels.assign(im.counts.size(), 0);
  if (im.counts.empty()) return im;
  const auto [lo, hi] = std::minmax_element(im.counts.begin(), im.counts.end());
  im.low = *lo;
  im.high = *hi;
  const double range = static_cast<double>(im.high - im.low);
  if (range <= 0) return im;
  const double logRange = std::log1p(range);
  const auto level = [&](std::int64_t count) {
    const double v = static_cast<double>(count - im.low);
    const double f = stretch == Stretch::Linear ? v / range : std::log1p(v) / logRange;
    return static_cast<std::uint8_t>(std::clamp(std::lround(f * 255.0), 0L, 255L));
  };
  // Counts of a bin are few: a table of their levels spares a logarithm per bin
  // (the picture is drawn by the window thread, which also hands the counting its steps).
  constexpr std::int64_t kTable = 1 << 16;
  if (im.high - im.low < kTable) {
    std::vector<std::uint8_t> table(static_cast<std::size_t>(im.high - im.low) + 1);
    for (std::size_t v = 0; v < table.size(); ++v) table[v] = level(im.low + static_cast<std::int64_t>(v));
    for (std::size_t i = 0; i < im.counts.size(); ++i) im.levels[i] = table[static_cast<std::size_t>(im.counts[i] - im.low)];
  } else {
    for (std::size_t i = 0; i < im.counts.size(); ++i) im.levels[i] = level(im.counts[i]);
  }
  return im;
}

double CountAtLevel(const StretchedImage& image, double level) {
  const double f = std::clamp(level / 255.0, 0.0, 1.0);
  const double range = static_cast<double>(image.high - image.low);
  if (image.stretch == Stretch::Linear) return image.low + f * range;
  return image.low + std::expm1(f * std::log1p(range));
}

double AxisValue(const ObservationHeader& h, SpectrumAxis axis, double order, std::int32_t channel) {
  switch (axis) {
    case SpectrumAxis::Channel:
      return channel;
    case SpectrumAxis::Position:
      return ScanBase(h) + (channel - 1) * ScanStep(h);
    case SpectrumAxis::Wavelength: {
      const double n = h.channels > 0 ? h.channels : 1;
      return order > 0 ? h.lambda * (1.0 + ((channel - 1) / n - 0.5) / order) : channel;
    }
  }
  return channel;
}

std::string AxisTitle(SpectrumAxis axis) {
  switch (axis) {
    case SpectrumAxis::Channel:
      return "channel";
    case SpectrumAxis::Position:
      return "CS100 position";
    case SpectrumAxis::Wavelength:
      return "wavelength (Å)";
  }
  return "channel";
}

}  // namespace velmar
