#include "platform/quit_signals.h"

#include "platform/clock.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

namespace velmar::testing {
namespace {

void SignalTwice() {
  QuitSignals::Install();
  ::raise(SIGTERM);
  if (QuitSignals::Requested() != SIGTERM) ::_exit(1);
  pollfd p{QuitSignals::NotifyFd(), POLLIN, 0};
  if (::poll(&p, 1, 0) != 1) ::_exit(2);  // the program's loop is woken
  if (WaitsCut()) ::_exit(3);             // one signal alone cuts no wait of the stop
  ::raise(SIGINT);
  // The second hurries the stop (its waits end at once) and does not end it.
  if (QuitSignals::Requested() != SIGTERM || !QuitSignals::Repeated() || !WaitsCut()) ::_exit(4);
  ::_exit(0);
}

// In a child of its own: the handlers must not stay in the test process.
TEST(QuitSignalsDeathTest, TheFirstSignalIsRecordedAndASecondHurriesTheStopWithoutEndingIt) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(SignalTwice(), ::testing::ExitedWithCode(0), "");
}

TEST(QuitSignals, NamesAndExitCodesAreTheShellsOwn) {
  EXPECT_STREQ(QuitSignals::Name(SIGINT), "SIGINT");
  EXPECT_STREQ(QuitSignals::Name(SIGHUP), "SIGHUP");
  EXPECT_EQ(QuitSignals::ExitCode(SIGTERM), 143);
}

}  // namespace
}  // namespace velmar::testing
