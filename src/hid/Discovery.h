#pragma once
// Finding and opening the calculator among the machine's HID interfaces, with
// every platform call and value of the walk written to the window's log.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hid/ApiLog.h"
#include "hid/DeviceList.h"
#include "hid/Link.h"
#include "platform/hid/HidApi.h"

namespace usblink {

// OVERLAPPED, prepared for the overlapped handle; no call is handed it.
struct Overlapped {
  std::uint32_t Internal = 0;
  std::uint32_t InternalHigh = 0;
  std::uint32_t Offset = 0;
  std::uint32_t OffsetHigh = 0;
  Handle hEvent = kNoHandle;
};

// The window's fields of discovery and the capability report; the handles are
// the link's. They start zeroed and keep their values from one walk to the
// next until overwritten.
struct DiscoveryState {
  bool DeviceFound = false;
  bool NoMoreInterfaces = false;
  std::string VendorIdText;
  std::string ProductIdText;
  std::int32_t LastApiResult = 0;
  Handle DeviceInfoSet = kNoHandle;
  SpDeviceInterfaceData InterfaceData;
  std::uint32_t RequiredSize = 0;
  InterfaceDetailRecord DetailBuffer;
  std::string DevicePath;
  HiddAttributes HidAttributes;
  SecurityAttributes HandleSecurity;
  Handle ReadEvent = kNoHandle;
  Overlapped ReadOverlapped;
  PreparsedData PreparsedDataRef = 0;
  HidpCaps DeviceCaps;
};

class Discovery {
 public:
  // Writes the link's HIDHandle and ReadHandle.
  Discovery(HidApi& api, LinkWindowPort& window, HidCP::Link& link);
  Discovery(const Discovery&) = delete;
  Discovery& operator=(const Discovery&) = delete;
  // Closes ReadEvent; the device handles belong to CloseDevice.
  ~Discovery();

  // The texts FindTheHid matches, each "&H" and the trimmed id field.
  void SetIdTexts(std::string vendorIdText, std::string productIdText);

  // The calculator FindTheHid stops at among several with the ids; none
  // (the window's way): the first.
  void SetDevice(std::optional<DeviceSelector> device);

  // Walks the present HID interfaces and stops at the first whose ids match
  // and, when a device was named, that is the device. On a match HIDHandle
  // and ReadHandle stay open and the link status reads "USB Link OK!";
  // otherwise it reads "USB Link Error!".
  bool FindTheHid();

  // Logs the capabilities of the device open on HIDHandle.
  void LogCapabilities();

  [[nodiscard]] const DiscoveryState& State() const { return state_; }

 private:
  void CloseLeftoverHandles();
  [[nodiscard]] Guid LogHidClassGuid();
  void ExamineInterface(const Guid& hidClassGuid, std::uint32_t interfaceIndex);
  void ReadDevicePath();
  void OpenInterface();
  [[nodiscard]] bool ReadAttributes();
  [[nodiscard]] bool IdsMatch() const;
  [[nodiscard]] bool IsNamedDevice();
  void CloseInterface();
  void OpenReadHandle();
  void PrepareOverlappedRead();
  void AppendCapabilityLines();

  HidApi& api_;
  LinkWindowPort& window_;
  HidCP::Link& link_;
  ApiLog apiLog_;
  DiscoveryState state_;
  std::optional<DeviceSelector> device_;
};

}  // namespace usblink
