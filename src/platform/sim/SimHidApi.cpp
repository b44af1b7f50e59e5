#include "platform/sim/SimHidApi.h"

namespace usblink::sim {

namespace {

// Windows hands out kernel handles from 0x1F4 on.
constexpr Handle kFirstHandle = 0x1F4;

}  // namespace

SimHidApi::SimHidApi(SimBus& bus) : EmulatedHidApi(kFirstHandle), bus_(bus) {}

EmulatedHidApi::Opened SimHidApi::OpenDevice(std::string_view path, std::uint32_t /*desiredAccess*/,
                                             std::uint32_t /*creationDisposition*/,
                                             std::uint32_t /*flagsAndAttributes*/) {
  const SimInterface* entry = bus_.Find(path);
  if (entry == nullptr || !bus_.IsPresent(*entry)) return Opened::Failure(WinError::FileNotFound);
  if (!entry->openable) return Opened::Failure(WinError::AccessDenied);
  return Opened::Success(NewHandle());
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

std::int32_t SimHidApi::HidD_GetPreparsedData(Handle device, PreparsedData& preparsedData) {
  const auto found = LookUpDevice(device);
  if (found.device == nullptr) return Fail(found.error);
  return PrepareData(found.device->reportDescriptor, preparsedData);
}

std::int32_t SimHidApi::HidD_SetOutputReport(Handle device, std::span<const std::uint8_t> report) {
  const auto found = LookUpCalculatorReport(device, report.size(), report.empty() ? 0 : report[0]);
  if (found.device == nullptr) return Fail(found.error);
  bus_.calculator.ReceiveOutputReport(report.first<kReportLength>());
  return Succeed();
}

std::int32_t SimHidApi::HidD_GetInputReport(Handle device, std::span<std::uint8_t> report) {
  const auto found = LookUpCalculatorReport(device, report.size(), report.empty() ? 0 : report[0]);
  if (found.device == nullptr) return Fail(found.error);
  if (bus_.beforeInputReport) bus_.beforeInputReport();
  bus_.calculator.ProduceInputReport(report.first<kReportLength>());
  return Succeed();
}

// An event's handle is no device's.
SimHidApi::DeviceLookup SimHidApi::LookUpDevice(Handle device) const {
  const std::string* path = OpenedPath(device);
  if (path == nullptr || path->empty()) return {nullptr, WinError::InvalidHandle};
  const SimInterface* entry = bus_.Find(*path);
  if (entry == nullptr || !bus_.IsPresent(*entry)) return {nullptr, WinError::DeviceNotConnected};
  return {entry, WinError::Success};
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

std::vector<std::string> SimHidApi::InterfacePaths(bool presentOnly) const {
  std::vector<std::string> paths;
  for (const auto& entry : bus_.interfaces) {
    if (!presentOnly || bus_.IsPresent(entry)) paths.push_back(entry.path);
  }
  return paths;
}

}  // namespace usblink::sim
