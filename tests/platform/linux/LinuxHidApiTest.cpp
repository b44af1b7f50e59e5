#include "platform/hid/linux/LinuxHidApi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "platform/hid/EmulatedHidApi.h"
#include "platform/hid/WindowsRecords.h"
#include "platform/hid/linux/NodeAccess.h"
#include "platform/linux/FakeHidrawTree.h"

namespace usblink::linux_hid {
namespace {

constexpr std::uint32_t kPresentInterfaces = kDigcfPresent | kDigcfDeviceInterface;
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kCreateAlways = 2;

class LinuxHidApiTest : public ::testing::Test {
 protected:
  FakeHidrawTree tree;
  std::ostringstream notices;
  std::optional<LinuxHidApi> api;

  LinuxHidApi& Api() {
    if (!api) api.emplace(tree.Roots(), notices);
    return *api;
  }

  Handle Open(const std::filesystem::path& path, std::uint32_t flags = 0,
              std::uint32_t access = kGenericReadWrite) {
    return Api().CreateFileA(path.string(), access, kFileShareReadWrite, nullptr, kOpenExisting,
                             flags);
  }

  std::vector<std::string> ListedPaths() {
    const Handle set = Api().SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
    std::vector<std::string> paths;
    SpDeviceInterfaceData data;
    data.cbSize = kInterfaceDataSize;
    for (std::uint32_t index = 0;
         Api().SetupDiEnumDeviceInterfaces(set, kHidClassGuid, index, data) != 0; ++index) {
      paths.push_back(FetchDevicePath(Api(), set, data));
    }
    EXPECT_EQ(Api().LastPlatformError(), WinError::NoMoreItems);
    EXPECT_EQ(Api().SetupDiDestroyDeviceInfoList(set), 1);
    return paths;
  }
};

TEST_F(LinuxHidApiTest, MachineWithoutHidrawListsNothing) {
  // No hidraw directory at all, as on a kernel without hidraw.
  LinuxHidApi bare({tree.Roots().sysfs / "missing", tree.Roots().dev});
  const Handle set = bare.SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  EXPECT_EQ(bare.LastPlatformError(), WinError::Success);
  SpDeviceInterfaceData data;
  data.cbSize = kInterfaceDataSize;
  EXPECT_EQ(bare.SetupDiEnumDeviceInterfaces(set, kHidClassGuid, 0, data), 0);
  EXPECT_EQ(bare.LastPlatformError(), WinError::NoMoreItems);
  EXPECT_EQ(bare.SetupDiDestroyDeviceInfoList(set), 1);
  EXPECT_TRUE(bare.PresentInterfaces().empty());
}

TEST_F(LinuxHidApiTest, ListsNodesByNumberAsDevicePaths) {
  tree.AddNode(10, "0003:000004FC:00000C77");
  tree.AddNode(2, "0003:0000046D:0000C31C");
  tree.AddNode(0, "0003:0000046D:0000C077");
  tree.AddEntry("hidrawx");
  tree.AddEntry("power");
  const auto dev = tree.Roots().dev;
  EXPECT_EQ(ListedPaths(),
            (std::vector<std::string>{(dev / "hidraw0").string(), (dev / "hidraw2").string(),
                                      (dev / "hidraw10").string()}));
}

TEST_F(LinuxHidApiTest, SetHandlesAreNoFileHandles) {
  const Handle set = Api().SetupDiGetClassDevsA(kHidClassGuid, kPresentInterfaces);
  EXPECT_GE(set, Handle{0x80000000});
  EXPECT_EQ(Api().CloseHandle(set), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidHandle);
  EXPECT_EQ(Api().SetupDiDestroyDeviceInfoList(set), 1);
}

TEST_F(LinuxHidApiTest, OpenGivesACloseOnExecDescriptorAsHandle) {
  tree.AddNode(0, "0003:000004FC:00000C77");
  const Handle device = Open(tree.DevPath(0));
  ASSERT_NE(device, kInvalidHandleValue);
  EXPECT_EQ(Api().LastPlatformError(), WinError::Success);
  const int fd = static_cast<int>(device);
  EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
  EXPECT_EQ(::fcntl(fd, F_GETFL) & (O_ACCMODE | O_NONBLOCK), O_RDWR);

  const Handle overlapped = Open(tree.DevPath(0), kFileFlagOverlapped, kGenericRead);
  EXPECT_EQ(::fcntl(static_cast<int>(overlapped), F_GETFL) & (O_ACCMODE | O_NONBLOCK),
            O_RDONLY | O_NONBLOCK);
}

TEST_F(LinuxHidApiTest, OpenFailuresGiveTheInvalidHandleAndWindowsCodes) {
  EXPECT_EQ(Open(tree.DevPath(7)), kInvalidHandleValue);
  EXPECT_EQ(Api().LastPlatformError(), WinError::FileNotFound);
  tree.AddNode(0, "0003:000004FC:00000C77");
  EXPECT_EQ(Api().CreateFileA(tree.DevPath(0).string(), kGenericReadWrite, kFileShareReadWrite,
                              nullptr, kCreateAlways, 0),
            kInvalidHandleValue);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidParameter);
  EXPECT_EQ(Open(tree.Roots().dev), kInvalidHandleValue);  // a directory, as on Windows
  EXPECT_EQ(Api().LastPlatformError(), WinError::AccessDenied);
}

TEST_F(LinuxHidApiTest, CloseHandleClosesOnceAndOnlyItsOwnDescriptors) {
  tree.AddNode(0, "0003:000004FC:00000C77");
  const Handle device = Open(tree.DevPath(0));
  EXPECT_EQ(Api().CloseHandle(device), 1);
  EXPECT_EQ(::fcntl(static_cast<int>(device), F_GETFD), -1);
  EXPECT_EQ(Api().CloseHandle(device), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidHandle);
  // Never someone else's descriptor, nor the invalid handle.
  EXPECT_EQ(Api().CloseHandle(STDERR_FILENO), 0);
  EXPECT_NE(::fcntl(STDERR_FILENO, F_GETFD), -1);
  EXPECT_EQ(Api().CloseHandle(kInvalidHandleValue), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidHandle);
}

TEST_F(LinuxHidApiTest, DescriptorsLeftOpenCloseWithTheBackend) {
  tree.AddNode(0, "0003:000004FC:00000C77");
  const Handle device = Open(tree.DevPath(0));
  const Handle event = Api().CreateEventA(nullptr, true, true, "");
  api.reset();
  EXPECT_EQ(::fcntl(static_cast<int>(device), F_GETFD), -1);
  EXPECT_EQ(::fcntl(static_cast<int>(event), F_GETFD), -1);
}

TEST_F(LinuxHidApiTest, AnOpenForWritingHoldsTheNodeAgainstAnotherBackend) {
  tree.AddNode(0, "0003:000004FC:00000C77");
  tree.AddNode(1, "0003:0000046D:0000C31C");
  // Another process's backend: locks conflict between open files, not processes.
  LinuxHidApi other(tree.Roots(), notices);
  const auto openIn = [this](LinuxHidApi& api, int node, std::uint32_t access) {
    return api.CreateFileA(tree.DevPath(node).string(), access, kFileShareReadWrite, nullptr,
                           kOpenExisting, 0);
  };
  const Handle device = Open(tree.DevPath(0));
  ASSERT_NE(device, kInvalidHandleValue);
  // The second handle of discovery, on the same node, shares the lock.
  const Handle readHandle = Open(tree.DevPath(0), kFileFlagOverlapped);
  ASSERT_NE(readHandle, kInvalidHandleValue);
  EXPECT_EQ(CalculatorInUse(tree.Roots()), tree.DevPath(0));

  EXPECT_EQ(openIn(other, 0, kGenericReadWrite), kInvalidHandleValue);
  EXPECT_EQ(other.LastPlatformError(), WinError::SharingViolation);
  EXPECT_EQ(other.OpenHandleCount(), 0);
  // Looking at the ids drives nothing; another node is free.
  const Handle query = openIn(other, 0, 0);
  EXPECT_NE(query, kInvalidHandleValue);
  EXPECT_EQ(other.CloseHandle(query), 1);
  const auto listed = other.PresentInterfaces();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].error, WinError::InvalidFunction) << "opened, not refused as held";
  const Handle mouse = openIn(other, 1, kGenericReadWrite);
  EXPECT_NE(mouse, kInvalidHandleValue);
  EXPECT_EQ(other.CloseHandle(mouse), 1);

  // The handle that took the lock gives it up when it closes.
  EXPECT_EQ(Api().CloseHandle(device), 1);
  EXPECT_EQ(Api().CloseHandle(readHandle), 1);
  const Handle taken = openIn(other, 0, kGenericReadWrite);
  ASSERT_NE(taken, kInvalidHandleValue);
  EXPECT_EQ(Open(tree.DevPath(0)), kInvalidHandleValue);
  EXPECT_EQ(Api().LastPlatformError(), WinError::SharingViolation);
  EXPECT_EQ(CalculatorInUse(tree.Roots()), tree.DevPath(0));
  EXPECT_EQ(other.CloseHandle(taken), 1);
  EXPECT_EQ(CalculatorInUse(tree.Roots()), std::nullopt);
}

