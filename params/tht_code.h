#pragma once
// The 10-bit code that THT systems 3 and 4 send to the supply, and the highest
// voltage it can express: what an instrument definition may ask of the supply, and
// what the high-voltage control must never send (a larger code would reach the
// board as its low bits only, a few hundred volts).
#include <cstdint>
#include <optional>
#include <string>

namespace velmar {

// The code of a voltage (never negative).
std::int32_t ThtCode(std::int32_t volts);
// The highest voltage the supply of a THT system can be set to: 1912 V for systems
// 3 and 4; none where the set point scales to THTMax (systems 1 and 2) or nothing is sent.
std::optional<std::int32_t> ThtReachableMaximum(std::int32_t thtSystem);
// Why a voltage cannot be sent to the supply of a THT system, as "THT system 3
// reaches at most 1912 V"; empty when it can.
std::string ThtUnreachable(std::int32_t thtSystem, std::int32_t volts);

}  // namespace velmar
