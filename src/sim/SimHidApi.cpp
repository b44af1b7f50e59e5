#include "sim/SimHidApi.h"

#include <memory>

namespace usblink::sim {

namespace {

// Windows hands out kernel handles from 0x1F4 on.
constexpr Handle kFirstHandle = 0x1F4;

// What a device handle holds: the device as it was when the handle was
// opened. A calculator back from a reset is a new device to it.
class OpenedDevice final : public EmulatedHidApi::SystemObject {
 public:
  explicit OpenedDevice(std::uint64_t returns) : returns_(returns) {}
  std::uint32_t Close() override { return WinError::Success; }
  [[nodiscard]] std::uint64_t Returns() const { return returns_; }

 private:
  std::uint64_t returns_;
};

}  // namespace

SimHidApi::SimHidApi(SimBus& bus) : EmulatedHidApi(kFirstHandle), bus_(bus) {}

EmulatedHidApi::Opened SimHidApi::OpenDevice(std::string_view path, std::uint32_t desiredAccess,
                                             std::uint32_t /*creationDisposition*/,
                                             std::uint32_t /*flagsAndAttributes*/) {
  const auto present = bus_.PresentAt(path);
  if (!present) return Opened::Failure(WinError::FileNotFound);
  const std::uint32_t refusal = present->entry->refusal;
  if (refusal != WinError::Success && (desiredAccess != 0 || refusal == WinError::AccessDenied)) {
    return Opened::Failure(refusal);
  }
  return Opened::Success(NewHandle(), std::make_unique<OpenedDevice>(present->returns));
}

std::optional<InterfaceIds> SimHidApi::IdsWithoutOpening(std::string_view path) const {
  const auto present = bus_.PresentAt(path);
  if (!present) return std::nullopt;
  return InterfaceIds{present->entry->vendorId, present->entry->productId};
}

EmulatedHidApi::Opened SimHidApi::OpenEvent(bool /*initialState*/) {
  return Opened::Success(NewHandle());
}

std::int32_t SimHidApi::HidD_GetAttributes(Handle device, HiddAttributes& attributes) {
  const auto found = LookUpDevice(device);
  if (found.device == nullptr) return Fail(found.error);
  attributes.VendorID = found.device->vendorId;
  attributes.ProductID = found.device->productId;
  attributes.VersionNumber = found.device->versionNumber;
  return Succeed();
}

std::int32_t SimHidApi::HidD_GetSerialNumberString(Handle device, std::string& serialNumber) {
  return DeviceString(device, &SimInterface::serialNumber, serialNumber);
}

std::int32_t SimHidApi::HidD_GetManufacturerString(Handle device, std::string& manufacturer) {
  return DeviceString(device, &SimInterface::manufacturer, manufacturer);
}

std::int32_t SimHidApi::HidD_GetProductString(Handle device, std::string& product) {
  return DeviceString(device, &SimInterface::product, product);
}

std::int32_t SimHidApi::HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) {
  const auto found = LookUpDevice(device);
  if (found.device == nullptr) return Fail(found.error);
  return PrepareData(found.device->reportDescriptor, preparsedData);
}

std::int32_t SimHidApi::HidD_SetOutputReport(Handle device, std::span<const std::uint8_t> report) {
  const auto found = LookUpCalculatorReport(device, report.size(), report.empty() ? 0 : report[0]);
  if (found.device == nullptr) return Fail(found.error);
  bus_.DeliverOutputReport(*found.device, report.first<kReportLength>());
  return Succeed();
}

std::int32_t SimHidApi::HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) {
  const auto found = LookUpCalculatorReport(device, report.size(), report.empty() ? 0 : report[0]);
  if (found.device == nullptr) return Fail(found.error);
  bus_.FetchInputReport(*found.device, report.first<kReportLength>());
  return Succeed();
}

// An event's handle is no device's.
SimHidApi::DeviceLookup SimHidApi::LookUpDevice(Handle device) const {
  const std::string* path = OpenedPath(device);
  const auto* opened = dynamic_cast<const OpenedDevice*>(OpenedObject(device));
  if (path == nullptr || opened == nullptr) return {nullptr, WinError::InvalidHandle};
  const auto present = bus_.PresentAt(*path);
  if (!present || present->returns != opened->Returns()) {
    return {nullptr, WinError::DeviceNotConnected};
  }
  return {present->entry, WinError::Success};
}

SimHidApi::DeviceLookup SimHidApi::LookUpCalculatorReport(Handle device, std::size_t length,
                                                          std::uint8_t reportId) const {
  const auto found = LookUpDevice(device);
  if (found.device == nullptr) return found;
  if (!found.device->isCalculator) return {nullptr, WinError::InvalidFunction};
  if (length != kReportLength || reportId != kReportId) {
    return {nullptr, WinError::InvalidParameter};
  }
  return found;
}

std::int32_t SimHidApi::DeviceString(Handle device,
                                     std::optional<std::string> SimInterface::*string,
                                     std::string& text) {
  const auto found = LookUpDevice(device);
  if (found.device == nullptr) return Fail(found.error);
  const std::optional<std::string>& value = found.device->*string;
  if (!value) return Fail(WinError::GenFailure);
  text = *value;
  return Succeed();
}

std::vector<std::string> SimHidApi::InterfacePaths(bool presentOnly) const {
  return bus_.Paths(presentOnly);
}

}  // namespace usblink::sim