TEST_F(LinuxHidApiTest, EventStartsInTheStateAsked) {
  const Handle signalled = Api().CreateEventA(nullptr, true, true, "");
  ASSERT_NE(signalled, kNoHandle);
  EXPECT_EQ(Api().LastPlatformError(), WinError::Success);
  std::uint64_t count = 0;
  EXPECT_EQ(::read(static_cast<int>(signalled), &count, sizeof count), 8);
  EXPECT_EQ(count, 1U);

  const Handle reset = Api().CreateEventA(nullptr, true, false, "");
  EXPECT_EQ(::read(static_cast<int>(reset), &count, sizeof count), -1);
  EXPECT_EQ(errno, EAGAIN);
  EXPECT_EQ(Api().CloseHandle(reset), 1);
}

TEST_F(LinuxHidApiTest, HidRequestsOnAPlainFileAreAnIncorrectFunction) {
  tree.AddNode(0, "0003:000004FC:00000C77");
  const Handle file = Open(tree.DevPath(0));
  HiddAttributes attributes;
  attributes.VendorID = 0x1234;
  EXPECT_EQ(Api().HidD_GetAttributes(file, attributes), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidFunction);
  EXPECT_EQ(attributes.VendorID, 0x1234);
  PreparsedData preparsed = 0;
  EXPECT_EQ(Api().HidD_GetPreparsedData(file, preparsed), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidFunction);
  std::array<std::uint8_t, 64> report{1};
  EXPECT_EQ(Api().HidD_SetOutputReport(file, report), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidFunction);
  EXPECT_EQ(Api().HidD_GetInputReport(file, report), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidFunction);
  EXPECT_EQ(notices.str(), "");
}

