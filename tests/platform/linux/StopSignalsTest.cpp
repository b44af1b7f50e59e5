#include "platform/os/StopSignals.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace usblink {
namespace {

// A test run started in the background may inherit these ignored, and an
// ignored signal stays so.
void UnignoreStopSignals() {
  for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    ::sigaction(number, nullptr, &action);
    if (action.sa_handler == SIG_IGN) ::signal(number, SIG_DFL);
  }
}

TEST(ProcessStopSignalsTest, RealInterruptsAreCountedAndTheProcessGoesOn) {
  UnignoreStopSignals();
  StopSignals& signals = InstallStopSignals();
  EXPECT_EQ(&InstallStopSignals(), &signals);
  const int before = signals.Interrupts();
  ASSERT_EQ(::raise(SIGINT), 0);
  ASSERT_EQ(::kill(::getpid(), SIGINT), 0);
  EXPECT_EQ(signals.Interrupts(), before + 2);

  struct sigaction action {};
  ::sigaction(SIGINT, nullptr, &action);
  EXPECT_NE(action.sa_flags & SA_RESTART, 0);  // a device call resumes after it
}

// Each in a fresh process, where the handlers are not installed yet.
TEST(ProcessStopSignalsTest, EndingSignalsAndClosedPipesLeaveTheDecisionToTheCommand) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const int number : {SIGTERM, SIGHUP}) {
    EXPECT_EXIT(
        {
          UnignoreStopSignals();
          StopSignals& signals = InstallStopSignals();
          ::raise(number);
          std::_Exit(signals.EndAsked() && signals.Interrupts() == 0 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << "signal " << number;
  }
  EXPECT_EXIT(
      {
        InstallStopSignals();
        int ends[2];
        if (::pipe(ends) != 0) std::_Exit(2);
        ::close(ends[0]);
        std::_Exit(::write(ends[1], "x", 1) == -1 && errno == EPIPE ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  // Where nothing is left half-done yet, a signal ends the process as if unhandled.
  for (const int number : {SIGINT, SIGTERM}) {
    EXPECT_EXIT(
        {
          UnignoreStopSignals();
          InstallStopSignals().EndAtOnce(true);
          ::raise(number);
          std::_Exit(0);
        },
        ::testing::ExitedWithCode(kEndedBySignalStatus), "")
        << "signal " << number;
  }
  EXPECT_EXIT(
      {
        ::signal(SIGHUP, SIG_IGN);  // as nohup starts it
        StopSignals& signals = InstallStopSignals();
        ::raise(SIGHUP);
        std::_Exit(signals.EndAsked() ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace usblink
