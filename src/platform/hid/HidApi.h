#pragma once
// The platform calls of discovery, the capability report and the report
// transaction, under their Windows names. Every backend answers with Windows'
// results and error codes, so the log reads the same everywhere. Whatever
// lists devices without a log asks one call that answers in plain values.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hid/WindowsRecords.h"

namespace usblink {

// The ids an interface's attributes give.
struct InterfaceIds {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  friend bool operator==(const InterfaceIds&, const InterfaceIds&) = default;
};

// One present HID interface, as whatever lists or picks devices sees it.
struct HidInterface {
  std::uint32_t index = 0;  // its place in the system's enumeration
  std::string path;         // empty when the system gave none
  // None when the interface could not be opened or queried, unless the
  // system lists it with them; `error` is the last-error code that says why.
  std::optional<InterfaceIds> ids;
  std::uint32_t error = WinError::Success;
  // The device's strings, where the platform gives them: never empty, and
  // no control character in them.
  std::optional<std::string> serialNumber;
  std::optional<std::string> manufacturer;
  std::optional<std::string> product;
  friend bool operator==(const HidInterface&, const HidInterface&) = default;
};

// One backend of the platform. Each call leaves its last-error code behind,
// readable through LastPlatformError() until the next call. The codes named
// below are those the backends that emulate Windows leave; on Windows they are
// the system's own. A call that succeeds leaves 0 in those backends. A backend
// serves one thread: its last-error code is that thread's, as on Windows, so
// each thread that talks to a calculator of its own has a backend of its own.
class HidApi {
 public:
  HidApi() = default;
  HidApi(const HidApi&) = delete;
  HidApi& operator=(const HidApi&) = delete;
  virtual ~HidApi() = default;