TEST_F(LinuxHidApiTest, HidRequestsNeedAnOpenHandleAndAReport) {
  HiddAttributes attributes;
  EXPECT_EQ(Api().HidD_GetAttributes(kInvalidHandleValue, attributes), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidHandle);
  std::array<std::uint8_t, 64> report{1};
  EXPECT_EQ(Api().HidD_GetInputReport(STDIN_FILENO, report), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidHandle);
  tree.AddNode(0, "0003:000004FC:00000C77");
  const Handle device = Open(tree.DevPath(0));
  EXPECT_EQ(Api().HidD_SetOutputReport(device, {}), 0);
  EXPECT_EQ(Api().LastPlatformError(), WinError::InvalidParameter);
}

// The fake nodes are plain files, so their attributes stay unread; the
// strings come from sysfs all the same.
TEST_F(LinuxHidApiTest, WalkGivesTheStringsSysfsKeeps) {
  tree.AddNode(
      0, "0003:000004FC:00000C77", "0100",
      {.uniq = "SN-7", .name = "Acme Calc", .usbManufacturer = "Acme", .usbProduct = "Calc"});
  tree.AddNode(1, "0006:000004FC:00000C77", std::nullopt, {.name = "Virtual Calc"});
  const auto listed = Api().PresentInterfaces();

  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].ids, std::nullopt);
  EXPECT_EQ(listed[0].serialNumber, "SN-7");
  EXPECT_EQ(listed[0].manufacturer, "Acme");
  EXPECT_EQ(listed[0].product, "Calc");
  EXPECT_EQ(listed[1].serialNumber, std::nullopt);
  EXPECT_EQ(listed[1].manufacturer, std::nullopt);
  EXPECT_EQ(listed[1].product, "Virtual Calc");
  EXPECT_EQ(Api().OpenHandleCount(), 0);
}

// A node this user may not open is listed with the ids sysfs keeps; root
// opens any node, so a child process gives up root first.
TEST_F(LinuxHidApiTest, ANodeThisUserMayNotOpenIsListedWithItsIds) {
  tree.AddNode(0, "0003:000004FC:00000C77");
  ::chmod(tree.DevPath(0).c_str(), 0);
  const auto listedAsUnprivileged = [this] {
    const auto listed = LinuxHidApi(tree.Roots(), notices).PresentInterfaces();
    return listed.size() == 1 && listed[0].error == WinError::AccessDenied &&
           listed[0].ids == InterfaceIds{0x04FC, 0x0C77};
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(listedAsUnprivileged());
    return;
  }
  constexpr uid_t kNobody = 65534;
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    ::_exit(listedAsUnprivileged() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(LinuxHidApiTest, StringCallsFailWithWindowsCodes) {
  tree.AddNode(0, "0003:000004FC:00000C77", "0100", {.name = "HID 04fc:0c77"});
  tree.AddNode(1, "0003:000004FC:00000C77", "0100", {.uniq = "SN-1"});
  std::string text = "kept";
  const auto expectFailure = [&](Handle handle, std::uint32_t error) {
    EXPECT_EQ(Api().HidD_GetSerialNumberString(handle, text), 0);
    EXPECT_EQ(Api().LastPlatformError(), error);
    EXPECT_EQ(text, "kept");
  };

  expectFailure(Open(tree.DevPath(0)), WinError::GenFailure);
  expectFailure(Api().CreateEventA(nullptr, true, true, ""), WinError::InvalidHandle);

  // Opened without access rights, as the walk opens, on something not a hidraw node.
  expectFailure(Open(tree.Roots().sysfs, 0, 0), WinError::InvalidFunction);

  // The device left: first its sysfs entry goes, then its node.
  const Handle leaving = Open(tree.DevPath(1));
  EXPECT_EQ(Api().HidD_GetSerialNumberString(leaving, text), 1);
  EXPECT_EQ(text, "SN-1");
  text = "kept";
  std::filesystem::remove_all(tree.Roots().sysfs / "hidraw1");
  expectFailure(leaving, WinError::DeviceNotConnected);
  std::filesystem::remove(tree.DevPath(1));
  expectFailure(leaving, WinError::DeviceNotConnected);
}

}  // namespace

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
