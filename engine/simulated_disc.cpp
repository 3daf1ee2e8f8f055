#include "engine/simulated_disc.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

#include "platform/format.h"
#include "platform/key_value_text.h"

namespace velmar {

void AddDiscKeys(std::map<std::string, Setter>& setters, DiscDescription& disc) {
  setters["object"] = [&disc](const std::string& v) {
    if (v == "disc") disc.on = true;
    else if (v == "none") disc.on = false;
    else return false;
    return true;
  };
  setters["disc_centre_x"] = RealSetter(disc.centreX, 0.0, 4096.0);
  setters["disc_centre_y"] = RealSetter(disc.centreY, 0.0, 4096.0);
  setters["disc_radius"] = RealSetter(disc.radius, 1.0, 4096.0);
  setters["disc_line"] = RealSetter(disc.line, 0.0, 1.0);
  setters["disc_rotation"] = RealSetter(disc.rotation, -0.5, 0.5);
  setters["disc_angle"] = RealSetter(disc.angle, -360.0, 360.0);
  setters["disc_turnover"] = RealSetter(disc.turnover, 0.01, 1.0);
  setters["disc_line_width"] = RealSetter(disc.lineWidth, 0.005, 0.5);
  setters["disc_continuum"] = RealSetter(disc.continuum, 0.0, 100.0);
  setters["disc_sky"] = RealSetter(disc.sky, 0.0, 100.0);
}

namespace {

std::string OffFrame(const std::string& text, const std::string& fileName, const char* key, double value,
                     int size, const char* what) {
  return Format("%s line %d: %s = %g lies off the frame, whose %d %s are numbered 0 to %d", fileName.c_str(),
                LineOfKey(text, key), key, value, size, what, size - 1);
}

}  // namespace

std::string CheckDisc(const DiscDescription& disc, int sizeX, int sizeY, const std::string& text,
                      const std::string& fileName) {
  if (!disc.on) return {};
  if (disc.centreX >= sizeX) return OffFrame(text, fileName, "disc_centre_x", disc.centreX, sizeX, "columns");
  if (disc.centreY >= sizeY) return OffFrame(text, fileName, "disc_centre_y", disc.centreY, sizeY, "lines");
  return {};
}

std::string DiscDescriptionText(const DiscDescription& d) {
  if (!d.on) return "object = none           # photons fall evenly; disc: a rotating disc in an emission line\n";
  std::string t = "object = disc           # a rotating disc in an emission line, seen through the etalon\n";
  t += "# Wavelengths in free spectral ranges (FSR) of the etalon, from the scan's first channel:\n";
  t += "# with N channels, channel c sees (c - 1) / N.\n";
  if (d.centreX >= 0) t += Format("disc_centre_x = %g      # pixels from the first column\n", d.centreX);
  if (d.centreY >= 0) t += Format("disc_centre_y = %g      # pixels from the first line\n", d.centreY);
  if (d.radius >= 0) t += Format("disc_radius = %g        # pixels\n", d.radius);
  t += Format("disc_line = %g          # the line at the centre, FSR (0 to 1; 0.5: mid-scan)\n", d.line);
  t += Format("disc_rotation = %g      # shift of the line on the receding side, FSR (-0.5 to 0.5)\n", d.rotation);
  t += Format("disc_angle = %g         # degrees of the receding side, from +x toward +y\n", d.angle);
  t += Format("disc_turnover = %g      # the rotation rises to this fraction of the radius, then is flat\n",
              d.turnover);
  t += Format("disc_line_width = %g    # full width at half maximum through the etalon, FSR\n", d.lineWidth);
  t += Format("disc_continuum = %g     # the disc's continuum per pixel, against the line's peak\n", d.continuum);
  t += Format("disc_sky = %g           # the sky per pixel, against the line's peak\n", d.sky);
  return t;
}

SimulatedDisc::SimulatedDisc(const DiscDescription& description, int sizeX, int sizeY) : d_(description) {
  if (d_.centreX < 0) d_.centreX = sizeX / 2.0;
  if (d_.centreY < 0) d_.centreY = sizeY / 2.0;
  if (d_.radius < 0) d_.radius = std::max(1.0, 0.35 * std::min(sizeX, sizeY));
  const double radians = d_.angle * std::numbers::pi / 180.0;
  cosAngle_ = std::cos(radians);
  sinAngle_ = std::sin(radians);
  peak_ = Transmission(0.0);
}

double SimulatedDisc::Transmission(double offset) const {
  offset -= std::floor(offset + 0.5);  // into -0.5 .. 0.5
  // The line repeats every FSR; its neighbours' wings add where the line is wide.
  const double k = 4.0 * std::numbers::ln2 / (d_.lineWidth * d_.lineWidth);
  double t = 0.0;
  for (int order = -1; order <= 1; ++order) t += std::exp(-k * (offset + order) * (offset + order));
  return t;
}

double SimulatedDisc::LinePhase(double x, double y) const {
  const double dx = x - d_.centreX, dy = y - d_.centreY;
  const double r = std::hypot(dx, dy);
  double along = 0.0;  // the projected rotation, -1 to 1
  if (r > 0.0) {
    const double curve = std::min(r / (d_.turnover * d_.radius), 1.0);
    along = curve * (dx * cosAngle_ + dy * sinAngle_) / r;
  }
  const double phase = d_.line + d_.rotation * along;
  return phase - std::floor(phase);
}

bool SimulatedDisc::Inside(int x, int y) const {
  const double dx = x - d_.centreX, dy = y - d_.centreY;
  return dx * dx + dy * dy <= d_.radius * d_.radius;
}

void SimulatedDisc::Layout(int width, int height) {
  width_ = width;
  height_ = height;
  const int x0 = std::max(0, static_cast<int>(std::ceil(d_.centreX - d_.radius)));
  const int x1 = std::min(width - 1, static_cast<int>(std::floor(d_.centreX + d_.radius)));
  const int y0 = std::max(0, static_cast<int>(std::ceil(d_.centreY - d_.radius)));
  const int y1 = std::min(height - 1, static_cast<int>(std::floor(d_.centreY + d_.radius)));
  // A counting sort of the disc's pixels by the bin of their line's place.
  std::vector<std::uint16_t> binOf;
  std::vector<std::uint32_t> inside;
  binStart_.assign(kBins + 1, 0);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      if (!Inside(x, y)) continue;
      const int bin = std::min(kBins - 1, static_cast<int>(LinePhase(x, y) * kBins));
      inside.push_back(static_cast<std::uint32_t>(y) * static_cast<std::uint32_t>(width) + static_cast<std::uint32_t>(x));
      binOf.push_back(static_cast<std::uint16_t>(bin));
      ++binStart_[bin + 1];
    }
  for (int b = 0; b < kBins; ++b) binStart_[b + 1] += binStart_[b];
  pixels_.resize(inside.size());
  std::vector<std::uint32_t> next(binStart_.begin(), binStart_.end() - 1);
  for (std::size_t i = 0; i < inside.size(); ++i) pixels_[next[binOf[i]]++] = inside[i];
  weighed_ = false;
}

