#include "platform/os/StopSignals.h"

#include <gtest/gtest.h>

namespace usblink {
namespace {

TEST(StopSignalsTest, ADownloadLetsOneInterruptPassAndWarnsOnce) {
  StopSignals signals;
  EXPECT_FALSE(signals.TakeFirstInterrupt());
  EXPECT_FALSE(signals.StopNow(1));

  signals.Interrupt();
  EXPECT_TRUE(signals.StopNow(0));  // connect, read, backup, verify
  EXPECT_FALSE(signals.StopNow(1));
  EXPECT_TRUE(signals.TakeFirstInterrupt());
  EXPECT_FALSE(signals.TakeFirstInterrupt());

  signals.Interrupt();
  EXPECT_EQ(signals.Interrupts(), 2);
  EXPECT_TRUE(signals.StopNow(1));
  EXPECT_FALSE(signals.TakeFirstInterrupt());
}

TEST(StopSignalsTest, AnEndRequestStopsAtOnce) {
  StopSignals signals;
  signals.AskToEnd();
  EXPECT_TRUE(signals.EndAsked());
  EXPECT_EQ(signals.Interrupts(), 0);
  EXPECT_TRUE(signals.StopNow(1));
  EXPECT_FALSE(signals.TakeFirstInterrupt());
}

}  // namespace
}  // namespace usblink
