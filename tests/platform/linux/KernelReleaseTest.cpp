#include "platform/hid/linux/KernelRelease.h"

#include <gtest/gtest.h>

namespace usblink::linux_hid {
namespace {

TEST(KernelReleaseTest, ReportRequestsCameWithLinux5Point11) {
  EXPECT_TRUE(LacksReportRequests("5.10.0-28-amd64"));
  EXPECT_TRUE(LacksReportRequests("4.19.0"));
  EXPECT_TRUE(LacksReportRequests("5.4"));
  EXPECT_FALSE(LacksReportRequests("5.11.0"));
  EXPECT_FALSE(LacksReportRequests("5.15.0-91-generic"));
  EXPECT_FALSE(LacksReportRequests("6.1.0-57-cloud-amd64"));
  EXPECT_FALSE(LacksReportRequests("10.0"));
  EXPECT_FALSE(LacksReportRequests(""));
  EXPECT_FALSE(LacksReportRequests("5"));
  EXPECT_FALSE(LacksReportRequests("x.y"));
}

TEST(KernelReleaseTest, NoticeNamesTheReleaseAndTheVersionNeeded) {
  const std::string notice = OldKernelNotice("5.10.0-28-amd64");
  EXPECT_NE(notice.find("5.10.0-28-amd64"), std::string::npos);
  EXPECT_NE(notice.find("5.11"), std::string::npos);
  EXPECT_EQ(notice.back(), '\n');
}

}  // namespace
}  // namespace usblink::linux_hid
