#include "platform/hid/linux/WinErrorFromErrno.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/hid/WindowsErrorText.h"
#include "platform/hid/WindowsRecords.h"

namespace usblink::linux_hid {
namespace {

TEST(WinErrorFromErrnoTest, KernelFailuresReadAsWindowsWouldReportThem) {
  EXPECT_EQ(WinErrorFromErrno(0), WinError::Success);
  EXPECT_EQ(WinErrorFromErrno(ENOENT), WinError::FileNotFound);
  EXPECT_EQ(WinErrorFromErrno(EACCES), WinError::AccessDenied);
  EXPECT_EQ(WinErrorFromErrno(EPERM), WinError::AccessDenied);
  EXPECT_EQ(WinErrorFromErrno(EBADF), WinError::InvalidHandle);
  EXPECT_EQ(WinErrorFromErrno(EINVAL), WinError::InvalidParameter);
  EXPECT_EQ(WinErrorFromErrno(ENODEV), WinError::DeviceNotConnected);
  EXPECT_EQ(WinErrorFromErrno(EIO), WinError::DeviceNotConnected);  // the device did not answer
  EXPECT_EQ(WinErrorFromErrno(EBUSY), WinError::Busy);
  EXPECT_EQ(WinErrorFromErrno(ENOTTY), WinError::InvalidFunction);  // not a hidraw node
  EXPECT_EQ(WinErrorFromErrno(ENOMEM), WinError::NotEnoughMemory);
}

TEST(WinErrorFromErrnoTest, EveryErrnoGetsACodeWithASystemText) {
  for (int error = 0; error < 200; ++error) {
    EXPECT_TRUE(WindowsSystemText(WinErrorFromErrno(error))) << "errno " << error;
  }
  EXPECT_EQ(WinErrorFromErrno(EXDEV), WinError::GenFailure);
}

}  // namespace
}  // namespace usblink::linux_hid
