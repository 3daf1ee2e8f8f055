#include "app/qt/program_directory_start.h"

#include <QObject>
#include <QSocketNotifier>
#include <cstdio>
#include <string>
#include <vector>

#include "console/safe_stop.h"
#include "app/windowed_options.h"
#include "platform/error_reporter.h"
#include "platform/program_dir.h"
#include "platform/quit_signals.h"

namespace velmar {

bool PrintHelpIfAsked(int argc, char** argv) {
  if (!AsksForHelp(argc, argv)) return false;
  std::fputs(WindowedUsage(), stdout);
  return true;
}

bool EnterProgramDirectoryOrSayWhy(const QStringList& arguments) {
  std::vector<std::string> args;
  for (qsizetype i = 1; i < arguments.size(); ++i) args.push_back(arguments[i].toStdString());
  std::string error;
  const WindowedOptions options = ParseWindowedOptions(args, error);
  if (!error.empty()) {
    std::fprintf(stderr, "vlmipcs: %s\n", error.c_str());
    return false;
  }
  AnchorPathEnvironment();
  const ProgramDirChoice programDir = EnterProgramDirectory(options.programDir);
  std::printf("%s\n", ProgramDirLine(programDir).c_str());
  std::fflush(stdout);
  if (programDir.error.empty()) return true;
  // Nothing has started: a signal while the observer reads why ends the program at once.
  QSocketNotifier quitSignal(QuitSignals::NotifyFd(), QSocketNotifier::Read);
  QObject::connect(&quitSignal, &QSocketNotifier::activated,
                   [] { EndProcess(QuitSignals::ExitCode(QuitSignals::Requested())); });
  ShowError("Impossible to use the program directory", programDir.directory.string(), programDir.error);
  return false;
}

}  // namespace velmar