  // Fills in the HID interface class; never fails (Windows leaves the code it held).
  virtual void HidD_GetHidGuid(Guid& hidGuid) = 0;
  // A new device information set (no enumerator, no window); kInvalidHandleValue on failure.
  virtual Handle SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) = 0;
  // 1 with the record; 0 with 259 past the last interface, 6 for an unknown set, 87 unless 28.
  virtual std::int32_t SetupDiEnumDeviceInterfaces(Handle deviceInfoSet, const Guid& classGuid,
                                                   std::uint32_t memberIndex,
                                                   SpDeviceInterfaceData& interfaceData) = 0;
  // 1 with the path and its NUL after the size field; 0 with 122 and the size needed when
  // there is no room, 1784 unless the size field says 5, 6 for an unknown set, 87 for a
  // record not of this set. An empty span is the size query, which therefore always fails.
  virtual std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle deviceInfoSet,
                                                        const SpDeviceInterfaceData& interfaceData,
                                                        std::span<std::uint8_t> detail,
                                                        std::uint32_t& requiredSize) = 0;
  // 1; 0 with 6 for an unknown set.
  virtual std::int32_t SetupDiDestroyDeviceInfoList(Handle deviceInfoSet) = 0;
  // The opened file (no template); kInvalidHandleValue with 2 or 3 for no such path, 5 if refused.
  virtual Handle CreateFileA(std::string_view fileName, std::uint32_t desiredAccess,
                             std::uint32_t shareMode, const SecurityAttributes* security,
                             std::uint32_t creationDisposition,
                             std::uint32_t flagsAndAttributes) = 0;
  // A new event; kNoHandle on failure.
  virtual Handle CreateEventA(const SecurityAttributes* security, bool manualReset,
                              bool initialState, std::string_view name) = 0;
  // 1; 0 with 6 for a handle not open (a device information set is none).
  virtual std::int32_t CloseHandle(Handle object) = 0;
  // 1 with ids and version; 0 with 6 for a handle not open, 1 for no HID device, 1167 if gone.
  virtual std::int32_t HidD_GetAttributes(Handle device, HiddAttributes& attributes) = 0;
  // The device's own strings, in UTF-8 (Windows keeps them in UTF-16). Each leaves the text
  // alone when it fails: 0 with 6, 1 or 1167 as above, 31 when the device has no such string.
  // 1 with the serial number string.
  virtual std::int32_t HidD_GetSerialNumberString(Handle device, std::string& serialNumber) = 0;
  // 1 with the manufacturer string.
  virtual std::int32_t HidD_GetManufacturerString(Handle device, std::string& manufacturer) = 0;
  // 1 with the product string.
  virtual std::int32_t HidD_GetProductString(Handle device, std::string& product) = 0;
  // 1 with new preparsed data; 0 with 6, 1 or 1167 as above, 13 for a descriptor refused.
  virtual std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) = 0;
  // kHidpStatusSuccess or kHidpStatusInvalidPreparsedData; never touches the last-error code.
  virtual std::int32_t HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) = 0;
  // Copies at most the count asked and the span holds, the count becoming those copied:
  // kHidpStatusSuccess when that is all of them, else kHidpStatusBufferTooSmall (count 0 when
  // the span is shorter than asked); kHidpStatusInvalidPreparsedData; Windows also answers
  // HIDP_STATUS_USAGE_NOT_FOUND for none. Never touches the last-error code.
  virtual std::int32_t HidP_GetValueCaps(HidpReportType reportType,
                                         std::span<HidpValueCaps> valueCaps,
                                         std::uint16_t& valueCapsLength,
                                         PreparsedData preparsedData) = 0;
  // 1; 0 with 87 for data not handed out or already freed.
  virtual std::int32_t HidD_FreePreparsedData(PreparsedData preparsedData) = 0;
  // 1 once sent (byte 0: the report id); 0 with 6, 1167, 1 for no taker, 87 for a wrong length/id.
  virtual std::int32_t HidD_SetOutputReport(Handle device,
                                            std::span<const std::uint8_t> report) = 0;
  // 1 with the report (byte 0 preset to its id); 0 with the codes of HidD_SetOutputReport.
  virtual std::int32_t HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) = 0;
  // Characters stored without the NUL (no source, no inserts), 0 for no text or no room. Leaves
  // LastPlatformError alone: it only ever reports it.
  virtual std::uint32_t FormatMessageA(std::uint32_t flags, std::uint32_t messageId,
                                       std::uint32_t languageId, std::span<char> buffer) = 0;

  // Every present HID interface, in the system's order, for whatever lists or
  // picks devices without discovery's log: no records to fill. Each is opened
  // without access rights, which is enough for the attributes also of devices
  // the system holds, and closed again. Leaves the code of its last call.
  [[nodiscard]] virtual std::vector<HidInterface> PresentInterfaces() = 0;

  // The last-error code captured right after the most recent call.
  [[nodiscard]] std::uint32_t LastPlatformError() const { return lastPlatformError_; }

 protected:
  void SetLastPlatformError(std::uint32_t code) { lastPlatformError_ = code; }

 private:
  std::uint32_t lastPlatformError_ = 0;
};

// Device paths name the same interface when they differ only in case, as
// Windows' do; a path someone typed is compared so on every platform.
[[nodiscard]] inline bool SameDevicePath(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

// What PresentInterfaces tells of the interface at `path`, read through the
// calls above.
[[nodiscard]] HidInterface DescribeInterface(HidApi& api, std::uint32_t index, std::string path);

// The device path of an enumerated interface: the size query, then the fetch.
// Empty when the fetch fails.
[[nodiscard]] std::string FetchDevicePath(HidApi& api, Handle deviceInfoSet,
                                          const SpDeviceInterfaceData& interfaceData);

// PresentInterfaces as Windows answers it: the interfaces of a device
// information set, each path fetched from its detail record.
[[nodiscard]] std::vector<HidInterface> WalkPresentInterfaces(HidApi& api);

// The real HID backend of the platform this program was built for.
std::unique_ptr<HidApi> MakePlatformHidApi();

// When the platform can tell why a calculator that is plugged in was not
// found (a permission, say): what the user can do about it.
std::optional<std::string> PlatformAccessHint();
// The same in one line, for the window's log.
std::optional<std::string> PlatformAccessHintLine();

// The device path of a calculator that is plugged in but held by another
// program, when the platform can tell.
std::optional<std::string> PlatformCalculatorInUse();

}  // namespace usblink