void SimulatedDisc::Weigh(std::optional<double> phase) {
  lineCumulative_.resize(kBins);
  double line = 0.0;
  for (int b = 0; b < kBins; ++b) {
    const double pixels = static_cast<double>(binStart_[b + 1] - binStart_[b]);
    if (pixels > 0) line += pixels * (phase ? Transmission(*phase - (b + 0.5) / kBins) : peak_);
    lineCumulative_[b] = line;
  }
  const double disc = static_cast<double>(pixels_.size());
  sky_ = d_.sky * static_cast<double>(width_) * height_;
  continuum_ = d_.continuum * disc;
  line_ = line;
  most_ = sky_ + continuum_ + peak_ * disc;
  weighed_ = true;
  weighedPhase_ = phase;
}

void SimulatedDisc::BeginFrame(std::optional<double> etalonPhase, int width, int height) {
  if (width != width_ || height != height_) Layout(width, height);
  if (!weighed_ || etalonPhase != weighedPhase_) Weigh(etalonPhase);
}

double SimulatedDisc::Brightness() const {
  // Never quite zero: a camera's rate stays a rate, however dark the channel.
  return most_ > 0.0 ? std::max((sky_ + continuum_ + line_) / most_, 1e-12) : 1e-12;
}

SpotPosition SimulatedDisc::Next(std::mt19937_64& random, int /*width*/, int /*height*/) {
  const auto pixelOf = [&](std::size_t i) {
    return SpotPosition{static_cast<int>(pixels_[i] % static_cast<std::uint32_t>(width_)),
                        static_cast<int>(pixels_[i] / static_cast<std::uint32_t>(width_))};
  };
  double pick = std::uniform_real_distribution<double>(0.0, sky_ + continuum_ + line_)(random);
  if (pixels_.empty() || pick < sky_ || sky_ + continuum_ + line_ <= 0.0) {
    SpotPosition at;
    at.x = std::uniform_int_distribution<int>(0, std::max(0, width_ - 1))(random);
    at.y = std::uniform_int_distribution<int>(0, std::max(0, height_ - 1))(random);
    return at;
  }
  pick -= sky_;
  if (pick < continuum_) return pixelOf(std::uniform_int_distribution<std::size_t>(0, pixels_.size() - 1)(random));
  pick -= continuum_;
  // The line: its bin by the light it lets through, then a pixel of that bin.
  const auto bin = std::upper_bound(lineCumulative_.begin(), lineCumulative_.end(), pick) - lineCumulative_.begin();
  std::size_t b = static_cast<std::size_t>(std::min<std::ptrdiff_t>(bin, kBins - 1));
  while (binStart_[b + 1] == binStart_[b] && b > 0) --b;  // rounding at the end: the last bin with pixels
  while (binStart_[b + 1] == binStart_[b]) ++b;
  return pixelOf(std::uniform_int_distribution<std::size_t>(binStart_[b], binStart_[b + 1] - 1)(random));
}

}  // namespace velmar
