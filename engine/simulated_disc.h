#pragma once
// An object for the simulated camera to look at through the scanning etalon: a
// rotating disc shining in an emission line, on its own faint continuum and a
// uniform sky. Across the disc the line's wavelength follows the rotation, so each
// channel of a scan shows the part of the disc whose line sits in it, and the
// spectrum at a pixel peaks at that pixel's channel.
//
// Wavelengths are counted in free spectral ranges (FSR) of the etalon from the
// scan's first channel: a scan of N channels lays channel c at (c - 1) / N.
// A frame's photons stay a Poisson count, the camera's rate scaled by the light the
// etalon lets through; each is drawn from the sky, the continuum or the line by
// their light, the line's pixel from tables sorted by the line's place, laid out
// once per frame size and weighed once per etalon position: a frame costs
// O(photons), not O(pixels).
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/spot_positions.h"
#include "platform/key_value_text.h"

namespace velmar {

struct DiscDescription {
  bool on = false;               // "object = disc"; otherwise photons fall evenly on the frame
  double centreX = -1.0;         // pixels from the first column; negative: the frame's middle
  double centreY = -1.0;         // pixels from the first line; negative: the frame's middle
  double radius = -1.0;          // pixels; negative: 35 % of the frame's smaller side
  double line = 0.5;             // the line at the centre, FSR from the scan's first channel
  double rotation = 0.25;        // the line's shift on the receding side where the rotation is flat, FSR
  double angle = 0.0;            // degrees of the receding side, from +x toward +y (increasing lines)
  double turnover = 0.3;         // the rotation rises to turnover x radius, then stays flat (1: solid body)
  double lineWidth = 0.05;       // full width at half maximum of the line through the etalon, FSR
  double continuum = 0.05;       // the disc's continuum per pixel, against the line's peak
  double sky = 0.02;             // the sky per pixel over the whole frame, against the line's peak
};

// The disc's keys of a camera description ("object" and "disc_..."), added to its setters.
void AddDiscKeys(std::map<std::string, Setter>& setters, DiscDescription& disc);
// After the whole description is read: a disc whose centre lies off the frame is
// refused, naming the file and the line; empty when the disc is sound.
std::string CheckDisc(const DiscDescription& disc, int sizeX, int sizeY, const std::string& text,
                      const std::string& fileName);
// The disc's lines of a description text ("object = none" when there is none).
std::string DiscDescriptionText(const DiscDescription& disc);

class SimulatedDisc final : public SpotPositions {
 public:
  SimulatedDisc(const DiscDescription& description, int sizeX, int sizeY);

  // Before each frame: where the etalon stands in its FSR (nothing: never driven,
  // the line passes whole, as with no etalon in the beam) and the frame's size.
  void BeginFrame(std::optional<double> etalonPhase, int width, int height) override;
  // This frame's light against the most the object gives (its line passing whole
  // everywhere): the share of the camera's photon rate that reaches it.
  double Brightness() const override;
  // The next photon's pixel, drawn where the object shines in this frame (of the size
  // BeginFrame gave).
  SpotPosition Next(std::mt19937_64& random, int width, int height) override;

  // The line's place at a pixel, FSR from the scan's first channel (0 to 1).
  double LinePhase(double x, double y) const;
  bool Inside(int x, int y) const;

 private:
  static constexpr int kBins = 2048;  // line places per FSR, far finer than any line width
  // The share of the line's peak let through this far (FSR) from the line.
  double Transmission(double offset) const;
  // For a frame size: the disc's pixels, sorted by the bin of their line's place.
  void Layout(int width, int height);
  // For an etalon place: the light of the line in each bin, cumulated.
  void Weigh(std::optional<double> phase);

  DiscDescription d_;
  double cosAngle_ = 1.0, sinAngle_ = 0.0;
  double peak_ = 1.0;  // the transmission at the line's centre
  int width_ = 0, height_ = 0;
  std::vector<std::uint32_t> pixels_;     // y * width + x, bin after bin
  std::vector<std::uint32_t> binStart_;   // where each bin's pixels start in pixels_ (kBins + 1)
  std::vector<double> lineCumulative_;    // the line's light up to each bin (kBins)
  bool weighed_ = false;
  std::optional<double> weighedPhase_;
  double sky_ = 0.0, continuum_ = 0.0, line_ = 0.0, most_ = 0.0;  // light per frame, in line-peak pixels
};

}  // namespace velmar
