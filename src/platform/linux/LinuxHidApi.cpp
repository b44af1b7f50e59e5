#include "platform/linux/LinuxHidApi.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <iostream>
#include <system_error>
#include <vector>

#include "platform/linux/HidrawSysfs.h"
#include "platform/linux/KernelRelease.h"
#include "platform/linux/WinErrorFromErrno.h"

namespace usblink::linux_hid {

namespace {

constexpr Handle kFirstDeviceInfoSet = 0x80000000;
constexpr Handle kHandleStep = 4;
constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;

int OpenMode(std::uint32_t desiredAccess) {
  const bool read = (desiredAccess & kGenericRead) != 0;
  const bool write = (desiredAccess & kGenericWrite) != 0;
  if (read && write) return O_RDWR;
  return write ? O_WRONLY : O_RDONLY;
}

// 0 is the caller's "no handle", so descriptor 0 (stdin closed) moves up.
UniqueFd AwayFromZero(UniqueFd fd) {
  if (fd.Get() != 0) return fd;
  return UniqueFd(::fcntl(fd.Get(), F_DUPFD_CLOEXEC, 1));
}

std::string HidrawNodeOf(std::string_view path) {
  std::error_code error;
  const auto resolved = std::filesystem::canonical(std::filesystem::path(path), error);
  if (error) return {};
  std::string name = resolved.filename().string();
  return name.starts_with("hidraw") ? name : std::string{};
}

}  // namespace

LinuxHidApi::LinuxHidApi(HidrawRoots roots) : LinuxHidApi(std::move(roots), std::cerr) {}

LinuxHidApi::LinuxHidApi(HidrawRoots roots, std::ostream& notices)
    : roots_(std::move(roots)), notices_(notices), nextDeviceInfoSet_(kFirstDeviceInfoSet) {}

void LinuxHidApi::HidD_GetHidGuid(Guid& hidGuid) {
  hidGuid = kHidClassGuid;
  SetLastPlatformError(WinError::Success);
}

// Every hidraw node listed in sysfs is present.
std::vector<std::string> LinuxHidApi::InterfacePaths(bool /*presentOnly*/) const {
  std::vector<std::string> paths;
  for (const auto& node : ListHidrawNodes(roots_.sysfs))
    paths.push_back((roots_.dev / node).string());
  return paths;
}

Handle LinuxHidApi::NewDeviceInfoSet() {
  const Handle set = nextDeviceInfoSet_;
  nextDeviceInfoSet_ += kHandleStep;
  return set;
}

Handle LinuxHidApi::CreateFileA(std::string_view fileName, std::uint32_t desiredAccess,
                                std::uint32_t /*shareMode*/, const SecurityAttributes* /*security*/,
                                std::uint32_t creationDisposition,
                                std::uint32_t flagsAndAttributes) {
  if (creationDisposition != kOpenExisting) {
    SetLastPlatformError(WinError::InvalidParameter);
    return kInvalidHandleValue;
  }
  int flags = OpenMode(desiredAccess) | O_CLOEXEC;
  if ((flagsAndAttributes & kFileFlagOverlapped) != 0) flags |= O_NONBLOCK;
  const std::string path(fileName);
  UniqueFd fd = AwayFromZero(UniqueFd(::open(path.c_str(), flags)));
  if (!fd.Valid()) return FailWithErrno(kInvalidHandleValue);
  SetLastPlatformError(WinError::Success);
  return Keep(std::move(fd), HidrawNodeOf(path));
}

Handle LinuxHidApi::CreateEventA(const SecurityAttributes* /*security*/, bool /*manualReset*/,
                                 bool initialState, std::string_view /*name*/) {
  UniqueFd fd = AwayFromZero(UniqueFd(::eventfd(initialState ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK)));
  if (!fd.Valid()) return FailWithErrno(kNoHandle);
  SetLastPlatformError(WinError::Success);
  return Keep(std::move(fd), {});
}

std::int32_t LinuxHidApi::CloseHandle(Handle object) {
  auto open = files_.extract(object);
  if (open.empty()) return Fail(WinError::InvalidHandle);
  // The descriptor is gone whatever close() says; its error is still reported.
  if (open.mapped().fd.Reset() != 0) return FailWithErrno();
  return Succeed();
}

std::int32_t LinuxHidApi::HidD_GetAttributes(Handle device, HiddAttributes& attributes) {
  hidraw_devinfo info{};
  if (Request(device, HIDIOCGRAWINFO, &info) == 0) return 0;
  // The ids are __s16 in the kernel's record; their bit patterns are the ids.
  attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
  attributes.ProductID = static_cast<std::uint16_t>(info.product);
  const std::string& node = files_.at(device).node;
  attributes.VersionNumber =
      node.empty() ? 0 : ReadUsbVersionNumber(roots_.sysfs, node).value_or(0);
  return Succeed();
}

std::int32_t LinuxHidApi::HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) {
  int size = 0;
  if (Request(device, HIDIOCGRDESCSIZE, &size) == 0) return 0;
  hidraw_report_descriptor descriptor{};
  descriptor.size = static_cast<std::uint32_t>(size);
  if (Request(device, HIDIOCGRDESC, &descriptor) == 0) return 0;
  return PrepareData(std::span(descriptor.value, descriptor.size), preparsedData);
}

// Byte 0 carries the report id, as on Windows; the length counts it.
std::int32_t LinuxHidApi::HidD_SetOutputReport(Handle device,
                                               std::span<const std::uint8_t> report) {
  if (report.empty()) return Fail(WinError::InvalidParameter);
  std::vector<std::uint8_t> sent(report.begin(), report.end());
  return ReportRequest(device, HIDIOCSOUTPUT(sent.size()), sent.data());
}

// The caller presets byte 0 with the report id wanted.
std::int32_t LinuxHidApi::HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) {
  if (report.empty()) return Fail(WinError::InvalidParameter);
  return ReportRequest(device, HIDIOCGINPUT(report.size()), report.data());
}

Handle LinuxHidApi::Keep(UniqueFd fd, std::string node) {
  const auto handle = static_cast<Handle>(fd.Get());
  files_.insert_or_assign(handle, OpenFile{std::move(fd), std::move(node)});
  return handle;
}

const LinuxHidApi::OpenFile* LinuxHidApi::Lookup(Handle handle) {
  const auto found = files_.find(handle);
  if (found != files_.end()) return &found->second;
  Fail(WinError::InvalidHandle);
  return nullptr;
}

std::int32_t LinuxHidApi::Request(Handle device, unsigned long request, void* argument) {
  const OpenFile* open = Lookup(device);
  if (open == nullptr) return 0;
  if (::ioctl(open->fd.Get(), request, argument) < 0) return FailWithErrno();
  return Succeed();
}

std::int32_t LinuxHidApi::ReportRequest(Handle device, unsigned long request, void* report) {
  const std::int32_t result = Request(device, request, report);
  if (result == 0 && LastPlatformError() == WinError::InvalidParameter && !kernelReleaseChecked_) {
    kernelReleaseChecked_ = true;
    const std::string release = RunningKernelRelease();
    if (LacksReportRequests(release)) notices_ << OldKernelNotice(release);
  }
  return result;
}

std::int32_t LinuxHidApi::FailWithErrno() { return Fail(WinErrorFromErrno(errno)); }

Handle LinuxHidApi::FailWithErrno(Handle result) {
  SetLastPlatformError(WinErrorFromErrno(errno));
  return result;
}

}  // namespace usblink::linux_hid
