#include "app/qt/qt_driver_file_console.h"

#include "windows/console/TGeneral.h"
#include "windows/parameters/TError_DCF.h"

namespace velmar {

int QtDriverFileConsole::AskConfigurationError(const std::string& line1, const std::string& line2,
                                               const std::string& line3) {
  return windows_.errorDcf->Ask(line1, line2, line3);
}

void QtDriverFileConsole::ShowCameraDriver(const std::string& text) {
  windows_.general->ShowCameraDriver(QString::fromStdString(text));
}

}  // namespace velmar
