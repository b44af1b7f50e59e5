#pragma once
// The HidApi backend on Windows' own setupapi, hid and kernel32 calls. The
// seam's 32-bit records are converted to the native ones, so the 64-bit build
// makes the same calls and writes the same log as a 32-bit one.

#include <cstdint>
#include <string>

#include "platform/hid/HidApi.h"

namespace usblink::win32 {

// Choices the seam leaves open:
// - HidP_GetCaps and HidP_GetValueCaps refuse preparsed data 0 themselves with
//   HIDP_STATUS_INVALID_PREPARSED_DATA rather than hand Windows a null pointer.
// - HidP_GetValueCaps refuses a count larger than the caller's records, which
//   Windows would write past.
// - Texts go up and come down in UTF-8. The system's texts in the ANSI code
//   page (message texts, device paths) are converted on their way up; names
//   go down to the system's wide calls. The device's strings come up from
//   UTF-16, read into room for 126 characters, the most a USB string
//   descriptor holds.
class Win32HidApi final : public HidApi {
 public:
  void HidD_GetHidGuid(Guid& hidGuid) override;
  Handle SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) override;
  std::int32_t SetupDiEnumDeviceInterfaces(Handle deviceInfoSet, const Guid& classGuid,
                                           std::uint32_t memberIndex,
                                           SpDeviceInterfaceData& interfaceData) override;
  std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle deviceInfoSet,
                                                const SpDeviceInterfaceData& interfaceData,
                                                std::span<std::uint8_t> detail,
                                                std::uint32_t& requiredSize) override;
  std::int32_t SetupDiDestroyDeviceInfoList(Handle deviceInfoSet) override;
  Handle CreateFileA(std::string_view fileName, std::uint32_t desiredAccess,
                     std::uint32_t shareMode, const SecurityAttributes* security,
                     std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
  Handle CreateEventA(const SecurityAttributes* security, bool manualReset, bool initialState,
                      std::string_view name) override;
  std::int32_t CloseHandle(Handle object) override;
  std::int32_t HidD_GetAttributes(Handle device, HiddAttributes& attributes) override;
  std::int32_t HidD_GetSerialNumberString(Handle device, std::string& serialNumber) override;
  std::int32_t HidD_GetManufacturerString(Handle device, std::string& manufacturer) override;
  std::int32_t HidD_GetProductString(Handle device, std::string& product) override;
  std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) override;
  std::int32_t HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) override;
  std::int32_t HidP_GetValueCaps(HidpReportType reportType, std::span<HidpValueCaps> valueCaps,
                                 std::uint16_t& valueCapsLength,
                                 PreparsedData preparsedData) override;
  std::int32_t HidD_FreePreparsedData(PreparsedData preparsedData) override;
  std::int32_t HidD_SetOutputReport(Handle device, std::span<const std::uint8_t> report) override;
  std::int32_t HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) override;
  std::uint32_t FormatMessageA(std::uint32_t flags, std::uint32_t messageId,
                               std::uint32_t languageId, std::span<char> buffer) override;
  // Windows' own walk: a device information set and detail records.
  [[nodiscard]] std::vector<HidInterface> PresentInterfaces() override;

 private:
  // Stores the thread's last-error code; called right after every system call.
  void CaptureLastError();
  // One of the device's strings through `call`, one of the HidD_Get...String calls.
  template <typename StringCall>
  std::int32_t DeviceString(StringCall call, Handle device, std::string& text);
  // Passes a call's result through after capturing the error code it left.
  template <typename Result>
  Result Captured(Result result) {
    CaptureLastError();
    return result;
  }
};

}  // namespace usblink::win32
