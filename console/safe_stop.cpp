#include "console/safe_stop.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "engine/channel_in_progress.h"
#include "platform/system_dir.h"

namespace velmar {

void DeleteTemporaryPhotonFiles(const std::string& dataDirectory) {
  if (dataDirectory.empty()) return;
  std::error_code ec;
  std::filesystem::remove(JoinPath(dataDirectory, "ipcschn.tmp"), ec);
  std::filesystem::remove(JoinPath(dataDirectory, "ipcsdata.tmp"), ec);
  ClearChannelInProgress(dataDirectory);  // a clean end leaves no channel to recover
}

void SafeStop(SafeStopDevices& devices, const std::string& dataDirectory) {
  devices.CloseShutter();
  devices.CheckHighVoltage();
  devices.ShowIdleBanner();
  DeleteTemporaryPhotonFiles(dataDirectory);
}

void EndProcess(int code) {
  std::fflush(nullptr);
  ::_exit(code);
}

}  // namespace velmar
