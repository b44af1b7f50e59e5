#include "platform/hid/linux/LinuxHidApi.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/utsname.h>

#include <cerrno>
#include <charconv>
#include <iostream>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/hid/WindowsRecords.h"
#include "platform/hid/linux/HidrawSysfs.h"
#include "platform/hid/linux/NodeAccess.h"
#include "platform/os/linux/UniqueFd.h"

namespace usblink::linux_hid {

namespace {

// Above every file descriptor.
constexpr Handle kFirstDeviceInfoSet = 0x80000000;

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

// The descriptor a device or event handle holds, and the node lock that
// goes with it, if it took one.
class Descriptor final : public EmulatedHidApi::SystemObject {
 public:
  Descriptor(UniqueFd fd, LockedNodes* locks, NodeId node)
      : fd_(std::move(fd)), locks_(locks), node_(node) {}
  std::uint32_t Close() override {
    if (locks_ != nullptr) locks_->erase(node_);
    return fd_.Reset() != 0 ? WinErrorFromErrno(errno) : WinError::Success;
  }

 private:
  UniqueFd fd_;
  LockedNodes* locks_;
  NodeId node_;
};

// The descriptor itself is the handle.
EmulatedHidApi::Opened OpenedDescriptor(UniqueFd fd, LockedNodes* locks = nullptr,
                                        NodeId node = {}) {
  if (!fd.Valid()) return EmulatedHidApi::Opened::Failure(WinErrorFromErrno(errno));
  const auto handle = static_cast<Handle>(fd.Get());
  return EmulatedHidApi::Opened::Success(handle,
                                         std::make_unique<Descriptor>(std::move(fd), locks, node));
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
    : EmulatedHidApi(kFirstDeviceInfoSet), roots_(std::move(roots)), notices_(notices) {}

// Every hidraw node listed in sysfs is present.
std::vector<std::string> LinuxHidApi::InterfacePaths(bool /*presentOnly*/) const {
  std::vector<std::string> paths;
  for (const auto& node : ListHidrawNodes(roots_.sysfs))
    paths.push_back((roots_.dev / node).string());
  return paths;
}

EmulatedHidApi::Opened LinuxHidApi::OpenDevice(std::string_view path, std::uint32_t desiredAccess,
                                               std::uint32_t creationDisposition,
                                               std::uint32_t flagsAndAttributes) {
  if (creationDisposition != kOpenExisting) return Opened::Failure(WinError::InvalidParameter);
  int flags = OpenMode(desiredAccess) | O_CLOEXEC;
  if ((flagsAndAttributes & kFileFlagOverlapped) != 0) flags |= O_NONBLOCK;
  UniqueFd fd = AwayFromZero(UniqueFd(::open(std::string(path).c_str(), flags)));
  // Only an open that may write drives the device; the first of this
  // backend's opens of a node takes the lock, later ones share it.
  struct stat status {};
  if (!fd.Valid() || (desiredAccess & kGenericWrite) == 0 || ::fstat(fd.Get(), &status) != 0) {
    return OpenedDescriptor(std::move(fd));
  }
  const NodeId node{status.st_dev, status.st_ino};
  if (lockedNodes_.contains(node)) return OpenedDescriptor(std::move(fd));
  switch (TryLockExclusive(fd.Get())) {
    case LockResult::Taken:
      lockedNodes_.insert(node);
      return OpenedDescriptor(std::move(fd), &lockedNodes_, node);
    case LockResult::HeldElsewhere:
      // As Windows answers an open of a device that another program holds exclusively.
      return Opened::Failure(WinError::SharingViolation);
    case LockResult::Failed:
      break;
  }
  // A file system without locks: the device still works.
  return OpenedDescriptor(std::move(fd));
}

EmulatedHidApi::Opened LinuxHidApi::OpenEvent(bool initialState) {
  return OpenedDescriptor(
      AwayFromZero(UniqueFd(::eventfd(initialState ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK))));
}

std::optional<InterfaceIds> LinuxHidApi::IdsWithoutOpening(std::string_view path) const {
  const std::string node = HidrawNodeOf(path);
  const auto ids = node.empty() ? std::nullopt : ReadHidIds(roots_.sysfs, node);
  if (!ids) return std::nullopt;
  return InterfaceIds{ids->vendorId, ids->productId};
}

std::int32_t LinuxHidApi::HidD_GetAttributes(Handle device, HiddAttributes& attributes) {
  hidraw_devinfo info{};
  if (Request(device, HIDIOCGRAWINFO, &info) == 0) return 0;
  // The ids are __s16 in the kernel's record; their bit patterns are the ids.
  attributes.VendorID = static_cast<std::uint16_t>(info.vendor);
  attributes.ProductID = static_cast<std::uint16_t>(info.product);
  const std::string node = HidrawNodeOf(*OpenedPath(device));
  attributes.VersionNumber =
      node.empty() ? 0 : ReadUsbVersionNumber(roots_.sysfs, node).value_or(0);
  return Succeed();
}

std::int32_t LinuxHidApi::HidD_GetSerialNumberString(Handle device, std::string& serialNumber) {
  return DeviceString(device, &HidStrings::serialNumber, serialNumber);
}

std::int32_t LinuxHidApi::HidD_GetManufacturerString(Handle device, std::string& manufacturer) {
  return DeviceString(device, &HidStrings::manufacturer, manufacturer);
}

std::int32_t LinuxHidApi::HidD_GetProductString(Handle device, std::string& product) {
  return DeviceString(device, &HidStrings::product, product);
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

std::int32_t LinuxHidApi::Request(Handle device, unsigned long request, void* argument) {
  if (OpenedPath(device) == nullptr) return Fail(WinError::InvalidHandle);
  if (::ioctl(static_cast<int>(device), request, argument) < 0) {
    return Fail(WinErrorFromErrno(errno));
  }
  return Succeed();
}

std::int32_t LinuxHidApi::DeviceString(Handle device,
                                       std::optional<std::string> HidStrings::*string,
                                       std::string& text) {
  const std::string* path = OpenedPath(device);
  if (path == nullptr || path->empty()) return Fail(WinError::InvalidHandle);
  const std::string node = HidrawNodeOf(*path);
  std::error_code error;
  if (node.empty()) {
    const bool gone = !std::filesystem::exists(std::filesystem::path(*path), error);
    return Fail(gone ? WinError::DeviceNotConnected : WinError::InvalidFunction);
  }
  const auto strings = ReadHidStrings(roots_.sysfs, node);
  if (!strings) return Fail(WinError::DeviceNotConnected);
  const std::optional<std::string>& value = (*strings).*string;
  if (!value) return Fail(WinError::GenFailure);
  text = *value;
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

namespace {

constexpr int kFirstMajor = 5;
constexpr int kFirstMinor = 11;

}  // namespace

bool LacksReportRequests(std::string_view release) {
  const char* const end = release.data() + release.size();
  int major = 0;
  const auto majorEnd = std::from_chars(release.data(), end, major);
  if (majorEnd.ec != std::errc{} || majorEnd.ptr == end || *majorEnd.ptr != '.') return false;
  int minor = 0;
  if (std::from_chars(majorEnd.ptr + 1, end, minor).ec != std::errc{}) return false;
  return major < kFirstMajor || (major == kFirstMajor && minor < kFirstMinor);
}

std::string RunningKernelRelease() {
  utsname names{};
  if (::uname(&names) != 0) return {};
  return names.release;
}

std::string OldKernelNotice(std::string_view release) {
  return "usblink: this Linux kernel (" + std::string(release) +
         ") cannot send or fetch single HID reports through hidraw; that came with "
         "Linux 5.11. Talking to the calculator needs Linux 5.11 or newer.\n";
}

std::uint32_t WinErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return WinError::Success;
    case ENOENT:
      return WinError::FileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return WinError::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:  // Windows opens no directory as a file either
      return WinError::AccessDenied;
    case EBADF:
      return WinError::InvalidHandle;
    case ENOMEM:
    case EMFILE:
    case ENFILE:
      return WinError::NotEnoughMemory;
    case EINVAL:
      return WinError::InvalidParameter;
    case EFAULT:
      return WinError::InvalidUserBuffer;
    case ENOTTY:
    case ENOSYS:
    case EOPNOTSUPP:
      return WinError::InvalidFunction;
    case EBUSY:
      return WinError::Busy;
    case ETXTBSY:
      return WinError::SharingViolation;
    case EINTR:
      return WinError::OperationAborted;
    case EAGAIN:
      return WinError::IoPending;
    case ENODEV:
    case ENXIO:
    case EIO:
    case ESHUTDOWN:
    case EPIPE:
      return WinError::DeviceNotConnected;
    default:
      return WinError::GenFailure;
  }
}

}  // namespace usblink::linux_hid

namespace usblink {

namespace {

template <typename Text>
std::optional<std::string> HintFor(Text text) {
  const auto node = linux_hid::DeniedCalculatorNode();
  if (!node) return std::nullopt;
  return text(*node);
}

}  // namespace

std::unique_ptr<HidApi> MakePlatformHidApi() { return std::make_unique<linux_hid::LinuxHidApi>(); }

std::optional<std::string> PlatformAccessHint() { return HintFor(linux_hid::AccessHintText); }

std::optional<std::string> PlatformAccessHintLine() { return HintFor(linux_hid::AccessHintLine); }

std::optional<std::string> PlatformCalculatorInUse() {
  if (const auto node = linux_hid::CalculatorInUse()) return node->string();
  return std::nullopt;
}

}  // namespace usblink
