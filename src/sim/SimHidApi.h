#pragma once
// The HidApi backend of the simulated bus: answers every call as Windows
// would, with Windows' error codes and texts.

#include <cstdint>
#include <string>

#include "platform/hid/EmulatedHidApi.h"
#include "platform/hid/HidApi.h"
#include "sim/SimBus.h"

namespace usblink::sim {

// Choices where Windows offers no single answer:
// - SetupDiGetClassDevsA lists the HID interfaces only for the HID class with
//   DIGCF_DEVICEINTERFACE (any other guid or flags give an empty set);
//   without DIGCF_PRESENT an absent calculator is listed as well.
// - CreateFileA looks at the path, and at the access asked only for an
//   interface that refuses opens; sharing and flags are accepted as given.
// - A handle of a device that left the bus fails every call with 1167, except
//   CloseHandle, also once the device is back.
// - A string the interface does not have fails with 31.
// - FormatMessageA knows only the system table and never touches the
//   last-error code.
//
// Its handles and its last-error code are one thread's, as the last-error
// code is on Windows: give every thread a SimHidApi of its own. Any number of
// them may share one bus.
class SimHidApi final : public EmulatedHidApi {
 public:
  explicit SimHidApi(SimBus& bus);

  std::int32_t HidD_GetAttributes(Handle device, HiddAttributes& attributes) override;
  std::int32_t HidD_GetSerialNumberString(Handle device, std::string& serialNumber) override;
  std::int32_t HidD_GetManufacturerString(Handle device, std::string& manufacturer) override;
  std::int32_t HidD_GetProductString(Handle device, std::string& product) override;
  std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) override;
  // Only a calculator takes reports, and only whole ones of its one report id.
  std::int32_t HidD_SetOutputReport(Handle device, std::span<const std::uint8_t> report) override;
  std::int32_t HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) override;

 protected:
  Opened OpenDevice(std::string_view path, std::uint32_t desiredAccess,
                    std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
  Opened OpenEvent(bool initialState) override;
  [[nodiscard]] std::optional<InterfaceIds> IdsWithoutOpening(std::string_view path) const override;
  [[nodiscard]] std::vector<std::string> InterfacePaths(bool presentOnly) const override;

 private:
  // The interface behind a device handle, or the error its calls fail with.
  struct DeviceLookup {
    const SimInterface* device = nullptr;
    std::uint32_t error = WinError::Success;
  };
  [[nodiscard]] DeviceLookup LookUpDevice(Handle device) const;
  [[nodiscard]] DeviceLookup LookUpCalculatorReport(Handle device, std::size_t length,
                                                    std::uint8_t reportId) const;
  std::int32_t DeviceString(Handle device, std::optional<std::string> SimInterface::*string,
                            std::string& text);

  SimBus& bus_;
};

}  // namespace usblink::sim
