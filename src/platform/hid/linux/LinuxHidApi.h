#pragma once
// The HidApi backend over /sys/class/hidraw and /dev/hidraw*: the kernel's
// answers turned into Windows' results, error codes and texts, so the log
// reads as it does on Windows.

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include <sys/types.h>

#include "platform/hid/EmulatedHidApi.h"
#include "platform/hid/HidApi.h"
#include "platform/hid/linux/HidrawSysfs.h"

namespace usblink::linux_hid {

// A node by its identity (device and inode), whatever path opened it.
using NodeId = std::pair<dev_t, ino_t>;
using LockedNodes = std::set<NodeId>;

// Choices where Linux offers no single answer:
// - A device or event handle is its file descriptor. Device information sets
//   are no kernel objects: their handles lie above every descriptor (2^31 on).
// - The set lists every hidraw node for the HID class with
//   DIGCF_DEVICEINTERFACE (a listed node is present); any other guid or flags
//   give an empty set.
// - CreateFileA opens existing files only (else 87). Sharing, security and
//   inheritance have no Linux meaning and are ignored: descriptors never pass
//   to child processes. FILE_FLAG_OVERLAPPED opens non-blocking.
// - CreateEventA makes an eventfd; the name is ignored, as nothing opens an
//   event by name here.
// - HidD_GetAttributes gives 0 as version number for nodes not on USB.
// - An open for writing takes an advisory exclusive lock on the node, shared
//   by this backend's later opens of it and given up when the handle that
//   took it closes; a node that another process holds locked fails to open
//   with 32 (ERROR_SHARING_VIOLATION), as a device opened exclusively does.
// - The strings come from sysfs (see ReadHidStrings): on USB the USB device's
//   manufacturer and product, elsewhere HID_NAME as the product and no
//   manufacturer; the serial number is HID_UNIQ. A node that left sysfs
//   fails with 1167.
class LinuxHidApi final : public EmulatedHidApi {
 public:
  // `notices` receives the one-time notice about a kernel that is too old.
  explicit LinuxHidApi(HidrawRoots roots = {});
  LinuxHidApi(HidrawRoots roots, std::ostream& notices);

  std::int32_t HidD_GetAttributes(Handle device, HiddAttributes& attributes) override;
  std::int32_t HidD_GetSerialNumberString(Handle device, std::string& serialNumber) override;
  std::int32_t HidD_GetManufacturerString(Handle device, std::string& manufacturer) override;
  std::int32_t HidD_GetProductString(Handle device, std::string& product) override;
  std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) override;
  std::int32_t HidD_SetOutputReport(Handle device, std::span<const std::uint8_t> report) override;
  std::int32_t HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) override;

 protected:
  [[nodiscard]] std::vector<std::string> InterfacePaths(bool presentOnly) const override;
  Opened OpenDevice(std::string_view path, std::uint32_t desiredAccess,
                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
  Opened OpenEvent(bool initialState) override;
  // From sysfs, for a node this user may not open.
  [[nodiscard]] std::optional<InterfaceIds> IdsWithoutOpening(std::string_view path) const override;

 private:
  // ioctl(2) on the handle's descriptor; fails with the mapped errno.
  std::int32_t Request(Handle device, unsigned long request, void* argument);
  std::int32_t ReportRequest(Handle device, unsigned long request, void* report);
  // One of the strings sysfs keeps of the node the handle is open on.
  std::int32_t DeviceString(Handle device, std::optional<std::string> HidStrings::*string,
                            std::string& text);

  HidrawRoots roots_;
  std::ostream& notices_;
  bool kernelReleaseChecked_ = false;  // after the first refused report request
  LockedNodes lockedNodes_;            // nodes whose lock one of this backend's handles holds
};

// Kernels before 5.11 have no hidraw requests for single input and output
// reports (HIDIOCGINPUT / HIDIOCSOUTPUT) and refuse them with EINVAL.
// True for a release such as "5.10.0-28-amd64"; false for 5.11 and later and
// for a text that names no version.
bool LacksReportRequests(std::string_view release);

// The running kernel's release (uname -r).
std::string RunningKernelRelease();

// The plain-words notice for such a kernel.
std::string OldKernelNotice(std::string_view release);

// The Windows error code that stands for an errno value, so a failed system
// call on Linux logs the text Windows would show for the same failure.
// Every code it answers has a system text; an errno without a closer
// Windows match answers 31, "A device attached to the system is not
// functioning."
std::uint32_t WinErrorFromErrno(int error);

}  // namespace usblink::linux_hid
