// vlmipcs-cube: the data cube of an observation, live, in a window of its own.
#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/cube_options.h"
#include "app/qt/velmar_application.h"
#include "platform/format.h"
#include "platform/quit_signals.h"
#include "windows/cube/TDataCube.h"

using namespace velmar;

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const CubeOptions options = ParseCubeOptions(args, error);
  if (options.help) {
    std::fputs(CubeUsage(), stdout);
    return 0;
  }
  if (!error.empty()) {
    std::fprintf(stderr, "vlmipcs-cube: %s (see --help)\n", error.c_str());
    return 2;
  }
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) {
    std::fprintf(stderr, "vlmipcs-cube: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
    return 1;
  }
  // Ctrl-C, SIGTERM or SIGHUP close the window as its close box does: a cube being
  // saved is finished first, and the reader stops before the program ends.
  QuitSignals::Install();
  VelmarApplication app(argc, argv);
  QSocketNotifier quitSignal(QuitSignals::NotifyFd(), QSocketNotifier::Read);
  TDataCube window;
  QObject::connect(&quitSignal, &QSocketNotifier::activated, [&] {
    quitSignal.setEnabled(false);
    window.close();
    QApplication::quit();
  });
  if (!window.Open(options.observation, error, options.bin)) {
    std::fprintf(stderr, "vlmipcs-cube: %s\n", error.c_str());
    return 2;
  }
  std::int64_t pictured = -1;
  QTimer pictures;
  if (!options.snapshots.empty()) {
    // A picture each time the files read move on: the night, channel by channel.
    QObject::connect(&pictures, &QTimer::timeout, [&] {
      if (!window.follower()) return;
      const std::int64_t files = window.follower()->Status().filesAdded;
      if (files == pictured) return;
      window.Refresh();
      pictured = files;
      const QString name = QString::fromStdString(Format("cube-%04lld.png", static_cast<long long>(files)));
      window.grab().save(QDir(QString::fromStdString(options.snapshots)).filePath(name));
    });
    pictures.start(500);
  }
  window.show();
  const int code = app.exec();
  if (const int signal = QuitSignals::Requested()) {
    std::fprintf(stderr, "vlmipcs-cube: closed on %s\n", QuitSignals::Name(signal));
    return QuitSignals::ExitCode(signal);
  }
  return code;
}
