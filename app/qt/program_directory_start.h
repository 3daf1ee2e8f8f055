#pragma once
// The windowed program's own arguments at start: its help, and the program
// directory chosen and entered before any window looks for a file.
#include <QStringList>

namespace velmar {

inline constexpr int kBadArgumentExitCode = 2;

// Prints the help and returns true when the arguments ask for it; no display is needed.
bool PrintHelpIfAsked(int argc, char** argv);

// Reads the arguments Qt left, chooses and enters the program directory and says
// which ("program directory: ..."). False, after saying why (a bad argument on
// standard error, an unusable directory in the error window), when the program
// must end with kBadArgumentExitCode.
bool EnterProgramDirectoryOrSayWhy(const QStringList& arguments);

}  // namespace velmar
