#pragma once
// An object for the simulated camera to look at through the scanning etalon: a
// rotating disc shining in an emission line, on its own faint continuum and a
// uniform sky. Across the disc the line's wavelength follows the rotation, so each
// channel of a scan shows the part of the disc whose line sits in it, and the
// spectrum at a pixel peaks at that pixel's channel.
//
// Wavelengths are counted in free spectral ranges (FSR) of the etalon from the
// scan's first channel: a scan of N channels lays channel c at (c - 1) / N.
// Photons are placed by thinning: a proposal is drawn where the object would shine
// with the line passing whole everywhere, and kept with the share the etalon lets
// through at that pixel. A frame costs O(photons), and the kept count stays Poisson.
#include <map>
#include <optional>
#include <random>
#include <string>

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

class SimulatedDisc {
 public:
  SimulatedDisc(const DiscDescription& description, int sizeX, int sizeY);

  // Before each frame: where the etalon stands in its FSR (nothing: never driven,
  // the line passes whole, as with no etalon in the beam) and the frame's size.
  void BeginFrame(std::optional<double> etalonPhase, int width, int height);
  // One proposed photon: its pixel, or false when the etalon stopped it.
  bool Place(std::mt19937_64& random, int& x, int& y);

  // The line's place at a pixel, FSR from the scan's first channel (0 to 1).
  double LinePhase(double x, double y) const;
  bool Inside(int x, int y) const;
  const DiscDescription& description() const { return d_; }

 private:
  // The share of the line's peak let through this far (FSR) from the line.
  double Transmission(double offset) const;

  DiscDescription d_;
  double cosAngle_ = 1.0, sinAngle_ = 0.0;
  double peak_ = 1.0;  // the transmission at the line's centre
  std::optional<double> phase_;
  int width_ = 0, height_ = 0;
  int x0_ = 0, x1_ = -1, y0_ = 0, y1_ = -1;  // the disc's box, cut to the frame
  double skyShare_ = 0.0;                    // of the proposals, those from the sky
  std::uniform_real_distribution<double> unit_{0.0, 1.0};
};

}  // namespace velmar
