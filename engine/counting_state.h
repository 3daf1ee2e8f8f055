#pragma once
// The counting state shown in the main window's state label: its text, which
// depends on the acquisition type and the source, and its colour.
#include <cstdint>
#include <string>

namespace velmar {

enum class CountingState { Standby, InitializingMatrox, Counting, Suspended, DrivingPF, InitializingPF };

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kNavy{0, 0, 128};
inline constexpr Rgb kOlive{128, 128, 0};
inline constexpr Rgb kTeal{0, 128, 128};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kYellow{255, 255, 0};

struct CountingStateView {
  std::string text;
  Rgb colour;
  bool operator==(const CountingStateView&) const = default;
};

// acqType: 0 2D image, 1 calibration, 2 object (3, analogic, reads as calibration);
// source: 0 TV IPCS, 1 simulation.
CountingStateView ViewOf(CountingState state, std::int32_t acqType, std::int32_t source);

}  // namespace velmar
