#pragma once
// What the backends that answer as Windows does without Windows have in
// common: device information sets, Windows' message texts, Windows' HID
// parser worked from the report descriptor, and results that leave a Windows
// error code behind.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/DeviceInfoSets.h"
#include "platform/HidApi.h"
#include "platform/PreparsedDataTable.h"

namespace usblink {

class EmulatedHidApi : public HidApi {
 public:
  // A set lists the HID interfaces only for the HID class with
  // DIGCF_DEVICEINTERFACE; otherwise it is valid and empty.
  Handle SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) final;
  std::int32_t SetupDiEnumDeviceInterfaces(Handle deviceInfoSet, const Guid& classGuid,
                                           std::uint32_t memberIndex,
                                           SpDeviceInterfaceData& interfaceData) final;
  std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle deviceInfoSet,
                                                const SpDeviceInterfaceData& interfaceData,
                                                std::span<std::uint8_t> detail,
                                                std::uint32_t& requiredSize) final;
  std::int32_t SetupDiDestroyDeviceInfoList(Handle deviceInfoSet) final;
  // The parser reports through its status and leaves the last-error code alone.
  std::int32_t HidP_GetCaps(PreparsedData preparsedData, HidpCaps& caps) override;
  std::int32_t HidP_GetValueCaps(HidpReportType reportType, std::span<HidpValueCaps> valueCaps,
                                 std::uint16_t& valueCapsLength,
                                 PreparsedData preparsedData) override;
  std::int32_t HidD_FreePreparsedData(PreparsedData preparsedData) override;
  // Knows only the system table and never touches the last-error code.
  std::uint32_t FormatMessageA(std::uint32_t flags, std::uint32_t messageId,
                               std::uint32_t languageId, std::span<char> buffer) override;

  // Preparsed data handed out and not yet freed.
  [[nodiscard]] int PreparsedDataCount() const;

 protected:
  // The device paths of the HID interfaces, in the order a walk meets them.
  [[nodiscard]] virtual std::vector<std::string> InterfacePaths(bool presentOnly) const = 0;
  // A handle for a new device information set.
  virtual Handle NewDeviceInfoSet() = 0;
  [[nodiscard]] std::size_t DeviceInfoSetCount() const { return deviceInfoSets_.Count(); }
  // HidD_GetPreparsedData's answer for a device with this descriptor.
  std::int32_t PrepareData(std::span<const std::uint8_t> descriptor, PreparsedData& preparsedData);
  std::int32_t Succeed();
  std::int32_t Fail(std::uint32_t error);

 private:
  DeviceInfoSets deviceInfoSets_;
  PreparsedDataTable preparsedData_;
};

}  // namespace usblink
