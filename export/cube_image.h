#pragma once
// What the data-cube window draws of a plane: the counts of a channel summed into
// square display bins and stretched to 256 levels (linear or logarithmic between
// the plane's lowest and highest bin), the values of its colour scale, and the
// axes the spectrum is drawn against.
#include <cstdint>
#include <string>
#include <vector>

#include "export/observation_reader.h"

namespace velmar {

enum class Stretch { Linear, Logarithmic };

struct StretchedImage {
  std::int32_t width = 0, height = 0;    // display bins
  std::int32_t bin = 1;                  // stored addresses per display bin side
  std::vector<std::int64_t> counts;      // photons per display bin, row after row
  std::vector<std::uint8_t> levels;      // 0..255 per display bin
  std::int64_t low = 0, high = 0;        // the counts of levels 0 and 255
  Stretch stretch = Stretch::Linear;
};

// plane: binnedX by binnedY cube bins of cubeBin addresses; displayBin a multiple
// of cubeBin (a smaller one is taken as cubeBin).
StretchedImage StretchPlane(const std::vector<std::int32_t>& plane, std::int32_t binnedX, std::int32_t binnedY,
                            std::int32_t cubeBin, std::int32_t displayBin, Stretch stretch);

// The count a level stands for (the inverse of the stretch), for the colour scale.
double CountAtLevel(const StretchedImage& image, double level);

// What a channel stands for along the spectrum's axis.
enum class SpectrumAxis { Channel, Position, Wavelength };
// Channel c (1 = first) as the axis gives it: the channel itself; the controller
// position the scan drives it to (unrounded); or, given the etalon's interference
// order at the scanning wavelength, the wavelength in angstrom on the optical
// axis: the scan spans one free spectral range, LAMBDA / order, centred on LAMBDA.
double AxisValue(const ObservationHeader& h, SpectrumAxis axis, double order, std::int32_t channel);
std::string AxisTitle(SpectrumAxis axis);

}  // namespace velmar
