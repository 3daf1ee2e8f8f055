#pragma once
// The safe stop that every way of quitting runs: shutter closed, high voltage
// checked, idle banner on the control monitor, temporary photon files deleted.
#include <string>

namespace velmar {

// What the safe stop asks of the instrument; the instrument links implement it.
class SafeStopDevices {
 public:
  virtual ~SafeStopDevices() = default;
  virtual void CloseShutter() = 0;
  // Warns the operator when the high voltage last sent is still on.
  virtual void CheckHighVoltage() = 0;
  virtual void ShowIdleBanner() = 0;
};

// For a program that drives no instrument yet.
class NoSafeStopDevices final : public SafeStopDevices {
 public:
  void CloseShutter() override {}
  void CheckHighVoltage() override {}
  void ShowIdleBanner() override {}
};

// Removes "ipcschn.tmp", "ipcsdata.tmp" and the channel-in-progress mark of the
// data directory.
void DeleteTemporaryPhotonFiles(const std::string& dataDirectory);

void SafeStop(SafeStopDevices& devices, const std::string& dataDirectory);

// The immediate end of the process (code 0 unless a signal ended it): buffered
// output is flushed, no further clean-up runs.
[[noreturn]] void EndProcess(int code = 0);

}  // namespace velmar
