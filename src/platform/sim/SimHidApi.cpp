#include "platform/sim/SimHidApi.h"

#include <algorithm>

namespace usblink::sim {

namespace {

// Windows hands out kernel handles from 0x1F4 on, four apart.
constexpr Handle kFirstHandle = 0x1F4;
constexpr Handle kHandleStep = 4;

}  // namespace

SimHidApi::SimHidApi(SimBus& bus) : bus_(bus), nextHandle_(kFirstHandle) {}

void SimHidApi::HidD_GetHidGuid(Guid& hidGuid) {
  hidGuid = kHidClassGuid;
  SetLastPlatformError(WinError::Success);
}

Handle SimHidApi::CreateFileA(std::string_view fileName, std::uint32_t /*desiredAccess*/,
                              std::uint32_t /*shareMode*/, const SecurityAttributes* /*security*/,
                              std::uint32_t /*creationDisposition*/,
                              std::uint32_t /*flagsAndAttributes*/) {
  const SimInterface* entry = bus_.Find(fileName);
  if (entry == nullptr || !bus_.IsPresent(*entry)) {
    SetLastPlatformError(WinError::FileNotFound);
    return kInvalidHandleValue;
  }
  if (!entry->openable) {
    SetLastPlatformError(WinError::AccessDenied);
    return kInvalidHandleValue;
  }
  const Handle device = NewHandle();
  devices_.emplace(device, entry->path);
  SetLastPlatformError(WinError::Success);
  return device;
}

Handle SimHidApi::CreateEventA(const SecurityAttributes* /*security*/, bool /*manualReset*/,
                               bool /*initialState*/, std::string_view /*name*/) {
  const Handle event = NewHandle();
  events_.insert(event);
  SetLastPlatformError(WinError::Success);
  return event;
}

std::int32_t SimHidApi::CloseHandle(Handle object) {
  if (devices_.erase(object) == 0 && events_.erase(object) == 0) {
    return Fail(WinError::InvalidHandle);
  }
  return Succeed();
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

int SimHidApi::OpenHandleCount() const {
  return static_cast<int>(DeviceInfoSetCount() + devices_.size() + events_.size());
}

SimHidApi::DeviceLookup SimHidApi::LookUpDevice(Handle device) const {
  const auto open = devices_.find(device);
  if (open == devices_.end()) return {nullptr, WinError::InvalidHandle};
  const SimInterface* entry = bus_.Find(open->second);
  if (entry == nullptr || !bus_.IsPresent(*entry)) return {nullptr, WinError::DeviceNotConnected};
  return {entry, WinError::Success};
}

// Only the calculator takes reports, and only whole ones of its one report id.
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

Handle SimHidApi::NewDeviceInfoSet() { return NewHandle(); }

Handle SimHidApi::NewHandle() {
  const Handle handle = nextHandle_;
  nextHandle_ += kHandleStep;
  return handle;
}

}  // namespace usblink::sim
